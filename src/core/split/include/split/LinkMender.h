#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qm {

// Keeps the document's own links working after the cut. A link to an anchor of the
// uncut page ("#_Toc1", "manual.htm#_Toc1": Word's contents, bookmarks, cross-
// references, notes, "back to top") names a place that now lies in some topic page;
// once every page is written, the link is pointed at that page. Footnotes and
// endnotes, which Word and LibreOffice put at the end of the document, move to the end
// of the one topic that cites them. A relative reference to a file beside the uncut
// page (a picture or page that is not in the pictures folder copied with the topics)
// is pointed at it from the topic pages' folder, or, when the uncut page lies outside
// the project's folder, the file is copied beside the topic pages. Nothing else of a page changes:
// its frame stays, and links whose anchor or file exists nowhere stay as they were. All texts are
// GBK.
class LinkMender {
public:
    // sourcePageName: the uncut page's file name, as links naming it write it;
    // sourceFolder: the folder it lies in.
    explicit LinkMender(std::string sourcePageName = {}, std::filesystem::path sourceFolder = {});

    // A page just written: its file, its file name as links write it, and where the
    // topic's bytes (topicBytes) start in the file.
    void notePage(const std::filesystem::path& file, const std::string& name,
                  std::size_t topicStart, std::string_view topicBytes);

    // Pages renamed since they were noted: file names (GBK, as links write them), old →
    // new, in the same folder.
    void renamePages(const std::unordered_map<std::string, std::string>& names);

    // Rewrites the pages whose links or notes change, each file replaced whole.
    // Returns the number of pages rewritten.
    std::size_t mendPages();

private:
    struct Link {
        std::size_t offset = 0; // of the href value in the topic
        std::size_t length = 0;
        std::string fragment; // as written after '#'
        std::string anchor;   // the fragment decoded
        std::string rebased;  // for a file beside the uncut page: the value that reaches it
    };
    struct Note {
        std::size_t offset = 0; // of its "<div" in the topic
        std::size_t length = 0; // through its "</div>"; 0 while unclosed
        std::string bytes;
        std::vector<std::string> anchors;
        bool movesOut = false;
    };
    struct Page {
        std::filesystem::path file;
        std::string name;
        std::size_t topicStart = 0;
        std::size_t topicLength = 0;
        std::vector<Link> links;
        std::vector<Note> notes;
        std::vector<std::pair<std::size_t, std::size_t>> incoming; // (page, note index)
    };

    bool namesSourcePage(std::string_view path) const;
    std::string reachFromTopics(std::string_view value, const std::filesystem::path& pageFolder);
    void placeNotes();
    std::string mendedLinks(std::size_t page, std::string_view bytes,
                            const std::vector<Link>& links, std::size_t base,
                            const std::vector<Note>& dropped) const;
    bool rewrite(std::size_t page);

    std::string sourcePageName_;
    std::filesystem::path sourceFolder_;
    std::vector<Page> pages_;
    std::unordered_map<std::string, std::size_t> anchorPage_; // the first page holding it
};

} // namespace qm
