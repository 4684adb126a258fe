#include "chm/Compiler.h"

#include "IncludeLoader.h"
#include "chm/ContextFile.h"
#include "chm/ContextIds.h"
#include "chm/DiskLookup.h"
#include "chm/FileGatherer.h"
#include "chm/FullTextIndex.h"
#include "chm/ItsfWriter.h"
#include "chm/KeywordLinks.h"
#include "chm/LinkScanner.h"
#include "chm/PageText.h"
#include "chm/ProjectReader.h"
#include "chm/StringsFile.h"
#include "chm/SystemFile.h"
#include "chm/TextCodec.h"
#include "chm/TopicTables.h"
#include "chm/WindowsFile.h"
#include "text/Error.h"
#include "text/Gbk.h"
#include "text/OutputFile.h"
#include "text/Utf8Path.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>
#include <new>
#include <set>
#include <unordered_map>

namespace qm::chm {
using text::utf8Path;
using text::utf8Text;

namespace {

// Windows counts FILETIME in 100 ns steps from 1601.
constexpr std::int64_t kUnixToFileTime = 11644473600;
// A directory entry has to fit a 4096-byte chunk with room to spare.
constexpr std::size_t kMaxNameBytes = 1024;

std::string pathText(const std::filesystem::path& path) {
    return path.string();
}

// A project named without a folder lives in the current one.
std::filesystem::path absolutePath(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute;
}

// The path with every symbolic link and dot resolved, as far as it exists.
std::filesystem::path realPath(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path real = std::filesystem::weakly_canonical(absolutePath(path), ec);
    return ec ? absolutePath(path).lexically_normal() : real;
}

std::int64_t chooseTimestamp(const CompileOptions& options) {
    if (options.timestamp)
        return *options.timestamp;
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        long long value = std::strtoll(epoch, &end, 10);
        if (end != epoch && *end == '\0' && value >= 0)
            return value;
    }
    return static_cast<std::int64_t>(std::time(nullptr));
}

bool isWindowsAbsolute(const std::string& path) {
    return (path.size() >= 2 && path[1] == ':' &&
            ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) ||
           path.rfind("\\\\", 0) == 0;
}

class Compilation {
public:
    Compilation(const std::filesystem::path& projectFile, CompileListener& listener,
                const CompileOptions& options)
        : projectFile_(absolutePath(projectFile)), options_(options),
          reporter_(listener, options.utf8Messages ? "UTF-8" : "GBK", options.language) {}

    CompileResult run() {
        try {
            compile();
        } catch (const CompileCancelled&) {
            reporter_.error(Msg::Stopped);
            result_.written = false;
        } catch (const std::bad_alloc&) {
            reporter_.error(Msg::OutOfMemory);
            result_.written = false;
        } catch (const Error& e) {
            // The core's messages are GBK.
            reporter_.error(Msg::FailedBecause, {gbk::toUtf8(e.what())});
            result_.written = false;
        } catch (const std::exception& e) {
            reporter_.error(Msg::FailedBecause, {e.what()});
            result_.written = false;
        }
        result_.warnings = reporter_.warnings();
        return result_;
    }

private:
    void compile() {
        std::optional<Project> project = readProject();
        // Refused before the work, and again once every input is known.
        if (!project || !outputMayBeWritten())
            return;
        const std::int64_t timestamp = chooseTimestamp(options_);
        TextCodec codec(project->charset);
        // A large file takes seconds to index and compress; the listener is asked
        // between its slices whether to go on, as it is between files.
        const std::function<void()> checkpoint = [this] { reporter_.checkpoint(); };
        ItsfWriter container(LzxOptions{options_.threads, checkpoint});
        FullTextIndex search;
        const GatheredProject gathered = gather(*project, container, search, checkpoint);
        if (!acceptGathered(gathered))
            return;
        StringsFile strings;
        Tables tables = buildTables(*project, gathered, codec, strings);
        const SystemInfo info = systemInfo(*project, gathered, tables, codec, timestamp, strings);
        addTables(container, tables, info);
        if (project->fullTextSearch)
            addFullTextIndex(container, search, *project, codec);
        // The postings are the largest thing held; let them go before the last
        // intervals are compressed.
        search = FullTextIndex();
        addKeywords(container, tables);
        container.addCompressed("/#STRINGS", strings.bytes());
        container.addCompressed("/#ITBITS", {});
        container.addUncompressed("/#SYSTEM", buildSystemFile(info));
        ItsfOptions itsf;
        itsf.lcid = project->lcid;
        itsf.timestamp = info.timestamp;
        writeChm(container, itsf);
    }

    // Reading: the project file and its #include files; names the CHM to be written.
    std::optional<Project> readProject() {
        std::optional<std::string> bytes = readWholeFile(projectFile_);
        if (!bytes) {
            reporter_.error(Msg::CannotOpenProject, {pathText(projectFile_)});
            return std::nullopt;
        }
        if (const std::optional<Msg> problem = notAProject(*bytes)) {
            reporter_.error(*problem, {pathText(projectFile_)});
            return std::nullopt;
        }
        const std::filesystem::path folder = projectFile_.parent_path();
        disk_.emplace(folder.empty() ? std::filesystem::path(".") : folder);
        Project project =
            parseProject(*bytes, projectFile_,
                         projectIncludeLoader(folder, *disk_, reporter_, inputs_), reporter_);
        if (!options_.utf8Messages)
            reporter_.setCharset(project.charset);
        disk_->setNameCharset(project.charset);
        result_.chm = outputPath(project);
        reporter_.compiling(result_.chm);
        inputs_.push_back(projectFile_);
        return project;
    }

    // Gathering: each file goes to the compressor as soon as it is read, so that the
    // content is never held whole, and each page's text to the full-text index. A
    // page's topic number is its place among the pages, as #TOPICS lists them.
    GatheredProject gather(const Project& project, ItsfWriter& container, FullTextIndex& search,
                           const std::function<void()>& checkpoint) {
        std::uint32_t pageNumber = 0;
        auto compress = [&](const GatheredFile& file, std::string_view content) {
            if (file.name.size() > kMaxNameBytes) {
                reporter_.warning(Msg::NameTooLong, {file.name});
                return;
            }
            if (file.isPage) {
                // The body goes to the index in pieces: a large page is held once as
                // read and once in UTF-8, never again as text.
                if (project.fullTextSearch) {
                    streamPageText(
                        content, file.charset,
                        [&](const std::string& title) { search.beginTopic(pageNumber, title); },
                        [&](std::string_view piece) { search.addBody(piece, checkpoint); });
                    search.endTopic();
                }
                ++pageNumber;
            }
            container.addCompressed("/" + file.name, content);
            ++result_.files;
            result_.sourceBytes += content.size();
        };
        GatheredProject gathered = gatherFiles(project, *disk_, reporter_, compress);
        // Viewers build the contents from the .hhc when #TOCIDX is absent.
        if (project.binaryToc && gathered.contentsFile)
            reporter_.warning(Msg::NoBinaryToc);
        return gathered;
    }

    bool acceptGathered(const GatheredProject& gathered) {
        if (gathered.files.empty()) {
            reporter_.error(Msg::NothingToCompile, {pathText(projectFile_)});
            return false;
        }
        for (const GatheredFile& file : gathered.files)
            inputs_.push_back(file.path);
        result_.localLinks = gathered.localLinks;
        result_.internetLinks = gathered.internetLinks;
        result_.graphics = gathered.graphics;
        if (!outputMayBeWritten())
            return false;
        reporter_.progress(Msg::Compressing, {std::to_string(gathered.files.size())});
        return true;
    }

    // The name a reference of the project has in the CHM.
    static std::string fileName(const GatheredProject& gathered, const std::string& reference) {
        std::string name = gathered.nameOf(reference);
        if (name.empty()) {
            name = reference;
            for (char& c : name)
                if (c == '\\')
                    c = '/';
        }
        return name;
    }

    struct Tables {
        std::vector<TopicRecord> topics;
        std::optional<KeywordLinks> keywords;
        TopicTables topicTables;
        std::string windows;
        std::string contexts;
    };

    // Tables: the topics (pages, then the contents and index files, then what the
    // binary index adds), the windows and the context IDs, their texts in #STRINGS.
    Tables buildTables(const Project& project, const GatheredProject& gathered,
                       const TextCodec& codec, StringsFile& strings) {
        Tables t;
        for (const GatheredFile& file : gathered.files)
            if (file.isPage && file.name.size() <= kMaxNameBytes)
                t.topics.push_back(
                    {codec.fromUtf8(file.name), codec.fromUtf8(file.title), file.inContents});
        if (gathered.contentsFile)
            t.topics.push_back(
                {codec.fromUtf8(gathered.files[*gathered.contentsFile].name), {}, false});
        if (gathered.indexFile)
            t.topics.push_back(
                {codec.fromUtf8(gathered.files[*gathered.indexFile].name), {}, false});
        auto nameOf = [&](const std::string& reference) { return fileName(gathered, reference); };
        if (project.binaryIndex && gathered.indexFile)
            t.keywords = keywordLinks(project, gathered.index, t.topics, codec, nameOf);
        result_.topics = static_cast<int>(t.topics.size());
        t.topicTables = buildTopicTables(t.topics, strings);
        if (!project.windows.empty())
            t.windows = buildWindowsFile(project.windows, strings, project.charset, nameOf);
        t.contexts = contextFile(project, gathered, strings, codec);
        return t;
    }

    SystemInfo systemInfo(const Project& project, const GatheredProject& gathered,
                          const Tables& tables, const TextCodec& codec, std::int64_t timestamp,
                          StringsFile& strings) {
        SystemInfo info;
        info.lcid = project.lcid;
        info.fullTextSearch = project.fullTextSearch;
        info.timestamp = static_cast<std::uint32_t>(timestamp);
        info.fileTime = static_cast<std::uint64_t>(timestamp + kUnixToFileTime) * 10000000u;
        if (gathered.contentsFile)
            info.contentsFile = codec.fromUtf8(gathered.files[*gathered.contentsFile].name);
        if (gathered.indexFile) {
            info.indexFile = codec.fromUtf8(gathered.files[*gathered.indexFile].name);
            info.hasKeywords = !gathered.index.entries.empty();
            if (tables.keywords)
                info.binaryIndexHash = urlHash(info.indexFile);
        }
        if (!project.defaultTopic.empty())
            info.defaultTopic = codec.fromUtf8(fileName(gathered, project.defaultTopic));
        info.title = codec.fromUtf8(project.title);
        info.defaultWindow = codec.fromUtf8(project.defaultWindow);
        info.defaultFont = codec.fromUtf8(project.defaultFont);
        info.compiledName = codec.fromUtf8(asciiLower(utf8Text(result_.chm.stem())));
        info.idxhdr =
            buildIdxHdr(gathered.contents, static_cast<std::uint32_t>(tables.topics.size()),
                        info.timestamp, strings, project.charset);
        return info;
    }

    static void addTables(ItsfWriter& container, const Tables& tables, const SystemInfo& info) {
        if (!tables.windows.empty())
            container.addCompressed("/#WINDOWS", tables.windows);
        container.addCompressed("/#TOPICS", tables.topicTables.topics);
        container.addCompressed("/#URLTBL", tables.topicTables.urltbl);
        container.addCompressed("/#URLSTR", tables.topicTables.urlstr);
        container.addCompressed("/#IDXHDR", info.idxhdr);
        if (!tables.contexts.empty())
            container.addCompressed("/#IVB", tables.contexts);
    }

    // Indexing: $FIftiMain, written to the compressor as it is built.
    static void addFullTextIndex(ItsfWriter& container, FullTextIndex& search,
                                 const Project& project, const TextCodec& codec) {
        search.compact();
        container.writeCompressed("/$FIftiMain", [&](ByteSink& out) {
            search.build(codec, project.codePage, project.lcid, out);
        });
    }

    static void addKeywords(ItsfWriter& container, const Tables& tables) {
        if (!tables.keywords)
            return;
        container.addCompressed("/$WWKeywordLinks/BTree", tables.keywords->btree);
        container.addCompressed("/$WWKeywordLinks/Data", tables.keywords->data);
        container.addCompressed("/$WWKeywordLinks/Map", tables.keywords->map);
        container.addCompressed("/$WWKeywordLinks/Property", tables.keywords->property);
        container.addCompressed("/$WWAssociativeLinks/Property", std::string(4, '\0'));
    }

    // The index file's entries as keywords, each link a topic. A link that is not a page
    // of its own (an anchor, another site) becomes a topic of its own, since the Index
    // pane opens topics.
    template <typename FileName>
    KeywordLinks keywordLinks(const Project& project, const Sitemap& index,
                              std::vector<TopicRecord>& topics, const TextCodec& codec,
                              const FileName& fileName) {
        std::unordered_map<std::string, std::uint32_t> topicOfUrl;
        for (std::size_t i = 0; i < topics.size(); ++i)
            topicOfUrl.emplace(topics[i].url, static_cast<std::uint32_t>(i));
        auto topicOf = [&](const std::string& local, const std::string& title) {
            const std::string url = codec.fromUtf8(
                isLocalReference(local)
                    ? fileName(local.substr(0, local.find('#'))) +
                          (local.find('#') == std::string::npos ? std::string()
                                                                : local.substr(local.find('#')))
                    : local);
            auto [it, added] = topicOfUrl.emplace(url, static_cast<std::uint32_t>(topics.size()));
            if (added)
                topics.push_back({url, codec.fromUtf8(title), false});
            return it->second;
        };

        std::vector<std::string> notes;
        std::vector<KeywordEntry> entries =
            keywordEntries(index, topicOf, &notes, codec.charset(), reporter_.language());
        for (const std::string& note : notes)
            reporter_.warningText(note);
        KeywordLinks links = buildKeywordLinks(entries, project.codePage, project.lcid);
        if (links.skipped > 0)
            reporter_.warning(Msg::IndexEntriesTooLong, {std::to_string(links.skipped)});
        return links;
    }

    std::string contextFile(const Project& project, const GatheredProject& gathered,
                            StringsFile& strings, const TextCodec& codec) {
        if (project.aliases.empty() && project.map.empty())
            return {};
        ContextResolution ids = resolveContextIds(project.aliases, project.map);
        const std::set<std::string> popups = popupIds(project, gathered);
        for (const std::string& id : ids.mapWithoutAlias)
            if (popups.count(id) == 0)
                reporter_.warning(Msg::MapIdWithoutAlias, {id});
        for (const std::string& id : ids.aliasWithoutMap)
            reporter_.warning(Msg::AliasIdWithoutMap, {id});
        for (const auto& [mapId, aliasId] : ids.caseMatched)
            reporter_.warning(Msg::MapIdCaseMatched, {mapId, aliasId});
        for (const std::string& id : ids.duplicateNumbers)
            reporter_.warning(Msg::ContextNumberTaken, {id});
        std::vector<ContextRecord> records;
        for (const ContextEntry& entry : ids.entries) {
            std::string name = gathered.nameOf(entry.file);
            if (name.empty())
                continue; // the gatherer has warned about the missing file
            // F1 help opens the page at the alias's anchor (page.htm#section).
            const std::size_t anchor = entry.file.find('#');
            if (anchor != std::string::npos && anchor + 1 < entry.file.size())
                name += entry.file.substr(anchor);
            records.push_back({entry.number, strings.add(codec.fromUtf8(name))});
        }
        return buildContextFile(records);
    }

    // The [MAP] IDs that a text-popup file defines, by name or by number: they open a
    // popup rather than a topic.
    static std::set<std::string> popupIds(const Project& project, const GatheredProject& gathered) {
        std::set<std::string> ids = gathered.popupTopics;
        for (const MapDef& def : project.map)
            if (gathered.popupTopics.count(std::to_string(def.number)) != 0)
                ids.insert(def.id);
        return ids;
    }

    std::filesystem::path outputPath(const Project& project) {
        if (!options_.output.empty())
            return options_.output;
        const std::filesystem::path folder = projectFile_.parent_path();
        std::string name = project.compiledFile;
        if (name.empty())
            name = utf8Text(projectFile_.stem()) + ".chm";
        if (isWindowsAbsolute(name)) {
            std::size_t cut = name.find_last_of("\\/");
            std::string file = cut == std::string::npos ? name.substr(2) : name.substr(cut + 1);
            reporter_.warning(Msg::CompiledFileWindowsPath,
                              {name, pathText(folder / utf8Path(file))});
            name = file;
        }
        for (char& c : name)
            if (c == '\\')
                c = '/';
        std::filesystem::path path = utf8Path(name);
        path = path.is_absolute() ? path.lexically_normal() : (folder / path).lexically_normal();
        // Build scripts put the CHM beside the sources or in a release folder; allowed,
        // but said, since a project from elsewhere could otherwise write anywhere. The
        // real folders decide, so that a folder of the project that is a symbolic link
        // to elsewhere counts as elsewhere; the CHM itself replaces a link in its place.
        const std::filesystem::path real = realPath(path.parent_path()) / path.filename();
        const std::filesystem::path inside = real.lexically_relative(realPath(folder));
        if (inside.empty() || *inside.begin() == "..")
            reporter_.warning(Msg::CompiledFileOutside, {project.compiledFile, pathText(real)});
        return path;
    }

    // The CHM replaces only an earlier CHM, never a file the project reads.
    bool outputMayBeWritten() {
        const std::filesystem::path& chm = result_.chm;
        std::error_code ec;
        const std::filesystem::file_status status = std::filesystem::status(chm, ec);
        if (ec || !std::filesystem::exists(status))
            return true;
        for (const std::filesystem::path& input : inputs_) {
            std::error_code same;
            if (std::filesystem::equivalent(chm, input, same) && !same) {
                reporter_.error(Msg::CompiledFileIsInput, {pathText(chm)});
                return false;
            }
        }
        if (!std::filesystem::is_regular_file(status)) {
            reporter_.error(Msg::CompiledFileNotAFile, {pathText(chm)});
            return false;
        }
        char magic[4] = {};
        std::ifstream in(chm, std::ios::binary);
        if (!in.read(magic, sizeof magic) || std::string_view(magic, 4) != "ITSF") {
            reporter_.error(Msg::CompiledFileNotAChm, {pathText(chm)});
            return false;
        }
        return true;
    }

    void writeChm(ItsfWriter& container, const ItsfOptions& itsf) {
        std::error_code ec;
        const std::filesystem::path parent = result_.chm.parent_path();
        if (!parent.empty() && !std::filesystem::exists(parent, ec)) {
            std::filesystem::create_directories(parent, ec);
            if (ec) {
                reporter_.error(Msg::CannotCreateFolder, {pathText(parent)});
                return;
            }
        }
        OutputFile out(result_.chm);
        container.write(out, itsf);
        out.commit();
        result_.written = true;
        result_.size = std::filesystem::file_size(result_.chm, ec);
        reporter_.info(Msg::Compiled,
                       {std::to_string(result_.files), std::to_string(result_.topics),
                        pathText(result_.chm), std::to_string(result_.size),
                        std::to_string(reporter_.warnings())});
    }

    std::filesystem::path projectFile_;
    std::optional<DiskLookup> disk_; // the project's folder, once the project is read
    // Every file the project was read from: the CHM may replace none of them.
    std::vector<std::filesystem::path> inputs_;
    const CompileOptions& options_;
    Reporter reporter_;
    CompileResult result_;
};

} // namespace

CompileResult compileProject(const std::filesystem::path& project, CompileListener& listener,
                             const CompileOptions& options) {
    return Compilation(project, listener, options).run();
}

} // namespace qm::chm
