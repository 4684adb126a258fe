#pragma once

// What a run's tests stand in for: the window (a listener that keeps what it is told),
// the compiler library (the real compiler, linked in), and Word (its saved page).
#include "chm/Compiler.h"
#include "project/ProjectCompiler.h"
#include "run/Generator.h"
#include "run/RunListener.h"
#include "text/Gbk.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qm {

inline std::string g(const char* utf8) {
    return gbk::fromUtf8(utf8);
}

class FakeListener : public RunListener {
public:
    std::string title; // the last automatic title
    std::map<RunField, std::string> fields;
    std::vector<std::string> summaries, wordFailures, warnings;
    std::vector<FileReport> reports;
    int started = 0, finished = 0;
    std::size_t abortAtNodes = 0; // 0: never
    Generator* generator = nullptr;
    std::size_t nodes = 0;

    void showText(RunField f, const std::string& t) override { fields[f] = t; }
    void titleChosen(const std::string& t) override { title = t; }
    void runStarted() override { ++started; }
    void runFinished() override { ++finished; }
    void showSummary(const std::string& t) override { summaries.push_back(t); }
    void showWordFailure(const std::string& t) override { wordFailures.push_back(t); }
    void warning(const std::string& t) override { warnings.push_back(t); }
    void fileDone(const FileReport& r) override { reports.push_back(r); }
    std::function<void()> onFirstNode; // once, at the first node of the run
    void nodeAdded(const StructureNode&) override {
        if (++nodes == 1 && onFirstNode)
            onFirstNode();
    }
    void processEvents() override {
        if (abortAtNodes && nodes >= abortAtNodes && generator)
            generator->abort();
    }
};

// A compiler that reports what it was told and, when it succeeds, builds the CHM with
// the real compiler, passing on its warnings and errors.
class FakeCompiler : public ProjectCompiler {
public:
    bool succeed = true;
    std::vector<std::string> logLines;
    std::function<void()> beforeCompile;
    std::optional<std::int64_t> timestamp; // the CHM's; unset: now
    int calls = 0;
    bool compile(const std::filesystem::path& project, const LogFn& log,
                 const ProgressFn& progress) override {
        ++calls;
        progress("compiling");
        for (const std::string& l : logLines)
            log(l);
        if (!succeed)
            return false;
        if (beforeCompile)
            beforeCompile();
        struct Forward : chm::CompileListener {
            const LogFn& out;
            explicit Forward(const LogFn& l) : out(l) {}
            void log(chm::MessageKind kind, std::string_view text) override {
                if (kind != chm::MessageKind::Info)
                    out(std::string(text));
            }
            bool progress(std::string_view) override { return true; }
        } forward(log);
        chm::CompileOptions options;
        options.threads = 1;
        options.timestamp = timestamp;
        return chm::compileProject(project, forward, options).written;
    }
};

inline std::string wordPage(const std::string& bodyUtf8) {
    return g(("<html><head><title>t</title></head><body lang=ZH-CN><div class=Section1>" +
              bodyUtf8 + "</div></body></html>")
                 .c_str());
}

} // namespace qm
