#include "ProjectChecks.h"

#include "platform/Files.h"
#include "text/Error.h"
#include "text/Gbk.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

bool isReadOnlyFile(const fs::path& file) {
    std::error_code ec;
    // A link is replaced, never written through: only a file itself counts.
    const fs::file_status status = fs::symlink_status(file, ec);
    return fs::is_regular_file(status) &&
           (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

[[noreturn]] void refuseReadOnly(const fs::path& file) {
    throw Error(gbk::fromUtf8("“") + gbk::fromPath(file) +
                gbk::fromUtf8("”是只读文件，本次运行需要替换它；为保留它，这个工程没有做任何改动。"
                              "如要重新生成，请先去掉它的只读属性。"));
}

} // namespace

void rejectLinkedContentFolder(const FileLayout& layout) {
    if (entryKind(layout.contentFolder) == EntryKind::Link)
        throw Error(gbk::fromUtf8("“") + gbk::fromPath(layout.contentFolder) +
                    gbk::fromUtf8("”是符号链接，页面会写到它指向的别处；这个工程没有做任何改动。"
                                  "请删除该链接（或改为文件夹）后再试。"));
}

void rejectReadOnlyProjectFiles(const FileLayout& layout) {
    for (const char* extension : {"hhp", "hhc", "hhk", "txt", "ids", "chm", "log", "run.txt"})
        if (isReadOnlyFile(layout.projectFilePath(extension)))
            refuseReadOnly(layout.projectFilePath(extension));
    if (layout.needsConversion() && isReadOnlyFile(layout.intermediateHtml))
        refuseReadOnly(layout.intermediateHtml);
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(layout.contentFolder, ec)))
        return;
    for (const FolderEntry& entry :
         listFolder(layout.contentFolder).value_or(std::vector<FolderEntry>())) {
        const fs::path file = layout.contentFolder / entry.name;
        if ((entry.name.extension() == ".htm" || entry.name == "Alias.h" ||
             entry.name == "HelpID.h") &&
            isReadOnlyFile(file))
            refuseReadOnly(file);
    }
}

} // namespace qm
