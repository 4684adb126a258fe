#pragma once

#include "word/DocumentConverter.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

namespace qm {

class WordSession;

// Converts Word documents (.doc, .docx, .rtf, .odt) with Word itself, through its
// automation interface (Windows only; see WordInstance.h for how our Word is started).
//
// The batch gets a Word of its own, started at its first conversion and ended by
// finishBatch() or with the object. Before anything is opened Word is made invisible,
// silent and unable to run macros. Each document is copied to a short path in a private
// folder under the system's temporary folder ("quillmark-word-<process id>-XXXXXX") and
// opened there read-only, with a dummy password so that Word never asks for one; the page
// is saved as filtered HTML (the first try) or as a Web page (the second), in code page
// 936, and the document closed without saving. The results are placed as
// LibreOfficeConverter's are, under the same ownership rules.
//
// A call that passes the time limit, or a Word that crashes, fails that document with
// its reason and ends our Word; the next document gets a new one. The stop flag given to
// watch() ends our Word at once. A Word that cannot be started fails the rest of the
// batch at once. All calls on the thread that made the first conversion.
class WordConverter : public DocumentConverter {
public:
    static constexpr std::chrono::milliseconds kDefaultTimeLimit{120'000};

    explicit WordConverter(std::chrono::milliseconds timeLimit = kDefaultTimeLimit);
    ~WordConverter() override;
    WordConverter(const WordConverter&) = delete;
    WordConverter& operator=(const WordConverter&) = delete;

    // True when Word is installed (Word.Application is registered with a local server).
    static bool available();

    // True exactly when the page at htmlPath (empty: docPath with ".htm") and its folder
    // "<name>.files" have been written; on false nothing there has changed. A document
    // with a password, one that is not a Word document and a file of the user's in the
    // way fail before Word sees anything. Never throws.
    bool convert(const std::filesystem::path& docPath, const std::filesystem::path& htmlPath,
                 bool useWebPageFormat) override;

    // GBK: why the last convert() failed, when known (see LibreOfficeConverter.h), and a
    // hang past the limit or a Word that ended; empty when Word just refused.
    std::string failureReason() const override { return reason_; }

    // A new batch: the last one's Word, if still running, is ended first.
    void prepare(const std::vector<std::filesystem::path>& docPaths) override;
    void finishBatch() override;

private:
    bool stopped() const;
    bool makePrivateFolder();
    bool convertCopy(const std::filesystem::path& copy, const std::filesystem::path& page,
                     bool useWebPageFormat);
    bool placePage(const std::filesystem::path& outDir, const std::filesystem::path& html,
                   const std::filesystem::path& folder);

    std::chrono::milliseconds timeLimit_;
    std::unique_ptr<WordSession> session_;
    std::filesystem::path root_;
    unsigned jobs_ = 0;
    std::string reason_;
    std::filesystem::path failedHard_; // the document whose first try hung or crashed Word
    std::string failedHardReason_;
    bool wordFailedToStart_ = false; // in this batch: its documents fail at once
};

} // namespace qm
