#include "viewer/LinkTarget.h"

#include "chm/TextCodec.h"
#include "text/ByteString.h"

#include <cctype>
#include <vector>

namespace qm::viewer {

namespace {

// The scheme of an address ("http", "ms-its", ...), lower case; empty when it has
// none. A single letter is a Windows drive, not a scheme.
std::string schemeOf(std::string_view href) {
    const std::size_t colon = href.find(':');
    if (colon == std::string_view::npos || colon < 2)
        return {};
    for (std::size_t i = 0; i < colon; ++i) {
        const auto c = static_cast<unsigned char>(href[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.' && c != '@')
            return {};
    }
    return chm::asciiLower(href.substr(0, colon));
}

std::string percentDecoded(std::string_view text, const std::string& charset) {
    std::string bytes = percentDecode(text);
    // Every escape shortens the text, so an unchanged length means nothing was escaped.
    const bool escaped = bytes.size() != text.size();
    if (!escaped || chm::isValidUtf8(bytes))
        return bytes;
    return chm::TextCodec(charset).toUtf8(bytes);
}

std::string_view baseName(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

LinkTarget pageTarget(std::string_view fromPath, std::string_view local,
                      const std::string& charset) {
    LinkTarget target;
    target.kind = LinkTarget::Kind::Page;
    const std::size_t hash = local.find('#');
    if (hash != std::string_view::npos)
        target.fragment = percentDecoded(local.substr(hash + 1), charset);
    std::string_view file = local.substr(0, hash);
    file = file.substr(0, file.find('?'));
    const std::string decoded = percentDecoded(file, charset);
    if (decoded.empty())
        target.path = std::string(fromPath);
    else if (decoded.front() == '/' || decoded.front() == '\\')
        target.path = normalizePath(decoded);
    else
        target.path = normalizePath(
            std::string(fromPath.substr(0, fromPath.find_last_of('/') + 1)) + decoded);
    return target;
}

// "ms-its:name.chm::/page.htm", "mk:@MSITStore:C:\dir\name.chm::/page.htm",
// "its:name.chm::/page.htm".
LinkTarget storageTarget(std::string_view href, std::string_view scheme, const std::string& charset,
                         std::string_view chmFileName) {
    std::string_view rest = href.substr(scheme.size() + 1);
    if (scheme == "mk") {
        if (chm::asciiLower(rest.substr(0, 11)) != "@msitstore:")
            return {};
        rest = rest.substr(11);
    }
    const std::size_t separator = rest.find("::");
    const std::string chm = percentDecoded(rest.substr(0, separator), charset);
    if (!chm.empty() && chm::asciiLower(baseName(chm)) != chm::asciiLower(chmFileName))
        return {};
    if (separator == std::string_view::npos)
        return pageTarget("/", "", charset);
    return pageTarget("/", rest.substr(separator + 2), charset);
}

} // namespace

std::string normalizePath(std::string_view path) {
    std::vector<std::string> parts;
    std::string part;
    auto flush = [&] {
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    };
    for (char c : path) {
        if (c == '/' || c == '\\')
            flush();
        else
            part.push_back(c);
    }
    flush();
    std::string out;
    for (const std::string& p : parts)
        out += "/" + p;
    return out.empty() ? "/" : out;
}

LinkTarget resolveLink(std::string_view fromPath, std::string_view href, const std::string& charset,
                       std::string_view chmFileName) {
    // Blanks around an address are no part of it, as in a browser.
    while (!href.empty() && std::isspace(static_cast<unsigned char>(href.front())))
        href.remove_prefix(1);
    while (!href.empty() && std::isspace(static_cast<unsigned char>(href.back())))
        href.remove_suffix(1);
    const std::string scheme = schemeOf(href);
    if (scheme == "http" || scheme == "https" || scheme == "mailto") {
        LinkTarget target;
        target.kind = LinkTarget::Kind::External;
        target.url = std::string(href);
        return target;
    }
    if (scheme == "ms-its" || scheme == "its" || scheme == "mk")
        return storageTarget(href, scheme, charset, chmFileName);
    // Any other scheme, a drive path ("C:\..."), a UNC or protocol-relative address.
    if (!scheme.empty() || href.substr(0, href.find('#')).find(':') != std::string_view::npos ||
        href.substr(0, 2) == "//" || href.substr(0, 2) == "\\\\")
        return {};
    return pageTarget(fromPath, href, charset);
}

} // namespace qm::viewer
