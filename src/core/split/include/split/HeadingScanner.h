#pragma once

#include "split/StructureTree.h"
#include "text/ReadStream.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace qm {

class ScanObserver;
class TopicPageWriter;

// The splitter: reads the work stream from its first byte to its last, builds the
// structure tree from the heading tags ("<h" + digit, "</h" + digit) and hands every
// topic's bytes to the page writer. Text before the first heading becomes the home
// topic "首页"; a stream without headings becomes one whole-document topic, a byte copy
// of the IntermediateHtml.
//
// The highest heading level present is the top of the tree, and the level limit counts
// from it: a document whose headings are h2 to h4 has its h2 at the top (beside 首页,
// not under it), and limit 2 keeps h2 and h3. A survey before the cut finds that level;
// it ends at the first level-1 heading, so a document with one is read once more only
// up to there.
//
// As in Word's navigation pane, a heading with neither text nor picture is no topic:
// its bytes stay with the topic before it. So a heading is decided at its end tag (or,
// without one, where the next heading starts). Headings inside comments, scripts,
// style sheets and text areas are not headings.
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
    bool scanHeadings();

    // The page-name title of a heading (as the reader reads it) at a position: the
    // heading made safe for a file name and bounded, so that the page name
    // "<title>.<position>.htm" with every temporary suffix fits a file system.
    static std::string pageTitle(const std::string& heading, const std::string& position);

private:
    // A heading start tag whose text is still being read.
    struct PendingHeading {
        int level = 0;
        std::int64_t start = 0;  // offset of its '<'
        bool textBefore = false; // text came before it (a home topic, if it is the first)
    };
    // Text that holds no headings: a comment, or the content of a script, style or
    // text area (ended by rawTextEnd_).
    enum class Hidden { None, Comment, RawText };

    void startPass();
    bool surveyTopLevel();
    bool readStream();
    bool tagPass();
    int treeLevel(int level) const;
    bool readScanByte(unsigned char& byte);
    void append(std::string_view bytes);
    std::size_t bulkSpan(std::string_view span);
    std::size_t hiddenSpan(std::string_view span);
    void enterRawTextIfScript();
    bool accepted(unsigned char digit);
    void headingStart(unsigned char digit);
    void headingEnd();
    void resolvePending(std::int64_t end);
    void commit(const PendingHeading& heading, std::string text, bool picture);
    StructureNode* placeFor(int level);
    void closeTopic(StructureNode& node, std::int64_t endPosition, std::size_t length);
    void finish();
    bool progressAndAbort(bool force);

    Source source_;
    StructureTree& tree_;
    TopicPageWriter& writer_;
    ScanObserver& observer_;
    bool& outsideTag_;

    std::string topicBuffer_;
    std::int64_t bufferStart_ = 0; // offset of the buffer's first byte in the stream
    std::int64_t tagStart_ = 0;    // offset of the last '<'
    bool sawText_ = false;         // text outside tags before the first topic
    std::optional<PendingHeading> pending_;
    Hidden hidden_ = Hidden::None;
    std::int64_t hiddenStart_ = 0;
    std::string rawTextEnd_; // "</script", "</style" or "</textarea"
    StructureNode* current_ = nullptr;
    int previousLevel_ = 0;
    bool surveying_ = false; // the first pass, which only finds topLevel_
    int topLevel_ = 0;       // the highest heading level present, 0 = none
    int levelsAboveTop_ = 0; // heading level - this = level in the tree
    std::int64_t total_ = 0;
    double startTime_ = 0;
    std::int64_t bytesSinceClock_ = 0;
    std::chrono::steady_clock::time_point lastProgress_;
};

} // namespace qm
