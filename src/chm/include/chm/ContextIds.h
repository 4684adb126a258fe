#pragma once

#include "chm/Project.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The lines of [ALIAS] and [MAP] and of the C header files they #include: what
// "IDH_1 = Manual.Content\首页.1.htm" and "#define IDH_1 1001" mean. All text UTF-8.
namespace qm::chm {

// Removes "//" and "/* */" comments (a block comment may span lines: pass the same
// flag for every line of one file) and trims blanks and control characters.
std::string stripComment(std::string_view line, bool& inBlockComment);

// "IDH_1=file.htm", "IDH_1 = file.htm"; nullopt for anything else.
std::optional<AliasDef> parseAliasLine(std::string_view line);

// "#define IDH_1 1001", "IDH_1 1001", "IDH_1=1001"; numbers decimal, 0x-hex or
// octal, optionally in parentheses or with a U/L suffix; nullopt for anything else.
std::optional<MapDef> parseMapLine(std::string_view line);

// The file name of an "#include name" or "#include "name"" line, or nullopt.
std::optional<std::string> includeTarget(std::string_view line);

// Each context number appears once in #IVB: the first definition wins. A [MAP] ID
// takes the [ALIAS] of the same name, or else one whose name differs only in ASCII case.
struct ContextEntry {
    std::uint32_t number;
    std::string file; // the alias target, as the project wrote it
};
struct ContextResolution {
    std::vector<ContextEntry> entries; // sorted by number
    std::vector<std::string> mapWithoutAlias;
    std::vector<std::string> aliasWithoutMap;
    std::vector<std::string> duplicateNumbers;
    // [MAP] IDs that found their [ALIAS] only when letter case is ignored: (map, alias).
    std::vector<std::pair<std::string, std::string>> caseMatched;
};
ContextResolution resolveContextIds(const std::vector<AliasDef>& aliases,
                                    const std::vector<MapDef>& map);

} // namespace qm::chm
