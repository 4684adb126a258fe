#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qm {

struct ProjectPlace;

// Where everything of one source file <dir>/<name>.<ext> goes: the one place that knows.
// Paths on disk are std::filesystem paths; texts written into project files
// (contentFolderPrefix) are GBK with the backslash as separator.
//
// The project is named after the document, made safe for project files and CHM
// addresses (see SafeName) and short enough for every suffix a run adds: <base>.hhp,
// <base>.Content/, <base>.chm, ... A page saved by Word (.htm or .html) is read where it
// is; a Word document is converted into <base>.htm with its pictures in <base>.files.
struct FileLayout {
    std::filesystem::path source;           // the opened file
    std::filesystem::path targetFolder;     // <dir>, or the output folder
    std::string baseName;                   // the project's name, GBK text
    std::filesystem::path intermediateHtml; // the page to cut: the source or <base>.htm
    std::filesystem::path supportingFiles;  // the page's pictures folder
    std::filesystem::path contentFolder;    // <dir>/<base>.Content

    // Derives the layout from a source path; outputFolder, when given, takes everything
    // the run writes (the intermediate page and working copies included) instead of the
    // source's folder. A name GBK cannot write (Korean letters, an emoji, bytes that are
    // not UTF-8), or one with nothing left once made safe, throws qm::Error with a
    // message for the user before anything is written.
    static FileLayout forSource(const std::filesystem::path& source,
                                const std::filesystem::path& outputFolder = {});

    // True when the source is a Word document to convert first (.doc in any case).
    bool needsConversion() const;

    // target folder + base name + "." + extension.
    std::filesystem::path projectFilePath(std::string_view extension) const;
    // The run log of an interrupted or partly failed run (never the ID list).
    std::filesystem::path runLogPath() const { return projectFilePath("run.txt"); }
    // What the names of the run's working files start with: <dir>/<base>.htm.
    std::filesystem::path workingFileRoot() const { return projectFilePath("htm"); }
    // base name + ".Content\": the ContentFolder as project files name it (GBK).
    std::string contentFolderPrefix() const;
    // The target folder as shown to the user, with its trailing separator (GBK).
    std::string targetFolderText() const;
    // Where the project writer puts the project's files.
    ProjectPlace projectPlace() const;
    // The page of a topic: ContentFolder/<title>.<position>.htm.
    std::filesystem::path topicPagePath(std::string_view title, std::string_view position) const;
};

// The path with its last extension replaced ("a/b.c.doc", ".htm" -> "a/b.c.htm").
std::filesystem::path replaceExtension(const std::filesystem::path& path, std::string_view ext);

} // namespace qm
