// Our CHM compiler (quillmark-hhc) against the Free Pascal compiler chmcmd, both run as
// child processes in the same run: on the 2,000-topic project of Quillmark's generator
// (chmcmd gets a UTF-8 twin with forward slashes, since it cannot read GBK names) and
// on every project under shared/samples/hhp that chmcmd can compile. Prints times,
// output sizes and peak memory as ratios ours/chmcmd, and the size against gzip -9 of
// the same files. A CHM's size depends much on its full-text index ($FIftiMain), so
// each row also says how many distinct words each index holds: chmcmd indexes only
// words of ASCII letters and digits, ours the words of every script and each Chinese
// or Japanese character.
//
// First, the compiler's peak memory (getrusage in a child process) against 64 MiB
// plus twice the largest file plus the finished full-text index, for a generated 44 MB
// page of Chinese without spaces (GBK and UTF-8), for a generated project of 20,000
// pages and, after the table, for the largest sample.
//
//   bench_chm [TOPICS]      (default 2000; BENCH_KEEP=1 keeps the scratch folder;
//                            BENCH_MEMORY_ONLY=1 stops after the memory rows)
#include "FiftiMainReader.h"
#include "ProjectFixture.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Run {
    bool ok = false;
    double seconds = 0;
    long peakKb = 0;
};

// Runs a program in a folder under GNU time, which reports its peak memory: the
// benchmark's own pages would count otherwise, since a child's peak is carried over
// from before it executes the program.
Run runOnce(const std::vector<std::string>& argv, const fs::path& folder) {
    const fs::path report = folder / ".bench-time";
    std::string command =
        "cd '" + folder.string() + "' && /usr/bin/time -f '%e %M' -o '" + report.string() + "'";
    for (const std::string& a : argv)
        command += " '" + a + "'";
    command += " >/dev/null 2>&1";
    Run r;
    const auto start = std::chrono::steady_clock::now();
    r.ok = std::system(command.c_str()) == 0;
    // The wall clock here, as GNU time rounds to 10 ms; both programs pay the same shell.
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::ifstream in(report);
    std::string first;
    std::getline(in, first);
    if (first.rfind("Command", 0) == 0) // "Command exited with non-zero status N"
        std::getline(in, first);
    double rounded = 0;
    std::sscanf(first.c_str(), "%lf %ld", &rounded, &r.peakKb);
    r.seconds = seconds;
    std::error_code ec;
    fs::remove(report, ec);
    return r;
}

// The machine is shared: each program runs three times, and the fastest run counts
// (other programs only ever slow a run down); the peak memory is the highest seen.
Run runChild(const std::vector<std::string>& argv, const fs::path& folder) {
    Run best = runOnce(argv, folder);
    for (int i = 1; i < 3 && best.ok; ++i) {
        const Run r = runOnce(argv, folder);
        best.ok = r.ok;
        best.seconds = std::min(best.seconds, r.seconds);
        best.peakKb = std::max(best.peakKb, r.peakKb);
    }
    return best;
}

std::uintmax_t sizeOf(const fs::path& p) {
    std::error_code ec;
    std::uintmax_t n = fs::file_size(p, ec);
    return ec ? 0 : n;
}

// gzip -9 of the files a CHM holds (pages, pictures, contents, index; not the
// compiler's own tables), as one stream: extracted with 7-Zip, so that it is exactly
// the files that went in.
std::uintmax_t gzipSize(const fs::path& chm, const fs::path& scratch) {
    const fs::path files = scratch / "gzip-files";
    const fs::path all = scratch / "all-files.bin";
    fs::remove_all(files);
    const std::string extract =
        "7zz x -y -o'" + files.string() + "' '" + chm.string() + "' >/dev/null 2>&1";
    if (std::system(extract.c_str()) != 0)
        return 0;
    {
        std::ofstream out(all, std::ios::binary | std::ios::trunc);
        for (auto it = fs::recursive_directory_iterator(files);
             it != fs::recursive_directory_iterator(); ++it) {
            const std::string name = it->path().filename().string();
            if (it->is_directory() && name[0] == '$')
                it.disable_recursion_pending();
            if (!it->is_regular_file() || name[0] == '#' || name[0] == '$')
                continue;
            std::ifstream in(it->path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
    }
    const fs::path packed = scratch / "all-files.gz";
    const std::string command = "gzip -9 -c '" + all.string() + "' > '" + packed.string() + "'";
    const std::uintmax_t size = std::system(command.c_str()) == 0 ? sizeOf(packed) : 0;
    std::error_code ec;
    fs::remove_all(files, ec);
    fs::remove(all, ec);
    fs::remove(packed, ec);
    return size;
}

// How many distinct words a CHM's full-text index holds (-1: it has none), read
// with 7-Zip, which also opens CHMs whose directory chmlib cannot walk.
long indexedWords(const fs::path& chm) {
    const std::string command = "7zz e -so '" + chm.string() + "' '$FIftiMain' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::string bytes;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        bytes.append(buffer, n);
    pclose(pipe);
    try {
        std::set<std::string> words;
        for (const qm::test::FtsEntry& e : qm::test::FiftiMainReader(bytes).all())
            words.insert(e.word);
        return static_cast<long>(words.size());
    } catch (const std::exception&) {
        return -1;
    }
}

fs::path findChm(const fs::path& folder);

// The peak resident memory of one compile, from getrusage in a child process that
// starts the compiler and waits for it, so that neither this program's pages nor
// other runs count.
long peakRssKb(const std::vector<std::string>& argv, const fs::path& folder) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        long kb = -1;
        if (chdir(folder.c_str()) == 0) {
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
            posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
            std::vector<char*> args;
            for (const std::string& a : argv)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            pid_t compiler = 0;
            int status = 0;
            if (posix_spawn(&compiler, args[0], &actions, nullptr, args.data(), environ) == 0 &&
                waitpid(compiler, &status, 0) == compiler && WIFEXITED(status) &&
                WEXITSTATUS(status) == 0) {
                rusage usage{};
                getrusage(RUSAGE_CHILDREN, &usage);
                kb = usage.ru_maxrss;
            }
        }
        [[maybe_unused]] const ssize_t n = write(pipeFds[1], &kb, sizeof kb);
        _exit(0);
    }
    close(pipeFds[1]);
    long kb = -1;
    if (child < 0 || read(pipeFds[0], &kb, sizeof kb) != sizeof kb)
        kb = -1;
    close(pipeFds[0]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    return kb;
}

std::uintmax_t largestFile(const fs::path& folder) {
    std::uintmax_t largest = 0;
    for (auto it = fs::recursive_directory_iterator(folder);
         it != fs::recursive_directory_iterator(); ++it)
        if (it->is_regular_file() && it->path().extension() != ".chm")
            largest = std::max<std::uintmax_t>(largest, it->file_size());
    return largest;
}

std::uintmax_t storedSize(const fs::path& chm, const std::string& name) {
    const std::string command = "7zz e -so '" + chm.string() + "' '" + name + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return 0;
    std::uintmax_t size = 0;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        size += n;
    pclose(pipe);
    return size;
}

// The compiler's peak against what it may take: 64 MiB, twice the largest file and the
// finished full-text index.
void printMemoryRow(const std::string& name, const fs::path& folder, const fs::path& project,
                    const fs::path& root, const std::string& hhc) {
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it)
        if (it->path().extension() == ".chm")
            fs::remove(it->path());
    const long kb =
        peakRssKb({hhc, "-q", "-j", "2", "--timestamp", "1700000000", project.string()}, folder);
    const fs::path chm = findChm(root);
    const std::uintmax_t largest = largestFile(root);
    const std::uintmax_t index = chm.empty() ? 0 : storedSize(chm, "$FIftiMain");
    const double boundKb =
        (64.0 * 1024 * 1024 + 2.0 * static_cast<double>(largest) + static_cast<double>(index)) /
        1024.0;
    std::printf("%-24s peak %ld KB against a bound of %.0f KB (64 MiB + 2 x %ju B largest file + "
                "%ju B full-text index): %.2f of it, %.1f times the largest file\n",
                name.c_str(), kb, boundKb, largest, index, static_cast<double>(kb) / boundKb,
                largest ? static_cast<double>(kb) * 1024.0 / static_cast<double>(largest) : 0.0);
}

// One page of 44 MB on one line: Chinese without spaces (the worst case of the
// full-text index), in GBK or UTF-8.
fs::path writeLargePage(const fs::path& folder, bool utf8) {
    fs::create_directories(folder);
    std::ofstream page(folder / "big.htm", std::ios::binary);
    page << "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset="
         << (utf8 ? "utf-8" : "gb2312") << "\"><title>big</title></head><body><p>";
    std::uint32_t state = 7;
    std::string chunk;
    for (std::size_t written = 0; written < 44u * 1000 * 1000; written += chunk.size()) {
        chunk.clear();
        for (int i = 0; i < 4096; ++i) {
            state = state * 1103515245u + 12345u;
            const std::uint32_t n = (state >> 16) % 3000;
            if (utf8) { // U+4E00 and on
                const std::uint32_t c = 0x4E00 + n;
                chunk += static_cast<char>(0xE0 | (c >> 12));
                chunk += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                chunk += static_cast<char>(0x80 | (c & 0x3F));
            } else { // GB2312 level 1: rows B0-D7
                chunk += static_cast<char>(0xB0 + n / 94 % 40);
                chunk += static_cast<char>(0xA1 + n % 94);
            }
        }
        chunk += " archive.zip ";
        page << chunk;
    }
    page << "</p></body></html>";
    std::ofstream(folder / "big.hhp", std::ios::binary)
        << "[OPTIONS]\r\nCompiled file=big.chm\r\nFull-text search=Yes\r\nLanguage=0x804\r\n"
           "Title=big\r\n\r\n[FILES]\r\nbig.htm\r\n";
    return folder / "big.hhp";
}

fs::path findChm(const fs::path& folder) {
    fs::path best;
    for (auto it = fs::recursive_directory_iterator(folder);
         it != fs::recursive_directory_iterator(); ++it)
        if (it->is_regular_file() && it->path().extension() == ".chm")
            best = it->path();
    return best;
}

void printRow(const std::string& name, const Run& ours, const fs::path& ourChm, const Run& peer,
              const fs::path& peerChm, std::uintmax_t gzip) {
    const std::uintmax_t ourSize = sizeOf(ourChm), peerSize = sizeOf(peerChm);
    if (!ours.ok) {
        std::printf("%-24s ours FAILED\n", name.c_str());
        return;
    }
    if (!peer.ok || peerSize == 0) {
        std::printf(
            "%-24s ours %7.3f s %9ju B %7ld KB   chmcmd could not compile it   size/gzip %.2f\n",
            name.c_str(), ours.seconds, ourSize, ours.peakKb,
            gzip ? static_cast<double>(ourSize) / static_cast<double>(gzip) : 0.0);
        return;
    }
    std::printf("%-24s time %.3f (%.3f s / %.3f s)  size %.3f (%ju / %ju B)  memory %.2f (%ld / "
                "%ld KB)  size/gzip %.2f  words indexed %ld / %ld\n",
                name.c_str(), ours.seconds / peer.seconds, ours.seconds, peer.seconds,
                static_cast<double>(ourSize) / static_cast<double>(peerSize), ourSize, peerSize,
                static_cast<double>(ours.peakKb) / static_cast<double>(peer.peakKb), ours.peakKb,
                peer.peakKb, gzip ? static_cast<double>(ourSize) / static_cast<double>(gzip) : 0.0,
                indexedWords(ourChm), indexedWords(peerChm));
}

// Text files with Windows line ends, as on the machine that compiled a shipped CHM
// (the repositories keep them with LF).
void useWindowsLineEnds(const fs::path& folder) {
    for (auto it = fs::recursive_directory_iterator(folder);
         it != fs::recursive_directory_iterator(); ++it) {
        std::string ext = it->path().extension().string();
        for (char& c : ext)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!it->is_regular_file() || (ext != ".htm" && ext != ".html" && ext != ".hhc" &&
                                       ext != ".hhk" && ext != ".hhp" && ext != ".css"))
            continue;
        std::string text;
        {
            std::ifstream in(it->path(), std::ios::binary);
            text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        std::string crlf;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
                crlf.push_back('\r');
            crlf.push_back(text[i]);
        }
        std::ofstream(it->path(), std::ios::binary | std::ios::trunc) << crlf;
    }
}

// A sample that ships the CHM Microsoft's compiler made of it: ours of the same files
// against that one.
void compareWithShippedChm(const std::string& name, const fs::path& original,
                           const fs::path& project, const fs::path& scratch,
                           const std::string& hhc) {
    fs::path shipped;
    for (const auto& entry : fs::directory_iterator(original / project.parent_path()))
        if (entry.path().extension() == ".chm")
            shipped = entry.path();
    if (shipped.empty())
        return;
    const fs::path copy = scratch / "shipped" / name;
    fs::create_directories(copy.parent_path());
    fs::copy(original, copy, fs::copy_options::recursive);
    fs::permissions(copy, fs::perms::owner_all, fs::perm_options::add);
    fs::remove(copy / project.parent_path() / shipped.filename());
    useWindowsLineEnds(copy);
    const Run ours = runChild({hhc, "-q", "--timestamp", "1700000000", project.filename().string()},
                              copy / project.parent_path());
    const std::uintmax_t ourSize = sizeOf(findChm(copy)), theirSize = sizeOf(shipped);
    if (!ours.ok || ourSize == 0)
        return;
    std::printf("%-24s size %.3f (%ju / %ju B) against the CHM Microsoft's compiler made of "
                "it (shipped in the sample)  words indexed %ld / %ld\n",
                name.c_str(), static_cast<double>(ourSize) / static_cast<double>(theirSize),
                ourSize, theirSize, indexedWords(findChm(copy)), indexedWords(shipped));
}

// Memory first, while this program is small: one large page, then many pages, the
// per-page bookkeeping within the same bound.
void printMemoryRows(const fs::path& scratch, const std::string& hhc) {
    for (const bool utf8 : {false, true}) {
        const fs::path folder = scratch / (utf8 ? "large-utf8" : "large-gbk");
        const fs::path project = writeLargePage(folder, utf8);
        printMemoryRow(utf8 ? "44 MB page, UTF-8" : "44 MB page, GBK", folder, project.filename(),
                       folder, hhc);
        fs::remove_all(folder);
    }
    const fs::path folder = scratch / "many-pages";
    fs::create_directories(folder);
    qm::test::FixtureOptions many;
    many.topics = 20000;
    many.pictures = 0;
    many.paragraphsPerTopic = 40; // pages of about 8 KB, as a 160 MB document cut up
    // Written by a child: the pages this program would hold count in the
    // compiler's peak otherwise, since a child starts with its parent's pages.
    const pid_t writer = fork();
    if (writer == 0) {
        qm::test::writeGeneratedProject(folder, many);
        _exit(0);
    }
    if (writer > 0)
        waitpid(writer, nullptr, 0);
    printMemoryRow("20,000 pages", folder, "manual.hhp", folder, hhc);
    fs::remove_all(folder);
}

void compareGeneratedProject(int topics, const fs::path& scratch, const std::string& hhc) {
    qm::test::FixtureOptions options;
    options.topics = topics;
    options.pictures = topics / 50;
    const fs::path gbk = scratch / "generated";
    const fs::path twin = scratch / "twin";
    fs::create_directories(gbk);
    fs::create_directories(twin);
    qm::test::writeGeneratedProject(gbk, options);
    qm::test::writeUtf8Twin(twin, options);
    Run ours = runChild({hhc, "-q", "--timestamp", "1700000000", "manual.hhp"}, gbk);
    Run peer = runChild({"chmcmd", "manual.hhp"}, twin);
    printRow(std::to_string(topics) + "-topic project", ours, gbk / "manual.chm", peer,
             twin / "manual.chm", gzipSize(gbk / "manual.chm", scratch));
}

// One sample project compiled by both; its size in bytes.
std::uintmax_t compareSample(const fs::path& samples, const std::string& folder,
                             const fs::path& project, const fs::path& scratch,
                             const std::string& hhc) {
    // Deep copies, so that outputs such as ..\..\Bin\x.chm stay in the scratch folder.
    const fs::path mine = scratch / "ours" / folder / "a" / "b" / "c" / folder;
    const fs::path theirs = scratch / "peer" / folder / "a" / "b" / "c" / folder;
    for (const fs::path& copy : {mine, theirs}) {
        fs::create_directories(copy.parent_path());
        fs::copy(samples / folder, copy, fs::copy_options::recursive);
        for (auto it = fs::recursive_directory_iterator(copy);
             it != fs::recursive_directory_iterator(); ++it)
            if (it->path().extension() == ".chm")
                fs::remove(it->path());
    }
    const fs::path projectFolder = project.parent_path();
    Run o = runChild({hhc, "-q", "--timestamp", "1700000000", project.filename().string()},
                     mine / projectFolder);
    Run p = runChild({"chmcmd", project.filename().string()}, theirs / projectFolder);
    printRow(folder, o, findChm(scratch / "ours" / folder), p, findChm(scratch / "peer" / folder),
             gzipSize(findChm(scratch / "ours" / folder), scratch));
    std::uintmax_t total = 0;
    for (auto it = fs::recursive_directory_iterator(samples / folder);
         it != fs::recursive_directory_iterator(); ++it)
        if (it->is_regular_file())
            total += it->file_size();
    return total;
}

// Every sample project of the manifest; then the memory of the largest, and ours against
// the CHMs the samples ship.
void compareSamples(const fs::path& scratch, const std::string& hhc) {
    const char* shared = std::getenv("QM_SHARED_DIR");
    fs::path samples =
        shared ? fs::path(shared) / "samples" / "hhp" : fs::path(QM_SHARED_DIR) / "samples" / "hhp";
    std::ifstream manifest(samples / "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);
    std::vector<std::pair<std::string, fs::path>> projects;
    std::pair<std::string, std::uintmax_t> largestSample;
    while (std::getline(manifest, line)) {
        std::size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
        if (tab1 == std::string::npos || tab2 == std::string::npos)
            continue;
        const std::string folder = line.substr(0, tab1);
        const fs::path project = line.substr(tab1 + 1, tab2 - tab1 - 1);
        const std::uintmax_t total = compareSample(samples, folder, project, scratch, hhc);
        projects.emplace_back(folder, project);
        if (total > largestSample.second)
            largestSample = {folder, total};
    }
    for (const auto& [folder, project] : projects) {
        if (folder != largestSample.first)
            continue;
        const fs::path root = scratch / "ours" / folder;
        printMemoryRow(folder + " (largest sample)",
                       root / "a" / "b" / "c" / folder / project.parent_path(), project.filename(),
                       root, hhc);
    }
    for (const auto& [folder, project] : projects)
        compareWithShippedChm(folder, samples / folder, project, scratch, hhc);
}

} // namespace

int main(int argc, char** argv) {
    const int topics = argc > 1 ? std::atoi(argv[1]) : 2000;
    const fs::path self = fs::canonical("/proc/self/exe").parent_path();
    const std::string hhc = (self / "quillmark-hhc").string();
    if (!fs::exists(hhc)) {
        std::fprintf(stderr, "bench_chm: %s is missing; build quillmark-hhc first\n", hhc.c_str());
        return 1;
    }
    std::string scratchPattern = (fs::temp_directory_path() / "bench-chm-XXXXXX").string();
    if (!mkdtemp(scratchPattern.data()))
        return 1;
    const fs::path scratch = scratchPattern;

    printMemoryRows(scratch, hhc);
    if (std::getenv("BENCH_MEMORY_ONLY"))
        return 0;
    std::printf("ratios are ours / chmcmd (below 1: ours is faster, smaller, leaner)\n");
    compareGeneratedProject(topics, scratch, hhc);
    compareSamples(scratch, hhc);
    // BENCH_KEEP=1 leaves the projects and CHMs behind for a closer look.
    if (std::getenv("BENCH_KEEP")) {
        std::printf("kept %s\n", scratch.c_str());
        return 0;
    }
    std::error_code ec;
    fs::remove_all(scratch, ec);
    return 0;
}
