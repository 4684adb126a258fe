#include "html/HtmlTags.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm::html {
namespace {

std::vector<std::string> tagNames(std::string_view text) {
    std::vector<std::string> names;
    forEachTag(text, [&](const Tag& t) {
        names.push_back((t.closing ? "/" : "") + std::string(t.name));
        return true;
    });
    return names;
}

TEST(HtmlTags, ReadsQuotedUnquotedAndBareAttributes) {
    std::string_view text = "<meta http-equiv=Content-Type content=\"text/html; charset=big5\" "
                            "lang='zh' hidden>";
    std::vector<Attribute> attrs;
    forEachTag(text, [&](const Tag& t) {
        attrs = t.attributes;
        return true;
    });
    ASSERT_EQ(attrs.size(), 4u);
    EXPECT_EQ(attrs[0].value, "Content-Type");
    EXPECT_EQ(attrs[0].quote, '\0');
    EXPECT_EQ(attrs[1].value, "text/html; charset=big5");
    EXPECT_EQ(text.substr(attrs[1].valueOffset, attrs[1].value.size()), attrs[1].value);
    EXPECT_EQ(attrs[2].value, "zh");
    EXPECT_EQ(attrs[2].quote, '\'');
    EXPECT_EQ(attrs[3].name, "hidden");
    EXPECT_TRUE(attrs[3].value.empty());
}

TEST(HtmlTags, SkipsWhatIsNoMarkup) {
    // Comments, conditional comments, style sheets and scripts hold "<" that open no tag.
    EXPECT_EQ(tagNames("<!DOCTYPE html><?xml x?><p>a < b</p><!-- <img src=x> -->"
                       "<style>p<x>{}</style><SCRIPT>if(a<b){}</script><br/>"),
              (std::vector<std::string>{"p", "/p", "style", "/style", "script", "/script", "br"}));
    // An unterminated tag or comment ends with the text.
    EXPECT_EQ(tagNames("<p class=\"x"), std::vector<std::string>{"p"});
    EXPECT_EQ(tagNames("<!-- open"), std::vector<std::string>{});
}

TEST(HtmlTags, AppliesEditsInOffsetOrder) {
    EXPECT_EQ(applyEdits("abcdef", {{4, 1, "E"}, {0, 0, "<"}, {1, 2, ""}, {6, 0, ">"}}), "<adEf>");
    // Insertions at one offset keep the order they were made in.
    EXPECT_EQ(applyEdits("ab", {{1, 0, "1"}, {1, 0, "2"}}), "a12b");
}

} // namespace
} // namespace qm::html
