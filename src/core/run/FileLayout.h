#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qm {

// Where everything of one source file <dir>/<name>.<ext> goes. Paths on disk are
// std::filesystem paths; texts written into project files (contentFolderPrefix) are
// GBK with the backslash as separator.
struct FileLayout {
    std::filesystem::path source;           // the opened file
    std::filesystem::path targetFolder;     // <dir>
    std::string baseName;                   // <name>, GBK text
    std::filesystem::path intermediateHtml; // <dir>/<name>.htm
    std::filesystem::path supportingFiles;  // <dir>/<name>.files
    std::filesystem::path contentFolder;    // <dir>/<name>.Content

    // Derives the layout from a source path (any extension).
    static FileLayout forSource(const std::filesystem::path& source);

    // True when the source is a Word document to convert first (.doc in any case).
    bool needsConversion() const;

    // target folder + base name + "." + extension.
    std::filesystem::path projectFilePath(std::string_view extension) const;
    // base name + ".Content\": the ContentFolder as project files name it (GBK).
    std::string contentFolderPrefix() const;
    // The target folder as shown to the user, with its trailing separator (GBK).
    std::string targetFolderText() const;
    // The page of a topic: ContentFolder/<title>.<position>.htm.
    std::filesystem::path topicPagePath(std::string_view title, std::string_view position) const;
};

// The path with its last extension replaced ("a/b.c.doc", ".htm" -> "a/b.c.htm").
std::filesystem::path replaceExtension(const std::filesystem::path& path, std::string_view ext);

} // namespace qm
