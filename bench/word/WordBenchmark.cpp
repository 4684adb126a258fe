// Converting the sample documents one after the other: our conversion into Word's HTML
// (LibreOffice plus the rewrite, the picture folder and the atomic placement) against
// LibreOffice's own bare "soffice --headless --convert-to html", one call per file, both
// with a warm profile. The two alternate file by file, so that load from elsewhere on the
// machine falls on both alike. Prints both totals and the ratio (target: at most 1.1).
//
//   bench_word [FOLDER] [ROUNDS]     (default: the shared sample documents, 1 round)
#include "platform/Process.h"
#include "word/LibreOfficeConverter.h"

#include "SampleDocuments.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::path(QM_SHARED_DIR) / "samples/doc";
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        std::fprintf(stderr, "bench_word: no documents at %s\n", folder.c_str());
        return 1;
    }
    const std::vector<fs::path> docs = wordDocuments(folder);
    const fs::path soffice = qm::findProgram("soffice");
    qm::LibreOfficeConverter converter;
    if (docs.empty() || soffice.empty() || !converter.available()) {
        std::fprintf(stderr, "bench_word: needs LibreOffice (soffice) and documents\n");
        return 1;
    }

    std::string pattern = (fs::temp_directory_path() / "bench-word-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return 1;
    const fs::path work = pattern;
    const fs::path bareOut = work / "bare";
    const fs::path ourOut = work / "ours";
    fs::create_directories(bareOut);
    fs::create_directories(ourOut);
    const std::string profile = "-env:UserInstallation=file://" + (work / "profile").string();
    auto bare = [&](const fs::path& doc) {
        return qm::runChildProcess(soffice,
                                   {profile, "--headless", "--convert-to", "html", "--outdir",
                                    bareOut.string(), doc.string()},
                                   std::chrono::minutes(2));
    };

    // Both profiles are made before the clock runs.
    bare(docs.front());
    converter.convert(docs.front(), ourOut / "warm.htm", false);

    double bareSeconds = 0;
    double ourSeconds = 0;
    int converted = 0;
    for (int round = 0; round < rounds; ++round) {
        for (const fs::path& doc : docs) {
            auto start = Clock::now();
            bare(doc);
            bareSeconds += secondsSince(start);

            start = Clock::now();
            if (converter.convert(doc, ourOut / (doc.stem().string() + ".htm"), false))
                ++converted;
            ourSeconds += secondsSince(start);
        }
    }
    fs::remove_all(work, ec);

    std::printf("documents: %zu x %d round(s), %d conversions written\n", docs.size(), rounds,
                converted);
    std::printf("bare soffice --convert-to html: %.2f s (%.3f s per document)\n", bareSeconds,
                bareSeconds / static_cast<double>(docs.size() * static_cast<std::size_t>(rounds)));
    std::printf("quillmark conversion:           %.2f s (%.3f s per document)\n", ourSeconds,
                ourSeconds / static_cast<double>(docs.size() * static_cast<std::size_t>(rounds)));
    std::printf("ratio (ours / bare): %.3f  (target <= 1.1)\n", ourSeconds / bareSeconds);
    return 0;
}
