// Our LZX encoder against libwim's LZX compressor (level 50) on the same bytes: the
// content section of a CHM (its pages, pictures and tables as the section holds them,
// read back with chmlib), compressed in blocks of our reset interval (64 KiB) by both.
// User+system CPU of this process, median of five runs each, one thread each; prints
// the ratios ours / wimlib. Then the full-text index alone: the CPU of indexing the
// pages of the 2,000-topic project and building its $FIftiMain, median of five.
//
//   bench_lzx [TOPICS]     (default 2000)
//   BENCH_ONLY=ours|wimlib|index bench_lzx   runs only one side, for a profiler
#include "ProjectFixture.h"
#include "RecordingListener.h"

#include "chm/Compiler.h"
#include "chm/FullTextIndex.h"
#include "chm/LzxConstants.h"
#include "chm/LzxEncoder.h"
#include "chm/PageText.h"
#include "chm/TextCodec.h"

#include <chm_lib.h>
#include <wimlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The CPU seconds of five runs of work, median.
double medianCpu(const std::function<void()>& work) {
    std::vector<double> runs;
    for (int i = 0; i < 5; ++i) {
        const double start = cpuSeconds();
        work();
        runs.push_back(cpuSeconds() - start);
    }
    std::sort(runs.begin(), runs.end());
    return runs[2];
}

// The uncompressed content section: every object chmlib finds in section 1, at its
// offset there.
int collect(chmFile*, chmUnitInfo* unit, void* context) {
    auto& units = *static_cast<std::vector<chmUnitInfo>*>(context);
    if (unit->space == CHM_COMPRESSED && unit->length > 0)
        units.push_back(*unit);
    return CHM_ENUMERATOR_CONTINUE;
}

std::string contentSection(const fs::path& chm) {
    chmFile* file = chm_open(chm.c_str());
    if (!file)
        return {};
    std::vector<chmUnitInfo> units;
    chm_enumerate(file, CHM_ENUMERATE_ALL, collect, &units);
    std::string section;
    for (chmUnitInfo& unit : units) {
        const auto end = static_cast<std::size_t>(unit.start + unit.length);
        if (section.size() < end)
            section.resize(end, '\0');
        chm_retrieve_object(file, &unit,
                            reinterpret_cast<unsigned char*>(section.data() + unit.start), 0,
                            static_cast<LONGINT64>(unit.length));
    }
    chm_close(file);
    return section;
}

bool compile(const fs::path& project, const fs::path& chm) {
    qm::test::RecordingListener listener;
    qm::chm::CompileOptions options;
    options.timestamp = 1700000000;
    options.output = chm;
    return qm::chm::compileProject(project, listener, options).written;
}

std::size_t oursOnce(const std::string& section) {
    return qm::chm::lzxCompress(section, {1, {}}).data.size();
}

std::size_t wimlibOnce(const std::string& section) {
    wimlib_compressor* compressor = nullptr;
    if (wimlib_create_compressor(WIMLIB_COMPRESSION_TYPE_LZX, qm::chm::lzx::kResetInterval, 50,
                                 &compressor) != 0)
        return 0;
    std::vector<char> out(qm::chm::lzx::kResetInterval * 2);
    std::size_t total = 0;
    for (std::size_t at = 0; at < section.size(); at += qm::chm::lzx::kResetInterval) {
        const std::size_t size = std::min(qm::chm::lzx::kResetInterval, section.size() - at);
        const std::size_t n =
            wimlib_compress(section.data() + at, size, out.data(), out.size(), compressor);
        total += n ? n : size; // stored as it is when it does not shrink
    }
    wimlib_free_compressor(compressor);
    return total;
}

bool runs(const char* side) {
    const char* only = std::getenv("BENCH_ONLY");
    return !only || std::strcmp(only, side) == 0;
}

void compareEncoders(const std::string& name, const std::string& section) {
    std::size_t ourSize = 0, theirSize = 0;
    const double ours = runs("ours") ? medianCpu([&] { ourSize = oursOnce(section); }) : 0;
    const double theirs = runs("wimlib") ? medianCpu([&] { theirSize = wimlibOnce(section); }) : 0;
    std::printf("%-28s %9zu B in: CPU %.3f (%.3f s / %.3f s)  size %.4f (%zu / %zu B)\n",
                name.c_str(), section.size(), theirs > 0 ? ours / theirs : 0.0, ours, theirs,
                theirSize ? static_cast<double>(ourSize) / static_cast<double>(theirSize) : 0.0,
                ourSize, theirSize);
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What the compiler does for full-text search: each page's text streamed into the
// index, then $FIftiMain built.
std::size_t indexOnce(const std::vector<std::string>& pages) {
    qm::chm::FullTextIndex search;
    std::uint32_t topic = 0;
    for (const std::string& page : pages) {
        qm::chm::streamPageText(
            page, "GBK", [&](const std::string& title) { search.beginTopic(topic, title); },
            [&](std::string_view piece) { search.addBody(piece); });
        search.endTopic();
        ++topic;
    }
    return search.build(qm::chm::TextCodec("GBK"), 936, 0x804).size();
}

// The sample whose content section is largest.
std::pair<std::string, std::string> largestSample(const fs::path& samples,
                                                  const fs::path& scratch) {
    std::ifstream manifest(samples / "MANIFEST.tsv");
    std::string line, best, bestSection;
    std::getline(manifest, line);
    while (std::getline(manifest, line)) {
        const std::size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
        if (tab1 == std::string::npos || tab2 == std::string::npos)
            continue;
        const std::string folder = line.substr(0, tab1);
        const fs::path chm = scratch / (folder + ".chm");
        if (!compile(samples / folder / line.substr(tab1 + 1, tab2 - tab1 - 1), chm))
            continue;
        std::string section = contentSection(chm);
        if (section.size() > bestSection.size()) {
            best = folder;
            bestSection = std::move(section);
        }
    }
    return {best, bestSection};
}

} // namespace

int main(int argc, char** argv) {
    const int topics = argc > 1 ? std::atoi(argv[1]) : 2000;
    std::string pattern = (fs::temp_directory_path() / "bench-lzx-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return 1;
    const fs::path scratch = pattern;

    qm::test::FixtureOptions options;
    options.topics = topics;
    options.pictures = topics / 50;
    const qm::test::Fixture fixture = qm::test::writeGeneratedProject(scratch, options);
    const fs::path manual = scratch / "manual.chm";
    if (!compile(fixture.project, manual)) {
        std::fprintf(stderr, "bench_lzx: the generated project did not compile\n");
        return 1;
    }
    std::printf("ratios are ours / libwim's LZX compressor at level 50, one thread each "
                "(below 1: ours is faster, smaller)\n");
    if (runs("ours") || runs("wimlib"))
        compareEncoders(std::to_string(topics) + "-topic project", contentSection(manual));

    if (runs("index")) {
        std::vector<std::string> pages;
        for (const qm::test::FixtureTopic& topic : fixture.topics)
            pages.push_back(readFile(scratch / topic.pageName));
        std::size_t bytes = 0;
        const double seconds = medianCpu([&] { bytes = indexOnce(pages); });
        std::printf("full-text index of the %d-topic project: %.3f s CPU (%zu B of $FIftiMain)\n",
                    topics, seconds, bytes);
    }

    const char* shared = std::getenv("QM_SHARED_DIR");
    const fs::path samples =
        shared ? fs::path(shared) / "samples" / "hhp" : fs::path(QM_SHARED_DIR) / "samples" / "hhp";
    if ((runs("ours") || runs("wimlib")) && fs::exists(samples / "MANIFEST.tsv")) {
        const auto [name, section] = largestSample(samples, scratch);
        if (!name.empty())
            compareEncoders(name + " (largest sample)", section);
    }
    std::error_code ec;
    fs::remove_all(scratch, ec);
    return 0;
}
