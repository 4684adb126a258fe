#include "run/FileLayout.h"

#include "project/ProjectWriter.h"

#include "text/Error.h"
#include "text/Gbk.h"
#include "text/SafeName.h"
#include "text/Utf8Path.h"

#include <algorithm>
#include <cctype>

namespace qm {
namespace {

// Room left in a file name for the longest suffix a run adds to the project's name
// (".htm.tmp" or ".htm.gbk" with a date-time, and a temporary file's dot and ".part").
constexpr std::size_t kSuffixRoom = 40;

std::string upperExtension(const std::filesystem::path& path) {
    std::string ext = text::utf8Text(path.extension());
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return ext;
}

// By the end of the name, so that a page named just ".htm" is a page too.
bool isWordPage(const std::filesystem::path& path) {
    std::string name = path.filename().string();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name.ends_with(".HTM") || name.ends_with(".HTML");
}

// The project's name from the document's: the user chose it, so a name GBK cannot
// write is refused rather than changed behind the user's back.
std::string projectName(const std::filesystem::path& source) {
    std::u8string stem8 = source.stem().u8string();
    std::string stem(stem8.begin(), stem8.end());
    std::string gbkStem = gbk::fromUtf8(stem);
    if (gbk::toUtf8(gbkStem) != stem)
        throw Error(gbk::fromUtf8("文件名“") + gbkStem +
                    gbk::fromUtf8("”含有GBK编码无法表示的字符（或不是有效的UTF-8），不能用作帮助"
                                  "工程的名称。请将文件改名后再试。"));
    std::string name = safeName(gbkStem, kMaxFileNameBytes - kSuffixRoom, Blanks::KeepInner);
    // A leading dot would hide every file of the project.
    name.erase(0, name.find_first_not_of('.'));
    if (name.empty())
        throw Error(
            gbk::fromUtf8("文件名“") + gbkStem +
            gbk::fromUtf8("”去掉不能用于文件名和帮助工程的字符后为空，请将文件改名后再试。"));
    return name;
}

} // namespace

std::filesystem::path replaceExtension(const std::filesystem::path& path, std::string_view ext) {
    std::filesystem::path result = path;
    result.replace_extension(std::string(ext));
    return result;
}

FileLayout FileLayout::forSource(const std::filesystem::path& source,
                                 const std::filesystem::path& outputFolder) {
    FileLayout layout;
    layout.source = source;
    layout.targetFolder = outputFolder.empty() ? source.parent_path() : outputFolder;
    layout.baseName = projectName(source);
    layout.contentFolder = layout.projectFilePath("Content");
    if (isWordPage(source)) {
        layout.intermediateHtml = source;
        // Word names the folder <name>.files, its English versions <name>_files.
        layout.supportingFiles = replaceExtension(source, ".files");
        std::filesystem::path english = source.parent_path() / source.stem();
        english += "_files";
        std::error_code ec;
        if (!std::filesystem::is_directory(layout.supportingFiles, ec) &&
            std::filesystem::is_directory(english, ec))
            layout.supportingFiles = english;
    } else {
        layout.intermediateHtml = layout.projectFilePath("htm");
        layout.supportingFiles = layout.projectFilePath("files");
    }
    return layout;
}

bool FileLayout::needsConversion() const {
    std::string ext = upperExtension(source);
    // Word's binary documents, and the other word-processor formats LibreOffice reads.
    return ext == ".DOC" || ext == ".DOCX" || ext == ".RTF" || ext == ".ODT";
}

std::filesystem::path FileLayout::projectFilePath(std::string_view extension) const {
    return targetFolder / gbk::toPath(baseName + "." + std::string(extension));
}

std::string FileLayout::contentFolderPrefix() const {
    return baseName + ".Content\\";
}

std::string FileLayout::targetFolderText() const {
    std::string text = gbk::fromPath(targetFolder);
    if (text.empty() || text.back() != '/')
        text += '/';
    return text;
}

std::filesystem::path FileLayout::topicPagePath(std::string_view title,
                                                std::string_view position) const {
    return contentFolder / gbk::toPath(std::string(title) + "." + std::string(position) + ".htm");
}

ProjectPlace FileLayout::projectPlace() const {
    return {baseName, contentFolderPrefix(), contentFolder, projectFilePath("hhp"),
            projectFilePath("txt")};
}

} // namespace qm
