#include "chm/ContextIds.h"

#include "chm/TextCodec.h"
#include "text/ByteString.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <unordered_map>
#include <unordered_set>

namespace qm::chm {
namespace {

bool isIdChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '$' || c == '-' || static_cast<unsigned char>(c) >= 0x80;
}

bool isIdentifier(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), isIdChar);
}

std::optional<std::uint32_t> parseNumber(std::string_view s) {
    s = trimBlanks(s);
    while (s.size() >= 2 && s.front() == '(' && s.back() == ')')
        s = trimBlanks(s.substr(1, s.size() - 2));
    while (!s.empty() && (s.back() == 'u' || s.back() == 'U' || s.back() == 'l' || s.back() == 'L'))
        s.remove_suffix(1);
    if (s.empty() || s.size() > 24)
        return std::nullopt;
    std::string text(s);
    char* end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0' || text[0] == '-' ||
        value > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

} // namespace

std::string stripComment(std::string_view line, bool& inBlockComment) {
    std::string out;
    out.reserve(line.size());
    std::size_t i = 0;
    while (i < line.size()) {
        if (inBlockComment) {
            std::size_t end = line.find("*/", i);
            if (end == std::string_view::npos)
                return std::string(trimBlanks(out));
            inBlockComment = false;
            i = end + 2;
            out.push_back(' ');
            continue;
        }
        if (line.compare(i, 2, "//") == 0)
            break;
        if (line.compare(i, 2, "/*") == 0) {
            inBlockComment = true;
            i += 2;
            continue;
        }
        out.push_back(line[i++]);
    }
    return std::string(trimBlanks(out));
}

std::optional<AliasDef> parseAliasLine(std::string_view line) {
    line = trimBlanks(line);
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    std::string_view id = trimBlanks(line.substr(0, eq));
    std::string_view file = trimBlanks(line.substr(eq + 1));
    if (file.size() >= 2 && file.front() == '"' && file.back() == '"')
        file = trimBlanks(file.substr(1, file.size() - 2));
    if (!isIdentifier(id) || file.empty())
        return std::nullopt;
    return AliasDef{std::string(id), std::string(file)};
}

std::optional<MapDef> parseMapLine(std::string_view line) {
    line = trimBlanks(line);
    if (line.substr(0, 7) == "#define") {
        line = trimBlanks(line.substr(7));
    } else if (!line.empty() && line.front() == '#') {
        return std::nullopt; // #ifndef, #endif, #pragma, ...
    }
    std::size_t split = 0;
    while (split < line.size() && isIdChar(line[split]))
        ++split;
    std::string_view id = line.substr(0, split);
    std::string_view rest = trimBlanks(line.substr(split));
    if (!rest.empty() && rest.front() == '=')
        rest = trimBlanks(rest.substr(1));
    if (!isIdentifier(id) || rest.empty() || id.front() == '-')
        return std::nullopt;
    std::optional<std::uint32_t> number = parseNumber(rest);
    if (!number)
        return std::nullopt;
    return MapDef{std::string(id), *number};
}

std::optional<std::string> includeTarget(std::string_view line) {
    line = trimBlanks(line);
    if (line.substr(0, 8) != "#include")
        return std::nullopt;
    std::string_view name = trimBlanks(line.substr(8));
    if (name.size() >= 2 && ((name.front() == '"' && name.back() == '"') ||
                             (name.front() == '<' && name.back() == '>')))
        name = trimBlanks(name.substr(1, name.size() - 2));
    if (name.empty())
        return std::nullopt;
    return std::string(name);
}

ContextResolution resolveContextIds(const std::vector<AliasDef>& aliases,
                                    const std::vector<MapDef>& map) {
    ContextResolution result;
    // An exact match first; WinHelp took context strings regardless of case, and
    // projects rely on it, so then a match ignoring case. The first alias of an ID wins.
    std::unordered_map<std::string, const AliasDef*> byId;
    std::unordered_map<std::string, const AliasDef*> byFoldedId;
    for (const AliasDef& alias : aliases) {
        byId.emplace(alias.id, &alias);
        byFoldedId.emplace(asciiLower(alias.id), &alias);
    }

    std::unordered_set<std::string> mapped; // alias IDs a [MAP] line took
    std::map<std::uint32_t, std::string> byNumber;
    for (const MapDef& def : map) {
        const AliasDef* alias = nullptr;
        if (auto exact = byId.find(def.id); exact != byId.end()) {
            alias = exact->second;
        } else if (auto folded = byFoldedId.find(asciiLower(def.id)); folded != byFoldedId.end()) {
            alias = folded->second;
            result.caseMatched.push_back({def.id, alias->id});
        }
        if (!alias) {
            result.mapWithoutAlias.push_back(def.id);
            continue;
        }
        mapped.insert(alias->id);
        if (!byNumber.emplace(def.number, alias->file).second)
            result.duplicateNumbers.push_back(def.id);
    }
    for (const AliasDef& alias : aliases)
        if (!mapped.count(alias.id))
            result.aliasWithoutMap.push_back(alias.id);
    for (auto& [number, file] : byNumber)
        result.entries.push_back({number, file});
    return result;
}

} // namespace qm::chm
