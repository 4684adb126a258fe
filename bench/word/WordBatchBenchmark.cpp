// Converting a run's Word documents as a batch, each side with a fresh LibreOffice profile:
//   (a) our batch path: prepare() with all documents, then each document's first try and,
//       where it fails, its second, as the generation run does (rewrite into Word's HTML,
//       picture folder and placement included);
//   (b) LibreOffice's own batch: one "soffice --headless --convert-to html --outdir" call
//       with every document;
//   (c) LibreOffice started once per document.
// The three take turns, in reverse order every other round, so that load from elsewhere
// on the machine falls on all alike. Prints the totals and the ratios a/b (target: at most
// 1.3) and a/c. The documents are converted from copies.
//
//   bench_word_batch [FOLDER] [ROUNDS]     (default: the shared sample documents, 1 round)
#include "platform/Process.h"
#include "word/LibreOfficeConverter.h"

#include "SampleDocuments.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A fresh empty folder under work.
fs::path fresh(const fs::path& work, const std::string& name) {
    const fs::path dir = work / name;
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir);
    return dir;
}

double timed(const std::function<void()>& run) {
    const Clock::time_point start = Clock::now();
    run();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One LibreOffice start on the files, with its profile at profile, as its users call it.
void convertBare(const fs::path& soffice, const fs::path& profile, const fs::path& out,
                 const std::vector<fs::path>& files) {
    std::vector<std::string> args = {"-env:UserInstallation=file://" + profile.string(),
                                     "--headless",
                                     "--convert-to",
                                     "html",
                                     "--outdir",
                                     out.string()};
    for (const fs::path& f : files)
        args.push_back(f.string());
    qm::runChildProcess(soffice, args, std::chrono::minutes(2) * static_cast<int>(files.size()));
}

// The three ways, each timed in seconds.
struct Contenders {
    fs::path soffice;
    fs::path work;
    std::vector<fs::path> docs;
    int written = 0; // pages our batch wrote

    double ours() {
        const fs::path out = fresh(work, "ours");
        qm::LibreOfficeConverter converter; // a fresh profile of its own
        return timed([&] {
            converter.prepare(docs);
            for (const fs::path& doc : docs) {
                const fs::path page = out / (doc.stem().string() + ".htm");
                if (converter.convert(doc, page, false) || converter.convert(doc, page, true))
                    ++written;
            }
        });
    }
    double bareBatch() {
        const fs::path profile = fresh(work, "profile-batch");
        const fs::path out = fresh(work, "bare-batch");
        return timed([&] { convertBare(soffice, profile, out, docs); });
    }
    double barePerDocument() {
        const fs::path profile = fresh(work, "profile-single");
        const fs::path out = fresh(work, "bare-single");
        return timed([&] {
            for (const fs::path& doc : docs)
                convertBare(soffice, profile, out, {doc});
        });
    }
};

} // namespace

int main(int argc, char** argv) {
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::path(QM_SHARED_DIR) / "samples/doc";
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        std::fprintf(stderr, "bench_word_batch: no documents at %s\n", folder.c_str());
        return 1;
    }
    const fs::path soffice = qm::findProgram("soffice");
    const std::vector<fs::path> originals = wordDocuments(folder);
    if (originals.empty() || soffice.empty()) {
        std::fprintf(stderr, "bench_word_batch: needs LibreOffice (soffice) and documents\n");
        return 1;
    }

    std::string pattern = (fs::temp_directory_path() / "bench-word-batch-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return 1;
    const fs::path work = pattern;
    const fs::path copies = work / "docs";
    fs::create_directories(copies);
    for (const fs::path& doc : originals)
        fs::copy_file(doc, copies / doc.filename());
    Contenders run{soffice, work, wordDocuments(copies)};

    double a = 0;
    double b = 0;
    double c = 0;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            a += run.ours();
            b += run.bareBatch();
            c += run.barePerDocument();
        } else {
            c += run.barePerDocument();
            b += run.bareBatch();
            a += run.ours();
        }
    }
    fs::remove_all(work, ec);

    const auto total = static_cast<double>(run.docs.size()) * rounds;
    std::printf("documents: %zu x %d round(s), %d pages written by ours\n", run.docs.size(), rounds,
                run.written);
    std::printf("(a) quillmark batch (prepare + convert):  %7.2f s (%.3f s per document)\n", a,
                a / total);
    std::printf("(b) soffice batch, one start:             %7.2f s (%.3f s per document)\n", b,
                b / total);
    std::printf("(c) soffice, one start per document:      %7.2f s (%.3f s per document)\n", c,
                c / total);
    std::printf("ratio a/b: %.3f  (target <= 1.3)\n", a / b);
    std::printf("ratio a/c: %.3f\n", a / c);
    return 0;
}
