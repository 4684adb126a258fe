#include "run/Generator.h"

#include "ChmCheck.h"
#include "ProjectChecks.h"
#include "platform/Files.h"
#include "project/ContextIdMap.h"
#include "project/ProjectCompiler.h"
#include "project/ProjectWriter.h"
#include "project/SitemapWriter.h"
#include "run/CopyFolder.h"
#include "run/RunListener.h"
#include "run/RunLock.h"
#include "split/BodyExtractor.h"
#include "split/HeadingScanner.h"
#include "split/PageFrame.h"
#include "split/ScanObserver.h"
#include "split/TopicPageWriter.h"
#include "text/ByteString.h"
#include "text/Error.h"
#include "text/Gbk.h"
#include "text/NumberDateText.h"
#include "text/OutputFile.h"
#include "text/Utf8Path.h"
#include "word/DocumentConverter.h"
#include "word/SourceCharset.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <map>
#include <optional>
#include <regex>
#include <unordered_map>

namespace qm {
namespace {

std::string u8(const char* text) {
    return gbk::fromUtf8(text);
}

std::string pathText(const std::filesystem::path& path) {
    return gbk::fromPath(path);
}

// Word's pages are text with tags; a file with NUL bytes or without a single tag is
// something else (a picture, an archive, a damaged file) and would become a page of
// garbage, so it is refused before anything is written.
void rejectNonHtml(ReadStream& stream) {
    std::string head;
    stream.read(head, 1 << 16);
    stream.seek(0, Origin::Beginning);
    if (head.find('\0') != std::string::npos ||
        (!head.empty() && head.find('<') == std::string::npos))
        throw Error(u8("文件不是HTML网页：") + pathText(stream.path()));
}

// Only a file can be a document: a folder, a device or a FIFO (which would hang the
// first read) is refused before it is opened.
void rejectNonFile(const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::file_status status = std::filesystem::status(file, ec);
    if (!std::filesystem::exists(status))
        throwCannotOpen(pathText(file), ec ? ec.value() : ENOENT);
    if (!std::filesystem::is_regular_file(status))
        throw Error(u8("“") + pathText(file) + u8("”不是文件（是文件夹、设备或管道），无法转换。"));
}

// The working files of an earlier run on the same project that was killed before it
// could remove them: <base>.htm.tmp<date-time> and <base>.htm.gbk<date-time>.
void removeLeftovers(const FileLayout& layout) {
    std::string root = text::utf8Text(layout.workingFileRoot().filename());
    const std::filesystem::path folder =
        layout.targetFolder.empty() ? std::filesystem::path(".") : layout.targetFolder;
    for (const FolderEntry& entry : listFolder(folder).value_or(std::vector<FolderEntry>())) {
        std::string name = text::utf8Text(entry.name);
        if (name.size() <= root.size() + 4 || name.compare(0, root.size(), root) != 0)
            continue;
        std::string suffix = name.substr(root.size());
        std::error_code ec;
        if ((suffix.starts_with(".tmp") || suffix.starts_with(".gbk")) &&
            suffix.find_first_not_of("0123456789.E-", 4) == std::string::npos &&
            entry.kind == EntryKind::File)
            std::filesystem::remove(folder / entry.name, ec);
    }
}

// A file that is neither a page nor a document the converter reads has no page to cut;
// its own name says so, not the name of a page it never had.
void rejectUnknownType(const FileLayout& layout) {
    std::error_code ec;
    if (!layout.needsConversion() && layout.intermediateHtml != layout.source &&
        !std::filesystem::exists(layout.intermediateHtml, ec))
        throw Error(
            u8("“") + pathText(layout.source) +
            u8("”既不是Word文档（.doc .docx .rtf .odt），也不是网页（.htm .html），无法转换。"));
}

// True when the page declares (or its byte-order mark tells) a charset outside GBK's
// family. The declaration sits in the head, so the first megabyte tells.
bool needsGbkCopy(ReadStream& stream) {
    std::string head;
    stream.read(head, 1 << 20);
    stream.seek(0, Origin::Beginning);
    std::string name = pageCharset(head);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // GB18030's four-byte characters are not GBK: such a page needs the copy too.
    return !name.empty() && (!isGbkCharset(name) || name.find("18030") != std::string::npos);
}

// A picture's name that GBK cannot write cannot be named by a GBK page: the page loses
// it, so the user hears of it.
bool gbkCanName(const std::filesystem::path& file) {
    const std::u8string name8 = file.filename().u8string();
    const std::string name(name8.begin(), name8.end());
    return gbk::toUtf8(gbk::fromUtf8(name)) == name;
}

// What the programmers need to know of the IDs: how many stayed, which are new and
// which are gone.
// A long list (a document replaced by another) is cut after the first twenty numbers.
std::string contextIdNote(const ContextIdNumbering& ids) {
    constexpr std::size_t kListed = 20;
    auto list = [](const std::vector<ContextIdEntry>& entries) {
        std::string text;
        for (std::size_t i = 0; i < entries.size() && i < kListed; ++i)
            text += "\r    IDH_" + std::to_string(entries[i].k) + " (" +
                    contextNumber(entries[i].k) + ") " + gbk::fromUtf8(entries[i].key);
        if (entries.size() > kListed)
            text += "\r    " + u8("……另有 ") + std::to_string(entries.size() - kListed) + u8(" 个");
        return text;
    };
    return u8("上下文ID：保留 ") + std::to_string(ids.kept) + u8(" 个，新增 ") +
           std::to_string(ids.added.size()) + u8(" 个，停用 ") +
           std::to_string(ids.retired.size()) + u8(" 个") +
           (ids.added.empty() ? "" : "\r" + u8("新增：") + list(ids.added)) +
           (ids.retired.empty() ? "" : "\r" + u8("停用：") + list(ids.retired)) + "\r\n";
}

ContextIdChanges contextIdChanges(const ContextIdNumbering& ids) {
    auto changes = [](const std::vector<ContextIdEntry>& entries) {
        std::vector<ContextIdChange> out;
        for (const ContextIdEntry& e : entries)
            out.push_back({"IDH_" + std::to_string(e.k), contextNumber(e.k), e.key});
        return out;
    };
    return {ids.kept, changes(ids.added), changes(ids.retired)};
}

} // namespace

// The scan's and the page writer's view of the program: the file's settings, progress
// to the listener, the page frame from the generator.
class Generator::Adapter : public ScanObserver, public PageSource {
public:
    explicit Adapter(Generator& g) : g_(g) {}

    std::string levelText() override { return g_.fileSettings_.level; }
    void nodeAdded(const StructureNode& node) override { g_.listener_.nodeAdded(node); }
    void nodeChanged(const StructureNode& node) override { g_.listener_.nodeChanged(node); }
    void progress(std::int64_t done, std::int64_t total) override {
        g_.listener_.scanProgress(done, total, g_.tree_.count());
        g_.listener_.showText(RunField::Status, std::to_string(done) + "/" + std::to_string(total));
        g_.listener_.processEvents();
    }
    void remainingTime(const std::string& text) override {
        g_.listener_.showText(RunField::EndTime, text);
    }
    bool aborted() override { return g_.stop_.isSet(); }

    std::string afterTitle() override { return g_.afterTitle(g_.fileSettings_.defaultHeader); }
    // The additional code as it is when the page is written.
    std::string prefixCode() override {
        RunSettings now = g_.settings();
        return now.useAdditionalCode ? now.beforeEntry : std::string();
    }
    std::string suffixCode() override {
        RunSettings now = g_.settings();
        return now.useAdditionalCode ? now.afterEntry : std::string();
    }

private:
    Generator& g_;
};

Generator::Generator(RunListener& listener, DocumentConverter* converter, ProjectCompiler* compiler)
    : listener_(listener), converter_(converter), compiler_(compiler) {
    if (converter_ != nullptr)
        converter_->watch(&stop_);
}

Generator::~Generator() {
    removeWorkingFiles();
}

void Generator::openFiles(std::vector<std::filesystem::path> files) {
    openedFiles_ = std::move(files);
    if (openedFiles_.empty())
        return;
    const std::filesystem::path& first = openedFiles_.front();
    std::string ext = text::utf8Text(first.extension());
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    intermediateHtml_ = ext == ".htm" || ext == ".html" ? first : replaceExtension(first, ".htm");
}

std::filesystem::path Generator::topicPagePath(const StructureNode& node) const {
    if (!node.page.empty())
        return layout_.contentFolder / gbk::toPath(node.page + ".htm");
    try {
        return FileLayout::forSource(intermediateHtml_).topicPagePath(node.title, node.position);
    } catch (const Error&) { // a name no project can have: the last run's layout
        return layout_.topicPagePath(node.title, node.position);
    }
}

const std::string& Generator::pageHead() const {
    return pageFrameHead();
}
const std::string& Generator::pageTail() const {
    return pageFrameTail();
}

std::string Generator::afterTitle(bool defaultHeader) {
    const std::filesystem::path& source = pageSource_.empty() ? intermediateHtml_ : pageSource_;
    std::error_code ec;
    if (defaultHeader || source.empty() || !std::filesystem::is_regular_file(source, ec))
        return defaultAfterTitle();
    if (sourceHeadCache_.empty())
        sourceHeadCache_ = readSourceHead(source);
    return sourceHeadCache_;
}

void Generator::clearSourceHeadCache() {
    sourceHeadCache_.clear();
}

void Generator::closeWorkStream() {
    workStream_.reset();
}

void Generator::removeWorkingFiles() {
    closeWorkStream();
    std::error_code ec;
    if (!workFileName_.empty())
        std::filesystem::remove(workFileName_, ec);
    workFileName_.clear();
    if (!gbkCopy_.empty())
        std::filesystem::remove(gbkCopy_, ec);
    gbkCopy_.clear();
    pageSource_.clear();
}

void Generator::changeSettings(const std::function<void(RunSettings&)>& change) {
    std::lock_guard lock(settingsMutex_);
    change(settings_);
}

RunSettings Generator::settings() {
    std::lock_guard lock(settingsMutex_);
    return settings_;
}

RunOutcome Generator::generationRun(const RunSettings& settings) {
    changeSettings([&](RunSettings& s) { s = settings; });
    RunOutcome outcome;
    generating_ = true;
    listener_.runStarted();
    // The final step runs however the run ends, errors included.
    struct FinalStep {
        Generator& g;
        ~FinalStep() {
            g.generating_ = false;
            g.incompleteChms_.clear(); // a run ended early leaves nothing for the next
            g.failures_.clear();
            g.conversionShares_.clear();
            g.removeWorkingFiles();
            if (g.converter_ != nullptr)
                g.converter_->finishBatch();
            g.listener_.runFinished();
        }
    } finalStep{*this};

    outputFolder_ = settings.outputFolder;
    rejectSharedProjects();
    if (!outputFolder_.empty()) {
        std::error_code ec; // a folder that cannot be made shows at the first file written
        std::filesystem::create_directories(outputFolder_, ec);
    }
    prepareConversions();
    listener_.showText(RunField::BeginTime,
                       u8("    开始时间：") + numdate::dateTimeText(numdate::now()));
    listener_.showText(RunField::EndTime, "");
    std::size_t n = openedFiles_.size();

    for (std::size_t i = 0; i < n && !stop_.isSet(); ++i) {
        const std::filesystem::path& file = openedFiles_[i];
        report_ = FileReport{};
        report_.source = file;
        auto started = std::chrono::steady_clock::now();
        int builtBefore = outcome.chmsBuilt;
        try {
            processFile(i, n, outcome);
        } catch (const Error& e) {
            fileFailed(Failure::Unusable, e.what(), outcome);
        }
        settlePages();
        removeWorkingFiles();
        report_.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() +
            conversionShares_[file];
        finishReport(outcome.chmsBuilt > builtBefore);
        listener_.fileDone(report_);
    }
    endRun(outcome, n);
    return outcome;
}

// The file's outcome as it ended, and only the outputs that are on disk: a pictures
// folder the conversion did not make, or pages a failed run took away, are not outputs.
void Generator::finishReport(bool chmBuilt) {
    using Outcome = FileReport::Outcome;
    if (report_.outcome == Outcome::Done && !chmBuilt)
        report_.outcome = Outcome::NoChm;
    if (stop_.isSet() && report_.outcome != Outcome::Failed)
        report_.outcome = Outcome::Interrupted;
    std::vector<std::filesystem::path> present;
    for (const std::filesystem::path& output : report_.outputs) {
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(output, ec)) &&
            std::find(present.begin(), present.end(), output) == present.end())
            present.push_back(output);
    }
    report_.outputs = std::move(present);
}

// Two documents of one run writing one project (x.doc and x.docx, or two folders'
// x.htm into one output folder) would overwrite each other: refused before anything.
void Generator::rejectSharedProjects() const {
    std::map<std::filesystem::path, std::filesystem::path> owners;
    for (const std::filesystem::path& file : openedFiles_) {
        std::filesystem::path project;
        try {
            project = FileLayout::forSource(file, outputFolder_).projectFilePath("");
        } catch (const Error&) {
            continue; // that file fails on its own turn
        }
        auto [at, added] = owners.emplace(project.lexically_normal(), file);
        if (!added && at->second != file)
            throw Error(
                u8("“") + pathText(at->second) + u8("”和“") + pathText(file) +
                u8("”会生成同名的帮助工程，互相覆盖；请改名或分两次生成。没有做任何改动。"));
    }
}

// All Word documents of the run go to the converter at once, so one LibreOffice can
// serve the batch.
void Generator::prepareConversions() {
    if (converter_ == nullptr)
        return;
    std::vector<std::filesystem::path> documents;
    for (const std::filesystem::path& file : openedFiles_) {
        try {
            if (FileLayout::forSource(file, outputFolder_).needsConversion())
                documents.push_back(file);
        } catch (const Error&) {
            // that file fails on its own turn
        }
    }
    if (documents.empty())
        return;
    listener_.showText(RunField::Status, u8("正在生成中间文件，请稍候……"));
    listener_.processEvents();
    const auto started = std::chrono::steady_clock::now();
    converter_->reportTo([this](std::size_t done, std::size_t count) {
        listener_.conversionProgress(done, count);
        listener_.processEvents();
    });
    converter_->prepare(documents);
    converter_->reportTo({});
    shareConversionTime(
        documents,
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
}

// The batch converts its documents one after another in one process; each document's
// report takes a share of the batch's time by its size, so that the shares add up to it.
void Generator::shareConversionTime(const std::vector<std::filesystem::path>& documents,
                                    double seconds) {
    std::vector<double> sizes;
    double total = 0;
    for (const std::filesystem::path& document : documents) {
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(document, ec);
        sizes.push_back(ec ? 1.0 : static_cast<double>(size) + 1.0);
        total += sizes.back();
    }
    for (std::size_t i = 0; i < documents.size(); ++i)
        conversionShares_[documents[i]] += seconds * sizes[i] / total;
}

// The one place where a file's failure is told: the file's report (--json), the run's
// counts (the result box, the exit status), the summary's lists (the summary box, the
// run log of an interrupted run) and the warnings all come from here.
void Generator::fileFailed(Failure failure, const std::string& reason, RunOutcome& outcome) {
    const std::string file = pathText(report_.source);
    report_.reason = reason;
    switch (failure) {
    case Failure::Unusable:
        report_.outcome = FileReport::Outcome::Failed;
        ++outcome.filesFailed;
        failures_.push_back(file + u8("：") + reason);
        warn(failures_.back());
        return;
    case Failure::NotConverted: // the front end was told the reason (showWordFailure)
        report_.outcome = FileReport::Outcome::Failed;
        ++outcome.filesFailed;
        failures_.push_back(file + u8("：") + reason);
        return;
    case Failure::NoContent: // counted with the incomplete CHMs: the summary lists it there
        ++outcome.chmsIncomplete;
        incompleteChms_.push_back(file + u8("：") + reason + "\r");
        return;
    case Failure::ChmNotBuilt:
        if (!stop_.isSet())
            warn(reason);
        return;
    case Failure::ChmIncomplete: {
        report_.outcome = FileReport::Outcome::Incomplete;
        ++outcome.chmsIncomplete;
        incompleteChms_.push_back(reason + "\r");
        const std::filesystem::path chm = compiledChmPath(chmFileName_, layout_);
        std::error_code ec;
        if (std::filesystem::is_regular_file(chm, ec)) {
            report_.outputs.push_back(chm);
            report_.chmSize = std::filesystem::file_size(chm, ec);
        }
        return;
    }
    }
}

void Generator::warn(const std::string& text) {
    report_.warnings.push_back(text);
    listener_.warning(text);
}

void Generator::processFile(std::size_t i, std::size_t n, RunOutcome& outcome) {
    const std::filesystem::path& file = openedFiles_[i];
    sourceHeadCache_.clear();
    fileSettings_ = settings();
    listener_.showText(RunField::SourceFileName, pathText(file));
    currentFile_ = file;
    listener_.showText(RunField::FileCount,
                       "(" + std::to_string(i + 1) + "/" + std::to_string(n) + ")");
    rejectNonFile(file);
    writtenTopics_.clear();
    layout_ = FileLayout::forSource(file, outputFolder_);
    intermediateHtml_ = layout_.intermediateHtml;
    rejectUnknownType(layout_);
    // Nothing is touched while another run writes this project.
    RunLock lock(layout_.targetFolder / gbk::toPath(layout_.baseName));
    openProject();
    chmFileName_ = layout_.baseName + ".chm";
    if (fileSettings_.autoTitle) {
        std::string title = layout_.baseName + u8(" －帮助");
        changeSettings([&](RunSettings& s) { s.title = title; });
        listener_.titleChosen(title);
    }

    if (layout_.needsConversion() && !convertDocument()) {
        if (stop_.isSet())
            return;
        std::string reason = converter_ ? converter_->failureReason() : std::string();
        listener_.showWordFailure(
            !reason.empty()
                ? reason
                : u8("保存中间文件到【") + layout_.targetFolderText() +
                      u8("】下失败，可能是以下原因：\r\n1、安装Office时没有安装文件转换器。"
                         "\r\n2、Word版本较低\r\n3、磁盘已满\r\n4、磁盘写保护\r\n请尝试将Word"
                         "文档手工另存为HTML文件后直接打开html文件进行转换。"));
        fileFailed(Failure::NotConverted, reason.empty() ? u8("无法转换为网页") : reason, outcome);
        return;
    }

    if (layout_.needsConversion()) {
        report_.outputs.push_back(layout_.intermediateHtml);
        report_.outputs.push_back(layout_.supportingFiles);
    }
    openPage();
    copyPictures();

    extractBody(workStream_, pageSource_, workFileName_, generating_, layout_.workingFileRoot());

    tree_.clear();
    listener_.structureCleared(layout_);
    runLog_.clear();
    listener_.showText(RunField::TargetFolder,
                       u8("生成文件保存到【") + layout_.targetFolderText() + u8("】目录下"));
    listener_.showText(RunField::ChmFileName, chmFileName_);
    scanHeadings();

    report_.topics = writtenTopics_.size();
    if (!runLog_.empty()) {
        saveLines(layout_.runLogPath(), runLog_);
        report_.outputs.push_back(layout_.runLogPath());
    }
    if (stop_.isSet())
        return;
    if (!writeProject(outcome)) {
        fileFailed(Failure::NoContent, u8("文档中没有内容，没有生成工程。"), outcome);
        return;
    }
    if (compileProject(outcome)) {
        outcome.summary +=
            "\r" + u8("已根据工程文件生成\"") + pathText(layout_.projectFilePath("chm")) + "\"\r\r";
        ++outcome.chmsBuilt;
    }
    outcome.summary += "\r" + u8("索引ID对应文件生成到：\"") +
                       pathText(layout_.projectFilePath("txt")) + u8("\"中") + "\r";
    ++outcome.projectsWritten;
}

// Opens the page to cut; a page saved in another charset (UTF-8, UTF-16, Big5, ...) is
// cut from a GBK copy beside it, so titles, file names and pages come out right; the
// page stays as it is.
void Generator::openPage() {
    closeWorkStream();
    pageSource_ = intermediateHtml_;
    workStream_ = std::make_unique<ReadStream>(pageSource_);
    if (needsGbkCopy(*workStream_)) {
        gbkCopy_ = layout_.workingFileRoot();
        gbkCopy_ += ".gbk" + numdate::formatGeneral(numdate::now());
        writeGbkCopy(intermediateHtml_, gbkCopy_);
        pageSource_ = gbkCopy_;
        workStream_ = std::make_unique<ReadStream>(pageSource_);
    }
    rejectNonHtml(*workStream_);
}

void Generator::warnOfPictures(const std::vector<std::filesystem::path>& skipped,
                               const std::vector<std::filesystem::path>& copied) {
    for (const std::filesystem::path& file : skipped)
        warn(entryKind(file) == EntryKind::Link
                 ? u8("符号链接“") + pathText(file) + u8("”指向别处，未复制。")
                 : u8("“") + pathText(file) + u8("”不是普通文件（是管道或设备），未复制。"));
    for (const std::filesystem::path& file : copied)
        if (!gbkCanName(file))
            warn(u8("图片“") + pathText(file) +
                 u8("”的文件名含有GBK编码无法表示的字符，页面无法引用它；请将图片改名后再试。"));
}

// Everything known of the project before anything of it is written: it must be
// writable as it is, its map must read whole, and it must be this document's.
void Generator::openProject() {
    rejectLinkedContentFolder(layout_);
    rejectReadOnlyProjectFiles(layout_);
    record_.open(
        layout_, outputFolder_, fileSettings_.renumber,
        [this](const std::string& question) { return listener_.replaceProject(question); });
    removeLeftovers(layout_);
}

// The page's pictures folder goes into the content folder, under its own name.
void Generator::copyPictures() {
    std::error_code ec;
    if (!std::filesystem::is_directory(layout_.contentFolder, ec))
        std::filesystem::create_directory(layout_.contentFolder,
                                          ec); // a failure shows at the first page
    std::vector<std::filesystem::path> skipped;
    std::vector<std::filesystem::path> copied;
    std::string reason;
    bool copyFailed =
        std::filesystem::is_directory(layout_.supportingFiles, ec) &&
        !copyFolder(layout_.supportingFiles, layout_.contentFolder, &skipped, &copied, &reason);
    for (const std::filesystem::path& picture : copied)
        record_.wrote(picture);
    if (copyFailed)
        throw Error(u8("无法把图片文件夹“") + pathText(layout_.supportingFiles) + u8("”复制到“") +
                    pathText(layout_.contentFolder) + u8("”") +
                    (reason.empty() ? std::string() : u8("：") + reason));
    report_.outputs.push_back(layout_.contentFolder);
    for (const TreeEntry& entry : listTree(layout_.supportingFiles))
        report_.pictures += entry.kind == EntryKind::File ? 1u : 0u;
    warnOfPictures(skipped, copied);
}

bool Generator::convertDocument() {
    listener_.showText(RunField::Status, u8("正在生成中间文件，请稍候……"));
    listener_.processEvents();
    bool ok =
        converter_ != nullptr && (converter_->convert(layout_.source, intermediateHtml_, false) ||
                                  converter_->convert(layout_.source, intermediateHtml_, true));
    listener_.showText(RunField::Status, "");
    return ok;
}

void Generator::scanHeadings() {
    Adapter adapter(*this);
    TopicPageWriter writer(layout_.contentFolder, adapter, writtenTopics_, runLog_,
                           pathText(intermediateHtml_.filename()), intermediateHtml_.parent_path());
    writtenTopics_.clear();
    HeadingScanner scanner({workStream_, pageSource_, layout_.baseName}, tree_, writer, adapter,
                           outsideTag_);
    ids_.reset();
    if (!scanner.scanHeadings())
        return;
    numberTopics();
    if (ids_ && fileSettings_.numberedNames)
        nameByNumbers(writer);
    writer.mendLinks();
}

// The context IDs stay with their topics: numbered with the map of the last run.
void Generator::numberTopics() {
    if (tree_.empty())
        return;
    ids_ = numberContextIds(contextIdKeys(tree_, writtenTopics_), record_.earlierNumbers(),
                            contextIdKeys(tree_, writtenTopics_, KeyReading::Legacy));
}

// Each page takes its topic's context number as its name, before the links that name
// it are mended.
void Generator::nameByNumbers(TopicPageWriter& writer) {
    std::unordered_map<std::string, std::string> byTopic; // old topic name → number
    std::vector<std::string> names;
    for (std::size_t i = 0; i < writtenTopics_.size() && i < ids_->ks.size(); ++i) {
        names.push_back(contextNumber(ids_->ks[i]));
        byTopic.emplace(writtenTopics_[i], names.back());
    }
    writer.renamePages(names);
    tree_.forEach([&](StructureNode& node) {
        auto found = byTopic.find(TopicPageWriter::topicName(node));
        if (found == byTopic.end())
            return;
        node.page = found->second;
        listener_.nodeChanged(node);
    });
}

bool Generator::writeProject(RunOutcome& outcome) {
    if (tree_.empty() || !ids_)
        return false;
    const bool earlier = record_.earlierNumbers().has_value();
    const ContextIdNumbering& ids = *ids_;

    // The map is the record of the numbers: written before the files that carry them, so
    // that a map that cannot be written changes none of them. Until the project is
    // complete it keeps the earlier run's pages on record too.
    recordPages();
    record_.writeMap(ids.map);
    ProjectInput input{tree_, writtenTopics_, settings().title, chmFileName_, &ids.ks};
    std::string defaultPage = writeProjectFile(input, layout_.projectPlace());
    if (!defaultPage.empty())
        listener_.showText(RunField::DefaultPage, defaultPage);
    writeContentsAndIndex(tree_, layout_.contentFolderPrefix(), layout_.projectFilePath("hhc"),
                          layout_.projectFilePath("hhk"));
    record_.complete();
    for (const char* extension : {"hhp", "hhc", "hhk", "txt", "ids"})
        report_.outputs.push_back(layout_.projectFilePath(extension));
    outcome.summary += pathText(layout_.projectFilePath("hhp")) + "\r\n";
    if (earlier) {
        outcome.summary += contextIdNote(ids);
        report_.contextIds = contextIdChanges(ids);
    }
    return true;
}

// A project that was not completed (a failure, a stop, nothing to write) takes away the
// pages and pictures it created, so that failed runs do not pile them up.
void Generator::settlePages() {
    recordPages();
    record_.abandon();
}

void Generator::recordPages() {
    for (const std::string& topic : writtenTopics_)
        record_.wrote(layout_.contentFolder / gbk::toPath(topic + ".htm"));
}

bool Generator::compileProject(RunOutcome& outcome) {
    compileLog_.clear();
    if (compiler_ == nullptr)
        return false;
    listener_.showText(RunField::Status, u8("正在编译……"));
    const std::filesystem::path chm = compiledChmPath(chmFileName_, layout_);
    bool built = compiler_->compile(
        layout_.projectFilePath("hhp"),
        [this](const std::string& text) {
            std::string line(trimBlanks(text));
            if (line.empty())
                return;
            compileLog_.push_back(u8("编译信息：") + line);
            if (line.starts_with(u8("警告：")) || line.starts_with(u8("错误：")) ||
                line.starts_with("Warning:") || line.starts_with("Error:"))
                warn(line);
        },
        [this](const std::string& text) {
            listener_.showText(RunField::Status, text);
            listener_.processEvents();
            return !stop_.isSet();
        });
    listener_.showText(RunField::Status, "");
    if (!compileLog_.empty()) {
        saveLines(layout_.projectFilePath("log"), compileLog_);
        report_.outputs.push_back(layout_.projectFilePath("log"));
    }
    if (!built) {
        fileFailed(Failure::ChmNotBuilt,
                   u8("未能生成CHM文件\"") + pathText(chm) + u8("\"，详见") +
                       pathText(layout_.projectFilePath("log")),
                   outcome);
        return false;
    }
    // The compiler leaves out, with a warning only, what it cannot find; a CHM without
    // some of the project's pages is no finished help file.
    std::optional<std::vector<std::string>> missing =
        missingPages(chm, layout_.contentFolderPrefix(), writtenTopics_);
    if (!missing) {
        fileFailed(Failure::ChmIncomplete,
                   u8("无法读取CHM文件\"") + pathText(chm) +
                       u8("\"的目录，不能确认其中有工程的全部页面。"),
                   outcome);
        return false;
    }
    if (missing->empty()) {
        std::error_code ec;
        report_.outputs.push_back(chm);
        report_.chmSize = std::filesystem::file_size(chm, ec);
        return true;
    }
    std::string note = u8("CHM文件\"") + pathText(chm) + u8("\"不完整，缺少工程中的以下页面：");
    for (const std::string& page : *missing)
        note += "\r    " + page;
    fileFailed(Failure::ChmIncomplete, note, outcome);
    return false;
}

void Generator::endRun(RunOutcome& outcome, std::size_t n) {
    currentFile_.clear();
    // A run that made no project says so first; the lists below say why.
    outcome.summary.insert(0, outcome.projectsWritten > 0
                                  ? u8("已经生成以下 Microsoft Html Help Workshop 工程文件：\r\n")
                                  : u8("没有生成任何帮助工程。") + "\r\n");
    for (const std::string& note : incompleteChms_)
        outcome.summary += "\r" + note;
    incompleteChms_.clear();
    if (!failures_.empty()) {
        outcome.summary += "\r" + u8("以下文件未能生成帮助：") + "\r";
        for (const std::string& failure : failures_)
            outcome.summary += "    " + failure + "\r";
        failures_.clear();
    }
    if (!stop_.isSet()) {
        if (outcome.projectsWritten > 0)
            outcome.summary +=
                u8("如果没有生成CHM文件请使用Microsoft Html Help Workshop或quillmark-hhc "
                   "编译相关工程文件，生成CHM文件");
    } else {
        outcome.ending = RunOutcome::Ending::Interrupted;
        runLog_.push_back(outcome.summary);
        runLog_.push_back(numdate::longTime(numdate::now()) + u8("用户中断操作。"));
        // Its own name: the ID list of a finished project stays as it was.
        std::filesystem::path log = layout_.runLogPath();
        outcome.summary = u8("操作被用户中断。");
        if (!layout_.baseName.empty()) {
            try {
                saveLines(log, runLog_);
                outcome.summary += u8("相关内容请查看") + pathText(log);
            } catch (const Error& e) {
                // The run was stopped; a log that cannot be written must not hide that,
                // nor why the log is missing.
                outcome.summary += u8("运行记录未能写入：") + e.what();
            }
        }
    }
    listener_.showText(RunField::EndTime,
                       u8("    结束时间：") + numdate::dateTimeText(numdate::now()));
    if (n > 0 && !stop_.isSet())
        listener_.showSummary(outcome.summary);
}

} // namespace qm
