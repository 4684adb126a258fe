#include "CliListener.h"

#include "JsonReport.h"
#include "platform/Console.h"
#include "platform/Interruption.h"
#include "text/Gbk.h"
#include "word/StopFlag.h"

#include <csignal>
#include <cstdio>

namespace qm::cli {
namespace {

volatile std::sig_atomic_t interruptFlag = 0;
StopFlag* stopRequested = nullptr; // the run's flag, set from the handler (lock-free)

void interruptRun() {
    interruptFlag = 1;
    if (stopRequested != nullptr)
        stopRequested->set();
}

} // namespace

// Message boxes break lines with CR LF or a bare CR; a terminal wants LF.
std::string terminalText(const std::string& gbk) {
    std::string text = gbk::toDisplayUtf8(gbk); // names as the user typed them
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

CliListener::CliListener(const CliOptions& options)
    : options_(options), terminal_(isTerminal(stderr)) {}

void CliListener::installInterruptHandler(StopFlag& stop) {
    stopRequested = &stop;
    onInterrupt(interruptRun);
}

bool CliListener::interrupted() {
    return interruptFlag != 0;
}

void CliListener::clearBar() {
    if (barShown_) {
        std::fputs("\r\033[K", stderr);
        barShown_ = false;
    }
}

void CliListener::line(const std::string& utf8) {
    if (options_.quiet)
        return;
    clearBar();
    std::fprintf(stderr, "%s\n", utf8.c_str());
}

void CliListener::showText(RunField field, const std::string& text) {
    switch (field) {
    case RunField::SourceFileName:
        fileName_ = gbk::toUtf8(text);
        break;
    case RunField::FileCount:
        // The file's heading opens its lines. What the run said before the first file
        // (the batch's conversion) stands for the first file's steps too.
        fileCount_ = text;
        if (filesShown_++ > 0)
            statusShown_.clear();
        line(text + " " + fileName_);
        break;
    case RunField::Status:
        // The scan's counter goes to the bar; everything else (conversion, compiler
        // messages) is worth a line, once per file: the compiler repeats its last line
        // while it works on a large file.
        if (!text.empty() && text.find('/') == std::string::npos &&
            statusShown_.insert(text).second)
            line("  " + terminalText(text));
        break;
    default:
        break;
    }
}

void CliListener::scanProgress(std::int64_t done, std::int64_t total, std::size_t nodes) {
    if (options_.quiet || !terminal_)
        return;
    constexpr int kWidth = 30;
    int filled = total > 0 ? static_cast<int>(done * kWidth / total) : kWidth;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kWidth, '.');
    std::fprintf(stderr, "\r\033[K  %s [%s] %.1f/%.1f MB, %zu topics", fileCount_.c_str(),
                 bar.c_str(), static_cast<double>(done) / 1e6, static_cast<double>(total) / 1e6,
                 nodes);
    barShown_ = true;
}

void CliListener::fileDone(const FileReport& report) {
    if (!options_.json)
        return;
    clearBar();
    std::printf("%s\n", jsonLine(report).c_str());
    std::fflush(stdout);
}

void CliListener::showSummary(const std::string& text) {
    if (options_.json)
        return;
    clearBar();
    std::printf("%s\n", terminalText(text).c_str());
    std::fflush(stdout);
}

void CliListener::showWordFailure(const std::string& text) {
    clearBar();
    std::fprintf(stderr, "%s\n", terminalText(text).c_str());
}

// Warnings are no progress: they show also with --quiet.
void CliListener::warning(const std::string& text) {
    clearBar();
    std::fprintf(stderr, "  %s\n", terminalText(text).c_str());
}

void CliListener::processEvents() {
    if (interruptFlag)
        clearBar();
}

} // namespace qm::cli
