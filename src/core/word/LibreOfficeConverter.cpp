#include "word/LibreOfficeConverter.h"

#include "text/OutputFile.h"
#include "text/ReadStream.h"
#include "word/ChildProcess.h"
#include "word/WordDialect.h"

#include <cstdlib>
#include <string>
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

// LibreOffice opens what it cannot recognise as plain text, so random bytes would
// "convert" into a page of garbage; Word refuses such a file. Accept only what a word
// processor writes: an OLE2 compound file (Word 6 to 2003), Word for Windows 1 and 2,
// RTF, a ZIP package (.docx, .odt) and XML or HTML text.
bool looksLikeDocument(const fs::path& path) {
    ReadStream in(path);
    std::string head;
    in.read(head, 64);
    std::string_view h = head;
    if (h.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") || h.starts_with("{\\rtf") ||
        h.starts_with("PK\x03\x04") || h.starts_with("\xDB\xA5") || h.starts_with("\x9B\xA5"))
        return true;
    if (h.starts_with("\xEF\xBB\xBF"))
        h.remove_prefix(3);
    std::size_t first = h.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && h[first] == '<';
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

// Puts the page at html and its files into <name>.files beside it, replacing what was
// there, so that either everything is in place or nothing has changed. The folder is
// built beside its final place (renames do not cross file systems), and the page is
// committed last: until then the earlier page and folder can be put back.
void placeResults(const WordPage& page, const fs::path& exportDir, const fs::path& html) {
    const fs::path dir = html.parent_path().empty() ? fs::path(".") : html.parent_path();
    const std::string stem = html.stem().string();
    const fs::path folder = dir / (stem + ".files");

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
        std::string pattern = (fs::temp_directory_path() / "quillmark-lo-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            root_ = pattern;
    } catch (...) {
        root_.clear();
    }
    return !root_.empty();
}

LibreOfficeConverter::~LibreOfficeConverter() {
    std::error_code ec;
    if (!root_.empty())
        fs::remove_all(root_, ec);
}

bool LibreOfficeConverter::exportTo(const fs::path& source, const fs::path& outDir,
                                    std::string_view filter) {
    if (program_.empty() || !makePrivateFolder())
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
        ProcessResult r = runChildProcess(program_, args, timeLimit_, {"TMPDIR=" + temp.string()});
        if (r.ending == ProcessResult::Ending::TimedOut ||
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
    if (program_.empty() || !makePrivateFolder())
        return false;
    const fs::path job = root_ / ("job" + std::to_string(++jobs_));
    bool converted = false;
    try {
        fs::path html = htmlPath;
        if (html.empty())
            html = fs::path(docPath).replace_extension(".htm");
        if (!fs::is_regular_file(docPath) || !looksLikeDocument(docPath))
            return false;

        // LibreOffice works on a copy: the user's file is only read, once, by us.
        const fs::path in = job / "in";
        const fs::path out = job / "out";
        fs::create_directories(in);
        fs::create_directories(out);
        const fs::path input = in / (std::string(kWorkName) + docPath.extension().string());
        fs::copy_file(docPath, input);

        if (exportTo(input, out, useWebPageFormat ? kSecondFilter : kFirstFilter)) {
            const fs::path exported = out / (std::string(kWorkName) + ".html");
            std::vector<std::string> others;
            for (const fs::directory_entry& e : fs::directory_iterator(out))
                if (e.path() != exported && e.is_regular_file())
                    others.push_back(e.path().filename().string());
            if (fs::is_regular_file(exported) && fs::file_size(exported) > 0) {
                ReadStream page(exported);
                std::string bytes;
                page.read(bytes, page.size());
                WordPage word = toWordDialect(bytes, others, html.stem().string() + ".files");
                placeResults(word, out, html);
                converted = true;
            }
        }
    } catch (...) {
        converted = false;
    }
    std::error_code ec;
    fs::remove_all(job, ec);
    return converted;
}

} // namespace qm
