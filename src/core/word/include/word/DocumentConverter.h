#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace qm {

class StopFlag;

// Turns a Word document into Word's HTML: the page at htmlPath (GBK, "charset=gb2312")
// and its pictures in the folder beside it named like htmlPath with ".files". Never
// throws and shows nothing; true exactly when the page has been written.
// useWebPageFormat false asks for filtered HTML, true for the full Web-page dialect;
// the second try of a run uses true, and must be able to succeed where the first failed.
class DocumentConverter {
public:
    virtual ~DocumentConverter() = default;
    virtual bool convert(const std::filesystem::path& docPath,
                         const std::filesystem::path& htmlPath, bool useWebPageFormat) = 0;

    // Why the last convert() failed, when the converter knows better than "it did not
    // work" (a password-protected document, not a Word document, a file of the user's in
    // the way): one GBK sentence for the user; empty otherwise.
    virtual std::string failureReason() const { return {}; }

    // The run's stop flag: a conversion under way ends soon after it is set, and fails.
    void watch(const StopFlag* stop) { stop_ = stop; }

    // The Word documents of a run, before the first convert(): a converter may convert
    // them ahead in one go (one LibreOffice for the batch); convert() then places each
    // result. Converting nothing ahead is always right.
    virtual void prepare(const std::vector<std::filesystem::path>& /*docPaths*/) {}

    // The run is over, after its last convert(): a converter ends what it kept running
    // for the batch (a word processor of its own).
    virtual void finishBatch() {}

    // Told, on the thread that calls prepare(), how many documents of the batch have
    // been converted so far (done of total), whenever that count grows.
    using Progress = std::function<void(std::size_t done, std::size_t total)>;
    void reportTo(Progress progress) { progress_ = std::move(progress); }

protected:
    const StopFlag* stop_ = nullptr;
    Progress progress_;
};

} // namespace qm
