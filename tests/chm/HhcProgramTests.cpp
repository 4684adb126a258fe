// hhc, run as the tools that expect HTML Help Workshop's compiler run it.
#include "WorkshopCommand.h"
#include "platform/UserLanguage.h"

#include "ChmReaders.h"
#include "ProjectFixture.h"
#include "support/Samples.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

std::string hhc() {
    return qm::test::shellQuote((qm::test::binaryDir() / "hhc").string());
}

} // namespace

TEST(HhcProgram, ExitsOneWithASummaryWhenTheChmIsWritten) {
    qm::test::TempDir dir;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), {});
    std::string out;
    // Run from the project's folder with a bare name, as Doxygen does.
    EXPECT_EQ(qm::test::runCommand("cd " + qm::test::shellQuote(dir.path().string()) + " && " +
                                       hhc() + " manual.hhp",
                                   &out),
              1)
        << out;
    const std::filesystem::path chm = std::filesystem::canonical(dir / "manual.chm");
    EXPECT_NE(out.find("Compiling " + chm.string() + "\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Compile time: 0 minutes"), std::string::npos) << out;
    EXPECT_NE(out.find("\tTopics\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Created " + chm.string() + ", "), std::string::npos) << out;
    EXPECT_NE(out.find(qm::hhc::groupThousands(std::filesystem::file_size(chm)) + " bytes"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("creased file by "), std::string::npos) << out;
    EXPECT_TRUE(qm::test::readWithChmlib(chm).has_value());
}

TEST(HhcProgram, CountsLinksAndGraphicsAsHtmlHelpWorkshopDoes) {
    qm::test::TempDir dir;
    auto write = [&](const char* name, std::string_view text) {
        std::ofstream(dir / name, std::ios::binary) << text;
    };
    write("help.hhp", "[OPTIONS]\r\nCompiled file=help.chm\r\n\r\n[FILES]\r\na.htm\r\n");
    write("a.htm", "<html><title>A</title><img src=\"p.gif\"><a href=\"b.htm#x\">b</a>"
                   "<a href=\"http://example.com/\">web</a><a href=\"MAILTO:me@example.com\">me</a>"
                   "<a href=\"#top\">top</a></html>");
    write("b.htm", "<html><title>B</title><a href=\"a.htm\">a</a></html>");
    write("p.gif", "GIF89a");
    std::string out;
    EXPECT_EQ(
        qm::test::runCommand(hhc() + " " + qm::test::shellQuote((dir / "help.hhp").string()), &out),
        1);
    EXPECT_NE(out.find("2\tTopics\n2\tLocal links\n2\tInternet links\n1\tGraphic\n"),
              std::string::npos)
        << out;
}

TEST(HhcProgram, ExitsZeroWhenNoChmIsWritten) {
    qm::test::TempDir dir;
    std::string out;
    EXPECT_EQ(
        qm::test::runCommand(hhc() + " " + qm::test::shellQuote((dir / "none.hhp").string()), &out),
        0);
    EXPECT_NE(out.find("none.hhp"), std::string::npos) << out;
    EXPECT_NE(out.find("No compiled file"), std::string::npos) << out;
    EXPECT_EQ(qm::test::runCommand(hhc(), &out), 0);
    EXPECT_NE(out.find("Usage:"), std::string::npos) << out;
    EXPECT_EQ(qm::test::runCommand(hhc() + " a.hhp b.hhp", &out), 0);
}

TEST(HhcProgram, GroupsThousandsAsTheSummaryDoes) {
    EXPECT_EQ(qm::hhc::groupThousands(0), "0");
    EXPECT_EQ(qm::hhc::groupThousands(999), "999");
    EXPECT_EQ(qm::hhc::groupThousands(1000), "1,000");
    EXPECT_EQ(qm::hhc::groupThousands(35461), "35,461");
    EXPECT_EQ(qm::hhc::groupThousands(1234567), "1,234,567");
}

// The compiler's messages follow the user's language: English unless the locale is
// Chinese, LC_ALL before LC_MESSAGES before LANG.
TEST(HhcProgram, SpeaksChineseToAChineseUserAndEnglishOtherwise) {
    EXPECT_TRUE(qm::localeIsChinese(nullptr, nullptr, "zh_CN.UTF-8"));
    EXPECT_TRUE(qm::localeIsChinese("", "zh_TW", "en_US.UTF-8"));
    EXPECT_FALSE(qm::localeIsChinese("C", nullptr, "zh_CN.UTF-8"));
    EXPECT_FALSE(qm::localeIsChinese(nullptr, nullptr, "zu_ZA"));
    EXPECT_FALSE(qm::localeIsChinese(nullptr, nullptr, nullptr));

    qm::test::TempDir dir;
    std::ofstream(dir / "help.hhp", std::ios::binary)
        << "[OPTIONS]\r\nCompiled file=help.chm\r\n\r\n[FILES]\r\na.htm\r\ngone.htm\r\n";
    std::ofstream(dir / "a.htm", std::ios::binary) << "<html><title>A</title>a</html>";
    const std::string project = qm::test::shellQuote((dir / "help.hhp").string());
    const std::string hhcCommand =
        qm::test::shellQuote((qm::test::binaryDir() / "quillmark-hhc").string()) + " " + project;
    std::string out;
    EXPECT_EQ(
        qm::test::runCommand("env -u LC_ALL -u LC_MESSAGES LANG=zh_CN.UTF-8 " + hhcCommand, &out),
        0);
    EXPECT_NE(out.find("警告：[FILES] 中列出的文件 \"gone.htm\"不存在，未编入。"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("正在压缩 1 个文件"), std::string::npos) << out;
    EXPECT_EQ(qm::test::runCommand("env LC_ALL=C LANG=zh_CN.UTF-8 " + hhcCommand, &out), 0);
    EXPECT_NE(out.find("Warning: The file \"gone.htm\" listed in [FILES] does not exist"),
              std::string::npos)
        << out;
    EXPECT_EQ(qm::test::runCommand(
                  "env -u LC_ALL -u LC_MESSAGES LANG=zh_CN.UTF-8 " + hhc() + " " + project, &out),
              1);
    EXPECT_NE(out.find("警告："), std::string::npos) << out;
}
