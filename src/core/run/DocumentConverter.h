#pragma once

#include <filesystem>

namespace qm {

// Turns a Word document into Word's HTML: the page at htmlPath (GBK, "charset=gb2312")
// and its pictures in the folder beside it named like htmlPath with ".files". Never
// throws and shows nothing; true exactly when the page has been written.
// useWebPageFormat false asks for filtered HTML, true for the full Web-page dialect;
// the second try of a run uses true, and must be able to succeed where the first failed.
class DocumentConverter {
public:
    virtual ~DocumentConverter() = default;
    virtual bool convert(const std::filesystem::path& docPath,
                         const std::filesystem::path& htmlPath, bool useWebPageFormat) = 0;
};

} // namespace qm
