#pragma once

#include "project/ProjectCompiler.h"

#include <functional>
#include <string>

namespace qm {

// The compiler library (libhha.so, exporting HHA_CompileHHP), loaded at run time by
// name: from the executable's folder first, then through the system's search. There
// is at most one per process, reached through GetChmCompiler.
class ChmLibrary {
public:
    // Loads the library and resolves HHA_CompileHHP; throws qm::Error
    // "System Error.  Code: %d.\r\n%s" when either is missing.
    ChmLibrary();
    virtual ~ChmLibrary();
    ChmLibrary(const ChmLibrary&) = delete;
    ChmLibrary& operator=(const ChmLibrary&) = delete;

    std::function<void(const std::string&)> onLog;
    std::function<bool(const std::string&)> onProgress;

    // True exactly when the library reports that the CHM was written.
    bool compile(const std::string& projectPath);

    // The library's file name, and the path it was loaded from.
    static const char* libraryName();
    const std::string& loadedFrom() const { return loadedFrom_; }

private:
    void* library_ = nullptr;
    int (*compile_)(const char*, void (*)(const char*), int (*)(const char*), int) = nullptr;
    std::string loadedFrom_;
};

// The process-wide compiler, constructed on first use. A failed construction stores
// nothing, so the next call tries the load again.
ChmLibrary& chmLibrary();

// Where the program looks for the library first (tests point it elsewhere); empty
// means the executable's own folder.
void setChmLibrarySearchFolder(const std::string& folder);

// The compile step of a run over the process-wide compiler.
class ChmCompiler : public ProjectCompiler {
public:
    bool compile(const std::filesystem::path& project, const LogFn& log,
                 const ProgressFn& progress) override;
};

} // namespace qm
