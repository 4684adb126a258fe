#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qm::chm {

// #STRINGS: zero-terminated strings in the project's code page that #WINDOWS,
// #TOPICS, #IDXHDR and #IVB refer to by offset. It starts with one zero byte (offset 0
// is the empty string), stores each distinct string once, and never lets a string
// cross a 4096-byte page, as HTML Help Workshop lays it out.
class StringsFile {
public:
    StringsFile();

    // The offset of the string (bytes in the project's code page), added if new.
    std::uint32_t add(std::string_view bytes);

    const std::string& bytes() const { return data_; }

private:
    std::string data_;
    std::unordered_map<std::string, std::uint32_t> offsets_;
};

} // namespace qm::chm
