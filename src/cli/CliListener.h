#pragma once

#include "CliOptions.h"
#include "run/RunListener.h"

#include <cstdint>
#include <set>
#include <string>

namespace qm {
class StopFlag;
} // namespace qm

namespace qm::cli {

// A GBK message as a terminal shows it: UTF-8 (names as the user typed them), each line
// ended by LF alone, where message boxes take CR LF or a bare CR; on Windows the C
// runtime then ends the lines as the console expects.
std::string terminalText(const std::string& gbk);

// The run's listener on a terminal: progress and the compiler's warnings on stderr (a
// bar on a terminal, plain lines otherwise), the summary on stdout. Ctrl-C and SIGTERM
// set the run's stop flag.
class CliListener : public RunListener {
public:
    explicit CliListener(const CliOptions& options);

    static void installInterruptHandler(StopFlag& stop);
    static bool interrupted();

    bool replaceProject(const std::string&) override { return options_.replace; }
    void showText(RunField field, const std::string& text) override;
    void scanProgress(std::int64_t done, std::int64_t total, std::size_t nodes) override;
    void showSummary(const std::string& text) override;
    void showWordFailure(const std::string& text) override;
    void warning(const std::string& text) override;
    void fileDone(const FileReport& report) override;
    void processEvents() override;

private:
    void line(const std::string& utf8);
    void clearBar();

    const CliOptions& options_;
    std::string fileCount_;
    std::string fileName_;
    std::size_t filesShown_ = 0;
    std::set<std::string> statusShown_; // the Status texts printed for the file in hand
    bool terminal_ = false;
    bool barShown_ = false;
};

} // namespace qm::cli
