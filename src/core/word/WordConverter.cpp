#include "word/WordConverter.h"

#include "PagePlacement.h"
#include "WordSession.h"
#include "WorkFolder.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "text/Gbk.h"
#include "text/OutputFile.h"
#include "text/ReadStream.h"
#include "text/Utf8Path.h"
#include "word/StopFlag.h"
#include "word/WordDialect.h"

#include <algorithm>
#include <string>
#include <vector>

namespace qm {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrivatePrefix = "quillmark-word-";
// Word names the page's pictures folder after the page: a plain ASCII name keeps the
// links it writes free of whatever the user's file is called.
constexpr std::string_view kWorkName = "document";
constexpr long kFilteredHtml = 10; // wdFormatFilteredHTML
constexpr long kWebPage = 8;       // wdFormatHTML
constexpr long kGbk = 936;         // msoEncodingSimplifiedChineseGBK

struct Reasons {
    static std::string hung(const fs::path& doc, std::chrono::milliseconds limit) {
        return gbk::fromUtf8("Word转换") + quoted(doc) +
               gbk::fromUtf8("超过" + std::to_string(limit.count() / 1000) +
                             "秒仍未完成，已被结束。");
    }
    static std::string crashed(const fs::path& doc) {
        return gbk::fromUtf8("Word转换") + quoted(doc) + gbk::fromUtf8("时意外退出。");
    }
    static std::string notStarted() {
        return gbk::fromUtf8("无法启动Word（或无法关闭它的宏），文档没有转换。");
    }
};

// Where a run's documents are copied to: its key is the file however it was spelled.
fs::path documentKey(const fs::path& doc) {
    std::error_code ec;
    fs::path absolute = fs::absolute(doc, ec);
    return ec ? doc : absolute.lexically_normal();
}

// The copy's extension: the document's when plain, for Word's sake; ".doc" otherwise.
std::string copyExtension(const fs::path& doc) {
    const std::string ext = text::utf8Text(doc.extension());
    const bool plain =
        ext.size() >= 2 && ext.size() <= 6 && std::all_of(ext.begin() + 1, ext.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        });
    return plain ? ext : ".doc";
}

// The folder Word wrote the page's pictures to, beside it: named after the page.
fs::path wordFolderOf(const fs::path& outDir) {
    for (const FolderEntry& e : listFolder(outDir).value_or(std::vector<FolderEntry>{}))
        if (e.kind == EntryKind::Folder && text::utf8Text(e.name).starts_with(kWorkName))
            return outDir / e.name;
    return {};
}

// The pictures Word wrote, by name.
std::vector<SupportingFile> picturesIn(const fs::path& wordFolder) {
    std::vector<SupportingFile> files;
    if (wordFolder.empty())
        return files;
    for (const FolderEntry& e : listFolder(wordFolder).value_or(std::vector<FolderEntry>{}))
        if (e.kind == EntryKind::File) {
            const std::string name = text::utf8Text(e.name);
            files.push_back({name, name, {}});
        }
    std::sort(files.begin(), files.end(),
              [](const SupportingFile& a, const SupportingFile& b) { return a.name < b.name; });
    return files;
}

// Documents.Open, its arguments by position: read-only, no prompts, not among the recent
// files, the format from the content, a dummy password so that Word never asks for one;
// and where Word knows them, no repair and no encoding dialog.
HRESULT openCopy(automation::Object& documents, const fs::path& copy, bool allArguments,
                 automation::Object& document) {
    automation::Args open;
    open.text(copy.wstring())
        .boolean(false)                 // ConfirmConversions
        .boolean(true)                  // ReadOnly
        .boolean(false)                 // AddToRecentFiles
        .text(L"quillmark-no-password") // PasswordDocument
        .missing()                      // PasswordTemplate
        .boolean(false)                 // Revert
        .missing()                      // WritePasswordDocument
        .missing()                      // WritePasswordTemplate
        .integer(0)                     // Format: wdOpenFormatAuto
        .missing()                      // Encoding
        .boolean(false);                // Visible
    if (allArguments)
        open.boolean(false) // OpenAndRepair
            .missing()      // DocumentDirection
            .boolean(true); // NoEncodingDialog
    return documents.call(L"Open", open, &document);
}

} // namespace

WordConverter::WordConverter(std::chrono::milliseconds timeLimit) : timeLimit_(timeLimit) {}

WordConverter::~WordConverter() {
    finishBatch();
}

bool WordConverter::available() {
    return WordInstance::registered();
}

bool WordConverter::stopped() const {
    return stop_ != nullptr && stop_->isSet();
}

bool WordConverter::makePrivateFolder() {
    if (root_.empty())
        root_ = makeWorkFolder(kPrivatePrefix);
    return !root_.empty();
}

void WordConverter::prepare(const std::vector<fs::path>& /*docPaths*/) {
    finishBatch();
}

void WordConverter::finishBatch() {
    session_.reset(); // ends our Word
    failedHard_.clear();
    wordFailedToStart_ = false;
    if (!root_.empty())
        removeTree(root_);
    root_.clear();
}

// Opens the copy in our Word and saves it as the page; true when Word said it did.
bool WordConverter::convertCopy(const fs::path& copy, const fs::path& page, bool useWebPageFormat) {
    automation::Object& word = session_->word().application();
    automation::Object documents;
    if (FAILED(word.get(L"Documents", documents)))
        return false;
    automation::Object document;
    HRESULT opened = openCopy(documents, copy, true, document);
    if (opened == DISP_E_BADPARAMCOUNT) // Word 2000 knows the first twelve
        opened = openCopy(documents, copy, false, document);
    if (FAILED(opened))
        return false;
    automation::Object webOptions;
    automation::Args gbkPage;
    gbkPage.integer(kGbk);
    bool saved = SUCCEEDED(document.get(L"WebOptions", webOptions)) &&
                 SUCCEEDED(webOptions.put(L"Encoding", gbkPage));
    if (saved) {
        automation::Args save;
        save.text(page.wstring()).integer(useWebPageFormat ? kWebPage : kFilteredHtml);
        HRESULT hr = document.call(L"SaveAs2", save);
        if (hr == DISP_E_UNKNOWNNAME) // Word before 2010
            hr = document.call(L"SaveAs", save);
        saved = SUCCEEDED(hr);
    }
    automation::Args noSaving;
    noSaving.integer(0); // wdDoNotSaveChanges
    document.call(L"Close", noSaving);
    return saved;
}

bool WordConverter::placePage(const fs::path& outDir, const fs::path& html,
                              const fs::path& folder) {
    const fs::path page = outDir / (std::string(kWorkName) + ".htm");
    if (!fs::is_regular_file(page) || fs::file_size(page) == 0)
        return false;
    const fs::path wordFolder = wordFolderOf(outDir);
    const std::vector<SupportingFile> files = picturesIn(wordFolder);
    const std::string bytes = readWholeFile(page);
    const WordPage word{fromWordPage(bytes, text::utf8Text(wordFolder.filename()),
                                     text::utf8Text(folder.filename()), files),
                        files};
    // Once more: the user may have put a file there while Word worked.
    reason_ = foreignReason(html, folder);
    if (!reason_.empty())
        return false;
    placeResults(word, wordFolder.empty() ? outDir : wordFolder, html, folder);
    return true;
}

bool WordConverter::convert(const fs::path& docPath, const fs::path& htmlPath,
                            bool useWebPageFormat) {
    const fs::path key = documentKey(docPath);
    if (useWebPageFormat && key == failedHard_ && !stopped()) {
        // Its first try hung or crashed Word: a second would only do it again.
        reason_ = failedHardReason_;
        return false;
    }
    return convertInWorkFolder(reason_, [&](fs::path& job) {
        const std::optional<PagePlace> place = openConversion(
            docPath, htmlPath, !stopped(), [this] { return makePrivateFolder(); }, reason_);
        if (!place)
            return false;
        const auto& [html, folder] = *place;
        // Word works on a copy at a short path of ours: the user's file is only read, by
        // us, even while the user's own Word holds it open.
        job = root_ / std::to_string(++jobs_);
        const fs::path out = job / "out";
        fs::create_directories(out);
        const fs::path copy = job / (std::string(kWorkName) + copyExtension(docPath));
        // The bytes alone: no stream of the file's but its content reaches Word (not the
        // mark that a file came from the internet, which would hold it in Protected View).
        copyFile(docPath, copy);

        if (!session_)
            session_ = std::make_unique<WordSession>(stop_);
        if (wordFailedToStart_ || !session_->ensureWord()) {
            // A Word that would not start once is not waited for again in this batch.
            wordFailedToStart_ = !stopped();
            if (wordFailedToStart_)
                reason_ = Reasons::notStarted();
            return false;
        }
        session_->arm(timeLimit_);
        const bool saved =
            convertCopy(copy, out / (std::string(kWorkName) + ".htm"), useWebPageFormat);
        const WordSession::Watch watch = session_->disarm();
        if (watch != WordSession::Watch::Finished || !session_->word().running()) {
            if (watch == WordSession::Watch::TimedOut)
                reason_ = Reasons::hung(docPath, timeLimit_);
            else if (watch == WordSession::Watch::Finished)
                reason_ = Reasons::crashed(docPath);
            session_->word().end(); // the next document gets a new Word
            failedHard_ = key;
            failedHardReason_ = reason_;
            return false;
        }
        return saved && !stopped() && placePage(out, html, folder);
    });
}

} // namespace qm
