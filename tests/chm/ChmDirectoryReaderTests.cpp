// The core reads back the directory of each CHM a run compiles, to tell whether every
// page of the project got in.
#include "project/ChmDirectoryReader.h"

#include "ChmInspect.h"
#include "ChmReaders.h"
#include "ProjectFixture.h"
#include "RecordingListener.h"
#include "chm/Compiler.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <set>

using qm::readChmDirectory;

TEST(ChmDirectoryReader, ListsWhatChmlibListsAcrossSeveralChunks) {
    qm::test::TempDir dir;
    qm::test::FixtureOptions options;
    options.topics = 200; // long Chinese names: several listing chunks and an index chunk
    options.paragraphsPerTopic = 1;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), options);
    qm::test::RecordingListener listener;
    qm::chm::CompileOptions compile;
    compile.timestamp = 1700000000;
    ASSERT_TRUE(qm::chm::compileProject(fixture.project, listener, compile).written)
        << listener.allLog();

    std::optional<std::vector<std::string>> names = readChmDirectory(dir / "manual.chm");
    ASSERT_TRUE(names);
    std::set<std::string> files;
    for (const std::string& name : *names)
        if (name.back() != '/')
            files.insert(name);
    std::optional<qm::test::ChmContents> chmlib = qm::test::readWithChmlib(dir / "manual.chm");
    ASSERT_TRUE(chmlib);
    std::set<std::string> expected;
    for (const auto& [name, bytes] : *chmlib)
        expected.insert(name);
    EXPECT_EQ(files, expected);
    EXPECT_EQ(files.count("/" + fixture.topics.back().pageName), 1u);
}

// A CHM cut short (a full disk, a copy that stopped) or damaged gives no listing at all
// rather than a partial one or a read past the end.
TEST(ChmDirectoryReader, CutOrDamagedFilesGiveNoListing) {
    qm::test::TempDir dir;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), {});
    qm::test::RecordingListener listener;
    ASSERT_TRUE(qm::chm::compileProject(fixture.project, listener).written) << listener.allLog();
    const std::string whole = qm::test::readFile(dir / "manual.chm");
    const std::filesystem::path copy = dir / "copy.chm";

    const std::size_t directory = qm::test::le32(whole, 0x48);
    const std::size_t chunk = directory + 0x54; // the first listing chunk
    for (std::size_t size :
         {std::size_t{0}, std::size_t{0x40}, directory + 0x20, chunk + 100, chunk + 4095}) {
        qm::test::writeFile(copy, whole.substr(0, size));
        EXPECT_FALSE(readChmDirectory(copy)) << size;
    }
    auto damaged = [&](std::size_t at, const std::string& bytes) {
        std::string file = whole;
        file.replace(at, bytes.size(), bytes);
        qm::test::writeFile(copy, file);
        return readChmDirectory(copy);
    };
    EXPECT_FALSE(damaged(0x48, std::string(8, '\xFF')));             // directory offset
    EXPECT_FALSE(damaged(directory + 0x10, std::string(4, '\x7F'))); // chunk size
    EXPECT_FALSE(damaged(chunk + 4, std::string(4, '\xFF')));        // free space
    EXPECT_FALSE(damaged(chunk + 0x10, std::string(4, '\0')));       // next chunk: itself
    EXPECT_FALSE(damaged(chunk + 0x14, "\xFF\x7F"));                 // a name longer than the chunk
    EXPECT_FALSE(damaged(chunk + 0x14, std::string(10, '\xFF')));    // a length past 64 bits
    EXPECT_FALSE(readChmDirectory(dir / "absent.chm"));
    qm::test::writeFile(copy, whole);
    EXPECT_TRUE(readChmDirectory(copy));
}
