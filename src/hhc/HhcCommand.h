#pragma once

#include "chm/Compiler.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// quillmark-hhc: compiles an existing HTML Help Workshop project with the compiler
// library, a thin host over qm::chm::compileProject.
namespace qm::hhc {

struct HhcOptions {
    std::filesystem::path project;
    chm::CompileOptions compile;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

struct ParsedArguments {
    HhcOptions options;
    std::string error; // empty when the arguments are usable
};

ParsedArguments parseArguments(const std::vector<std::string>& args);
std::string usageText();

// Runs the compile, printing log lines to out (errors to err) and progress lines to
// err. stop, when given, is polled at every progress line; once it is set (by a signal
// handler) the compile stops and writes no CHM. Returns the exit code: 0 when the CHM
// was written, 130 when it was stopped, 1 otherwise.
int runCompile(const HhcOptions& options, std::FILE* out, std::FILE* err,
               const volatile std::sig_atomic_t* stop = nullptr);

} // namespace qm::hhc
