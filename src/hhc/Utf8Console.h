#pragma once

#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#endif

namespace qm::hhc {

// The arguments after the program's name in UTF-8. Windows hands main() the ANSI code
// page's bytes, which lose every character outside it; the wide command line keeps them.
inline std::vector<std::string> utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
    (void)argc;
    (void)argv;
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
#else
    return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

// The programs write UTF-8. On Windows a console shows its output code page's
// characters, so while the program runs the console is switched to UTF-8 (when the
// output goes to one), and put back as it was at the end. Output to a file or a pipe
// stays UTF-8.
class Utf8Console {
public:
#ifdef _WIN32
    Utf8Console() : previous_(GetConsoleOutputCP()) {
        DWORD mode = 0;
        if (previous_ != CP_UTF8 && (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) ||
                                     GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode)))
            switched_ = SetConsoleOutputCP(CP_UTF8) != 0;
    }
    ~Utf8Console() {
        if (switched_)
            SetConsoleOutputCP(previous_);
    }
#else
    Utf8Console() = default;
#endif
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
#ifdef _WIN32
    UINT previous_;
    bool switched_ = false;
#endif
};

} // namespace qm::hhc
