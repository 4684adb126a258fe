#include "SampleChms.h"

#include "ChmReaders.h"
#include "support/Samples.h"
#include "support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <memory>

namespace qm::test {

namespace {

struct Compiled {
    TempDir dir;
    std::vector<SampleChm> chms;
};

// The first .chm below a folder.
std::filesystem::path findChm(const std::filesystem::path& root) {
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        if (e.is_regular_file() && e.path().extension() == ".chm")
            return e.path();
    return {};
}

// Free Pascal's chmcmd, a third compiler, when it is installed.
void compileWithChmcmd(Compiled& out, const std::filesystem::path& sample,
                       const std::string& project) {
    if (runCommand("command -v chmcmd") != 0)
        return;
    const std::filesystem::path root = out.dir / "chmcmd" / sample.filename();
    std::filesystem::create_directories(root.parent_path());
    std::filesystem::copy(sample, root, std::filesystem::copy_options::recursive);
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        if (e.path().extension() == ".chm")
            std::filesystem::remove(e.path());
    std::string log;
    runCommand("cd " + shellQuote(root.string()) + " && chmcmd " + shellQuote(project), &log);
    const std::filesystem::path chm = findChm(root);
    if (chm.empty()) {
        ADD_FAILURE() << "chmcmd failed on " << sample << ":\n" << log;
        return;
    }
    out.chms.push_back({sample.filename().string() + " (chmcmd)", chm, root / project, false});
}

void compileSamples(Compiled& out) {
    const std::filesystem::path samples = samplesDir() / "hhp";
    std::ifstream manifest(samples / "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line); // the header
    while (std::getline(manifest, line)) {
        const std::size_t tab1 = line.find('\t');
        const std::size_t tab2 = line.find('\t', tab1 + 1);
        if (tab1 == std::string::npos || tab2 == std::string::npos)
            continue;
        const std::string folder = line.substr(0, tab1);
        // Deep enough that a "Compiled file=..\..\x.chm" stays inside this sample's folder.
        const std::filesystem::path root = out.dir / folder / "a" / "b" / "c";
        std::filesystem::create_directories(root.parent_path());
        std::filesystem::copy(samples / folder, root, std::filesystem::copy_options::recursive);
        for (const auto& e : std::filesystem::recursive_directory_iterator(root))
            if (e.path().extension() == ".chm")
                std::filesystem::remove(e.path());
        const std::filesystem::path hhp = root / line.substr(tab1 + 1, tab2 - tab1 - 1);
        std::string log;
        const int status = runCommand(shellQuote((binaryDir() / "quillmark-hhc").string()) + " " +
                                          shellQuote(hhp.string()),
                                      &log);
        const std::filesystem::path chm = findChm(out.dir / folder);
        if (status != 0 || chm.empty()) {
            ADD_FAILURE() << "quillmark-hhc failed on " << folder << ":\n" << log;
            continue;
        }
        out.chms.push_back({folder, chm, hhp, true});
    }
    out.chms.push_back({"Othello.chm (Microsoft)", samples / "othello-zh" / "Othello.chm",
                        samples / "othello-zh" / "Othello.hhp", false});
    compileWithChmcmd(out, samples / "othello-zh", "Othello.hhp");
}

} // namespace

const std::vector<SampleChm>& sampleChms() {
    static std::unique_ptr<Compiled> compiled;
    static const std::vector<SampleChm> none;
    if (samplesDir().empty())
        return none;
    if (!compiled) {
        compiled = std::make_unique<Compiled>();
        compileSamples(*compiled);
    }
    return compiled->chms;
}

const SampleChm* sampleChm(const std::string& name) {
    for (const SampleChm& c : sampleChms())
        if (c.name == name)
            return &c;
    return nullptr;
}

} // namespace qm::test
