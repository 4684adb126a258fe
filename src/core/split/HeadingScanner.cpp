#include "split/HeadingScanner.h"

#include "split/HeadingText.h"
#include "split/ScanObserver.h"
#include "split/TopicPageWriter.h"
#include "text/ByteString.h"
#include "text/Gbk.h"
#include "text/NumberDateText.h"
#include "text/SafeName.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstring>

namespace qm {
namespace {

constexpr std::int64_t kClockEveryBytes = 1 << 15;
constexpr auto kProgressInterval = std::chrono::milliseconds(30);

// Bytes that do not count as text before the first heading: white space and control
// bytes, and the characters that cannot stand in a file name.
bool isExcludedTitleByte(unsigned char b) {
    return b <= 32 || std::strchr("\"'*/:;<>?[\\]|", b) != nullptr;
}

bool isDigit(unsigned char b) {
    return b >= '0' && b <= '9';
}

bool isTagDelimiter(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '>' || c == '/';
}

// True when tag (from its '<') opens with name, compared without case.
bool tagIs(std::string_view tag, std::string_view lowerName) {
    if (tag.size() <= lowerName.size())
        return false;
    for (std::size_t i = 0; i < lowerName.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(tag[i])) != lowerName[i])
            return false;
    return isTagDelimiter(tag[lowerName.size()]);
}

} // namespace

HeadingScanner::HeadingScanner(Source source, StructureTree& tree, TopicPageWriter& writer,
                               ScanObserver& observer, bool& outsideTag)
    : source_(std::move(source)), tree_(tree), writer_(writer), observer_(observer),
      outsideTag_(outsideTag) {}

std::string HeadingScanner::pageTitle(const std::string& heading, const std::string& position) {
    std::size_t frame = kTemporarySuffixBytes + 1 + position.size() + 4; // ".<pos>.htm"
    std::string title = safeName(heading, kMaxFileNameBytes - frame);
    return title.empty() ? gbk::fromUtf8("无标题") : title;
}

void HeadingScanner::append(std::string_view bytes) {
    topicBuffer_.append(bytes);
    source_.workStream->skip(static_cast<std::int64_t>(bytes.size()));
}

bool HeadingScanner::readScanByte(unsigned char& byte) {
    if (!source_.workStream->readByte(byte))
        return false;
    topicBuffer_.push_back(static_cast<char>(byte));
    if (byte == '<') {
        outsideTag_ = false;
        tagStart_ = source_.workStream->position() - 1;
    } else if (byte == '>') {
        outsideTag_ = true;
    } else if (outsideTag_ && current_ == nullptr && !isExcludedTitleByte(byte)) {
        sawText_ = true;
    }
    return true;
}

// A span without '<', taken whole. The '>' that ends a start tag of a script, style
// sheet or text area ends the span there: what follows holds no headings.
std::size_t HeadingScanner::bulkSpan(std::string_view span) {
    if (!outsideTag_) {
        std::size_t close = span.find('>');
        if (close != std::string_view::npos) {
            append(span.substr(0, close + 1));
            outsideTag_ = true;
            enterRawTextIfScript();
            return close + 1;
        }
    } else if (current_ == nullptr && !sawText_) {
        sawText_ = std::any_of(span.begin(), span.end(), [](char c) {
            return !isExcludedTitleByte(static_cast<unsigned char>(c));
        });
    }
    append(span);
    return span.size();
}

void HeadingScanner::enterRawTextIfScript() {
    std::string_view tag(topicBuffer_);
    tag.remove_prefix(static_cast<std::size_t>(tagStart_ - bufferStart_));
    for (std::string_view name : {"<script", "<style", "<textarea"}) {
        if (tagIs(tag, name)) {
            hidden_ = Hidden::RawText;
            hiddenStart_ = bufferStart_ + static_cast<std::int64_t>(topicBuffer_.size());
            rawTextEnd_ = "</" + std::string(name.substr(1));
            return;
        }
    }
}

// Inside a comment or raw text: everything up to the next '>' that may end it.
std::size_t HeadingScanner::hiddenSpan(std::string_view span) {
    std::size_t close = span.find('>');
    if (close == std::string_view::npos) {
        append(span);
        return span.size();
    }
    append(span.substr(0, close + 1));
    std::string_view buffer(topicBuffer_);
    std::int64_t end = bufferStart_ + static_cast<std::int64_t>(buffer.size());
    bool ended = false;
    if (hidden_ == Hidden::Comment) {
        // "<!-->" and "<!--->" do not end the comment they open.
        ended = buffer.ends_with("-->") && end - 3 >= hiddenStart_ + 4;
    } else {
        std::size_t lt = buffer.rfind('<');
        ended = lt != std::string_view::npos &&
                static_cast<std::int64_t>(lt) + bufferStart_ >= hiddenStart_ &&
                tagIs(buffer.substr(lt), rawTextEnd_);
    }
    if (ended) {
        hidden_ = Hidden::None;
        outsideTag_ = true;
    }
    return close + 1;
}

bool HeadingScanner::progressAndAbort(bool force) {
    auto now = std::chrono::steady_clock::now();
    if (!surveying_ && (force || now - lastProgress_ >= kProgressInterval)) {
        lastProgress_ = now;
        observer_.progress(source_.workStream->position(), total_);
    }
    return observer_.aborted();
}

bool HeadingScanner::accepted(unsigned char digit) {
    std::string limit = observer_.levelText();
    int d = 0;
    auto [end, ec] = std::from_chars(limit.data(), limit.data() + limit.size(), d);
    // "0", and a box without a number, mean every level; the survey takes every level.
    if (surveying_ || ec != std::errc() || d <= 0)
        return true;
    return treeLevel(digit - '0') <= d;
}

int HeadingScanner::treeLevel(int level) const {
    return level > levelsAboveTop_ ? level - levelsAboveTop_ : level;
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

void HeadingScanner::closeTopic(StructureNode& node, std::int64_t endPosition, std::size_t length) {
    node.endPosition = std::to_string(endPosition);
    writer_.writeTopicPage(node, true, std::string_view(topicBuffer_).substr(0, length), nullptr);
    topicBuffer_.erase(0, length);
    bufferStart_ += static_cast<std::int64_t>(length);
    observer_.nodeChanged(node);
}

void HeadingScanner::headingStart(unsigned char digit) {
    std::int64_t p = source_.workStream->position();
    // A heading without an end tag ends where the next one starts.
    if (pending_)
        resolvePending(p - 3);

    double elapsed = numdate::timeOfDayNow() - startTime_;
    double estimate = elapsed * static_cast<double>(total_ - p - 1) / static_cast<double>(p + 1);
    std::string remaining = numdate::longTime(estimate);
    if (remaining != "00:00:00" && !surveying_)
        observer_.remainingTime(gbk::fromUtf8("    大概剩余时间：") + remaining);

    pending_ = PendingHeading{digit - '0', p - 3, sawText_};
}

void HeadingScanner::headingEnd() {
    if (pending_)
        resolvePending(bufferStart_ + static_cast<std::int64_t>(topicBuffer_.size()));
}

void HeadingScanner::resolvePending(std::int64_t end) {
    PendingHeading heading = *pending_;
    pending_.reset();
    std::string_view markup(topicBuffer_);
    markup = markup.substr(static_cast<std::size_t>(heading.start - bufferStart_),
                           static_cast<std::size_t>(end - heading.start));
    std::string text = readableHeading(markup);
    if (!text.empty()) {
        commit(heading, std::move(text), false);
    } else if (hasPicture(markup)) {
        // A heading that shows only a picture is called by the picture's name.
        std::string name = pictureName(markup);
        const bool named = !name.empty();
        commit(heading, named ? std::move(name) : gbk::fromUtf8("无标题"), named);
    }
}

void HeadingScanner::commit(const PendingHeading& heading, std::string text, bool picture) {
    auto before = static_cast<std::size_t>(heading.start - bufferStart_);
    if (surveying_) {
        if (heading.level >= 1)
            topLevel_ = topLevel_ == 0 ? heading.level : std::min(topLevel_, heading.level);
        topicBuffer_.erase(0, before);
        bufferStart_ += static_cast<std::int64_t>(before);
        return;
    }
    if (current_ == nullptr && heading.textBefore) {
        // Text came before the first heading: it becomes the home topic.
        StructureNode& home = tree_.append(nullptr);
        home.title = gbk::fromUtf8("首页");
        home.heading = home.title;
        home.position = "1";
        current_ = &home;
        observer_.nodeAdded(home);
    }
    // Without a home topic, the markup before the first heading joins its page.
    if (current_ != nullptr)
        closeTopic(*current_, heading.start + 1, before);

    const int level = treeLevel(heading.level);
    StructureNode& node = tree_.append(placeFor(level));
    node.position = std::to_string(heading.start + 2);
    node.level = std::to_string(level);
    node.heading = std::move(text);
    node.pictureHeading = picture;
    node.title = pageTitle(node.heading, node.position);
    current_ = &node;
    previousLevel_ = level;
    observer_.nodeAdded(node);
}

void HeadingScanner::finish() {
    if (pending_)
        resolvePending(bufferStart_ + static_cast<std::int64_t>(topicBuffer_.size()));
    if (current_ != nullptr) {
        closeTopic(*current_, total_, topicBuffer_.size());
        return;
    }
    if (total_ == 0)
        return;
    // No heading at all: the whole IntermediateHtml, head included, is the one page.
    source_.workStream = std::make_unique<ReadStream>(source_.intermediateHtml);
    StructureNode& node = tree_.append(nullptr);
    node.title = source_.baseName;
    node.heading = source_.baseName;
    node.position = "0";
    node.endPosition = std::to_string(source_.workStream->size());
    node.level = "1";
    observer_.nodeAdded(node);
    writer_.writeTopicPage(node, false, topicBuffer_, source_.workStream.get());
}

// Back to the stream's start with nothing read.
void HeadingScanner::startPass() {
    ReadStream& stream = *source_.workStream;
    sawText_ = false;
    startTime_ = numdate::timeOfDayNow();
    topicBuffer_.clear();
    bufferStart_ = 0;
    tagStart_ = 0;
    pending_.reset();
    hidden_ = Hidden::None;
    current_ = nullptr;
    previousLevel_ = 0;
    total_ = stream.seek(0, Origin::End);
    stream.seek(0, Origin::Beginning);
    lastProgress_ = std::chrono::steady_clock::now();
    bytesSinceClock_ = 0;
}

// The survey: the highest heading level present (0: none), read as the scan reads
// headings; it stops at the first level-1 heading, which most documents have early.
bool HeadingScanner::surveyTopLevel() {
    const bool outsideTag = outsideTag_;
    surveying_ = true;
    topLevel_ = 0;
    startPass();
    const bool read = readStream();
    surveying_ = false;
    outsideTag_ = outsideTag;
    return read;
}

bool HeadingScanner::scanHeadings() {
    // A document without a level-1 heading has its highest level present at the top of
    // its tree, and the level limit counts from there.
    if (!surveyTopLevel())
        return false;
    levelsAboveTop_ = topLevel_ > 1 ? topLevel_ - 1 : 0;
    startPass();
    if (!readStream() || progressAndAbort(true))
        return false;
    finish();
    return true;
}

bool HeadingScanner::readStream() {
    ReadStream& stream = *source_.workStream;
    while (!(surveying_ && topLevel_ == 1)) {
        std::string_view span = stream.peekSpan();
        if (span.empty())
            break;
        std::size_t plain = span.size();
        if (hidden_ != Hidden::None) {
            plain = hiddenSpan(span);
        } else if (span.front() != '<') {
            const void* lt = std::memchr(span.data(), '<', span.size());
            if (lt != nullptr)
                plain = static_cast<std::size_t>(static_cast<const char*>(lt) - span.data());
            plain = bulkSpan(span.substr(0, plain));
        } else if (!tagPass()) {
            break;
        } else {
            plain = 1;
        }
        bytesSinceClock_ += static_cast<std::int64_t>(plain);
        if (bytesSinceClock_ >= kClockEveryBytes) {
            bytesSinceClock_ = 0;
            if (progressAndAbort(false))
                return false;
        }
    }
    if (surveying_ && pending_)
        resolvePending(bufferStart_ + static_cast<std::int64_t>(topicBuffer_.size()));
    return true;
}

// One pass of the main loop on a '<' and the bytes it looks ahead at; false when the
// stream ends within them.
bool HeadingScanner::tagPass() {
    unsigned char b = 0;
    readScanByte(b);
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
    } else if (more && b == '!') {
        more = readScanByte(b);
        if (more && b == '-') {
            more = readScanByte(b);
            if (more && b == '-') {
                hidden_ = Hidden::Comment;
                hiddenStart_ = tagStart_;
            }
        }
    }
    return more;
}

} // namespace qm
