#pragma once

#include <QString>
#include <QStringList>

#include <filesystem>

namespace qm {

// The desktop's "open with the default program": topic pages, folders, the preview
// page and the maker's web page; and the CHM viewers. Nothing is reported back; the
// program never waits.
class ShellServices {
public:
    virtual ~ShellServices() = default;
    virtual void openPath(const std::filesystem::path& path) = 0;
    virtual void openUrl(const QString& address) = 0;
    // The CHM viewers installed, by program name, best first.
    virtual QStringList chmViewers() = 0;
    virtual void openWith(const QString& program, const std::filesystem::path& path) = 0;
};

} // namespace qm
