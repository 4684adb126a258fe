#include "platform/Console.h"

#include <windows.h>

#include <io.h>
#include <shellapi.h>

namespace qm {

std::vector<std::string> utf8Arguments(int, char**) {
    std::vector<std::string> args;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; wide && i < count; ++i) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), n, nullptr, nullptr);
        arg.resize(arg.size() - 1);
        args.push_back(std::move(arg));
    }
    LocalFree(wide);
    return args;
}

bool isTerminal(std::FILE* stream) {
    HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode))
        return false;
    // The progress bar's cursor controls need the console's terminal mode.
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

Utf8Console::Utf8Console() : previous_(GetConsoleOutputCP()) {
    DWORD mode = 0;
    if (previous_ != CP_UTF8 && (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) ||
                                 GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode)))
        switched_ = SetConsoleOutputCP(CP_UTF8) != 0;
}

Utf8Console::~Utf8Console() {
    if (switched_)
        SetConsoleOutputCP(previous_);
}

} // namespace qm
