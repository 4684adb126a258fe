#include "PagePlacement.h"

#include "platform/Files.h"
#include "platform/Process.h"
#include "text/Error.h"
#include "text/Gbk.h"
#include "text/OutputFile.h"
#include "text/ReadStream.h"
#include "text/Utf8Path.h"
#include "word/DocumentSniffer.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <vector>

namespace qm {
namespace fs = std::filesystem;

namespace {

// What a conversion killed while placing its results left beside the page: the new
// pictures folder it was filling goes; the earlier folder it had moved aside goes back
// to its place when nothing took that place, since the earlier page still refers to it.
void tidyKilledPlacement(const fs::path& dir, const std::string& stem, const fs::path& folder) {
    const std::string staging = "." + stem + ".files.new-";
    const std::string aside = "." + stem + ".files.old-";
    std::vector<fs::path> left;
    std::error_code ec;
    for (const FolderEntry& entry : listFolder(dir).value_or(std::vector<FolderEntry>()))
        if (leftByDeadProcess(dir / entry.name, staging) ||
            leftByDeadProcess(dir / entry.name, aside))
            left.push_back(dir / entry.name);
    for (const fs::path& entry : left) {
        if (text::utf8Text(entry.filename()).starts_with(aside) &&
            !fs::exists(fs::symlink_status(folder, ec))) {
            fs::rename(entry, folder, ec);
            if (!ec)
                continue;
        }
        removeTree(entry);
    }
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
            mark->folder != text::utf8Text(folder.filename()))
            return folder;
        std::optional<std::vector<FolderEntry>> entries = listFolder(folder);
        if (!entries)
            return folder;
        for (const FolderEntry& entry : *entries) {
            const std::string name = text::utf8Text(entry.name);
            if (entry.kind != EntryKind::File ||
                std::find(mark->files.begin(), mark->files.end(), name) == mark->files.end())
                return folder / entry.name;
        }
        return std::nullopt;
    } catch (...) {
        return html; // what cannot be read cannot be vouched for
    }
}

// A name in dir that nothing has: prefix, our process id and a number.
fs::path freshName(const fs::path& dir, const std::string& prefix) {
    for (unsigned n = 0;; ++n) {
        fs::path candidate = dir / text::utf8Path(prefix + std::to_string(currentProcessId()) +
                                                  "-" + std::to_string(n));
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(candidate, ec)))
            return candidate;
    }
}

} // namespace

std::string quoted(const fs::path& path) {
    return gbk::fromUtf8("“") + gbk::fromPath(path) + gbk::fromUtf8("”");
}

PagePlace pagePlace(const fs::path& doc, const fs::path& htmlPath) {
    PagePlace place;
    place.html = htmlPath.empty() ? fs::path(doc).replace_extension(".htm") : htmlPath;
    const fs::path dir =
        place.html.parent_path().empty() ? fs::path(".") : place.html.parent_path();
    place.folder = dir / text::utf8Path(text::utf8Text(place.html.stem()) + ".files");
    return place;
}

// True when entry is a folder of ours named prefix<pid>-... for a process id that is
// not running: a process that is killed cannot remove what it was working in.
bool leftByDeadProcess(const fs::path& entry, std::string_view prefix) {
    const std::string name = text::utf8Text(entry.filename());
    if (!name.starts_with(prefix))
        return false;
    const char* digits = name.data() + prefix.size();
    const char* stop = name.data() + name.size();
    long pid = 0;
    auto [after, error] = std::from_chars(digits, stop, pid);
    if (error != std::errc() || after == digits || after == stop || *after != '-' || pid <= 0 ||
        pid == currentProcessId())
        return false;
    return isOwnFolder(entry) && processIsGone(pid);
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

// Puts the page at html and its files into folder beside it, replacing what an earlier
// conversion put there, so that either everything is in place or nothing has changed. The folder is
// built beside its final place (renames do not cross file systems), and the page is
// committed last: until then the earlier page and folder can be put back.
std::string refusalReason(const fs::path& doc, const PagePlace& place) {
    std::string reason = documentReason(doc);
    return reason.empty() ? foreignReason(place.html, place.folder) : reason;
}

std::optional<PagePlace> openConversion(const fs::path& doc, const fs::path& htmlPath, bool ready,
                                        const std::function<bool()>& privateFolder,
                                        std::string& reason) {
    reason.clear();
    if (!ready)
        return std::nullopt;
    PagePlace place = pagePlace(doc, htmlPath);
    reason = refusalReason(doc, place);
    if (!reason.empty() || !privateFolder())
        return std::nullopt;
    return place;
}

void placeResults(const WordPage& page, const fs::path& exportDir, const fs::path& html,
                  const fs::path& folder) {
    const fs::path dir = folder.parent_path();
    const std::string stem = text::utf8Text(html.stem());

    tidyKilledPlacement(dir, stem, folder);
    fs::path staged;
    fs::path backup;
    bool folderSwapped = false;
    try {
        if (!page.files.empty()) {
            staged = freshName(dir, "." + stem + ".files.new-");
            fs::create_directory(staged);
            for (const SupportingFile& f : page.files) {
                if (f.exportedName.empty())
                    saveBytes(staged / text::utf8Path(f.name), f.bytes);
                else
                    copyFile(exportDir / text::utf8Path(f.exportedName),
                             staged / text::utf8Path(f.name));
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
                removeTree(folder);
            if (!backup.empty())
                fs::rename(backup, folder, ec);
        }
        if (!staged.empty())
            removeTree(staged);
        throw;
    }
    if (!backup.empty())
        removeTree(backup);
}

bool convertInWorkFolder(std::string& reason,
                         const std::function<bool(std::filesystem::path& job)>& conversion) {
    std::filesystem::path job;
    bool converted = false;
    try {
        converted = conversion(job);
    } catch (const Error& e) {
        reason = e.what();
    } catch (...) {
    }
    if (!job.empty())
        removeTree(job);
    return converted;
}

} // namespace qm
