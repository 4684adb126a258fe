#pragma once

#include "split/StructureTree.h"

#include <filesystem>
#include <string>
#include <vector>

namespace qm {

// What goes into the project of one source file (GBK texts).
struct ProjectInput {
    const StructureTree& tree;
    const std::vector<std::string>& writtenTopics; // "<Title>.<Position>", topic k = entry k
    std::string title;                             // the help title
    std::string chmFileName;                       // "<name>.chm"
    // Each topic's k (its ID IDH_k, its number "100" + k); none: the document order.
    const std::vector<std::size_t>* contextIds = nullptr;
};

// Where the files of one project go.
struct ProjectPlace {
    std::string baseName;                // the project's name (GBK)
    std::string contentFolderPrefix;     // "<name>.Content\" as project files write it (GBK)
    std::filesystem::path contentFolder; // takes Alias.h and HelpID.h
    std::filesystem::path projectFile;   // <name>.hhp
    std::filesystem::path idList;        // <name>.txt
};

// Writes Alias.h and HelpID.h into the content folder, then the project file and the ID
// list. Nothing is written for an empty tree. Returns the
// default page (the first root node's page name) or empty when nothing was written.
// A file that cannot be written raises qm::Error; files saved before it stay.
std::string writeProjectFile(const ProjectInput& input, const ProjectPlace& place);

// The project file's, Alias.h's, HelpID.h's and the ID list's lines.
struct ProjectFiles {
    std::vector<std::string> project;
    std::vector<std::string> alias;
    std::vector<std::string> helpIds;
    std::vector<std::string> idList;
    std::string defaultPage;
};
ProjectFiles buildProjectFiles(const ProjectInput& input, const std::string& baseName,
                               const std::string& contentFolderPrefix);

// Topic k's context number: the text "100" followed by k, read as a number.
std::string contextNumber(std::size_t k);

} // namespace qm
