#pragma once

#include <filesystem>
#include <string>

namespace qm::test {

// The document text that the splitter cuts out of a Word page on disk (the body
// extraction as the generation run calls it); the working file is removed again.
std::string bodySlice(const std::filesystem::path& page);

} // namespace qm::test
