#pragma once

#include "split/StructureTree.h"
#include "text/ReadStream.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace qm {

class ScanObserver;
class TopicPageWriter;

// The splitter: reads the work stream once from its first byte to its last, builds
// the structure tree from the heading tags ("<h" + digit, "</h" + digit) and hands
// every topic's bytes to the page writer. Text before the first heading becomes the
// home topic "首页"; a stream without headings becomes one whole-document topic, a
// byte copy of the IntermediateHtml.
//
// The results are exactly those of a byte-at-a-time reader; spans between tags are
// handled in bulk, and the observer's progress runs at most every ~30 ms.
class HeadingScanner {
public:
    struct Source {
        std::unique_ptr<ReadStream>& workStream; // reopened on the IntermediateHtml for
                                                 // the whole-document topic
        std::filesystem::path intermediateHtml;
        std::string baseName; // GBK, the whole-document topic's title
    };

    // outsideTag carries over from one scan to the next, as the window keeps it.
    HeadingScanner(Source source, StructureTree& tree, TopicPageWriter& writer,
                   ScanObserver& observer, bool& outsideTag);

    // Runs the whole scan; returns false when it stopped because the user aborted.
    bool ScanHeadings();

    // Cleans heading text into a node title: drops "&nbsp", trims bytes up to the
    // space, and falls back to the node's sibling index plus the date-time.
    static void SetNodeTitle(StructureNode& node, const std::string& text);

private:
    bool readScanByte(unsigned char& byte);
    void collectTitleByte(unsigned char byte);
    void bulkSpan(std::string_view span);
    bool accepted(unsigned char digit);
    void headingStart(unsigned char digit);
    void headingEnd();
    StructureNode* placeFor(int level);
    void closeTopic(StructureNode& node, std::int64_t endPosition);
    void finish();
    bool progressAndAbort(bool force);

    Source source_;
    StructureTree& tree_;
    TopicPageWriter& writer_;
    ScanObserver& observer_;
    bool& outsideTag_;

    std::string topicBuffer_;
    std::string titleText_;
    bool trailPending_ = false; // the last title byte opened a GBK double-byte character
    StructureNode* current_ = nullptr;
    int previousLevel_ = 0;
    std::int64_t total_ = 0;
    double startTime_ = 0;
    std::int64_t bytesSinceClock_ = 0;
    std::chrono::steady_clock::time_point lastProgress_;
};

} // namespace qm
