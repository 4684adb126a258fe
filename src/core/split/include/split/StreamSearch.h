#pragma once

#include "text/ReadStream.h"

#include <cstdint>
#include <string_view>

// Byte-level searches over a file stream. Matching is exact and case-sensitive on raw
// bytes (the HTML is GBK and is never decoded); offsets are 64-bit, -1 = not found.
namespace qm {

// Moves back one byte and reads it, leaving the stream on the byte read. Returns the
// number of bytes read: 1, or 0 at the start of the stream.
int readByteBackward(ReadStream& stream, unsigned char& byte);

// Finds text from offset relative to origin (no seek for offset 0 from the current
// position). Forward: the first occurrence beginning at or after the start, the stream
// left just after it. Backward: the occurrence ending nearest before the start, the
// stream left on its first byte. Returns the offset of its first byte, or -1.
std::int64_t searchStream(std::string_view text, ReadStream& stream, Origin origin,
                          std::int64_t offset, bool backward);

// Finds a tag name (like "<div") that is followed by a tag delimiter (TAB, LF, CR, space
// or '>'), so "<div" does not match "<divx". Returns the offset of its '<' with the
// stream just after the delimiter, or -1.
std::int64_t findTag(std::string_view name, ReadStream& stream, Origin origin, std::int64_t offset);

// After findTag: moves to the end of the start tag (just after its first '>') and
// returns true, or returns false when the stream ends first. delimiterWasClose tells
// that the delimiter findTag consumed was the '>' itself.
bool skipToStartTagEnd(ReadStream& stream, bool delimiterWasClose);

// The byte findTag consumed after the name (for skipToStartTagEnd).
bool lastDelimiterWasClose(ReadStream& stream);

// The section div of a page: the first div start tag from offset `from` (the end of
// the body start tag) on, provided no heading start tag ("<h1" to "<h9", either case)
// comes before it. Word puts its section div first in the body; a page whose headings
// come before its first div (LibreOffice's, whose only divs hold the footnotes at the
// end) has none. Returns the offset of its '<' with the stream just after the
// delimiter, as findTag leaves it, or -1.
std::int64_t findSectionDiv(ReadStream& stream, std::int64_t from);

} // namespace qm
