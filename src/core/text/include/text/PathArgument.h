#pragma once

#include "text/Utf8Path.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace qm::text {

// The longest path and file name the programs take from a command line, in bytes.
inline constexpr std::size_t kMaxPathArgumentBytes = 4095;
inline constexpr std::size_t kMaxNameArgumentBytes = 255;

// Why a value given on a command line cannot be used (English, for the usage error),
// or empty when it can: an empty or blank value, or one longer than any file system
// takes.
inline std::string valueProblem(std::string_view value, std::size_t maxBytes) {
    if (value.empty())
        return "is empty";
    if (value.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos)
        return "is blank";
    if (value.size() > maxBytes)
        return "is longer than " + std::to_string(maxBytes) + " bytes";
    return {};
}

// The same for a path (UTF-8), whose every name must fit a file system too.
inline std::string pathProblem(std::string_view utf8) {
    std::string problem = valueProblem(utf8, kMaxPathArgumentBytes);
    if (!problem.empty())
        return problem;
    for (std::size_t start = 0; start < utf8.size();) {
        std::size_t end = utf8.find_first_of("/\\", start);
        if (end == std::string_view::npos)
            end = utf8.size();
        if (end - start > kMaxNameArgumentBytes)
            return "has a name longer than " + std::to_string(kMaxNameArgumentBytes) + " bytes";
        start = end + 1;
    }
    return {};
}

// A path value made absolute against the working folder; nullopt with the problem said
// when it cannot be used, or when that folder is gone (which std::filesystem::absolute
// would throw for).
inline std::optional<std::filesystem::path> absolutePathArgument(std::string_view utf8,
                                                                 std::string& problem) {
    problem = pathProblem(utf8);
    if (!problem.empty())
        return std::nullopt;
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(utf8Path(utf8), ec);
    if (ec) {
        problem = "cannot be found: the working folder is gone";
        return std::nullopt;
    }
    return path;
}

} // namespace qm::text
