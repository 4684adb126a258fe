#include "project/ChmCompiler.h"

#include "platform/Files.h"
#include "text/Error.h"

#include <cassert>
#include <dlfcn.h>
#include <filesystem>
#include <memory>
#include <vector>

namespace qm {
namespace {

std::unique_ptr<ChmLibrary> loadedLibrary;
std::string librarySearchFolder;

// The codes Windows gives for a missing module and a missing entry point, so that
// the message reads as users of the help compiler know it.
constexpr int kModuleNotFound = 126;
constexpr int kProcNotFound = 127;

[[noreturn]] void throwSystemError(int code, const char* text) {
    std::string message = text && *text ? text : "A call to an OS function failed";
    throw Error("System Error.  Code: " + std::to_string(code) + ".\r\n" + message);
}

// Debian's name for this machine's library folder.
constexpr const char* kMultiarch =
#if defined(__x86_64__) && defined(__LP64__)
    "x86_64-linux-gnu";
#elif defined(__aarch64__)
    "aarch64-linux-gnu";
#else
    "";
#endif

// Beside the program first (the build tree); installed, the library lies in a private
// folder under lib/, which the system's search does not reach.
std::vector<std::string> libraryCandidates(const std::string& folder) {
    std::vector<std::string> paths{folder + "/" + ChmLibrary::libraryName()};
    std::vector<std::string> privateFolders{"../lib/quillmark"};
    if (*kMultiarch)
        privateFolders.insert(privateFolders.begin(),
                              std::string("../lib/") + kMultiarch + "/quillmark");
    for (const std::string& sub : privateFolders)
        paths.push_back((std::filesystem::path(folder) / sub / ChmLibrary::libraryName())
                            .lexically_normal()
                            .string());
    return paths;
}

void logCallback(const char* text) {
    assert(loadedLibrary && "ChmCompiler: callback without a compiler");
    if (loadedLibrary && loadedLibrary->onLog)
        loadedLibrary->onLog(text ? text : "");
}

int progressCallback(const char* text) {
    assert(loadedLibrary && "ChmCompiler: callback without a compiler");
    if (!loadedLibrary || !loadedLibrary->onProgress)
        return -1; // true, all bits set
    return loadedLibrary->onProgress(text ? text : "") ? -1 : 0;
}

} // namespace

const char* ChmLibrary::libraryName() {
    return "libhha.so";
}

ChmLibrary::ChmLibrary() {
    std::string folder =
        librarySearchFolder.empty() ? executableFolder().string() : librarySearchFolder;
    for (const std::string& path : libraryCandidates(folder)) {
        if (std::filesystem::exists(path)) {
            library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            loadedFrom_ = path;
            break;
        }
    }
    if (!library_) {
        library_ = dlopen(libraryName(), RTLD_NOW | RTLD_LOCAL);
        loadedFrom_ = libraryName();
    }
    if (!library_)
        throwSystemError(kModuleNotFound, dlerror());
    void* entry = dlsym(library_, "HHA_CompileHHP");
    if (!entry) {
        std::string text = dlerror();
        dlclose(library_);
        library_ = nullptr;
        throwSystemError(kProcNotFound, text.c_str());
    }
    compile_ = reinterpret_cast<decltype(compile_)>(entry);
}

ChmLibrary::~ChmLibrary() {
    compile_ = nullptr;
    if (library_)
        dlclose(library_);
}

// The program speaks Chinese: the library's fourth argument asks for its messages in
// Chinese (zh-CN's language ID).
constexpr int kChineseMessages = 0x0804;

bool ChmLibrary::compile(const std::string& projectPath) {
    return compile_(projectPath.c_str(), logCallback, progressCallback, kChineseMessages) != 0;
}

ChmLibrary& chmLibrary() {
    if (!loadedLibrary)
        loadedLibrary = std::make_unique<ChmLibrary>();
    return *loadedLibrary;
}

void setChmLibrarySearchFolder(const std::string& folder) {
    librarySearchFolder = folder;
}

bool ChmCompiler::compile(const std::filesystem::path& project, const LogFn& log,
                          const ProgressFn& progress) {
    ChmLibrary& compiler = chmLibrary();
    compiler.onLog = log;
    compiler.onProgress = progress;
    return compiler.compile(project.string());
}

} // namespace qm
