// Conversions through the real LibreOffice. One converter serves the whole program run,
// as one serves a whole generation run; the sample documents go through the batch.
#include "word/LibreOfficeConverter.h"

#include "BodySlice.h"
#include "html/HtmlTags.h"
#include "platform/Process.h"
#include "support/Samples.h"
#include "support/TempDir.h"
#include "text/Gbk.h"
#include "word/OfficePipe.h"
#include "word/SourceCharset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qm {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kNoLibreOffice = "LibreOffice (soffice) is not installed";
constexpr std::string_view kPng = "\x89PNG\r\n\x1a\n";

LibreOfficeConverter& converter() {
    static LibreOfficeConverter c;
    return c;
}

std::set<std::string> entries(const fs::path& dir) {
    std::set<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

// The text of the heading elements of a page's document text (UTF-8, tags removed).
std::vector<std::string> headings(const std::string& gbkSlice) {
    std::vector<std::string> found;
    std::optional<std::size_t> open;
    html::forEachTag(gbkSlice, [&](const html::Tag& t) {
        bool heading = t.name.size() == 2 && (t.name[0] == 'h' || t.name[0] == 'H') &&
                       t.name[1] >= '1' && t.name[1] <= '6';
        if (heading && !t.closing) {
            open = t.end;
        } else if (heading && open) {
            std::string inner = gbkSlice.substr(*open, t.offset - *open);
            std::string text;
            bool inTag = false;
            for (char c : inner) {
                if (c == '<')
                    inTag = true;
                else if (c == '>')
                    inTag = false;
                else if (!inTag && c != '\r' && c != '\n')
                    text += c;
            }
            found.push_back(gbk::toUtf8(text));
            open.reset();
        }
        return true;
    });
    return found;
}

bool anyContains(const std::vector<std::string>& texts, std::string_view piece) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.find(piece) != std::string::npos; });
}

// Every picture the page shows: the src of its img tags (GBK link texts).
std::vector<std::string> pictureLinks(const std::string& page) {
    std::vector<std::string> links;
    html::forEachTag(page, [&](const html::Tag& t) {
        if (t.is("img"))
            if (const html::Attribute* src = t.attribute("src"))
                links.emplace_back(src->value);
        return true;
    });
    return links;
}

// Checks that a page is Word's dialect and that each picture link resolves to a file in
// <name>.files beside it; returns the number of pictures.
std::size_t expectWordPage(const fs::path& page) {
    const std::string html = test::readFile(page);
    EXPECT_EQ(pageCharset(html), "gb2312");
    EXPECT_NE(html.find("><div class=Section1>"), std::string::npos);
    const std::string folder = gbk::fromPath(page.stem()) + ".files/";
    std::size_t pictures = 0;
    for (const std::string& link : pictureLinks(html)) {
        EXPECT_TRUE(link.starts_with(folder)) << gbk::toUtf8(link);
        EXPECT_TRUE(fs::is_regular_file(page.parent_path() / gbk::toPath(link)))
            << gbk::toUtf8(link);
        ++pictures;
    }
    return pictures;
}

// One row of the sample documents' manifest.
struct SampleDoc {
    std::string file;
    bool readable = false; // LibreOffice opens it
    bool headings = false;
    int pictures = 0;
};

std::vector<SampleDoc> sampleDocs() {
    std::vector<SampleDoc> docs;
    std::ifstream in(test::samplesDir() / "doc" / "MANIFEST.tsv");
    std::string line;
    std::getline(in, line); // column names
    while (std::getline(in, line)) {
        std::vector<std::string> cols;
        std::stringstream row(line);
        for (std::string col; std::getline(row, col, '\t');)
            cols.push_back(col);
        if (cols.size() < 9)
            continue;
        SampleDoc d;
        d.file = cols[0];
        d.readable = cols[6] == "yes";
        d.headings = cols[7].starts_with("yes");
        d.pictures = std::atoi(cols[8].c_str());
        docs.push_back(d);
    }
    return docs;
}

// Every sample document, converted once for all the tests below as a generation run
// does: the batch first, then each document's first try and, where it fails, the second.
// A damaged copy goes in the middle. LibreOffice runs through a wrapper that counts its
// starts.
class SampleDocuments : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (test::samplesDir().empty() || !converter().available())
            return;
        out_ = std::make_unique<test::TempDir>();
        const fs::path wrapper = out_->path() / "soffice";
        test::writeFile(wrapper, "#!/bin/sh\necho start >> '" + starts().string() + "'\nexec '" +
                                     findProgram("soffice").string() + "' \"$@\"\n");
        ::chmod(wrapper.c_str(), 0755);
        LibreOfficeConverter counted(LibreOfficeConverter::kDefaultTimeLimit, wrapper);

        std::vector<fs::path> docs;
        for (const SampleDoc& d : sampleDocs())
            docs.push_back(test::samplesDir() / "doc" / d.file);
        const std::string whole =
            test::readFile(test::samplesDir() / "doc" / "msoffcrypto__plain.doc");
        test::writeFile(damaged(), whole.substr(0, whole.size() / 2));
        docs.insert(docs.begin() + static_cast<std::ptrdiff_t>(docs.size() / 2), damaged());

        counted.prepare(docs);
        std::vector<fs::path> failed;
        for (const fs::path& doc : docs) {
            const fs::path page = out_->path() / doc.filename().replace_extension(".htm");
            bool ok = counted.convert(doc, page, false);
            converted_[doc.filename().string()] = ok ? page : fs::path();
            if (!ok) {
                reasons_[doc.filename().string()] = gbk::toUtf8(counted.failureReason());
                failed.push_back(doc);
            }
        }
        firstTryStarts_ = startCount();
        for (const fs::path& doc : failed) {
            const fs::path page = out_->path() / doc.filename().replace_extension(".htm");
            if (counted.convert(doc, page, true))
                converted_[doc.filename().string()] = page;
        }
    }
    static void TearDownTestSuite() { out_.reset(); }

    void SetUp() override {
        if (test::samplesDir().empty())
            GTEST_SKIP() << test::kNoSamples;
        if (!converter().available())
            GTEST_SKIP() << kNoLibreOffice;
    }

    static fs::path starts() { return out_->path() / "starts.log"; }
    static fs::path damaged() { return out_->path() / "damaged.doc"; }
    static std::size_t startCount() {
        std::ifstream log(starts());
        std::size_t n = 0;
        for (std::string line; std::getline(log, line);)
            ++n;
        return n;
    }

    static inline std::unique_ptr<test::TempDir> out_;
    static inline std::map<std::string, fs::path> converted_;
    static inline std::map<std::string, std::string> reasons_; // UTF-8
    static inline std::size_t firstTryStarts_ = 0;
};

TEST_F(SampleDocuments, OneLibreOfficeStartConvertsTheBatchAndTheBadOnesSayWhy) {
    EXPECT_EQ(firstTryStarts_, 1u);
    EXPECT_TRUE(converted_["damaged.doc"].empty());
    EXPECT_TRUE(reasons_["damaged.doc"].starts_with("“" + damaged().string() + "”不是Word文档（"))
        << reasons_["damaged.doc"];
    EXPECT_TRUE(reasons_["poi__PasswordProtected.doc"].starts_with("文档有密码保护"))
        << reasons_["poi__PasswordProtected.doc"];
    // The bad ones never reach LibreOffice, not even for their second try.
    EXPECT_EQ(startCount(), 1u);
}

TEST_F(SampleDocuments, EveryReadableDocumentConverts) {
    std::vector<SampleDoc> docs = sampleDocs();
    ASSERT_GE(docs.size(), 40u);
    for (const SampleDoc& d : docs) {
        SCOPED_TRACE(d.file);
        const fs::path& page = converted_[d.file];
        EXPECT_EQ(!page.empty(), d.readable);
        if (page.empty())
            continue;
        std::size_t pictures = expectWordPage(page);
        if (d.pictures > 0) {
            EXPECT_GT(pictures, 0u);
        }
    }
}

TEST_F(SampleDocuments, PasswordProtectedDocumentsFailAndWriteNothing) {
    const std::string file = "poi__PasswordProtected.doc";
    ASSERT_TRUE(converted_.contains(file));
    EXPECT_TRUE(converted_[file].empty());
    const std::set<std::string> names = entries(out_->path());
    EXPECT_FALSE(names.contains("poi__PasswordProtected.htm"));
    EXPECT_FALSE(names.contains("poi__PasswordProtected.files"));
    EXPECT_FALSE(names.contains("damaged.htm"));
    // Nothing half-made is left beside the pages either.
    for (const std::string& n : names)
        EXPECT_FALSE(n.starts_with(".")) << n;
}

TEST_F(SampleDocuments, HeadingsKeepTheirChineseTitles) {
    for (const SampleDoc& d : sampleDocs()) {
        if (!d.headings || converted_[d.file].empty())
            continue;
        SCOPED_TRACE(d.file);
        EXPECT_FALSE(headings(test::bodySlice(converted_[d.file])).empty());
    }
    const fs::path& plan = converted_["gb8567__测试计划（GB8567——88）.doc"];
    ASSERT_FALSE(plan.empty());
    const std::vector<std::string> titles = headings(test::bodySlice(plan));
    for (const char* title : {"引言", "编写目的", "背景", "计划", "进度安排"})
        EXPECT_TRUE(anyContains(titles, title)) << title;

    const fs::path& rtree = converted_["rstartree__R星树算法实现文档.doc"];
    ASSERT_FALSE(rtree.empty());
    EXPECT_GE(headings(test::bodySlice(rtree)).size(), 20u);
}

TEST_F(SampleDocuments, APictureRichChineseDocumentKeepsAllItsPictures) {
    const fs::path& manual = converted_["rstartree__用户手册.doc"];
    ASSERT_FALSE(manual.empty());
    EXPECT_GE(expectWordPage(manual), 20u);
    const fs::path folder = manual.parent_path() / "rstartree__用户手册.files";
    EXPECT_GE(entries(folder).size(), 20u);
}

// A document made here: headings, a table, a picture and characters outside GBK.
const std::string kMadeDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:styles>
 <style:style style:name="Heading" style:family="paragraph" style:class="text"/>
 <style:style style:name="Heading_20_1" style:display-name="Heading 1" style:family="paragraph"
  style:parent-style-name="Heading" style:default-outline-level="1" style:class="text"/>
 <style:style style:name="Heading_20_2" style:display-name="Heading 2" style:family="paragraph"
  style:parent-style-name="Heading" style:default-outline-level="2" style:class="text"/>
</office:styles>
<office:body><office:text>
<text:p>前言：本手册说明用法。</text:p>
<text:h text:style-name="Heading_20_1" text:outline-level="1">第一章安装</text:h>
<text:p>安装步骤 한국어 😀 end</text:p>
<text:h text:style-name="Heading_20_2" text:outline-level="2">系统要求</text:h>
<table:table table:name="T1"><table:table-column table:number-columns-repeated="2"/>
<table:table-row><table:table-cell><text:p>项目</text:p></table:table-cell>
<table:table-cell><text:p>说明</text:p></table:table-cell></table:table-row>
</table:table>
<text:p><draw:frame draw:name="pic" text:anchor-type="as-char" svg:width="1cm" svg:height="1cm">
<draw:image><office:binary-data>iVBORw0KGgoAAAANSUhEUgAAAAgAAAAICAIAAABLbSncAAAAEklEQVR4nGP4z8CAFWEXHbQSACj/P8Fu7N9hAAAAAElFTkSuQmCC</office:binary-data></draw:image></draw:frame></text:p>
<text:h text:style-name="Heading_20_1" text:outline-level="1">第二章使用</text:h>
<text:p>正文</text:p>
</office:text></office:body></office:document>
)";

class MadeDocument : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!converter().available())
            return;
        src_ = std::make_unique<test::TempDir>();
        test::writeFile(src_->path() / "made.fodt", kMadeDocument);
        for (const char* filter :
             {"doc:MS Word 97", "docx:MS Word 2007 XML", "rtf:Rich Text Format", "odt:writer8"})
            converter().exportTo(src_->path() / "made.fodt", src_->path(), filter);
    }
    static void TearDownTestSuite() { src_.reset(); }

    void SetUp() override {
        if (!converter().available())
            GTEST_SKIP() << kNoLibreOffice;
        ASSERT_TRUE(fs::is_regular_file(doc()));
    }

    static fs::path doc(const char* ext = ".doc") {
        return src_->path() / ("made" + std::string(ext));
    }

    // The rules of Word's dialect on the page of the made document.
    static void expectMadePage(const fs::path& page) {
        EXPECT_EQ(expectWordPage(page), 1u);
        const std::string html = test::readFile(page);
        const std::string slice = test::bodySlice(page);
        const std::vector<std::string> titles = headings(slice);
        EXPECT_TRUE(anyContains(titles, "第一章安装"));
        EXPECT_TRUE(anyContains(titles, "系统要求"));
        EXPECT_TRUE(anyContains(titles, "第二章使用"));
        EXPECT_NE(slice.find(gbk::fromUtf8("前言：本手册说明用法。")), std::string::npos);
        EXPECT_NE(slice.find("<table"), std::string::npos);
        EXPECT_NE(slice.find(gbk::fromUtf8("说明")), std::string::npos);
        EXPECT_NE(slice.find("&#54620;&#44397;&#50612;"), std::string::npos);
        EXPECT_NE(slice.find("&#128512;"), std::string::npos);
        EXPECT_NE(slice.find(gbk::fromUtf8("正文")), std::string::npos);
        const fs::path picture = page.parent_path() / gbk::toPath(pictureLinks(html).at(0));
        EXPECT_TRUE(test::readFile(picture).starts_with(kPng));
    }

    static inline std::unique_ptr<test::TempDir> src_;
};

TEST_F(MadeDocument, BothTriesWriteWordHtmlAndLeaveTheDocumentAlone) {
    const std::string before = test::readFile(doc());
    for (bool webPage : {false, true}) {
        SCOPED_TRACE(webPage ? "second try" : "first try");
        test::TempDir out;
        const fs::path page = out / "用户手册.htm";
        ASSERT_TRUE(converter().convert(doc(), page, webPage));
        expectMadePage(page);
        EXPECT_EQ(entries(out.path()), (std::set<std::string>{"用户手册.htm", "用户手册.files"}));
        EXPECT_EQ(entries(out / "用户手册.files"), std::set<std::string>{"image001.png"});
    }
    EXPECT_EQ(test::readFile(doc()), before);
}

TEST_F(MadeDocument, OtherWordProcessorFormatsAndAnyCaseConvertTheSameWay) {
    fs::copy_file(doc(), doc(".DOC"), fs::copy_options::overwrite_existing);
    for (const char* ext : {".docx", ".rtf", ".odt", ".DOC"}) {
        SCOPED_TRACE(ext);
        test::TempDir out;
        ASSERT_TRUE(converter().convert(doc(ext), out / "m.htm", false));
        expectMadePage(out / "m.htm");
    }
}

TEST_F(MadeDocument, PagesAndTextSavedAsDocConvertAsWordOpensThem) {
    test::TempDir out;
    test::writeFile(out / "page.doc", "<html><head><title>t</title></head><body><h1>" +
                                          gbk::fromUtf8("标题") +
                                          "</h1><p>Body text.</p>"
                                          "</body></html>");
    test::writeFile(out / "text.doc", "First line.\r\nSecond line.\r\n");
    ASSERT_TRUE(converter().convert(out / "page.doc", out / "page.htm", false));
    EXPECT_NE(test::bodySlice(out / "page.htm").find("Body text."), std::string::npos);
    ASSERT_TRUE(converter().convert(out / "text.doc", out / "text.htm", false));
    EXPECT_NE(test::bodySlice(out / "text.htm").find("Second line."), std::string::npos);
}

TEST_F(MadeDocument, WithoutAPagePathThePageGoesBesideTheDocument) {
    test::TempDir out;
    fs::copy_file(doc(), out / "手册.doc");
    ASSERT_TRUE(converter().convert(out / "手册.doc", {}, false));
    expectMadePage(out / "手册.htm");
}

TEST_F(MadeDocument, OurEarlierPageAndFolderAreReplaced) {
    test::TempDir out;
    ASSERT_TRUE(converter().convert(doc(), out / "m.htm", false));
    ASSERT_TRUE(converter().convert(doc(".rtf"), out / "m.htm", true));
    expectMadePage(out / "m.htm");
    EXPECT_EQ(entries(out / "m.files"), std::set<std::string>{"image001.png"});

    // A conversion killed while placing its results left the folder it was filling and
    // the earlier one it had moved aside: the next conversion clears both away.
    pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string tag = std::to_string(dead) + "-0";
    std::filesystem::rename(out / "m.files", out / (".m.files.old-" + tag));
    test::writeFile(out / (".m.files.new-" + tag) / "image001.png", "half");
    ASSERT_TRUE(converter().convert(doc(".rtf"), out / "m.htm", true));
    EXPECT_EQ(entries(out.path()), (std::set<std::string>{"m.files", "m.htm"}));

    // A document without pictures leaves no folder of an earlier one behind.
    test::writeFile(out / "plain.rtf",
                    "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Plain text.\\par}");
    ASSERT_TRUE(converter().convert(out / "plain.rtf", out / "m.htm", false));
    EXPECT_NE(test::readFile(out / "m.htm").find("Plain text."), std::string::npos);
    EXPECT_EQ(entries(out.path()), (std::set<std::string>{"m.htm", "plain.rtf"}));
}

TEST_F(MadeDocument, TheUsersOwnPageAndFolderAreNeverReplaced) {
    test::TempDir out;
    fs::copy_file(doc(), out / "x.doc");
    const std::string page = "<html><body><p>my own page</p></body></html>";
    test::writeFile(out / "x.htm", page);
    test::writeFile(out / "x.files" / "notes.txt", "my notes");
    auto expectRefused = [&](const fs::path& inTheWay) {
        SCOPED_TRACE(inTheWay.filename().string());
        EXPECT_FALSE(converter().convert(out / "x.doc", {}, false));
        const std::string reason = converter().failureReason();
        EXPECT_TRUE(reason.starts_with(gbk::fromUtf8("“") + gbk::fromPath(inTheWay) +
                                       gbk::fromUtf8("”不是本程序转换生成的文件")))
            << gbk::toUtf8(reason);
        EXPECT_EQ(test::readFile(out / "x.files" / "notes.txt"), "my notes");
    };
    expectRefused(out / "x.htm");
    EXPECT_EQ(test::readFile(out / "x.htm"), page);

    // A folder without its page is the user's too.
    fs::remove(out / "x.htm");
    expectRefused(out / "x.files");
    EXPECT_EQ(entries(out.path()), (std::set<std::string>{"x.doc", "x.files"}));

    // So is a file put into the folder of a page we wrote.
    fs::remove_all(out / "x.files");
    ASSERT_TRUE(converter().convert(out / "x.doc", {}, false));
    test::writeFile(out / "x.files" / "notes.txt", "my notes");
    const std::string ours = test::readFile(out / "x.htm");
    expectRefused(out / "x.files" / "notes.txt");
    EXPECT_EQ(test::readFile(out / "x.htm"), ours);
    EXPECT_EQ(entries(out / "x.files"), (std::set<std::string>{"image001.png", "notes.txt"}));
}

TEST_F(MadeDocument, FailuresLeaveEverythingAsItWasAndSayWhyWhenTheyKnow) {
    test::TempDir out;
    ASSERT_TRUE(converter().convert(doc(), out / "m.htm", false));
    const std::string page = test::readFile(out / "m.htm");
    const std::string whole = test::readFile(doc());
    test::writeFile(out / "truncated.doc", whole.substr(0, whole.size() / 3));
    std::string noise(20000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919 + 13) % 251);
    test::writeFile(out / "noise.doc", noise);

    // Each with the start of the reason (UTF-8).
    std::vector<std::pair<fs::path, std::string>> bad = {
        {out / "truncated.doc", "“" + (out / "truncated.doc").string() + "”不是Word文档（"},
        {out / "noise.doc", "“" + (out / "noise.doc").string() + "”不是Word文档（"},
        {out / "missing.doc", "找不到文件"},
        {out.path(), "“" + out.path().string() + "”不是Word文档（这是一个文件夹）"}};
    if (!test::samplesDir().empty())
        bad.emplace_back(test::samplesDir() / "doc" / "poi__PasswordProtected.doc",
                         "文档有密码保护");
    for (const auto& [d, reason] : bad) {
        SCOPED_TRACE(d.filename().string());
        for (bool webPage : {false, true}) {
            EXPECT_FALSE(converter().convert(d, out / "m.htm", webPage));
            EXPECT_TRUE(gbk::toUtf8(converter().failureReason()).starts_with(reason))
                << gbk::toUtf8(converter().failureReason());
        }
        EXPECT_EQ(test::readFile(out / "m.htm"), page);
        EXPECT_EQ(entries(out / "m.files"), std::set<std::string>{"image001.png"});
    }
    EXPECT_EQ(entries(out.path()),
              (std::set<std::string>{"m.htm", "m.files", "truncated.doc", "noise.doc"}));

    // A page that cannot be written (its folder is missing) is a failure too.
    EXPECT_FALSE(converter().convert(doc(), out / "no" / "such" / "m.htm", false));
    EXPECT_FALSE(fs::exists(out / "no"));
}

TEST_F(MadeDocument, AConversionPastTheTimeLimitIsEndedAndWritesNothing) {
    test::TempDir out;
    LibreOfficeConverter hasty(1ms);
    EXPECT_FALSE(hasty.convert(doc(), out / "m.htm", false));
    EXPECT_EQ(hasty.failureReason(), ""); // the run's own message says it
    EXPECT_TRUE(entries(out.path()).empty());
}

// A unix socket bound at path (the file stays when it is closed without unlinking).
int boundSocket(const fs::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    return fd;
}

TEST_F(MadeDocument, PrivateFoldersGoWithTheConverterOrWithItsKilledProcess) {
    // The converter keeps its profile and work folders under TMPDIR; give it one of its own.
    test::TempDir tmp;
    const char* saved = std::getenv("TMPDIR");
    const std::string savedValue = saved ? saved : "";
    ::setenv("TMPDIR", tmp.path().c_str(), 1);
    // What converters of a killed process and of a running one left.
    pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string deadFolder = "quillmark-lo-" + std::to_string(dead) + "-Ab12Cd";
    const std::string liveFolder = "quillmark-lo-" + std::to_string(::getppid()) + "-Ef34Gh";
    test::writeFile(tmp / deadFolder / "profile" / "user" / "registrymodifications.xcu", "x");
    test::writeFile(tmp / liveFolder / "job1" / "in" / "document.doc", "x");
    test::writeFile(tmp / "quillmark-lo-notes" / "notes.txt", "x");
    // The socket the killed process's office left in /tmp, and a live office's.
    const fs::path deadPipe =
        officePipePath("/tmp", "file://" + (tmp / deadFolder / "profile").string());
    const fs::path livePipe =
        officePipePath("/tmp", "file://" + (tmp / liveFolder / "profile").string());
    const int deadSocket = boundSocket(deadPipe);
    ::close(deadSocket);
    const int liveSocket = boundSocket(livePipe);
    ASSERT_EQ(::listen(liveSocket, 1), 0);
    {
        LibreOfficeConverter own;
        test::TempDir out;
        EXPECT_TRUE(own.convert(doc(), out / "m.htm", false));
        std::set<std::string> names = entries(tmp.path());
        EXPECT_FALSE(names.contains(deadFolder));
        EXPECT_TRUE(names.contains(liveFolder));
        EXPECT_TRUE(names.contains("quillmark-lo-notes"));
        EXPECT_EQ(names.size(), 4u); // and its own folder, and the out folder
    }
    if (saved)
        ::setenv("TMPDIR", savedValue.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    EXPECT_EQ(entries(tmp.path()), (std::set<std::string>{liveFolder, "quillmark-lo-notes"}));
    EXPECT_FALSE(fs::exists(fs::symlink_status(deadPipe)));
    EXPECT_TRUE(fs::exists(fs::symlink_status(livePipe)));
    ::close(liveSocket);
    ::unlink(livePipe.c_str());
}

// A document with FILENAME fields in each of LibreOffice's formats, and a fixed one.
constexpr const char* kFieldsDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2"
 office:mimetype="application/vnd.oasis.opendocument.text"><office:body><office:text>
<text:h text:outline-level="1">文件名</text:h>
<text:p>名：<text:file-name text:display="name-and-extension">x</text:file-name></text:p>
<text:p>全：<text:file-name text:display="full">x</text:file-name></text:p>
<text:p>夹：<text:file-name text:display="path">x</text:file-name></text:p>
<text:p>干：<text:file-name text:display="name">x</text:file-name></text:p>
<text:p>定：<text:file-name text:display="full" text:fixed="true">C:\old\fixed.doc</text:file-name></text:p>
</office:text></office:body></office:document>
)";

// The text of each FILENAME field of a converted page (UTF-8, without its tags), in order.
std::vector<std::string> fileNameFields(const fs::path& page) {
    const std::string html = gbk::toUtf8(test::readFile(page));
    std::vector<std::string> texts;
    for (std::size_t at = html.find("<sdfield type=FILENAME"); at != std::string::npos;
         at = html.find("<sdfield type=FILENAME", at + 1)) {
        const std::size_t start = html.find('>', at) + 1;
        std::string text = html.substr(start, html.find("</sdfield>", start) - start);
        for (std::size_t tag = text.find('<'); tag != std::string::npos; tag = text.find('<'))
            text.erase(tag, text.find('>', tag) + 1 - tag);
        texts.push_back(text);
    }
    return texts;
}

// LibreOffice reads a private copy of the document: its FILENAME fields show the user's
// file, as Word shows them, whether the batch or a single export made the page.
TEST(FileNameFields, ShowTheUsersDocumentNotThePrivateCopy) {
    if (!converter().available())
        GTEST_SKIP() << kNoLibreOffice;
    test::TempDir dir;
    test::writeFile(dir / "fields.fodt", kFieldsDocument);
    ASSERT_TRUE(converter().exportTo(dir / "fields.fodt", dir.path(), "doc:MS Word 97"));
    ASSERT_TRUE(converter().exportTo(dir / "fields.fodt", dir.path(), "odt:writer8"));
    const fs::path folder = dir / "用户 文件夹";
    fs::create_directory(folder);
    const std::string where = folder.string();
    fs::copy_file(dir / "fields.doc", folder / "手册 A&B.doc");
    fs::copy_file(dir / "fields.odt", folder / "手册.odt");

    // Word's FILENAME and FILENAME \p; a fixed field stays fixed in an .odt only.
    converter().prepare({folder / "手册 A&B.doc"});
    ASSERT_TRUE(converter().convert(folder / "手册 A&B.doc", dir / "batch.htm", false));
    const std::vector<std::string> name{"手册 A&amp;B.doc", where + "/手册 A&amp;B.doc"};
    EXPECT_EQ(fileNameFields(dir / "batch.htm"),
              (std::vector<std::string>{name[0], name[1], name[0], name[0], name[0]}));
    ASSERT_TRUE(converter().convert(folder / "手册 A&B.doc", dir / "single.htm", false));
    EXPECT_EQ(test::readFile(dir / "single.htm"), test::readFile(dir / "batch.htm"));

    ASSERT_TRUE(converter().convert(folder / "手册.odt", dir / "odt.htm", false));
    EXPECT_EQ(fileNameFields(dir / "odt.htm"),
              (std::vector<std::string>{"手册.odt", where + "/手册.odt", where + "/", "手册",
                                        "C:\\old\\fixed.doc"}));
}

// Contents whose page numbers follow blanks or a leader of dots, linked and typed by
// hand, as a writer makes them without Word's tab, and a contents index without links.
constexpr const char* kLooseContentsDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:xlink="http://www.w3.org/1999/xlink" office:version="1.2"
 office:mimetype="application/vnd.oasis.opendocument.text"><office:body><office:text>
<text:table-of-content text:name="Table of Contents1"><text:index-body>
<text:p>1引言<text:tab/>1</text:p><text:p>2设计<text:tab/>3</text:p>
</text:index-body></text:table-of-content>
<text:p>目录</text:p>
<text:p><text:a xlink:type="simple" xlink:href="#_Toc1">1引言 1</text:a></text:p>
<text:p><text:a xlink:type="simple" xlink:href="#_Toc2">1.1编写目的  2</text:a></text:p>
<text:p><text:a xlink:type="simple" xlink:href="#_Toc3">Глава 1 5</text:a></text:p>
<text:p><text:a xlink:type="simple" xlink:href="#_Toc4">Глава 2</text:a></text:p>
<text:p><text:a xlink:type="simple" xlink:href="#_Toc5">2 设计</text:a> ........ 7</text:p>
<text:p>第一章 总则……………………1</text:p>
<text:p>第二章 安装 ............ 3</text:p>
<text:h text:outline-level="1"><text:bookmark text:name="_Toc1"/>1引言</text:h>
<text:p>单价 ........ 5</text:p>
<text:p>正文 2003</text:p>
<text:h text:outline-level="2"><text:bookmark text:name="_Toc2"/>1.1编写目的</text:h>
<text:h text:outline-level="1"><text:bookmark text:name="_Toc3"/>Глава 1</text:h>
<text:h text:outline-level="1"><text:bookmark text:name="_Toc4"/>Глава 2</text:h>
<text:h text:outline-level="1"><text:bookmark text:name="_Toc5"/>2 设计</text:h>
</office:text></office:body></office:document>
)";

// The text of each paragraph of a page's document text (UTF-8, blanks collapsed).
std::vector<std::string> paragraphs(const std::string& gbkSlice) {
    std::vector<std::string> found;
    std::optional<std::string> open;
    std::size_t textStart = 0;
    html::forEachTag(gbkSlice, [&](const html::Tag& t) {
        if (open)
            *open += gbkSlice.substr(textStart, t.offset - textStart);
        textStart = t.end;
        if (t.is("p") && t.closing && open) {
            std::string text;
            for (const char c : gbk::toUtf8(*open))
                if (!std::isspace(static_cast<unsigned char>(c)) ||
                    (!text.empty() && text.back() != ' '))
                    text += std::isspace(static_cast<unsigned char>(c)) ? ' ' : c;
            found.push_back(text.substr(0, text.find_last_not_of(' ') + 1));
            open.reset();
        } else if (t.is("p")) {
            open = "";
        }
        return true;
    });
    return found;
}

// Printed page numbers mean nothing in help: they leave the contents that a writer made
// without tabs too, and what is text of a heading or a paragraph stays.
TEST(LooseContents, PageNumbersLeaveTheEntriesAndTheTextStays) {
    if (!converter().available())
        GTEST_SKIP() << kNoLibreOffice;
    test::TempDir dir;
    test::writeFile(dir / "contents.fodt", kLooseContentsDocument);
    ASSERT_TRUE(converter().exportTo(dir / "contents.fodt", dir.path(), "doc:MS Word 97"));
    ASSERT_TRUE(converter().convert(dir / "contents.doc", dir / "contents.htm", false));
    const std::string slice = test::bodySlice(dir / "contents.htm");
    EXPECT_EQ(paragraphs(slice),
              (std::vector<std::string>{"1 引言", "2 设计", "目录", "1 引言", "1.1 编写目的",
                                        "Глава 1", "Глава 2", "2 设计", "第一章 总则",
                                        "第二章 安装", "单价 ........ 5", "正文 2003"}));
    const std::vector<std::string> titles = headings(slice); // without line breaks
    EXPECT_TRUE(anyContains(titles, "Глава1"));
    EXPECT_TRUE(anyContains(titles, "Глава2"));
}

} // namespace
} // namespace qm
