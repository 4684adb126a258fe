#pragma once

#include <QString>

#include <filesystem>

namespace qm {

// The desktop's "open with the default program": topic pages, folders, the preview
// page and the maker's web page. Nothing is reported back; the program never waits.
class ShellServices {
public:
    virtual ~ShellServices() = default;
    virtual void openPath(const std::filesystem::path& path) = 0;
    virtual void openUrl(const QString& address) = 0;
};

} // namespace qm
