#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qm {

// The longest file name a file system takes, in bytes of its name on disk.
inline constexpr std::size_t kMaxFileNameBytes = 255;
// What OutputFile adds to a name for its temporary file ("." before, ".part" after).
inline constexpr std::size_t kTemporarySuffixBytes = 6;

// What becomes of blanks inside a name: page names drop them all; a document's name
// keeps single spaces between words (leading and trailing blanks always go: a project
// file would lose them).
enum class Blanks { Drop, KeepInner };

// A GBK text made safe as part of a file name, of an address inside a CHM and of a
// line of a project file: control bytes and blanks (see Blanks), the characters no
// file system takes (" * / : < > ? \ |), those that end or escape an address
// (# % & ; ?) and ' [ ] are left out, and so is every character reference "&#N;" that
// stands for a character GBK cannot hold. Double-byte characters stay whole. The
// result is cut at a character boundary so that its name on disk (UTF-8 here) takes at
// most maxDiskBytes bytes.
std::string safeName(std::string_view gbk, std::size_t maxDiskBytes, Blanks blanks = Blanks::Drop);

} // namespace qm
