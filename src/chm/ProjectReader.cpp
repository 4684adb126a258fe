#include "chm/ProjectReader.h"

#include "chm/ContextIds.h"
#include "chm/TextCodec.h"
#include "text/ByteString.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <set>

namespace qm::chm {
namespace {

constexpr int kMaxIncludeDepth = 8;

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

// "[FILES]" → "files"; empty for a line that is not a section header.
std::string sectionName(std::string_view line) {
    line = trimBlanks(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']')
        return {};
    return asciiLower(trimBlanks(line.substr(1, line.size() - 2)));
}

bool parseYes(std::string_view value) {
    std::string v = asciiLower(trimBlanks(value));
    return v == "yes" || v == "true" || v == "1" || v == "on";
}

std::optional<std::uint32_t> parseUnsigned(std::string_view text) {
    text = trimBlanks(text);
    if (text.empty() || text.size() > 24)
        return std::nullopt;
    std::string s(text);
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(s.c_str(), &end, 0);
    if (errno != 0 || end == s.c_str() || *end != '\0')
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

// Text in the project's encoding → UTF-8: a byte-order mark wins over the code page.
std::string decodeText(std::string_view bytes, const std::string& charset) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return TextCodec("UTF-8").toUtf8(bytes.substr(3));
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE")
        return TextCodec("UTF-16LE").toUtf8(bytes.substr(2));
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF")
        return TextCodec("UTF-16BE").toUtf8(bytes.substr(2));
    return TextCodec(charset).toUtf8(bytes);
}

// The Language option, read before the text is decoded: its line is ASCII up to the
// number whatever the code page.
std::optional<std::uint32_t> sniffLanguage(std::string_view text) {
    std::string section;
    for (std::string_view line : splitLines(text)) {
        std::string name = sectionName(line);
        if (!name.empty()) {
            section = name;
            continue;
        }
        if (section != "options")
            continue;
        std::size_t eq = line.find('=');
        if (eq != std::string_view::npos &&
            asciiLower(trimBlanks(line.substr(0, eq))) == "language")
            return parseLanguage(line.substr(eq + 1));
    }
    return std::nullopt;
}

// Splits a [WINDOWS] value at the commas that are outside quotes and brackets.
std::vector<std::string_view> splitWindowFields(std::string_view value) {
    std::vector<std::string_view> fields;
    bool quoted = false;
    int brackets = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '[')
            ++brackets;
        else if (!quoted && c == ']' && brackets > 0)
            --brackets;
        else if (!quoted && brackets == 0 && c == ',') {
            fields.push_back(trimBlanks(value.substr(start, i - start)));
            start = i + 1;
        }
    }
    fields.push_back(trimBlanks(value.substr(start)));
    return fields;
}

std::string unquote(std::string_view field) {
    field = trimBlanks(field);
    if (!field.empty() && field.front() == '"')
        field.remove_prefix(1);
    if (!field.empty() && field.back() == '"')
        field.remove_suffix(1);
    return std::string(field);
}

class Parser {
public:
    Parser(const std::filesystem::path& projectFile, const IncludeLoader& includes,
           Reporter& reporter)
        : includes_(includes), reporter_(reporter) {
        project_.file = projectFile;
        project_.folder = projectFile.parent_path();
        including_.push_back(includeKey(projectFile.filename().string()));
        includingNames_.push_back(projectFile.filename().string());
    }

    Project run(std::string_view bytes) {
        std::string text;
        bool hasBom = (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") ||
                      (bytes.size() >= 2 &&
                       (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF"));
        if (hasBom) {
            text = decodeText(bytes, "UTF-8");
            setLanguage(sniffLanguage(text));
        } else {
            setLanguage(sniffLanguage(bytes));
            text = decodeText(bytes, project_.charset);
        }
        parseLines(text);
        return std::move(project_);
    }

private:
    void setLanguage(std::optional<std::uint32_t> lcid) {
        if (lcid)
            project_.lcid = *lcid;
        CodePage cp = codePageForLcid(project_.lcid);
        project_.codePage = cp.number;
        project_.charset = cp.charset;
    }

    void parseLines(std::string_view text) {
        std::string section;
        for (std::string_view raw : splitLines(text)) {
            std::string name = sectionName(raw);
            if (!name.empty()) {
                section = name;
                if (section != "options" && section != "windows" && section != "files" &&
                    section != "alias" && section != "map" && section != "infotypes" &&
                    section != "text popups" && warnedSections_.insert(section).second)
                    reporter_.warning(Msg::SectionUnsupported,
                                      {trimBlanks(raw).substr(1, trimBlanks(raw).size() - 2)});
                continue;
            }
            std::string_view line = trimBlanks(raw);
            if (line.empty() || line.front() == ';')
                continue;
            if (section == "options")
                option(line);
            else if (section == "windows")
                window(line);
            else if (section == "files")
                project_.files.emplace_back(line);
            else if (section == "alias")
                aliasLine(line, 0);
            else if (section == "map")
                mapLine(line, 0);
            else if (section == "text popups")
                project_.textPopups.emplace_back(line);
        }
    }

    void option(std::string_view line) {
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            return;
        std::string key = asciiLower(trimBlanks(line.substr(0, eq)));
        std::string value(trimBlanks(line.substr(eq + 1)));
        if (key == "compiled file")
            project_.compiledFile = value;
        else if (key == "contents file")
            project_.contentsFile = value;
        else if (key == "index file")
            project_.indexFile = value;
        else if (key == "default topic")
            project_.defaultTopic = value;
        else if (key == "title")
            project_.title = value;
        else if (key == "default window")
            project_.defaultWindow = value;
        else if (key == "default font")
            project_.defaultFont = value;
        else if (key == "full-text search")
            project_.fullTextSearch = parseYes(value);
        else if (key == "binary toc")
            project_.binaryToc = parseYes(value);
        else if (key == "binary index")
            project_.binaryIndex = parseYes(value);
        else if (key == "display compile progress")
            project_.displayCompileProgress = parseYes(value);
    }

    void window(std::string_view line) {
        if (std::optional<WindowDef> def = parseWindowLine(line))
            project_.windows.push_back(std::move(*def));
        else
            reporter_.warning(Msg::WindowWithoutName);
    }

    void aliasLine(std::string_view line, int depth) {
        if (std::optional<std::string> target = includeTarget(line)) {
            include(*target, depth, true);
            return;
        }
        if (!line.empty() && line.front() == '#')
            return;
        if (std::optional<AliasDef> def = parseAliasLine(line))
            project_.aliases.push_back(std::move(*def));
        else if (depth == 0)
            reporter_.warning(Msg::AliasLineNotUnderstood, {line});
    }

    void mapLine(std::string_view line, int depth) {
        if (std::optional<std::string> target = includeTarget(line)) {
            include(*target, depth, false);
            return;
        }
        if (std::optional<MapDef> def = parseMapLine(line))
            project_.map.push_back(std::move(*def));
        else if (depth == 0 && !(line.front() == '#'))
            reporter_.warning(Msg::MapLineNotUnderstood, {line});
    }

    void include(const std::string& name, int depth, bool alias) {
        if (depth >= kMaxIncludeDepth) {
            reporter_.warning(Msg::IncludeTooDeep, {name});
            return;
        }
        // Every name is relative to the project's folder, so one spelling is one file.
        const std::string key = includeKey(name);
        auto open = std::find(including_.begin(), including_.end(), key);
        if (open != including_.end()) {
            std::string loop;
            for (std::size_t i = static_cast<std::size_t>(open - including_.begin());
                 i < includingNames_.size(); ++i)
                loop += includingNames_[i] + " -> ";
            reporter_.warning(Msg::IncludeLoop, {name, loop + name});
            return;
        }
        std::optional<std::string> bytes = includes_ ? includes_(name) : std::nullopt;
        if (!bytes) {
            reporter_.warning(Msg::IncludeMissing, {name});
            return;
        }
        including_.push_back(key);
        includingNames_.push_back(name);
        std::string text = decodeText(*bytes, project_.charset);
        bytes.reset();
        bool inComment = false;
        for (std::string_view raw : splitLines(text)) {
            std::string line = stripComment(raw, inComment);
            if (line.empty())
                continue;
            if (alias)
                aliasLine(line, depth + 1);
            else
                mapLine(line, depth + 1);
        }
        including_.pop_back();
        includingNames_.pop_back();
    }

    static std::string includeKey(std::string_view name) {
        std::string slashed(name);
        for (char& c : slashed)
            if (c == '\\')
                c = '/';
        return asciiLower(std::filesystem::path(slashed).lexically_normal().generic_string());
    }

    const IncludeLoader& includes_;
    Reporter& reporter_;
    Project project_;
    // The files being read, the project's first: an include of one of them is a loop.
    std::vector<std::string> including_;      // as includeKey() gives them
    std::vector<std::string> includingNames_; // as written
    std::set<std::string> warnedSections_;
};

} // namespace

std::optional<Msg> notAProject(std::string_view bytes) {
    const bool wide = bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF";
    const std::string text = decodeText(bytes, "windows-1252");
    if (trimBlanks(text).empty())
        return Msg::ProjectEmpty;
    // A NUL never occurs in the text of a project; an image or a CHM has many.
    if ((!wide && bytes.find('\0') != std::string_view::npos) ||
        text.find('\0') != std::string::npos)
        return Msg::ProjectNotText;
    for (std::string_view line : splitLines(text))
        if (sectionName(line) == "options")
            return std::nullopt;
    return Msg::ProjectWithoutOptions;
}

std::optional<std::uint32_t> parseLanguage(std::string_view value) {
    value = trimBlanks(value);
    std::size_t end = 0;
    while (end < value.size() && !isBlank(value[end]))
        ++end;
    std::optional<std::uint32_t> lcid = parseUnsigned(value.substr(0, end));
    if (!lcid || *lcid == 0 || *lcid > 0xFFFF)
        return std::nullopt;
    return lcid;
}

std::optional<WindowDef> parseWindowLine(std::string_view line) {
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    WindowDef def;
    def.name = std::string(trimBlanks(line.substr(0, eq)));
    if (def.name.empty())
        return std::nullopt;
    std::vector<std::string_view> f = splitWindowFields(line.substr(eq + 1));
    auto text = [&](std::size_t i) { return i < f.size() ? unquote(f[i]) : std::string(); };
    auto number = [&](std::size_t i) -> std::optional<std::uint32_t> {
        return i < f.size() ? parseUnsigned(f[i]) : std::nullopt;
    };
    def.caption = text(0);
    def.toc = text(1);
    def.index = text(2);
    def.defaultFile = text(3);
    def.homeFile = text(4);
    def.jump1Url = text(5);
    def.jump1Text = text(6);
    def.jump2Url = text(7);
    def.jump2Text = text(8);
    def.navigationStyle = number(9);
    def.navigationWidth = number(10);
    def.buttons = number(11);
    if (f.size() > 12) {
        std::string_view rect = trimBlanks(f[12]);
        if (rect.size() >= 2 && rect.front() == '[' && rect.back() == ']') {
            std::vector<std::string_view> parts =
                splitWindowFields(rect.substr(1, rect.size() - 2));
            for (std::size_t i = 0; i < 4 && i < parts.size(); ++i)
                if (std::optional<std::uint32_t> v = parseUnsigned(parts[i])) {
                    def.rect[i] = static_cast<std::int32_t>(*v);
                    def.hasRect = true;
                }
        }
    }
    def.style = number(13);
    def.extendedStyle = number(14);
    def.showState = number(15);
    def.navigationClosed = number(16);
    def.defaultPane = number(17);
    def.panePosition = number(18);
    def.notificationId = number(19);
    return def;
}

Project parseProject(std::string_view bytes, const std::filesystem::path& projectFile,
                     const IncludeLoader& includes, Reporter& reporter) {
    return Parser(projectFile, includes, reporter).run(bytes);
}

} // namespace qm::chm
