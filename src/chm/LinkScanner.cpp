#include "chm/LinkScanner.h"

#include "chm/TextCodec.h"
#include "html/Entities.h"
#include "html/HtmlTags.h"
#include "text/ByteString.h"

#include <algorithm>

namespace qm::chm {
namespace {

// How much of a large page is converted to UTF-8 at a time.
constexpr std::size_t kConvertSliceBytes = 1 << 20;

// A page's charset is declared in its head; Word's heads carry long style blocks.
constexpr std::size_t kCharsetScanLimit = 256 * 1024;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool isAlpha(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string charsetOfContentType(std::string_view content) {
    std::string lowered = asciiLower(content);
    std::size_t at = lowered.find("charset=");
    if (at == std::string::npos)
        return {};
    std::string_view rest = std::string_view(content).substr(at + 8);
    std::size_t end = 0;
    while (end < rest.size() && rest[end] != ';' && !isSpace(rest[end]))
        ++end;
    return std::string(rest.substr(0, end));
}

bool isUtf16(const std::string& charset) {
    return charset == "UTF-16LE" || charset == "UTF-16BE";
}

void appendCssLinks(std::string_view css, const std::string& charset,
                    std::vector<std::string>& out) {
    std::string lowered = asciiLower(css);
    std::size_t p = 0;
    while ((p = lowered.find("url(", p)) != std::string::npos) {
        std::size_t begin = p + 4;
        std::size_t end = css.find(')', begin);
        if (end == std::string_view::npos)
            break;
        std::string_view value = trimBlanks(css.substr(begin, end - begin));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        std::string link = decodeReference(value, charset);
        if (!link.empty())
            out.push_back(std::move(link));
        p = end + 1;
    }
    p = 0;
    while ((p = lowered.find("@import", p)) != std::string::npos) {
        std::size_t q = p + 7;
        while (q < css.size() && isSpace(css[q]))
            ++q;
        if (q < css.size() && (css[q] == '"' || css[q] == '\'')) {
            char quote = css[q];
            std::size_t end = css.find(quote, q + 1);
            if (end == std::string_view::npos)
                break;
            std::string link = decodeReference(css.substr(q + 1, end - q - 1), charset);
            if (!link.empty())
                out.push_back(std::move(link));
            p = end + 1;
        } else {
            p = q; // "@import url(...)" is found by the url( pass
        }
    }
}

// True when a reference names a page on the internet (http:, https:, ftp:, mailto:,
// news:).
bool isInternetReference(std::string_view raw) {
    const std::string lowered = asciiLower(trimBlanks(raw));
    for (std::string_view scheme : {"http:", "https:", "ftp:", "mailto:", "news:"})
        if (lowered.rfind(scheme, 0) == 0)
            return true;
    return false;
}

// The attributes of a tag that name a file; hyperlinks (a, area) are also counted as
// the compile summary reports them.
void appendTagLinks(const html::Tag& tag, const std::string& charset, PageLinks& page) {
    std::vector<std::string>& out = page.links;
    auto take = [&](std::string_view attribute) {
        if (const html::Attribute* value = tag.attribute(attribute)) {
            std::string link = decodeReference(value->value, charset);
            if (!link.empty()) {
                out.push_back(std::move(link));
                return true;
            }
        }
        return false;
    };
    const std::string& n = tag.name;
    if (n == "link")
        take("href");
    if (n == "a" || n == "area") {
        if (take("href"))
            ++page.localLinks;
        else if (const html::Attribute* href = tag.attribute("href");
                 href && isInternetReference(href->value))
            ++page.internetLinks;
    }
    if (n == "img" || n == "script" || n == "frame" || n == "iframe" || n == "embed" ||
        n == "input" || n == "bgsound" || n == "audio" || n == "video" || n == "source" ||
        n == "track" || n == "xml" || n == "v:imagedata" || n == "v:fill")
        take("src");
    if (n == "img") {
        take("lowsrc");
        take("dynsrc");
    }
    take("background");
    if (n == "object")
        take("data");
    if (n == "param") {
        const html::Attribute* name = tag.attribute("name");
        std::string key = name ? asciiLower(trimBlanks(name->value)) : std::string();
        if (key == "movie" || key == "src" || key == "filename" || key == "file" ||
            key == "local" || key == "data" || key == "url")
            take("value");
    }
    if (n == "meta") {
        const html::Attribute* equiv = tag.attribute("http-equiv");
        const html::Attribute* content = tag.attribute("content");
        if (equiv && content && asciiLower(trimBlanks(equiv->value)) == "refresh") {
            std::string lowered = asciiLower(content->value);
            std::size_t at = lowered.find("url=");
            if (at != std::string::npos) {
                std::string link = decodeReference(content->value.substr(at + 4), charset);
                if (!link.empty())
                    out.push_back(std::move(link));
            }
        }
    }
    if (const html::Attribute* style = tag.attribute("style"))
        appendCssLinks(style->value, charset, out);
}

} // namespace

std::string declaredCharset(std::string_view page) {
    if (page.substr(0, 3) == "\xEF\xBB\xBF")
        return "UTF-8";
    if (page.substr(0, 2) == "\xFF\xFE")
        return "UTF-16LE";
    if (page.substr(0, 2) == "\xFE\xFF")
        return "UTF-16BE";
    html::TagReader tokens(page.substr(0, kCharsetScanLimit));
    while (tokens.next()) {
        const html::Tag& tag = tokens.tag();
        if (tag.name == "body" && !tag.closing)
            break;
        if (tag.name != "meta" || tag.closing)
            continue;
        if (const html::Attribute* charset = tag.attribute("charset"))
            return std::string(trimBlanks(charset->value));
        const html::Attribute* equiv = tag.attribute("http-equiv");
        const html::Attribute* content = tag.attribute("content");
        if (equiv && content && asciiLower(trimBlanks(equiv->value)) == "content-type") {
            std::string name = charsetOfContentType(content->value);
            if (!name.empty())
                return name;
        }
    }
    return {};
}

std::string pageToUtf8(std::string_view page, const std::string& charset) {
    if (page.substr(0, 3) == "\xEF\xBB\xBF")
        page.remove_prefix(3);
    else if (isUtf16(charset) &&
             (page.substr(0, 2) == "\xFF\xFE" || page.substr(0, 2) == "\xFE\xFF"))
        page.remove_prefix(2);
    const TextCodec codec(charset);
    // The converter holds its input in UTF-16 and its output grown by doubling: a large
    // page goes through in slices, measured first so that the result is allocated once.
    // A slice ends after a byte below 0x40, which no multi-byte character of an ASCII
    // based code page (GBK, Shift-JIS, Big5, UTF-8, ...) contains; code pages that
    // keep a state between characters are converted whole.
    const std::string name = asciiLower(charset);
    if (page.size() <= kConvertSliceBytes || isUtf16(charset) || name.rfind("utf-32", 0) == 0 ||
        name.find("2022") != std::string::npos || name.rfind("hz", 0) == 0 ||
        name.rfind("utf-7", 0) == 0)
        return codec.toUtf8(page);
    auto slices = [&](const auto& each) {
        std::string_view rest = page;
        while (!rest.empty()) {
            std::size_t cut = rest.size();
            for (std::size_t i = kConvertSliceBytes; i < rest.size(); ++i)
                if (static_cast<unsigned char>(rest[i]) < 0x40) {
                    cut = i + 1;
                    break;
                }
            each(rest.substr(0, cut));
            rest.remove_prefix(cut);
        }
    };
    std::size_t total = 0;
    slices([&](std::string_view slice) { total += codec.toUtf8(slice).size(); });
    std::string utf8;
    utf8.reserve(total);
    slices([&](std::string_view slice) { utf8 += codec.toUtf8(slice); });
    return utf8;
}

bool isLocalReference(std::string_view url) {
    url = trimBlanks(url);
    if (url.empty() || url.front() == '#' || url.front() == '?')
        return false;
    if (url.substr(0, 2) == "//" || url.substr(0, 2) == "\\\\")
        return false;
    if (isAlpha(url.front())) {
        std::size_t i = 1;
        while (i < url.size() && (isAlpha(url[i]) || (url[i] >= '0' && url[i] <= '9') ||
                                  url[i] == '+' || url[i] == '.' || url[i] == '-'))
            ++i;
        if (i < url.size() && url[i] == ':')
            return false; // a scheme, or a Windows drive letter
    }
    return true;
}

std::string decodeReference(std::string_view raw, const std::string& charset) {
    std::string compact;
    compact.reserve(raw.size());
    for (char c : trimBlanks(raw))
        if (c != '\r' && c != '\n' && c != '\t')
            compact.push_back(c);
    std::string text = html::decodeEntities(TextCodec(charset).toUtf8(compact));
    std::string_view view = trimBlanks(text);
    if (!isLocalReference(view))
        return {};
    std::size_t cut = view.find_first_of("#?");
    if (cut != std::string_view::npos)
        view = view.substr(0, cut);
    if (view.empty())
        return {};
    std::string decoded = percentDecode(view);
    if (!isValidUtf8(decoded))
        decoded = TextCodec(charset).toUtf8(decoded);
    return decoded;
}

PageLinks scanPage(std::string_view page, const std::string& fallbackCharset) {
    PageLinks result;
    const std::string declared = declaredCharset(page);
    std::string charset = charsetForHtmlName(declared);
    if (charset.empty()) {
        charset = fallbackCharset;
        result.unknownCharset = declared;
    }
    result.charset = charset;

    std::string converted;
    std::string working = charset;
    if (isUtf16(charset)) {
        converted = pageToUtf8(page, charset);
        page = converted;
        working = "UTF-8";
    } else if (page.substr(0, 3) == "\xEF\xBB\xBF") {
        page.remove_prefix(3);
    }

    // Word's unfiltered pages show their pictures in VML inside conditional comments.
    html::TagReader tokens(page, html::ConditionalComments::Read);
    bool haveTitle = false;
    while (tokens.next()) {
        const html::Tag& tag = tokens.tag();
        if (tag.closing || tag.name[0] == '!')
            continue;
        appendTagLinks(tag, working, result);
        if (tag.name == "script") {
            tokens.rawTextUntilClose("script");
        } else if (tag.name == "style") {
            appendCssLinks(tokens.rawTextUntilClose("style"), working, result.links);
        } else if (tag.name == "title" && !haveTitle) {
            // As HTML Help Workshop reads titles: "&Icirc;" is a byte of the code page.
            std::string title = decodeEntities(
                TextCodec(working).toUtf8(tokens.rawTextUntilClose("title")), working);
            std::string collapsed;
            bool space = false;
            for (char c : title) {
                if (isSpace(c)) {
                    space = !collapsed.empty();
                    continue;
                }
                if (space)
                    collapsed.push_back(' ');
                space = false;
                collapsed.push_back(c);
            }
            result.title = std::move(collapsed);
            haveTitle = true;
        }
    }
    return result;
}

std::vector<std::string> scanStyleSheet(std::string_view css, const std::string& charset) {
    std::vector<std::string> links;
    if (css.substr(0, 3) == "\xEF\xBB\xBF")
        css.remove_prefix(3);
    appendCssLinks(css, charset, links);
    return links;
}

} // namespace qm::chm
