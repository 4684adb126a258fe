// quillmark-gui.exe: the desktop window on Windows.
#include "MainWindow.h"
#include "RegistrySettingsStore.h"
#include "WindowsShell.h"
#include "project/ChmCompiler.h"
#include "word/ConverterChoice.h"

#include <windows.h>

#include <memory>

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

namespace {

std::filesystem::path programFolder() {
    std::wstring name(32768, L'\0');
    name.resize(GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size())));
    return std::filesystem::path(name).parent_path();
}

// The user's own stored additional code: %APPDATA%\Quillmark.
std::filesystem::path userFolder() {
    wchar_t* roaming = nullptr;
    std::filesystem::path folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_CREATE, nullptr, &roaming)))
        folder = std::filesystem::path(roaming) / L"Quillmark";
    CoTaskMemFree(roaming);
    return folder;
}

// The files named on the command line (Explorer's "Open with", a drop on the program).
std::vector<std::filesystem::path> namedFiles() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::filesystem::path> files;
    for (int i = 1; arguments != nullptr && i < count; ++i)
        files.emplace_back(arguments[i]);
    LocalFree(arguments);
    return files;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // The manifest asks for per-monitor dpi; a system that ignores it scales the window.
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_STANDARD_CLASSES | ICC_TREEVIEW_CLASSES |
                                            ICC_PROGRESS_CLASS | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    // The folder dialog and the shell are COM's.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    qm::win::RegistrySettingsStore store(L"Software\\Quillmark");
    qm::win::WindowsShell shell;
    const std::unique_ptr<qm::DocumentConverter> converter = qm::makeDocumentConverter();
    qm::ChmCompiler compiler;
    int status = 1;
    {
        qm::win::MainWindow window(
            instance, {store, shell, converter.get(), &compiler, programFolder(), userFolder()});
        if (window.create(showCommand)) {
            window.openFiles(namedFiles());
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0)
                if (!window.translate(message)) {
                    TranslateMessage(&message);
                    DispatchMessageW(&message);
                }
            status = static_cast<int>(message.wParam);
        }
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return status;
}
