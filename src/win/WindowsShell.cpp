#include "WindowsShell.h"

#include "WideText.h"

#include <windows.h>

#include <shellapi.h>

namespace qm::win {

namespace {

std::filesystem::path absolutePath(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute;
}

// The shell shows its own message when nothing opens the file; the window reports
// nothing either way.
void shellOpen(const wchar_t* file, const wchar_t* parameters) {
    ShellExecuteW(nullptr, L"open", file, parameters, nullptr, SW_SHOWNORMAL);
}

} // namespace

void WindowsShell::openPath(const std::filesystem::path& path) {
    shellOpen(absolutePath(path).make_preferred().c_str(), nullptr);
}

void WindowsShell::openUrl(const std::string& address) {
    shellOpen(wide(address).c_str(), nullptr);
}

// hh.exe comes with every Windows; a system without it still opens a CHM through its
// file association.
std::vector<std::string> WindowsShell::chmViewers() {
    return {"hh.exe"};
}

void WindowsShell::openWith(const std::string& program, const std::filesystem::path& path) {
    const std::wstring quoted = L"\"" + absolutePath(path).make_preferred().native() + L"\"";
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
        nullptr, L"open", wide(program).c_str(), quoted.c_str(), nullptr, SW_SHOWNORMAL));
    if (result <= 32)
        openPath(path);
}

} // namespace qm::win
