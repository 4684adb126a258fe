#include "CliProcess.h"

#include "support/Samples.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::RunProgram;

const std::string kPage = "<html><body><div><h1>A</h1>x<h1>B</h1>y</div></body></html>";

mode_t modeOf(const fs::path& file) {
    struct stat st {};
    return ::lstat(file.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Empty, blank and over-long values of every option end as bad usage with a message,
// never in an abort.
TEST(Hostile, EmptyBlankAndOverlongArgumentsAreBadUsage) {
    const std::string longName(300, 'n');
    const std::string longPath = "/" + std::string(5000, 'p');
    const std::vector<std::vector<std::string>> quillmark = {
        {""},
        {" "},
        {longName + ".htm"},
        {longPath},
        {"--", ""},
        {"--prefix", "", "x.htm"},
        {"--suffix", " ", "x.htm"},
        {"--addcode", "", "x.htm"},
        {"--addcode", longPath, "x.htm"},
        {"-o", "", "x.htm"},
        {"-o", "\t", "x.htm"},
        {"-o", longPath, "x.htm"},
        {"-t", "", "x.htm"},
        {"-t", "  ", "x.htm"},
        {"-t", std::string(2000, 't'), "x.htm"},
        {"-l", "", "x.htm"},
    };
    for (const auto& args : quillmark) {
        auto r = RunProgram("quillmark", args);
        SCOPED_TRACE(args.front().substr(0, 20) + " " + r.err.substr(0, 200));
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find("quillmark: "), std::string::npos);
    }
    const std::vector<std::vector<std::string>> compiler = {
        {""},
        {" "},
        {longPath},
        {"-o", "", "p.hhp"},
        {"-o", " ", "p.hhp"},
        {"-o", longPath, "p.hhp"},
    };
    for (const auto& args : compiler) {
        auto r = RunProgram("quillmark-hhc", args);
        SCOPED_TRACE(args.front().substr(0, 20) + " " + r.err.substr(0, 200));
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find("quillmark-hhc: "), std::string::npos);
    }
    // HTML Help Workshop's statuses: 0 is "no CHM written".
    for (const std::string& arg : {std::string(), std::string(" "), longPath})
        EXPECT_EQ(RunProgram("hhc", {arg}).exitCode, 0) << arg.substr(0, 20);

    // The window's program takes no file; Qt's own options with no usable value are bad
    // usage before Qt would abort on them.
    if (fs::exists(test::binaryDir() / "quillmark-gui"))
        for (const std::string& value : {std::string(), std::string(" "), longPath}) {
            auto r = RunProgram("quillmark-gui", {"-platform", value});
            EXPECT_EQ(r.exitCode, 2) << r.err;
            EXPECT_NE(r.err.find("quillmark-gui: "), std::string::npos);
        }

    // A relative name in a working folder that was removed: said, not aborted.
    test::TempDir dir;
    const fs::path here = fs::current_path();
    fs::create_directory(dir / "gone");
    fs::current_path(dir / "gone");
    fs::remove(dir / "gone");
    auto gone = RunProgram("quillmark", {"x.htm"});
    fs::current_path(here);
    EXPECT_EQ(gone.exitCode, 2) << gone.err;
}

// Nothing is written through a symbolic link at a place the run writes.
TEST(Hostile, LinksWhereTheRunWritesAreNeverFollowed) {
    test::TempDir dir;
    test::writeFile(dir / "elsewhere" / "Alias.h", "old");
    test::writeFile(dir / "victim.txt", "victim");
    test::writeFile(dir / "x.htm", kPage);
    fs::create_directory_symlink(dir / "elsewhere", dir / "x.Content");
    auto linked = RunProgram("quillmark", {"--no-compile", (dir / "x.htm").string()});
    EXPECT_EQ(linked.exitCode, 1);
    EXPECT_NE(linked.err.find("符号链接"), std::string::npos) << linked.err;
    EXPECT_NE(linked.err.find("x.Content"), std::string::npos) << linked.err;
    EXPECT_EQ(namesIn(dir / "elsewhere"), std::vector<std::string>{"Alias.h"});
    EXPECT_EQ(test::readFile(dir / "elsewhere" / "Alias.h"), "old");
    EXPECT_FALSE(fs::exists(dir / "x.hhp"));

    // A link left at the name of a file's temporary copy is replaced, not written through.
    fs::remove(dir / "x.Content");
    fs::create_symlink(dir / "victim.txt", dir / ".x.hhp.part");
    fs::create_symlink(dir / "victim.txt", dir / "x.hhc");
    auto parts = RunProgram("quillmark", {"--no-compile", (dir / "x.htm").string()});
    EXPECT_EQ(parts.exitCode, 0) << parts.err;
    EXPECT_EQ(test::readFile(dir / "victim.txt"), "victim");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / "x.hhc")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / ".x.hhp.part")));

    // A file beside the uncut page is copied beside the topic pages, never through a
    // link among the folders there.
    test::writeFile(dir / "src" / "lo.htm",
                    "<html><body><h1>A</h1><p><img src=\"sub/pic.png\"></p></body></html>");
    test::writeFile(dir / "src" / "sub" / "pic.png", "png");
    fs::create_directories(dir / "out" / "lo.Content");
    fs::create_directory(dir / "away");
    fs::create_directory_symlink(dir / "away", dir / "out" / "lo.Content" / "sub");
    auto beside = RunProgram("quillmark", {"--no-compile", "-o", (dir / "out").string(),
                                           (dir / "src" / "lo.htm").string()});
    EXPECT_EQ(beside.exitCode, 0) << beside.err;
    EXPECT_TRUE(fs::is_empty(dir / "away"));
}

// A read-only file of the project stops the project before anything is written; a file
// the run replaces keeps its mode.
TEST(Hostile, ReadOnlyFilesAreKeptAndModesStay) {
    test::TempDir dir;
    test::writeFile(dir / "x.htm", kPage);
    ASSERT_EQ(RunProgram("quillmark", {"--no-compile", (dir / "x.htm").string()}).exitCode, 0);
    fs::permissions(dir / "x.hhp", fs::perms(0640));
    fs::permissions(dir / "x.Content" / "HelpID.h", fs::perms(0600));
    test::writeFile(dir / "x.htm", "<html><body><div><h1>C</h1>z</div></body></html>");
    ASSERT_EQ(RunProgram("quillmark", {"--no-compile", (dir / "x.htm").string()}).exitCode, 0);
    EXPECT_EQ(modeOf(dir / "x.hhp"), 0640u);
    EXPECT_EQ(modeOf(dir / "x.Content" / "HelpID.h"), 0600u);

    const std::string hhp = test::readFile(dir / "x.hhp");
    const std::string ids = test::readFile(dir / "x.ids");
    fs::permissions(dir / "x.ids", fs::perms(0444));
    test::writeFile(dir / "x.htm", kPage);
    auto r = RunProgram("quillmark", {"--no-compile", (dir / "x.htm").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("x.ids"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("只读"), std::string::npos) << r.err;
    EXPECT_EQ(test::readFile(dir / "x.hhp"), hhp);
    EXPECT_EQ(test::readFile(dir / "x.ids"), ids);
    EXPECT_EQ(modeOf(dir / "x.ids"), 0444u);
}

// What cannot be taken is said, with its true reason.
TEST(Hostile, WhatIsLeftOutIsSaidWithItsReason) {
    test::TempDir dir;
    test::writeFile(dir / "p.htm", "<html><body><div><h1>A</h1><img src=\"p.files/a.png\">"
                                   "</div></body></html>");
    test::writeFile(dir / "p.files" / "a.png", "png");
    test::writeFile(dir / "p.files" / "한.png", "png");
    ASSERT_EQ(mkfifo((dir / "p.files" / "pipe.png").c_str(), 0600), 0);
    auto r = RunProgram("quillmark", {"--no-compile", (dir / "p.htm").string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("pipe.png”不是普通文件"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("한.png”的文件名含有GBK"), std::string::npos) << r.err;

    // An additional-code file that is not one: the file and the line, in words.
    test::writeFile(dir / "bad.ahtml", "<Root>\n<BeforeEntry>x</AfterEntry></Root>");
    auto code = RunProgram("quillmark",
                           {"--addcode", (dir / "bad.ahtml").string(), (dir / "p.htm").string()});
    EXPECT_EQ(code.exitCode, 1);
    EXPECT_NE(code.err.find("附加代码文件“" + (dir / "bad.ahtml").string() + "”第2行"),
              std::string::npos)
        << code.err;

    // The compiler: an included device is no file, and does not "not exist".
    test::writeFile(dir / "d.htm", "<html><body>d</body></html>");
    test::writeFile(dir / "d.hhp", "[OPTIONS]\r\nCompiled file=d.chm\r\n[FILES]\r\n"
                                   "d.htm\r\n[MAP]\r\n#include /dev/zero\r\n");
    auto hhc = RunProgram("quillmark-hhc", {(dir / "d.hhp").string()});
    EXPECT_NE((hhc.out + hhc.err).find("not a regular file"), std::string::npos) << hhc.out;
    EXPECT_EQ((hhc.out + hhc.err).find("does not exist"), std::string::npos) << hhc.out;
    EXPECT_EQ((hhc.out + hhc.err).find("read all the same"), std::string::npos) << hhc.out;
}

// Messages name the file as the user gave it, with the system's reason.
TEST(Hostile, MessagesNameTheFileAsGiven) {
    test::TempDir dir;
    test::writeFile(dir / ".htm", kPage);
    auto dotHtm = RunProgram("quillmark", {"--no-compile", (dir / ".htm").string()});
    EXPECT_EQ(dotHtm.exitCode, 0) << dotHtm.err;
    EXPECT_TRUE(fs::exists(dir / "htm.hhp"));
    EXPECT_EQ(dotHtm.err.find("htm.htm"), std::string::npos) << dotHtm.err;

    test::writeFile(dir / "notes.txt", "text");
    auto other = RunProgram("quillmark", {"--no-compile", (dir / "notes.txt").string()});
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_NE(other.err.find((dir / "notes.txt").string()), std::string::npos) << other.err;
    EXPECT_EQ(other.err.find("notes.htm"), std::string::npos) << other.err;

    test::writeFile(dir / "한국어.htm", kPage);
    auto korean = RunProgram("quillmark", {"--no-compile", (dir / "한국어.htm").string()});
    EXPECT_EQ(korean.exitCode, 1);
    EXPECT_NE(korean.err.find("“한국어”"), std::string::npos) << korean.err;

    auto missing = RunProgram("quillmark", {"--no-compile", (dir / "nothere.htm").string()});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("No such file or directory"), std::string::npos) << missing.err;
}

std::string pageOf(const std::vector<std::string>& headings) {
    std::string page = "<html><body><div>";
    for (const std::string& h : headings)
        page += "<h1>" + h + "</h1>text of " + h + "\n";
    return page + "</div></body></html>";
}

// Two documents that make one project: the second does not replace the first one's
// project unless the user says so.
TEST(Hostile, AProjectIsReplacedOnlyByItsOwnDocumentOrOnRequest) {
    test::TempDir dir;
    test::writeFile(dir / "a" / "x.htm", pageOf({"A1", "A2", "A3"}));
    test::writeFile(dir / "b" / "x.htm", pageOf({"B1", "B2"}));
    const fs::path out = dir / "out";
    auto first = RunProgram("quillmark",
                            {"--no-compile", "-o", out.string(), (dir / "a" / "x.htm").string()});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const std::string hhp = test::readFile(out / "x.hhp");
    const std::string ids = test::readFile(out / "x.ids");

    auto second = RunProgram("quillmark",
                             {"--no-compile", "-o", out.string(), (dir / "b" / "x.htm").string()});
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.err.find((dir / "a" / "x.htm").string()), std::string::npos) << second.err;
    EXPECT_NE(second.err.find((dir / "b" / "x.htm").string()), std::string::npos) << second.err;
    EXPECT_NE(second.err.find("--replace"), std::string::npos) << second.err;
    EXPECT_EQ(test::readFile(out / "x.hhp"), hhp);
    EXPECT_EQ(test::readFile(out / "x.ids"), ids);

    // The same document again, and the project moved with its document, are its own.
    EXPECT_EQ(RunProgram("quillmark",
                         {"--no-compile", "-o", out.string(), (dir / "a" / "x.htm").string()})
                  .exitCode,
              0);
    test::writeFile(dir / "p" / "q\"uote.htm", pageOf({"Q"}));
    ASSERT_EQ(
        RunProgram("quillmark", {"--no-compile", (dir / "p" / "q\"uote.htm").string()}).exitCode,
        0);
    fs::rename(dir / "p", dir / "moved");
    EXPECT_EQ(RunProgram("quillmark", {"--no-compile", (dir / "moved" / "q\"uote.htm").string()})
                  .exitCode,
              0);
    test::writeFile(dir / "moved" / "quote.htm", pageOf({"R"}));
    auto clash = RunProgram("quillmark", {"--no-compile", (dir / "moved" / "quote.htm").string()});
    EXPECT_EQ(clash.exitCode, 1);
    EXPECT_NE(clash.err.find("q\"uote.htm"), std::string::npos) << clash.err;

    // A Word document and the page it became are one document.
    test::writeFile(dir / "w" / "d.doc", "not converted");
    test::writeFile(dir / "w" / "d.htm", pageOf({"D"}));
    test::writeFile(dir / "w" / "d.ids", "#\tsource\td.doc\n1\ttopic\tD\n");
    EXPECT_EQ(RunProgram("quillmark", {"--no-compile", (dir / "w" / "d.htm").string()}).exitCode,
              0);

    // On request it is replaced; a map written before projects named their document is
    // taken as it is.
    auto replaced = RunProgram("quillmark", {"--no-compile", "--replace", "-o", out.string(),
                                             (dir / "b" / "x.htm").string()});
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
    EXPECT_NE(test::readFile(out / "x.ids").find("#\tsource\t../b/x.htm\n"), std::string::npos);
    std::string map = test::readFile(out / "x.ids");
    std::string old;
    for (std::size_t at = 0; at < map.size();) {
        std::size_t end = map.find('\n', at) + 1;
        if (map.compare(at, 2, "#\t") != 0)
            old += map.substr(at, end - at);
        at = end;
    }
    test::writeFile(out / "x.ids", old);
    EXPECT_EQ(RunProgram("quillmark",
                         {"--no-compile", "-o", out.string(), (dir / "a" / "x.htm").string()})
                  .exitCode,
              0);
}

// The pages of an earlier run that this one did not write go; the user's files stay; a
// run that fails takes away only what it added; an empty document leaves nothing.
TEST(Hostile, StalePagesGoAndTheUsersFilesStay) {
    test::TempDir dir;
    const fs::path source = dir / "x.htm";
    const fs::path content = dir / "x.Content";
    // The pages' names without their positions (byte offsets), and the other files.
    auto pages = [&content] {
        std::vector<std::string> names;
        for (const std::string& name : namesIn(content)) {
            const std::size_t dot = name.find('.');
            names.push_back(name.ends_with(".htm") && name != "notes.htm" ? name.substr(0, dot)
                                                                          : name);
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    test::writeFile(source, pageOf({"one", "three"}));
    ASSERT_EQ(RunProgram("quillmark", {"--no-compile", source.string()}).exitCode, 0);
    test::writeFile(content / "notes.htm", "the user's");
    test::writeFile(source, pageOf({"one", "renamed"}));
    ASSERT_EQ(RunProgram("quillmark", {"--no-compile", source.string()}).exitCode, 0);
    const std::vector<std::string> renamed{"Alias.h", "HelpID.h", "notes.htm", "one", "renamed"};
    EXPECT_EQ(pages(), renamed);

    // A run that fails once its pages are written (a folder where the contents go).
    fs::remove(dir / "x.hhc");
    test::writeFile(dir / "x.hhc" / "keep", "");
    test::writeFile(source, pageOf({"one", "four", "five"}));
    auto failed = RunProgram("quillmark", {"--no-compile", source.string()});
    EXPECT_EQ(failed.exitCode, 1) << failed.err;
    EXPECT_EQ(pages(), renamed);
    fs::remove_all(dir / "x.hhc");
    ASSERT_EQ(RunProgram("quillmark", {"--no-compile", source.string()}).exitCode, 0);
    EXPECT_EQ(pages(), (std::vector<std::string>{"Alias.h", "HelpID.h", "five", "four", "notes.htm",
                                                 "one"}));

    // A record edited by hand reaches nothing outside the content folder, nor through a
    // link in it.
    test::writeFile(dir / "away" / "victim.txt", "v");
    test::writeFile(dir / "outside.txt", "o");
    fs::create_directory_symlink(dir / "away", content / "link");
    std::string map = test::readFile(dir / "x.ids");
    map.insert(map.find("#\twritten\t"),
               "#\twritten\tx.Content/link/victim.txt\n#\twritten\tx.Content/../outside.txt\n");
    test::writeFile(dir / "x.ids", map);
    ASSERT_EQ(RunProgram("quillmark", {"--no-compile", source.string()}).exitCode, 0);
    EXPECT_EQ(test::readFile(dir / "away" / "victim.txt"), "v");
    EXPECT_EQ(test::readFile(dir / "outside.txt"), "o");

    test::writeFile(dir / "empty.htm", "<html><body><div></div></body></html>");
    auto empty = RunProgram("quillmark", {"--no-compile", (dir / "empty.htm").string()});
    EXPECT_EQ(empty.exitCode, 0) << empty.err;
    EXPECT_FALSE(fs::exists(dir / "empty.Content"));
}

// The ID map is the record of the numbers: read whole before anything is written and
// written before the files that carry them.
TEST(Hostile, TheIdMapComesFirstAndWhole) {
    test::TempDir dir;
    const fs::path source = dir / "x.htm";
    std::vector<std::string> many;
    for (int i = 0; i < 25; ++i)
        many.push_back("T" + std::to_string(i));
    test::writeFile(source, pageOf(many));
    ASSERT_EQ(RunProgram("quillmark", {"--no-compile", source.string()}).exitCode, 0);
    const std::string helpIds = test::readFile(dir / "x.Content" / "HelpID.h");
    const std::string hhp = test::readFile(dir / "x.hhp");

    // A map that cannot be written changes none of the files that carry the numbers.
    test::writeFile(dir / ".x.ids.part" / "keep", "");
    test::writeFile(source, pageOf({"New"}));
    auto unwritable = RunProgram("quillmark", {"--no-compile", source.string()});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("x.ids"), std::string::npos) << unwritable.err;
    EXPECT_EQ(test::readFile(dir / "x.Content" / "HelpID.h"), helpIds);
    EXPECT_EQ(test::readFile(dir / "x.hhp"), hhp);
    fs::remove_all(dir / ".x.ids.part");

    // Twenty retired numbers are listed, the rest counted.
    auto retired = RunProgram("quillmark", {"--no-compile", source.string()});
    EXPECT_EQ(retired.exitCode, 0) << retired.err;
    EXPECT_NE(retired.out.find("IDH_20 "), std::string::npos) << retired.out;
    EXPECT_EQ(retired.out.find("IDH_21 "), std::string::npos) << retired.out;
    EXPECT_NE(retired.out.find("另有 5 个"), std::string::npos) << retired.out;

    // A map cut in the middle of a line is refused with its line, and nothing changes.
    const std::string map = test::readFile(dir / "x.ids");
    const std::string cut = map.substr(0, map.size() - 3);
    test::writeFile(dir / "x.ids", cut);
    const std::string hhpNow = test::readFile(dir / "x.hhp");
    auto damaged = RunProgram("quillmark", {"--no-compile", source.string()});
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_NE(damaged.err.find("行"), std::string::npos) << damaged.err;
    EXPECT_EQ(test::readFile(dir / "x.ids"), cut);
    EXPECT_EQ(test::readFile(dir / "x.hhp"), hhpNow);
}

} // namespace
} // namespace qm
