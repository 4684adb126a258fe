#include "chm/FileGatherer.h"

#include "chm/LinkScanner.h"
#include "chm/TextCodec.h"
#include "text/ByteString.h"

#include <deque>
#include <set>
#include <unordered_map>

namespace qm::chm {
namespace {

enum class Kind { Page, StyleSheet, Sitemap, Picture, Other };

Kind kindOf(std::string_view name) {
    std::size_t dot = name.rfind('.');
    std::string ext = dot == std::string_view::npos ? std::string() : asciiLower(name.substr(dot));
    if (ext == ".htm" || ext == ".html" || ext == ".xhtml" || ext == ".shtml" || ext == ".hta" ||
        ext == ".stm" || ext == ".asp")
        return Kind::Page;
    if (ext == ".css")
        return Kind::StyleSheet;
    if (ext == ".hhc" || ext == ".hhk")
        return Kind::Sitemap;
    if (ext == ".gif" || ext == ".jpg" || ext == ".jpeg" || ext == ".png" || ext == ".bmp" ||
        ext == ".ico" || ext == ".wmf" || ext == ".emf" || ext == ".tif" || ext == ".tiff" ||
        ext == ".svg")
        return Kind::Picture;
    return Kind::Other;
}

// A path from the root of a disk ("/etc/passwd", "C:\\x.htm", "\\\\server\\x.htm"); in
// the project file a leading slash means that too, as it does on Windows.
bool isAbsoluteReference(std::string_view ref, bool fromProject) {
    if (ref.size() >= 2 && ref[1] == ':' &&
        ((ref[0] >= 'A' && ref[0] <= 'Z') || (ref[0] >= 'a' && ref[0] <= 'z')))
        return true;
    if (ref.size() >= 2 && (ref[0] == '/' || ref[0] == '\\') && (ref[1] == '/' || ref[1] == '\\'))
        return true;
    return fromProject && !ref.empty() && (ref[0] == '/' || ref[0] == '\\');
}

// The IDs of a text-popup file: each entry opens with a line ".topic ID".
void collectPopupTopics(std::string_view text, std::set<std::string>& topics) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string_view line =
            trimBlanks(text.substr(start, end == std::string_view::npos ? text.npos : end - start));
        start = end == std::string_view::npos ? text.size() : end + 1;
        if (line.size() > 7 && asciiLower(line.substr(0, 6)) == ".topic" &&
            (line[6] == ' ' || line[6] == '\t')) {
            std::string_view id = trimBlanks(line.substr(7));
            id = id.substr(0, id.find_first_of(" \t"));
            if (!id.empty())
                topics.emplace(id);
        }
    }
}

class Gatherer {
public:
    Gatherer(const Project& project, DiskLookup& disk, Reporter& reporter,
             const GatheredFileSink& sink)
        : project_(project), disk_(disk), reporter_(reporter), sink_(sink) {}

    GatheredProject run() {
        for (const std::string& file : project_.files)
            add("", file, reporter_.text(Msg::FileOfFiles, {file}), true);

        if (!project_.contentsFile.empty()) {
            result_.contentsFile =
                add("", project_.contentsFile,
                    reporter_.text(Msg::ContentsFile, {project_.contentsFile}), true);
            if (result_.contentsFile)
                result_.contents = readSitemap(*result_.contentsFile, true);
        }
        if (!project_.indexFile.empty()) {
            result_.indexFile = add("", project_.indexFile,
                                    reporter_.text(Msg::IndexFile, {project_.indexFile}), true);
            if (result_.indexFile)
                result_.index = readSitemap(*result_.indexFile, false);
        }
        if (!project_.defaultTopic.empty())
            add("", project_.defaultTopic,
                reporter_.text(Msg::DefaultTopic, {project_.defaultTopic}), true);
        for (const WindowDef& w : project_.windows)
            for (const std::string* file :
                 {&w.toc, &w.index, &w.defaultFile, &w.homeFile, &w.jump1Url, &w.jump2Url})
                if (!file->empty() && isLocalReference(*file))
                    add("", *file, reporter_.text(Msg::FileOfWindow, {*file, w.name}), true);
        for (const AliasDef& alias : project_.aliases)
            add("", alias.file, reporter_.text(Msg::FileOfAlias, {alias.file, alias.id}), true);
        // Stored as they are: the viewer reads a popup's text from the file in the CHM.
        for (const std::string& file : project_.textPopups)
            if (std::optional<std::size_t> index =
                    add("", file, reporter_.text(Msg::TextPopupFile, {file}), true))
                collectPopupTopics(readAgain(*index), result_.popupTopics);

        while (!pending_.empty()) {
            Links links = std::move(pending_.front());
            pending_.pop_front();
            for (const std::string& link : links.targets)
                add(links.folder, link, reporter_.text(Msg::RefersTo, {links.from, link}));
        }
        return std::move(result_);
    }

private:
    // Adds the file a reference names (relative to folder) unless it is in already.
    // what: how a warning names the reference when the file is missing.
    std::optional<std::size_t> add(const std::string& folder, std::string_view reference,
                                   const std::string& what, bool fromProject = false) {
        std::string cleaned(reference);
        std::size_t cut = cleaned.find_first_of("#?");
        if (cut != std::string::npos)
            cleaned.resize(cut);
        std::optional<std::string> name = joinProjectPath(folder, cleaned);
        if (!name || isAbsoluteReference(cleaned, fromProject)) {
            warnOnce(Msg::LeftOutOutside, what);
            return std::nullopt;
        }
        auto known = result_.byFoldedName.find(foldCase(*name));
        if (known != result_.byFoldedName.end())
            return known->second;
        std::optional<DiskLookup::Found> found = disk_.findFile(*name);
        if (!found) {
            warnOnce(Msg::LeftOutMissing, what);
            return std::nullopt;
        }
        if (found->caseAdjusted)
            warnOnce(Msg::FoundInOtherCase, *name, found->name);
        auto again = result_.byFoldedName.find(foldCase(found->name));
        if (again != result_.byFoldedName.end())
            return again->second;

        reporter_.progress(Msg::Compiling, {found->name});
        DiskLookup::Content content = disk_.read(*found);
        switch (content.status) {
        case DiskLookup::ReadStatus::Read:
            break;
        case DiskLookup::ReadStatus::LinkOut:
            warnOnce(Msg::LeftOutLinkedOut, what);
            return std::nullopt;
        case DiskLookup::ReadStatus::NotRegular:
            warnOnce(Msg::LeftOutNotRegular, what);
            return std::nullopt;
        case DiskLookup::ReadStatus::Failed:
            warnOnce(Msg::LeftOutUnreadable, what);
            return std::nullopt;
        }
        std::string& bytes = content.bytes;
        GatheredFile file;
        file.name = found->name;
        file.path = found->path;
        // The links are followed later, breadth first, in the order they were found;
        // only the scan is done now, while the content is at hand.
        Kind kind = kindOf(found->name);
        if (kind == Kind::Page) {
            PageLinks page = scanPage(bytes, project_.charset);
            if (!page.unknownCharset.empty())
                reporter_.warning(Msg::UnknownCharset,
                                  {file.name, page.unknownCharset, project_.charset});
            file.isPage = true;
            file.title = std::move(page.title);
            file.charset = std::move(page.charset);
            result_.localLinks += page.localLinks;
            result_.internetLinks += page.internetLinks;
            pending_.push_back({folderOf(file.name), file.name, std::move(page.links)});
        } else if (kind == Kind::StyleSheet) {
            pending_.push_back(
                {folderOf(file.name), file.name, scanStyleSheet(bytes, project_.charset)});
        } else if (kind == Kind::Picture) {
            ++result_.graphics;
        }
        std::size_t index = result_.files.size();
        result_.byFoldedName.emplace(foldCase(file.name), index);
        result_.files.push_back(std::move(file));
        sink_(result_.files[index], bytes);
        if (kind == Kind::Sitemap)
            sitemaps_.emplace(index, std::move(bytes));
        return index;
    }

    Sitemap readSitemap(std::size_t index, bool contents) {
        std::string name = result_.files[index].name;
        // A contents or index file named without an .hhc or .hhk extension was not kept.
        auto kept = sitemaps_.find(index);
        const std::string bytes = kept != sitemaps_.end() ? kept->second : readAgain(index);
        std::string text = pageToUtf8(
            bytes, bytes.substr(0, 3) == "\xEF\xBB\xBF" ? std::string("UTF-8") : project_.charset);
        Sitemap map = parseSitemap(text);
        std::string folder = folderOf(name);
        for (const SitemapEntry& entry : map.entries)
            for (const std::string& local : entry.locals()) {
                if (!isLocalReference(local))
                    continue;
                std::optional<std::size_t> target =
                    add(folder, local, reporter_.text(Msg::RefersTo, {name, local}));
                if (target && contents)
                    result_.files[*target].inContents = true;
            }
        const std::string imageList = map.property("ImageList");
        if (!imageList.empty() && isLocalReference(imageList))
            add(folder, imageList, reporter_.text(Msg::RefersTo, {name, imageList}));
        return map;
    }

    std::string readAgain(std::size_t index) {
        std::optional<DiskLookup::Found> found = disk_.findFile(result_.files[index].name);
        return found ? disk_.read(*found).bytes : std::string();
    }

    void warnOnce(Msg msg, std::string_view first, std::string_view second = {}) {
        if (warned_.insert(reporter_.text(msg, {first, second})).second)
            reporter_.warning(msg, {first, second});
    }

    // What a page or style sheet refers to, waiting to be added.
    struct Links {
        std::string folder;
        std::string from;
        std::vector<std::string> targets;
    };

    const Project& project_;
    DiskLookup& disk_;
    Reporter& reporter_;
    const GatheredFileSink& sink_;
    GatheredProject result_;
    std::deque<Links> pending_;
    // The content of the sitemaps, read again for the contents and index.
    std::unordered_map<std::size_t, std::string> sitemaps_;
    std::set<std::string> warned_;
};

} // namespace

std::optional<std::size_t> GatheredProject::find(std::string_view chmName) const {
    auto it = byFoldedName.find(foldCase(chmName));
    if (it == byFoldedName.end())
        return std::nullopt;
    return it->second;
}

std::string GatheredProject::nameOf(std::string_view projectReference) const {
    std::string cleaned(projectReference);
    std::size_t cut = cleaned.find_first_of("#?");
    if (cut != std::string::npos)
        cleaned.resize(cut);
    std::optional<std::string> name = joinProjectPath("", cleaned);
    if (!name)
        return {};
    std::optional<std::size_t> found = find(*name);
    return found ? files[*found].name : std::string();
}

GatheredProject gatherFiles(const Project& project, DiskLookup& disk, Reporter& reporter,
                            const GatheredFileSink& sink) {
    return Gatherer(project, disk, reporter, sink).run();
}

} // namespace qm::chm
