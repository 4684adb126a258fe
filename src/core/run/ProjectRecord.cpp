#include "run/ProjectRecord.h"

#include "text/Error.h"
#include "text/Gbk.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

std::string u8(const char* text) {
    return gbk::fromUtf8(text);
}

fs::path absolutePath(const fs::path& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    return (ec ? path : absolute).lexically_normal();
}

// True when the document's page is the page given: a Word document and the page it was
// converted into (or the same document saved as .doc and as .docx) are one document.
bool samePage(const fs::path& document, const fs::path& page, const fs::path& outputFolder) {
    std::error_code ec;
    try {
        const fs::path its = FileLayout::forSource(document, outputFolder).intermediateHtml;
        return its.lexically_normal() == page.lexically_normal() || fs::equivalent(its, page, ec);
    } catch (const Error&) {
        return false; // a name no project can have
    }
}

std::optional<ContextIdMapFile> readMap(const fs::path& mapFile, bool renumber) {
    if (!renumber)
        return readContextIdMap(mapFile);
    try {
        return readContextIdMap(mapFile);
    } catch (const Error&) {
        return std::nullopt; // renumbering is the way out of a damaged map
    }
}

} // namespace

void ProjectRecord::open(const FileLayout& layout, const fs::path& outputFolder, bool renumber,
                         const AskReplace& askReplace) {
    open_ = false;
    mapFile_ = layout.projectFilePath("ids");
    source_ = absolutePath(layout.source);
    renumber_ = renumber;
    earlier_ = readMap(mapFile_, renumber);
    if (earlier_ && !earlier_->source.empty()) {
        const fs::path recorded = mapRecordedPath(earlier_->source, mapFile_);
        std::error_code ec;
        if (recorded != source_ && !fs::equivalent(recorded, source_, ec) &&
            fs::exists(recorded, ec) &&
            !samePage(recorded, layout.intermediateHtml, outputFolder)) {
            const std::string both = u8("帮助工程“") +
                                     gbk::fromPath(layout.projectFilePath("hhp")) + u8("”是由“") +
                                     gbk::fromPath(recorded) + u8("”生成的，“") +
                                     gbk::fromPath(layout.source) + u8("”会生成同名的工程并替换它");
            if (!askReplace || !askReplace(both + u8("。要替换吗？")))
                throw Error(both + u8("；为免互相覆盖，没有做任何改动。如确要替换，请在命令行加 "
                                      "--replace，或在窗口中确认替换。"));
        }
    }
    pages_.begin(layout.contentFolder, mapFile_,
                 earlier_ ? earlier_->written : std::vector<std::string>());
    open_ = true;
}

std::optional<std::vector<ContextIdEntry>> ProjectRecord::earlierNumbers() const {
    if (!earlier_ || renumber_)
        return std::nullopt;
    return earlier_->entries;
}

void ProjectRecord::writeMap(std::vector<ContextIdEntry> numbers) {
    map_ = {std::move(numbers), mapRelativePath(source_, mapFile_), pages_.record(true)};
    writeContextIdMap(mapFile_, map_);
}

void ProjectRecord::complete() {
    open_ = false;
    pages_.removeStale();
    map_.written = pages_.record(false);
    try {
        writeContextIdMap(mapFile_, map_);
    } catch (const Error&) {
    }
}

void ProjectRecord::abandon() {
    if (!open_)
        return;
    open_ = false;
    pages_.removeNew();
}

} // namespace qm
