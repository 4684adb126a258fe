#include "word/SourceCharset.h"

#include "support/Samples.h"
#include "support/TempDir.h"
#include "text/Charset.h"
#include "text/Error.h"
#include "text/Gbk.h"
#include "text/Utf8.h"

#include <gtest/gtest.h>

#include <regex>

namespace qm {
namespace {

// UTF-8 text with every "&#N;" replaced by its character, so that a page and its GBK
// copy (where characters outside GBK are such references) can be compared.
std::string resolveReferences(const std::string& utf8) {
    static const std::regex ref("&#([0-9]+);");
    std::string out;
    auto begin = std::sregex_iterator(utf8.begin(), utf8.end(), ref);
    std::size_t pos = 0;
    for (auto it = begin; it != std::sregex_iterator(); ++it) {
        out.append(utf8, pos, static_cast<std::size_t>(it->position()) - pos);
        appendUtf8(out, static_cast<char32_t>(std::stoul((*it)[1].str())));
        pos = static_cast<std::size_t>(it->position() + it->length());
    }
    out.append(utf8, pos);
    return out;
}

std::string fromBody(const std::string& text) {
    std::size_t body = text.find("<body");
    return body == std::string::npos ? text : text.substr(body);
}

TEST(SourceCharset, FindsTheCharsetFromMarkOrDeclaration) {
    EXPECT_EQ(pageCharset("\xEF\xBB\xBF<html>"), "UTF-8");
    // A byte-order mark outranks what the page says of itself.
    EXPECT_EQ(pageCharset(std::string("\xFF\xFE<\0h\0", 6)), "UTF-16LE");
    EXPECT_EQ(pageCharset(std::string("\xFE\xFF\0<\0h", 6)), "UTF-16BE");
    EXPECT_EQ(pageCharset(std::string("<\0h\0t\0m\0l\0>\0", 12)), "UTF-16LE");
    EXPECT_EQ(pageCharset("<html><head><META HTTP-EQUIV=\"Content-Type\" "
                          "CONTENT=\"text/html; CHARSET=Big5\"></head>"),
              "Big5");
    EXPECT_EQ(pageCharset("<head><meta charset='windows-1251'><title>x</title>"), "windows-1251");
    EXPECT_EQ(pageCharset("<head><meta http-equiv=Content-Type content=\"text/html; "
                          "charset = utf-8\">"),
              "utf-8");
    // Only the head declares: a page that quotes a meta tag in its text says nothing.
    EXPECT_EQ(pageCharset("<head></head><body><meta charset=big5></body>"), "");
    EXPECT_EQ(pageCharset("<head><!-- <meta charset=big5> --></head>"), "");
    // Names that cannot be true of bytes read as ASCII, or that ICU does not know.
    EXPECT_EQ(pageCharset("<head><meta http-equiv=Content-Type content=\"text/html; "
                          "charset=unicode\">"),
              "");
    EXPECT_EQ(pageCharset("<head><meta charset=no-such-charset>"), "");
    EXPECT_EQ(pageCharset("<html><body>plain</body></html>"), "");
}

TEST(SourceCharset, KnowsGbkUnderItsNames) {
    for (const char* name : {"gb2312", "GB2312", "GBK", "gb18030", "GB_2312-80", "cp936",
                             "windows-936", "x-gbk", "EUC-CN"})
        EXPECT_TRUE(isGbkCharset(name)) << name;
    for (const char* name : {"big5", "utf-8", "hz-gb-2312", "windows-1252", ""})
        EXPECT_FALSE(isGbkCharset(name)) << name;
}

TEST(SourceCharset, ReencodesAPageAndChangesOnlyTheDeclaration) {
    const std::string page = "<html><head>\r\n<meta http-equiv=Content-Type "
                             "content=\"text/html; charset=utf-8\">\r\n<title>手册 Ключ</title>"
                             "</head><body><p>中文 Привет 한국 😀 &amp;</p></body></html>";
    const std::string expected =
        gbk::fromUtf8("<html><head>\r\n<meta http-equiv=Content-Type "
                      "content=\"text/html; charset=gb2312\">\r\n<title>手册 Ключ</title>"
                      "</head><body><p>中文 Привет ") +
        "&#54620;&#44397; &#128512; &amp;</p></body></html>";
    EXPECT_EQ(pageToGbk(page), expected);
    // A page in GBK passes through byte for byte.
    EXPECT_EQ(pageToGbk(expected), expected);
}

TEST(SourceCharset, DeclaresGb2312WhereNothingWasDeclared) {
    // A UTF-8 page known only by its byte-order mark; an XML declaration names the old
    // encoding and goes.
    EXPECT_EQ(pageToGbk("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<html><head><title>题</title></head><body>文</body></html>"),
              gbk::fromUtf8("<html><head>\r\n<meta http-equiv=Content-Type "
                            "content=\"text/html; charset=gb2312\"><title>题</title></head>"
                            "<body>文</body></html>"));
}

TEST(SourceCharset, CopyFailuresAreFileErrorsAndLeaveNothing) {
    test::TempDir dir;
    EXPECT_THROW(needsGbkCopy(dir / "missing.htm"), Error);
    EXPECT_THROW(writeGbkCopy(dir / "missing.htm", dir / "copy.htm"), Error);
    EXPECT_FALSE(std::filesystem::exists(dir / "copy.htm"));
    test::writeFile(dir / "page.htm", "<head><meta charset=utf-8></head><body>x</body>");
    EXPECT_THROW(writeGbkCopy(dir / "page.htm", dir / "no" / "such" / "copy.htm"), Error);
}

// Real pages that Word saved in eight charsets: the GBK copy holds the same text.
TEST(SourceCharset, WordPagesInEveryCharsetGiveTheSameTextInGbk) {
    if (test::samplesDir().empty())
        GTEST_SKIP() << test::kNoSamples;
    const std::filesystem::path html = test::samplesDir() / "html";
    struct Sample {
        const char* file;
        bool needsCopy;
        const char* text; // a piece of the body that the copy must hold (UTF-8)
    };
    const Sample samples[] = {
        {"countingpi_cn/index.htm", false, nullptr},
        {"ljjz_help_cn/帮助文档.htm", false, nullptr},
        {"rstartree_rtree_filtered_cn/R星树算法实现文档.htm", false, nullptr},
        {"tosall112_filtered_gb/告全体成员书.html", false, nullptr},
        {"easylin_big5/index.htm", true, "表格內文"},
        {"graduate_ko/index.htm", true, "인터페이스에"},
        {"resume_en/index.html", true, "–"},
        {"tika_noisy1/testHTMLNoisyMetaEncoding_1.html", true, nullptr},
        {"travelsys_ru/Документ Microsoft Word.htm", true, "Описание пользовательского"},
        {"wjt_utf16/index.htm", true, "明显引用"},
    };
    test::TempDir dir;
    for (const Sample& s : samples) {
        SCOPED_TRACE(s.file);
        const std::filesystem::path page = html / s.file;
        const std::string original = test::readFile(page);
        EXPECT_EQ(needsGbkCopy(page), s.needsCopy);
        if (!s.needsCopy)
            continue;
        const std::filesystem::path copy = dir / "copy.htm.gbk";
        writeGbkCopy(page, copy);
        EXPECT_EQ(test::readFile(page), original) << "the user's page was changed";
        const std::string bytes = test::readFile(copy);
        EXPECT_EQ(pageCharset(bytes), "gb2312");
        EXPECT_FALSE(needsGbkCopy(copy));

        const std::string copyText = resolveReferences(gbk::toUtf8(bytes));
        const std::string originalText = resolveReferences(pageToUtf8(original));
        EXPECT_TRUE(fromBody(copyText) == fromBody(originalText)) << "the body changed";
        if (s.text) {
            EXPECT_NE(copyText.find(s.text), std::string::npos);
        }
    }
}

TEST(SourceCharset, CharactersGbkHoldsStayCharacters) {
    if (test::samplesDir().empty())
        GTEST_SKIP() << test::kNoSamples;
    test::TempDir dir;
    // Cyrillic and traditional Chinese are in GBK: real bytes, no references.
    writeGbkCopy(test::samplesDir() / "html/travelsys_ru/Документ Microsoft Word.htm",
                 dir / "ru.htm");
    EXPECT_NE(test::readFile(dir / "ru.htm").find(gbk::fromUtf8("Описание")), std::string::npos);
    writeGbkCopy(test::samplesDir() / "html/easylin_big5/index.htm", dir / "tw.htm");
    EXPECT_NE(test::readFile(dir / "tw.htm").find(gbk::fromUtf8("表格內文")), std::string::npos);
    // Hangul is not: one decimal reference per character.
    writeGbkCopy(test::samplesDir() / "html/graduate_ko/index.htm", dir / "ko.htm");
    EXPECT_NE(test::readFile(dir / "ko.htm").find("&#51064;&#53552;&#54168;&#51060;&#49828;"),
              std::string::npos);
}

} // namespace
} // namespace qm
