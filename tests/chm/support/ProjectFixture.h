#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Help projects laid out exactly as Quillmark's generator writes them: a GBK project file with CR
// LF and the trailing blanks, contents and index, GBK topic pages named Title.Position.htm in
// <base>.Content, Word's pictures in <base>.Content/<base>.files, Alias.h and HelpID.h. Used by the
// tests and by the benchmarks (which need the 2,000-topic project).
namespace qm::test {

struct FixtureOptions {
    std::string baseName = "manual";
    int topics = 8;
    int pictures = 2;           // every third page shows one; keep it at most topics / 3
    int paragraphsPerTopic = 6; // each of roughly 150-250 bytes
    std::uint32_t seed = 1;
};

struct FixtureTopic {
    std::string title; // UTF-8
    int position = 0;
    std::string pageName; // "<base>.Content/<title>.<position>.htm", UTF-8, forward slash
    int level = 1;
};

struct Fixture {
    std::filesystem::path project; // the .hhp
    std::vector<FixtureTopic> topics;
    std::vector<std::string> pictures; // "<base>.Content/<base>.files/imageNNN.png"
};

// Writes the project into folder (which must exist).
Fixture writeGeneratedProject(const std::filesystem::path& folder, const FixtureOptions& options);

// The same project for chmcmd, which cannot read GBK file names: UTF-8 project,
// contents and index files with forward slashes, the same pages and pictures.
std::filesystem::path writeUtf8Twin(const std::filesystem::path& folder,
                                    const FixtureOptions& options);

} // namespace qm::test
