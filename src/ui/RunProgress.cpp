#include "ui/RunProgress.h"

#include "text/Gbk.h"

#include <algorithm>
#include <charconv>
#include <numeric>

namespace qm::ui {

namespace {

// The parts of one file's work. A conversion by LibreOffice takes longer than the scan;
// the compile (compression) longer still.
constexpr double kConvertPart = 0.4;
constexpr double kScanPartConverted = 0.2;
constexpr double kScanPartPage = 0.35;

} // namespace

void RunProgress::start(std::vector<File> files) {
    files_ = std::move(files);
    totalBytes_ = std::accumulate(files_.begin(), files_.end(), std::int64_t{0},
                                  [](std::int64_t sum, const File& f) { return sum + f.bytes; });
    current_ = 0;
    phase_ = Phase::Waiting;
    scanDone_ = scanTotal_ = 0;
    pages_ = compiled_ = 0;
    compressing_ = false;
    batchDone_ = batchTotal_ = 0;
    inBatch_ = false;
}

void RunProgress::fileStarted(std::size_t index) {
    inBatch_ = false;
    current_ = std::min(index, files_.empty() ? 0 : files_.size() - 1);
    phase_ = Phase::Waiting;
    scanDone_ = scanTotal_ = 0;
    pages_ = compiled_ = 0;
    compressing_ = false;
}

void RunProgress::converting() {
    phase_ = Phase::Converting;
}

void RunProgress::batchConverted(std::size_t done, std::size_t total) {
    phase_ = Phase::Converting;
    inBatch_ = true;
    batchTotal_ = total;
    batchDone_ = std::min(done, total);
}

void RunProgress::scanned(std::int64_t done, std::int64_t total, std::size_t nodes) {
    phase_ = Phase::Scanning;
    scanDone_ = std::max<std::int64_t>(0, done);
    scanTotal_ = std::max<std::int64_t>(0, total);
    pages_ = nodes;
}

void RunProgress::compiling() {
    phase_ = Phase::Compiling;
    compiled_ = 0;
    compressing_ = false;
}

void RunProgress::compilerSaid(const std::string& text) {
    if (phase_ != Phase::Compiling)
        return;
    static const std::string compilingFile = gbk::fromUtf8("正在编入 ");
    static const std::string compressing = gbk::fromUtf8("正在压缩 ");
    if (text.starts_with("Compiling ") || text.starts_with(compilingFile))
        ++compiled_;
    else if (text.starts_with("Compressing ") || text.starts_with(compressing))
        compressing_ = true;
}

// A file's share of the bar follows its size; files of unknown size share equally.
double RunProgress::fileShare(std::size_t index) const {
    if (files_.empty())
        return 0;
    if (totalBytes_ <= 0)
        return 1.0 / static_cast<double>(files_.size());
    return static_cast<double>(files_[index].bytes) / static_cast<double>(totalBytes_);
}

double RunProgress::withinFile() const {
    const bool converted = !files_.empty() && files_[current_].converted;
    const double convertPart = converted ? kConvertPart : 0.0;
    const double scanPart = converted ? kScanPartConverted : kScanPartPage;
    const double compilePart = 1.0 - convertPart - scanPart;
    switch (phase_) {
    case Phase::Waiting:
    case Phase::Converting:
        return 0;
    case Phase::Scanning:
        return convertPart + (scanTotal_ > 0 ? scanPart * static_cast<double>(scanDone_) /
                                                   static_cast<double>(scanTotal_)
                                             : 0.0);
    case Phase::Compiling: {
        // The pages, the pictures, the contents and the index: the count is known only
        // roughly, so the bar stops short of the end until the compiler compresses.
        const double expected = static_cast<double>(std::max(pages_ + 3, compiled_ + 1));
        const double taken = compressing_ ? 0.95 : 0.9 * static_cast<double>(compiled_) / expected;
        return convertPart + scanPart + compilePart * taken;
    }
    }
    return 0;
}

// The conversion parts of all Word documents, done as far as the batch has come.
double RunProgress::batchValue() const {
    if (batchTotal_ == 0)
        return 0;
    double share = 0;
    for (std::size_t i = 0; i < files_.size(); ++i)
        share += files_[i].converted ? fileShare(i) * kConvertPart : 0.0;
    return share * static_cast<double>(batchDone_) / static_cast<double>(batchTotal_);
}

int RunProgress::value() const {
    if (files_.empty())
        return 0;
    double done = 0;
    if (!inBatch_) {
        for (std::size_t i = 0; i < current_; ++i)
            done += fileShare(i);
        done += fileShare(current_) * withinFile();
    }
    // The bar holds after the batch until the files' own work passes it.
    done = std::max(done, batchValue());
    return std::clamp(static_cast<int>(done * kMaximum), 0, kMaximum);
}

std::string RunProgress::text() const {
    switch (phase_) {
    case Phase::Waiting:
        return "正在准备 …";
    case Phase::Converting:
        if (inBatch_)
            return "正在把 Word 文档转换为网页 … 已完成 " + std::to_string(batchDone_) + " / " +
                   std::to_string(batchTotal_);
        return "正在把 Word 文档转换为网页 …";
    case Phase::Scanning:
        return "正在扫描 " + sizeText(scanDone_) + " / " + sizeText(scanTotal_);
    case Phase::Compiling:
        if (compressing_)
            return "正在编译 … 压缩";
        if (compiled_ > 0)
            return "正在编译 … 第 " + std::to_string(compiled_) + " 个文件";
        return "正在编译 …";
    }
    return {};
}

// One decimal with a point whatever the locale (a window sets the user's).
std::string RunProgress::sizeText(std::int64_t bytes) {
    constexpr double kKilo = 1024.0;
    if (bytes < 1024)
        return std::to_string(bytes) + " 字节";
    const bool mega = bytes >= 1024 * 1024;
    const double value = static_cast<double>(bytes) / (mega ? kKilo * kKilo : kKilo);
    char text[32];
    auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1).ptr;
    return std::string(text, end) + (mega ? " MB" : " KB");
}

} // namespace qm::ui
