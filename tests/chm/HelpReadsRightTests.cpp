// A real Word document through LibreOffice, the splitter and the compiler, read back
// from the CHM by chmlib as a help viewer would: every page shows, every link lands.
#include "ChmReaders.h"
#include "html/HtmlTags.h"
#include "support/Samples.h"
#include "support/TempDir.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

namespace qm {
namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// "/a/b/../c.htm" → "/a/c.htm".
std::string normal(const std::string& path) {
    return std::filesystem::path(path).lexically_normal().generic_string();
}

bool holdsAnchor(const std::string& page, const std::string& anchor) {
    bool found = false;
    html::forEachTag(page, [&](const html::Tag& tag) {
        for (const char* attribute : {"name", "id"})
            if (const html::Attribute* a = tag.attribute(attribute); a && a->value == anchor)
                found = true;
        return !found;
    });
    return found;
}

// What a browser shows of the body: text outside tags, or a picture.
bool showsSomething(const std::string& page) {
    std::size_t title = page.find("<title");
    if (title != std::string::npos && page.find("</title>", title) == std::string::npos)
        return false;
    std::size_t body = page.find("<body");
    if (body == std::string::npos)
        return false;
    bool shown = false;
    std::size_t textStart = page.find('>', body);
    html::forEachTag(std::string_view(page).substr(textStart), [&](const html::Tag& tag) {
        shown = shown || tag.is("img");
        return !shown;
    });
    std::string text;
    bool inTag = false;
    for (std::size_t i = textStart; i < page.size(); ++i) {
        char c = page[i];
        if (c == '<')
            inTag = true;
        else if (c == '>')
            inTag = false;
        else if (!inTag && static_cast<unsigned char>(c) > 32)
            text += c;
    }
    return shown || text.find_first_not_of("&nbsp;") != std::string::npos;
}

TEST(HelpReadsRight, TheDetailedDesignTemplateKeepsEveryLinkAndShowsEveryPage) {
    if (test::samplesDir().empty())
        GTEST_SKIP() << test::kNoSamples;
    if (test::runCommand("command -v soffice") != 0)
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    test::TempDir dir;
    std::filesystem::path doc = dir / "design.doc";
    std::filesystem::copy_file(
        test::samplesDir() / "doc" /
            gbk::toPath(gbk::fromUtf8("gb8567__详细设计说明书（GB8567——88）.doc")),
        doc);
    std::string output;
    ASSERT_EQ(test::runCommand(test::shellQuote((test::binaryDir() / "quillmark").string()) +
                                   " -q " + test::shellQuote(doc.string()),
                               &output),
              0)
        << output;
    std::optional<test::ChmContents> chm = test::readWithChmlib(dir / "design.chm");
    ASSERT_TRUE(chm.has_value());
    std::map<std::string, const std::string*> byName; // CHM names ignore case
    for (const auto& [name, bytes] : *chm)
        byName[lower(name)] = &bytes;

    int pages = 0;
    int links = 0;
    std::vector<std::string> dead;
    for (const auto& [name, bytes] : *chm) {
        if (!name.starts_with("/design.Content/") || !name.ends_with(".htm"))
            continue;
        ++pages;
        EXPECT_TRUE(showsSomething(bytes)) << name;
        std::string folder = name.substr(0, name.rfind('/') + 1);
        html::forEachTag(bytes, [&](const html::Tag& tag) {
            const html::Attribute* href = tag.is("a") ? tag.attribute("href") : nullptr;
            std::size_t hash = href ? href->value.find('#') : std::string_view::npos;
            if (hash == std::string_view::npos || href->value.find(':') != std::string_view::npos)
                return true;
            ++links;
            std::string target = gbk::toUtf8(href->value.substr(0, hash));
            std::string anchor(href->value.substr(hash + 1));
            auto page = target.empty() ? byName.find(lower(name))
                                       : byName.find(lower(normal(folder + target)));
            if (page == byName.end() || !holdsAnchor(*page->second, anchor))
                dead.push_back(name + " -> " + gbk::toUtf8(href->value));
            return true;
        });
    }
    EXPECT_GE(pages, 20);
    EXPECT_GE(links, 21); // the contents on the home page, at least
    EXPECT_TRUE(dead.empty()) << dead.size() << " of " << links << ": " << dead.front();
}

} // namespace
} // namespace qm
