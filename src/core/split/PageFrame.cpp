#include "split/PageFrame.h"

#include "split/DefaultHeader.h"
#include "split/StreamSearch.h"
#include "text/Gbk.h"

#include <algorithm>

namespace qm {

const std::string& pageFrameHead() {
    static const std::string text =
        "<html> \r\n<head> \r\n<meta http-equiv=Content-Type content=\"text/html; "
        "charset=gb2312\"> \r\n<meta name=Generator content=\"Microsoft Word 10 (filtered)\"> "
        "\r\n<title>";
    return text;
}

const std::string& pageFrameTail() {
    static const std::string text = "</div> \r\n</body> \r\n</html> ";
    return text;
}

// A comment: a white line of text still drew its link's underline on the page, and
// its words turned up in every search of the help.
const std::string& creditLine() {
    static const std::string text =
        "<!-- Powered By " + std::string(kMakerName) + " " + std::string(kMakerAddress) + " -->";
    return text;
}

const std::string& defaultAfterTitle() {
    static const std::string text = gbk::fromUtf8(buildDefaultHeader());
    return text;
}

namespace {

// The bytes from..to of the stream.
std::string readRange(ReadStream& stream, std::int64_t from, std::int64_t to) {
    std::string bytes;
    stream.seek(from, Origin::Beginning);
    stream.read(bytes, to - from);
    return bytes;
}

// Finds a start tag from offset on; returns the offset just after its '>', or -1.
std::int64_t startTagEnd(ReadStream& stream, std::string_view name, std::int64_t from,
                         std::int64_t* at = nullptr) {
    std::int64_t found = findTag(name, stream, Origin::Beginning, from);
    if (found < 0 || !skipToStartTagEnd(stream, lastDelimiterWasClose(stream)))
        return -1;
    if (at)
        *at = found;
    return stream.position();
}

// The end of the section div's start tag, found from the end of the body start tag;
// -1 when the page has none.
std::int64_t sectionDivEnd(ReadStream& stream, std::int64_t bodyEnd, std::int64_t* at) {
    const std::int64_t found = findSectionDiv(stream, bodyEnd);
    if (found < 0 || !skipToStartTagEnd(stream, lastDelimiterWasClose(stream)))
        return -1;
    *at = found;
    return stream.position();
}

// A head for a page that lacks "</title" or a div after it (Word 2007 and later save
// pages without a title): the page's own head and body start tags, with a title end
// tag, a head end and a div supplied where they are missing, so that every topic page
// closes its title and shows its text.
std::string composedHead(ReadStream& stream) {
    std::string head = "</title>\r\n";
    std::int64_t headEnd = startTagEnd(stream, "<head", 0);
    std::int64_t bodyAt = -1;
    std::int64_t bodyEnd =
        startTagEnd(stream, "<body", std::max<std::int64_t>(headEnd, 0), &bodyAt);
    if (headEnd >= 0) {
        std::int64_t closeAt = findTag("</head", stream, Origin::Beginning, headEnd);
        std::int64_t stop = closeAt >= 0 ? closeAt : (bodyAt >= 0 ? bodyAt : headEnd);
        std::string inner = readRange(stream, headEnd, stop);
        // The page's own title goes: the frame writes the topic's, and one left open
        // would swallow the page.
        std::size_t title = inner.find("<title");
        if (title != std::string::npos) {
            std::size_t close = inner.find("</title", title);
            std::size_t end =
                close != std::string::npos ? inner.find('>', close) : inner.find('<', title + 1);
            inner.erase(title, end == std::string::npos
                                   ? std::string::npos
                                   : end - title + (close != std::string::npos));
        }
        head += inner;
    }
    head += "</head>\r\n";
    if (bodyEnd < 0)
        return head + "<body>\r\n<div>";
    head += readRange(stream, bodyAt, bodyEnd);
    std::int64_t divAt = -1;
    std::int64_t divEnd = sectionDivEnd(stream, bodyEnd, &divAt);
    return head + (divEnd >= 0 ? readRange(stream, divAt, divEnd) : std::string("\r\n<div>"));
}

// The offset just after the first start tag of name when it starts before limit (-1:
// no limit), or -1.
std::int64_t startTagEndBefore(ReadStream& stream, std::string_view name, std::int64_t limit,
                               std::int64_t* at = nullptr) {
    std::int64_t found = -1;
    std::int64_t end = startTagEnd(stream, name, 0, &found);
    if (end < 0 || (limit >= 0 && found >= limit))
        return -1;
    if (at)
        *at = found;
    return end;
}

} // namespace

TitleSlot findTitleSlot(ReadStream& page) {
    const std::int64_t body = findTag("<body", page, Origin::Beginning, 0);
    std::int64_t titleAt = -1;
    const std::int64_t contentStart = startTagEndBefore(page, "<title", body, &titleAt);
    if (contentStart >= 0) {
        const std::int64_t close =
            searchStream("</title", page, Origin::Beginning, contentStart, false);
        if (close >= 0 && (body < 0 || close < body))
            return {contentStart, close, false};
        // A title never closed would swallow the page: its start tag becomes a whole title.
        return {titleAt, contentStart, true};
    }
    for (std::string_view container : {"<head", "<html"}) {
        const std::int64_t end = startTagEndBefore(page, container, body);
        if (end >= 0)
            return {end, end, true};
    }
    return {0, 0, true};
}

std::string readSourceHead(const std::filesystem::path& intermediateHtml) {
    ReadStream stream(intermediateHtml);
    std::int64_t titleEnd = findTag("</title", stream, Origin::Current, 0);
    if (titleEnd < 0)
        return composedHead(stream);
    std::int64_t bodyEnd = startTagEnd(stream, "<body", stream.position());
    std::int64_t divAt = -1;
    std::int64_t end = bodyEnd >= 0 ? sectionDivEnd(stream, bodyEnd, &divAt) : -1;
    if (end < 0)
        return composedHead(stream);
    return readRange(stream, titleEnd, end);
}

} // namespace qm
