// The presenter's side of a run: starting it on a thread of its own, the events the run
// reports (on its thread) crossed to the view's thread, and the end of the run.
#include "ui/MainPresenter.h"

#include "UiText.h"
#include "split/StructureTree.h"
#include "text/Gbk.h"

#include <condition_variable>
#include <mutex>

namespace qm::ui {

namespace {

bool startsWith(const std::string& text, const char* utf8) {
    return text.starts_with(gbk::fromUtf8(utf8));
}

// The core's time texts lead with four blanks to stand apart in one row; the window
// gives each its own label.
std::string trimmedText(const std::string& gbkText) {
    return uitext::trimmed(uitext::fromGbk(gbkText));
}

std::string clockText(std::int64_t milliseconds) {
    const std::int64_t seconds = (milliseconds + 999) / 1000;
    char text[40];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

// One waiting for one release, with a limit, so that a run never waits for a window
// that is going away.
class Signal {
public:
    void release() {
        std::lock_guard lock(mutex_);
        done_ = true;
        changed_.notify_all();
    }
    bool waitFor(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [this] { return done_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false;
};

} // namespace

// The run's listener: everything arrives on the run's thread.
class MainPresenter::Events : public RunListener {
public:
    explicit Events(MainPresenter& p) : p_(p) {}

    void showText(RunField field, const std::string& text) override { p_.runText(field, text); }
    void titleChosen(const std::string& title) override {
        p_.view_.post([this, title] { p_.setTitle(title); });
    }
    // Asked when the run is about to replace a project another document made.
    bool replaceProject(const std::string& question) override {
        auto replace = std::make_shared<bool>(false);
        p_.waitForView([this, replace, shown = uitext::boxText(question)] {
            *replace = p_.view_.askYesNo("替换帮助工程", shown, Answer::No);
        });
        return *replace;
    }
    void showSummary(const std::string&) override {
        p_.view_.post([this] { p_.summaryShown_ = true; });
    }
    // No box: an unattended batch must not wait for anyone. The reason goes into the
    // result with its file.
    void showWordFailure(const std::string& text) override {
        p_.view_.post([this, text] { p_.conversionFailure_ = text; });
    }
    void warning(const std::string& text) override {
        p_.view_.post([this, text] { p_.runWarnings_.push_back(text); });
    }
    // The scan waits until the window shows its progress: the tree never lags far behind
    // the scan, and a stop pressed meanwhile is seen at the scan's next step.
    void scanProgress(std::int64_t done, std::int64_t total, std::size_t nodes) override {
        p_.progress_.scanned(done, total, nodes);
        p_.publishProgress(true);
    }
    void conversionProgress(std::size_t done, std::size_t total) override {
        p_.progress_.batchConverted(done, total);
        p_.publishProgress(false);
    }
    void structureCleared(const FileLayout& layout) override {
        p_.view_.post([this, layout] {
            p_.nodes_.clear();
            p_.view_.clearTree();
            p_.treeLayout_ = layout;
        });
    }
    void nodeAdded(const StructureNode& node) override { p_.addNode(node, true); }
    void nodeChanged(const StructureNode& node) override { p_.addNode(node, false); }
    // The help button opens the last CHM the run finished.
    void fileDone(const FileReport& report) override {
        if (report.outcome == FileReport::Outcome::Failed)
            p_.view_.post([this, report] { p_.fileFailed(report); });
        if (report.outcome != FileReport::Outcome::Done)
            return;
        for (const std::filesystem::path& output : report.outputs)
            if (output.extension() == ".chm")
                p_.view_.post([this, output] { p_.lastChm_ = output; });
    }

private:
    MainPresenter& p_;
};

MainPresenter::MainPresenter(MainView& view, Services services)
    : view_(view), services_(std::move(services)), events_(std::make_unique<Events>(*this)),
      generator_(*events_, services_.converter, services_.compiler) {
    settings_.title = uitext::toGbk(titleSuffix());
}

MainPresenter::~MainPresenter() {
    shutDown();
    removePreviews();
}

// The window goes while a run works (the program quits): the run stops, and waits for
// nothing from the window any more.
void MainPresenter::shutDown() {
    if (!runThread_.joinable())
        return;
    closing_ = true;
    generator_.abort();
    runThread_.join();
}

// ---- The view's side: starting, watching and ending a run ---------------------------

void MainPresenter::generate() {
    if (running_)
        return;
    if (settings_.title == uitext::toGbk(titleSuffix()) &&
        view_.askYesNo("提示",
                       "您没有给出帮助文件标题(CHM文件打开时显示的标题)，"
                       "您希望给出标题后再生成吗？",
                       Answer::Yes))
        return;
    startRun();
}

void MainPresenter::startRun() {
    // A stop or close of the last run must not end this one before it starts.
    generator_.stopFlag().clear();
    stopRequested_ = false;
    closeAfterRun_ = false;
    const RunSettings settings = runSettings();
    runOutput_ = settings.outputFolder;
    std::vector<RunProgress::File> files;
    for (const std::filesystem::path& path : generator_.openedFiles()) {
        std::error_code error;
        const auto bytes = std::filesystem::file_size(path, error);
        bool converted = false;
        try {
            converted = FileLayout::forSource(path).needsConversion();
        } catch (const std::exception&) {
            // the run refuses the name when it comes to the file
        }
        files.push_back({error ? 0 : static_cast<std::int64_t>(bytes), converted});
    }
    progress_.start(std::move(files));
    nextFile_ = 0;
    lastStatus_.clear();
    runWarnings_.clear();
    runFailures_.clear();
    conversionFailure_.clear();
    summaryShown_ = false;

    running_ = true;
    view_.showFileInHand(true);
    view_.setProgress(0);
    shownProgress_ = 0;
    view_.setText(Text::Status, progress_.text());
    // Nothing of the last run stays up while this one converts.
    view_.setText(Text::FileCount, "");
    view_.setText(Text::BeginTime, "");
    view_.setText(Text::EndTime, "");
    view_.showProgressRow(true);
    view_.setBusy(true);
    runStart_ = std::chrono::steady_clock::now();
    estimatedEnd_ = -1;
    view_.setTicking(true);
    updateActions();

    runThread_ = std::thread([this, settings] {
        RunOutcome outcome;
        bool failed = false;
        std::string error;
        try {
            outcome = generator_.generationRun(settings);
        } catch (const std::exception& e) {
            failed = true;
            error = uitext::errorText(e);
        } catch (...) {
            failed = true;
            error = "生成时发生未知错误。";
        }
        view_.post([this, outcome, failed, error] { finishRun(outcome, failed, error); });
    });
}

void MainPresenter::stop() {
    if (!running_ || stopRequested_)
        return;
    stopRequested_ = true;
    generator_.abort();
    view_.setText(Text::Status, "正在停止 …");
    updateActions();
}

void MainPresenter::finishRun(const RunOutcome& outcome, bool failed, const std::string& error) {
    runThread_.join(); // it has nothing left to do but return
    running_ = false;
    view_.setTicking(false);
    view_.setBusy(false);
    view_.showFileInHand(false);
    settings_.renumber = false; // numbered anew once; the next run keeps the numbers
    view_.setChecked(Switch::Renumber, false);

    if (failed) {
        // The progress row stays in place of the banner until a later run ends normally.
        updateActions();
        view_.error(error);
    } else {
        view_.setProgress(RunProgress::kMaximum);
        view_.showProgressRow(false);
        updateActions();
        if (!closeAfterRun_)
            showRunReport(outcome);
    }
    runWarnings_.clear();
    updateActions();
    view_.runHasEnded();
    if (closeAfterRun_)
        view_.closeWindow();
}

// The box that ends a run: its first line says what failed, if anything, and the
// summary with the run's warnings (a page the compiler could not find, a link left
// uncopied) follows.
void MainPresenter::showRunReport(const RunOutcome& outcome) {
    const bool stopped = outcome.ending == RunOutcome::Ending::Interrupted;
    if (!summaryShown_ && !(stopped && stopRequested_))
        return;
    std::string text = outcome.summary;
    if (!runWarnings_.empty()) {
        text += "\r\r" + gbk::fromUtf8("警告：");
        for (const std::string& line : runWarnings_)
            text += "\r" + line;
    }
    RunReport report;
    report.details = uitext::boxText(text);
    const int files = static_cast<int>(opened_.size());
    const int unfinished = std::max(0, files - outcome.chmsBuilt);
    if (stopped) {
        report.warning = true;
        report.headline = "生成已停止，已完成的文件保留。";
    } else if (unfinished > 0 || outcome.filesFailed > 0 || outcome.chmsIncomplete > 0) {
        report.warning = true;
        report.headline = failureHeadline(outcome);
    } else {
        report.headline = "已生成 " + std::to_string(outcome.chmsBuilt) + " 个CHM帮助文件。";
    }
    view_.showResult(report);
}

// What failed, then each failed file with its reason (the first few), before the
// details.
std::string MainPresenter::failureHeadline(const RunOutcome& outcome) const {
    const int files = static_cast<int>(opened_.size());
    const int unfinished = std::max(0, files - outcome.chmsBuilt);
    std::string headline = files == 1
                               ? "没有生成完整的CHM帮助文件"
                               : std::to_string(files) + " 个文件中有 " +
                                     std::to_string(unfinished) + " 个没有生成完整的CHM帮助文件";
    if (outcome.filesFailed > 0)
        headline += "（" + std::to_string(outcome.filesFailed) + " 个文件处理失败）";
    headline += "，详见下文。";
    constexpr std::size_t kNamed = 5;
    for (std::size_t i = 0; i < runFailures_.size() && i < kNamed; ++i)
        headline += "\n" + runFailures_[i];
    if (runFailures_.size() > kNamed)
        headline += "\n……另有 " + std::to_string(runFailures_.size() - kNamed) + " 个";
    return headline;
}

// A failed file's name and its reason: the conversion's, or the warning that failed it.
void MainPresenter::fileFailed(const FileReport& report) {
    std::string why = conversionFailure_;
    conversionFailure_.clear();
    if (why.empty() && !report.warnings.empty()) {
        why = report.warnings.back();
        const std::string prefix = gbk::fromPath(report.source) + gbk::fromUtf8("：");
        if (why.starts_with(prefix))
            why.erase(0, prefix.size());
    }
    // The first line of the reason is enough above the details.
    why = uitext::fromGbk(why.substr(0, why.find_first_of("\r\n")));
    runFailures_.push_back(uitext::fromPath(report.source.filename()) +
                           (why.empty() ? "" : "：" + why));
}

void MainPresenter::tick() {
    if (!running_ || shownProgress_ <= 0)
        return;
    const std::int64_t elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - runStart_)
                                     .count();
    const double done = static_cast<double>(shownProgress_) / RunProgress::kMaximum;
    // The estimate counts down between two reports of progress; once it runs out while
    // the work goes on, it is made anew from the pace so far.
    if (estimatedEnd_ < 0 || estimatedEnd_ - elapsed < 1000)
        estimatedEnd_ =
            elapsed + static_cast<std::int64_t>(static_cast<double>(elapsed) * (1 - done) / done);
    view_.setText(Text::EndTime, "大概剩余时间：" + clockText(estimatedEnd_ - elapsed));
}

// ---- On the run's thread ------------------------------------------------------------

// Runs code on the view's thread and waits for it, unless the window is going away.
void MainPresenter::waitForView(std::function<void()> code) {
    auto done = std::make_shared<Signal>();
    view_.post([code = std::move(code), done] {
        code();
        done->release();
    });
    while (!done->waitFor(std::chrono::milliseconds(50)))
        if (closing_)
            return;
}

void MainPresenter::publishProgress(bool wait) {
    auto show = [this, value = progress_.value(), text = progress_.text()] {
        if (!running_)
            return;
        view_.setText(Text::Status, stopRequested_ ? "正在停止 …" : text);
        if (value != shownProgress_) {
            shownProgress_ = value;
            estimatedEnd_ = -1;
            view_.setProgress(value);
        }
    };
    if (wait)
        waitForView(std::move(show));
    else
        view_.post(std::move(show));
}

// A new file of the run: its names and target folder replace the last file's at once.
void MainPresenter::fileStarted(const std::string& shownPath) {
    const std::vector<std::filesystem::path>& files = generator_.openedFiles();
    std::size_t index = nextFile_;
    for (std::size_t i = nextFile_; i < files.size(); ++i)
        if (gbk::fromPath(files[i]) == shownPath) {
            index = i;
            break;
        }
    nextFile_ = index + 1;
    progress_.fileStarted(index);
    lastStatus_.clear(); // the conversion's notice comes again for this file
    std::string fileName;
    std::string folder;
    if (index < files.size()) {
        try {
            const FileLayout layout = FileLayout::forSource(files[index], runOutput_);
            fileName = uitext::fromGbk(layout.baseName + ".chm");
            folder = "生成文件保存到【" + uitext::fromGbk(layout.targetFolderText()) + "】目录下";
        } catch (const std::exception&) {
            // a name no project can have: the run says so when it comes to it
        }
    }
    view_.post([this, shown = uitext::fromGbk(shownPath), fileName, folder] {
        view_.setText(Text::SourceFileName, shown);
        view_.setText(Text::ChmFileName, fileName);
        view_.setText(Text::TargetFolder, folder);
        view_.setText(Text::DefaultPage, "");
    });
    publishProgress(false);
}

void MainPresenter::runText(RunField field, const std::string& text) {
    const auto show = [this](Text shown, std::string value) {
        view_.post([this, shown, value = std::move(value)] { view_.setText(shown, value); });
    };
    switch (field) {
    case RunField::SourceFileName:
        fileStarted(text);
        return;
    case RunField::Status:
        // The bar tells the step from the core's texts; the same text again (the
        // compiler's checkpoints) changes nothing.
        if (text == lastStatus_)
            return;
        lastStatus_ = text;
        if (startsWith(text, "正在生成中间文件"))
            progress_.converting();
        else if (startsWith(text, "正在编译"))
            progress_.compiling();
        else if (!text.empty())
            progress_.compilerSaid(text);
        publishProgress(false);
        return;
    case RunField::FileCount:
        return show(Text::FileCount, uitext::fromGbk(text));
    case RunField::BeginTime:
        return show(Text::BeginTime, trimmedText(text));
    case RunField::EndTime:
        // The window keeps its own remaining time for the whole run.
        if (text.find(gbk::fromUtf8("剩余时间")) != std::string::npos)
            return;
        return show(Text::EndTime, trimmedText(text));
    case RunField::TargetFolder:
        return show(Text::TargetFolder, uitext::fromGbk(text));
    case RunField::ChmFileName:
        return show(Text::ChmFileName, uitext::fromGbk(text));
    case RunField::DefaultPage:
        return show(Text::DefaultPage, uitext::fromGbk(text));
    }
}

// The nodes stay in place in the run's tree until the next scan clears it, so their
// addresses name them; the view never follows them.
void MainPresenter::addNode(const StructureNode& node, bool added) {
    NodeRow row{reinterpret_cast<std::uintptr_t>(&node),
                reinterpret_cast<std::uintptr_t>(node.parent),
                gbk::toDisplayUtf8(node.heading.empty() ? node.title : node.heading),
                node.position,
                node.endPosition,
                node.level};
    view_.post([this, row, title = node.title, page = node.page, added] {
        nodes_[row.id] = {title, row.position, page, row.shown};
        if (added)
            view_.addNode(row);
        else
            view_.changeNode(row);
    });
}

} // namespace qm::ui
