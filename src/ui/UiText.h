#pragma once

#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

// The crossing between the core's GBK byte strings and the view's UTF-8 texts.
namespace qm::ui::uitext {

std::string fromGbk(std::string_view gbk); // GBK to UTF-8
std::string toGbk(std::string_view utf8);  // UTF-8 to GBK

// A memo holds its line breaks as LF; the core reads and writes them as CR LF, exactly
// as the user typed them.
std::string memoFromGbk(std::string_view gbk);
std::string memoToGbk(std::string_view utf8);

// Text for a message box: the core's summary mixes CR LF with bare CRs, each of which
// is meant as a line break.
std::string boxText(std::string_view gbk);

// The text of an error that ended an operation: the core's errors are GBK, anything
// else from the standard library is plain text.
std::string errorText(const std::exception& error);

// Paths as the view shows and takes them (UTF-8 on this side).
std::string fromPath(const std::filesystem::path& path);
std::filesystem::path toPath(std::string_view utf8);

// Without leading and trailing white space.
std::string trimmed(std::string_view text);

} // namespace qm::ui::uitext
