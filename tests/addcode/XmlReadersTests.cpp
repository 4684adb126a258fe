// The Windows build reads .ahtml files with the strict reader; Linux with libxml2. Both
// are held to the same answers here.
#include "platform/XmlReader.h"
#include "platform/XmlStrictReader.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace qm::xml {
namespace {

struct Outcome {
    std::optional<Node> tree;
    std::string reason;
    int line = 0;
};

template <typename Parse> Outcome read(Parse parse, const std::string& text) {
    try {
        return {parse(text), {}, 0};
    } catch (const ParseError& e) {
        return {std::nullopt, e.what(), e.line};
    }
}

bool sameTree(const Node& a, const Node& b) {
    if (a.kind != b.kind || a.name != b.name || a.text != b.text ||
        (a.kind == Node::Kind::Element && a.line != b.line) ||
        a.children.size() != b.children.size())
        return false;
    for (std::size_t i = 0; i < a.children.size(); ++i)
        if (!sameTree(a.children[i], b.children[i]))
            return false;
    return true;
}

// What both readers must take alike: the tree, or a refusal on the same line.
TEST(XmlReaders, TheStrictReaderAnswersAsLibxml2Does) {
    const std::string decl = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n";
    const std::vector<std::string> documents{
        decl +
            "<Q A=\"1\" B='2'><BeforeEntry>&lt;b&gt;x&amp;&#13;&#x4E2D;&quot;&apos;</BeforeEntry>"
            "<AfterEntry/></Q>\r\n",
        "<r>\r\n  <!-- note --><BeforeEntry>first</BeforeEntry>\r\n<beforeentry>case</beforeentry>"
        "<x:BeforeEntry "
        "xmlns:x=\"u\">prefixed</x:BeforeEntry><AfterEntry>a\r\nb\rc</AfterEntry></r>",
        "<r><BeforeEntry><![CDATA[<b>]]></BeforeEntry><AfterEntry>a<?pi x?>b</AfterEntry></r>",
        "<r xmlns=\"urn:d\"><BeforeEntry>页眉 中文</BeforeEntry></r><!-- after --><?pi?>",
        "<r xmlns:xi=\"http://www.w3.org/2001/XInclude\"><xi:include href=\"/etc/passwd\"/></r>",
        // Refused.
        "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n"
        "<r><BeforeEntry>&x;</BeforeEntry></r>",
        "<?xml version=\"1.0\"?>\n<!DOCTYPE r SYSTEM \"evil.dtd\">\n<r/>",
        "<!DOCTYPE r [<!ENTITY a0 \"lol\"><!ENTITY a1 \"&a0;&a0;\">]><r>&a1;</r>",
        "<r><BeforeEntry>&nbsp;</BeforeEntry></r>",
        "<r>\n<BeforeEntry>a</AfterEntry></r>",
        "<r>\n<a>\n<BeforeEntry>x</AfterEntry></a></r>",
        "<Root>\n<BeforeEntry>x</BeforeEntry>",
        "<r><a>1</a>",
        "<r/><s/>",
        "",
        "text",
        "<r>\n\n<a b=\"1\" b=\"2\"/></r>",
        "<r><a b=1/></r>",
        "<r>a]]>b</r>",
        "<r>\x01</r>",
        "<r>&#0;</r>",
        "<r><x:a/></r>",
        "<r><!-- a -- b --></r>",
        "<r><?xml version=\"1.0\"?></r>",
        "<r a=\"<\"/>",
    };
    for (const std::string& doc : documents) {
        SCOPED_TRACE(doc);
        Outcome libxml = read(parseDocument, doc);
        Outcome strict = read(parseDocumentStrictly, doc);
        ASSERT_EQ(libxml.tree.has_value(), strict.tree.has_value())
            << "libxml2: " << libxml.reason << "; strict: " << strict.reason;
        if (libxml.tree) {
            EXPECT_TRUE(sameTree(*libxml.tree, *strict.tree));
        } else {
            EXPECT_EQ(libxml.line, strict.line) << libxml.reason << " / " << strict.reason;
            // What a user meets most: refused declarations, entities, tags that do not close.
            if (doc.find("DOCTYPE") != std::string::npos || doc.find("nbsp") != std::string::npos ||
                doc.find("Entry>x") != std::string::npos ||
                doc.find("</AfterEntry>") != std::string::npos) {
                EXPECT_EQ(libxml.reason, strict.reason);
            }
        }
    }
}

} // namespace
} // namespace qm::xml
