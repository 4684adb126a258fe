#include "run/FileLayout.h"

#include "text/Gbk.h"

#include <algorithm>
#include <cctype>

namespace qm {

std::filesystem::path replaceExtension(const std::filesystem::path& path, std::string_view ext) {
    std::filesystem::path result = path;
    result.replace_extension(std::string(ext));
    return result;
}

FileLayout FileLayout::forSource(const std::filesystem::path& source) {
    FileLayout layout;
    layout.source = source;
    layout.intermediateHtml = replaceExtension(source, ".htm");
    layout.targetFolder = layout.intermediateHtml.parent_path();
    layout.baseName = gbk::fromPath(layout.intermediateHtml.stem());
    layout.supportingFiles = replaceExtension(layout.intermediateHtml, ".files");
    layout.contentFolder = replaceExtension(layout.intermediateHtml, ".Content");
    return layout;
}

bool FileLayout::needsConversion() const {
    std::string ext = source.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    // Word's binary documents, and the other word-processor formats LibreOffice reads.
    return ext == ".DOC" || ext == ".DOCX" || ext == ".RTF" || ext == ".ODT";
}

std::filesystem::path FileLayout::projectFilePath(std::string_view extension) const {
    std::filesystem::path name = intermediateHtml.filename();
    name.replace_extension("." + std::string(extension));
    return targetFolder / name;
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

} // namespace qm
