#include "chm/TextCodec.h"

#include <gtest/gtest.h>

using namespace qm::chm;

TEST(TextCodec, CodePageFollowsTheLanguage) {
    EXPECT_STREQ(codePageForLcid(0x804).charset, "GBK");
    EXPECT_EQ(codePageForLcid(0x804).number, 936u);
    EXPECT_STREQ(codePageForLcid(0x411).charset, "windows-31j");
    EXPECT_STREQ(codePageForLcid(0x419).charset, "windows-1251");
    EXPECT_STREQ(codePageForLcid(0x422).charset, "windows-1251");
    EXPECT_STREQ(codePageForLcid(0x409).charset, "windows-1252");
    EXPECT_STREQ(codePageForLcid(0x407).charset, "windows-1252");
    EXPECT_STREQ(codePageForLcid(0x404).charset, "windows-950");
    EXPECT_STREQ(codePageForLcid(0x412).charset, "windows-949");
    EXPECT_STREQ(codePageForLcid(0x415).charset, "windows-1250");
}

TEST(TextCodec, RoundTripsGbk) {
    TextCodec gbk("GBK");
    std::string text = "\xCA\xD7\xD2\xB3"; // 首页
    EXPECT_EQ(gbk.toUtf8(text), "首页");
    EXPECT_EQ(gbk.fromUtf8("首页"), text);
    EXPECT_EQ(gbk.toUtf8("plain"), "plain");
}

TEST(TextCodec, HtmlCharsetNamesWidenToTheWindowsSupersets) {
    EXPECT_EQ(charsetForHtmlName("gb2312"), "GBK");
    EXPECT_EQ(charsetForHtmlName("GB2312"), "GBK");
    EXPECT_EQ(charsetForHtmlName("Shift_JIS"), "windows-31j");
    EXPECT_EQ(charsetForHtmlName("utf-8"), "UTF-8");
    EXPECT_EQ(charsetForHtmlName("iso-8859-1"), "windows-1252");
    EXPECT_EQ(charsetForHtmlName("windows-1251"), "windows-1251");
    EXPECT_EQ(charsetForHtmlName("no-such-charset"), "");
}

TEST(TextCodec, FoldsCaseLikeWindows) {
    EXPECT_EQ(foldCase("Index.HTM"), "index.htm");
    EXPECT_EQ(foldCase("ПРИВЕТ.htm"), "привет.htm");
    EXPECT_EQ(foldCase("首页.1.htm"), "首页.1.htm");
}

TEST(TextCodec, ValidatesUtf8) {
    EXPECT_TRUE(isValidUtf8("首页"));
    EXPECT_FALSE(isValidUtf8("\xCA\xD7"));
    EXPECT_FALSE(isValidUtf8("\xE9\xA6"));
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80")); // a surrogate
}
