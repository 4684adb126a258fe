#pragma once

#include <QString>

#include <filesystem>
#include <string_view>

// The crossing between the core's GBK byte strings, paths on disk and Qt's strings at
// the widget edges the presenter does not cover (its own texts are UTF-8, see
// ui/MainView.h).
namespace qm::widgettext {

QString fromGbk(std::string_view gbk);

// Paths on disk in the file system's own encoding.
QString fromPath(const std::filesystem::path& path);
std::filesystem::path toPath(const QString& path);

} // namespace qm::widgettext
