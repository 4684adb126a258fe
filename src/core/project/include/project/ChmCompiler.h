#pragma once

#include "project/ProjectCompiler.h"

#include <functional>
#include <string>

namespace qm {

// The compiler library (libhha.so, exporting HHA_CompileHHP), loaded at run time by
// name: from the executable's folder first, then through the system's search. There
// is at most one per process, reached through GetChmCompiler.
class TChmCompiler {
public:
    // Loads the library and resolves HHA_CompileHHP; throws qm::Error
    // "System Error.  Code: %d.\r\n%s" when either is missing.
    TChmCompiler();
    virtual ~TChmCompiler();
    TChmCompiler(const TChmCompiler&) = delete;
    TChmCompiler& operator=(const TChmCompiler&) = delete;

    std::function<void(const std::string&)> OnLog;
    std::function<bool(const std::string&)> OnProgress;

    // True exactly when the library reports that the CHM was written.
    bool Compile(const std::string& projectPath);

    // The library's file name, and the path it was loaded from.
    static const char* LibraryName();
    const std::string& loadedFrom() const { return loadedFrom_; }

private:
    void* library_ = nullptr;
    int (*compile_)(const char*, void (*)(const char*), int (*)(const char*), int) = nullptr;
    std::string loadedFrom_;
};

// The process-wide compiler, constructed on first use. A failed construction stores
// nothing, so the next call tries the load again.
TChmCompiler& GetChmCompiler();

// Where the program looks for the library first (tests point it elsewhere); empty
// means the executable's own folder.
void SetChmCompilerSearchFolder(const std::string& folder);

// The compile step of a run over the process-wide compiler.
class ChmCompiler : public ProjectCompiler {
public:
    bool compile(const std::filesystem::path& project, const LogFn& log,
                 const ProgressFn& progress) override;
};

} // namespace qm
