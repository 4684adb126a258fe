#include "FileDialogs.h"

#include "WideText.h"
#include "ui/MainPresenter.h"

#include <commdlg.h>
#include <shobjidl.h>

#include <string>

namespace qm::win::filedialogs {

namespace {

// Filters are pairs of texts, each ended by a NUL, the whole by another: one per kind
// of document, as the window's logic lists them.
std::wstring sourceFilter() {
    std::wstring filter;
    for (const ui::MainPresenter::FileFilter& kind : ui::MainPresenter::sourceFilters()) {
        std::wstring patterns;
        for (const std::string& pattern : kind.patterns)
            patterns += (patterns.empty() ? L"" : L";") + wide(pattern);
        filter += wide(kind.name) + L" (" + patterns + L")" + L'\0' + patterns + L'\0';
    }
    return filter + L'\0';
}
const wchar_t kCodeFilter[] = L"Quillmark 附加代码文件 (*.ahtml)\0*.ahtml\0\0";

// Room for many selected files with long names.
constexpr std::size_t kNamesRoom = 64 * 1024;

OPENFILENAMEW dialogSetup(HWND owner, const wchar_t* title, const wchar_t* filter,
                          const std::wstring& folder, std::wstring& names) {
    OPENFILENAMEW setup{};
    setup.lStructSize = sizeof setup;
    setup.hwndOwner = owner;
    setup.lpstrFilter = filter;
    setup.lpstrFile = names.data();
    setup.nMaxFile = static_cast<DWORD>(names.size());
    setup.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    setup.lpstrTitle = title;
    setup.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    return setup;
}

// One full name, or a folder followed by the names in it, each ended by a NUL.
std::vector<std::filesystem::path> selectedFiles(const std::wstring& names) {
    std::vector<std::wstring> parts;
    for (std::size_t at = 0; at < names.size() && names[at] != L'\0';) {
        const std::size_t end = names.find(L'\0', at);
        parts.push_back(names.substr(at, end - at));
        at = end + 1;
    }
    std::vector<std::filesystem::path> files;
    if (parts.size() == 1)
        files.emplace_back(parts.front());
    for (std::size_t i = 1; i < parts.size(); ++i)
        files.push_back(std::filesystem::path(parts.front()) / parts[i]);
    return files;
}

} // namespace

std::vector<std::filesystem::path> openSourceFiles(HWND owner,
                                                   const std::filesystem::path& folder) {
    std::wstring names(kNamesRoom, L'\0');
    const std::wstring filter = sourceFilter();
    OPENFILENAMEW setup = dialogSetup(owner, L"打开文档", filter.c_str(), folder.native(), names);
    setup.Flags |= OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST;
    if (GetOpenFileNameW(&setup) == FALSE)
        return {};
    return selectedFiles(names);
}

std::filesystem::path openCodeFile(HWND owner, const std::filesystem::path& folder) {
    std::wstring names(kNamesRoom, L'\0');
    OPENFILENAMEW setup = dialogSetup(owner, L"打开附加代码", kCodeFilter, folder.native(), names);
    setup.Flags |= OFN_FILEMUSTEXIST;
    if (GetOpenFileNameW(&setup) == FALSE)
        return {};
    return std::filesystem::path(names.c_str());
}

std::filesystem::path saveCodeFile(HWND owner, const std::filesystem::path& folder) {
    std::wstring names(kNamesRoom, L'\0');
    OPENFILENAMEW setup = dialogSetup(owner, L"保存附加代码", kCodeFilter, folder.native(), names);
    setup.Flags |= OFN_OVERWRITEPROMPT;
    setup.lpstrDefExt = L"ahtml";
    if (GetSaveFileNameW(&setup) == FALSE)
        return {};
    return std::filesystem::path(names.c_str());
}

std::filesystem::path chooseFolder(HWND owner, const std::filesystem::path& folder) {
    IFileOpenDialog* dialog = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&dialog))))
        return {};
    std::filesystem::path chosen;
    DWORD options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM);
    dialog->SetTitle(L"选择输出目录");
    IShellItem* start = nullptr;
    if (!folder.empty() &&
        SUCCEEDED(SHCreateItemFromParsingName(folder.c_str(), nullptr, IID_PPV_ARGS(&start)))) {
        dialog->SetFolder(start);
        start->Release();
    }
    IShellItem* item = nullptr;
    if (SUCCEEDED(dialog->Show(owner)) && SUCCEEDED(dialog->GetResult(&item))) {
        wchar_t* name = nullptr;
        if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &name))) {
            chosen = name;
            CoTaskMemFree(name);
        }
        item->Release();
    }
    dialog->Release();
    return chosen;
}

} // namespace qm::win::filedialogs
