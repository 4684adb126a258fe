#include "word/LibreOfficeConverter.h"

#include "run/StopFlag.h"
#include "text/Gbk.h"
#include "text/OutputFile.h"
#include "text/ReadStream.h"
#include "word/ChildProcess.h"
#include "word/DocumentSniffer.h"
#include "word/WordDialect.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qm {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kFirstFilter = "html:HTML (StarWriter)";
// LibreOffice's XSLT export: its own code path from the document model to HTML.
constexpr std::string_view kSecondFilter = "html:XHTML Writer File:UTF8";
// The name the document gets in the work folder: LibreOffice names its page and
// pictures after it, so they come out in plain ASCII whatever the user's file is called.
constexpr std::string_view kWorkName = "document";

std::string fileUrl(const fs::path& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (char ch : path.string()) {
        auto c = static_cast<unsigned char>(ch);
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

constexpr std::string_view kPrivatePrefix = "quillmark-lo-";

// Removes the private folders that converters of processes no longer running left behind:
// a process that is killed cannot remove its own. Only folders of ours named with the id
// of a process that does not exist go; those of live processes, ours included, stay.
void removeLeftovers(const fs::path& temp) {
    std::vector<fs::path> dead;
    std::error_code ec;
    for (fs::directory_iterator it(temp, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(kPrivatePrefix))
            continue;
        const char* digits = name.data() + kPrivatePrefix.size();
        const char* stop = name.data() + name.size();
        pid_t pid = 0;
        auto [after, error] = std::from_chars(digits, stop, pid);
        if (error != std::errc() || after == digits || after == stop || *after != '-' || pid <= 0 ||
            pid == ::getpid())
            continue;
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
            st.st_uid != ::geteuid())
            continue;
        if (::kill(pid, 0) != 0 && errno == ESRCH)
            dead.push_back(it->path());
    }
    for (const fs::path& folder : dead)
        fs::remove_all(folder, ec);
}

// The first file at the page's place or in its folder that an earlier conversion did not
// write, as far as the page's ConversionMark tells; nothing when replacing them loses
// nothing of the user's.
std::optional<fs::path> foreignFile(const fs::path& html, const fs::path& folder) {
    try {
        std::optional<ConversionMark> mark;
        const fs::file_status page = fs::symlink_status(html);
        if (page.type() != fs::file_type::not_found) {
            if (page.type() != fs::file_type::regular)
                return html;
            ReadStream in(html);
            std::string head;
            in.read(head, 64 * 1024); // the mark opens the head
            mark = readConversionMark(head);
            if (!mark)
                return html;
        }
        const fs::file_status files = fs::symlink_status(folder);
        if (files.type() == fs::file_type::not_found)
            return std::nullopt;
        if (!mark || files.type() != fs::file_type::directory ||
            mark->folder != folder.filename().string())
            return folder;
        for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
            const std::string name = e.path().filename().string();
            if (e.symlink_status().type() != fs::file_type::regular ||
                std::find(mark->files.begin(), mark->files.end(), name) == mark->files.end())
                return e.path();
        }
        return std::nullopt;
    } catch (...) {
        return html; // what cannot be read cannot be vouched for
    }
}

std::string quoted(const fs::path& path) {
    return gbk::fromUtf8("“") + gbk::fromPath(path) + gbk::fromUtf8("”");
}

// Why the page cannot be written: a file of the user's in its way; empty when none is.
std::string foreignReason(const fs::path& html, const fs::path& folder) {
    std::optional<fs::path> foreign = foreignFile(html, folder);
    if (!foreign)
        return {};
    return quoted(*foreign) + gbk::fromUtf8("不是本程序转换生成的文件，为免覆盖用户自己的文件，"
                                            "转换已停止。请将它移走或改名后再试。");
}

// Why the document cannot be converted, before LibreOffice is asked; empty when it can.
std::string documentReason(const fs::path& doc) {
    const DocumentCheck check = checkDocument(doc);
    switch (check.verdict) {
    case DocumentCheck::Verdict::Document:
        return {};
    case DocumentCheck::Verdict::PasswordProtected:
        return gbk::fromUtf8("文档有密码保护：") + quoted(doc);
    case DocumentCheck::Verdict::NotADocument:
        return quoted(doc) + gbk::fromUtf8("不是Word文档（" + check.why + "）。");
    case DocumentCheck::Verdict::Missing:
        return gbk::fromUtf8("找不到文件") + quoted(doc) + gbk::fromUtf8("。");
    case DocumentCheck::Verdict::Unreadable:
        return gbk::fromUtf8("无法读取文件") + quoted(doc) + gbk::fromUtf8("。");
    }
    return {};
}

// A name in dir that nothing has: prefix, our process id and a number.
fs::path freshName(const fs::path& dir, const std::string& prefix) {
    for (unsigned n = 0;; ++n) {
        fs::path candidate = dir / (prefix + std::to_string(::getpid()) + "-" + std::to_string(n));
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(candidate, ec)))
            return candidate;
    }
}

// Puts the page at html and its files into folder beside it, replacing what an earlier
// conversion put there, so that either everything is in place or nothing has changed. The folder is
// built beside its final place (renames do not cross file systems), and the page is
// committed last: until then the earlier page and folder can be put back.
void placeResults(const WordPage& page, const fs::path& exportDir, const fs::path& html,
                  const fs::path& folder) {
    const fs::path dir = folder.parent_path();
    const std::string stem = html.stem().string();

    fs::path staged;
    fs::path backup;
    bool folderSwapped = false;
    try {
        if (!page.files.empty()) {
            staged = freshName(dir, "." + stem + ".files.new-");
            fs::create_directory(staged);
            for (const SupportingFile& f : page.files) {
                if (f.exportedName.empty())
                    saveBytes(staged / f.name, f.bytes);
                else
                    fs::copy_file(exportDir / f.exportedName, staged / f.name);
            }
        }
        OutputFile out(html);
        out.write(page.html);

        if (fs::exists(fs::symlink_status(folder))) {
            backup = freshName(dir, "." + stem + ".files.old-");
            fs::rename(folder, backup);
        }
        folderSwapped = true;
        if (!staged.empty()) {
            fs::rename(staged, folder);
            staged.clear();
        }
        out.commit();
    } catch (...) {
        std::error_code ec;
        if (folderSwapped) {
            if (staged.empty()) // the new folder made it into place: take it out again
                fs::remove_all(folder, ec);
            if (!backup.empty())
                fs::rename(backup, folder, ec);
        }
        if (!staged.empty())
            fs::remove_all(staged, ec);
        throw;
    }
    std::error_code ec;
    if (!backup.empty())
        fs::remove_all(backup, ec);
}

} // namespace

LibreOfficeConverter::LibreOfficeConverter(std::chrono::milliseconds timeLimit, fs::path program)
    : timeLimit_(timeLimit) {
    if (program.empty()) {
        program_ = findProgram("soffice");
        if (program_.empty())
            program_ = findProgram("libreoffice");
    } else {
        program_ = findProgram(program);
    }
}

bool LibreOfficeConverter::makePrivateFolder() {
    if (!root_.empty())
        return true;
    // Made on first use, so that a converter that never converts leaves nothing behind
    // even when its program ends without destroying it.
    try {
        const fs::path temp = fs::temp_directory_path();
        removeLeftovers(temp);
        std::string pattern =
            (temp / (std::string(kPrivatePrefix) + std::to_string(::getpid()) + "-XXXXXX"))
                .string();
        if (::mkdtemp(pattern.data()) != nullptr)
            root_ = pattern;
    } catch (...) {
        root_.clear();
    }
    return !root_.empty();
}

bool LibreOfficeConverter::stopped() const {
    return stop_ != nullptr && stop_->isSet();
}

LibreOfficeConverter::~LibreOfficeConverter() {
    std::error_code ec;
    if (!root_.empty())
        fs::remove_all(root_, ec);
}

bool LibreOfficeConverter::exportTo(const fs::path& source, const fs::path& outDir,
                                    std::string_view filter) {
    if (program_.empty() || stopped() || !makePrivateFolder())
        return false;
    const fs::path profile = root_ / "profile";
    try {
        std::vector<std::string> args = {
            "-env:UserInstallation=" + fileUrl(profile),
            "--headless",
            "--invisible",
            "--nodefault",
            "--nolockcheck",
            "--nologo",
            "--norestore",
            "--convert-to",
            std::string(filter),
            "--outdir",
            outDir.string(),
            source.string(),
        };
        // LibreOffice's own temporary files go into our folder too, so that those of a
        // LibreOffice that had to be killed are removed with it.
        const fs::path temp = root_ / "tmp";
        fs::create_directories(temp);
        ProcessResult r =
            runChildProcess(program_, args, timeLimit_, {"TMPDIR=" + temp.string()}, stop_);
        if (r.ending == ProcessResult::Ending::TimedOut ||
            r.ending == ProcessResult::Ending::Stopped ||
            r.ending == ProcessResult::Ending::Signalled) {
            // A LibreOffice that was killed or crashed may leave its profile locked or
            // half-written; the next conversion starts with a fresh one.
            std::error_code ec;
            fs::remove_all(profile, ec);
        }
        return r.ending == ProcessResult::Ending::Exited;
    } catch (...) {
        return false;
    }
}

bool LibreOfficeConverter::convert(const fs::path& docPath, const fs::path& htmlPath,
                                   bool useWebPageFormat) {
    reason_.clear();
    if (program_.empty() || stopped())
        return false;
    bool converted = false;
    fs::path job;
    try {
        const fs::path html =
            htmlPath.empty() ? fs::path(docPath).replace_extension(".htm") : htmlPath;
        const fs::path folder = (html.parent_path().empty() ? fs::path(".") : html.parent_path()) /
                                (html.stem().string() + ".files");
        reason_ = documentReason(docPath);
        if (reason_.empty())
            reason_ = foreignReason(html, folder);
        if (!reason_.empty() || !makePrivateFolder())
            return false;

        // LibreOffice works on a copy: the user's file is only read, once, by us.
        job = root_ / ("job" + std::to_string(++jobs_));
        const fs::path in = job / "in";
        const fs::path out = job / "out";
        fs::create_directories(in);
        fs::create_directories(out);
        const fs::path input = in / (std::string(kWorkName) + docPath.extension().string());
        fs::copy_file(docPath, input);

        if (exportTo(input, out, useWebPageFormat ? kSecondFilter : kFirstFilter) && !stopped()) {
            const fs::path exported = out / (std::string(kWorkName) + ".html");
            std::vector<std::string> others;
            for (const fs::directory_entry& e : fs::directory_iterator(out))
                if (e.path() != exported && e.is_regular_file())
                    others.push_back(e.path().filename().string());
            if (fs::is_regular_file(exported) && fs::file_size(exported) > 0) {
                ReadStream page(exported);
                std::string bytes;
                page.read(bytes, page.size());
                WordPage word = toWordDialect(bytes, others, folder.filename().string());
                // Once more: the user may have put a file there while LibreOffice worked.
                reason_ = foreignReason(html, folder);
                if (reason_.empty()) {
                    placeResults(word, out, html, folder);
                    converted = true;
                }
            }
        }
    } catch (...) {
        converted = false;
    }
    std::error_code ec;
    if (!job.empty())
        fs::remove_all(job, ec);
    return converted;
}

} // namespace qm
