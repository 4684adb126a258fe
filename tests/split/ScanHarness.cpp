#include "ScanHarness.h"

#include "split/PageFrame.h"
#include "text/Gbk.h"

namespace qm::test {

bool ScanHarness::scan(const std::string& bytes, const std::string& intermediateHtml) {
    writeFile(dir_ / "x.htm.tmp1", bytes);
    writeFile(dir_ / "x.htm", intermediateHtml.empty() ? bytes : intermediateHtml);
    std::filesystem::create_directories(content());
    std::unique_ptr<ReadStream> stream = std::make_unique<ReadStream>(dir_ / "x.htm.tmp1");
    TopicPageWriter writer(content(), *this, written, runLog, "x.htm", dir_.path());
    HeadingScanner scanner({stream, dir_ / "x.htm", "x"}, tree, writer, *this, outsideTag);
    bool finished = scanner.scanHeadings();
    if (finished)
        writer.mendLinks();
    return finished;
}

std::string ScanHarness::page(const std::string& topicName) const {
    return readFile(content() / gbk::toPath(topicName + ".htm"));
}

std::string ScanHarness::topicBytes(const std::string& topicName) const {
    std::string p = page(topicName);
    std::size_t start = p.find(creditLine());
    if (start == std::string::npos)
        return "<no credit line>";
    start += creditLine().size() + prefix.size();
    std::size_t end = p.size() - pageFrameTail().size() - suffix.size();
    return p.substr(start, end - start);
}

const StructureNode& ScanHarness::node(std::size_t preorder) const {
    const StructureNode* found = nullptr;
    std::size_t i = 0;
    tree.forEach([&](const StructureNode& n) {
        if (i++ == preorder)
            found = &n;
    });
    if (!found)
        throw std::out_of_range("no such node");
    return *found;
}

} // namespace qm::test
