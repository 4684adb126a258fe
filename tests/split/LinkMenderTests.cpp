#include "ScanHarness.h"

#include "html/HtmlTags.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

// Every link of every page that names an anchor: "page#anchor" → does that page hold
// the anchor (name= or id=)? Returns the links that do not land.
std::vector<std::string> deadLinks(const test::ScanHarness& h) {
    std::vector<std::string> dead;
    for (const std::string& name : h.written) {
        std::string page = h.page(name);
        html::forEachTag(page, [&](const html::Tag& tag) {
            const html::Attribute* href = tag.is("a") ? tag.attribute("href") : nullptr;
            if (href == nullptr || href->value.find('#') == std::string_view::npos ||
                href->value.starts_with("http"))
                return true;
            std::string target(href->value.substr(0, href->value.find('#')));
            std::string anchor(href->value.substr(href->value.find('#') + 1));
            std::string targetPage =
                target.empty() ? page : h.page(target.substr(0, target.size() - 4));
            bool found = false;
            html::forEachTag(targetPage, [&](const html::Tag& t) {
                for (const char* attribute : {"name", "id"})
                    if (const html::Attribute* a = t.attribute(attribute); a && a->value == anchor)
                        found = true;
                return !found;
            });
            if (!found)
                dead.push_back(name + " -> " + std::string(href->value));
            return true;
        });
    }
    return dead;
}

// Word's and LibreOffice's spellings of a document's own links: the contents, notes
// in both directions, bookmarks, cross-references and "back to top".
TEST(LinkMender, EveryLinkLandsAfterTheCut) {
    struct Case {
        const char* name;
        std::string body;
        std::string noteHome; // a page that must end with the moved note
        std::string note;
    } cases[] = {
        {"Word",
         "<p><a name=top></a><a href=\"#_Toc1\">Intro</a> <a href=\"#_Toc2\">Use</a></p>"
         "<h1><a name=\"_Toc1\"></a>Intro</h1><p>See<a href=\"#_ftn1\" name=\"_ftnref1\">[1]</a>"
         " and <a href=\"x.htm#_Ref7\">the table</a>.</p>"
         "<h1><a name=\"_Toc2\"></a>Use</h1><p><a name=\"_Ref7\">Table</a> end<a href=\"#_edn1\""
         " name=\"_ednref1\">[i]</a>, <a href=\"#top\">top</a>, <a href=\"#nowhere\">x</a></p>"
         "<div><hr><div id=ftn1><p><a href=\"#_ftnref1\" name=\"_ftn1\">[1]</a> A note.</p></div>"
         "<div id=edn1><p><a href=\"#_ednref1\" name=\"_edn1\">[i]</a> An end "
         "note.</p></div></div>",
         "Intro.",
         "<div id=ftn1><p><a href=\"#_ftnref1\" name=\"_ftn1\">[1]</a> A note.</p></div>"},
        {"LibreOffice",
         "<p><a href=\"#__RefHeading___Toc1_1\">Intro</a> <a "
         "href=\"#__RefHeading___Toc2_1\">Use</a></p>"
         "<h1><a name=\"__RefHeading___Toc1_1\"></a>Intro</h1><p>See<a class=\"sdfootnoteanc\" "
         "name=\"sdfootnote1anc\" href=\"#sdfootnote1sym\"><sup>1</sup></a></p>"
         "<h1 id=\"__RefHeading___Toc2_1\">Use</h1><p>end<a class=\"sdendnoteanc\" "
         "name=\"sdendnote1anc\" href=\"#sdendnote1sym\"><sup>i</sup></a></p>"
         "<div id=\"sdfootnote1\"><p><a class=\"sdfootnotesym\" name=\"sdfootnote1sym\" "
         "href=\"#sdfootnote1anc\">1</a>A note.</p></div><div id=\"sdendnote1\"><p><a "
         "class=\"sdendnotesym\" name=\"sdendnote1sym\" "
         "href=\"#sdendnote1anc\">i</a>End.</p></div>",
         "Intro.",
         "<div id=\"sdfootnote1\"><p><a class=\"sdfootnotesym\" name=\"sdfootnote1sym\" "
         "href=\"#sdfootnote1anc\">1</a>A note.</p></div>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScanHarness h;
        h.suffix = "[suf]";
        h.scan(c.body);
        ASSERT_EQ(h.written.size(), 3u);
        std::vector<std::string> dead = deadLinks(h);
        // Only the link whose anchor exists nowhere stays dead, as it was.
        EXPECT_EQ(dead.size(), std::string(c.name) == "Word" ? 1u : 0u)
            << ::testing::PrintToString(dead);
        // The note now ends its citing topic, before the additional code.
        std::string intro = h.written[1];
        ASSERT_EQ(intro.rfind(c.noteHome, 0), 0u);
        EXPECT_TRUE(h.topicBytes(intro).ends_with(c.note));
        EXPECT_EQ(h.topicBytes(h.written[2]).find(c.note), std::string::npos);
        // The contents on the home page point at the topic pages.
        EXPECT_NE(h.page(h.written[0]).find("href=\"" + intro + ".htm#"), std::string::npos);
    }
}

TEST(LinkMender, ANoteCitedFromTwoTopicsStaysWhereItIs) {
    test::ScanHarness h;
    std::string note = "<div id=ftn1><p><a href=\"#_ftnref1\" name=\"_ftn1\">1</a> n</p></div>";
    h.scan("<h1>A</h1><a href=\"#_ftn1\" name=\"_ftnref1\">1</a><h1>B</h1><a href=\"#_ftn1\">1</a>"
           "<h1>C</h1>" +
           note);
    ASSERT_EQ(h.written.size(), 3u);
    // Its link back now names the first citing page.
    EXPECT_TRUE(
        h.topicBytes(h.written[2])
            .ends_with(
                "<div id=ftn1><p><a href=\"A.2.htm#_ftnref1\" name=\"_ftn1\">1</a> n</p></div>"));
    EXPECT_NE(h.page("A.2").find("href=\"" + h.written[2] + ".htm#_ftn1\""), std::string::npos);
    EXPECT_TRUE(deadLinks(h).empty()) << ::testing::PrintToString(deadLinks(h));
}

// Files beside the uncut page (LibreOffice's pictures, other pages) are reached from the
// topics' folder; what the copied pictures folder holds, and what exists nowhere, stays.
TEST(LinkMender, FilesBesideTheUncutPageAreReachedFromTheTopics) {
    test::ScanHarness h;
    test::writeFile(h.folder() / "x_htm_1.png", "png");
    test::writeFile(h.folder() / "other.htm", "<html></html>");
    test::writeFile(h.content() / "x.files" / "image001.png", "png");
    h.scan("<h1>A</h1><img src=\"x_htm_1.png\"><a name=\"s\" href=\"other.htm#s\">o</a>"
           "<img src=\"x.files/image001.png\"><img src=\"missing.png\">"
           "<a href=\"http://example.com/\">e</a><a href=\"x.htm\">all</a>");
    const std::string topic = h.topicBytes(h.written.at(0));
    EXPECT_NE(topic.find("<img src=\"../x_htm_1.png\">"), std::string::npos) << topic;
    EXPECT_NE(topic.find("<a name=\"s\" href=\"../other.htm#s\">"), std::string::npos) << topic;
    for (const char* kept : {"\"x.files/image001.png\"", "\"missing.png\"",
                             "\"http://example.com/\"", "href=\"x.htm\""})
        EXPECT_NE(topic.find(kept), std::string::npos) << kept << " in " << topic;
}

} // namespace
} // namespace qm
