#include "project/ProjectWriter.h"
#include "run/FileLayout.h"
#include "support/TempDir.h"
#include "text/Error.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

std::string g(const char* utf8) {
    return gbk::fromUtf8(utf8);
}

StructureTree treeWithRoot(const std::string& title, const std::string& position) {
    StructureTree tree;
    StructureNode& root = tree.append(nullptr);
    root.title = title;
    root.position = position;
    return tree;
}

TEST(ProjectFile, OptionsAndWindowLinesByteForByte) {
    StructureTree tree = treeWithRoot(g("首页"), "1");
    std::vector<std::string> topics = {g("首页.1")};
    ProjectFiles f = buildProjectFiles({tree, topics, g("Manual －帮助"), "Manual.chm"}, "Manual",
                                       "Manual.Content\\");
    std::vector<std::string> expected = {
        "[OPTIONS] ",
        " Compatibility=1.1 or later ",
        "Compiled file=Manual.chm ",
        "Contents file=Manual.hhc ",
        "Default topic=Manual.Content\\" + g("首页.1.htm") + " ",
        "Display compile progress=No ",
        "Enhanced decompilation=Yes ",
        "Full text search stop list file=quelra.stp ",
        "Full-text search=Yes ",
        "Index file=Manual.hhk ",
        g("Language=0x804 中文(中国) "),
        "Title=" + g("Manual －帮助") + " ",
        "Default Window=Main ",
        g("Default font=宋体,9,134 "),
        "[INFOTYPES] ",
        "[WINDOWS] \r\nMain=\"" + g("Manual －帮助") +
            "\",\"Manual.hhc\",\"Manual.hhk\",\"Manual.Content\\" + g("首页.1.htm") +
            "\",\"Manual.Content\\" + g("首页.1.htm") +
            "\",,,,,0x1561,185,0x107E,[1,1,1000,776],0x0,0x0,,,,,0\r\n",
        "[FILES]",
        "Manual.Content\\" + g("首页.1.htm"),
        "",
        "[ALIAS]",
        "#include Manual.Content\\Alias.h",
        "",
        "[MAP]",
        "#include Manual.Content\\HelpID.h",
    };
    EXPECT_EQ(f.project, expected);
    EXPECT_EQ(f.defaultPage, g("首页.1.htm"));
}

TEST(ProjectFile, ContextIdsOfTheWorkedExample) {
    StructureTree tree = treeWithRoot(g("首页"), "1");
    std::vector<std::string> topics = {g("首页.1"), g("概述.2048")};
    for (int i = 3; i <= 9; ++i)
        topics.push_back("T" + std::to_string(i) + "." + std::to_string(3000 + i));
    topics.push_back(g("附录.99000"));
    ProjectFiles f =
        buildProjectFiles({tree, topics, "t", "Manual.chm"}, "Manual", "Manual.Content\\");
    ASSERT_EQ(f.alias.size(), 10u);
    EXPECT_EQ(f.alias[0], g("IDH_1 = Manual.Content\\首页.1.htm"));
    EXPECT_EQ(f.alias[1], g("IDH_2 = Manual.Content\\概述.2048.htm"));
    EXPECT_EQ(f.alias[9], g("IDH_10 = Manual.Content\\附录.99000.htm"));
    EXPECT_EQ(f.helpIds[0], "#define IDH_1 1001");
    EXPECT_EQ(f.helpIds[8], "#define IDH_9 1009");
    EXPECT_EQ(f.helpIds[9], "#define IDH_10 10010");
    EXPECT_EQ(f.idList[0], g("1001\t\t首页"));
    EXPECT_EQ(f.idList[9], g("10010\t\t附录"));
    EXPECT_EQ(contextNumber(123), "100123");
}

TEST(ProjectFile, TitlesWithFullStopsKeepThemInTheIdList) {
    StructureTree tree = treeWithRoot("x", "2");
    std::vector<std::string> topics = {g("1.2概述.300"), "nodot"};
    ProjectFiles f = buildProjectFiles({tree, topics, "t", "x.chm"}, "x", "x.Content\\");
    EXPECT_EQ(f.idList[0], g("1001\t\t1.2概述"));
    EXPECT_EQ(f.idList[1], "1002\t\tnodot");
}

TEST(ProjectFile, WrittenFilesAndTheEmptyCases) {
    test::TempDir dir;
    FileLayout layout = FileLayout::forSource(dir / "Manual.htm");
    std::filesystem::create_directory(layout.contentFolder);
    std::vector<std::string> none;

    StructureTree empty;
    EXPECT_EQ(writeProjectFile({empty, none, "t", "Manual.chm"}, layout.projectPlace()), "");
    EXPECT_FALSE(std::filesystem::exists(dir / "Manual.hhp"));
    EXPECT_FALSE(std::filesystem::exists(layout.contentFolder / "Alias.h"));

    StructureTree tree = treeWithRoot("A", "2");
    EXPECT_EQ(writeProjectFile({tree, none, "t", "Manual.chm"}, layout.projectPlace()), "A.2.htm");
    EXPECT_EQ(test::readFile(layout.contentFolder / "Alias.h"), "");
    EXPECT_EQ(test::readFile(layout.contentFolder / "HelpID.h"), "");
    EXPECT_EQ(test::readFile(dir / "Manual.txt"), "");
    std::string hhp = test::readFile(dir / "Manual.hhp");
    EXPECT_NE(hhp.find("[FILES]\r\n\r\n[ALIAS]\r\n"), std::string::npos);
    EXPECT_TRUE(hhp.ends_with("#include Manual.Content\\HelpID.h\r\n"));
}

TEST(ProjectFile, MissingContentFolderIsAFileError) {
    test::TempDir dir;
    FileLayout layout = FileLayout::forSource(dir / "Manual.htm");
    StructureTree tree = treeWithRoot("A", "2");
    std::vector<std::string> topics = {"A.2"};
    EXPECT_THROW(writeProjectFile({tree, topics, "t", "Manual.chm"}, layout.projectPlace()), Error);
    EXPECT_FALSE(std::filesystem::exists(dir / "Manual.hhp"));
}

TEST(FileLayoutTest, DerivesEveryPathFromTheSource) {
    FileLayout l = FileLayout::forSource("/d/a.b/Report.v2.DOC");
    EXPECT_EQ(l.intermediateHtml, "/d/a.b/Report.v2.htm");
    EXPECT_EQ(l.baseName, "Report.v2");
    EXPECT_EQ(l.supportingFiles, "/d/a.b/Report.v2.files");
    EXPECT_EQ(l.contentFolder, "/d/a.b/Report.v2.Content");
    EXPECT_EQ(l.contentFolderPrefix(), "Report.v2.Content\\");
    EXPECT_EQ(l.projectFilePath("hhp"), "/d/a.b/Report.v2.hhp");
    EXPECT_EQ(l.targetFolderText(), "/d/a.b/");
    EXPECT_TRUE(l.needsConversion());
    EXPECT_FALSE(FileLayout::forSource("/d/x.html").needsConversion());
    EXPECT_TRUE(FileLayout::forSource("/d/x.docx").needsConversion());
    // A page Word saved is cut where it is; the project is named as for .htm.
    FileLayout page = FileLayout::forSource("/d/x.HTML");
    EXPECT_EQ(page.intermediateHtml, "/d/x.HTML");
    EXPECT_EQ(page.projectFilePath("hhp"), "/d/x.hhp");
    EXPECT_EQ(page.supportingFiles, "/d/x.files");
    EXPECT_EQ(FileLayout::forSource("/d/x.txt").intermediateHtml, "/d/x.htm");
    EXPECT_EQ(FileLayout::forSource("/d/x.doc").runLogPath(), "/d/x.run.txt");
}

} // namespace
} // namespace qm
