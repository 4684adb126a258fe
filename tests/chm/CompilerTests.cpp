// The compiler on projects laid out as Quillmark's generator writes them, judged by
// chmlib, libmspack and 7-Zip.
#include "chm/Compiler.h"

#include "ChmChecks.h"
#include "ChmInspect.h"
#include "ProjectFixture.h"
#include "RecordingListener.h"
#include "support/TempDir.h"
#include "text/Gbk.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <thread>

using namespace qm::chm;
using qm::test::RecordingListener;
using qm::test::TempDir;

namespace {

constexpr std::int64_t kTimestamp = 1700000000;

CompileOptions fixedOptions(unsigned threads = 0) {
    CompileOptions o;
    o.timestamp = kTimestamp;
    o.threads = threads;
    return o;
}

// "/name" → file on disk, for every page and picture of a fixture plus contents and index.
std::map<std::string, std::filesystem::path> expectedFiles(const std::filesystem::path& folder,
                                                           const qm::test::Fixture& f) {
    std::map<std::string, std::filesystem::path> out;
    for (const auto& t : f.topics)
        out["/" + t.pageName] = folder / t.pageName;
    for (const auto& p : f.pictures)
        out["/" + p] = folder / p;
    out["/manual.hhc"] = folder / "manual.hhc";
    out["/manual.hhk"] = folder / "manual.hhk";
    return out;
}

std::string upperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// A page of about `bytes` bytes of varied words, in paragraphs.
std::string largePage(std::size_t bytes) {
    std::uint32_t state = 2024;
    auto next = [&] { return state = state * 1103515245u + 12345u; };
    std::vector<std::string> words(4000);
    for (std::string& word : words)
        for (std::uint32_t n = 2 + (next() >> 16) % 9; n > 0; --n)
            word.push_back(static_cast<char>('a' + (next() >> 16) % 26));
    std::string page = "<html><head><title>Large</title></head><body>\n";
    page.reserve(bytes + 4096);
    while (page.size() < bytes) {
        page += "<p>";
        for (int i = 0; i < 40; ++i)
            page += words[(next() >> 12) % words.size()] + " ";
        page += "</p>\n";
    }
    return page + "</body></html>\n";
}

// Notes whether progress is ever called off the thread that compiles.
class ThreadCheckingListener : public RecordingListener {
public:
    bool progress(std::string_view text) override {
        offThread |= std::this_thread::get_id() != thread;
        return RecordingListener::progress(text);
    }
    std::thread::id thread = std::this_thread::get_id();
    bool offThread = false;
};

} // namespace

TEST(Compiler, GeneratedProjectOpensInEveryReaderWithEveryFile) {
    TempDir dir;
    qm::test::FixtureOptions options;
    options.topics = 12;
    options.pictures = 3;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), options);
    RecordingListener listener;
    CompileResult result = compileProject(fixture.project, listener, fixedOptions());
    ASSERT_TRUE(result.written) << listener.allLog();
    EXPECT_EQ(result.chm, dir / "manual.chm");
    EXPECT_TRUE(listener.warnings.empty()) << listener.allLog();
    EXPECT_EQ(result.files, 12 + 3 + 2);
    EXPECT_EQ(result.topics, 12 + 2);
    EXPECT_FALSE(listener.progressLines.empty());
    ASSERT_FALSE(listener.notes.empty());
    EXPECT_NE(listener.notes.back().find("17 files"), std::string::npos) << listener.notes.back();

    qm::test::AllReaders readers = qm::test::readWithAll(result.chm, dir / "7z");
    std::vector<std::string> problems =
        qm::test::compareWithDisk(readers, expectedFiles(dir.path(), fixture));
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
}

TEST(Compiler, LookupsIgnoreLetterCaseAsInTheReaders) {
    TempDir dir;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), {});
    RecordingListener listener;
    CompileResult result = compileProject(fixture.project, listener, fixedOptions());
    ASSERT_TRUE(result.written) << listener.allLog();
    const std::string page = "/" + fixture.topics[1].pageName;
    const std::string expected = qm::test::readFile(dir / fixture.topics[1].pageName);
    EXPECT_EQ(qm::test::chmlibLookup(result.chm, upperAscii(page)), expected);
    EXPECT_EQ(qm::test::mspackLookup(result.chm, upperAscii(page)), expected);
    EXPECT_EQ(qm::test::mspackLookup(result.chm, "/MANUAL.HHC"),
              qm::test::readFile(dir / "manual.hhc"));
    const std::string picture = "/" + fixture.pictures[0];
    EXPECT_EQ(qm::test::chmlibLookup(result.chm, upperAscii(picture)),
              qm::test::readFile(dir / fixture.pictures[0]));
}

TEST(Compiler, SystemFileCarriesContentsIndexDefaultTopicAndTitle) {
    TempDir dir;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), {});
    RecordingListener listener;
    CompileResult result = compileProject(fixture.project, listener, fixedOptions());
    ASSERT_TRUE(result.written) << listener.allLog();
    auto contents = qm::test::readWithChmlib(result.chm);
    ASSERT_TRUE(contents);
    qm::test::SystemRecords system = qm::test::parseSystem((*contents)["/#SYSTEM"]);
    EXPECT_EQ(system.version, 3u);
    EXPECT_EQ(system.text(0), "manual.hhc");
    EXPECT_EQ(system.text(1), "manual.hhk");
    EXPECT_EQ(system.text(2), qm::gbk::fromUtf8("manual.Content/首页.1.htm"));
    EXPECT_EQ(system.text(3), qm::gbk::fromUtf8("manual －帮助"));
    EXPECT_EQ(system.text(5), "Main");
    EXPECT_EQ(system.text(16), qm::gbk::fromUtf8("宋体,9,134"));
    EXPECT_EQ(qm::test::le32(system.records[4], 0), 0x804u);
    EXPECT_EQ(qm::test::le32(system.records[10], 0), static_cast<std::uint32_t>(kTimestamp));

    // Every topic page is a topic with its title, in the project's code page.
    std::vector<qm::test::TopicRow> topics =
        qm::test::parseTopics((*contents)["/#TOPICS"], (*contents)["/#URLTBL"],
                              (*contents)["/#URLSTR"], (*contents)["/#STRINGS"]);
    ASSERT_EQ(topics.size(), fixture.topics.size() + 2);
    for (std::size_t k = 0; k < fixture.topics.size(); ++k) {
        EXPECT_EQ(qm::gbk::toUtf8(topics[k].url), fixture.topics[k].pageName);
        EXPECT_EQ(qm::gbk::toUtf8(topics[k].title), fixture.topics[k].title);
        EXPECT_TRUE(topics[k].inContents);
    }
    EXPECT_EQ(topics[fixture.topics.size()].url, "manual.hhc");
}

TEST(Compiler, EveryContextIdResolvesThroughIvbToItsPage) {
    TempDir dir;
    qm::test::FixtureOptions options;
    options.topics = 15; // IDH_10 .. IDH_15 have numbers 10010 .. 10015
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), options);
    RecordingListener listener;
    CompileResult result = compileProject(fixture.project, listener, fixedOptions());
    ASSERT_TRUE(result.written) << listener.allLog();
    auto contents = qm::test::readWithChmlib(result.chm);
    ASSERT_TRUE(contents);
    auto ivb = qm::test::parseIvb((*contents)["/#IVB"]);
    ASSERT_EQ(ivb.size(), fixture.topics.size());
    std::map<std::uint32_t, std::string> pageOfNumber;
    for (auto [number, offset] : ivb)
        pageOfNumber[number] =
            qm::gbk::toUtf8(qm::test::stringAt((*contents)["/#STRINGS"], offset));
    for (std::size_t k = 0; k < fixture.topics.size(); ++k) {
        std::uint32_t number =
            static_cast<std::uint32_t>(std::stoul("100" + std::to_string(k + 1)));
        ASSERT_TRUE(pageOfNumber.count(number)) << number;
        EXPECT_EQ(pageOfNumber[number], fixture.topics[k].pageName);
        EXPECT_TRUE(contents->count("/" + pageOfNumber[number])) << pageOfNumber[number];
    }
}

TEST(Compiler, SameInputAndTimeStampGiveTheSameBytesWhateverTheThreads) {
    TempDir dir;
    qm::test::FixtureOptions options;
    options.topics = 800; // enough reset intervals for two threads
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), options);
    RecordingListener listener;
    // The CHM records its own name, so the three copies share it in three folders.
    CompileOptions one = fixedOptions(1), two = fixedOptions(2), again = fixedOptions(1);
    one.output = dir / "one" / "manual.chm";
    two.output = dir / "two" / "manual.chm";
    again.output = dir / "again" / "manual.chm";
    ASSERT_TRUE(compileProject(fixture.project, listener, one).written) << listener.allLog();
    ASSERT_TRUE(compileProject(fixture.project, listener, two).written) << listener.allLog();
    ASSERT_TRUE(compileProject(fixture.project, listener, again).written);
    EXPECT_TRUE(qm::test::readFile(one.output) == qm::test::readFile(two.output));
    EXPECT_TRUE(qm::test::readFile(one.output) == qm::test::readFile(again.output));
}

TEST(Compiler, SourceDateEpochFixesTheTimeStamp) {
    TempDir dir;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), {});
    RecordingListener listener;
    ::setenv("SOURCE_DATE_EPOCH", "1234567890", 1);
    CompileOptions a, b;
    a.output = dir / "a" / "manual.chm";
    b.output = dir / "b" / "manual.chm";
    bool ok = compileProject(fixture.project, listener, a).written &&
              compileProject(fixture.project, listener, b).written;
    ::unsetenv("SOURCE_DATE_EPOCH");
    ASSERT_TRUE(ok) << listener.allLog();
    std::string bytes = qm::test::readFile(a.output);
    EXPECT_TRUE(bytes == qm::test::readFile(b.output));
    auto contents = qm::test::readWithChmlib(a.output);
    ASSERT_TRUE(contents);
    EXPECT_EQ(qm::test::le32(qm::test::parseSystem((*contents)["/#SYSTEM"]).records[10], 0),
              1234567890u);
}

TEST(Compiler, AMissingListedFileIsAWarningAndIsLeftOut) {
    TempDir dir;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), {});
    std::filesystem::remove(dir / fixture.topics[2].pageName);
    RecordingListener listener;
    CompileResult result = compileProject(fixture.project, listener, fixedOptions());
    ASSERT_TRUE(result.written) << listener.allLog();
    EXPECT_EQ(result.warnings, static_cast<int>(listener.warnings.size()));
    bool mentioned = false;
    for (const std::string& w : listener.warnings)
        mentioned |= w.find("[FILES]") != std::string::npos;
    EXPECT_TRUE(mentioned) << listener.allLog();
    auto contents = qm::test::readWithChmlib(result.chm);
    ASSERT_TRUE(contents);
    EXPECT_FALSE(contents->count("/" + fixture.topics[2].pageName));
    EXPECT_TRUE(contents->count("/" + fixture.topics[3].pageName));
}

TEST(Compiler, APageInACharsetNotKnownIsReadInTheProjectsCodePageAndSaid) {
    TempDir dir;
    qm::test::writeFile(dir / "a.htm", "<html><head><meta charset=\"x-no-such\"><title>A</title>"
                                       "</head><body>text</body></html>");
    qm::test::writeFile(dir / "p.hhp", "[OPTIONS]\r\nCompiled file=p.chm\r\n[FILES]\r\na.htm\r\n");
    RecordingListener listener;
    ASSERT_TRUE(compileProject(dir / "p.hhp", listener, fixedOptions()).written)
        << listener.allLog();
    ASSERT_EQ(listener.warnings.size(), 1u) << listener.allLog();
    EXPECT_NE(listener.warnings[0].find("\"a.htm\" declares the charset \"x-no-such\""),
              std::string::npos)
        << listener.allLog();
}

TEST(Compiler, AProjectThatCannotBeReadFails) {
    TempDir dir;
    RecordingListener listener;
    CompileResult result = compileProject(dir / "absent.hhp", listener, fixedOptions());
    EXPECT_FALSE(result.written);
    ASSERT_FALSE(listener.errors.empty());
    EXPECT_NE(listener.errors[0].find("absent.hhp"), std::string::npos);
}

TEST(Compiler, AStoppedCompileLeavesTheEarlierChmAsItWas) {
    TempDir dir;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), {});
    qm::test::writeFile(dir / "manual.chm", "ITSF, the earlier CHM");
    RecordingListener listener;
    listener.stopAfter = 3;
    CompileResult result = compileProject(fixture.project, listener, fixedOptions());
    EXPECT_FALSE(result.written);
    EXPECT_FALSE(listener.errors.empty());
    EXPECT_EQ(qm::test::readFile(dir / "manual.chm"), "ITSF, the earlier CHM");
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos)
            << entry.path();
}

TEST(Compiler, AStopDuringALargePageEndsTheCompileWithinThePage) {
    TempDir dir;
    qm::test::writeFile(dir / "big.htm", largePage(20 << 20));
    const std::string earlier = "ITSF, the earlier CHM\r\n\x01\x02";
    // Indexing the page, then compressing it, are each long enough to be stopped in.
    for (const char* fullText : {"Yes", "No"}) {
        SCOPED_TRACE(fullText);
        qm::test::writeFile(dir / "big.chm", earlier);
        qm::test::writeFile(dir / "big.hhp",
                            std::string("[OPTIONS]\r\nCompiled file=big.chm\r\nFull-text search=") +
                                fullText + "\r\n[FILES]\r\nbig.htm\r\n");
        ThreadCheckingListener listener;
        // Ten progress lines come long before the page is done.
        listener.stopAfter = 10;
        CompileResult result = compileProject(dir / "big.hhp", listener, fixedOptions(4));
        EXPECT_FALSE(result.written);
        EXPECT_EQ(listener.progressLines.size(), 10u) << "asked again after it said stop";
        EXPECT_FALSE(listener.offThread) << "progress was called from a worker thread";
        ASSERT_EQ(listener.errors.size(), 1u) << listener.allLog();
        EXPECT_NE(listener.errors[0].find("stopped"), std::string::npos) << listener.errors[0];
        EXPECT_EQ(qm::test::readFile(dir / "big.chm"), earlier);
        std::set<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            left.insert(entry.path().filename().string());
        EXPECT_EQ(left, (std::set<std::string>{"big.chm", "big.hhp", "big.htm"}));
    }
}

TEST(Compiler, FilesLinkedFromOutsideTheProjectAndFifosAreLeftOutWithAWarning) {
    TempDir dir;
    const std::string secret = "private notes, not for the help";
    qm::test::writeFile(dir / "private.txt", secret);
    std::filesystem::permissions(dir / "private.txt", std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::owner_write);
    qm::test::writeFile(dir / "elsewhere/photo.png", secret);
    qm::test::writeFile(dir / "p/art/logo.png", "PNG logo");
    std::filesystem::create_directories(dir / "p/pics");
    std::filesystem::create_symlink(dir / "private.txt", dir / "p/pics/secret.png");
    std::filesystem::create_symlink(dir / "elsewhere", dir / "p/linked");
    // A link that stays inside the project is an ordinary way to share a picture.
    std::filesystem::create_symlink("../art/logo.png", dir / "p/pics/logo.png");
    ASSERT_EQ(mkfifo((dir / "p/pics/pipe.png").c_str(), 0600), 0);
    qm::test::writeFile(dir / "p/a.htm",
                        "<html><title>A</title><body>"
                        "<img src=\"pics/secret.png\"><img src=\"linked/photo.png\">"
                        "<img src=\"pics/logo.png\"><img src=\"pics/pipe.png\">"
                        "</body></html>");
    // An included header linked from elsewhere is read (its IDs are the program's), but said.
    qm::test::writeFile(dir / "elsewhere/ids.h", "#define IDH_A 7\n");
    std::filesystem::create_symlink(dir / "elsewhere/ids.h", dir / "p/ids.h");
    qm::test::writeFile(dir / "p/p.hhp", "[OPTIONS]\r\nCompiled file=p.chm\r\n[FILES]\r\na.htm\r\n"
                                         "[ALIAS]\r\nIDH_A=a.htm\r\n[MAP]\r\n#include ids.h\r\n");
    RecordingListener listener;
    CompileResult result = compileProject(dir / "p/p.hhp", listener, fixedOptions());
    ASSERT_TRUE(result.written) << listener.allLog();

    auto contents = qm::test::readWithChmlib(result.chm);
    ASSERT_TRUE(contents);
    EXPECT_EQ((*contents)["/pics/logo.png"], "PNG logo");
    for (const char* name : {"/pics/secret.png", "/linked/photo.png", "/pics/pipe.png"})
        EXPECT_FALSE(contents->count(name)) << name;
    for (const auto& [name, bytes] : *contents)
        EXPECT_EQ(bytes.find(secret), std::string::npos) << name;

    ASSERT_EQ(listener.warnings.size(), 4u) << listener.allLog();
    auto warned = [&](const std::string& name, const std::string& why) {
        for (const std::string& w : listener.warnings)
            if (w.find(name) != std::string::npos && w.find(why) != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(warned("pics/secret.png", "symbolic link")) << listener.allLog();
    EXPECT_TRUE(warned("linked/photo.png", "symbolic link")) << listener.allLog();
    EXPECT_TRUE(warned("pics/pipe.png", "not a regular file")) << listener.allLog();
    EXPECT_TRUE(warned("ids.h", "read all the same")) << listener.allLog();
    EXPECT_TRUE(contents->count("/#IVB")) << "the header's ID is in the CHM";
}

TEST(Compiler, AChmThatCannotBeWrittenFailsAndKeepsTheEarlierOne) {
    TempDir dir;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), {});
    qm::test::writeFile(dir / "manual.chm", "ITSF, the earlier CHM");
    // A folder where the compiler's temporary file would go: it cannot be created (root
    // or not, unlike a read-only folder).
    std::filesystem::create_directories(dir / ".manual.chm.part" / "blocked");
    RecordingListener listener;
    CompileResult result = compileProject(fixture.project, listener, fixedOptions());
    EXPECT_FALSE(result.written);
    ASSERT_FALSE(listener.errors.empty());
    EXPECT_NE(listener.errors[0].find("manual.chm"), std::string::npos) << listener.errors[0];
    EXPECT_EQ(qm::test::readFile(dir / "manual.chm"), "ITSF, the earlier CHM");
}

TEST(Compiler, AnOutputUnderAFileFails) {
    TempDir dir;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), {});
    qm::test::writeFile(dir / "blocker", "x");
    RecordingListener listener;
    CompileOptions options = fixedOptions();
    options.output = dir / "blocker" / "out.chm";
    CompileResult result = compileProject(fixture.project, listener, options);
    EXPECT_FALSE(result.written);
    EXPECT_FALSE(listener.errors.empty());
}

TEST(Compiler, CompiledFileIsRelativeToTheProjectAndAWindowsPathIsReplaced) {
    TempDir dir;
    qm::test::writeFile(dir / "p/a.htm", "<html><title>A</title><img src=\"Pics/X.GIF\"></html>");
    qm::test::writeFile(dir / "p/pics/x.gif", "GIF89a");
    qm::test::writeFile(dir / "p/one.hhp",
                        "[OPTIONS]\r\nCompiled file=..\\out\\one.chm\r\n[FILES]\r\na.htm\r\n");
    qm::test::writeFile(dir / "p/two.hhp",
                        "[OPTIONS]\r\nCompiled file=Z:\\build\\two.chm\r\n[FILES]\r\nA.HTM\r\n");
    RecordingListener one, two;
    CompileResult r1 = compileProject(dir / "p/one.hhp", one, fixedOptions());
    ASSERT_TRUE(r1.written) << one.allLog();
    EXPECT_EQ(r1.chm, dir / "out/one.chm");
    EXPECT_TRUE(std::filesystem::exists(dir / "out/one.chm"));
    // Outside the project's folder, and the picture found although its letter case
    // differs: two warnings.
    ASSERT_EQ(one.warnings.size(), 2u) << one.allLog();
    EXPECT_NE(one.warnings[0].find("outside the project"), std::string::npos);
    EXPECT_NE(one.warnings[1].find("letter case"), std::string::npos);
    EXPECT_EQ(qm::test::chmlibLookup(r1.chm, "/pics/x.gif"), "GIF89a");

    CompileResult r2 = compileProject(dir / "p/two.hhp", two, fixedOptions());
    ASSERT_TRUE(r2.written) << two.allLog();
    EXPECT_EQ(r2.chm, dir / "p/two.chm");
    EXPECT_GE(two.warnings.size(), 2u) << two.allLog(); // the Windows path, the letter case
}

TEST(Compiler, ContentAroundFrameBoundariesSurvivesEveryReader) {
    TempDir dir;
    std::string files;
    std::map<std::string, std::filesystem::path> expected;
    std::uint32_t state = 12345;
    for (std::size_t size : {32768u - 9000u, 1u, 32768u, 65536u - 17u, 70000u, 3u, 131072u}) {
        std::string name = "f" + std::to_string(size) + (size % 2 ? ".bin" : ".txt");
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) {
            state = state * 1103515245u + 12345u;
            bytes[i] =
                size % 2 ? static_cast<char>(state >> 24) : "abcabcxyz \r\n"[(state >> 20) % 12];
        }
        qm::test::writeFile(dir / name, bytes);
        files += name + "\r\n";
        expected["/" + name] = dir / name;
    }
    qm::test::writeFile(dir / "b.hhp", "[OPTIONS]\r\nCompiled file=b.chm\r\n[FILES]\r\n" + files);
    RecordingListener listener;
    CompileResult result = compileProject(dir / "b.hhp", listener, fixedOptions());
    ASSERT_TRUE(result.written) << listener.allLog();
    qm::test::AllReaders readers = qm::test::readWithAll(result.chm, dir / "7z");
    std::vector<std::string> problems = qm::test::compareWithDisk(readers, expected);
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
}

// Context-sensitive help of dialog boxes: the text popups' file goes into the CHM under its
// own name (the viewer's text-popup call reads "help.chm::/cshelp.txt"), and the [MAP] IDs it
// defines, by name or by number, are popups, not topics without an [ALIAS].
TEST(Compiler, TextPopupFilesGoInUnderTheirOwnNamesAndTheirIdsAreNoWarnings) {
    TempDir dir;
    qm::test::writeFile(dir / "p/a.htm", "<html><title>A</title><body>A</body></html>");
    const std::string popups = ".topic IDH_OK\r\nCloses the box.\r\n\r\n.topic 2001\r\nUndo.\r\n";
    qm::test::writeFile(dir / "p/help/cshelp.txt", popups);
    qm::test::writeFile(dir / "p/p.hhp", "[OPTIONS]\r\nCompiled file=p.chm\r\n[FILES]\r\na.htm\r\n"
                                         "[ALIAS]\r\nIDH_A=a.htm\r\n"
                                         "[MAP]\r\n#define IDH_A 1\r\n#define IDH_OK 2000\r\n"
                                         "#define IDH_UNDO 2001\r\n#define IDH_LOST 2002\r\n"
                                         "[TEXT POPUPS]\r\nhelp\\cshelp.txt\r\nmissing.txt\r\n");
    RecordingListener listener;
    CompileResult result = compileProject(dir / "p/p.hhp", listener, fixedOptions());
    ASSERT_TRUE(result.written) << listener.allLog();
    EXPECT_EQ(qm::test::chmlibLookup(result.chm, "/help/cshelp.txt"), popups);
    // What is left to say: a popup ID without text and a popup file that is missing.
    ASSERT_EQ(listener.warnings.size(), 2u) << listener.allLog();
    EXPECT_NE(listener.warnings[0].find("missing.txt"), std::string::npos) << listener.allLog();
    EXPECT_NE(listener.warnings[1].find("IDH_LOST"), std::string::npos) << listener.allLog();
}
