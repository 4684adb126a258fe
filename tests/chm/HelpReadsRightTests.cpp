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
#include <set>
#include <sstream>

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

// One entry of the contents: how deep it lies, its name and its page (UTF-8).
struct ContentsEntry {
    int depth = 0;
    std::string name;
    std::string local;
};

std::vector<ContentsEntry> contentsOf(const std::string& hhc) {
    std::vector<ContentsEntry> entries;
    int depth = -1;
    html::forEachTag(hhc, [&](const html::Tag& tag) {
        if (tag.is("ul"))
            depth += tag.closing ? -1 : 1;
        if (tag.is("object") && !tag.closing)
            entries.push_back({depth, {}, {}});
        const html::Attribute* name = tag.attribute("name");
        const html::Attribute* value = tag.attribute("value");
        if (tag.is("param") && name && value && !entries.empty()) {
            std::string text = gbk::toUtf8(value->value);
            if (name->value == "Name")
                entries.back().name = text;
            else if (name->value == "Local")
                entries.back().local = text;
        }
        return true;
    });
    return entries;
}

// The page's title (UTF-8), as the bytes between its title tags.
std::string titleOf(const std::string& page) {
    std::size_t open = page.find("<title>");
    std::size_t close = page.find("</title>", open);
    if (open == std::string::npos || close == std::string::npos)
        return "<none>";
    return gbk::toUtf8(page.substr(open + 7, close - open - 7));
}

// Every page of the contents is in the CHM and titled as the contents name it.
void expectTitledAsTheContents(const test::ChmContents& chm, const std::string& hhc) {
    std::map<std::string, std::string> pages; // lower-case CHM name → bytes
    for (const auto& [name, bytes] : chm)
        pages[lower(name)] = bytes;
    const std::vector<ContentsEntry> entries = contentsOf(chm.at(hhc));
    ASSERT_FALSE(entries.empty());
    for (const ContentsEntry& entry : entries) {
        std::string local = entry.local;
        std::replace(local.begin(), local.end(), '\\', '/');
        auto page = pages.find(lower("/" + local));
        ASSERT_NE(page, pages.end()) << local;
        EXPECT_EQ(titleOf(page->second), entry.name) << local;
    }
}

// The topics of a map: key → number (UTF-8 keys); retired ones are counted apart.
std::map<std::string, std::size_t> topicsOf(const std::filesystem::path& ids,
                                            std::size_t* retired = nullptr) {
    std::map<std::string, std::size_t> topics;
    std::istringstream lines(test::readFile(ids));
    for (std::string line; std::getline(lines, line);) {
        std::size_t tab1 = line.find('\t');
        std::size_t tab2 = line.find('\t', tab1 + 1);
        if (line.empty() || line[0] == '#' || tab2 == std::string::npos)
            continue;
        if (line.compare(tab1 + 1, tab2 - tab1 - 1, "retired") == 0 && retired)
            ++*retired;
        else
            topics[line.substr(tab2 + 1)] = std::stoul(line.substr(0, tab1));
    }
    return topics;
}

// The numbers of a map the program wrote before headings read as they do now: the next
// run keeps each of them, gives no new one and retires none.
void expectEveryNumberKept(const std::filesystem::path& earlier, const std::filesystem::path& now,
                           const std::string& summary) {
    std::set<std::size_t> before;
    for (const auto& [key, k] : topicsOf(earlier))
        before.insert(k);
    std::size_t retired = 0;
    std::set<std::size_t> after;
    for (const auto& [key, k] : topicsOf(now, &retired))
        after.insert(k);
    EXPECT_EQ(after, before);
    EXPECT_EQ(retired, 0u);
    EXPECT_NE(summary.find("上下文ID：保留 " + std::to_string(before.size()) +
                           " 个，新增 0 个，停用 0 个"),
              std::string::npos)
        << summary;
}

// The maps the program wrote for the two documents below before headings were read as
// they are now, and the made document itself.
std::filesystem::path earlier(const char* name) {
    return test::sourceDir() / "tests" / "chm" / "earlier" / name;
}

std::string runQuillmark(const std::filesystem::path& doc) {
    std::string output;
    EXPECT_EQ(test::runCommand(test::shellQuote((test::binaryDir() / "quillmark").string()) +
                                   " -q " + test::shellQuote(doc.string()),
                               &output),
              0)
        << output;
    return output;
}

// A manual whose headings start at level 2, with text before them, numbered headings
// and headings that show only a picture, made here with LibreOffice.
TEST(HelpReadsRight, AManualWithoutLevelOneHeadingsKeepsItsTopLevelAndItsNumbers) {
    if (test::runCommand("command -v soffice") != 0)
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    test::TempDir dir;
    std::filesystem::copy_file(earlier("made.fodt"), dir / "made.fodt");
    ASSERT_EQ(test::runCommand("cd " + test::shellQuote(dir.path().string()) +
                               " && soffice --headless -env:UserInstallation=file://" +
                               test::shellQuote((dir / "profile").string()) +
                               " --convert-to 'doc:MS Word 97' made.fodt"),
              0);
    std::filesystem::remove(dir / "made.fodt");
    std::filesystem::copy_file(earlier("made.ids"), dir / "made.ids");
    const std::string summary = runQuillmark(dir / "made.doc");
    expectEveryNumberKept(earlier("made.ids"), dir / "made.ids", summary);

    std::optional<test::ChmContents> chm = test::readWithChmlib(dir / "made.chm");
    ASSERT_TRUE(chm.has_value());
    std::vector<std::string> shape;
    for (const ContentsEntry& e : contentsOf(chm->at("/made.hhc")))
        shape.push_back(std::string(static_cast<std::size_t>(e.depth), '.') + e.name);
    EXPECT_EQ(shape,
              (std::vector<std::string>{"首页", "1 概述", ".1.1 编写目的", ".1.2", ".image002.png",
                                        ".image003.png", "2 安装", ".2.1 System requirements"}));
    expectTitledAsTheContents(*chm, "/made.hhc");
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
    std::filesystem::copy_file(earlier("design.ids"), dir / "design.ids");
    const std::string summary = runQuillmark(doc);
    expectEveryNumberKept(earlier("design.ids"), dir / "design.ids", summary);
    EXPECT_EQ(topicsOf(dir / "design.ids").count("1 引言 / 1.1 编写目的"), 1u);
    std::optional<test::ChmContents> chm = test::readWithChmlib(dir / "design.chm");
    ASSERT_TRUE(chm.has_value());
    std::map<std::string, const std::string*> byName; // CHM names ignore case
    for (const auto& [name, bytes] : *chm)
        byName[lower(name)] = &bytes;

    expectTitledAsTheContents(*chm, "/design.hhc");

    int pages = 0;
    int links = 0;
    std::vector<std::string> dead;
    std::vector<std::string> entries; // what the document's own contents show
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
            std::size_t end = bytes.find("</a>", tag.end);
            std::string shown;
            for (bool inTag = false; char c : bytes.substr(tag.end, end - tag.end))
                if (c == '<' || c == '>')
                    inTag = c == '<';
                else if (!inTag && c != '\r' && c != '\n' && c != '\t')
                    shown += c;
            entries.push_back(gbk::toUtf8(shown));
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
    // The contents read as Word shows them, without the printed page numbers.
    for (const char* entry : {"1 引言", "1.1 编写目的", "3 程序1（标识符）设计说明"})
        EXPECT_NE(std::find(entries.begin(), entries.end(), entry), entries.end()) << entry;
    EXPECT_TRUE(dead.empty()) << dead.size() << " of " << links << ": " << dead.front();
}

} // namespace
} // namespace qm
