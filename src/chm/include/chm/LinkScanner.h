#pragma once

#include <string>
#include <string_view>
#include <vector>

// What a page (or a style sheet) needs from the compiler: its charset, its title and
// the local files it refers to, so that they travel into the CHM with it.
namespace qm::chm {

struct PageLinks {
    std::string charset;        // the ICU charset the page was read in
    std::string unknownCharset; // the charset the page declares when it is not known
    std::string title;          // UTF-8, blanks collapsed; empty when the page has none
    // References to local files (UTF-8): character references and percent-escapes
    // decoded, fragment and query removed, as written otherwise (relative to the
    // page's folder, or to the root when they start with '/'). Links with a scheme
    // (http:, mailto:, ms-its:, a drive letter, ...), fragments alone and
    // protocol-relative links are left out.
    std::vector<std::string> links;
    // Hyperlinks (a, area) to local files and to the internet (http:, https:, ftp:,
    // mailto:, news:), for the compile summary.
    int localLinks = 0;
    int internetLinks = 0;
};

// The charset a page declares: a byte-order mark, then <meta charset> or
// <meta http-equiv="Content-Type" content="...; charset=...">. Empty if none.
std::string declaredCharset(std::string_view page);

// Scans a page. The fallback charset (the project's code page) applies when the page
// declares none. Links come from href (a, area, link), src (img, script, frame,
// iframe, embed, input, bgsound, audio, video, source, track), background, lowsrc,
// dynsrc, object data, <param> values naming files, meta refresh targets, CSS url() in
// <style> blocks and style attributes, and VML pictures (v:imagedata, v:fill src). The
// markup inside conditional comments counts; other comments do not.
PageLinks scanPage(std::string_view page, const std::string& fallbackCharset);

// The url() and @import references of a style sheet.
std::vector<std::string> scanStyleSheet(std::string_view css, const std::string& charset);

// Text (UTF-8) of a page: the bytes converted from its charset, a UTF-16 page included.
std::string pageToUtf8(std::string_view page, const std::string& charset);

// True when a reference names a local file (no scheme, not only a fragment).
bool isLocalReference(std::string_view url);

// A raw reference (in the page's charset) → the local file name it means (UTF-8), or
// empty when it is not local.
std::string decodeReference(std::string_view raw, const std::string& charset);

} // namespace qm::chm
