// A CHM is untrusted input: the viewer's readers meet sample CHMs whose files are
// damaged (bytes changed, cut, copied, or replaced by random ones) and must neither
// crash nor hang; the sanitizer build checks memory.
#include "chm/Compiler.h"
#include "viewer/ChmArchive.h"
#include "viewer/HelpFile.h"
#include "viewer/HelpSearch.h"

#include "Fuzzing.h"
#include "RecordingListener.h"
#include "support/Samples.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <map>

using namespace qm::viewer;

namespace {

class MemorySource : public ChmSource {
public:
    explicit MemorySource(std::map<std::string, std::string> files) : files_(std::move(files)) {}
    std::optional<std::string> read(const std::string& name) const override {
        auto it = files_.find(name);
        return it == files_.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    std::vector<std::string> names() const override {
        std::vector<std::string> out;
        for (const auto& [name, bytes] : files_)
            out.push_back(name);
        return out;
    }

private:
    std::map<std::string, std::string> files_;
};

std::map<std::string, std::string> filesOf(const std::filesystem::path& chm) {
    std::map<std::string, std::string> files;
    const ChmArchive archive(chm);
    for (const std::string& name : archive.names())
        if (auto bytes = archive.read(name))
            files[name] = *bytes;
    return files;
}

// Microsoft's Othello.chm and ours of the same project.
std::vector<std::map<std::string, std::string>> seedChms(const qm::test::TempDir& dir) {
    std::vector<std::map<std::string, std::string>> seeds;
    const std::filesystem::path sample = qm::test::samplesDir() / "hhp" / "othello-zh";
    seeds.push_back(filesOf(sample / "Othello.chm"));
    std::filesystem::copy(sample, dir / "othello", std::filesystem::copy_options::recursive);
    std::filesystem::remove(dir / "othello" / "Othello.chm");
    qm::test::RecordingListener listener;
    const auto result = qm::chm::compileProject(dir / "othello" / "Othello.hhp", listener);
    if (result.written)
        seeds.push_back(filesOf(result.chm));
    return seeds;
}

// Everything a reader of the help can ask of it.
void readAll(const HelpFile& help) {
    (void)help.title();
    for (const TocEntry& e : help.contents())
        (void)help.findFile(e.path);
    for (const IndexEntry& e : help.index())
        for (const IndexTarget& t : e.targets)
            (void)t.title;
    for (const auto& [number, page] : help.contextIds())
        (void)help.pageForContextId(number);
    const HelpSearch search(help);
    for (const char* query : {"棋", "黑白棋", "net", "othello rule", "1.5"})
        (void)search.find(query);
    if (auto html = help.pageHtml(help.defaultTopic()))
        (void)help.resolve(help.defaultTopic(), html->substr(0, 64));
}

} // namespace

TEST(Fuzz, ViewerReadsDamagedChmsWithoutCrashing) {
    if (qm::test::samplesDir().empty())
        GTEST_SKIP() << qm::test::kNoSamples;
    qm::test::TempDir dir;
    const auto seeds = seedChms(dir);
    ASSERT_EQ(seeds.size(), 2u);
    for (const auto& files : seeds)
        readAll(HelpFile(std::make_unique<MemorySource>(files), "Othello.chm"));
    // The files the viewer reads itself; the pages and pictures it only hands on.
    const std::vector<std::string> targets{"/#SYSTEM",    "/#TOPICS",     "/#URLTBL",
                                           "/#URLSTR",    "/#STRINGS",    "/#IVB",
                                           "/$FIftiMain", "/Othello.hhc", "/Index.hhk"};
    qm::test::fuzzRounds(21, 300, [&](std::mt19937& rng) {
        std::map<std::string, std::string> files = seeds[rng() % seeds.size()];
        for (auto edits = 1 + rng() % 3; edits > 0; --edits) {
            std::string& bytes = files[targets[rng() % targets.size()]];
            bytes = rng() % 4 == 0 ? qm::test::randomBytes(rng, rng() % 4096, rng() % 2 == 0)
                                   : qm::test::mutate(rng, bytes);
        }
        readAll(HelpFile(std::make_unique<MemorySource>(std::move(files)), "Othello.chm"));
    });
}
