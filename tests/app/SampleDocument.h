#pragma once

#include <filesystem>
#include <string_view>

namespace qm::test {

// Writes <folder>/<name>.htm: a page as Word saves it (GBK, "charset=gb2312", a body
// with a Section1 div) with a preface, then `chapters` level-1 headings in Chinese,
// each with two level-2 sections, the second of which has a level-3 subsection.
std::filesystem::path writeSampleDocument(const std::filesystem::path& folder,
                                          std::string_view name, int chapters);

} // namespace qm::test
