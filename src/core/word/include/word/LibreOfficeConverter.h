#pragma once

#include "platform/Files.h"
#include "word/DocumentConverter.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

struct ProcessResult;

// Converts Word documents (.doc, .docx, .rtf, .odt) into Word's HTML dialect with
// LibreOffice in headless mode, run as a child process (no shell, nothing shown).
//
// The object owns a private folder under the system's temporary folder, made on its first
// conversion: a LibreOffice user profile, reused by every later conversion (so another
// LibreOffice of the user's is never disturbed and only the first conversion pays for a
// new profile), and a work folder per conversion. The folder is removed with the object;
// it is named "quillmark-lo-<process id>-XXXXXX", so that the folders of processes that
// were killed are removed when a later converter makes its own.
// A conversion ends soon after the stop flag given to watch() is set, and fails.
// prepare() converts a run's documents ahead with one LibreOffice for all of them.
// Not thread-safe: one conversion at a time per object.
class LibreOfficeConverter : public DocumentConverter {
public:
    static constexpr std::chrono::milliseconds kDefaultTimeLimit{120'000};

    // timeLimit bounds every LibreOffice call; a call that passes it is ended with all
    // the processes it started. program is LibreOffice's program (a path or a name looked
    // up in PATH); empty looks for "soffice", then "libreoffice".
    explicit LibreOfficeConverter(std::chrono::milliseconds timeLimit = kDefaultTimeLimit,
                                  std::filesystem::path program = {});
    ~LibreOfficeConverter() override;
    LibreOfficeConverter(const LibreOfficeConverter&) = delete;
    LibreOfficeConverter& operator=(const LibreOfficeConverter&) = delete;

    // Writes the page at htmlPath (empty: docPath with ".htm") and its pictures in the
    // folder beside it named like htmlPath with ".files", as WordDialect.h describes the
    // result. An earlier page and folder of those names are replaced only when an earlier
    // conversion wrote them (the page's ConversionMark vouches for both); a file of the
    // user's there fails the conversion before LibreOffice runs, and so do a document with
    // a password and a file that is not a word-processor document (DocumentSniffer.h).
    // The first try (useWebPageFormat false) uses LibreOffice's HTML export, the second its
    // XHTML export, a separate code path that can succeed where the first failed. True
    // exactly when the page has been written; on false nothing at htmlPath or in the
    // folder has changed. The document is only read. Never throws.
    bool convert(const std::filesystem::path& docPath, const std::filesystem::path& htmlPath,
                 bool useWebPageFormat) override;

    // The reasons convert() knows (GBK): a document with a password, a file that is not a
    // Word document, a missing or unreadable document, a file of the user's in the way, a
    // page or picture that could not be written (with the system's reason); empty when
    // LibreOffice itself failed, was stopped or could not be run.
    std::string failureReason() const override { return reason_; }

    // Converts the documents with one LibreOffice start for all, each as the first try of
    // convert() would, and keeps the raw results in the private folder; a later
    // convert(doc, page, false) of one of them checks, rewrites and places its result
    // instead of starting LibreOffice (once; a document changed since goes the usual way).
    // Documents DocumentSniffer refuses are left out. A LibreOffice that crashes, or
    // makes no progress for the time limit of one document, is ended; the document it was
    // on counts as failed in the first try and the rest go to a new start. The whole
    // batch is bounded by the time limit times its count, and ends at the stop flag.
    // Forgets what an earlier prepare() left unused. Never throws.
    void prepare(const std::vector<std::filesystem::path>& docPaths) override;

    // One LibreOffice call: converts source into outDir with an export filter such as
    // "html:HTML (StarWriter)" or "doc:MS Word 97". True when LibreOffice ended normally;
    // whether it wrote a file is for the caller to see. Never throws.
    bool exportTo(const std::filesystem::path& source, const std::filesystem::path& outDir,
                  std::string_view filter);

    // True when LibreOffice's program was found.
    bool available() const { return !program_.empty(); }

private:
    // What identifies the bytes of a document that was copied for the batch.
    using Snapshot = FileIdentity;
    // A document's batch result: the folder with its exported page <stem>.html and the
    // pictures; no folder when LibreOffice failed on it.
    struct Prepared {
        std::filesystem::path folder;
        std::string stem;
        Snapshot seen;
    };

    class Batch; // one prepare()'s documents, folders and LibreOffice starts

    static std::optional<Snapshot> snapshotOf(const std::filesystem::path& doc);
    bool makePrivateFolder();
    bool stopped() const;
    ProcessResult runOffice(const std::vector<std::filesystem::path>& sources,
                            const std::filesystem::path& outDir, std::string_view filter,
                            std::chrono::milliseconds limit,
                            const std::function<bool()>& stalled = {});
    std::optional<Prepared> takePrepared(const std::filesystem::path& docPath);
    void dropPrepared();
    // document: the user's file the export was made from, which its FILENAME fields show.
    bool placeExport(const std::filesystem::path& outDir, const std::filesystem::path& exported,
                     const std::filesystem::path& html, const std::filesystem::path& folder,
                     const std::filesystem::path& document);

    std::filesystem::path program_;
    std::filesystem::path root_; // private folder; empty when it could not be made
    std::chrono::milliseconds timeLimit_;
    unsigned jobs_ = 0;
    std::string reason_;
    std::filesystem::path batch_; // the last prepare()'s folder
    std::map<std::filesystem::path, Prepared> prepared_;
};

} // namespace qm
