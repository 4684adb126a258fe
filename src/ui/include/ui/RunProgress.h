#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm::ui {

// How far a run over several files has come, as one bar: each file has its share by
// size, and within it the conversion (Word documents only), the scan by bytes and the
// compile by the files the compiler has taken. Fed from the core's progress texts.
class RunProgress {
public:
    struct File {
        std::int64_t bytes = 0;
        bool converted = false; // a Word document, converted before the scan
    };
    enum class Phase { Waiting, Converting, Scanning, Compiling };

    void start(std::vector<File> files);
    void fileStarted(std::size_t index);
    void converting();
    // The Word documents converted together before the first file: done of total.
    void batchConverted(std::size_t done, std::size_t total);
    void scanned(std::int64_t done, std::int64_t total, std::size_t nodes);
    void compiling();
    // A progress line of the compiler (GBK), in English or Chinese ("Compiling <name>" or
    // "正在编入 <name>", "Compressing <n> files" or "正在压缩 <n> 个文件").
    void compilerSaid(const std::string& text);

    static constexpr int kMaximum = 1000;
    int value() const;        // 0 .. kMaximum over the whole run
    std::string text() const; // UTF-8
    Phase phase() const { return phase_; }

    // "12.4 MB", "800 KB", "512 字节" (UTF-8).
    static std::string sizeText(std::int64_t bytes);

private:
    double fileShare(std::size_t index) const;
    double withinFile() const;
    double batchValue() const;

    std::vector<File> files_;
    std::int64_t totalBytes_ = 0;
    std::size_t current_ = 0;
    Phase phase_ = Phase::Waiting;
    std::int64_t scanDone_ = 0;
    std::int64_t scanTotal_ = 0;
    std::size_t pages_ = 0;    // the topics of the file, which the compiler takes one by one
    std::size_t compiled_ = 0; // the files the compiler has taken so far
    bool compressing_ = false;
    std::size_t batchDone_ = 0;
    std::size_t batchTotal_ = 0; // 0: no batch conversion
    bool inBatch_ = false;       // the batch conversion works, no file has started
};

} // namespace qm::ui
