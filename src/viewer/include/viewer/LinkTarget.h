#pragma once

#include <string>
#include <string_view>

namespace qm::viewer {

// Where a link of the help leads, decided without opening anything.
struct LinkTarget {
    enum class Kind {
        Page,     // a file of this CHM: a page, a picture, a style sheet
        External, // http:, https: or mailto:, for the user's own programs
        Refused,  // file:, another CHM, javascript:, a drive path, any other scheme
    };
    Kind kind = Kind::Refused;
    std::string path;     // Page: "/dir/name.htm" (UTF-8), "." and ".." resolved
    std::string fragment; // Page: the anchor, without '#'; empty when none
    std::string url;      // External: the address as written
};

// Resolves a link (UTF-8, as the page's text holds it; percent-escapes may remain)
// found on the page named fromPath ("/dir/page.htm"). Percent-escaped bytes that are
// not UTF-8 are read in charset, the CHM's code page, as Windows' viewer reads them.
// ms-its:, its: and mk:@MSITStore: links lead into this CHM when they name chmFileName
// (compared ignoring ASCII case) or no CHM at all.
LinkTarget resolveLink(std::string_view fromPath, std::string_view href, const std::string& charset,
                       std::string_view chmFileName);

// "." and ".." segments resolved and backslashes made slashes; the result starts
// with '/'. A ".." at the root stays at the root.
std::string normalizePath(std::string_view path);

} // namespace qm::viewer
