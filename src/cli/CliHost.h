#pragma once

#include "CliOptions.h"
#include "run/RunHost.h"

#include <cstdint>
#include <string>

namespace qm {
class Generator;
class StopFlag;
} // namespace qm

namespace qm::cli {

// The run's host on a terminal: settings from the options, progress and the compiler's
// warnings on stderr (a bar on a terminal, plain lines otherwise), the summary on
// stdout. Ctrl-C and SIGTERM set the run's stop flag.
class CliHost : public RunHost {
public:
    CliHost(const CliOptions& options, std::string beforeEntry, std::string afterEntry);

    void attach(Generator& generator) { generator_ = &generator; }
    static void installInterruptHandler(StopFlag& stop);
    static bool interrupted();

    std::string levelText() override { return options_.level; }
    bool autoTitle() override { return options_.autoTitle; }
    bool useDefaultHeader() override { return options_.defaultHeader; }
    bool useAdditionalCode() override { return !beforeEntry_.empty() || !afterEntry_.empty(); }
    std::string beforeEntry() override { return beforeEntry_; }
    std::string afterEntry() override { return afterEntry_; }
    std::string chmTitle() override { return title_; }
    void setChmTitle(const std::string& title) override { title_ = title; }
    std::string chmFileName() override { return chmFileName_; }
    void setChmFileName(const std::string& name) override { chmFileName_ = name; }
    std::filesystem::path outputFolder() override { return options_.outputFolder; }
    bool renumber() override { return options_.renumber; }
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
    std::string beforeEntry_;
    std::string afterEntry_;
    std::string title_;
    std::string chmFileName_;
    std::string fileCount_;
    std::string fileName_;
    Generator* generator_ = nullptr;
    bool terminal_ = false;
    bool barShown_ = false;
};

} // namespace qm::cli
