#include "HelpSitemaps.h"

#include "chm/Sitemap.h"

namespace qm::viewer {

std::vector<TocEntry> contentsFromSitemap(std::string_view utf8, const std::string& charset,
                                          const LocalResolver& resolve) {
    std::vector<TocEntry> out;
    for (const chm::SitemapEntry& e : chm::parseSitemap(utf8).entries) {
        TocEntry entry;
        entry.depth = e.depth;
        entry.name = e.name(charset);
        if (entry.name.empty())
            continue;
        for (const std::string& local : e.locals()) {
            const LinkTarget target = resolve(local);
            if (target.kind == LinkTarget::Kind::Page) {
                entry.path = target.path;
                entry.fragment = target.fragment;
                break;
            }
        }
        out.push_back(std::move(entry));
    }
    return out;
}

std::vector<IndexEntry> indexFromSitemap(std::string_view utf8, const std::string& charset,
                                         const LocalResolver& resolve) {
    std::vector<IndexEntry> out;
    for (const chm::SitemapEntry& e : chm::parseSitemap(utf8).entries) {
        IndexEntry entry;
        entry.depth = e.depth;
        // The first Name is the keyword; a later Name titles the Local after it.
        std::string pendingTitle;
        bool keywordSeen = false;
        for (const chm::SitemapParam& p : e.params) {
            if (p.name == "name") {
                if (keywordSeen)
                    pendingTitle = p.valueIn(charset);
                else
                    entry.keyword = p.valueIn(charset);
                keywordSeen = true;
            } else if (p.name == "see also") {
                entry.seeAlso = p.valueIn(charset);
            } else if (p.name == "local") {
                const LinkTarget target = resolve(p.value);
                if (target.kind == LinkTarget::Kind::Page)
                    entry.targets.push_back({pendingTitle, target.path, target.fragment});
                pendingTitle.clear();
            }
        }
        if (!entry.keyword.empty())
            out.push_back(std::move(entry));
    }
    return out;
}

} // namespace qm::viewer
