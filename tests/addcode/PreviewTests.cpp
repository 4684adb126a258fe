#include "addcode/Preview.h"
#include "split/PageFrame.h"
#include "support/TempDir.h"
#include "text/Error.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace qm {
namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(text.substr(start, at - start));
    lines.push_back(text.substr(start));
    return lines;
}

TEST(PreviewSample, IsTheWordStyleSampleBody) {
    const std::string& sample = previewSample();
    EXPECT_EQ(sample.size(), 1698u);
    std::vector<std::string> lines = linesOf(sample);
    ASSERT_EQ(lines.size(), 24u); // 23 CR LF, none after the last line
    EXPECT_EQ(lines[0],
              gbk::fromUtf8("<h2><a name=\"_Toc92103748\"><span style=\"font-family:黑体\">"
                            "系统要求</span></a></h2> "));
    for (const std::string& line : lines) {
        EXPECT_EQ(line.back(), ' ') << line;
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    }
    for (const char* text :
         {"硬件配置：", "操作系统：", "屏幕分辨率：建议使用", "&nbsp;", "1024", "windows2000/XP"})
        EXPECT_NE(sample.find(gbk::fromUtf8(text)), std::string::npos) << text;
    EXPECT_EQ(std::count(sample.begin(), sample.end(), '<'),
              std::count(sample.begin(), sample.end(), '>'));
}

TEST(AdditionalCodePreview, WithOnlyASuffixThePageHoldsNoPrefixBytes) {
    test::TempDir dir;
    std::string suffix = gbk::fromUtf8("</td></tr></table><!-- 页脚 -->");
    std::filesystem::path page = previewAdditionalCode(
        dir.path(), pageFrameHead(), defaultAfterTitle(), "", suffix, pageFrameTail());
    EXPECT_EQ(page, dir / "qlmpreviewtmp.htm");
    EXPECT_EQ(test::readFile(page), pageFrameHead() + gbk::fromUtf8("附加代码效果预览") +
                                        defaultAfterTitle() + previewSample() + suffix +
                                        pageFrameTail());
}

TEST(AdditionalCodePreview, PiecesGoBackToBackAndASecondPreviewReplacesTheFirst) {
    test::TempDir dir;
    previewAdditionalCode(dir.path(), "H", "A", "old prefix", "old suffix", "T");
    std::filesystem::path page = previewAdditionalCode(dir.path(), "H", "A", "P\r\n", "S", "T");
    EXPECT_EQ(test::readFile(page),
              "H" + gbk::fromUtf8("附加代码效果预览") + "AP\r\n" + previewSample() + "ST");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(AdditionalCodePreview, WithoutATargetFolderItGoesIntoTheCurrentFolder) {
    test::TempDir dir;
    std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    std::filesystem::path page = previewAdditionalCode({}, "H", "A", "", "S", "T");
    std::filesystem::current_path(saved);
    EXPECT_EQ(page, "qlmpreviewtmp.htm");
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "qlmpreviewtmp.htm"));
}

TEST(AdditionalCodePreview, AMissingTargetFolderIsReportedAndNothingIsWritten) {
    test::TempDir dir;
    std::filesystem::path folder = dir / "removed";
    try {
        previewAdditionalCode(folder, "H", "A", "", "S", "T");
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind(
                      "Cannot create file " + gbk::fromPath(folder / "qlmpreviewtmp.htm"), 0),
                  0u);
    }
    EXPECT_FALSE(std::filesystem::exists(folder));
}

} // namespace
} // namespace qm
