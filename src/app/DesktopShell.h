#pragma once

#include "ShellServices.h"

namespace qm {

// ShellServices over the desktop's own handlers (QDesktopServices) and the programs
// found on the PATH.
class DesktopShell : public ShellServices {
public:
    void openPath(const std::filesystem::path& path) override;
    void openUrl(const QString& address) override;
    QStringList chmViewers() override;
    void openWith(const QString& program, const std::filesystem::path& path) override;
};

} // namespace qm
