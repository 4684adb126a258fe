#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qm::text {

// A path named by UTF-8 text, and a path's UTF-8 text. The narrow forms of
// std::filesystem are in Windows' ANSI code page there, which cannot name every file.
inline std::filesystem::path utf8Path(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string utf8Text(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace qm::text
