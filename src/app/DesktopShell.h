#pragma once

#include "ShellServices.h"

namespace qm {

// ShellServices over the desktop's own handlers (QDesktopServices).
class DesktopShell : public ShellServices {
public:
    void openPath(const std::filesystem::path& path) override;
    void openUrl(const QString& address) override;
};

} // namespace qm
