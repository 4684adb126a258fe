#include "split/TopicPageWriter.h"

#include "html/Escape.h"
#include "split/PageFrame.h"
#include "text/Error.h"
#include "text/Gbk.h"
#include "text/OutputFile.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>

namespace qm {
namespace {

// Headings keep the references of the characters GBK cannot hold.
constexpr html::EscapeOptions kTitle{.keepNumericReferences = true};

std::int64_t toInt(const std::string& text) {
    std::int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// Bytes [from, to) of the stream.
void copyRange(ReadStream& stream, std::int64_t from, std::int64_t to, ByteSink& out) {
    stream.seek(from, Origin::Beginning);
    std::string chunk;
    for (std::int64_t count = to - from; count > 0;) {
        chunk.clear();
        std::int64_t got = stream.read(chunk, std::min<std::int64_t>(count, 1 << 20));
        if (got <= 0)
            break;
        out.write(chunk);
        count -= got;
    }
}

// The first count bytes of the page, its title saying title (GBK), so that the page and
// the contents name the topic alike.
void copyTitled(ReadStream& stream, std::int64_t count, const std::string& title, ByteSink& out) {
    std::int64_t saved = stream.position();
    try {
        TitleSlot slot = findTitleSlot(stream);
        slot.end = std::min(slot.end, count);
        slot.start = std::min(slot.start, slot.end);
        copyRange(stream, 0, slot.start, out);
        const std::string text = html::escape(title, kTitle);
        out.write(slot.element ? "<title>" + text + "</title>" : text);
        copyRange(stream, slot.end, count, out);
    } catch (...) {
        stream.seek(saved, Origin::Beginning);
        throw;
    }
    stream.seek(saved, Origin::Beginning);
}

} // namespace

TopicPageWriter::TopicPageWriter(std::filesystem::path contentFolder, PageSource& source,
                                 std::vector<std::string>& writtenTopics,
                                 std::vector<std::string>& runLog, std::string sourcePageName,
                                 std::filesystem::path sourceFolder)
    : contentFolder_(std::move(contentFolder)), source_(source), writtenTopics_(writtenTopics),
      runLog_(runLog), mender_(std::move(sourcePageName), std::move(sourceFolder)) {}

std::string TopicPageWriter::topicName(const StructureNode& node) {
    return node.page.empty() ? node.title + "." + node.position : node.page;
}

void TopicPageWriter::renamePages(const std::vector<std::string>& names) {
    std::unordered_map<std::string, std::string> renamed; // file names, old → new
    for (std::size_t i = 0; i < names.size() && i < writtenTopics_.size(); ++i) {
        const std::string from = writtenTopics_[i] + ".htm";
        const std::string to = names[i] + ".htm";
        std::error_code ec;
        std::filesystem::rename(contentFolder_ / gbk::toPath(from),
                                contentFolder_ / gbk::toPath(to), ec);
        if (ec)
            throw Error(gbk::fromUtf8("无法把页面“") + from + gbk::fromUtf8("”改名为“") + to +
                        gbk::fromUtf8("”：") + ec.message());
        writtenTopics_[i] = names[i];
        renamed.emplace(from, to);
    }
    mender_.renamePages(renamed);
}

void TopicPageWriter::writeTopicPage(const StructureNode& node, bool buffered,
                                     std::string_view topicBytes, ReadStream* rawSource) {
    if (topicBytes.empty()) {
        runLog_.push_back(node.title + gbk::fromUtf8("无法建立"));
        return;
    }
    std::string name = topicName(node);
    writtenTopics_.push_back(name);

    std::filesystem::path file = contentFolder_ / gbk::toPath(name + ".htm");
    OutputFile page(file);
    std::size_t topicStart = 0;
    if (buffered) {
        std::string frame = pageFrameHead() +
                            html::escape(node.heading.empty() ? name : node.heading, kTitle) +
                            source_.afterTitle() + source_.prefixCode() + creditLine();
        page.write(frame);
        topicStart = frame.size();
        page.write(topicBytes);
        page.write(source_.suffixCode());
        page.write(pageFrameTail());
    } else if (rawSource) {
        copyTitled(*rawSource, toInt(node.endPosition) - toInt(node.position),
                   node.heading.empty() ? node.title : node.heading, page);
    }
    page.commit();
    if (buffered)
        mender_.notePage(file, name + ".htm", topicStart, topicBytes);
}

} // namespace qm
