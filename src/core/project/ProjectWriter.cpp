#include "project/ProjectWriter.h"

#include "split/TopicPageWriter.h"
#include "text/Gbk.h"
#include "text/OutputFile.h"

#include <unordered_map>

namespace qm {
namespace {

// Splits a text at CR LF into lines (the templates carry their own line breaks).
void appendSplit(std::vector<std::string>& lines, const std::string& text) {
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(text.substr(start, at - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
}

std::string optionsBlock(const std::string& chmFile, const std::string& baseName,
                         const std::string& defaultTopic, const std::string& title) {
    return "[OPTIONS] \r\n Compatibility=1.1 or later \r\nCompiled file=" + chmFile +
           " \r\nContents file=" + baseName + ".hhc \r\nDefault topic=" + defaultTopic +
           " \r\nDisplay compile progress=No \r\nEnhanced decompilation=Yes \r\nFull text "
           "search stop list file=quelra.stp \r\nFull-text search=Yes \r\nIndex file=" +
           baseName + ".hhk \r\n" + gbk::fromUtf8("Language=0x804 中文(中国) \r\nTitle=") + title +
           gbk::fromUtf8(" \r\nDefault Window=Main \r\nDefault font=宋体,9,134 ") +
           "\r\n[INFOTYPES] \r\n";
}

std::string windowBlock(const std::string& title, const std::string& baseName,
                        const std::string& defaultTopic) {
    return "[WINDOWS] \r\nMain=\"" + title + "\",\"" + baseName + ".hhc\",\"" + baseName +
           ".hhk\",\"" + defaultTopic + "\",\"" + defaultTopic +
           "\",,,,,0x1561,185,0x107E,[1,1,1000,776],0x0,0x0,,,,,0\r\n";
}

// The entry without its last ".<Position>".
std::string titleOf(const std::string& entry) {
    std::size_t dot = entry.rfind('.');
    return dot == std::string::npos ? entry : entry.substr(0, dot);
}

// What the ID list shows for each topic name: the heading as written.
std::unordered_map<std::string, std::string> headingsByTopic(const StructureTree& tree) {
    std::unordered_map<std::string, std::string> headings;
    tree.forEach([&](const StructureNode& node) {
        if (!node.heading.empty())
            headings.emplace(TopicPageWriter::topicName(node), node.heading);
    });
    return headings;
}

} // namespace

std::string contextNumber(std::size_t k) {
    return "100" + std::to_string(k);
}

ProjectFiles buildProjectFiles(const ProjectInput& input, const std::string& baseName,
                               const std::string& contentFolderPrefix) {
    ProjectFiles files;
    const StructureNode& first = *input.tree.roots().front();
    files.defaultPage = TopicPageWriter::topicName(first) + ".htm";
    std::string defaultTopic = contentFolderPrefix + files.defaultPage;

    // The title is the user's text: a line break or a quote would break the project file.
    std::string title = input.title;
    for (char& c : title) {
        if (static_cast<unsigned char>(c) < 32)
            c = ' ';
        else if (c == '"')
            c = '\'';
    }
    appendSplit(files.project, optionsBlock(input.chmFileName, baseName, defaultTopic, title));
    files.project.push_back(windowBlock(title, baseName, defaultTopic));
    files.project.push_back("[FILES]");
    for (const std::string& entry : input.writtenTopics)
        files.project.push_back(contentFolderPrefix + entry + ".htm");
    files.project.push_back("");
    files.project.push_back("[ALIAS]");
    files.project.push_back("#include " + contentFolderPrefix + "Alias.h");
    files.project.push_back("");
    files.project.push_back("[MAP]");
    files.project.push_back("#include " + contentFolderPrefix + "HelpID.h");

    auto headings = headingsByTopic(input.tree);
    std::size_t place = 0;
    for (const std::string& entry : input.writtenTopics) {
        std::size_t k = input.contextIds ? input.contextIds->at(place) : place + 1;
        ++place;
        std::string id = std::to_string(k);
        files.alias.push_back("IDH_" + id + " = " + contentFolderPrefix + entry + ".htm");
        files.helpIds.push_back("#define IDH_" + id + " " + contextNumber(k));
        auto heading = headings.find(entry);
        files.idList.push_back(contextNumber(k) + "\t\t" +
                               (heading != headings.end() ? heading->second : titleOf(entry)));
    }
    return files;
}

std::string writeProjectFile(const ProjectInput& input, const ProjectPlace& place) {
    if (input.tree.empty())
        return {};
    ProjectFiles files = buildProjectFiles(input, place.baseName, place.contentFolderPrefix);
    saveLines(place.contentFolder / "Alias.h", files.alias);
    saveLines(place.contentFolder / "HelpID.h", files.helpIds);
    saveLines(place.projectFile, files.project);
    saveLines(place.idList, files.idList);
    return files.defaultPage;
}

} // namespace qm
