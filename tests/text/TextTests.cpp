#include "text/ByteString.h"
#include "text/Charset.h"
#include "text/Gbk.h"
#include "text/NumberDateText.h"

#include <cmath>
#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(NumberDateText, GeneralFormatKeepsFifteenSignificantDigits) {
    EXPECT_EQ(numdate::formatGeneral(46362.6254398148), "46362.6254398148");
    EXPECT_EQ(numdate::formatGeneral(46362.62543981481234), "46362.6254398148");
    EXPECT_EQ(numdate::formatGeneral(1.0), "1");
    EXPECT_EQ(numdate::formatGeneral(0.5), "0.5");
    EXPECT_EQ(numdate::formatGeneral(0.0), "0");
    EXPECT_EQ(numdate::formatGeneral(-2.25), "-2.25");
    EXPECT_EQ(numdate::formatGeneral(123456789012345.0), "123456789012345");
    EXPECT_EQ(numdate::formatGeneral(1e20), "1E20");
    EXPECT_EQ(numdate::formatGeneral(0.0001), "0.0001");
    EXPECT_EQ(numdate::formatGeneral(1e-7), "1E-7");
}

TEST(NumberDateText, DateTimeCountsDaysSince1899) {
    EXPECT_DOUBLE_EQ(numdate::toDateTime(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(numdate::toDateTime(1900, 1, 1, 12, 0, 0), 2.5);
    EXPECT_DOUBLE_EQ(numdate::toDateTime(2026, 12, 7, 0, 0, 0), 46363.0);
    // Two untitled sibling topics get numbers one apart (index + now).
    double now = numdate::now();
    EXPECT_GT(now, 46000.0);
    EXPECT_LT(now - std::floor(now), 1.0);
}

TEST(NumberDateText, DateAndTimeTexts) {
    numdate::DateTime t = numdate::toDateTime(2026, 12, 7, 8, 5, 58);
    EXPECT_EQ(numdate::shortDate(t), "2026/12/7");
    EXPECT_EQ(numdate::longTime(t), "08:05:58");
    EXPECT_EQ(numdate::dateTimeText(t), "2026/12/7 08:05:58");
    EXPECT_EQ(numdate::dateTimeText(numdate::toDateTime(2026, 12, 7, 0, 0, 0)), "2026/12/7");
    // A remaining-time estimate below half a second reads as midnight.
    EXPECT_EQ(numdate::longTime(0.4 / 86400.0), "00:00:00");
    EXPECT_EQ(numdate::longTime(3725.0 / 86400.0), "01:02:05");
}

TEST(Gbk, RoundTripsChineseText) {
    std::string gbk = "\xCA\xD7\xD2\xB3"; // 首页
    EXPECT_EQ(gbk::toUtf8(gbk), "首页");
    EXPECT_EQ(gbk::fromUtf8("首页"), gbk);
    EXPECT_EQ(gbk::fromUtf8("plain ascii"), "plain ascii");
    EXPECT_EQ(gbk::fromPath(gbk::toPath(gbk)), gbk);
}

TEST(Gbk, CharactersOutsideGbkBecomeCharacterReferences) {
    EXPECT_EQ(gbk::fromUtf8("a😀b"), "a&#128512;b");
    EXPECT_EQ(gbk::fromUtf8("한"), "&#54620;");
    EXPECT_EQ(charset::fromUtf8("Ж", "windows-1252"), "&#1046;");
    // ... and are shown as those characters again; other text stays as it is.
    EXPECT_EQ(gbk::toDisplayUtf8(gbk::fromUtf8("연구 &amp; 概述😀")), "연구 &amp; 概述😀");
    EXPECT_EQ(gbk::toDisplayUtf8("&#;&#x41;&#99999999;"), "&#;&#x41;&#99999999;");
}

TEST(Gbk, MalformedBytesDoNotThrow) {
    std::string broken = "ab\x81";
    EXPECT_NO_THROW(gbk::toUtf8(broken));
    EXPECT_EQ(gbk::toUtf8(broken).substr(0, 2), "ab");
}

TEST(Gbk, LeadAndTrailBytes) {
    EXPECT_TRUE(gbk::isLeadByte(0x81));
    EXPECT_FALSE(gbk::isLeadByte(0x80));
    EXPECT_TRUE(gbk::isTrailByte('\\'));
    EXPECT_TRUE(gbk::isTrailByte('|'));
    EXPECT_FALSE(gbk::isTrailByte('<'));
    EXPECT_FALSE(gbk::isTrailByte(0x7F));
}

TEST(Charset, OtherCharsetsDecode) {
    EXPECT_EQ(charset::toUtf8("\xB0\x5F", "Big5"), "起");
    EXPECT_EQ(charset::toUtf8("\xC6", "windows-1251"), "Ж");
    EXPECT_TRUE(charset::isKnown("UTF-16LE"));
    EXPECT_FALSE(charset::isKnown("no-such-charset"));
}

TEST(ByteString, TrimAndPercentDecode) {
    EXPECT_EQ(trimBlanks(" \t\r\n a b \x01"), "a b");
    EXPECT_EQ(trimBlanks("   "), "");
    EXPECT_EQ(percentDecode("a%20b%E5%9B%BE.png"), "a b\xE5\x9B\xBE.png");
    EXPECT_EQ(percentDecode("100%"), "100%");
    EXPECT_EQ(percentDecode("%4"), "%4");
    EXPECT_EQ(percentDecode("%zz%41"), "%zzA");
}

} // namespace
} // namespace qm
