#pragma once

#include "viewer/ChmSource.h"
#include "viewer/LinkTarget.h"
#include "viewer/TopicTable.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::viewer {

// An entry of the contents tree, in the order of the .hhc inside the CHM.
struct TocEntry {
    int depth = 0;        // 0 for the outermost level
    std::string name;     // UTF-8
    std::string path;     // the page it opens ("/dir/page.htm"); empty for a heading alone
    std::string fragment; // the anchor within the page, without '#'
};

// A page an index keyword leads to.
struct IndexTarget {
    std::string title; // UTF-8: the name the .hhk gives it, else the topic's title
    std::string path;
    std::string fragment;
};

// A keyword of the index, in the order of the .hhk inside the CHM.
struct IndexEntry {
    int depth = 0;
    std::string keyword; // UTF-8
    std::vector<IndexTarget> targets;
    std::string seeAlso; // UTF-8: the keyword a "see also" entry sends the reader to
};

// One compiled help file as its readers see it: title, contents, index, pages and
// context numbers, read from the CHM itself. Every text it hands out is UTF-8, decoded
// in the CHM's code page (from its language identifier) where the CHM stores bytes of
// it. A damaged table leaves its part empty; nothing here throws after construction.
class HelpFile {
public:
    // chmFileName is the CHM's own file name, for ms-its: links into it.
    HelpFile(std::unique_ptr<ChmSource> source, std::string chmFileName);
    // Opens a CHM on disk through chmlib; throws qm::Error when it is no CHM.
    static std::unique_ptr<HelpFile> open(const std::filesystem::path& chm);

    const std::string& title() const { return title_; }     // the file name when it has none
    const std::string& charset() const { return charset_; } // ICU name of its code page
    std::uint32_t lcid() const { return lcid_; }
    // The page to show first: the default topic, else the first of the contents, else
    // the first page; empty for a CHM without pages.
    const std::string& defaultTopic() const { return defaultTopic_; }
    const std::vector<TocEntry>& contents() const { return contents_; }
    const std::vector<IndexEntry>& index() const { return index_; }
    // The topics of #TOPICS, decoded to UTF-8, url with a leading '/'.
    const std::vector<TopicRow>& topics() const { return topics_; }
    // The names of the pages (.htm, .html), in the container's order.
    std::vector<std::string> pages() const;

    // The name under which the CHM holds path, matched as Windows' viewer matches it
    // (ignoring ASCII case); nullopt when it holds none.
    std::optional<std::string> findFile(std::string_view path) const;
    std::optional<std::string> readFile(std::string_view path) const;
    // A page's text as UTF-8, decoded from the charset it declares, else the CHM's.
    std::optional<std::string> pageHtml(std::string_view path) const;
    // The ICU charset a page's bytes are read in: the one it declares, else the CHM's.
    std::string charsetOf(std::string_view pageBytes) const;
    // The title the help gives a page: its topic's, else the file name.
    std::string titleOf(std::string_view path) const;
    // Where a link on the page fromPath leads.
    LinkTarget resolve(std::string_view fromPath, std::string_view href) const;
    // The page (and anchor) a context number opens (#IVB); nullopt when the CHM maps no
    // such number.
    std::optional<LinkTarget> pageForContextId(std::uint32_t id) const;
    const std::map<std::uint32_t, LinkTarget>& contextIds() const { return contextIds_; }

    const ChmSource& source() const { return *source_; }

private:
    std::string decode(std::string_view bytes) const;
    std::optional<std::string> readSystemFile(const std::string& name) const;
    void readTables();
    void readSitemaps(const std::string& contentsFile, const std::string& indexFile);

    std::unique_ptr<ChmSource> source_;
    std::string chmFileName_;
    std::map<std::string, std::string> namesFolded_; // ASCII lower case → name
    std::vector<std::string> names_;
    std::string title_;
    std::string charset_ = "windows-1252";
    std::uint32_t lcid_ = 0x409;
    std::string defaultTopic_;
    std::vector<TocEntry> contents_;
    std::vector<IndexEntry> index_;
    std::vector<TopicRow> topics_;
    std::map<std::uint32_t, LinkTarget> contextIds_; // number → page
};

} // namespace qm::viewer
