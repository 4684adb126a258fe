// libhha.so as the program loads it: by dlopen, through its one C entry point.
#include "ChmReaders.h"
#include "ProjectFixture.h"
#include "support/Samples.h"
#include "support/TempDir.h"
#include "text/Gbk.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

using CompileFn = int (*)(const char*, void (*)(const char*), int (*)(const char*), int);

std::vector<std::string> g_log, g_progress;
int g_stopAfter = -1;

void onLog(const char* text) {
    g_log.emplace_back(text);
}
int onProgress(const char* text) {
    g_progress.emplace_back(text);
    return g_stopAfter < 0 || static_cast<int>(g_progress.size()) < g_stopAfter ? -1 : 0;
}

class HhaLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        handle_ = dlopen((qm::test::binaryDir() / "libhha.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        compile_ = reinterpret_cast<CompileFn>(dlsym(handle_, "HHA_CompileHHP"));
        ASSERT_NE(compile_, nullptr);
        g_log.clear();
        g_progress.clear();
        g_stopAfter = -1;
    }
    void TearDown() override {
        if (handle_)
            dlclose(handle_);
    }
    void* handle_ = nullptr;
    CompileFn compile_ = nullptr;
};

} // namespace

TEST_F(HhaLibrary, ExportsOnlyTheEntryPoint) {
    std::string symbols;
    ASSERT_EQ(qm::test::runCommand(
                  "nm -D --defined-only " +
                      qm::test::shellQuote((qm::test::binaryDir() / "libhha.so").string()),
                  &symbols),
              0);
    EXPECT_NE(symbols.find(" T HHA_CompileHHP"), std::string::npos) << symbols;
    std::size_t lines = static_cast<std::size_t>(std::count(symbols.begin(), symbols.end(), '\n'));
    EXPECT_EQ(lines, 1u) << symbols;
}

TEST_F(HhaLibrary, CompilesAndTalksInTheProjectsCodePage) {
    qm::test::TempDir dir;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), {});
    std::filesystem::remove(dir / fixture.topics[1].pageName); // one warning naming a GBK file
    int result = compile_(fixture.project.c_str(), onLog, onProgress, 0);
    EXPECT_NE(result, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "manual.chm"));
    EXPECT_FALSE(g_progress.empty());
    ASSERT_GE(g_log.size(), 2u);
    const std::string title = fixture.topics[1].title;
    bool gbkName = false;
    for (const std::string& line : g_log)
        gbkName |= line.find(qm::gbk::fromUtf8(title)) != std::string::npos;
    EXPECT_TRUE(gbkName) << "a warning names the missing page in GBK";
    EXPECT_TRUE(qm::test::readWithChmlib(dir / "manual.chm"));
}

// Callers of HTML Help Workshop's library pass 0 and read its English; the program's own
// core passes a Chinese language ID and shows the user Chinese, in GBK.
TEST_F(HhaLibrary, SpeaksEnglishUnlessTheCallerAsksForChinese) {
    qm::test::TempDir dir;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), {});
    std::filesystem::remove(dir / fixture.topics[1].pageName);
    ASSERT_NE(compile_(fixture.project.c_str(), onLog, onProgress, 0), 0);
    ASSERT_FALSE(g_log.empty());
    EXPECT_EQ(g_log.front().rfind("Warning: ", 0), 0u) << g_log.front();
    EXPECT_EQ(g_progress.back().rfind("Compressing ", 0), 0u) << g_progress.back();
    g_log.clear();
    g_progress.clear();
    ASSERT_NE(compile_(fixture.project.c_str(), onLog, onProgress, 0x0804), 0);
    ASSERT_FALSE(g_log.empty());
    EXPECT_EQ(g_log.front().rfind(qm::gbk::fromUtf8("警告："), 0), 0u) << g_log.front();
    EXPECT_NE(g_log.front().find(qm::gbk::fromUtf8("不存在，未编入。")), std::string::npos);
    EXPECT_EQ(g_progress.back().rfind(qm::gbk::fromUtf8("正在压缩 "), 0), 0u);
    g_log.clear();
    EXPECT_EQ(compile_("", onLog, onProgress, 0x0804), 0);
    ASSERT_EQ(g_log.size(), 1u);
    EXPECT_EQ(g_log.front(), qm::gbk::fromUtf8("错误：没有指定工程文件。"));
}

TEST_F(HhaLibrary, AProgressCallbackReturningZeroStopsTheCompile) {
    qm::test::TempDir dir;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), {});
    g_stopAfter = 2;
    EXPECT_EQ(compile_(fixture.project.c_str(), onLog, onProgress, 0), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "manual.chm"));
    EXPECT_EQ(g_progress.size(), 2u);
}

TEST_F(HhaLibrary, AMissingProjectGivesZeroAndNoCallbacksAreNeeded) {
    qm::test::TempDir dir;
    EXPECT_EQ(compile_((dir / "none.hhp").c_str(), nullptr, nullptr, 0), 0);
    EXPECT_EQ(compile_((dir / "none.hhp").c_str(), onLog, onProgress, 0), 0);
    EXPECT_FALSE(g_log.empty());
    EXPECT_EQ(compile_("", onLog, onProgress, 0), 0);
    EXPECT_EQ(compile_(nullptr, onLog, onProgress, 0), 0);
}
