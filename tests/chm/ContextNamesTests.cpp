// F1 help of projects written on Windows: context names that differ only in letter
// case, file names stored on disk in the project's code page, and aliases that open a
// page at an anchor.
#include "chm/Compiler.h"
#include "chm/ContextIds.h"

#include "ChmInspect.h"
#include "ChmReaders.h"
#include "RecordingListener.h"
#include "support/TempDir.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>

#include <map>

using namespace qm::chm;
using qm::test::RecordingListener;
using qm::test::TempDir;
using qm::test::writeFile;

TEST(ContextNames, MatchExactlyFirstThenIgnoringCase) {
    const std::vector<AliasDef> aliases{
        {"IDH_Open", "open.htm"}, {"IDH_OPEN", "OPEN2.htm"}, {"idh_close", "close.htm"}};
    const std::vector<MapDef> map{{"IDH_OPEN", 1}, {"idh_open", 2}, {"IDH_Close", 3}, {"IDH_X", 4}};
    const ContextResolution r = resolveContextIds(aliases, map);
    ASSERT_EQ(r.entries.size(), 3u);
    EXPECT_EQ(r.entries[0].file, "OPEN2.htm"); // the exact name wins over the first alias
    EXPECT_EQ(r.entries[1].file, "open.htm");
    EXPECT_EQ(r.entries[2].file, "close.htm");
    using Pair = std::pair<std::string, std::string>;
    EXPECT_EQ(r.caseMatched,
              (std::vector<Pair>{{"idh_open", "IDH_Open"}, {"IDH_Close", "idh_close"}}));
    EXPECT_EQ(r.mapWithoutAlias, std::vector<std::string>{"IDH_X"});
    EXPECT_TRUE(r.aliasWithoutMap.empty());
}

TEST(ContextNames, AFileNamedInTheProjectsCodePageOnDiskIsFound) {
    TempDir dir;
    const std::string gbkName = qm::gbk::fromUtf8("首页.htm");
    writeFile(dir / gbkName, "<html><title>A</title><body>alpha</body></html>");
    writeFile(dir / "p.hhp",
              qm::gbk::fromUtf8("[OPTIONS]\r\nCompiled file=p.chm\r\nLanguage=0x804\r\n"
                                "[FILES]\r\n首页.htm\r\n[ALIAS]\r\nIDH_Home=首页.htm\r\n"
                                "[MAP]\r\n#define IDH_HOME 7\r\n"));
    RecordingListener listener;
    CompileOptions options;
    options.timestamp = 1700000000;
    options.utf8Messages = true;
    const CompileResult result = compileProject(dir / "p.hhp", listener, options);
    ASSERT_TRUE(result.written) << listener.allLog();
    EXPECT_EQ(result.files, 1);
    ASSERT_EQ(listener.warnings.size(), 1u) << listener.allLog(); // the letter case of the ID
    EXPECT_NE(listener.warnings[0].find("IDH_HOME"), std::string::npos);
    EXPECT_EQ(qm::test::chmlibLookup(result.chm, "/首页.htm"),
              "<html><title>A</title><body>alpha</body></html>");
    const auto ivb = qm::test::chmlibLookup(result.chm, "/#IVB");
    ASSERT_TRUE(ivb);
    EXPECT_NE(ivb->find(std::string("\x07\0\0\0", 4)), std::string::npos);
}

TEST(ContextNames, AnAliasToAnAnchorOpensThePageThere) {
    TempDir dir;
    writeFile(dir / "html" / "qanda.html", "<html><title>Q</title><body><a name=\"connection\">"
                                           "</a>answer</body></html>");
    writeFile(dir / "p.hhp", "[OPTIONS]\r\nCompiled file=p.chm\r\n[FILES]\r\nhtml\\qanda.html\r\n"
                             "[ALIAS]\r\nIDH_Connection=html\\qanda.html#connection\r\n"
                             "IDH_Page=html\\qanda.html\r\nIDH_Empty=html\\qanda.html#\r\n"
                             "[MAP]\r\n#define IDH_Connection 1\r\n#define IDH_Page 2\r\n"
                             "#define IDH_Empty 3\r\n");
    RecordingListener listener;
    CompileOptions options;
    options.timestamp = 1700000000;
    const CompileResult result = compileProject(dir / "p.hhp", listener, options);
    ASSERT_TRUE(result.written) << listener.allLog();
    const auto ivb = qm::test::chmlibLookup(result.chm, "/#IVB");
    const auto strings = qm::test::chmlibLookup(result.chm, "/#STRINGS");
    ASSERT_TRUE(ivb && strings);
    std::map<std::uint32_t, std::string> pageOfNumber;
    for (auto [number, offset] : qm::test::parseIvb(*ivb))
        pageOfNumber[number] = qm::test::stringAt(*strings, offset);
    EXPECT_EQ(pageOfNumber, (std::map<std::uint32_t, std::string>{{1, "html/qanda.html#connection"},
                                                                  {2, "html/qanda.html"},
                                                                  {3, "html/qanda.html"}}));
}
