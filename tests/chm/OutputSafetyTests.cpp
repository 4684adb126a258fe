// Where the CHM goes: it replaces an earlier CHM and nothing else, and a "Compiled
// file" outside the project's folder is written there with a warning.
#include "chm/Compiler.h"

#include "RecordingListener.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <map>

using namespace qm::chm;
using qm::test::readFile;
using qm::test::RecordingListener;
using qm::test::TempDir;
using qm::test::writeFile;

namespace {

using Snapshot = std::map<std::filesystem::path, std::string>;

Snapshot snapshot(const std::filesystem::path& folder) {
    Snapshot out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        if (e.is_regular_file())
            out[e.path()] = readFile(e.path());
    return out;
}

// A project in <root>/a/proj whose Compiled file is the given value, with a page, a
// contents file, an included header, an unrelated text file and an earlier CHM.
std::filesystem::path writeProject(const std::filesystem::path& root, const std::string& compiled) {
    const std::filesystem::path dir = root / "a" / "proj";
    std::filesystem::create_directories(dir);
    writeFile(dir / "p.hhp", "[OPTIONS]\r\nCompiled file=" + compiled +
                                 "\r\nContents file=p.hhc\r\nTitle=T\r\n\r\n[FILES]\r\na.htm\r\n"
                                 "\r\n[ALIAS]\r\nIDH_A=a.htm\r\n\r\n[MAP]\r\n#include ids.h\r\n");
    writeFile(dir / "a.htm", "<html><title>A</title><body>alpha</body></html>");
    writeFile(dir / "p.hhc", "<ul><li><object type=\"text/sitemap\"><param name=\"Name\" "
                             "value=\"A\"><param name=\"Local\" value=\"a.htm\"></object></ul>");
    writeFile(dir / "ids.h", "#define IDH_A 10\r\n");
    writeFile(dir / "notes.txt", "not a help file");
    writeFile(dir / "old.chm", "ITSF and the rest of an old CHM");
    return dir / "p.hhp";
}

struct Case {
    const char* compiled;
    const char* written; // relative to the root; empty: refused
    bool outsideWarning;
};

class CompiledFileValues : public ::testing::TestWithParam<Case> {};

TEST_P(CompiledFileValues, LeaveTheFolderAsExpected) {
    const Case& c = GetParam();
    TempDir dir;
    const std::filesystem::path project = writeProject(dir.path(), c.compiled);
    const Snapshot before = snapshot(dir.path());
    RecordingListener listener;
    CompileOptions options;
    options.timestamp = 1700000000;
    const CompileResult result = compileProject(project, listener, options);
    Snapshot after = snapshot(dir.path());
    bool warned = false;
    for (const std::string& w : listener.warnings)
        warned |= w.find("outside the project") != std::string::npos &&
                  w.find(std::filesystem::absolute(result.chm).string()) != std::string::npos;
    EXPECT_EQ(warned, c.outsideWarning) << listener.allLog();
    if (std::string(c.written).empty()) {
        EXPECT_FALSE(result.written);
        ASSERT_EQ(listener.errors.size(), 1u) << listener.allLog();
        EXPECT_NE(listener.errors[0].find(result.chm.string()), std::string::npos)
            << listener.errors[0];
        EXPECT_EQ(after, before); // byte-identical, no temporary file left
        return;
    }
    ASSERT_TRUE(result.written) << listener.allLog();
    const std::filesystem::path chm = dir / c.written;
    EXPECT_EQ(std::filesystem::weakly_canonical(result.chm),
              std::filesystem::weakly_canonical(chm));
    ASSERT_TRUE(after.count(chm)) << chm;
    EXPECT_EQ(after[chm].substr(0, 4), "ITSF");
    after.erase(chm);
    Snapshot rest = before;
    rest.erase(chm);
    EXPECT_EQ(after, rest); // nothing but the CHM changed
}

INSTANTIATE_TEST_SUITE_P(Output, CompiledFileValues,
                         ::testing::Values(Case{"p.hhp", "", false}, Case{"a.htm", "", false},
                                           Case{"p.hhc", "", false}, Case{"ids.h", "", false},
                                           Case{"notes.txt", "", false},
                                           Case{"old.chm", "a/proj/old.chm", false},
                                           Case{"new.chm", "a/proj/new.chm", false},
                                           Case{"out\\deep\\x.chm", "a/proj/out/deep/x.chm", false},
                                           Case{"..\\..\\outside.chm", "outside.chm", true},
                                           Case{"../release/y.chm", "a/release/y.chm", true}));

} // namespace

TEST(CompiledFile, AnAbsolutePathIsWrittenWithAWarning) {
    TempDir dir;
    const std::filesystem::path target = dir / "elsewhere" / "x.chm";
    const std::filesystem::path project = writeProject(dir.path(), target.string());
    RecordingListener listener;
    const CompileResult result = compileProject(project, listener);
    ASSERT_TRUE(result.written) << listener.allLog();
    EXPECT_EQ(readFile(target).substr(0, 4), "ITSF");
    ASSERT_EQ(listener.warnings.size(), 1u) << listener.allLog();
    EXPECT_NE(listener.warnings[0].find(target.string()), std::string::npos);
}

TEST(CompiledFile, AnOutputPathGivenByTheCallerOverridesItWithoutAWarning) {
    TempDir dir;
    const std::filesystem::path project = writeProject(dir.path(), "..\\..\\away.chm");
    RecordingListener listener;
    CompileOptions options;
    options.output = dir / "chosen.chm";
    ASSERT_TRUE(compileProject(project, listener, options).written) << listener.allLog();
    EXPECT_TRUE(listener.warnings.empty()) << listener.allLog();
    EXPECT_TRUE(std::filesystem::exists(dir / "chosen.chm"));
    // ...but it may not name one of the project's files either.
    const std::string hhp = readFile(project);
    options.output = project;
    RecordingListener again;
    EXPECT_FALSE(compileProject(project, again, options).written);
    EXPECT_EQ(readFile(project), hhp);
}

// The real path decides whether the CHM lands outside the project's folder: a folder
// of the project that is a symbolic link to elsewhere is outside, and the warning names
// where the CHM really goes; a link to another folder of the project is inside.
TEST(CompiledFile, ThroughASymbolicLinkTheRealPathDecides) {
    TempDir dir;
    const std::filesystem::path project = writeProject(dir.path(), "lnk\\viasym.chm");
    const std::filesystem::path folder = project.parent_path();
    std::filesystem::create_directories(dir / "elsewhere");
    std::filesystem::create_directory_symlink(dir / "elsewhere", folder / "lnk");
    RecordingListener listener;
    ASSERT_TRUE(compileProject(project, listener).written) << listener.allLog();
    const std::filesystem::path real = std::filesystem::canonical(dir / "elsewhere") / "viasym.chm";
    EXPECT_EQ(readFile(real).substr(0, 4), "ITSF");
    ASSERT_EQ(listener.warnings.size(), 1u) << listener.allLog();
    EXPECT_NE(listener.warnings[0].find("outside the project"), std::string::npos);
    EXPECT_NE(listener.warnings[0].find(real.string()), std::string::npos) << listener.warnings[0];

    std::filesystem::create_directories(folder / "out");
    std::filesystem::create_directory_symlink(folder / "out", folder / "inner");
    writeFile(project, readFile(project).replace(readFile(project).find("lnk\\viasym.chm"), 14,
                                                 "inner\\in.chm"));
    RecordingListener inside;
    ASSERT_TRUE(compileProject(project, inside).written) << inside.allLog();
    EXPECT_TRUE(std::filesystem::exists(folder / "out" / "in.chm"));
    EXPECT_TRUE(inside.warnings.empty()) << inside.allLog();
}
