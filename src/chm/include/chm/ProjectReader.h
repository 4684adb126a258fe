#pragma once

#include "chm/Messages.h"
#include "chm/Project.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qm::chm {

// Reads an included header for [ALIAS]/[MAP]: given the name as the project wrote it
// (UTF-8, backslash or slash, relative to the project's folder), the raw bytes, or
// nullopt when there is no such file.
using IncludeLoader = std::function<std::optional<std::string>(const std::string& name)>;

// Parses the bytes of a project file (.hhp). The code page comes from the Language
// option (a UTF-8 byte-order mark overrides it); every text of the result is UTF-8.
// Lines may end in CR LF, LF or CR; keys and section names ignore case; values lose
// their surrounding blanks. Sections the compiler does not support ([TEXT POPUPS],
// [MERGE FILES], [SUBSETS], unknown ones) are warned about once and skipped. Never
// throws for malformed input; whatever cannot be understood is warned about. An
// #include of a file already being read (the project itself included) is a loop: it is
// skipped with one warning that names the chain.
Project parseProject(std::string_view bytes, const std::filesystem::path& projectFile,
                     const IncludeLoader& includes, Reporter& reporter);

// Why bytes are not a project file at all (the message that says it: empty, not text,
// no [OPTIONS] section), or nullopt when they may be one.
std::optional<Msg> notAProject(std::string_view bytes);

// One [WINDOWS] line ("name=..."), or nullopt when it has no name.
std::optional<WindowDef> parseWindowLine(std::string_view line);

// The LCID at the start of a Language value ("0x804 中文(中国)" → 0x804), or nullopt.
std::optional<std::uint32_t> parseLanguage(std::string_view value);

} // namespace qm::chm
