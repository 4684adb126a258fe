// The split of a large document (extract, scan, pages, project files) against the
// physical floor of copying the same file with cp, both run as child processes on a
// warm page cache. Prints MB/s, the time ratio and the peak memory.
//
//   bench_split [MEGABYTES] [HEADINGS]     (default 50 MB, 5000 headings)
#include "run/Generator.h"
#include "run/RunListener.h"
#include "text/Gbk.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Measure {
    double seconds = 0;
    long peakKb = 0;
};

Measure runChild(std::vector<std::string> argv) {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> args;
        for (std::string& a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        if (!std::freopen("/dev/null", "w", stdout))
            _exit(126);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    Measure m;
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.peakKb = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_split: %s failed\n", argv[0].c_str());
        std::exit(1);
    }
    return m;
}

// A Word-style GBK page: head, one section div, headings h1 to h3 with Chinese titles
// and paragraphs of mixed text. Returns the size of the largest topic.
std::size_t writeDocument(const std::filesystem::path& path, std::size_t megabytes, int headings) {
    std::string para = qm::gbk::fromUtf8(
        "<p class=MsoNormal><span style='font-family:宋体'>本节说明软件的使用方法，包括安装、配置与"
        "维护。</span><span lang=EN-US>Quillmark 1.0</span></p>\r\n");
    std::string head = "<html><head><meta http-equiv=Content-Type content=\"text/html; "
                       "charset=gb2312\"><title>bench</title><style>p{}</style></head>\r\n"
                       "<body lang=ZH-CN><div class=Section1 style='layout-grid:15.6pt'>\r\n";
    std::ofstream out(path, std::ios::binary);
    out << head;
    std::size_t target = megabytes * 1000 * 1000;
    std::size_t perTopic = target / static_cast<std::size_t>(headings);
    std::size_t largest = 0;
    for (int i = 0; i < headings; ++i) {
        int level = i % 7 == 0 ? 1 : i % 3 == 0 ? 3 : 2;
        std::string topic = "<h" + std::to_string(level) + "><a name=\"_Toc" + std::to_string(i) +
                            "\"></a>" + std::to_string(i) + qm::gbk::fromUtf8(" 第") +
                            std::to_string(i) + qm::gbk::fromUtf8("节") + "</h" +
                            std::to_string(level) + ">\r\n";
        std::size_t want = perTopic * (i % 10 == 0 ? 3 : 1) * 7 / 9;
        while (topic.size() < want)
            topic += para;
        largest = std::max(largest, topic.size());
        out << topic;
    }
    out << "</div></body></html>\r\n";
    return largest;
}

// A window's host: every pump costs what a repaint of the progress row and the tree
// costs (pumpMs), so the throttled pumping's share of a scan shows.
class PumpingHost : public qm::RunListener {
public:
    explicit PumpingHost(int pumpMs) : pumpMs_(pumpMs) {}
    int pumps = 0;
    void processEvents() override {
        ++pumps;
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(pumpMs_);
        while (std::chrono::steady_clock::now() < until) {
        }
    }

private:
    int pumpMs_;
};

double timedRun(const std::filesystem::path& doc, int pumpMs, int& pumps) {
    PumpingHost host(pumpMs);
    qm::Generator generator(host, nullptr, nullptr);
    generator.openFiles({doc});
    auto start = std::chrono::steady_clock::now();
    generator.generationRun({});
    pumps = host.pumps;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 50;
    int headings = argc > 2 ? std::atoi(argv[2]) : 5000;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "qm-bench-split";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::filesystem::path doc = dir / "big.htm";
    std::size_t largest = writeDocument(doc, megabytes, headings);
    double size = static_cast<double>(std::filesystem::file_size(doc));

    // The floor of writing as many files: the same bytes cut into one file per topic,
    // copied with cp -r.
    std::filesystem::path pieces = dir / "pieces";
    std::filesystem::create_directories(pieces);
    {
        std::ifstream in(doc, std::ios::binary);
        std::string chunk(static_cast<std::size_t>(size) / static_cast<std::size_t>(headings) + 1,
                          '\0');
        for (int i = 0; in; ++i) {
            in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            std::ofstream(pieces / (std::to_string(i) + ".htm"), std::ios::binary)
                .write(chunk.data(), in.gcount());
        }
    }

    runChild({"cat", doc.string()}); // warm the page cache
    Measure best{1e9, 0};
    Measure copy{1e9, 0};
    Measure files{1e9, 0};
    for (int round = 0; round < 3; ++round) {
        // Each round in a folder of its own: nothing is replaced, nothing deleted.
        std::filesystem::path here = dir / ("round" + std::to_string(round));
        std::filesystem::create_directories(here);
        Measure c = runChild({"cp", doc.string(), (here / "big.htm").string()});
        copy.seconds = std::min(copy.seconds, c.seconds);
        Measure f = runChild({"cp", "-r", pieces.string(), (here / "pieces").string()});
        files.seconds = std::min(files.seconds, f.seconds);
        Measure s = runChild(
            {(exe / "quillmark").string(), "--no-compile", "-q", (here / "big.htm").string()});
        best.seconds = std::min(best.seconds, s.seconds);
        best.peakKb = std::max(best.peakKb, s.peakKb);
    }
    double peakMb = static_cast<double>(best.peakKb) / 1024.0;
    double budgetMb = 64.0 + 2.0 * static_cast<double>(largest) / 1048576.0;
    std::printf("document          %.1f MB, %d headings, largest topic %.2f MB\n", size / 1048576.0,
                headings, static_cast<double>(largest) / 1048576.0);
    std::printf("cp                %.3f s\n", copy.seconds);
    std::printf("split             %.3f s  (%.0f MB/s)\n", best.seconds,
                size / 1048576.0 / best.seconds);
    std::printf("cp -r of %d files %.3f s  (the cost of making as many files)\n", headings,
                files.seconds);
    std::printf("ratio to cp       %.2fx  (target <= 3x)\n", best.seconds / copy.seconds);
    std::printf("ratio to cp + cp -r  %.2fx\n", best.seconds / (copy.seconds + files.seconds));
    std::printf("peak memory       %.1f MB (target < %.1f MB)\n", peakMb, budgetMb);

    // The share of a run that a window's event pumping takes, at 2 ms a pump: the time
    // spent inside the pumps over the whole run (file-system noise cancels out).
    std::filesystem::path pumped = dir / "pumped";
    std::filesystem::create_directories(pumped);
    std::filesystem::copy_file(doc, pumped / "big.htm");
    int pumps = 0;
    double run = timedRun(pumped / "big.htm", 2, pumps);
    std::printf(
        "event pumping     %d pumps in %.2f s: %.1f%% of the run at 2 ms a pump (target <= 10%%)\n",
        pumps, run, pumps * 0.002 / run * 100.0);
    std::filesystem::remove_all(dir);
    return 0;
}
