// Where a link of the help leads: pages of this CHM, the user's browser or mail program
// for http:, https: and mailto:, and nothing else.
#include "viewer/LinkTarget.h"

#include <gtest/gtest.h>

using qm::viewer::LinkTarget;
using qm::viewer::resolveLink;

namespace {

LinkTarget resolve(const char* href) {
    return resolveLink("/第1章/页.htm", href, "GBK", "Manual.chm");
}

} // namespace

TEST(LinkTarget, PagesOfTheHelpResolveAgainstThePageTheLinkIsOn) {
    struct Case {
        const char* href;
        const char* path;
        const char* fragment;
    } cases[] = {
        {"下一页.htm", "/第1章/下一页.htm", ""},
        {"..\\图\\a.gif", "/图/a.gif", ""},
        {"../../../x.htm#节", "/x.htm", "节"},
        {"#top", "/第1章/页.htm", "top"},
        {"/index.htm?q=1#a", "/index.htm", "a"},
        {"%B5%DA2%D5%C2.htm", "/第1章/第2章.htm", ""},       // GBK escapes
        {"%E7%AC%AC2%E7%AB%A0.htm", "/第1章/第2章.htm", ""}, // UTF-8 escapes
        {"ms-its:manual.chm::/a/b.htm#c", "/a/b.htm", "c"},
        {"mk:@MSITStore:C:\\Help\\MANUAL.CHM::/a.htm", "/a.htm", ""},
        {"its:Manual.chm::a.htm", "/a.htm", ""},
    };
    for (const Case& c : cases) {
        const LinkTarget t = resolve(c.href);
        EXPECT_EQ(t.kind, LinkTarget::Kind::Page) << c.href;
        EXPECT_EQ(t.path, c.path) << c.href;
        EXPECT_EQ(t.fragment, c.fragment) << c.href;
    }
}

TEST(LinkTarget, OnlyWebAndMailAddressesLeaveTheHelpAndNothingElseIsOpened) {
    for (const char* href : {"http://example.com/a", "HTTPS://example.com", "mailto:a@b.c"})
        EXPECT_EQ(resolve(href).kind, LinkTarget::Kind::External) << href;
    for (const char* href :
         {"file:///etc/passwd", "FILE:/etc/passwd", "C:\\Windows\\notepad.exe", "c:/x.htm",
          "\\\\server\\share\\x.exe", "//server/x", "javascript:alert(1)", "vbscript:x",
          "ftp://example.com", "data:text/html,x", "ms-its:other.chm::/a.htm",
          "mk:@MSITStore:..\\other.chm::/a.htm", "shell:System", "about:blank"})
        EXPECT_EQ(resolve(href).kind, LinkTarget::Kind::Refused) << href;
}
