#include "split/LinkMender.h"

#include "html/HtmlTags.h"
#include "platform/Files.h"
#include "text/ByteString.h"
#include "text/Error.h"
#include "text/Gbk.h"
#include "text/LinkOnTheWay.h"
#include "text/OutputFile.h"
#include "text/ReadStream.h"
#include "text/Utf8Path.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace qm {
namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// The note blocks of Word (div ftn1, edn1) and LibreOffice (div sdfootnote1, sdendnote1).
bool isNoteId(std::string_view id) {
    for (std::string_view prefix : {"ftn", "edn", "sdfootnote", "sdendnote"}) {
        if (id.size() > prefix.size() && id.starts_with(prefix) &&
            std::all_of(id.begin() + static_cast<std::ptrdiff_t>(prefix.size()), id.end(),
                        [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            return true;
    }
    return false;
}

std::string anchorKey(std::string_view raw) {
    return percentDecode(raw);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool within(std::size_t offset, std::size_t start, std::size_t length) {
    return offset >= start && offset < start + length;
}

// The attributes that name a file for the page to show or link to.
const html::Attribute* fileReference(const html::Tag& tag) {
    if (tag.is("a") || tag.is("area") || tag.is("link"))
        return tag.attribute("href");
    for (std::string_view name : {"img", "script", "embed", "frame", "iframe", "input", "source",
                                  "bgsound", "v:imagedata", "v:fill"})
        if (tag.is(name))
            return tag.attribute("src");
    return tag.attribute("background");
}

} // namespace

LinkMender::LinkMender(std::string sourcePageName, std::filesystem::path sourceFolder)
    : sourcePageName_(std::move(sourcePageName)), sourceFolder_(std::move(sourceFolder)) {}

// A relative reference that reaches no file from the topic pages' folder but one beside
// the uncut page: written to reach that file when the uncut page lies in the project's
// folder (the topic pages' parent); otherwise (an output folder) the file is copied
// beside the topic pages, where the reference as written finds it. Returns the new
// value, or empty when the reference stays.
std::string LinkMender::reachFromTopics(std::string_view value,
                                        const std::filesystem::path& pageFolder) {
    namespace fs = std::filesystem;
    if (sourceFolder_.empty() || value.empty() || value.front() == '#' || value.front() == '/' ||
        value.front() == '\\')
        return {};
    const std::string_view path = value.substr(0, value.find_first_of("#?"));
    const std::size_t colon = path.find(':');
    if (path.empty() || (colon != std::string_view::npos && colon < path.find('/')) ||
        namesSourcePage(path))
        return {}; // a scheme, a drive, or the uncut page itself
    const fs::path relative = text::utf8Path(gbk::toUtf8(percentDecode(path))).lexically_normal();
    std::error_code ec;
    if (fs::exists(pageFolder / relative, ec) ||
        entryKind(sourceFolder_ / relative) != EntryKind::File)
        return {};
    const fs::path source = fs::weakly_canonical(sourceFolder_, ec);
    const fs::path pages = fs::weakly_canonical(pageFolder, ec);
    const fs::path fromProject = source.lexically_relative(pages.parent_path());
    if (ec || fromProject.empty())
        return {};
    if (*fromProject.begin() != "..") {
        const std::u8string prefix = source.lexically_relative(pages).generic_u8string();
        return gbk::fromUtf8(std::string(prefix.begin(), prefix.end())) + "/" + std::string(value);
    }
    if (!relative.empty() && *relative.begin() != ".." && relative.is_relative() &&
        !linkOnTheWay(pageFolder, relative)) {
        fs::create_directories((pageFolder / relative).parent_path(), ec);
        try {
            copyFile(sourceFolder_ / relative, pageFolder / relative);
        } catch (const Error&) {
            // as a file that is not there: the link stays as it was written
        }
    }
    return {};
}

bool LinkMender::namesSourcePage(std::string_view path) const {
    std::string decoded = percentDecode(path);
    std::string_view name(decoded);
    if (name.starts_with("./"))
        name.remove_prefix(2);
    return !sourcePageName_.empty() && equalsIgnoringCase(name, sourcePageName_);
}

void LinkMender::renamePages(const std::unordered_map<std::string, std::string>& names) {
    for (Page& page : pages_) {
        auto found = names.find(page.name);
        if (found == names.end())
            continue;
        page.name = found->second;
        page.file = page.file.parent_path() / gbk::toPath(found->second);
    }
}

void LinkMender::notePage(const std::filesystem::path& file, const std::string& name,
                          std::size_t topicStart, std::string_view topicBytes) {
    std::size_t index = pages_.size();
    Page page{file, name, topicStart, topicBytes.size(), {}, {}, {}};
    std::vector<std::size_t> openDivs; // note index, or kNone for another div
    auto addAnchor = [&](std::string_view raw) {
        if (raw.empty())
            return;
        std::string key = anchorKey(raw);
        anchorPage_.emplace(key, index);
        for (std::size_t div : openDivs)
            if (div != kNone)
                page.notes[div].anchors.push_back(key);
    };
    html::forEachTag(topicBytes, [&](const html::Tag& tag) {
        if (tag.closing) {
            if (tag.is("div") && !openDivs.empty()) {
                std::size_t div = openDivs.back();
                openDivs.pop_back();
                if (div != kNone) {
                    Note& note = page.notes[div];
                    note.length = tag.end - note.offset;
                    note.bytes = topicBytes.substr(note.offset, note.length);
                }
            }
            return true;
        }
        if (tag.is("div")) {
            const html::Attribute* id = tag.attribute("id");
            if (id != nullptr && isNoteId(id->value)) {
                openDivs.push_back(page.notes.size());
                page.notes.push_back(Note{tag.offset, 0, {}, {}, false});
            } else {
                openDivs.push_back(kNone);
            }
        }
        if (const html::Attribute* id = tag.attribute("id"))
            addAnchor(id->value);
        const html::Attribute* reference = fileReference(tag);
        if (reference != nullptr) {
            std::string value = reachFromTopics(reference->value, file.parent_path());
            if (!value.empty()) {
                page.links.push_back(Link{
                    reference->valueOffset, reference->value.size(), {}, {}, std::move(value)});
                reference = nullptr; // mended already
            }
        }
        if (!tag.is("a") && !tag.is("area"))
            return true;
        if (const html::Attribute* anchorName = tag.attribute("name"))
            addAnchor(anchorName->value);
        const html::Attribute* href = reference;
        if (href == nullptr)
            return true;
        std::size_t hash = href->value.find('#');
        if (hash == std::string_view::npos || hash + 1 == href->value.size())
            return true;
        std::string_view path = href->value.substr(0, hash);
        if (!path.empty() && !namesSourcePage(path))
            return true;
        std::string_view fragment = href->value.substr(hash + 1);
        page.links.push_back(Link{
            href->valueOffset, href->value.size(), std::string(fragment), anchorKey(fragment), {}});
        return true;
    });
    std::erase_if(page.notes, [](const Note& note) { return note.length == 0; });
    pages_.push_back(std::move(page));
}

// A note cited from exactly one other page moves there; its anchors go with it.
void LinkMender::placeNotes() {
    std::unordered_map<std::string, std::pair<std::size_t, std::size_t>> noteOf;
    for (std::size_t p = 0; p < pages_.size(); ++p)
        for (std::size_t n = 0; n < pages_[p].notes.size(); ++n)
            for (const std::string& anchor : pages_[p].notes[n].anchors)
                noteOf.emplace(anchor, std::make_pair(p, n));

    std::vector<std::vector<std::size_t>> citer(pages_.size());
    for (std::size_t p = 0; p < pages_.size(); ++p)
        citer[p].assign(pages_[p].notes.size(), kNone);
    for (std::size_t q = 0; q < pages_.size(); ++q) {
        for (const Link& link : pages_[q].links) {
            auto found = noteOf.find(link.anchor);
            if (found == noteOf.end())
                continue;
            auto [p, n] = found->second;
            const Note& note = pages_[p].notes[n];
            if (q == p && within(link.offset, note.offset, note.length))
                continue; // the note's own link back to its citation
            std::size_t& who = citer[p][n];
            who = (who == kNone || who == q) ? q : kNone - 1; // kNone - 1: cited twice
        }
    }
    for (std::size_t p = 0; p < pages_.size(); ++p) {
        for (std::size_t n = 0; n < pages_[p].notes.size(); ++n) {
            std::size_t q = citer[p][n];
            if (q >= pages_.size() || q == p)
                continue;
            Note& note = pages_[p].notes[n];
            note.movesOut = true;
            pages_[q].incoming.emplace_back(p, n);
            for (const std::string& anchor : note.anchors)
                anchorPage_[anchor] = q;
        }
    }
}

std::string LinkMender::mendedLinks(std::size_t page, std::string_view bytes,
                                    const std::vector<Link>& links, std::size_t base,
                                    const std::vector<Note>& dropped) const {
    std::vector<html::Edit> edits;
    for (const Note& note : dropped)
        edits.push_back({note.offset - base, note.length, {}});
    for (const Link& link : links) {
        if (link.offset < base || link.offset - base >= bytes.size())
            continue;
        bool inDropped = std::any_of(dropped.begin(), dropped.end(), [&](const Note& note) {
            return within(link.offset, note.offset, note.length);
        });
        if (inDropped)
            continue;
        if (!link.rebased.empty()) {
            edits.push_back({link.offset - base, link.length, link.rebased});
            continue;
        }
        auto target = anchorPage_.find(link.anchor);
        if (target == anchorPage_.end())
            continue;
        std::string value = (target->second == page ? std::string() : pages_[target->second].name) +
                            "#" + link.fragment;
        if (value != bytes.substr(link.offset - base, link.length))
            edits.push_back({link.offset - base, link.length, value});
    }
    return edits.empty() ? std::string(bytes) : html::applyEdits(bytes, std::move(edits));
}

bool LinkMender::rewrite(std::size_t p) {
    const Page& page = pages_[p];
    std::string file = readWholeFile(page.file);
    if (file.size() < page.topicStart + page.topicLength)
        return false; // changed under us: leave it
    std::string_view topic = std::string_view(file).substr(page.topicStart, page.topicLength);

    std::vector<Note> dropped;
    for (const Note& note : page.notes)
        if (note.movesOut)
            dropped.push_back(note);
    std::string mended = mendedLinks(p, topic, page.links, 0, dropped);
    for (auto [q, n] : page.incoming) {
        const Note& note = pages_[q].notes[n];
        mended += mendedLinks(p, note.bytes, pages_[q].links, note.offset, {});
    }
    if (mended == topic)
        return false;
    OutputFile out(page.file);
    out.write(std::string_view(file).substr(0, page.topicStart));
    out.write(mended);
    out.write(std::string_view(file).substr(page.topicStart + page.topicLength));
    out.commit();
    return true;
}

std::size_t LinkMender::mendPages() {
    placeNotes();
    std::size_t rewritten = 0;
    for (std::size_t p = 0; p < pages_.size(); ++p) {
        const Page& page = pages_[p];
        bool notesLeave = std::any_of(page.notes.begin(), page.notes.end(),
                                      [](const Note& note) { return note.movesOut; });
        if ((!page.links.empty() || !page.incoming.empty() || notesLeave) && rewrite(p))
            ++rewritten;
    }
    return rewritten;
}

} // namespace qm
