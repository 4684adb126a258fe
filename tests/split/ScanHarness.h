#pragma once

#include "split/HeadingScanner.h"
#include "split/ScanObserver.h"
#include "split/TopicPageWriter.h"
#include "support/TempDir.h"

#include <map>
#include <string>
#include <vector>

namespace qm::test {

// Runs the heading scan over given bytes with pages written into a temporary
// ContentFolder ("x.htm" the uncut page), a fixed page frame and a recording observer;
// links are mended after a finished scan, as the run does.
class ScanHarness : public ScanObserver, public PageSource {
public:
    std::string level = "0";
    std::string after = "[after]";
    std::string prefix;
    std::string suffix;
    int abortAfterNodes = -1; // ask to stop once this many nodes exist
    bool outsideTag = true;

    StructureTree tree;
    std::vector<std::string> written;
    std::vector<std::string> runLog;
    std::vector<std::string> events;

    // Scans the bytes as the work stream; the IntermediateHtml is the same file unless
    // given. Returns scan()'s result.
    bool scan(const std::string& bytes, const std::string& intermediateHtml = {});

    // The page's topic bytes: what lies between the credit line and the page tail.
    std::string topicBytes(const std::string& topicName) const;
    std::string page(const std::string& topicName) const;
    std::filesystem::path content() const { return dir_ / "x.Content"; }
    // The folder of the uncut page x.htm.
    std::filesystem::path folder() const { return dir_.path(); }

    // A node by its pre-order place.
    const StructureNode& node(std::size_t preorder) const;

    std::string levelText() override { return level; }
    void nodeAdded(const StructureNode&) override { ++nodes_; }
    void progress(std::int64_t done, std::int64_t total) override {
        events.push_back(std::to_string(done) + "/" + std::to_string(total));
    }
    bool aborted() override { return abortAfterNodes >= 0 && nodes_ >= abortAfterNodes; }
    std::string afterTitle() override { return after; }
    std::string prefixCode() override { return prefix; }
    std::string suffixCode() override { return suffix; }

private:
    TempDir dir_;
    int nodes_ = 0;
};

} // namespace qm::test
