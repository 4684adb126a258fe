#pragma once

#include "ui/ShellServices.h"

namespace qm {

// ShellServices over the desktop's own handlers (QDesktopServices) and the programs
// found on the PATH.
class DesktopShell : public ui::ShellServices {
public:
    void openPath(const std::filesystem::path& path) override;
    void openUrl(const std::string& address) override;
    std::vector<std::string> chmViewers() override;
    void openWith(const std::string& program, const std::filesystem::path& path) override;
};

} // namespace qm
