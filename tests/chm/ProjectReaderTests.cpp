#include "chm/ProjectReader.h"

#include "RecordingListener.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>
#include <map>

using namespace qm::chm;

namespace {

struct Parsed {
    Project project;
    qm::test::RecordingListener listener;
};

std::unique_ptr<Parsed> parse(const std::string& bytes,
                              std::map<std::string, std::string> includes = {}) {
    auto p = std::make_unique<Parsed>();
    Reporter reporter(p->listener, "UTF-8");
    IncludeLoader loader = [includes](const std::string& name) -> std::optional<std::string> {
        auto it = includes.find(name);
        if (it == includes.end())
            return std::nullopt;
        return it->second;
    };
    p->project = parseProject(bytes, "/project/manual.hhp", loader, reporter);
    return p;
}

// The project file exactly as the generator writes it (GBK, CR LF, blanks before line ends).
std::string generatorProject() {
    return qm::gbk::fromUtf8(
        "[OPTIONS] \r\n Compatibility=1.1 or later \r\nCompiled file=manual.chm \r\n"
        "Contents file=manual.hhc \r\nDefault topic=manual.Content\\首页.1.htm \r\n"
        "Display compile progress=No \r\nEnhanced decompilation=Yes \r\n"
        "Full text search stop list file=quelra.stp \r\nFull-text search=Yes \r\n"
        "Index file=manual.hhk \r\nLanguage=0x804 中文(中国) \r\nTitle=manual －帮助 \r\n"
        "Default Window=Main \r\nDefault font=宋体,9,134 \r\n[INFOTYPES] \r\n[WINDOWS] \r\n"
        "Main=\"manual －帮助\",\"manual.hhc\",\"manual.hhk\",\"manual.Content\\首页.1.htm\","
        "\"manual.Content\\首页.1.htm\",,,,,0x1561,185,0x107E,[1,1,1000,776],0x0,0x0,,,,,0\r\n\r\n"
        "[FILES]\r\nmanual.Content\\首页.1.htm\r\nmanual.Content\\1概述.248.htm\r\n\r\n"
        "[ALIAS]\r\n#include manual.Content\\Alias.h\r\n\r\n[MAP]\r\n#include "
        "manual.Content\\HelpID.h\r\n");
}

} // namespace

TEST(ProjectReader, ReadsTheProjectQuillmarkWrites) {
    auto p = parse(
        generatorProject(),
        {{"manual.Content\\Alias.h",
          qm::gbk::fromUtf8(
              "IDH_1 = manual.Content\\首页.1.htm\r\nIDH_2 = manual.Content\\1概述.248.htm\r\n")},
         {"manual.Content\\HelpID.h", "#define IDH_1 1001\r\n#define IDH_2 1002\r\n"}});
    const Project& pr = p->project;
    EXPECT_EQ(pr.lcid, 0x804u);
    EXPECT_EQ(pr.charset, "GBK");
    EXPECT_EQ(pr.compiledFile, "manual.chm");
    EXPECT_EQ(pr.contentsFile, "manual.hhc");
    EXPECT_EQ(pr.indexFile, "manual.hhk");
    EXPECT_EQ(pr.defaultTopic, "manual.Content\\首页.1.htm");
    EXPECT_EQ(pr.title, "manual －帮助");
    EXPECT_EQ(pr.defaultWindow, "Main");
    EXPECT_EQ(pr.defaultFont, "宋体,9,134");
    EXPECT_TRUE(pr.fullTextSearch);
    EXPECT_FALSE(pr.displayCompileProgress);
    ASSERT_EQ(pr.files.size(), 2u);
    EXPECT_EQ(pr.files[1], "manual.Content\\1概述.248.htm");
    ASSERT_EQ(pr.windows.size(), 1u);
    EXPECT_EQ(pr.windows[0].name, "Main");
    EXPECT_EQ(pr.windows[0].caption, "manual －帮助");
    EXPECT_EQ(pr.windows[0].navigationStyle, 0x1561u);
    EXPECT_EQ(pr.windows[0].navigationWidth, 185u);
    EXPECT_EQ(pr.windows[0].buttons, 0x107Eu);
    EXPECT_EQ(pr.windows[0].rect[2], 1000);
    EXPECT_EQ(pr.windows[0].notificationId, 0u);
    ASSERT_EQ(pr.aliases.size(), 2u);
    EXPECT_EQ(pr.aliases[0].id, "IDH_1");
    EXPECT_EQ(pr.aliases[0].file, "manual.Content\\首页.1.htm");
    ASSERT_EQ(pr.map.size(), 2u);
    EXPECT_EQ(pr.map[1].number, 1002u);
    EXPECT_TRUE(p->listener.warnings.empty()) << p->listener.allLog();
}

TEST(ProjectReader, AcceptsLineFeedsKeysInAnyCaseAndInlineContextIds) {
    auto p = parse("[options]\nCOMPILED FILE = out.chm\ncontents FILE=toc.hhc\n"
                   "Language=0x419 Russian\n[ALIAS]\nIDH_A=a.htm\n; a comment\n"
                   "[MAP]\n#define IDH_A 0x10\nIDH_B 20\n");
    EXPECT_EQ(p->project.compiledFile, "out.chm");
    EXPECT_EQ(p->project.contentsFile, "toc.hhc");
    EXPECT_EQ(p->project.charset, "windows-1251");
    ASSERT_EQ(p->project.aliases.size(), 1u);
    ASSERT_EQ(p->project.map.size(), 2u);
    EXPECT_EQ(p->project.map[0].number, 16u);
    EXPECT_EQ(p->project.map[1].id, "IDH_B");
}

TEST(ProjectReader, DecodesTheLanguagesCodePage) {
    // サクラ in Shift_JIS; 0x5C trail bytes must not be taken for backslashes.
    auto p = parse("[OPTIONS]\r\nLanguage=0x411 日本語\r\nTitle=\x83\x54\x83\x4E\x83\x89\r\n"
                   "[FILES]\r\n\x95\x5C.html\r\n");
    EXPECT_EQ(p->project.title, "サクラ");
    ASSERT_EQ(p->project.files.size(), 1u);
    EXPECT_EQ(p->project.files[0], "表.html");
}

TEST(ProjectReader, AByteOrderMarkMeansUtf8) {
    auto p = parse("\xEF\xBB\xBF[OPTIONS]\r\nLanguage=0x804\r\nTitle=首页\r\n");
    EXPECT_EQ(p->project.title, "首页");
    EXPECT_EQ(p->project.lcid, 0x804u);
}

TEST(ProjectReader, WarnsOnceAboutUnsupportedSectionsAndSkipsThem) {
    auto p = parse("[OPTIONS]\nTitle=x\n[MERGE FILES]\nother.chm\n[TEXT POPUPS]\npopups.h\n"
                   "[FILES]\na.htm\n[MERGE FILES]\nmore.chm\n[TEXT POPUPS]\nmore.txt\n");
    ASSERT_EQ(p->listener.warnings.size(), 1u) << p->listener.allLog();
    EXPECT_NE(p->listener.warnings[0].find("[MERGE FILES]"), std::string::npos);
    ASSERT_EQ(p->project.files.size(), 1u);
    EXPECT_EQ(p->project.files[0], "a.htm");
    EXPECT_EQ(p->project.textPopups, (std::vector<std::string>{"popups.h", "more.txt"}));
}

TEST(ProjectReader, WarnsAboutAMissingIncludeFile) {
    auto p = parse("[MAP]\n#include ids.h\n");
    ASSERT_EQ(p->listener.warnings.size(), 1u);
    EXPECT_NE(p->listener.warnings[0].find("ids.h"), std::string::npos);
}

TEST(ProjectReader, ReadsHeadersWithCommentsTabsAndAByteOrderMark) {
    auto p = parse(
        "[MAP]\n#include ids.h\n[ALIAS]\n#include alias.h\n",
        {{"ids.h",
          "\xEF\xBB\xBF// ids\r\n#ifndef IDS\r\n#define IDS\r\n/* block\r\n#define NOT 1\r\n*/\r\n"
          "#define\tIDH_ONE\t\t101 // one\r\n#define IDH_TWO (102)\r\n#endif\r\n"},
         {"alias.h", "IDH_ONE=one.htm\r\nIDH_TWO = two.htm\r\n"}});
    ASSERT_EQ(p->project.map.size(), 2u) << p->listener.allLog();
    EXPECT_EQ(p->project.map[0].id, "IDH_ONE");
    EXPECT_EQ(p->project.map[0].number, 101u);
    EXPECT_EQ(p->project.map[1].number, 102u);
    ASSERT_EQ(p->project.aliases.size(), 2u);
    EXPECT_EQ(p->project.aliases[1].file, "two.htm");
}

TEST(ProjectReader, NestedIncludesStopAtADepth) {
    auto p = parse("[MAP]\n#include self.h\n", {{"self.h", "#include self.h\n#define IDH_X 1\n"}});
    EXPECT_FALSE(p->listener.warnings.empty());
    EXPECT_GE(p->project.map.size(), 1u);
}

TEST(ProjectReader, ParsesWindowLinesWithEmptyFields) {
    std::optional<WindowDef> w =
        parseWindowLine("$global_Web=\"Remote, URL\",,,,,,,,,,,0x383c,[125,144,721,602],,,,,,,0");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->name, "$global_Web");
    EXPECT_EQ(w->caption, "Remote, URL");
    EXPECT_FALSE(w->navigationStyle);
    EXPECT_EQ(w->buttons, 0x383Cu);
    EXPECT_TRUE(w->hasRect);
    EXPECT_EQ(w->rect[0], 125);
    EXPECT_EQ(w->rect[3], 602);
    EXPECT_FALSE(parseWindowLine("=\"x\""));
}

TEST(ProjectReader, ReadsLanguageValues) {
    EXPECT_EQ(parseLanguage("0x804 中文(中国)"), 0x804u);
    EXPECT_EQ(parseLanguage("0x0409 English (United States)"), 0x409u);
    EXPECT_EQ(parseLanguage("1033"), 1033u);
    EXPECT_FALSE(parseLanguage("Chinese"));
}
