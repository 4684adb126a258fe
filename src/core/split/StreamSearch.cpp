#include "split/StreamSearch.h"

#include <algorithm>
#include <string>

namespace qm {
namespace {

bool isTagDelimiter(unsigned char b) {
    return b == 9 || b == 10 || b == 13 || b == 32 || b == '>';
}

void seekUnlessCurrent(ReadStream& stream, Origin origin, std::int64_t offset) {
    if (!(offset == 0 && origin == Origin::Current))
        stream.seek(offset, origin);
}

// Forward search over the buffered spans. The result is the first occurrence that
// begins at or after the start, exactly as a byte-at-a-time matcher finds it.
std::int64_t searchForward(std::string_view text, ReadStream& stream) {
    std::string window; // the tail of the previous span that may begin a match
    while (true) {
        std::int64_t spanStart = stream.position();
        std::string_view span = stream.peekSpan();
        if (span.empty())
            return -1;
        std::string joined = window;
        joined.append(span);
        std::size_t hit = joined.find(text);
        std::int64_t joinedStart = spanStart - static_cast<std::int64_t>(window.size());
        if (hit != std::string::npos) {
            std::int64_t found = joinedStart + static_cast<std::int64_t>(hit);
            stream.seek(found + static_cast<std::int64_t>(text.size()), Origin::Beginning);
            return found;
        }
        stream.skip(static_cast<std::int64_t>(span.size()));
        std::size_t keep = std::min(joined.size(), text.size() - 1);
        window.assign(joined, joined.size() - keep, keep);
    }
}

std::int64_t searchBackward(std::string_view text, ReadStream& stream) {
    // The occurrence that ends nearest before the start: walk back block by block,
    // carrying the first bytes of the later block so that matches across blocks count.
    constexpr std::int64_t kBlock = 1 << 16;
    std::int64_t hi = stream.position();
    std::string carry;
    while (hi > 0) {
        std::int64_t lo = std::max<std::int64_t>(0, hi - kBlock);
        std::string block;
        stream.seek(lo, Origin::Beginning);
        if (stream.read(block, hi - lo) != hi - lo)
            break;
        block += carry;
        std::size_t hit = block.rfind(text);
        if (hit != std::string::npos) {
            std::int64_t found = lo + static_cast<std::int64_t>(hit);
            stream.seek(found, Origin::Beginning);
            return found;
        }
        carry.assign(block, 0, std::min(block.size(), text.size() - 1));
        hi = lo;
    }
    stream.seek(0, Origin::Beginning);
    return -1;
}

} // namespace

int readByteBackward(ReadStream& stream, unsigned char& byte) {
    std::int64_t pos = stream.position();
    if (pos <= 0)
        return 0;
    stream.seek(pos - 1, Origin::Beginning);
    if (!stream.readByte(byte))
        return 0;
    stream.seek(pos - 1, Origin::Beginning);
    return 1;
}

std::int64_t searchStream(std::string_view text, ReadStream& stream, Origin origin,
                          std::int64_t offset, bool backward) {
    if (text.empty())
        return -1;
    seekUnlessCurrent(stream, origin, offset);
    return backward ? searchBackward(text, stream) : searchForward(text, stream);
}

std::int64_t findTag(std::string_view name, ReadStream& stream, Origin origin,
                     std::int64_t offset) {
    seekUnlessCurrent(stream, origin, offset);
    while (true) {
        std::int64_t found = searchStream(name, stream, Origin::Current, 0, false);
        if (found < 0)
            return -1;
        unsigned char next = 0;
        if (!stream.readByte(next))
            return -1;
        if (isTagDelimiter(next))
            return found;
        stream.seek(-1, Origin::Current);
    }
}

bool lastDelimiterWasClose(ReadStream& stream) {
    std::int64_t pos = stream.position();
    unsigned char b = 0;
    bool close = pos > 0 && readByteBackward(stream, b) == 1 && b == '>';
    stream.seek(pos, Origin::Beginning);
    return close;
}

bool skipToStartTagEnd(ReadStream& stream, bool delimiterWasClose) {
    if (delimiterWasClose)
        return true;
    unsigned char b = 0;
    while (stream.readByte(b))
        if (b == '>')
            return true;
    return false;
}

namespace {

// True when a heading start tag ("<h1" to "<h9", either case) begins in [from, to).
bool headingStartIn(ReadStream& stream, std::int64_t from, std::int64_t to) {
    constexpr std::int64_t kChunk = 64 * 1024;
    std::string span;
    for (std::int64_t at = from; at < to; at += kChunk) {
        const std::int64_t starts = std::min(kChunk, to - at);
        span.clear();
        stream.seek(at, Origin::Beginning);
        // Two bytes more, so that a tag across the chunk's end is seen whole.
        stream.read(span, starts + 2);
        for (std::size_t i = 0; i < static_cast<std::size_t>(starts) && i + 2 < span.size(); ++i)
            if (span[i] == '<' && (span[i + 1] == 'h' || span[i + 1] == 'H') &&
                span[i + 2] >= '1' && span[i + 2] <= '9')
                return true;
    }
    return false;
}

} // namespace

std::int64_t findSectionDiv(ReadStream& stream, std::int64_t from) {
    const std::int64_t div = findTag("<div", stream, Origin::Beginning, from);
    if (div < 0)
        return -1;
    const std::int64_t after = stream.position();
    const bool headingFirst = headingStartIn(stream, from, div);
    stream.seek(after, Origin::Beginning);
    return headingFirst ? -1 : div;
}

} // namespace qm
