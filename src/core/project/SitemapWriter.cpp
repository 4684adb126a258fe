#include "project/SitemapWriter.h"

#include "html/Escape.h"
#include "split/TopicPageWriter.h"
#include "text/OutputFile.h"

namespace qm {
namespace {

// Headings keep the references of the characters GBK cannot hold.
constexpr html::EscapeOptions kTitle{.keepNumericReferences = true};

const std::string kContentsHeader =
    "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\"> \r\n<HTML> \r\n<HEAD> \r\n<meta "
    "name=\"GENERATOR\" content=\"Microsoft&reg; HTML Help Workshop 4.1\"> \r\n<!-- Sitemap 1.0 "
    "--> \r\n</HEAD><BODY><UL>";
const std::string kFooter = "</UL></BODY></HTML>";

} // namespace

SitemapWriter::SitemapWriter(std::string contentFolderPrefix)
    : prefix_(std::move(contentFolderPrefix)) {}

void SitemapWriter::addSitemapEntry(std::vector<std::string>& contents,
                                    std::vector<std::string>& index,
                                    const StructureNode& node) const {
    std::string local = prefix_ + TopicPageWriter::topicName(node) + ".htm";
    std::string open = "<LI> <OBJECT type=\"text/sitemap\"> \r\n";
    std::string name = "<param name=\"Name\" value=\"" +
                       html::escape(node.heading.empty() ? node.title : node.heading, kTitle) +
                       "\"> \r\n";
    std::string tail = "<param name=\"Local\" value=\"" + local + "\"> \r\n</OBJECT> ";
    contents.push_back(open + name + tail);
    index.push_back(open + name + name + tail);
}

void SitemapWriter::addSitemapBranch(std::vector<std::string>& contents,
                                     std::vector<std::string>& index,
                                     const StructureNode& node) const {
    addSitemapEntry(contents, index, node);
    if (node.children.empty())
        return;
    contents.push_back("<UL>");
    index.push_back("<UL>");
    for (const auto& child : node.children)
        addSitemapBranch(contents, index, *child);
    contents.push_back("</UL>");
    index.push_back("</UL>");
}

void SitemapWriter::build(const StructureTree& tree, std::vector<std::string>& contents,
                          std::vector<std::string>& index) const {
    contents.push_back(kContentsHeader);
    index.push_back(kContentsHeader + " ");
    for (const auto& root : tree.roots())
        addSitemapBranch(contents, index, *root);
    contents.push_back(kFooter);
    index.push_back(kFooter);
}

void writeContentsAndIndex(const StructureTree& tree, const std::string& contentFolderPrefix,
                           const std::filesystem::path& hhc, const std::filesystem::path& hhk) {
    std::vector<std::string> contents;
    std::vector<std::string> index;
    SitemapWriter(contentFolderPrefix).build(tree, contents, index);
    saveLines(hhc, contents);
    saveLines(hhk, index);
}

} // namespace qm
