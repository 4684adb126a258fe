#include "chm/Directory.h"
#include "chm/ItsfWriter.h"

#include "ChmInspect.h"
#include "ChmReaders.h"
#include "support/TempDir.h"
#include "text/OutputFile.h"

#include <gtest/gtest.h>

using namespace qm::chm;

TEST(Directory, OrdersNamesAsTheReadersCompareThem) {
    EXPECT_TRUE(directoryOrder("/#SYSTEM", "/$OBJINST"));
    EXPECT_TRUE(directoryOrder("/A.htm", "/b.htm"));
    EXPECT_TRUE(directoryOrder("/a.htm", "/B.htm"));
    EXPECT_TRUE(directoryOrder("/_x", "/a")); // '_' sorts before letters once they are lower case
    EXPECT_TRUE(directoryOrder("/a", "/a/"));
    EXPECT_TRUE(directoryOrder("/Z", "/z")); // equal ignoring case: byte order
    EXPECT_FALSE(directoryOrder("/z", "/Z"));
    EXPECT_TRUE(directoryOrder("/z.htm", "/首页.htm"));
}

TEST(Directory, OneChunkForFewEntries) {
    std::string dir = buildDirectory({{"/b", 1, 10, 5}, {"/a", 1, 0, 10}, {"/", 0, 0, 0}});
    ASSERT_EQ(dir.size(), 0x54u + 4096u);
    EXPECT_EQ(dir.substr(0, 4), "ITSP");
    EXPECT_EQ(qm::test::le32(dir, 0x18), 1u);          // depth
    EXPECT_EQ(qm::test::le32(dir, 0x1C), 0xFFFFFFFFu); // no index chunk
    EXPECT_EQ(qm::test::le32(dir, 0x2C), 1u);
    EXPECT_EQ(dir.substr(0x54, 4), "PMGL");
    // "/", "/a", "/b" in that order
    EXPECT_EQ(dir[0x54 + 0x14], 1);
    EXPECT_EQ(dir[0x54 + 0x15], '/');
    std::uint32_t freeSpace = qm::test::le32(dir, 0x54 + 4);
    EXPECT_EQ(freeSpace, 4096u - (0x14 + 5 + 6 + 6));
    EXPECT_EQ(static_cast<unsigned char>(dir[0x54 + 4094]), 3u); // entry count
}

TEST(Directory, ManyEntriesGetIndexChunksThatTheReadersFollow) {
    ItsfWriter writer;
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i) {
        std::string name = "/folder" + std::to_string(i % 7) + "/Page_" + std::to_string(i) +
                           "_with_a_long_name.htm";
        names.push_back(name);
        writer.addCompressed(name, "content of " + name);
    }
    qm::test::TempDir dir;
    std::filesystem::path chm = dir / "many.chm";
    {
        qm::OutputFile out(chm);
        writer.write(out, ItsfOptions{});
        out.commit();
    }
    std::string bytes = qm::test::readFile(chm);
    EXPECT_GE(qm::test::le32(bytes, 0x78 + 0x18), 2u); // depth: PMGI chunks present
    EXPECT_NE(qm::test::le32(bytes, 0x78 + 0x1C), 0xFFFFFFFFu);

    auto chmlib = qm::test::readWithChmlib(chm);
    ASSERT_TRUE(chmlib);
    std::string error;
    auto mspack = qm::test::readWithMspack(chm, &error);
    ASSERT_TRUE(mspack) << error;
    for (int i = 0; i < 3000; i += 97) {
        const std::string& name = names[static_cast<std::size_t>(i)];
        EXPECT_EQ((*chmlib)[name], "content of " + name);
        EXPECT_EQ((*mspack)[name], "content of " + name);
        std::string upper = name;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(qm::test::chmlibLookup(chm, upper), "content of " + name) << upper;
        EXPECT_EQ(qm::test::mspackLookup(chm, upper), "content of " + name) << upper;
    }
    EXPECT_FALSE(qm::test::mspackLookup(chm, "/folder1/missing.htm"));
    EXPECT_FALSE(qm::test::chmlibLookup(chm, "/folder1/missing.htm"));
}
