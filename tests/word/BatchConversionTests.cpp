// The batch path of the converter against a stand-in LibreOffice: a script that logs each
// start and writes pages and pictures the way LibreOffice names them, and misbehaves on
// the documents that ask for it.
#include "word/LibreOfficeConverter.h"

#include "support/FailingDevice.h"
#include "support/Samples.h"
#include "support/TempDir.h"
#include "text/Gbk.h"
#include "word/StopFlag.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace qm {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A document's text says what the stand-in does with it: "hang" writes half a page and
// waits forever, "crash" dies of SIGSEGV, "unloadable" is skipped as LibreOffice skips a
// file it cannot load; anything else becomes a page showing the text, with one picture
// holding the text too.
constexpr const char* kStandIn = R"(#!/bin/sh
echo "$*" >> "$(dirname "$0")/starts.log"
out=
while [ $# -gt 0 ]; do
    case "$1" in
    --outdir) out="$2"; shift 2 ;;
    --convert-to) shift 2 ;;
    -*) shift ;;
    *)
        stem=$(basename "$1"); stem=${stem%.*}; text=$(cat "$1"); shift
        case "$text" in
        hang*) printf '<html><body><p>half' > "$out/$stem.html"; sleep 600 ;;
        crash*) kill -SEGV $$ ;;
        unloadable*) ;;
        *) printf '%s' "$text" > "$out/${stem}_html_1a2b.png"
           printf '<html><head><title>t</title></head><body><p>%s</p><img src="%s"></body></html>\n' \
               "$text" "${stem}_html_1a2b.png" > "$out/$stem.html" ;;
        esac ;;
    esac
done
)";

class BatchConversion : public ::testing::Test {
protected:
    void SetUp() override {
        test::writeFile(bin_ / "soffice", kStandIn);
        ::chmod((bin_ / "soffice").c_str(), 0755);
    }

    LibreOfficeConverter converter(std::chrono::milliseconds limit = 10min) const {
        return LibreOfficeConverter(limit, bin_ / "soffice");
    }

    // The documents a start was given, by the names of their copies.
    static std::vector<std::string> inputs(const std::string& start) {
        std::vector<std::string> names;
        std::istringstream args(start);
        bool files = false;
        for (std::string arg; args >> arg;) {
            if (files)
                names.push_back(fs::path(arg).filename().string());
            else if (arg == "--outdir")
                files = args >> arg ? true : false;
        }
        return names;
    }

    // One line per start: the arguments it was given.
    std::vector<std::string> starts() const {
        std::vector<std::string> lines;
        std::ifstream log(bin_ / "starts.log");
        for (std::string line; std::getline(log, line);)
            lines.push_back(line);
        return lines;
    }

    fs::path doc(const std::string& name, const std::string& text) const {
        test::writeFile(docs_ / name, text);
        return docs_ / name;
    }

    // The page converted from doc shows its text, and its one picture is its own.
    void expectPageOf(const fs::path& page, const std::string& text) const {
        SCOPED_TRACE(page.filename().string());
        EXPECT_NE(test::readFile(page).find("<p>" + text + "</p>"), std::string::npos);
        const fs::path folder = fs::path(page).replace_extension(".files");
        std::set<std::string> names;
        for (const fs::directory_entry& e : fs::directory_iterator(folder))
            names.insert(e.path().filename().string());
        ASSERT_EQ(names.size(), 1u);
        EXPECT_EQ(test::readFile(folder / *names.begin()), text);
    }

    test::TempDir bin_;
    test::TempDir docs_;
    test::TempDir out_;
};

TEST_F(BatchConversion, OneStartConvertsTheGoodDocumentsAndEachBadOneFailsWithItsReason) {
    std::string noise(20000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919 + 13) % 251);
    std::vector<fs::path> batch = {doc("a.doc", "alpha"), doc("damaged.doc", noise),
                                   doc("b.doc", "beta"), doc("skipped.doc", "unloadable"),
                                   doc("c.doc", "gamma")};
    // Reasons (UTF-8 starts) for the documents that fail before LibreOffice.
    std::vector<std::pair<fs::path, std::string>> refused = {
        {docs_ / "damaged.doc", "“" + (docs_ / "damaged.doc").string() + "”不是Word文档（"}};
    if (!test::samplesDir().empty()) {
        fs::copy_file(test::samplesDir() / "doc" / "poi__PasswordProtected.doc",
                      docs_ / "locked.doc");
        batch.insert(batch.begin() + 2, docs_ / "locked.doc");
        refused.emplace_back(docs_ / "locked.doc", "文档有密码保护");
    }
    LibreOfficeConverter lo = converter();
    std::vector<std::pair<std::size_t, std::size_t>> progress; // done of total, as told
    lo.reportTo([&](std::size_t done, std::size_t total) { progress.emplace_back(done, total); });
    lo.prepare(batch);
    ASSERT_EQ(starts().size(), 1u);
    // The count starts at none and grows to every document LibreOffice was given.
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.front(), std::make_pair(std::size_t{0}, std::size_t{4}));
    EXPECT_EQ(progress.back(), std::make_pair(std::size_t{4}, std::size_t{4}));
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(inputs(starts()[0]),
              (std::vector<std::string>{"d1.doc", "d2.doc", "d3.doc", "d4.doc"}));

    for (const fs::path& d : batch) {
        SCOPED_TRACE(d.filename().string());
        const fs::path page = out_ / d.filename().replace_extension(".htm").string();
        const bool good = d.stem().string().size() == 1;
        EXPECT_EQ(lo.convert(d, page, false), good);
        if (good)
            expectPageOf(page, d.stem() == "a" ? "alpha" : d.stem() == "b" ? "beta" : "gamma");
        std::string reason; // LibreOffice's failure has none
        for (const auto& [bad, why] : refused)
            if (bad == d)
                reason = why;
        EXPECT_TRUE(gbk::toUtf8(lo.failureReason()).starts_with(reason))
            << gbk::toUtf8(lo.failureReason());
        EXPECT_EQ(lo.failureReason().empty(), reason.empty());
    }
    // The first tries took what the one start made.
    EXPECT_EQ(starts().size(), 1u);

    // The second try of the skipped document, a result used once, and a document changed
    // since the batch read it: each starts LibreOffice of its own.
    EXPECT_FALSE(lo.convert(docs_ / "skipped.doc", out_ / "x.htm", true));
    EXPECT_EQ(starts().size(), 2u);
    ASSERT_TRUE(lo.convert(docs_ / "a.doc", out_ / "a.htm", false));
    EXPECT_EQ(starts().size(), 3u);
    lo.prepare({docs_ / "b.doc"});
    ASSERT_EQ(starts().size(), 4u);
    doc("b.doc", "beta, edited");
    ASSERT_TRUE(lo.convert(docs_ / "b.doc", out_ / "b.htm", false));
    EXPECT_EQ(starts().size(), 5u);
    expectPageOf(out_ / "b.htm", "beta, edited");
}

TEST_F(BatchConversion, AHangOrACrashInTheMiddleIsEndedAndTheRestConvert) {
    const std::vector<fs::path> batch = {doc("a.doc", "alpha"), doc("hang.doc", "hang"),
                                         doc("b.doc", "beta"), doc("crash.doc", "crash"),
                                         doc("c.doc", "gamma")};
    LibreOfficeConverter lo = converter(2s);
    lo.prepare(batch);
    // Killed on the hang, restarted after it; crashed, restarted after that.
    const std::vector<std::string> log = starts();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(inputs(log[0]).size(), 5u);
    EXPECT_EQ(inputs(log[1]), (std::vector<std::string>{"d3.doc", "d4.doc", "d5.doc"}));
    EXPECT_EQ(inputs(log[2]), std::vector<std::string>{"d5.doc"});

    for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
             {"a", "alpha"}, {"b", "beta"}, {"c", "gamma"}}) {
        ASSERT_TRUE(lo.convert(docs_ / (name + ".doc"), out_ / (name + ".htm"), false));
        expectPageOf(out_ / (name + ".htm"), text);
    }
    // The documents it was on failed their first try; the half page is not taken.
    EXPECT_FALSE(lo.convert(docs_ / "hang.doc", out_ / "hang.htm", false));
    EXPECT_FALSE(lo.convert(docs_ / "crash.doc", out_ / "crash.htm", false));
    EXPECT_EQ(lo.failureReason(), "");
    EXPECT_FALSE(fs::exists(out_ / "hang.htm"));
    EXPECT_EQ(starts().size(), 3u);
}

TEST_F(BatchConversion, TheStopFlagEndsTheBatch) {
    const std::vector<fs::path> batch = {doc("hang.doc", "hang"), doc("a.doc", "alpha")};
    LibreOfficeConverter lo = converter();
    StopFlag stop;
    lo.watch(&stop);
    std::thread user([&] {
        while (starts().empty())
            std::this_thread::sleep_for(10ms);
        stop.set();
    });
    lo.prepare(batch); // with no stop, ten minutes without progress
    user.join();
    EXPECT_EQ(starts().size(), 1u);
    EXPECT_FALSE(lo.convert(docs_ / "a.doc", out_ / "a.htm", false));

    // A stopped batch prepared nothing: the next run's conversion starts its own.
    stop.clear();
    ASSERT_TRUE(lo.convert(docs_ / "a.doc", out_ / "a.htm", false));
    EXPECT_EQ(starts().size(), 2u);
}

// A disk that fills up or breaks while a converted page and its pictures are put in
// place: the earlier page and pictures stay as they were, nothing half-written is left
// beside them, and the reason says what the system said.
TEST_F(BatchConversion, AFullDiskKeepsTheEarlierPageAndItsPictures) {
    using Step = test::FailingDevice::Step;
    LibreOfficeConverter lo = converter();
    ASSERT_TRUE(lo.convert(doc("a.doc", "alpha"), out_ / "a.htm", false));
    std::string picture;
    for (const fs::directory_entry& e : fs::directory_iterator(out_ / "a.files"))
        picture = e.path().filename().string();
    struct Point {
        std::string file;
        Step step;
        std::uint64_t after;
        int error;
    };
    for (const Point& point :
         {Point{"a.htm", Step::Write, 0, ENOSPC}, Point{"a.htm", Step::Write, 100, ENOSPC},
          Point{"a.htm", Step::Close, 0, EIO}, Point{"a.htm", Step::Rename, 0, EIO},
          Point{picture, Step::Write, 2, ENOSPC}, Point{picture, Step::Rename, 0, EIO}}) {
        SCOPED_TRACE(point.file + " " + std::to_string(static_cast<int>(point.step)));
        test::FailingDevice device(point.file, point.step, point.after, point.error);
        {
            ScopedOutputDevice failing(device);
            EXPECT_FALSE(lo.convert(doc("a.doc", "omega"), out_ / "a.htm", false));
        }
        EXPECT_TRUE(device.failed());
        expectPageOf(out_ / "a.htm", "alpha");
        EXPECT_EQ(std::distance(fs::directory_iterator(out_.path()), {}), 2); // a.htm, a.files
        const std::string reason = gbk::toUtf8(lo.failureReason());
        EXPECT_NE(reason.find(std::strerror(point.error)), std::string::npos) << reason;
    }
}

} // namespace
} // namespace qm
