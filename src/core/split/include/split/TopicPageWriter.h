#pragma once

#include "split/LinkMender.h"
#include "split/StructureTree.h"
#include "text/ReadStream.h"

#include <filesystem>
#include <string>
#include <vector>

namespace qm {

// What a page takes from the program at the moment it is written (GBK texts).
class PageSource {
public:
    virtual ~PageSource() = default;
    // The text after the title: the source's own head or the built-in one.
    virtual std::string afterTitle() = 0;
    // The additional code around the topic; empty when it is not to be written.
    virtual std::string prefixCode() = 0;
    virtual std::string suffixCode() = 0;
};

// Writes one page per topic into the ContentFolder, named <Title>.<Position>.htm,
// and records the topic names written (document order) and the topics left empty.
// Once the scan is done, mendLinks() points the document's own links at the pages
// that now hold their anchors.
class TopicPageWriter {
public:
    // sourcePageName: the uncut page's file name (GBK), as its own links name it.
    TopicPageWriter(std::filesystem::path contentFolder, PageSource& source,
                    std::vector<std::string>& writtenTopics, std::vector<std::string>& runLog,
                    std::string sourcePageName = {}, std::filesystem::path sourceFolder = {});

    // buffered: the page frames topicBytes; its title element holds the heading.
    // Otherwise the page is a byte copy of the first EndPosition - Position bytes of
    // rawSource (the whole-document topic) whose title says the node's heading. An empty topicBytes
    // writes nothing and logs "<Title>无法建立".
    void writeTopicPage(const StructureNode& node, bool buffered, std::string_view topicBytes,
                        ReadStream* rawSource);

    // After the last page, before the links are mended: the pages written take the
    // names given (without ".htm", one per topic name recorded, in order), the record
    // of the topic names too. Throws qm::Error when a page cannot be renamed; the
    // record then names each page where it is.
    void renamePages(const std::vector<std::string>& names);

    // After the last page: links and notes follow their anchors (see LinkMender).
    void mendLinks() { mender_.mendPages(); }

    // The page's list entry and file name without ".htm": <Title>.<Position>, or the
    // node's own page name when it has one.
    static std::string topicName(const StructureNode& node);

private:
    std::filesystem::path contentFolder_;
    PageSource& source_;
    std::vector<std::string>& writtenTopics_;
    std::vector<std::string>& runLog_;
    LinkMender mender_;
};

} // namespace qm
