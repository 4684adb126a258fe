#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// An HTML Help Workshop project as the compiler sees it. Every text here is UTF-8,
// converted from the project's code page by the project reader; paths are as the
// project wrote them (backslash or slash, relative to the project's folder).
namespace qm::chm {

// One line of [WINDOWS]: name="caption","toc","index","default","home","jump1 url",
// "jump1 text","jump2 url","jump2 text",navigation style,navigation width,buttons,
// [left,top,right,bottom],style,extended style,show state,navigation closed,
// default pane,pane position,notification id.
struct WindowDef {
    std::string name;
    std::string caption;
    std::string toc;
    std::string index;
    std::string defaultFile;
    std::string homeFile;
    std::string jump1Url;
    std::string jump1Text;
    std::string jump2Url;
    std::string jump2Text;
    std::optional<std::uint32_t> navigationStyle;
    std::optional<std::uint32_t> navigationWidth;
    std::optional<std::uint32_t> buttons;
    std::optional<std::int32_t> rect[4];
    bool hasRect = false;
    std::optional<std::uint32_t> style;
    std::optional<std::uint32_t> extendedStyle;
    std::optional<std::uint32_t> showState;
    std::optional<std::uint32_t> navigationClosed;
    std::optional<std::uint32_t> defaultPane;
    std::optional<std::uint32_t> panePosition;
    std::optional<std::uint32_t> notificationId;
};

// [ALIAS]: a symbolic context ID and the topic file it names.
struct AliasDef {
    std::string id;
    std::string file;
};

// [MAP]: a symbolic context ID and its number.
struct MapDef {
    std::string id;
    std::uint32_t number = 0;
};

struct Project {
    std::filesystem::path file;   // the .hhp on disk
    std::filesystem::path folder; // its folder, the root of every relative path

    std::uint32_t lcid = 0x409;
    std::uint32_t codePage = 1252;
    std::string charset = "windows-1252"; // ICU name of the project's code page

    // [OPTIONS]
    std::string compiledFile;
    std::string contentsFile;
    std::string indexFile;
    std::string defaultTopic;
    std::string title;
    std::string defaultWindow;
    std::string defaultFont;
    bool fullTextSearch = false;
    bool binaryToc = false;
    bool binaryIndex = true;
    bool displayCompileProgress = true;

    std::vector<WindowDef> windows;
    std::vector<std::string> files;
    std::vector<AliasDef> aliases;
    std::vector<MapDef> map;
    // [TEXT POPUPS]: text files of ".topic ID" entries, stored under their own names for
    // the help's text-popup call.
    std::vector<std::string> textPopups;
};

} // namespace qm::chm
