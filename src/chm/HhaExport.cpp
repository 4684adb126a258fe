// The stand-in for HHA.DLL: the one entry point the program loads at run time.
#include "chm/Compiler.h"

#include <string>

namespace {

// Forwards the compiler's messages to the caller's callbacks as zero-terminated texts
// in the project's code page.
class CallbackListener : public qm::chm::CompileListener {
public:
    CallbackListener(void (*logFn)(const char*), int (*progressFn)(const char*))
        : log_(logFn), progress_(progressFn) {}

    void log(qm::chm::MessageKind, std::string_view text) override {
        if (log_)
            log_(std::string(text).c_str());
    }

    bool progress(std::string_view text) override {
        return progress_ ? progress_(std::string(text).c_str()) != 0 : true;
    }

private:
    void (*log_)(const char*);
    int (*progress_)(const char*);
};

} // namespace

// Compiles the project file (a UTF-8 path) into the CHM its "Compiled file" names.
// Log and progress texts go to the callbacks (either may be null); a progress callback
// returning 0 stops the compile. Returns nonzero exactly when the CHM was written.
// The fourth argument is reserved (0).
extern "C" __attribute__((visibility("default"))) int HHA_CompileHHP(const char* projectPath,
                                                                     void (*log)(const char*),
                                                                     int (*progress)(const char*),
                                                                     int /*reserved*/) {
    try {
        CallbackListener listener(log, progress);
        if (!projectPath || !*projectPath) {
            listener.log(qm::chm::MessageKind::Error, "Error: no project file was given.");
            return 0;
        }
        qm::chm::CompileResult result =
            qm::chm::compileProject(std::filesystem::path(projectPath), listener);
        return result.written ? 1 : 0;
    } catch (...) {
        return 0; // nothing may unwind into the caller
    }
}
