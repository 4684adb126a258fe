#include "ui/RunProgress.h"

#include "text/Gbk.h"

#include <gtest/gtest.h>

namespace qm::ui {
namespace {

// Each file has its share of the bar by size; within it the conversion, the scan and
// the compile follow each other, and the texts say which.
TEST(RunProgress, BarSharesFilesBySizeAndTextsSayTheStep) {
    RunProgress progress;
    progress.start({{1000, false}, {3000, true}});
    EXPECT_EQ(progress.text(), "正在准备 …");
    progress.fileStarted(0);
    progress.scanned(1000, 1000, 5);
    EXPECT_EQ(progress.text(), "正在扫描 1000 字节 / 1000 字节");
    const int firstScanned = progress.value();
    progress.compiling();
    progress.compilerSaid("Compiling a.htm");
    EXPECT_EQ(progress.text(), "正在编译 … 第 1 个文件");
    progress.compilerSaid(gbk::fromUtf8("正在编入 b.htm")); // the compiler as the run has it
    EXPECT_EQ(progress.text(), "正在编译 … 第 2 个文件");
    progress.compilerSaid(gbk::fromUtf8("正在压缩 8 个文件"));
    EXPECT_GT(progress.value(), firstScanned);
    EXPECT_LT(progress.value(), 250); // the first file is a quarter of the bytes
    progress.fileStarted(1);
    progress.converting();
    EXPECT_EQ(progress.value(), 250);
    EXPECT_EQ(progress.text(), "正在把 Word 文档转换为网页 …");
    EXPECT_EQ(RunProgress::sizeText(13002342), "12.4 MB");
    EXPECT_EQ(RunProgress::sizeText(2048), "2.0 KB");
}

} // namespace
} // namespace qm::ui
