#pragma once

#include "split/StructureTree.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qm {

// The contents (.hhc) and index (.hhk) files: the same tree of entries, one per
// structure node, each named by the node's heading and linking its page in the content
// folder (<ContentFolderPrefix><Title>.<Position>.htm, or its own page name). GBK text, CR LF. The
// heading is escaped with &quot; &amp; &lt; &gt; only: compilers read other named entities as bytes
// of the project's code page.
class SitemapWriter {
public:
    explicit SitemapWriter(std::string contentFolderPrefix);

    // Appends the entry of node and, nested in "<UL>"/"</UL>", of its subtree.
    void addSitemapBranch(std::vector<std::string>& contents, std::vector<std::string>& index,
                          const StructureNode& node) const;
    // Appends the entry of node alone: its heading, and its page in the content folder.
    void addSitemapEntry(std::vector<std::string>& contents, std::vector<std::string>& index,
                         const StructureNode& node) const;

    // The two files' lines for a whole tree.
    void build(const StructureTree& tree, std::vector<std::string>& contents,
               std::vector<std::string>& index) const;

private:
    std::string prefix_;
};

// Writes <hhc> then <hhk>; a failure raises qm::Error (the contents file may stay).
void writeContentsAndIndex(const StructureTree& tree, const std::string& contentFolderPrefix,
                           const std::filesystem::path& hhc, const std::filesystem::path& hhk);

} // namespace qm
