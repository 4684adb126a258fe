#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qm::ui {

// The desktop's "open with the default program": topic pages, folders, the preview
// page and the maker's web page; and the CHM viewers. Nothing is reported back; the
// program never waits. Addresses and program names are UTF-8.
class ShellServices {
public:
    virtual ~ShellServices() = default;
    virtual void openPath(const std::filesystem::path& path) = 0;
    virtual void openUrl(const std::string& address) = 0;
    // The CHM viewers installed, by program name, best first.
    virtual std::vector<std::string> chmViewers() = 0;
    virtual void openWith(const std::string& program, const std::filesystem::path& path) = 0;
};

} // namespace qm::ui
