#pragma once

#include <QString>

#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

// The crossing between the core's GBK byte strings and Qt's strings, used at every
// widget edge of the window.
namespace qm::widgettext {

QString fromGbk(std::string_view gbk);
std::string toGbk(const QString& text);

// A memo holds its line breaks as LF; the core reads and writes them as CR LF, exactly
// as the user typed them.
QString memoFromGbk(std::string_view gbk);
std::string memoToGbk(const QString& text);

// Text for a message box: the core's summary mixes CR LF with bare CRs, each of which
// is meant as a line break.
QString boxText(std::string_view gbk);

// The text of an error that ended an operation: the core's errors are GBK, anything
// else from the standard library is plain text.
QString errorText(const std::exception& error);

// Paths on disk in the file system's own encoding.
QString fromPath(const std::filesystem::path& path);
std::filesystem::path toPath(const QString& path);

} // namespace qm::widgettext
