// A character reference in a heading reaches the reader three ways: through the
// splitter's title (the page's <title>, the contents and the index it writes) and, as
// written, through the compiler's index and titles. All read the same character.
#include "chm/PageText.h"
#include "chm/Sitemap.h"
#include "html/Entities.h"
#include "html/Escape.h"
#include "split/HeadingText.h"
#include "text/Gbk.h"
#include "text/Utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

// What the compiler reads as a GBK page's title.
std::string compiledTitle(const std::string& gbkTitle) {
    return chm::extractPageText("<html><head><title>" + gbkTitle + "</title></head></html>", "GBK")
        .title;
}

// What the compiler reads as an index keyword (UTF-8 sitemap text, GBK project).
std::string compiledKeyword(const std::string& utf8Name) {
    chm::Sitemap map = chm::parseSitemap("<UL><LI><OBJECT type=\"text/sitemap\"><param "
                                         "name=\"Name\" value=\"" +
                                         utf8Name + "\"></OBJECT></UL>");
    return map.entries.empty() ? "(none)" : map.entries[0].name("GBK");
}

// The splitter's heading as written into the page's title and the index, then read by
// the compiler.
std::string splitTitle(const std::string& reference) {
    std::string heading = readableHeading("<h1>A" + reference + "B</h1>");
    return compiledTitle(html::escape(heading, {.keepNumericReferences = true}));
}

void expectOneCharacter(const std::string& reference, char32_t codePoint) {
    // To the compiler a reference below 256 is a byte of the project's code page, and
    // 0xFF is no GBK character: Windows reads it as U+F8F5.
    const std::string want = "A" + utf8Of(codePoint == 0xFF ? U'\uF8F5' : codePoint) + "B";
    // A no-break space in a heading is a space (its white space is collapsed); GBK holds
    // no invisible formatting character, so the splitter's titles leave them out.
    const bool invisible = codePoint == 0xAD || (codePoint >= 0x200C && codePoint <= 0x200F);
    const std::string wantSplit = codePoint == 0xA0 ? "A B" : invisible ? "AB" : want;
    EXPECT_EQ(splitTitle(reference), wantSplit) << reference;
    EXPECT_EQ(compiledTitle("A" + reference + "B"), want) << reference;
    EXPECT_EQ(compiledKeyword("A" + reference + "B"), want) << reference;
}

TEST(CharacterReferences, EveryNameReadsAsItsCharacterEverywhere) {
    for (const html::NamedEntity& entity : html::namedEntities())
        expectOneCharacter("&" + std::string(entity.name) + ";", entity.codePoint);
}

TEST(CharacterReferences, NumericFormsReadAsTheirCharacterEverywhere) {
    for (char32_t c : {U'&', U'<', U'"', U'\u00A0', U'\u00A9', U'\u00E9', U'\u03B1', U'\u4E2D',
                       U'\u20AC', U'\U0001F600'}) {
        expectOneCharacter("&#" + std::to_string(c) + ";", c);
        char hex[16];
        std::snprintf(hex, sizeof hex, "&#x%X;", static_cast<unsigned>(c));
        expectOneCharacter(hex, c);
    }
}

TEST(CharacterReferences, ReferencesToNoCharacterAndUnknownNames) {
    for (const char* reference : {"&#0;", "&#xD800;", "&#x110000;"}) {
        EXPECT_EQ(splitTitle(reference), "A?B") << reference; // GBK has no U+FFFD
        EXPECT_EQ(compiledKeyword(std::string("A") + reference + "B"), "A\uFFFDB") << reference;
    }
    // Unknown names and names in the wrong case stay as written.
    for (const char* reference : {"&nosuch;", "&AMP;", "&ampx;"}) {
        EXPECT_EQ(splitTitle(reference), std::string("A") + reference + "B");
        EXPECT_EQ(compiledKeyword(std::string("A") + reference + "B"),
                  std::string("A") + reference + "B");
    }
}

} // namespace
} // namespace qm
