#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The sitemap format of contents (.hhc) and index (.hhk) files: nested <UL> lists of
// <OBJECT type="text/sitemap"> entries with <param name=... value=...> children, and an
// optional <OBJECT type="text/site properties"> with settings for the whole file.
namespace qm::chm {

struct SitemapParam {
    std::string name;  // ASCII lower case ("name", "local", "imagenumber", ...)
    std::string value; // UTF-8, character references decoded as Unicode
    std::string raw{}; // UTF-8 as written, when it has character references

    // The value as HTML Help Workshop reads it in a project's code page (charset):
    // references below 256 are bytes of the code page (see decodeEntities).
    std::string valueIn(const std::string& charset) const;
};

struct SitemapEntry {
    int depth = 0; // 0 for the outermost list
    std::vector<SitemapParam> params;

    // The first "Name" value (an index entry may carry several), or empty; with a
    // charset, read in that code page (SitemapParam::valueIn).
    std::string name() const;
    std::string name(const std::string& charset) const;
    // Every "Local" value, in order.
    std::vector<std::string> locals() const;
};

struct Sitemap {
    std::vector<SitemapParam> properties; // of "text/site properties"
    std::vector<SitemapEntry> entries;    // in document order

    // The value of a site property (name compared ignoring ASCII case), or empty.
    std::string property(std::string_view name) const;
};

// Parses sitemap text (UTF-8; the caller decodes the file from the project's code
// page). Never fails: anything that is not understood is passed over.
Sitemap parseSitemap(std::string_view utf8);

} // namespace qm::chm
