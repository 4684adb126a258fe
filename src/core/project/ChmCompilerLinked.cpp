// The compile step where the compiler is linked into the program (the Windows build):
// the project's path goes to it as a path, so that every character of it is kept, where
// HHA_CompileHHP would take it in the ANSI code page.
#include "project/ChmCompiler.h"

#include "chm/Compiler.h"

namespace qm {
namespace {

// Hands the compiler's messages on as the library's callbacks would: texts in the
// project's code page.
class Listener : public chm::CompileListener {
public:
    Listener(const ProjectCompiler::LogFn& log, const ProjectCompiler::ProgressFn& progress)
        : log_(log), progress_(progress) {}

    void log(chm::MessageKind, std::string_view text) override {
        if (log_)
            log_(std::string(text));
    }
    bool progress(std::string_view text) override {
        return progress_ ? progress_(std::string(text)) : true;
    }

private:
    const ProjectCompiler::LogFn& log_;
    const ProjectCompiler::ProgressFn& progress_;
};

} // namespace

bool ChmCompiler::compile(const std::filesystem::path& project, const LogFn& log,
                          const ProgressFn& progress) {
    Listener listener(log, progress);
    return chm::compileProject(project, listener).written;
}

} // namespace qm
