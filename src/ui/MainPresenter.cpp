#include "ui/MainPresenter.h"

#include "UiText.h"
#include "addcode/AdditionalCodeFile.h"
#include "addcode/AdditionalCodeLibrary.h"
#include "addcode/Preview.h"
#include "split/PageFrame.h"
#include "text/Gbk.h"
#include "ui/SettingsStore.h"
#include "ui/ShellServices.h"

#include <algorithm>
#include <set>

namespace qm::ui {

namespace {

// The path as the enable rule of Generate sees it: without leading and trailing blanks
// and control characters.
bool isBlank(const std::filesystem::path& path) {
    const auto& text = path.native(); // wide on Windows
    return std::all_of(text.begin(), text.end(), [](auto c) {
        return static_cast<std::make_unsigned_t<decltype(c)>>(c) <= ' ';
    });
}

std::string lowerExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// {} in text replaced by each argument in turn.
std::string format(std::string text, std::initializer_list<std::string> args) {
    std::size_t at = 0;
    for (const std::string& arg : args) {
        at = text.find("{}", at);
        if (at == std::string::npos)
            break;
        text.replace(at, 2, arg);
        at += arg.size();
    }
    return text;
}

} // namespace

bool MainPresenter::isSourceDocument(const std::filesystem::path& path) {
    static const std::set<std::string> kSuffixes{".doc", ".docx", ".rtf", ".odt", ".htm", ".html"};
    return kSuffixes.contains(lowerExtension(path));
}

const std::vector<MainPresenter::FileFilter>& MainPresenter::sourceFilters() {
    static const std::vector<FileFilter> kFilters{
        {"所有可以打开的文档", {"*.doc", "*.docx", "*.rtf", "*.odt", "*.htm", "*.html"}},
        {"Word 文档", {"*.doc", "*.docx"}},
        {"RTF 文档", {"*.rtf"}},
        {"OpenDocument 文本", {"*.odt"}},
        {"网页", {"*.htm", "*.html"}},
        {"所有文件", {"*"}},
    };
    return kFilters;
}

const char* MainPresenter::titleSuffix() {
    return " －帮助";
}

// ---- Settings between sessions ------------------------------------------------------

void MainPresenter::restoreSettings() {
    SettingsStore& store = services_.store;
    lastFolder_ = uitext::toPath(store.text("window/lastFolder").value_or(""));
    recent_.load(store);
    settings_.level = uitext::toGbk(store.text("window/level").value_or("0"));
    settings_.autoTitle = store.flag("window/autoTitle").value_or(true);
    settings_.defaultHeader = store.flag("window/defaultHeader").value_or(false);
    settings_.numberedNames = store.flag("window/numberedNames").value_or(false);
    outputText_ = store.text("window/outputFolder").value_or("");
    settings_.useAdditionalCode = store.flag("window/useAdditionalCode").value_or(false);
    settings_.beforeEntry = uitext::memoToGbk(store.text("window/prefixCode").value_or(""));
    settings_.afterEntry = uitext::memoToGbk(store.text("window/suffixCode").value_or(""));
    // A title the user typed himself stays until he types another.
    if (const auto title = store.text("window/title"); title && !settings_.autoTitle)
        setTitle(uitext::toGbk(*title));

    view_.setText(Text::Level, uitext::fromGbk(settings_.level));
    view_.setChecked(Switch::AutoTitle, settings_.autoTitle);
    view_.setChecked(Switch::DefaultHeader, settings_.defaultHeader);
    view_.setChecked(Switch::NumberedNames, settings_.numberedNames);
    view_.setText(Text::OutputFolder, outputText_);
    view_.setChecked(Switch::UseAdditionalCode, settings_.useAdditionalCode);
    view_.setText(Text::BeforeEntry, uitext::memoFromGbk(settings_.beforeEntry));
    view_.setText(Text::AfterEntry, uitext::memoFromGbk(settings_.afterEntry));
    showRecentFiles();
    updateActions();
}

void MainPresenter::saveSettings() {
    SettingsStore& store = services_.store;
    store.setText("window/lastFolder", uitext::fromPath(lastFolder_));
    recent_.save(store);
    store.setText("window/level", uitext::fromGbk(settings_.level));
    store.setFlag("window/autoTitle", settings_.autoTitle);
    store.setFlag("window/defaultHeader", settings_.defaultHeader);
    store.setFlag("window/numberedNames", settings_.numberedNames);
    store.setText("window/outputFolder", outputText_);
    store.setFlag("window/useAdditionalCode", settings_.useAdditionalCode);
    store.setText("window/prefixCode", uitext::memoFromGbk(settings_.beforeEntry));
    store.setText("window/suffixCode", uitext::memoFromGbk(settings_.afterEntry));
    store.setText("window/title", uitext::fromGbk(settings_.title));
}

void MainPresenter::startUp() {
    if (startedUp_)
        return;
    startedUp_ = true;
    listCodeFiles();
    updateActions();
}

RunSettings MainPresenter::runSettings() const {
    RunSettings settings = settings_;
    settings.outputFolder = outputFolder();
    return settings;
}

std::filesystem::path MainPresenter::outputFolder() const {
    return uitext::toPath(uitext::trimmed(outputText_));
}

// ---- What the user does -------------------------------------------------------------

void MainPresenter::updateActions() {
    const bool idle = !running_;
    const bool hasCode = !settings_.beforeEntry.empty() || !settings_.afterEntry.empty();
    view_.setEnabled(Control::Open, idle);
    view_.setEnabled(Control::Recent, idle && !recent_.empty());
    // The generator is the run's while it works.
    view_.setEnabled(Control::Generate, idle && !isBlank(generator_.intermediateHtml()));
    view_.setEnabled(Control::Stop, running_ && !stopRequested_);
    view_.setEnabled(Control::OpenFolder, !opened_.empty());
    view_.setEnabled(Control::OpenHelp, idle && lastChm_.has_value());
    view_.setEnabled(Control::OpenCode, idle);
    view_.setEnabled(Control::SaveCode, idle && hasCode);
    view_.setEnabled(Control::PreviewCode, idle && hasCode);
    // What a run reads once must not change while it works.
    for (Control control : {Control::ClearCode, Control::Level, Control::DefaultHeader,
                            Control::Renumber, Control::NumberedNames, Control::OutputFolder,
                            Control::BrowseOutput, Control::UseAdditionalCode})
        view_.setEnabled(control, idle);
}

void MainPresenter::open() {
    const std::vector<std::filesystem::path> files = view_.chooseSourceFiles(lastFolder_);
    // A cancelled dialog keeps the files opened before: the window still names them,
    // and Generate must process what it shows.
    if (!files.empty())
        openFiles(files);
}

void MainPresenter::openFiles(const std::vector<std::filesystem::path>& files) {
    if (running_ || files.empty())
        return;
    opened_ = files;
    generator_.openFiles(files);
    std::error_code error;
    const std::filesystem::path first = std::filesystem::absolute(files.front(), error);
    lastFolder_ = (error ? files.front() : first).parent_path();
    addRecentFiles(files);
    clearLastResults();

    view_.setText(Text::SourceFileName, uitext::fromPath(files.front()));
    if (settings_.autoTitle)
        setTitle(gbk::fromPath(generator_.intermediateHtml().stem()) +
                 uitext::toGbk(titleSuffix()));
    std::string shown;
    for (const std::filesystem::path& file : files)
        shown += (shown.empty() ? "" : ";") + uitext::fromPath(file);
    view_.setText(Text::SourceFiles, shown);
    updateActions();
}

// What the last run showed belongs to other files than the ones just opened.
void MainPresenter::clearLastResults() {
    lastChm_.reset(); // the help of other documents
    nodes_.clear();
    view_.clearTree();
    treeLayout_.reset();
    view_.setText(Text::ChmFileName, "");
    view_.setText(Text::DefaultPage, "");
    view_.setText(Text::TargetFolder, "");
}

void MainPresenter::setTitle(const std::string& gbk) {
    settings_.title = gbk;
    view_.setText(Text::Title, uitext::fromGbk(gbk));
}

void MainPresenter::addRecentFiles(const std::vector<std::filesystem::path>& files) {
    recent_.add(files);
    showRecentFiles();
}

void MainPresenter::showRecentFiles() {
    std::vector<RecentRow> rows;
    for (const RecentList::Entry& files : recent_.entries())
        rows.push_back({RecentList::caption(files), RecentList::details(files), files});
    view_.setRecentFiles(rows);
}

void MainPresenter::openRecent(std::vector<std::filesystem::path> files) {
    std::vector<std::filesystem::path> found, missing;
    for (const std::filesystem::path& file : files) {
        std::error_code error;
        (std::filesystem::is_regular_file(file, error) ? found : missing).push_back(file);
    }
    if (!missing.empty()) {
        // The entry as it was names files that are gone: what is found comes back as an
        // entry of its own.
        recent_.remove(files);
        showRecentFiles();
        updateActions();
    }
    if (found.size() == 1 && files.size() == 1 && isHelpFile(found.front()))
        viewHelp(found.front());
    else if (!found.empty())
        openFiles(found);
    if (missing.empty())
        return;
    constexpr std::size_t kShown = 20;
    if (files.size() == 1)
        view_.information(format("文件“{}”已不存在。", {uitext::fromPath(files.front())}));
    else if (found.empty())
        view_.information(format("这 {} 个一起打开过的文件都已不存在，已从最近列表中删除：\n{}",
                                 {std::to_string(files.size()), pathLines(missing, kShown)}));
    else
        view_.information(format("以下 {} 个文件已不存在，只打开了其余 {} 个文件：\n{}",
                                 {std::to_string(missing.size()), std::to_string(found.size()),
                                  pathLines(missing, kShown)}));
}

void MainPresenter::clearRecent() {
    recent_.clear();
    showRecentFiles();
    updateActions();
}

void MainPresenter::openFolder() {
    // Each folder once, also when files share it; an output folder takes them all.
    const std::filesystem::path output = outputFolder();
    std::set<std::filesystem::path> seen;
    for (const std::filesystem::path& file : opened_) {
        std::filesystem::path folder = output.empty() ? file.parent_path() : output;
        folder = (folder / "").lexically_normal();
        if (seen.insert(folder).second)
            services_.shell.openPath(folder);
    }
}

void MainPresenter::openHelp() {
    if (!lastChm_)
        return;
    std::error_code error;
    if (!std::filesystem::is_regular_file(*lastChm_, error)) {
        view_.information(format("帮助文件“{}”已不存在。", {uitext::fromPath(*lastChm_)}));
        return;
    }
    viewHelp(*lastChm_);
}

void MainPresenter::viewHelp(const std::filesystem::path& chm) {
    const MainView::HelpShown shown = view_.showHelp(chm);
    if (shown == MainView::HelpShown::Failed)
        return;
    if (shown == MainView::HelpShown::NoViewer) {
        const std::vector<std::string> viewers = services_.shell.chmViewers();
        if (viewers.empty()) {
            view_.information("没有找到能打开CHM帮助文件的程序。\n"
                              "Debian 中可以安装 xchm 或 kchmviewer，例如：sudo apt install xchm");
            return;
        }
        services_.shell.openWith(viewers.front(), chm);
    }
    addRecentFiles({chm});
}

bool MainPresenter::isHelpFile(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return extension == ".chm";
}

void MainPresenter::openNode(std::uintptr_t id) {
    const auto node = nodes_.find(id);
    if (node == nodes_.end() || !treeLayout_)
        return;
    const std::filesystem::path page =
        node->second.page.empty()
            ? treeLayout_->topicPagePath(node->second.title, node->second.position)
            : treeLayout_->contentFolder / gbk::toPath(node->second.page + ".htm");
    std::error_code error;
    if (std::filesystem::is_regular_file(page, error))
        services_.shell.openPath(page);
    else
        view_.information(
            format("“{}”的页面文件不存在：\n{}\n它可能已被删除，或者生成还没有写到这一页。",
                   {node->second.shown, uitext::fromPath(page)}));
}

void MainPresenter::openMakerSite() {
    services_.shell.openUrl(std::string(kMakerAddress));
}

void MainPresenter::browseOutput() {
    const std::string typed = uitext::trimmed(outputText_);
    const std::filesystem::path folder =
        view_.chooseFolder(typed.empty() ? lastFolder_ : uitext::toPath(typed));
    if (folder.empty())
        return;
    outputText_ = uitext::fromPath(folder);
    view_.setText(Text::OutputFolder, outputText_);
}

bool MainPresenter::requestClose() {
    if (!running_) {
        saveSettings();
        removePreviews();
        return true;
    }
    // The run still works: a confirmed close stops it, and the window closes once the
    // run has ended.
    if (closeAfterRun_)
        return false;
    if (view_.askYesNo("退出提示", "正在生成帮助相关文件，是否确定要中断操作并退出本程序？",
                       Answer::No) &&
        running_) {
        closeAfterRun_ = true;
        stopRequested_ = true;
        generator_.abort();
        updateActions();
    }
    return false;
}

// ---- Edits --------------------------------------------------------------------------

// What stays open to change while a run works reaches the run at once.
void MainPresenter::textEdited(Text field, const std::string& text) {
    switch (field) {
    case Text::Title:
        if (uitext::toGbk(text) == settings_.title)
            return; // the title the presenter showed itself: the run has it already
        settings_.title = uitext::toGbk(text);
        if (running_)
            generator_.changeSettings([&](RunSettings& s) { s.title = settings_.title; });
        break;
    case Text::Level:
        settings_.level = uitext::toGbk(text);
        break;
    case Text::OutputFolder:
        outputText_ = text;
        break;
    case Text::BeforeEntry:
    case Text::AfterEntry:
        (field == Text::BeforeEntry ? settings_.beforeEntry : settings_.afterEntry) =
            uitext::memoToGbk(text);
        if (running_)
            generator_.changeSettings([&](RunSettings& s) {
                s.beforeEntry = settings_.beforeEntry;
                s.afterEntry = settings_.afterEntry;
            });
        break;
    default:
        return; // the run's own texts
    }
    updateActions();
}

void MainPresenter::switched(Switch box, bool on) {
    switch (box) {
    case Switch::AutoTitle:
        settings_.autoTitle = on;
        if (running_)
            generator_.changeSettings([&](RunSettings& s) { s.autoTitle = on; });
        break;
    case Switch::DefaultHeader:
        settings_.defaultHeader = on;
        generator_.clearSourceHeadCache();
        break;
    case Switch::Renumber:
        settings_.renumber = on;
        break;
    case Switch::NumberedNames:
        settings_.numberedNames = on;
        break;
    case Switch::UseAdditionalCode:
        settings_.useAdditionalCode = on;
        break;
    }
}

// ---- The additional-code library ----------------------------------------------------

void MainPresenter::listCodeFiles() {
    std::vector<AdditionalCodeFileEntry> files = listAdditionalCodeFiles(services_.programFolder);
    std::error_code error;
    if (!std::filesystem::equivalent(services_.userFolder, services_.programFolder, error)) {
        std::vector<AdditionalCodeFileEntry> own = listAdditionalCodeFiles(services_.userFolder);
        files.insert(files.end(), own.begin(), own.end());
    }
    std::vector<CodeFileRow> rows;
    for (const AdditionalCodeFileEntry& file : files)
        rows.push_back({uitext::fromGbk(file.title), file.position});
    view_.setCodeFiles(rows);
}

void MainPresenter::setMemo(Text field, const std::string& gbk) {
    (field == Text::BeforeEntry ? settings_.beforeEntry : settings_.afterEntry) = gbk;
    view_.setText(field, uitext::memoFromGbk(gbk));
}

void MainPresenter::openCodeFile() {
    const std::filesystem::path file = view_.chooseCodeFileToOpen(services_.userFolder);
    if (!file.empty())
        loadCode(file);
}

void MainPresenter::loadListedCode(const std::filesystem::path& file) {
    if (!running_)
        loadCode(file);
}

// An element the file lacks leaves its memo as it is.
void MainPresenter::loadCode(const std::filesystem::path& file) {
    try {
        const LoadedAdditionalCode code = loadAdditionalCodeFile(file);
        if (code.beforeEntry)
            setMemo(Text::BeforeEntry, *code.beforeEntry);
        if (code.afterEntry)
            setMemo(Text::AfterEntry, *code.afterEntry);
    } catch (const std::exception& error) {
        view_.error(uitext::errorText(error));
    }
    updateActions();
}

void MainPresenter::saveCode() {
    // The user's own folder exists once there is something to store in it.
    std::error_code error;
    if (!services_.userFolder.empty())
        std::filesystem::create_directories(services_.userFolder, error);
    const std::filesystem::path file = view_.chooseCodeFileToSave(services_.userFolder);
    if (file.empty())
        return;
    try {
        saveAdditionalCodeFile(file, AdditionalCode{settings_.beforeEntry, settings_.afterEntry});
    } catch (const std::exception& failure) {
        view_.error(uitext::errorText(failure));
    }
    listCodeFiles();
}

// The preview reads the run's layout and page frame: only while no run works.
void MainPresenter::previewCode() {
    if (running_)
        return;
    try {
        const std::filesystem::path page = previewAdditionalCode(
            generator_.layout().targetFolder, generator_.pageHead(),
            generator_.afterTitle(settings_.defaultHeader), settings_.beforeEntry,
            settings_.afterEntry, generator_.pageTail());
        // Kept whole: the current folder may change before the window removes it.
        std::error_code code;
        const std::filesystem::path whole = std::filesystem::absolute(page, code);
        if (std::find(previews_.begin(), previews_.end(), whole) == previews_.end())
            previews_.push_back(whole);
        services_.shell.openPath(page);
    } catch (const std::exception& error) {
        view_.error(uitext::errorText(error));
    }
}

void MainPresenter::clearCode() {
    if (running_ || (settings_.beforeEntry.empty() && settings_.afterEntry.empty()))
        return;
    if (!view_.askYesNo("清除附加代码", "确定要清除前缀和后缀附加代码吗？", Answer::No))
        return;
    setMemo(Text::BeforeEntry, "");
    setMemo(Text::AfterEntry, "");
    updateActions();
}

void MainPresenter::removePreviews() {
    for (const std::filesystem::path& page : previews_) {
        std::error_code error;
        std::filesystem::remove(page, error);
    }
    previews_.clear();
}

} // namespace qm::ui
