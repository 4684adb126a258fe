#include "split/HeadingScanner.h"

#include "split/ScanObserver.h"
#include "split/TopicPageWriter.h"
#include "text/ByteString.h"
#include "text/DelphiFormat.h"
#include "text/Gbk.h"

#include <charconv>
#include <cstring>

namespace qm {
namespace {

constexpr std::int64_t kClockEveryBytes = 1 << 15;
constexpr auto kProgressInterval = std::chrono::milliseconds(30);

// Bytes that never enter a title: white space and control bytes, and the characters
// that cannot stand in a file name or would break a link.
bool isExcludedTitleByte(unsigned char b) {
    return b <= 32 || std::strchr("\"'*/:;<>?[\\]|", b) != nullptr;
}

bool isDigit(unsigned char b) {
    return b >= '0' && b <= '9';
}

} // namespace

HeadingScanner::HeadingScanner(Source source, StructureTree& tree, TopicPageWriter& writer,
                               ScanObserver& observer, bool& outsideTag)
    : source_(std::move(source)), tree_(tree), writer_(writer), observer_(observer),
      outsideTag_(outsideTag) {}

void HeadingScanner::collectTitleByte(unsigned char b) {
    // The exclusion applies to single-byte characters: the second byte of a GBK
    // character may look like '\' or '|' and must stay with its first byte.
    bool trail = trailPending_ && gbk::isTrailByte(b);
    trailPending_ = !trail && gbk::isLeadByte(b);
    if (outsideTag_ && !titleText_.empty() && (trail || !isExcludedTitleByte(b)))
        titleText_.push_back(static_cast<char>(b));
}

bool HeadingScanner::readScanByte(unsigned char& byte) {
    if (!source_.workStream->readByte(byte))
        return false;
    topicBuffer_.push_back(static_cast<char>(byte));
    if (byte == '<')
        outsideTag_ = false;
    else if (byte == '>')
        outsideTag_ = true;
    collectTitleByte(byte);
    return true;
}

// A span without '<' read as one pass per byte would read it. Only while a title is
// being collected does every byte matter; before the first heading the collected text
// only decides whether a home topic exists, so one byte of it is enough.
void HeadingScanner::bulkSpan(std::string_view span) {
    bool collecting = !titleText_.empty() && !(current_ == nullptr && titleText_.size() >= 2);
    if (collecting) {
        unsigned char b = 0;
        for (std::size_t i = 0; i < span.size(); ++i)
            readScanByte(b);
        return;
    }
    topicBuffer_.append(span);
    if (std::memchr(span.data(), '>', span.size()) != nullptr)
        outsideTag_ = true;
    source_.workStream->skip(static_cast<std::int64_t>(span.size()));
}

bool HeadingScanner::progressAndAbort(bool force) {
    auto now = std::chrono::steady_clock::now();
    if (force || now - lastProgress_ >= kProgressInterval) {
        lastProgress_ = now;
        observer_.progress(source_.workStream->position(), total_);
    }
    return observer_.aborted();
}

bool HeadingScanner::accepted(unsigned char digit) {
    std::string limit = observer_.levelText();
    int d = 0;
    auto [end, ec] = std::from_chars(limit.data(), limit.data() + limit.size(), d);
    // "0", and a box without a number, mean every level.
    if (ec != std::errc() || d <= 0)
        return true;
    return digit - '0' <= d;
}

StructureNode* HeadingScanner::placeFor(int level) {
    StructureNode* c = current_;
    if (level == 1)
        return nullptr;
    if (level == previousLevel_)
        return c ? c->parent : nullptr;
    if (level > previousLevel_)
        return c;
    std::string levelText = std::to_string(level);
    StructureNode* node = c;
    for (int step = 0; step < previousLevel_ - level + 1; ++step) {
        if (node == nullptr || node->parent == nullptr)
            return nullptr;
        node = node->parent;
        if (node->level == levelText)
            return node->parent;
    }
    return node;
}

void HeadingScanner::closeTopic(StructureNode& node, std::int64_t endPosition) {
    node.endPosition = std::to_string(endPosition);
    writer_.WriteTopicPage(node, true, topicBuffer_, nullptr);
    observer_.nodeChanged(node);
}

void HeadingScanner::headingStart(unsigned char digit) {
    std::int64_t p = source_.workStream->position();
    std::string opening = std::string("<h") + static_cast<char>(digit);
    if (current_ != nullptr || titleText_.size() >= 2) {
        if (current_ == nullptr) {
            // Text came before the first heading: it becomes the home topic.
            titleText_.clear();
            StructureNode& home = tree_.append(nullptr);
            home.title = gbk::fromUtf8("首页");
            home.position = "1";
            current_ = &home;
            observer_.nodeAdded(home);
        }
        topicBuffer_.resize(topicBuffer_.size() - 3);
        closeTopic(*current_, p - 2);
        topicBuffer_ = opening;
    }

    double elapsed = delphi::timeOfDayNow() - startTime_;
    double estimate = elapsed * static_cast<double>(total_ - p - 1) / static_cast<double>(p + 1);
    std::string remaining = delphi::longTime(estimate);
    if (remaining != "00:00:00")
        observer_.remainingTime(gbk::fromUtf8("    大概剩余时间：") + remaining);

    titleText_ = " ";
    trailPending_ = false;
    int level = digit - '0';
    StructureNode& node = tree_.append(placeFor(level));
    node.position = std::to_string(p - 1);
    node.level = std::to_string(level);
    current_ = &node;
    previousLevel_ = level;
    observer_.nodeAdded(node);
}

void HeadingScanner::headingEnd() {
    if (current_ == nullptr)
        return;
    SetNodeTitle(*current_, titleText_);
    titleText_.clear();
    observer_.nodeChanged(*current_);
}

void HeadingScanner::SetNodeTitle(StructureNode& node, const std::string& text) {
    std::string title = text;
    for (std::size_t at; (at = title.find("&nbsp")) != std::string::npos;)
        title.erase(at, 5);
    title = std::string(TrimBlanks(title));
    if (title.empty()) // keeps untitled topics apart
        title = delphi::formatGeneral(static_cast<double>(node.index) + delphi::now());
    node.title = title;
}

void HeadingScanner::finish() {
    if (current_ != nullptr) {
        closeTopic(*current_, total_);
        return;
    }
    if (total_ == 0)
        return;
    // No heading at all: the whole IntermediateHtml, head included, is the one page.
    source_.workStream = std::make_unique<ReadStream>(source_.intermediateHtml);
    StructureNode& node = tree_.append(nullptr);
    node.title = source_.baseName;
    node.position = "0";
    node.endPosition = std::to_string(source_.workStream->size());
    node.level = "1";
    observer_.nodeAdded(node);
    writer_.WriteTopicPage(node, false, topicBuffer_, source_.workStream.get());
}

bool HeadingScanner::ScanHeadings() {
    ReadStream& stream = *source_.workStream;
    titleText_ = " ";
    trailPending_ = false;
    startTime_ = delphi::timeOfDayNow();
    topicBuffer_.clear();
    current_ = nullptr;
    previousLevel_ = 0;
    total_ = stream.seek(0, Origin::End);
    stream.seek(0, Origin::Beginning);
    lastProgress_ = std::chrono::steady_clock::now();
    bytesSinceClock_ = 0;

    while (true) {
        std::string_view span = stream.peekSpan();
        if (span.empty())
            break;
        const void* lt = std::memchr(span.data(), '<', span.size());
        std::size_t plain =
            lt ? static_cast<std::size_t>(static_cast<const char*>(lt) - span.data()) : span.size();
        if (plain > 0) {
            bulkSpan(span.substr(0, plain));
            bytesSinceClock_ += static_cast<std::int64_t>(plain);
            if (bytesSinceClock_ >= kClockEveryBytes) {
                bytesSinceClock_ = 0;
                if (progressAndAbort(false))
                    return false;
            }
            continue;
        }

        // One pass of the main loop on a '<' and the bytes it looks ahead at.
        unsigned char b = 0;
        readScanByte(b);
        ++bytesSinceClock_;
        bool more = readScanByte(b);
        if (more && b == '/') {
            more = readScanByte(b);
            if (more && b == 'h') {
                more = readScanByte(b);
                if (more && isDigit(b) && accepted(b))
                    headingEnd();
            }
        } else if (more && b == 'h') {
            more = readScanByte(b);
            if (more && isDigit(b) && accepted(b))
                headingStart(b);
        }
        if (bytesSinceClock_ >= kClockEveryBytes) {
            bytesSinceClock_ = 0;
            if (progressAndAbort(false))
                return false;
        }
        if (!more)
            break;
    }
    if (progressAndAbort(true))
        return false;
    finish();
    return true;
}

} // namespace qm
