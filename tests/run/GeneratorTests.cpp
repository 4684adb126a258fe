#include "run/Generator.h"
#include "run/RunFakes.h"
#include "run/RunLock.h"
#include "support/TempDir.h"
#include "text/Error.h"
#include "text/Gbk.h"
#include "word/DocumentConverter.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <thread>
#include <unistd.h>

namespace qm {
namespace {

class GeneratorTest : public ::testing::Test {
protected:
    test::TempDir dir;
    FakeListener host;
    RunSettings settings;
    FakeCompiler compiler;
};

TEST_F(GeneratorTest, SummaryOfTwoFilesWithOneChmFailing) {
    test::writeFile(dir / "a.htm", wordPage("<h1>一</h1>x<h2>二</h2>y"));
    test::writeFile(dir / "b.htm", wordPage("<h1>B</h1>z"));
    Generator gen(host, nullptr, &compiler);
    gen.openFiles({dir / "a.htm", dir / "b.htm"});
    RunOutcome out = gen.generationRun(settings);

    std::string d = gbk::fromPath(dir.path()) + "/";
    std::string expected = g("已经生成以下 Microsoft Html Help Workshop 工程文件：\r\n") + d +
                           "a.hhp\r\n" + "\r" + g("已根据工程文件生成\"") + d + "a.chm\"\r\r" +
                           "\r" + g("索引ID对应文件生成到：\"") + d + "a.txt" + g("\"中") + "\r" +
                           d + "b.hhp\r\n" + "\r" + g("已根据工程文件生成\"") + d + "b.chm\"\r\r" +
                           "\r" + g("索引ID对应文件生成到：\"") + d + "b.txt" + g("\"中") + "\r" +
                           g("如果没有生成CHM文件请使用Microsoft Html Help Workshop或quillmark-hhc "
                             "编译相关工程文件，生成CHM文件");
    EXPECT_EQ(out.summary, expected);
    EXPECT_EQ(host.summaries, std::vector<std::string>{expected});
    EXPECT_EQ(out.chmsBuilt, 2);
    EXPECT_EQ(host.title, g("b －帮助"));
    EXPECT_EQ(host.fields[RunField::ChmFileName], "b.chm");
    EXPECT_EQ(host.fields[RunField::FileCount], "(2/2)");
    EXPECT_EQ(host.fields[RunField::DefaultPage], "B.2.htm");
    EXPECT_EQ(host.fields[RunField::TargetFolder], g("生成文件保存到【") + d + g("】目录下"));
    EXPECT_EQ(host.fields[RunField::Status], "");
    EXPECT_EQ(host.fields[RunField::EndTime].rfind(g("    结束时间：")), 0u);
    EXPECT_TRUE(gen.currentFile().empty());
    EXPECT_FALSE(gen.generating());
    EXPECT_EQ(host.started, 1);
    EXPECT_EQ(host.finished, 1);
    // The working file is gone; everything else stays.
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
    EXPECT_TRUE(std::filesystem::exists(dir / "a.Content" / "Alias.h"));
}

// A window changes settings while the run works: the title applies when the project
// is written, the level and the automatic title from the next file on.
TEST_F(GeneratorTest, SettingsChangedDuringARunApplyFromTheirNextRead) {
    test::writeFile(dir / "a.htm", wordPage("<h1>A</h1>x<h2>B</h2>y"));
    test::writeFile(dir / "b.htm", wordPage("<h1>C</h1>x<h2>D</h2>y"));
    Generator gen(host, nullptr, nullptr);
    host.onFirstNode = [&] {
        gen.changeSettings([](RunSettings& s) {
            s.title = g("键入的标题");
            s.level = "1";
            s.autoTitle = false;
        });
    };
    gen.openFiles({dir / "a.htm", dir / "b.htm"});
    gen.generationRun(settings);
    EXPECT_EQ(host.title, g("a －帮助")); // told once, for the first file only
    for (const char* project : {"a.hhp", "b.hhp"})
        EXPECT_NE(test::readFile(dir / project).find("Title=" + g("键入的标题")), std::string::npos)
            << project;
    // a was cut at every level, b at level 1 only.
    EXPECT_NE(test::readFile(dir / "a.Content" / "Alias.h").find("IDH_2"), std::string::npos);
    EXPECT_EQ(test::readFile(dir / "b.Content" / "Alias.h").find("IDH_2"), std::string::npos);
}

TEST_F(GeneratorTest, FailedCompileDropsOnlyTheChmLineAndKeepsItsLog) {
    test::writeFile(dir / "a.htm", wordPage("<h1>A</h1>"));
    compiler.succeed = false;
    compiler.logLines = {"  warning: x \r\n", " \t", ""};
    Generator gen(host, nullptr, &compiler);
    gen.openFiles({dir / "a.htm"});
    RunOutcome out = gen.generationRun(settings);
    EXPECT_EQ(out.summary.find(g("已根据工程文件生成")), std::string::npos);
    EXPECT_NE(out.summary.find(g("索引ID对应文件生成到")), std::string::npos);
    EXPECT_EQ(test::readFile(dir / "a.log"), g("编译信息：") + "warning: x\r\n");
}

// The compiler only warns about a page it cannot find; such a CHM is not a finished
// help file, and the run must not count it as one.
TEST_F(GeneratorTest, ChmLackingAPageIsIncompleteAndTheSummaryNamesThePage) {
    test::writeFile(dir / "a.htm", wordPage("<h1>One</h1>x<h1>Two</h1>y"));
    Generator gen(host, nullptr, &compiler);
    std::string lost;
    compiler.beforeCompile = [&] {
        lost = gen.writtenTopics().back() + ".htm";
        std::filesystem::remove(dir / "a.Content" / gbk::toPath(lost));
    };
    gen.openFiles({dir / "a.htm"});
    RunOutcome out = gen.generationRun(settings);
    EXPECT_EQ(out.chmsBuilt, 0);
    EXPECT_EQ(out.chmsIncomplete, 1);
    EXPECT_EQ(out.summary.find(g("已根据工程文件生成")), std::string::npos) << out.summary;
    EXPECT_NE(out.summary.find(g("不完整")), std::string::npos) << out.summary;
    EXPECT_NE(out.summary.find("    a.Content\\" + lost + "\r"), std::string::npos) << out.summary;
    EXPECT_EQ(out.summary.find(gen.writtenTopics().front() + ".htm"), std::string::npos);
    ASSERT_FALSE(host.warnings.empty());
    EXPECT_NE(host.warnings.front().find(lost), std::string::npos) << host.warnings.front();
    EXPECT_NE(test::readFile(dir / "a.log").find(host.warnings.front()), std::string::npos);
    // The report names the CHM that is on disk, as incomplete, with its size.
    ASSERT_EQ(host.reports.size(), 1u);
    const FileReport& report = host.reports[0];
    EXPECT_EQ(report.outcome, FileReport::Outcome::Incomplete);
    EXPECT_NE(report.reason.find(lost), std::string::npos) << report.reason;
    EXPECT_NE(std::find(report.outputs.begin(), report.outputs.end(), dir / "a.chm"),
              report.outputs.end());
    EXPECT_EQ(report.chmSize, std::filesystem::file_size(dir / "a.chm"));
}

TEST_F(GeneratorTest, QuietCompileLeavesAnEarlierLogAlone) {
    test::writeFile(dir / "a.htm", wordPage("<h1>A</h1>"));
    test::writeFile(dir / "a.log", "earlier");
    Generator gen(host, nullptr, &compiler);
    gen.openFiles({dir / "a.htm"});
    gen.generationRun(settings);
    EXPECT_EQ(test::readFile(dir / "a.log"), "earlier");
}

// A batch goes on after a file fails, and its summary says what failed.
TEST_F(GeneratorTest, AFailedFileIsReportedAndTheBatchGoesOn) {
    test::writeFile(dir / "one.htm", wordPage("<h1>A</h1>"));
    test::writeFile(dir / "two.doc", "not really a document");
    std::filesystem::create_directory(dir / "folder.htm");
    test::writeFile(dir / "four.htm", wordPage("<h1>C</h1>"));
    Generator gen(host, nullptr, &compiler);
    gen.openFiles({dir / "one.htm", dir / "two.doc", dir / "missing.htm", dir / "folder.htm",
                   dir / "four.htm"});
    RunOutcome out = gen.generationRun(settings);
    EXPECT_EQ(out.ending, RunOutcome::Ending::Finished);
    EXPECT_EQ(out.filesFailed, 3);
    EXPECT_EQ(out.chmsBuilt, 2);
    ASSERT_EQ(host.wordFailures.size(), 1u);
    EXPECT_EQ(host.wordFailures[0].rfind(g("保存中间文件到【") + gbk::fromPath(dir.path()) + "/" +
                                         g("】下失败，可能是以下原因：\r\n1、")),
              0u);
    ASSERT_EQ(host.summaries.size(), 1u);
    const std::string& summary = host.summaries[0];
    for (const char* name : {"two.doc", "missing.htm", "folder.htm"})
        EXPECT_NE(summary.find(gbk::fromPath(dir / name) + g("：")), std::string::npos) << name;
    EXPECT_TRUE(std::filesystem::exists(dir / "one.chm"));
    EXPECT_TRUE(std::filesystem::exists(dir / "four.chm"));
    EXPECT_FALSE(std::filesystem::exists(dir / "two.Content"));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.Content"));
    EXPECT_EQ(test::readFile(dir / "two.doc"), "not really a document");
    EXPECT_EQ(host.finished, 1);
}

class ConverterThatWorksSecondTime : public DocumentConverter {
public:
    std::vector<bool> tries;
    bool convert(const std::filesystem::path& doc, const std::filesystem::path& html,
                 bool web) override {
        tries.push_back(web);
        if (!web)
            return false;
        test::writeFile(html, wordPage("<h1>From " + doc.filename().string() + "</h1>"));
        return true;
    }
};

TEST_F(GeneratorTest, SecondConversionTryCarriesTheRun) {
    test::writeFile(dir / "Report.DOC", "doc");
    ConverterThatWorksSecondTime converter;
    Generator gen(host, &converter, &compiler);
    gen.openFiles({dir / "Report.DOC"});
    RunOutcome out = gen.generationRun(settings);
    EXPECT_EQ(converter.tries, (std::vector<bool>{false, true}));
    EXPECT_EQ(out.chmsBuilt, 1);
    EXPECT_EQ(gen.tree().roots().front()->title, "FromReport.DOC");
}

TEST_F(GeneratorTest, InterruptionWritesTheRunLogAndNoProject) {
    std::string body;
    for (int i = 0; i < 4000; ++i)
        body += "<h1>T" + std::to_string(i) + "</h1><p>" + std::string(200, 'x') + "</p>";
    test::writeFile(dir / "big.htm", wordPage(body));
    Generator gen(host, nullptr, &compiler);
    host.generator = &gen;
    host.abortAtNodes = 3;
    gen.openFiles({dir / "big.htm"});
    RunOutcome out = gen.generationRun(settings);
    EXPECT_EQ(out.ending, RunOutcome::Ending::Interrupted);
    EXPECT_TRUE(host.summaries.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "big.hhp"));
    EXPECT_EQ(compiler.calls, 0);
    // The run log has a name of its own: an earlier project's ID list is not replaced.
    EXPECT_FALSE(std::filesystem::exists(dir / "big.txt"));
    std::string txt = test::readFile(dir / "big.run.txt");
    EXPECT_NE(txt.find(g("没有生成任何帮助工程。\r\n")), std::string::npos) << txt;
    EXPECT_TRUE(txt.ends_with(g("用户中断操作。") + "\r\n"));
    EXPECT_EQ(out.summary,
              g("操作被用户中断。相关内容请查看") + gbk::fromPath(dir / "big.run.txt"));
    EXPECT_LT(gen.writtenTopics().size(), 4000u);
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
}

// A page Word saved as .html is read as itself, beside an unrelated .htm of that name,
// with its pictures from English Word's "_files" folder.
TEST_F(GeneratorTest, HtmlSourceIsReadAsItself) {
    test::writeFile(dir / "x.html", wordPage("<h1>Real</h1><img src=\"x_files/p.png\">"));
    test::writeFile(dir / "x.htm", wordPage("<h1>Unrelated</h1>"));
    test::writeFile(dir / "x_files" / "p.png", "png");
    Generator gen(host, nullptr, &compiler);
    gen.openFiles({dir / "X.HTML"});
    gen.openFiles({dir / "x.html"});
    RunOutcome out = gen.generationRun(settings);
    EXPECT_EQ(out.chmsBuilt, 1);
    EXPECT_EQ(gen.tree().roots().front()->title, "Real");
    EXPECT_TRUE(std::filesystem::exists(dir / "x.Content" / "x_files" / "p.png"));
    EXPECT_EQ(test::readFile(dir / "x.htm"), wordPage("<h1>Unrelated</h1>"));
}

TEST_F(GeneratorTest, BinaryGarbageIsRefused) {
    std::string garbage;
    for (int i = 0; i < 5000; ++i)
        garbage.push_back(static_cast<char>(i * 31 % 256));
    test::writeFile(dir / "g.htm", garbage);
    Generator gen(host, nullptr, &compiler);
    gen.openFiles({dir / "g.htm"});
    EXPECT_EQ(gen.generationRun(settings).filesFailed, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "g.Content"));
    EXPECT_EQ(test::readFile(dir / "g.htm"), garbage);
}

TEST_F(GeneratorTest, SupportingFilesAreCopiedIntoTheContentFolder) {
    test::writeFile(dir / "m.htm", wordPage("<h1>A</h1><img src=\"m.files/image001.png\">"));
    test::writeFile(dir / "m.files" / "image001.png", "png");
    test::writeFile(dir / "m.files" / "sub" / "deep.gif", "gif");
    Generator gen(host, nullptr, &compiler);
    gen.openFiles({dir / "m.htm"});
    gen.generationRun(settings);
    EXPECT_EQ(test::readFile(dir / "m.Content" / "m.files" / "image001.png"), "png");
    EXPECT_EQ(test::readFile(dir / "m.Content" / "m.files" / "sub" / "deep.gif"), "gif");
    test::writeFile(dir / "m.files" / "image001.png", "png2");
    gen.generationRun(settings);
    EXPECT_EQ(test::readFile(dir / "m.Content" / "m.files" / "image001.png"), "png2");
    EXPECT_TRUE(std::filesystem::exists(dir / "m.files" / "image001.png"));
}

TEST_F(GeneratorTest, EmptyOpenedListShowsOnlyTheTimes) {
    Generator gen(host, nullptr, &compiler);
    RunOutcome out = gen.generationRun(settings);
    EXPECT_TRUE(host.summaries.empty());
    EXPECT_FALSE(host.fields[RunField::BeginTime].empty());
    EXPECT_FALSE(host.fields[RunField::EndTime].empty());
    EXPECT_EQ(compiler.calls, 0);
    EXPECT_EQ(out.projectsWritten, 0);
}

std::vector<std::string> contentNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().extension() == ".htm")
            names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Pages named by their context numbers: ASCII names every viewer opens, kept by their
// topics when the manual is edited, the links and notes between them mended as ever,
// and the pages of the earlier naming gone once the project is complete.
TEST_F(GeneratorTest, NumberedPageNamesStayWithTheirTopics) {
    const char* notes = "<p>see <a href=\"#_ftn1\" name=\"_ftnref1\">[1]</a></p>";
    test::writeFile(
        dir / "m.htm",
        wordPage(std::string("前言<h1>安装</h1>") + notes +
                 "<h2>要求</h2><a href=\"#use\">使用</a>"
                 "<h1><a name=\"use\"></a>使用</h1>u"
                 "<div id=ftn1><p><a href=\"#_ftnref1\" name=\"_ftn1\">[1]</a> n</p></div>"));
    Generator gen(host, nullptr, &compiler);
    gen.openFiles({dir / "m.htm"});
    gen.generationRun(settings); // named by headings first
    settings.numberedNames = true;
    gen.generationRun(settings);
    EXPECT_EQ(contentNames(dir / "m.Content"),
              (std::vector<std::string>{"1001.htm", "1002.htm", "1003.htm", "1004.htm"}));
    const std::string hhc = test::readFile(dir / "m.hhc");
    EXPECT_NE(hhc.find("m.Content\\1003.htm"), std::string::npos);
    EXPECT_NE(test::readFile(dir / "m.Content" / "Alias.h").find("IDH_4 = m.Content\\1004.htm"),
              std::string::npos);
    EXPECT_EQ(host.fields[RunField::DefaultPage], "1001.htm");
    EXPECT_EQ(gen.topicPagePath(*gen.tree().roots()[1]), dir / "m.Content" / "1002.htm");
    EXPECT_NE(test::readFile(dir / "m.Content" / "1003.htm").find("href=\"1004.htm#use\""),
              std::string::npos);
    EXPECT_NE(test::readFile(dir / "m.Content" / "1002.htm").find("<div id=ftn1>"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "m.chm"));

    // A heading added before the others: theirs keep their names, the new one takes the
    // next number.
    test::writeFile(dir / "m.htm", wordPage("前言<h1>新</h1>n<h1>安装</h1>i<h2>要求</h2>r"
                                            "<h1><a name=\"use\"></a>使用</h1>u"));
    gen.generationRun(settings);
    EXPECT_EQ(
        contentNames(dir / "m.Content"),
        (std::vector<std::string>{"1001.htm", "1002.htm", "1003.htm", "1004.htm", "1005.htm"}));
    EXPECT_NE(test::readFile(dir / "m.Content" / "1005.htm").find(g("<title>新")),
              std::string::npos);
    EXPECT_NE(test::readFile(dir / "m.Content" / "1002.htm").find(g("<title>安装")),
              std::string::npos);
}

TEST_F(GeneratorTest, PagesUseTheSourceHeadAndTopicPathsFollowTheOpenedFile) {
    test::writeFile(dir / "a.htm", wordPage("<h1>A</h1>"));
    Generator gen(host, nullptr, nullptr);
    gen.openFiles({dir / "a.htm"});
    gen.generationRun(settings);
    std::string page = test::readFile(dir / "a.Content" / "A.2.htm");
    EXPECT_NE(page.find("</title></head><body lang=ZH-CN><div class=Section1>"), std::string::npos);
    EXPECT_EQ(gen.topicPagePath(*gen.tree().roots().front()), dir / "a.Content" / "A.2.htm");
    gen.openFiles({dir / "other.htm"});
    EXPECT_EQ(gen.topicPagePath(*gen.tree().roots().front()), dir / "other.Content" / "A.2.htm");
}

} // namespace
} // namespace qm

namespace qm {
namespace {

TEST_F(GeneratorTest, PagesInOtherCharsetsAreCutFromAGbkCopy) {
    // UTF-8 and GB18030 (whose four-byte characters GBK lacks) pages.
    std::string utf8 =
        "<html><head><meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">"
        "<title>t</title></head><body><div class=Section1><h1>概述😀</h1>x</div></body></html>";
    std::string gb18030 = "<html><head><meta charset=\"GB18030\"><title>t</title></head><body><div>"
                          "<h1>\xd6\xd0\x94\x39\xfc\x36</h1>y</div></body></html>";
    test::writeFile(dir / "u.htm", utf8);
    test::writeFile(dir / "g.htm", gb18030);
    Generator gen(host, nullptr, nullptr);
    gen.openFiles({dir / "u.htm", dir / "g.htm"});
    gen.generationRun(settings);
    EXPECT_EQ(test::readFile(dir / "u.htm"), utf8);
    EXPECT_EQ(test::readFile(dir / "g.htm"), gb18030);
    std::string page = test::readFile(dir / "u.Content" / gbk::toPath(g("概述.2.htm")));
    EXPECT_NE(page.find(g("<h1>概述&#128512;</h1>x")), std::string::npos);
    EXPECT_NE(page.find("charset=gb2312"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "g.Content" / gbk::toPath(g("中.2.htm"))));
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().string().find(".gbk"), std::string::npos) << e.path();
}

// A killed run's working files go with the next run on the same project; while a run
// holds a project (x.doc and x.htm share it), a second one changes nothing.
TEST_F(GeneratorTest, LeftoversOfAKilledRunGoAndASecondRunWaitsItsTurn) {
    test::writeFile(dir / "x.htm", wordPage("<h1>A</h1>"));
    test::writeFile(dir / "x.htm.tmp46363.4917144676", "body copy");
    test::writeFile(dir / "x.htm.gbk46363.5", "gbk copy");
    test::writeFile(dir / "x.htm.tmp-notes", "the user's");
    {
        RunLock other(dir / "x");
        Generator gen(host, nullptr, &compiler);
        gen.openFiles({dir / "x.htm"});
        RunOutcome out = gen.generationRun(settings);
        EXPECT_EQ(out.filesFailed, 1);
        ASSERT_FALSE(host.warnings.empty());
        EXPECT_NE(host.warnings.back().find(std::to_string(getpid())), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(dir / "x.Content"));
        EXPECT_TRUE(std::filesystem::exists(dir / "x.htm.tmp46363.4917144676"));
    }
    Generator gen(host, nullptr, &compiler);
    gen.openFiles({dir / "x.htm"});
    EXPECT_EQ(gen.generationRun(settings).chmsBuilt, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "x.htm.tmp46363.4917144676"));
    EXPECT_FALSE(std::filesystem::exists(dir / "x.htm.gbk46363.5"));
    EXPECT_EQ(test::readFile(dir / "x.htm.tmp-notes"), "the user's");
}

} // namespace
} // namespace qm

namespace qm {
namespace {

// Nothing made: the summary opens by saying so, then says why, file by file, and does
// not send the user to compile projects that do not exist.
TEST_F(GeneratorTest, ARunThatMakesNoProjectSaysSoAndWhy) {
    test::writeFile(dir / "empty.htm", wordPage(""));
    test::writeFile(dir / "bad.htm", std::string("\0\1garbage", 9));
    Generator gen(host, nullptr, &compiler);
    gen.openFiles({dir / "empty.htm", dir / "bad.htm"});
    RunOutcome out = gen.generationRun(settings);
    EXPECT_EQ(out.projectsWritten, 0);
    EXPECT_EQ(out.summary.rfind(g("没有生成任何帮助工程。"), 0), 0u) << out.summary;
    EXPECT_NE(out.summary.find(gbk::fromPath(dir / "empty.htm") + g("：文档中没有内容")),
              std::string::npos)
        << out.summary;
    EXPECT_NE(out.summary.find(gbk::fromPath(dir / "bad.htm") + g("：文件不是HTML网页")),
              std::string::npos)
        << out.summary;
    EXPECT_EQ(out.summary.find(g("已经生成以下")), std::string::npos) << out.summary;
    EXPECT_EQ(out.summary.find(g("编译相关工程文件")), std::string::npos) << out.summary;
    ASSERT_EQ(host.reports.size(), 2u);
    EXPECT_EQ(host.reports[0].outcome, FileReport::Outcome::NoChm);
    EXPECT_NE(host.reports[0].reason.find(g("没有内容")), std::string::npos);
    EXPECT_EQ(host.reports[1].outcome, FileReport::Outcome::Failed);
    EXPECT_NE(host.reports[1].reason.find(g("不是HTML网页")), std::string::npos);
}

// A converter that converts the batch ahead, slowly, writes no pictures folder, and
// refuses one document as a password-protected one.
class BatchConverter : public DocumentConverter {
public:
    void prepare(const std::vector<std::filesystem::path>&) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    bool convert(const std::filesystem::path& doc, const std::filesystem::path& html,
                 bool) override {
        locked_ = doc.stem() == "locked";
        if (!locked_)
            test::writeFile(html, wordPage("<h1>A</h1>x"));
        return !locked_;
    }
    std::string failureReason() const override {
        return locked_ ? g("文档有密码保护") : std::string();
    }

private:
    bool locked_ = false;
};

// What a pipeline reads of each document (--json) is what happened: the failed
// document's reason, the batch's conversion in the documents' time, only outputs on disk.
TEST_F(GeneratorTest, FileReportsTellTheReasonTheConversionTimeAndOnlyFilesOnDisk) {
    test::writeFile(dir / "locked.doc", std::string(1000, 'x'));
    test::writeFile(dir / "open.doc", std::string(1000, 'x'));
    BatchConverter converter;
    Generator gen(host, &converter, &compiler);
    gen.openFiles({dir / "locked.doc", dir / "open.doc"});
    gen.generationRun(settings);
    ASSERT_EQ(host.reports.size(), 2u);
    const FileReport& locked = host.reports[0];
    EXPECT_EQ(locked.outcome, FileReport::Outcome::Failed);
    EXPECT_EQ(locked.reason, g("文档有密码保护"));
    const FileReport& open = host.reports[1];
    EXPECT_EQ(open.outcome, FileReport::Outcome::Done);
    EXPECT_TRUE(open.reason.empty());
    EXPECT_GE(locked.seconds + open.seconds, 0.3);
    EXPECT_GE(open.seconds, 0.1);
    for (const std::filesystem::path& output : open.outputs)
        EXPECT_TRUE(std::filesystem::exists(output)) << output;
    EXPECT_NE(std::find(open.outputs.begin(), open.outputs.end(), dir / "open.htm"),
              open.outputs.end());
    EXPECT_EQ(open.chmSize, std::filesystem::file_size(dir / "open.chm"));
}

} // namespace
} // namespace qm
