#include "FakeView.h"
#include "project/ChmCompiler.h"
#include "support/FailingDevice.h"
#include "support/TempDir.h"
#include "text/Gbk.h"
#include "ui/MainPresenter.h"
#include "word/DocumentConverter.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qm::ui {
namespace {

using test::FakeShell;
using test::FakeStore;
using test::FakeView;

std::string wordPage(const std::string& bodyUtf8) {
    return gbk::fromUtf8(
        "<html><head><title>t</title></head><body lang=ZH-CN><div class=Section1>" + bodyUtf8 +
        "</div></body></html>");
}

// The files of each recent entry the view lists, in order.
std::vector<std::vector<std::filesystem::path>> entries(const FakeView& view) {
    std::vector<std::vector<std::filesystem::path>> files;
    for (const RecentRow& row : view.recent)
        files.push_back(row.files);
    return files;
}

// A presenter over a recording view, without converter or compiler (no CHM is built).
class PresenterTest : public ::testing::Test {
protected:
    test::TempDir dir;
    FakeView view;
    FakeStore store;
    FakeShell shell;
    MainPresenter presenter{view, {store, shell, nullptr, nullptr, dir / "program", dir / "own"}};

    std::filesystem::path page(const char* name, const std::string& body = "<h1>A</h1>x") {
        test::writeFile(dir / name, wordPage(body));
        return dir / name;
    }
    void runToTheEnd() {
        const int ended = view.runsEnded;
        presenter.generate();
        ASSERT_TRUE(view.pumpUntil([&] { return view.runsEnded > ended; }));
    }
};

// Opening names the files, makes the title from the first, remembers them and clears
// what the last run showed; the enable rules follow.
TEST_F(PresenterTest, OpeningNamesTheFilesAndClearsTheLastRun) {
    presenter.restoreSettings();
    EXPECT_FALSE(view.enabled(Control::Generate));
    EXPECT_FALSE(view.enabled(Control::OpenFolder));
    EXPECT_FALSE(view.enabled(Control::Recent));
    EXPECT_TRUE(view.enabled(Control::Open));

    presenter.openFiles({page("a.htm"), page("b.htm")});
    EXPECT_EQ(view.text(Text::SourceFiles),
              (dir / "a.htm").string() + ";" + (dir / "b.htm").string());
    EXPECT_EQ(view.text(Text::Title), "a －帮助");
    ASSERT_EQ(entries(view),
              (std::vector<std::vector<std::filesystem::path>>{{dir / "a.htm", dir / "b.htm"}}));
    EXPECT_TRUE(view.enabled(Control::Generate));
    EXPECT_TRUE(view.enabled(Control::OpenFolder));
    EXPECT_TRUE(view.enabled(Control::Recent));

    runToTheEnd();
    EXPECT_FALSE(view.rows.empty());
    EXPECT_EQ(view.text(Text::ChmFileName), "b.chm");
    presenter.openFiles({dir / "a.htm"});
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(view.text(Text::ChmFileName), "");
    EXPECT_EQ(view.text(Text::DefaultPage), "");
    EXPECT_EQ(view.text(Text::TargetFolder), "");
    EXPECT_EQ(entries(view), (std::vector<std::vector<std::filesystem::path>>{
                                 {dir / "a.htm"}, {dir / "a.htm", dir / "b.htm"}}));
}

// Documents opened together come back together from 最近; what is gone meanwhile is
// named, and an entry with nothing left leaves the list.
TEST_F(PresenterTest, RecentBatchesReopenTogetherAndNameWhatIsGone) {
    using Files = std::vector<std::filesystem::path>;
    presenter.restoreSettings();
    const Files batch{page("a.htm"), page("b.htm"), page("c.htm")};
    presenter.openFiles(batch);
    presenter.openFiles({page("d.htm")});
    ASSERT_EQ(view.recent.size(), 2u);
    EXPECT_EQ(view.recent[0].caption, (dir / "d.htm").string());
    EXPECT_EQ(view.recent[1].caption, (dir / "a.htm").string() + " 等 3 个文件");
    EXPECT_EQ(view.recent[1].details, (dir / "a.htm").string() + "\n" + (dir / "b.htm").string() +
                                          "\n" + (dir / "c.htm").string());

    presenter.openRecent(view.recent[1].files);
    EXPECT_EQ(presenter.generator().openedFiles(), batch);
    EXPECT_EQ(entries(view), (std::vector<Files>{batch, {dir / "d.htm"}}));
    // The same documents opened again in another order are one entry.
    presenter.openFiles({batch[2], batch[0], batch[1]});
    EXPECT_EQ(entries(view), (std::vector<Files>{{batch[2], batch[0], batch[1]}, {dir / "d.htm"}}));
    EXPECT_TRUE(view.informations.empty());

    // One of them is gone: the others open, and the message names it.
    std::filesystem::remove(dir / "b.htm");
    presenter.openRecent(view.recent[0].files);
    EXPECT_EQ(presenter.generator().openedFiles(), (Files{batch[2], batch[0]}));
    ASSERT_EQ(view.informations.size(), 1u);
    EXPECT_NE(view.informations[0].find("以下 1 个文件已不存在，只打开了其余 2 个文件"),
              std::string::npos);
    EXPECT_NE(view.informations[0].find((dir / "b.htm").string()), std::string::npos);
    EXPECT_EQ(view.informations[0].find((dir / "a.htm").string()), std::string::npos);
    EXPECT_EQ(entries(view), (std::vector<Files>{{batch[2], batch[0]}, {dir / "d.htm"}}));

    // All of them gone: nothing opens, the entry goes.
    std::filesystem::remove(dir / "a.htm");
    std::filesystem::remove(dir / "c.htm");
    presenter.openRecent(view.recent[0].files);
    ASSERT_EQ(view.informations.size(), 2u);
    EXPECT_NE(view.informations[1].find("都已不存在，已从最近列表中删除"), std::string::npos);
    EXPECT_EQ(entries(view), (std::vector<Files>{{dir / "d.htm"}}));
    EXPECT_EQ(presenter.generator().openedFiles(), (Files{batch[2], batch[0]}));

    // A single file that is gone says so in its own words.
    std::filesystem::remove(dir / "d.htm");
    presenter.openRecent(view.recent[0].files);
    ASSERT_EQ(view.informations.size(), 3u);
    EXPECT_EQ(view.informations[2], "文件“" + (dir / "d.htm").string() + "”已不存在。");
    EXPECT_TRUE(view.recent.empty());
    EXPECT_FALSE(view.enabled(Control::Recent));
}

// The list stored by earlier versions (single files) still reads; batches, CHMs and
// names with '%' or line breaks come back as they were stored, at most eight entries.
TEST_F(PresenterTest, RecentEntriesSurviveTheSessionAndReadTheEarlierList) {
    using Files = std::vector<std::filesystem::path>;
    std::vector<std::string> earlier;
    for (int i = 0; i < 10; ++i)
        earlier.push_back((dir / ("old" + std::to_string(i) + ".doc")).string());
    store.lists["window/recentFiles"] = earlier;
    presenter.restoreSettings();
    ASSERT_EQ(view.recent.size(), 8u);
    EXPECT_EQ(view.recent[0].files, Files{dir / "old0.doc"});
    EXPECT_EQ(view.recent[7].files, Files{dir / "old7.doc"});

    const Files odd{page("100%.htm"), page("two\nlines%0A.htm")};
    presenter.openFiles(odd);
    test::writeFile(dir / "Manual.chm", "ITSF");
    presenter.viewHelp(dir / "Manual.chm");
    EXPECT_TRUE(presenter.requestClose());

    FakeView next;
    MainPresenter again{next, {store, shell, nullptr, nullptr, dir / "program", dir / "own"}};
    again.restoreSettings();
    ASSERT_EQ(next.recent.size(), 8u);
    EXPECT_EQ(next.recent[0].files, Files{dir / "Manual.chm"});
    EXPECT_EQ(next.recent[1].files, odd);
    EXPECT_EQ(next.recent[2].files, Files{dir / "old0.doc"});
    again.openRecent(next.recent[0].files);
    EXPECT_EQ(next.helpShown, Files{dir / "Manual.chm"});
    again.openRecent(next.recent[1].files);
    EXPECT_EQ(again.generator().openedFiles(), odd);
    // An earlier version reading the same settings finds the files it knows.
    EXPECT_EQ(store.lists["window/recentFiles"].front(), (dir / "Manual.chm").string());
}

// A CHM goes to the help viewer, and from there into the recent files, from which it
// opens in the viewer again, not as a document.
TEST_F(PresenterTest, HelpFilesOpenInTheViewerAndAmongTheRecentFiles) {
    presenter.restoreSettings();
    test::writeFile(dir / "Manual.CHM", "ITSF");
    presenter.viewHelp(dir / "Manual.CHM");
    EXPECT_EQ(view.helpShown, std::vector<std::filesystem::path>{dir / "Manual.CHM"});
    EXPECT_EQ(entries(view), std::vector<std::vector<std::filesystem::path>>{{dir / "Manual.CHM"}});
    presenter.openRecent(view.recent[0].files);
    EXPECT_EQ(view.helpShown.size(), 2u);
    EXPECT_EQ(view.text(Text::SourceFiles), "");

    // A window without a viewer of its own hands it to the desktop's, or names one.
    view.helpAnswer = MainView::HelpShown::NoViewer;
    presenter.viewHelp(dir / "Manual.CHM");
    ASSERT_EQ(view.informations.size(), 1u);
    EXPECT_NE(view.informations[0].find("xchm"), std::string::npos);
    shell.viewers = {"hh.exe"};
    presenter.viewHelp(dir / "Manual.CHM");
    ASSERT_EQ(shell.openedWith.size(), 1u);
    EXPECT_EQ(shell.openedWith[0].second, dir / "Manual.CHM");
    // A file the viewer cannot read is not remembered.
    view.helpAnswer = MainView::HelpShown::Failed;
    presenter.viewHelp(dir / "Other.chm");
    EXPECT_EQ(entries(view), std::vector<std::vector<std::filesystem::path>>{{dir / "Manual.CHM"}});
}

// The run works on its own thread; everything it shows reaches the view on the view's
// thread, the controls it reads stay off meanwhile, and its box ends it.
TEST_F(PresenterTest, RunShowsItsProgressOnTheViewsThreadAndEndsWithItsBox) {
    presenter.openFiles({page("a.htm", "<h1>一</h1>x<h2>二</h2>y")});
    std::map<Control, bool> during;
    view.onNode = [&](const NodeRow&) {
        if (during.empty())
            during = view.enables;
    };
    runToTheEnd();
    EXPECT_EQ(view.offThread, 0);
    EXPECT_TRUE(during[Control::Stop]);
    for (Control off : {Control::Open, Control::Generate, Control::Level, Control::OutputFolder,
                        Control::UseAdditionalCode, Control::SaveCode, Control::ClearCode})
        EXPECT_FALSE(during[off]) << static_cast<int>(off);
    EXPECT_TRUE(view.enabled(Control::Generate));
    EXPECT_FALSE(view.enabled(Control::Stop));
    EXPECT_EQ(view.rows.size(), 2u);
    EXPECT_EQ(view.text(Text::FileCount), "(1/1)");
    EXPECT_EQ(view.text(Text::SourceFileName), (dir / "a.htm").string());
    EXPECT_EQ(view.text(Text::EndTime).rfind("结束时间：", 0), 0u);
    EXPECT_FALSE(view.progressRow);
    EXPECT_FALSE(view.fileInHand);
    EXPECT_FALSE(view.busy);
    EXPECT_FALSE(view.ticking);
    EXPECT_EQ(view.progress, RunProgress::kMaximum);
    ASSERT_EQ(view.results.size(), 1u);
    EXPECT_TRUE(view.results[0].warning); // no compiler: no CHM
    EXPECT_EQ(view.results[0].headline, "没有生成完整的CHM帮助文件，详见下文。");
    EXPECT_NE(view.results[0].details.find("a.hhp\n"), std::string::npos);

    // A node of the run opens its page through the shell.
    presenter.openNode(view.rows.begin()->first);
    ASSERT_EQ(shell.paths.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(shell.paths[0]));
}

// The box counts the files without a complete CHM and the files that failed; renumbering
// is for one run only.
TEST_F(PresenterTest, ResultBoxCountsWhatFailedAndRenumberingIsForOneRun) {
    test::writeFile(dir / "lost.htm", std::string("\0\1\2 not a page", 14));
    presenter.openFiles({dir / "lost.htm", page("a.htm", "<h1>A</h1>x<h1>B</h1>y")});
    presenter.switched(Switch::Renumber, true);
    view.checks[Switch::Renumber] = true;
    runToTheEnd();
    ASSERT_EQ(view.results.size(), 1u);
    EXPECT_EQ(view.results[0].headline.rfind(
                  "2 个文件中有 2 个没有生成完整的CHM帮助文件（1 个文件处理失败），详见下文。\n"
                  "lost.htm：",
                  0),
              0u);
    EXPECT_NE(view.results[0].details.find("lost.htm："), std::string::npos);
    EXPECT_FALSE(view.checks[Switch::Renumber]);
    EXPECT_FALSE(presenter.runSettings().renumber);
}

// Pages named by their context numbers: a node opens its numbered page.
TEST_F(PresenterTest, NumberedNamesNameThePagesAndNodesOpenThem) {
    presenter.openFiles({page("a.htm", "<h1>A</h1>x<h1>B</h1>y")});
    presenter.switched(Switch::NumberedNames, true);
    runToTheEnd();
    EXPECT_TRUE(std::filesystem::exists(dir / "a.Content" / "1002.htm"));
    const auto b = std::find_if(view.rows.begin(), view.rows.end(),
                                [](const auto& row) { return row.second.shown == "B"; });
    ASSERT_NE(b, view.rows.end());
    presenter.openNode(b->first);
    ASSERT_EQ(shell.paths.size(), 1u);
    EXPECT_EQ(shell.paths[0], dir / "a.Content" / "1002.htm");
}

// The untitled run asks first; a title typed while the run works names its project.
TEST_F(PresenterTest, TitleIsAskedForAndATitleTypedDuringTheRunApplies) {
    presenter.switched(Switch::AutoTitle, false);
    presenter.openFiles({page("a.htm", "<h1>A</h1>x<h1>B</h1>y")});
    view.answers["提示"] = true;
    presenter.generate();
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0], "提示: 您没有给出帮助文件标题(CHM文件打开时显示的标题)，"
                                 "您希望给出标题后再生成吗？");
    EXPECT_FALSE(presenter.running());
    EXPECT_FALSE(view.progressRow);

    view.answers["提示"] = false;
    view.onNode = [&](const NodeRow&) { presenter.textEdited(Text::Title, "键入的标题"); };
    runToTheEnd();
    EXPECT_EQ(view.questions.size(), 2u);
    EXPECT_NE(test::readFile(dir / "a.hhp").find("Title=" + gbk::fromUtf8("键入的标题")),
              std::string::npos);
}

// A batch with files that fail runs to its end without a box on the way; the result's
// headline names each failed file and why. Nothing of the last run stays up: the next
// run starts without its file count and start time, and 打开帮助 opens only the help of
// the documents opened.
TEST_F(PresenterTest, FailedFilesGoIntoTheResultAndNothingStaysFromTheLastRun) {
    ChmCompiler compiler;
    MainPresenter withChm{view, {store, shell, nullptr, &compiler, dir / "program", dir / "own"}};
    test::writeFile(dir / "lost.htm", std::string("\0\1\2 not a page", 14));
    test::writeFile(dir / "word.doc", "a Word document no converter reads");
    withChm.openFiles({dir / "lost.htm", dir / "word.doc", page("a.htm")});
    for (int run = 0; run < 2; ++run) {
        const int ended = view.runsEnded;
        withChm.generate();
        ASSERT_TRUE(view.pumpUntil([&] { return view.runsEnded > ended; }));
    }
    EXPECT_TRUE(view.informations.empty());
    EXPECT_TRUE(view.errors.empty());
    ASSERT_EQ(view.results.size(), 2u);
    const std::string& headline = view.results[1].headline;
    EXPECT_EQ(headline.rfind("3 个文件中有 ", 0), 0u) << headline;
    EXPECT_NE(headline.find("（2 个文件处理失败），详见下文。\nlost.htm："), std::string::npos)
        << headline;
    EXPECT_NE(headline.find("\nword.doc：保存中间文件到【"), std::string::npos) << headline;
    EXPECT_EQ(headline.find('\r'), std::string::npos);

    // Each run clears the count and the start time before it shows its own.
    EXPECT_EQ(
        view.history[Text::FileCount],
        (std::vector<std::string>{"", "(1/3)", "(2/3)", "(3/3)", "", "(1/3)", "(2/3)", "(3/3)"}));
    const std::vector<std::string>& begins = view.history[Text::BeginTime];
    ASSERT_GE(begins.size(), 4u);
    EXPECT_EQ(std::count(begins.begin(), begins.end(), ""), 2);
    EXPECT_EQ(begins.front(), "");

    if (!std::filesystem::exists(dir / "a.chm"))
        GTEST_SKIP() << "the CHM compiler library is not beside the test";
    EXPECT_TRUE(view.enabled(Control::OpenHelp));
    shell.viewers = {"xchm"};
    withChm.openFiles({page("b.htm")});
    EXPECT_FALSE(view.enabled(Control::OpenHelp));
    withChm.openHelp();
    EXPECT_TRUE(shell.openedWith.empty());
    EXPECT_TRUE(view.informations.empty());
}

// Word documents converted together before the first file move the bar and say how
// many of them are done.
TEST_F(PresenterTest, BatchConversionShowsTheDocumentsDoneOfAll) {
    // Stands in for Word's converter: reports the batch, writes a page per document.
    class Converter : public DocumentConverter {
    public:
        bool convert(const std::filesystem::path&, const std::filesystem::path& html,
                     bool) override {
            test::writeFile(html, wordPage("<h1>A</h1>x"));
            return true;
        }
        void prepare(const std::vector<std::filesystem::path>& docs) override {
            for (std::size_t done = 0; done <= docs.size(); ++done)
                progress_(done, docs.size());
        }
    } converter;
    MainPresenter withWord{view, {store, shell, &converter, nullptr, dir / "program", dir / "own"}};
    test::writeFile(dir / "a.doc", std::string(1000, 'a'));
    test::writeFile(dir / "b.docx", std::string(1000, 'b'));
    withWord.openFiles({dir / "a.doc", dir / "b.docx"});
    std::vector<int> bar;
    view.onNode = [&](const NodeRow&) { bar.push_back(view.progress); };
    withWord.generate();
    ASSERT_TRUE(view.pumpUntil([&] { return view.runsEnded > 0; }));
    const std::vector<std::string>& status = view.history[Text::Status];
    for (const char* count : {"0 / 2", "1 / 2", "2 / 2"})
        EXPECT_NE(std::find(status.begin(), status.end(),
                            std::string("正在把 Word 文档转换为网页 … 已完成 ") + count),
                  status.end())
            << count;
    ASSERT_FALSE(bar.empty());
    EXPECT_GT(bar.front(), 0); // the bar has moved before the first scan
}

// The settings come back in the next window; what was never stored has its default.
TEST_F(PresenterTest, SettingsComeBackWithTheirDefaults) {
    presenter.restoreSettings();
    EXPECT_EQ(view.text(Text::Level), "0");
    EXPECT_TRUE(view.checks[Switch::AutoTitle]);
    EXPECT_FALSE(view.checks[Switch::DefaultHeader]);
    EXPECT_FALSE(view.checks[Switch::NumberedNames]);
    EXPECT_FALSE(view.checks[Switch::UseAdditionalCode]);

    presenter.textEdited(Text::Level, "3");
    presenter.switched(Switch::AutoTitle, false);
    presenter.textEdited(Text::BeforeEntry, "<div>\n页眉");
    presenter.textEdited(Text::OutputFolder, " /tmp/帮助 ");
    presenter.switched(Switch::Renumber, true); // one run's choice, not kept
    presenter.switched(Switch::NumberedNames, true);
    presenter.textEdited(Text::Title, "手写的标题");
    for (int i = 0; i < 10; ++i)
        presenter.openFiles({page(("f" + std::to_string(i) + ".htm").c_str())});
    EXPECT_TRUE(presenter.requestClose());

    FakeView next;
    MainPresenter again{next, {store, shell, nullptr, nullptr, dir / "program", dir / "own"}};
    again.restoreSettings();
    EXPECT_EQ(next.text(Text::Level), "3");
    EXPECT_FALSE(next.checks[Switch::AutoTitle]);
    EXPECT_TRUE(next.checks[Switch::NumberedNames]);
    EXPECT_EQ(next.text(Text::Title), "手写的标题");
    EXPECT_EQ(again.runSettings().title, gbk::fromUtf8("手写的标题"));
    EXPECT_EQ(next.text(Text::BeforeEntry), "<div>\n页眉");
    RunSettings settings = again.runSettings();
    EXPECT_EQ(settings.beforeEntry, gbk::fromUtf8("<div>\r\n页眉"));
    EXPECT_EQ(settings.outputFolder, std::filesystem::path("/tmp/帮助"));
    EXPECT_FALSE(settings.renumber);
    EXPECT_TRUE(settings.numberedNames);
    ASSERT_EQ(next.recent.size(), 8u);
    EXPECT_EQ(next.recent.front().files, std::vector<std::filesystem::path>{dir / "f9.htm"});
}

// The library: saved code is listed, loads back with its line breaks, previews in a
// page that goes with the window, and clearing asks first.
TEST_F(PresenterTest, AdditionalCodeIsSavedListedLoadedPreviewedAndCleared) {
    presenter.startUp();
    EXPECT_TRUE(view.codeFiles.empty());
    EXPECT_FALSE(view.enabled(Control::SaveCode));
    presenter.textEdited(Text::BeforeEntry, "<b>\n");
    presenter.textEdited(Text::AfterEntry, "</b>");
    EXPECT_TRUE(view.enabled(Control::SaveCode));
    EXPECT_TRUE(view.enabled(Control::PreviewCode));

    view.saveTo = dir / "own" / "粗体.ahtml";
    presenter.saveCode();
    ASSERT_EQ(view.codeFiles.size(), 1u);
    EXPECT_EQ(view.codeFiles[0].title, "粗体");

    presenter.clearCode(); // No
    EXPECT_EQ(view.presets["清除附加代码"], Answer::No);
    EXPECT_EQ(presenter.runSettings().afterEntry, "</b>");
    view.answers["清除附加代码"] = true;
    presenter.clearCode();
    EXPECT_EQ(view.text(Text::BeforeEntry), "");
    EXPECT_FALSE(view.enabled(Control::SaveCode));

    presenter.loadListedCode(view.codeFiles[0].path);
    EXPECT_EQ(view.text(Text::BeforeEntry), "<b>\n");
    EXPECT_EQ(presenter.runSettings().beforeEntry, "<b>\r\n");

    presenter.openFiles({page("a.htm")});
    presenter.previewCode();
    ASSERT_EQ(shell.paths.size(), 1u);
    const std::string preview = test::readFile(shell.paths[0]);
    EXPECT_NE(preview.find("<b>\r\n"), std::string::npos);
    presenter.removePreviews();
    EXPECT_FALSE(std::filesystem::exists(shell.paths[0]));

    view.codeToOpen = dir / "missing.ahtml";
    presenter.openCodeFile();
    EXPECT_EQ(view.errors.size(), 1u);
    EXPECT_EQ(view.text(Text::BeforeEntry), "<b>\n"); // kept
}

// Saving code onto a disk that is full keeps the code saved there before and says why.
TEST_F(PresenterTest, SavingCodeOnAFullDiskKeepsTheEarlierFile) {
    presenter.startUp();
    presenter.textEdited(Text::BeforeEntry, "<b>");
    view.saveTo = dir / "own" / "粗体.ahtml";
    presenter.saveCode();
    const std::string earlier = test::readFile(view.saveTo);
    presenter.textEdited(Text::BeforeEntry, "<i>");
    test::FailingDevice device("粗体.ahtml", test::FailingDevice::Step::Write, 10);
    {
        ScopedOutputDevice failing(device);
        presenter.saveCode();
    }
    EXPECT_TRUE(device.failed());
    EXPECT_EQ(test::readFile(view.saveTo), earlier);
    ASSERT_EQ(view.errors.size(), 1u);
    EXPECT_NE(view.errors[0].find("磁盘已满：No space left on device"), std::string::npos)
        << view.errors[0];
    EXPECT_EQ(view.codeFiles.size(), 1u);
}

} // namespace
} // namespace qm::ui
