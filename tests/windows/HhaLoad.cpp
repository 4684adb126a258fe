// hha-load PROJECT.hhp: loads hha.dll as the programs written for HTML Help Workshop's
// library do (by name from the program's folder, the entry point by its undecorated
// name, __stdcall on 32-bit x86) and compiles the project with it. Exit 0 when the CHM
// was written.
#include <windows.h>

#include <cstdio>

namespace {

// The entry point and both callbacks: the callee removes the arguments.
using LogCallback = void(__stdcall*)(const char*);
using ProgressCallback = int(__stdcall*)(const char*);
using CompileHhp = int(__stdcall*)(const char*, LogCallback, ProgressCallback, int);

int logLines = 0;
int progressLines = 0;

void __stdcall log(const char* text) {
    std::printf("%s\n", text);
    ++logLines;
}

// True with all 32 bits set, as the programs written for HHA.DLL return it.
int __stdcall progress(const char*) {
    ++progressLines;
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: hha-load PROJECT.hhp\n", stderr);
        return 2;
    }
    HMODULE hha = LoadLibraryA("hha.dll");
    if (!hha) {
        std::printf("hha-load: LoadLibrary(hha.dll) failed, error %lu\n", GetLastError());
        return 3;
    }
    FARPROC entry = GetProcAddress(hha, "HHA_CompileHHP");
    if (!entry) {
        std::printf("hha-load: hha.dll has no HHA_CompileHHP\n");
        return 4;
    }
    const auto compile = reinterpret_cast<CompileHhp>(reinterpret_cast<void*>(entry));
    const int written = compile(argv[1], log, progress, 0);
    // No project: nothing is written and nothing unwinds into the caller.
    const int again = compile("", nullptr, nullptr, 0);
    FreeLibrary(hha);
    std::printf("hha-load: HHA_CompileHHP returned %d, then %d for no project; %d log and %d "
                "progress lines\n",
                written, again, logLines, progressLines);
    return written && !again && logLines > 0 && progressLines > 0 ? 0 : 1;
}
