// hha-load PROJECT.hhp: loads hha.dll as the programs written for HTML Help Workshop's
// library do (by name from the program's folder, the entry point by its undecorated
// name, __stdcall on 32-bit x86) and compiles the project with it. Exit 0 when the CHM
// was written.
#include <windows.h>

#include <cstdint>
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

// Calls the entry point. On 32-bit x86 it also tells whether the stack pointer is the
// same after the call as before: a __stdcall callee removes its 16 bytes of arguments.
int compileChecked(CompileHhp compile, const char* project, LogCallback logFn,
                   ProgressCallback progressFn, bool& balanced) {
#if defined(__i386__)
    std::uintptr_t before = 0, after = 0;
    asm volatile("movl %%esp, %0" : "=r"(before));
    const int result = compile(project, logFn, progressFn, 0);
    asm volatile("movl %%esp, %0" : "=r"(after));
    balanced = before == after;
    return result;
#else
    balanced = true;
    return compile(project, logFn, progressFn, 0);
#endif
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
    bool balanced = false, balancedAgain = false;
    const int written = compileChecked(compile, argv[1], log, progress, balanced);
    // No project: nothing is written and nothing unwinds into the caller.
    const int again = compileChecked(compile, "", nullptr, nullptr, balancedAgain);
    FreeLibrary(hha);
    std::printf("hha-load: HHA_CompileHHP returned %d, then %d for no project; %d log and %d "
                "progress lines; the stack %s\n",
                written, again, logLines, progressLines,
                balanced && balancedAgain ? "as it was" : "NOT as it was after the call");
    return written && !again && logLines > 0 && progressLines > 0 && balanced && balancedAgain ? 0
                                                                                               : 1;
}
