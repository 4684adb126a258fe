#include "viewer/HelpFile.h"

#include "chm/LinkScanner.h"
#include "chm/TextCodec.h"
#include "text/Utf8Path.h"
#include "viewer/ChmArchive.h"
#include "ContextMap.h"
#include "viewer/FiftiMainReader.h"
#include "HelpSitemaps.h"
#include "SystemInfo.h"

namespace qm::viewer {

namespace {

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           chm::asciiLower(text.substr(text.size() - suffix.size())) == suffix;
}

bool isPage(std::string_view name) {
    return endsWithIgnoringCase(name, ".htm") || endsWithIgnoringCase(name, ".html");
}

// The help's own files, not the container's system files ("/#SYSTEM", "/$FIftiMain").
bool isHelpFile(std::string_view name) {
    return name.size() > 1 && name[0] == '/' && name[1] != '#' && name[1] != '$';
}

std::string firstNamed(const std::vector<std::string>& names, std::string_view suffix) {
    for (const std::string& n : names)
        if (isHelpFile(n) && n.find('/', 1) == std::string::npos && endsWithIgnoringCase(n, suffix))
            return n;
    return {};
}

} // namespace

std::unique_ptr<HelpFile> HelpFile::open(const std::filesystem::path& chm) {
    return std::make_unique<HelpFile>(std::make_unique<ChmArchive>(chm),
                                      text::utf8Text(chm.filename()));
}

HelpFile::HelpFile(std::unique_ptr<ChmSource> source, std::string chmFileName)
    : source_(std::move(source)), chmFileName_(std::move(chmFileName)) {
    names_ = source_->names();
    for (const std::string& n : names_)
        namesFolded_.emplace(chm::asciiLower(n), n);
    readTables();
}

std::optional<std::string> HelpFile::readSystemFile(const std::string& name) const {
    return source_->read(name);
}

std::string HelpFile::decode(std::string_view bytes) const {
    return chm::TextCodec(charset_).toUtf8(bytes);
}

void HelpFile::readTables() {
    const SystemInfo system = parseSystemFile(readSystemFile("/#SYSTEM").value_or(""));
    if (system.lcid) {
        lcid_ = *system.lcid;
    } else if (auto fts = readSystemFile("/$FIftiMain")) {
        try {
            lcid_ = FiftiMainReader(*fts).lcid();
        } catch (const std::exception&) {
        }
    }
    charset_ = chm::codePageForLcid(lcid_).charset;
    title_ = decode(system.title);
    if (title_.empty())
        title_ = chmFileName_;

    const std::string strings = readSystemFile("/#STRINGS").value_or("");
    topics_ = parseTopicTable(readSystemFile("/#TOPICS").value_or(""),
                              readSystemFile("/#URLTBL").value_or(""),
                              readSystemFile("/#URLSTR").value_or(""), strings);
    for (TopicRow& row : topics_) {
        row.title = decode(row.title);
        row.url = normalizePath(decode(row.url));
    }
    for (const auto& [id, page] : parseContextMap(readSystemFile("/#IVB").value_or(""), strings)) {
        const LinkTarget target = resolve("/", decode(page));
        if (target.kind == LinkTarget::Kind::Page)
            contextIds_.emplace(id, target);
    }

    readSitemaps(system.contentsFile.empty() ? firstNamed(names_, ".hhc")
                                             : "/" + decode(system.contentsFile),
                 system.indexFile.empty() ? firstNamed(names_, ".hhk")
                                          : "/" + decode(system.indexFile));

    const LinkTarget start = resolve("/", decode(system.defaultTopic));
    if (!system.defaultTopic.empty() && findFile(start.path))
        defaultTopic_ = start.path;
    for (const TocEntry& e : contents_)
        if (defaultTopic_.empty() && !e.path.empty() && findFile(e.path))
            defaultTopic_ = e.path;
    const std::vector<std::string> all = pages();
    if (defaultTopic_.empty() && !all.empty())
        defaultTopic_ = all.front();
}

void HelpFile::readSitemaps(const std::string& contentsFile, const std::string& indexFile) {
    const std::string contentsPath = normalizePath(contentsFile);
    const std::string indexPath = normalizePath(indexFile);
    auto resolver = [this](const std::string& from) {
        return [this, from](std::string_view local) { return resolve(from, local); };
    };
    if (auto hhc = readFile(contentsPath))
        contents_ = contentsFromSitemap(decode(*hhc), charset_, resolver(contentsPath));
    if (auto hhk = readFile(indexPath))
        index_ = indexFromSitemap(decode(*hhk), charset_, resolver(indexPath));
    for (IndexEntry& e : index_)
        for (IndexTarget& t : e.targets)
            if (t.title.empty())
                t.title = titleOf(t.path);
}

std::vector<std::string> HelpFile::pages() const {
    std::vector<std::string> out;
    for (const std::string& n : names_)
        if (isHelpFile(n) && isPage(n))
            out.push_back(n);
    return out;
}

std::optional<std::string> HelpFile::findFile(std::string_view path) const {
    if (path.empty())
        return std::nullopt;
    auto it = namesFolded_.find(chm::asciiLower(path));
    if (it == namesFolded_.end())
        // A container whose names are bytes of the code page, not UTF-8.
        it = namesFolded_.find(chm::asciiLower(chm::TextCodec(charset_).fromUtf8(path)));
    if (it == namesFolded_.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::string> HelpFile::readFile(std::string_view path) const {
    const std::optional<std::string> name = findFile(path);
    return name ? source_->read(*name) : std::nullopt;
}

std::optional<std::string> HelpFile::pageHtml(std::string_view path) const {
    const std::optional<std::string> bytes = readFile(path);
    if (!bytes)
        return std::nullopt;
    return chm::pageToUtf8(*bytes, charsetOf(*bytes));
}

std::string HelpFile::charsetOf(std::string_view pageBytes) const {
    std::string charset = chm::charsetForHtmlName(chm::declaredCharset(pageBytes));
    return charset.empty() ? charset_ : charset;
}

std::string HelpFile::titleOf(std::string_view path) const {
    const std::string folded = chm::asciiLower(path);
    for (const TopicRow& row : topics_)
        if (!row.title.empty() && chm::asciiLower(row.url) == folded)
            return row.title;
    const std::size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

LinkTarget HelpFile::resolve(std::string_view fromPath, std::string_view href) const {
    return resolveLink(fromPath, href, charset_, chmFileName_);
}

std::optional<LinkTarget> HelpFile::pageForContextId(std::uint32_t id) const {
    auto it = contextIds_.find(id);
    if (it == contextIds_.end())
        return std::nullopt;
    return it->second;
}

} // namespace qm::viewer
