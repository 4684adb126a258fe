#pragma once

#include <windows.h>

#include <filesystem>
#include <vector>

// The system's file dialogs, owned by the window; each starts in folder and gives an
// empty answer when the user cancels.
namespace qm::win::filedialogs {

std::vector<std::filesystem::path> openSourceFiles(HWND owner, const std::filesystem::path& folder);
std::filesystem::path openCodeFile(HWND owner, const std::filesystem::path& folder);
std::filesystem::path saveCodeFile(HWND owner, const std::filesystem::path& folder);
std::filesystem::path chooseFolder(HWND owner, const std::filesystem::path& folder);

} // namespace qm::win::filedialogs
