#include "word/LibreOfficeConverter.h"

#include "PagePlacement.h"
#include "WorkFolder.h"

#include "platform/Files.h"
#include "platform/Process.h"
#include "text/Gbk.h"
#include "text/OutputFile.h"
#include "text/ReadStream.h"
#include "text/Utf8Path.h"
#include "word/DocumentSniffer.h"
#include "word/OfficePipe.h"
#include "word/StopFlag.h"
#include "word/WordDialect.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qm {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kFirstFilter = "html:HTML (StarWriter)";
// LibreOffice's XSLT export: its own code path from the document model to HTML.
constexpr std::string_view kSecondFilter = "html:XHTML Writer File:UTF8";
// The name the document gets in the work folder: LibreOffice names its page and
// pictures after it, so they come out in plain ASCII whatever the user's file is called.
constexpr std::string_view kWorkName = "document";

std::string fileUrl(const fs::path& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    // file:///C:/... for a Windows path, whose generic form has no leading slash.
    const std::u8string generic = path.generic_u8string();
    std::string url = generic.starts_with(u8"/") ? "file://" : "file:///";
    for (char8_t ch : generic) {
        auto c = static_cast<unsigned char>(ch);
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

constexpr std::string_view kPrivatePrefix = "quillmark-lo-";

// The name a document goes by in the batch: one path per file however it was spelled.
fs::path batchKey(const fs::path& doc) {
    std::error_code ec;
    fs::path absolute = fs::absolute(doc, ec);
    return ec ? fs::path() : absolute.lexically_normal();
}

// The exporter names a page's pictures after the page ("d7_html_1a2b.png"): the part of
// a name before its first '_' or '.' tells whose it is.
std::string exportStem(const std::string& name) {
    return name.substr(0, name.find_first_of("_."));
}

// A page LibreOffice finished writing ends with its closing tag; a LibreOffice killed
// while writing leaves less.
bool pageComplete(const fs::path& page) {
    try {
        ReadStream in(page);
        constexpr std::int64_t kTail = 64;
        std::string tail;
        in.seek(-kTail, Origin::End);
        in.read(tail, kTail);
        while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r' || tail.back() == ' ' ||
                                 tail.back() == '\t'))
            tail.pop_back();
        std::transform(tail.begin(), tail.end(), tail.begin(), [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        });
        return tail.ends_with("</html>");
    } catch (...) {
        return false;
    }
}

std::size_t entryCount(const fs::path& dir) {
    std::size_t n = 0;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        ++n;
    return n;
}

} // namespace

LibreOfficeConverter::LibreOfficeConverter(std::chrono::milliseconds timeLimit, fs::path program)
    : timeLimit_(timeLimit) {
    if (program.empty()) {
        program_ = findProgram("soffice");
        if (program_.empty())
            program_ = findProgram("libreoffice");
        for (const fs::path& folder : programFolders())
            if (program_.empty())
                program_ = findProgram(folder / "LibreOffice" / "program" / "soffice");
    } else {
        program_ = findProgram(program);
    }
}

bool LibreOfficeConverter::makePrivateFolder() {
    if (root_.empty())
        // A dead process's office dies with it, but may take a moment: while it still
        // listens, its folder stays for a later run, which then removes the socket it left.
        root_ = makeWorkFolder(kPrivatePrefix, [](const fs::path& folder) {
            return removeOfficePipe(fileUrl(folder / "profile"));
        });
    return !root_.empty();
}

bool LibreOfficeConverter::stopped() const {
    return stop_ != nullptr && stop_->isSet();
}

LibreOfficeConverter::~LibreOfficeConverter() {
    if (!root_.empty()) {
        removeOfficePipe(fileUrl(root_ / "profile"));
        removeTree(root_);
    }
}

ProcessResult LibreOfficeConverter::runOffice(const std::vector<fs::path>& sources,
                                              const fs::path& outDir, std::string_view filter,
                                              std::chrono::milliseconds limit,
                                              const std::function<bool()>& stalled) {
    const fs::path profile = root_ / "profile";
    try {
        std::vector<std::string> args = {
            "-env:UserInstallation=" + fileUrl(profile),
            "--headless",
            "--invisible",
            "--nodefault",
            "--nolockcheck",
            "--nologo",
            "--norestore",
            "--convert-to",
            std::string(filter),
            "--outdir",
            text::utf8Text(outDir),
        };
        for (const fs::path& source : sources)
            args.push_back(text::utf8Text(source));
        // LibreOffice's own temporary files go into our folder too, so that those of a
        // LibreOffice that had to be killed are removed with it.
        const fs::path temp = root_ / "tmp";
        fs::create_directories(temp);
        ProcessResult r =
            runChildProcess(program_, args, limit,
                            {"TMPDIR=" + text::utf8Text(temp), "TMP=" + text::utf8Text(temp),
                             "TEMP=" + text::utf8Text(temp)},
                            {[this] { return stopped(); }, stalled});
        if (r.ending == ProcessResult::Ending::TimedOut ||
            r.ending == ProcessResult::Ending::Stopped ||
            r.ending == ProcessResult::Ending::Signalled) {
            // A LibreOffice that was killed or crashed may leave its profile locked or
            // half-written, and its socket; the next conversion starts with a fresh one.
            removeOfficePipe(fileUrl(profile));
            removeTree(profile);
        }
        return r;
    } catch (...) {
        return {};
    }
}

bool LibreOfficeConverter::exportTo(const fs::path& source, const fs::path& outDir,
                                    std::string_view filter) {
    if (program_.empty() || stopped() || !makePrivateFolder())
        return false;
    return runOffice({source}, outDir, filter, timeLimit_).ending == ProcessResult::Ending::Exited;
}

std::optional<LibreOfficeConverter::Snapshot>
LibreOfficeConverter::snapshotOf(const fs::path& doc) {
    return fileIdentity(doc);
}

void LibreOfficeConverter::dropPrepared() {
    prepared_.clear();
    if (!batch_.empty())
        removeTree(batch_);
    batch_.clear();
}

// One prepare(): LibreOffice works on copies of the documents named d1, d2, ... in in/, so
// that one folder out/ holds every page and the names say which pictures are whose; each
// settled document's page and pictures move to done/<stem>/.
class LibreOfficeConverter::Batch {
public:
    Batch(LibreOfficeConverter& converter, const fs::path& folder)
        : converter_(converter), in_(folder / "in"), out_(folder / "out"), done_(folder / "done") {
        fs::create_directories(in_);
        fs::create_directories(out_);
        fs::create_directories(done_);
    }

    // Copies the documents that can be converted, each once however its path is spelled;
    // one that changes while it is copied is left out.
    void copyDocuments(const std::vector<fs::path>& docPaths) {
        std::set<fs::path> keys;
        for (const fs::path& doc : docPaths) {
            Item item{batchKey(doc), {}, "d" + std::to_string(items_.size() + 1), {}};
            if (item.key.empty() || keys.contains(item.key) || !documentReason(doc).empty())
                continue;
            std::optional<Snapshot> seen = snapshotOf(doc);
            item.input = in_ / (item.stem + text::utf8Text(doc.extension()));
            std::error_code ec;
            if (!seen || !fs::copy_file(doc, item.input, ec) || snapshotOf(doc) != seen) {
                fs::remove(item.input, ec);
                continue;
            }
            item.seen = *seen;
            keys.insert(item.key);
            items_.push_back(std::move(item));
        }
        for (const Item& item : items_)
            pending_.push_back(&item);
    }

    // Starts LibreOffice on the documents not settled yet until each is, or it cannot be
    // started, or the run is stopped.
    void convert() {
        report(0);
        while (!pending_.empty() && !converter_.stopped() && convertRound()) {
        }
    }

    void removeWork() {
        removeTree(in_);
        removeTree(out_);
    }

private:
    struct Item {
        fs::path key;
        fs::path input;
        std::string stem;
        Snapshot seen;
    };

    fs::path pageOf(const Item& item) const { return out_ / (item.stem + ".html"); }

    // A document counts as converted once its page is out; LibreOffice writes each page
    // whole before the next document.
    void report(std::size_t converted) {
        if (converter_.progress_ && (converted > reported_ || converted == 0)) {
            reported_ = converted;
            converter_.progress_(converted, items_.size());
        }
    }

    std::size_t pagesOut() const {
        std::size_t converted = items_.size() - pending_.size();
        for (const Item* item : pending_)
            converted += fs::is_regular_file(pageOf(*item)) ? 1u : 0u;
        return converted;
    }

    // One LibreOffice start on every pending document; false when the batch ends.
    bool convertRound() {
        const ProcessResult r = runOnPending();
        if (r.ending == ProcessResult::Ending::NotStarted ||
            r.ending == ProcessResult::Ending::Stopped || converter_.stopped())
            return false;
        std::map<std::string, std::vector<fs::path>> byStem;
        for (const fs::directory_entry& e : fs::directory_iterator(out_))
            byStem[exportStem(text::utf8Text(e.path().filename()))].push_back(e.path());
        std::optional<std::size_t> lastPage;
        for (std::size_t k = 0; k < pending_.size(); ++k)
            if (fs::is_regular_file(pageOf(*pending_[k])))
                lastPage = k;
        if (!lastPage && r.succeeded())
            return false; // nothing at all: each document goes the usual way
        settleRound(r.succeeded() ? pending_.size() : failedIndex(lastPage), byStem);
        report(items_.size() - pending_.size());
        return true;
    }

    // A LibreOffice that writes nothing new for one document's time limit is stuck; the
    // whole start is bounded by that limit times the documents' count.
    ProcessResult runOnPending() {
        std::vector<fs::path> sources;
        for (const Item* item : pending_)
            sources.push_back(item->input);
        using Clock = std::chrono::steady_clock;
        const std::chrono::milliseconds perDocument = converter_.timeLimit_;
        std::size_t entries = entryCount(out_);
        Clock::time_point lastChange = Clock::now();
        auto stalled = [&] {
            const std::size_t now = entryCount(out_);
            if (now != entries) {
                entries = now;
                lastChange = Clock::now();
                report(pagesOut());
                return false;
            }
            return Clock::now() - lastChange > perDocument;
        };
        const auto most = std::chrono::milliseconds(std::chrono::hours(24 * 365));
        const auto count = static_cast<std::int64_t>(pending_.size());
        const std::chrono::milliseconds limit =
            perDocument.count() > most.count() / count ? most : perDocument * count;
        return converter_.runOffice(sources, out_, kFirstFilter, limit, stalled);
    }

    // LibreOffice takes the documents in order: after a crash or a kill it was on the one
    // whose page is last and unfinished, or else on the one after the last page.
    std::size_t failedIndex(std::optional<std::size_t> lastPage) const {
        if (lastPage && !pageComplete(pageOf(*pending_[*lastPage])))
            return *lastPage;
        return lastPage ? *lastPage + 1 : 0;
    }

    // The documents before the failed one are settled with what they have, the failed one
    // as failed in the first try, and the rest stay pending for a new start.
    void settleRound(std::size_t failed, std::map<std::string, std::vector<fs::path>>& byStem) {
        std::vector<const Item*> rest;
        for (std::size_t k = 0; k < pending_.size(); ++k) {
            const Item& item = *pending_[k];
            const std::vector<fs::path>& files = byStem[item.stem];
            if (k < failed) {
                settle(item, files, fs::is_regular_file(pageOf(item)));
            } else if (k == failed) {
                settle(item, files, false);
            } else {
                std::error_code ec;
                for (const fs::path& f : files)
                    fs::remove(f, ec);
                rest.push_back(&item);
            }
        }
        pending_ = std::move(rest);
    }

    void settle(const Item& item, const std::vector<fs::path>& files, bool hasPage) {
        Prepared p{{}, item.stem, item.seen};
        if (hasPage) {
            p.folder = done_ / item.stem;
            fs::create_directory(p.folder);
            for (const fs::path& f : files)
                fs::rename(f, p.folder / f.filename());
        } else {
            std::error_code ec;
            for (const fs::path& f : files)
                fs::remove(f, ec);
        }
        converter_.prepared_[item.key] = std::move(p);
    }

    LibreOfficeConverter& converter_;
    const fs::path in_;
    const fs::path out_;
    const fs::path done_;
    std::vector<Item> items_;
    std::vector<const Item*> pending_;
    std::size_t reported_ = 0;
};

void LibreOfficeConverter::prepare(const std::vector<fs::path>& docPaths) {
    dropPrepared();
    if (program_.empty() || stopped() || docPaths.empty() || !makePrivateFolder())
        return;
    try {
        batch_ = root_ / ("batch" + std::to_string(++jobs_));
        Batch batch(*this, batch_);
        batch.copyDocuments(docPaths);
        batch.convert();
        batch.removeWork();
    } catch (...) {
        // What was settled stands; the rest goes the usual way.
    }
}

std::optional<LibreOfficeConverter::Prepared>
LibreOfficeConverter::takePrepared(const fs::path& docPath) {
    auto it = prepared_.find(batchKey(docPath));
    if (it == prepared_.end())
        return std::nullopt;
    Prepared p = std::move(it->second);
    prepared_.erase(it);
    if (snapshotOf(docPath) == p.seen)
        return p;
    // The document changed after the batch read it.
    if (!p.folder.empty())
        removeTree(p.folder);
    return std::nullopt;
}

bool LibreOfficeConverter::placeExport(const fs::path& outDir, const fs::path& exported,
                                       const fs::path& html, const fs::path& folder,
                                       const fs::path& document) {
    if (!fs::is_regular_file(exported) || fs::file_size(exported) == 0)
        return false;
    std::vector<std::string> others;
    for (const fs::directory_entry& e : fs::directory_iterator(outDir))
        if (e.path() != exported && e.is_regular_file())
            others.push_back(text::utf8Text(e.path().filename()));
    WordPage word =
        toWordDialect(readWholeFile(exported), others, text::utf8Text(folder.filename()),
                      DocumentFileName::of(document));
    // Once more: the user may have put a file there while LibreOffice worked.
    reason_ = foreignReason(html, folder);
    if (!reason_.empty())
        return false;
    placeResults(word, outDir, html, folder);
    return true;
}

bool LibreOfficeConverter::convert(const fs::path& docPath, const fs::path& htmlPath,
                                   bool useWebPageFormat) {
    return convertInWorkFolder(reason_, [&](fs::path& job) {
        const std::optional<PagePlace> place = openConversion(
            docPath, htmlPath, !program_.empty() && !stopped(),
            [this] { return makePrivateFolder(); }, reason_);
        if (!place)
            return false;
        const auto& [html, folder] = *place;

        std::optional<Prepared> ready;
        if (!useWebPageFormat)
            ready = takePrepared(docPath);
        if (ready) {
            // The batch tried this document already; no folder: LibreOffice failed on it.
            job = ready->folder;
            return !job.empty() &&
                   placeExport(job, job / (ready->stem + ".html"), html, folder, docPath);
        }
        // LibreOffice works on a copy: the user's file is only read, once, by us.
        job = root_ / ("job" + std::to_string(++jobs_));
        const fs::path in = job / "in";
        const fs::path out = job / "out";
        fs::create_directories(in);
        fs::create_directories(out);
        const fs::path input =
            in / text::utf8Path(std::string(kWorkName) + text::utf8Text(docPath.extension()));
        fs::copy_file(docPath, input);
        return exportTo(input, out, useWebPageFormat ? kSecondFilter : kFirstFilter) &&
               !stopped() &&
               placeExport(out, out / (std::string(kWorkName) + ".html"), html, folder, docPath);
    });
}

} // namespace qm
