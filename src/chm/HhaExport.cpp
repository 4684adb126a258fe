// The stand-in for HHA.DLL: the one entry point the program loads at run time.
#include "chm/Compiler.h"

#include "platform/Files.h"
#include "platform/LibraryExport.h"

#include <string>

// HHA.DLL's convention: undecorated (hha.def), the callee cleans the stack on 32-bit x86,
// for the entry point and for both callbacks alike.
#define QM_HHA_EXPORT QM_LIBRARY_EXPORT(int)
#define QM_HHA_CALLBACK QM_LIBRARY_CALLBACK

namespace {

using LogCallback = void(QM_HHA_CALLBACK*)(const char*);
using ProgressCallback = int(QM_HHA_CALLBACK*)(const char*);

// Forwards the compiler's messages to the caller's callbacks as zero-terminated texts
// in the project's code page.
class CallbackListener : public qm::chm::CompileListener {
public:
    CallbackListener(LogCallback logFn, ProgressCallback progressFn)
        : log_(logFn), progress_(progressFn) {}

    void log(qm::chm::MessageKind, std::string_view text) override {
        if (log_)
            log_(std::string(text).c_str());
    }

    bool progress(std::string_view text) override {
        return progress_ ? progress_(std::string(text).c_str()) != 0 : true;
    }

private:
    LogCallback log_;
    ProgressCallback progress_;
};

} // namespace

// Compiles the project file (a UTF-8 path; ANSI on Windows) into the CHM its "Compiled file" names.
// Log and progress texts go to the callbacks (either may be null); a progress callback
// returning 0 stops the compile. Returns nonzero exactly when the CHM was written.
// The fourth argument is 0 for callers of HTML Help Workshop's library, which get its
// English; a Chinese language ID (primary language 0x04, such as 0x804) asks for Chinese.
extern "C" QM_HHA_EXPORT HHA_CompileHHP(const char* projectPath, LogCallback log,
                                        ProgressCallback progress, int language) {
    try {
        CallbackListener listener(log, progress);
        qm::chm::CompileOptions options;
        options.language =
            (language & 0x3FF) == 0x04 ? qm::chm::Language::Chinese : qm::chm::Language::English;
        if (!projectPath || !*projectPath) {
            // No project, no code page: Chinese goes out in GBK, as a Chinese caller reads it.
            qm::chm::Reporter(listener, "GBK", options.language)
                .error(qm::chm::Msg::NoProjectGiven);
            return 0;
        }
        qm::chm::CompileResult result =
            qm::chm::compileProject(qm::systemTextPath(projectPath), listener, options);
        return result.written ? 1 : 0;
    } catch (...) {
        return 0; // nothing may unwind into the caller
    }
}
