#include "project/ChmCompiler.h"
#include "support/Samples.h"
#include "support/TempDir.h"
#include "text/Error.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

// The loader is process-wide, so one test walks through its states in order: missing
// library, library without the entry point, the real one, reused.
TEST(ChmCompilerLoader, FailsAsTheSystemDoesThenLoadsOnceAndCompiles) {
    test::TempDir empty;
    setChmLibrarySearchFolder(empty.path().string());
    try {
        chmLibrary();
        FAIL() << "loaded a library from an empty folder";
    } catch (const Error& e) {
        std::string text = e.what();
        EXPECT_EQ(text.rfind("System Error.  Code: 126.\r\n", 0), 0u) << text;
        EXPECT_NE(text.find("libhha.so"), std::string::npos) << text;
    }

    // A library without HHA_CompileHHP.
    test::TempDir impostor;
    std::filesystem::path libm = "/lib/x86_64-linux-gnu/libm.so.6";
    if (!std::filesystem::exists(libm))
        GTEST_SKIP() << "no " << libm << " to stand in for a library without the entry point";
    std::filesystem::copy_file(libm, impostor / "libhha.so");
    setChmLibrarySearchFolder(impostor.path().string());
    try {
        chmLibrary();
        FAIL() << "accepted a library without the entry point";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("System Error.  Code: 127.\r\n", 0), 0u) << e.what();
    }

    setChmLibrarySearchFolder(test::binaryDir().string());
    ChmLibrary& compiler = chmLibrary();
    EXPECT_EQ(&compiler, &chmLibrary());
    EXPECT_EQ(compiler.loadedFrom(), (test::binaryDir() / "libhha.so").string());

    test::TempDir dir;
    test::writeFile(dir / "a.htm", "<html><body>a</body></html>");
    test::writeFile(dir / "p.hhp", "[OPTIONS]\r\nCompiled file=p.chm\r\nDefault topic=a.htm\r\n"
                                   "Language=0x409\r\n\r\n[FILES]\r\na.htm\r\nmissing.htm\r\n");
    std::vector<std::string> logs;
    int progress = 0;
    ChmCompiler step;
    bool built = step.compile(
        dir / "p.hhp", [&](const std::string& text) { logs.push_back(text); },
        [&](const std::string&) { return ++progress > 0; });
    EXPECT_TRUE(built);
    EXPECT_TRUE(std::filesystem::exists(dir / "p.chm"));
    EXPECT_GT(progress, 0);
    EXPECT_FALSE(logs.empty()); // the missing page is a warning

    // A compile the progress callback stops writes nothing.
    std::filesystem::remove(dir / "p.chm");
    EXPECT_FALSE(step.compile(
        dir / "p.hhp", [](const std::string&) {}, [](const std::string&) { return false; }));
    EXPECT_FALSE(std::filesystem::exists(dir / "p.chm"));
}

} // namespace
} // namespace qm
