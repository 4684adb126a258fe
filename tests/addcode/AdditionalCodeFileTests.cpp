#include "addcode/AdditionalCodeFile.h"
#include "support/TempDir.h"
#include "text/Error.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n";

// A file as another editor (or an older version of the program) might have written it.
std::string fileWith(const std::string& rootContent,
                     const std::string& root = "QuillmarkAddtionalCode") {
    return kDeclaration + "<" + root + " Author=\"Vorlane\" ProgramDate=\"2005-01-05\">" +
           rootContent + "</" + root + ">\r\n";
}

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

LoadedAdditionalCode roundTrip(const AdditionalCode& code) {
    test::TempDir dir;
    saveAdditionalCodeFile(dir / "a.ahtml", code);
    return loadAdditionalCodeFile(dir / "a.ahtml");
}

TEST(AdditionalCodeFile, TwoLinePrefixAndEmptySuffixComeBackAsTyped) {
    LoadedAdditionalCode loaded =
        roundTrip({"<table><tr><td>\r\n<img src=\"a.gif\"></td></tr>", ""});
    EXPECT_EQ(loaded.beforeEntry, "<table><tr><td>\r\n<img src=\"a.gif\"></td></tr>");
    EXPECT_EQ(loaded.afterEntry, "");
}

TEST(AdditionalCodeFile, MarkupCharactersBlanksAndChineseSurvive) {
    std::string before = gbk::fromUtf8("  <p class='x'>页眉 &amp; \"版权\" > 2005</p>\t\r\n\r\n");
    std::string after = gbk::fromUtf8("</td></tr></table>\n\r<!-- 页脚 -->  ");
    LoadedAdditionalCode loaded = roundTrip({before, after});
    EXPECT_EQ(loaded.beforeEntry, before);
    EXPECT_EQ(loaded.afterEntry, after);
}

TEST(AdditionalCodeFile, LiteralLineBreakCodesBecomeLineBreaks) {
    // The format stores line breaks as these very texts, so it cannot tell them apart.
    LoadedAdditionalCode loaded = roundTrip({"color #13 and #10", "#13#10"});
    EXPECT_EQ(loaded.beforeEntry, "color \r and \n");
    EXPECT_EQ(loaded.afterEntry, "\r\n");
}

TEST(AdditionalCodeFile, WrittenBytesAreTheDeclaredFormat) {
    AdditionalCode code{"<b>x</b>\r\n&", gbk::fromUtf8("页脚")};
    std::string expected = kDeclaration +
                           "<QuillmarkAddtionalCode Author=\"Vorlane\" ProgramDate=\"2005-01-05\">"
                           "<BeforeEntry>&lt;b&gt;x&lt;/b&gt;#13#10&amp;</BeforeEntry>"
                           "<AfterEntry>" +
                           gbk::fromUtf8("页脚") + "</AfterEntry></QuillmarkAddtionalCode>\r\n";
    EXPECT_EQ(formatAdditionalCode(code), expected);

    test::TempDir dir;
    saveAdditionalCodeFile(dir / "a.ahtml", code);
    std::string written = test::readFile(dir / "a.ahtml");
    EXPECT_EQ(written, expected);

    // Loading and saving again gives the very same bytes.
    LoadedAdditionalCode loaded = loadAdditionalCodeFile(dir / "a.ahtml");
    saveAdditionalCodeFile(dir / "b.ahtml", {*loaded.beforeEntry, *loaded.afterEntry});
    EXPECT_EQ(test::readFile(dir / "b.ahtml"), written);
}

TEST(AdditionalCodeFile, ReadingFollowsTheChildrenOfAnyRoot) {
    // Another root name; whitespace, comments and unknown elements in between; the
    // last occurrence wins; letter case and prefixes make other names; nested code
    // elements are not children of the root.
    LoadedAdditionalCode loaded = parseAdditionalCode(fileWith(
        "\r\n  <!-- note --><BeforeEntry>first</BeforeEntry>\r\n"
        "<beforeentry>case</beforeentry><x:BeforeEntry xmlns:x=\"u\">prefixed</x:BeforeEntry>"
        "<Other><AfterEntry>nested</AfterEntry></Other>"
        "<BeforeEntry>line#13#10two</BeforeEntry><AfterEntry/>\r\n",
        "SomethingElse"));
    EXPECT_EQ(loaded.beforeEntry, "line\r\ntwo");
    EXPECT_EQ(loaded.afterEntry, "");
}

TEST(AdditionalCodeFile, AMissingElementLeavesItsFieldUnset) {
    LoadedAdditionalCode onlyBefore = parseAdditionalCode(fileWith("<BeforeEntry>a</BeforeEntry>"));
    EXPECT_EQ(onlyBefore.beforeEntry, "a");
    EXPECT_FALSE(onlyBefore.afterEntry.has_value());

    LoadedAdditionalCode wrongCase =
        parseAdditionalCode(fileWith("<BEFOREENTRY>a</BEFOREENTRY><afterEntry>b</afterEntry>"));
    EXPECT_FALSE(wrongCase.beforeEntry.has_value());
    EXPECT_FALSE(wrongCase.afterEntry.has_value());
}

TEST(AdditionalCodeFile, BlankFilesAreIgnoredSilently) {
    test::TempDir dir;
    for (std::string blank :
         {std::string(), std::string(" \r\n\t\r\n  "), std::string("\0\x1a", 2)}) {
        test::writeFile(dir / "blank.ahtml", blank);
        LoadedAdditionalCode loaded = loadAdditionalCodeFile(dir / "blank.ahtml");
        EXPECT_FALSE(loaded.beforeEntry.has_value());
        EXPECT_FALSE(loaded.afterEntry.has_value());
    }
}

TEST(AdditionalCodeFile, Gb2312FilesAreReadAsGbk) {
    // 镕 (0x9B46) is in GBK but not in GB2312; Windows writes it into GB2312 files.
    std::string code = gbk::fromUtf8("朱镕基 €");
    ASSERT_EQ(code.size(), 8u);
    LoadedAdditionalCode loaded =
        parseAdditionalCode(fileWith("<BeforeEntry>" + code + "</BeforeEntry>"));
    EXPECT_EQ(loaded.beforeEntry, code);
    EXPECT_EQ(roundTrip({code, ""}).beforeEntry, code);
}

TEST(AdditionalCodeFile, OtherDeclaredEncodingsAreHonoured) {
    std::string utf8 =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r><BeforeEntry>页眉</BeforeEntry></r>";
    EXPECT_EQ(parseAdditionalCode(utf8).beforeEntry, gbk::fromUtf8("页眉"));
    EXPECT_EQ(parseAdditionalCode("\xEF\xBB\xBF<r><AfterEntry>页脚</AfterEntry></r>").afterEntry,
              gbk::fromUtf8("页脚"));
    const char utf16le[] = "\xFF\xFE<\0r\0>\0<\0B\0e\0f\0o\0r\0e\0E\0n\0t\0r\0y\0>\0"
                           "x\0<\0/\0B\0e\0f\0o\0r\0e\0E\0n\0t\0r\0y\0>\0<\0/\0r\0>\0";
    std::string utf16(utf16le, sizeof utf16le - 1);
    EXPECT_EQ(parseAdditionalCode(utf16).beforeEntry, "x");
}

TEST(AdditionalCodeFile, MalformedXmlNamesReasonLineAndTheStartOfTheLine) {
    std::string line2 = "<Root><BeforeEntry>" + gbk::fromUtf8("一二三四五六七八九十") +
                        "abcdefghijklmnopqrstuvwxyz</AfterEntry></Root>";
    std::string message = messageOf([&] { parseAdditionalCode(kDeclaration + line2); });
    // 40 characters: a Chinese character counts once, not as its two bytes.
    EXPECT_EQ(message,
              "Opening and ending tag mismatch: BeforeEntry line 2 and AfterEntry\r\nLine: 2\r\n"
              "<Root><BeforeEntry>" +
                  gbk::fromUtf8("一二三四五六七八九十") + "abcdefghijk");
}

TEST(AdditionalCodeFile, BytesThatAreNotGbkAreRefusedNotReplaced) {
    std::string message = messageOf([&] {
        parseAdditionalCode(kDeclaration + "<r>\r\n<BeforeEntry>a\x81\x20</BeforeEntry></r>");
    });
    EXPECT_EQ(message.substr(0, message.find('\r')), "Invalid character for the encoding GBK");
    EXPECT_NE(message.find("\r\nLine: 3\r\n"), std::string::npos) << message;
}

TEST(AdditionalCodeFile, CodeElementsMustHoldPlainTextOnly) {
    for (std::string content : {"<b>bold</b>", "<![CDATA[x]]>", "a<!-- c -->b", "<?pi x?>"}) {
        std::string message = messageOf([&] {
            parseAdditionalCode(fileWith("<BeforeEntry>fine</BeforeEntry><AfterEntry>" + content +
                                         "</AfterEntry>"));
        });
        EXPECT_EQ(message, "Element does not contain a single text node") << content;
    }
}

TEST(AdditionalCodeFile, FileSystemFailuresNameThePath) {
    test::TempDir dir;
    std::filesystem::path missing = dir / "missing.ahtml";
    auto startsWith = [](const std::string& text, const std::string& start) {
        return text.rfind(start, 0) == 0;
    };
    EXPECT_TRUE(startsWith(messageOf([&] { loadAdditionalCodeFile(missing); }),
                           "Cannot open file " + gbk::fromPath(missing)));
    std::filesystem::create_directory(dir / "folder.ahtml");
    EXPECT_TRUE(startsWith(messageOf([&] { loadAdditionalCodeFile(dir / "folder.ahtml"); }),
                           "Cannot open file " + gbk::fromPath(dir / "folder.ahtml")));
    std::filesystem::path uncreatable =
        dir.path() / "no such folder" / gbk::toPath(gbk::fromUtf8("代码.ahtml"));
    EXPECT_TRUE(startsWith(messageOf([&] {
                               saveAdditionalCodeFile(uncreatable, {"a", "b"});
                           }),
                           "Cannot create file " + gbk::fromPath(uncreatable)));
}

TEST(AdditionalCodeFile, AFailedSaveLeavesTheEarlierFileAlone) {
    test::TempDir dir;
    saveAdditionalCodeFile(dir / "a.ahtml", {"old", "old"});
    std::string before = test::readFile(dir / "a.ahtml");
    // A control character has no place in an XML 1.0 file: saving it would give a file
    // that cannot be loaded again.
    EXPECT_NE(messageOf([&] {
                  saveAdditionalCodeFile(dir / "a.ahtml", {"new\x01", ""});
              }),
              "(no error)");
    EXPECT_EQ(test::readFile(dir / "a.ahtml"), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

} // namespace
} // namespace qm
