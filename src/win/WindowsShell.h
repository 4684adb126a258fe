#pragma once

#include "ui/ShellServices.h"

namespace qm::win {

// The Windows shell opens pages, folders and addresses with the user's programs; a CHM
// opens in Windows' own help viewer (hh.exe), as a double click on it in Explorer does.
class WindowsShell : public ui::ShellServices {
public:
    void openPath(const std::filesystem::path& path) override;
    void openUrl(const std::string& address) override;
    std::vector<std::string> chmViewers() override;
    void openWith(const std::string& program, const std::filesystem::path& path) override;
};

} // namespace qm::win
