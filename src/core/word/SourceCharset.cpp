#include "word/SourceCharset.h"

#include "html/HtmlTags.h"
#include "text/Charset.h"
#include "text/OutputFile.h"
#include "text/ReadStream.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace qm {
namespace {

// Where a charset name stands in a meta tag.
struct Declaration {
    std::size_t offset{};
    std::size_t length{};
};

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == ':';
}

// The charset name inside a content value such as "text/html; charset=big5".
std::optional<Declaration> charsetInContent(const html::Attribute& content) {
    std::string_view v = content.value;
    for (std::size_t at = 0; at + 7 <= v.size(); ++at) {
        if (!html::equalsLower(v.substr(at, 7), "charset"))
            continue;
        std::size_t p = at + 7;
        while (p < v.size() && (v[p] == ' ' || v[p] == '\t'))
            ++p;
        if (p >= v.size() || v[p] != '=')
            continue;
        ++p;
        while (p < v.size() && (v[p] == ' ' || v[p] == '\t' || v[p] == '"' || v[p] == '\''))
            ++p;
        std::size_t end = p;
        while (end < v.size() && isNameChar(v[end]))
            ++end;
        if (end > p)
            return Declaration{content.valueOffset + p, end - p};
    }
    return std::nullopt;
}

struct HeadScan {
    std::vector<Declaration> declarations;
    std::optional<std::size_t> headEnd; // just after the head start tag
};

// The charset declarations of the meta tags before the body.
HeadScan scanHead(std::string_view page) {
    HeadScan scan;
    html::forEachTag(page, [&](const html::Tag& tag) {
        if (tag.closing)
            return !tag.is("head");
        if (tag.is("body"))
            return false;
        if (tag.is("head") && !scan.headEnd)
            scan.headEnd = tag.end;
        if (!tag.is("meta"))
            return true;
        if (const html::Attribute* cs = tag.attribute("charset"); cs && !cs->value.empty()) {
            std::size_t len = 0;
            while (len < cs->value.size() && isNameChar(cs->value[len]))
                ++len;
            if (len > 0)
                scan.declarations.push_back({cs->valueOffset, len});
        } else if (const html::Attribute* content = tag.attribute("content")) {
            if (auto d = charsetInContent(*content))
                scan.declarations.push_back(*d);
        }
        return true;
    });
    return scan;
}

std::string normalised(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c >= 'A' && c <= 'Z')
            out += static_cast<char>(c - 'A' + 'a');
        else if (c != '-' && c != '_' && c != ' ' && c != '.')
            out += c;
    }
    return out;
}

bool isUnicodeFamily(std::string_view name) {
    std::string n = normalised(name);
    return n.starts_with("utf16") || n.starts_with("utf32") || n.starts_with("ucs") ||
           n == "unicode" || n == "unicodefffe";
}

std::string byteOrder(std::string_view page) {
    if (page.starts_with("\xEF\xBB\xBF"))
        return "UTF-8";
    if (page.starts_with("\xFF\xFE"))
        return "UTF-16LE";
    if (page.starts_with("\xFE\xFF"))
        return "UTF-16BE";
    // UTF-16 without a mark: every other byte of its ASCII markup is zero.
    if (page.size() >= 4) {
        auto zero = [&](std::size_t i) { return page[i] == '\0'; };
        if (!zero(0) && zero(1) && !zero(2) && zero(3))
            return "UTF-16LE";
        if (zero(0) && !zero(1) && zero(2) && !zero(3))
            return "UTF-16BE";
    }
    return {};
}

std::string_view withoutByteOrderMark(std::string_view page) {
    if (page.starts_with("\xEF\xBB\xBF"))
        return page.substr(3);
    if (page.starts_with("\xFF\xFE") || page.starts_with("\xFE\xFF"))
        return page.substr(2);
    return page;
}

// An XML declaration names the encoding the page had; the copy has another.
std::string_view withoutXmlDeclaration(std::string_view page) {
    constexpr std::string_view kSpace = " \t\r\n";
    std::size_t lead = page.find_first_not_of(kSpace);
    if (lead == std::string_view::npos || !page.substr(lead).starts_with("<?xml"))
        return page;
    std::size_t close = page.find("?>", lead);
    if (close == std::string_view::npos)
        return page;
    std::size_t next = page.find_first_not_of(kSpace, close + 2);
    return next == std::string_view::npos ? std::string_view() : page.substr(next);
}

} // namespace

std::string pageCharset(std::string_view page) {
    if (std::string bom = byteOrder(page); !bom.empty())
        return bom;
    HeadScan scan = scanHead(page);
    if (scan.declarations.empty())
        return {};
    const Declaration& d = scan.declarations.front();
    std::string name(page.substr(d.offset, d.length));
    // A page whose markup could be read byte by byte is in no UTF-16 or UTF-32, whatever
    // it says; Word's name "unicode" is handled by the byte-order mark above.
    if (isUnicodeFamily(name) || !charset::isKnown(name.c_str()))
        return {};
    return name;
}

bool isGbkCharset(std::string_view charsetName) {
    static constexpr std::array<std::string_view, 14> kNames = {
        "gb2312",   "gbk",   "gb18030", "cp936",    "ms936",           "windows936", "xgbk",
        "csgb2312", "euccn", "xeuccn",  "gb231280", "csiso58gb231280", "isoir58",    "chinese"};
    std::string n = normalised(charsetName);
    return std::find(kNames.begin(), kNames.end(), n) != kNames.end();
}

std::string pageToUtf8(std::string_view page) {
    std::string name = pageCharset(page);
    return charset::toUtf8(withoutByteOrderMark(page), name.empty() ? "GBK" : name.c_str());
}

std::string utf8PageToGbk(std::string_view utf8Page) {
    std::string_view page = withoutXmlDeclaration(utf8Page);
    HeadScan scan = scanHead(page);
    std::vector<html::Edit> edits;
    for (const Declaration& d : scan.declarations)
        edits.push_back({d.offset, d.length, "gb2312"});
    if (edits.empty() && scan.headEnd)
        edits.push_back(
            {*scan.headEnd, 0,
             "\r\n<meta http-equiv=Content-Type content=\"text/html; charset=gb2312\">"});
    return charset::fromUtf8(html::applyEdits(page, std::move(edits)), "GBK");
}

std::string pageToGbk(std::string_view page) {
    return utf8PageToGbk(pageToUtf8(page));
}

bool needsGbkCopy(const std::filesystem::path& html) {
    std::string name = pageCharset(readWholeFile(html));
    return !name.empty() && !isGbkCharset(name);
}

void writeGbkCopy(const std::filesystem::path& html, const std::filesystem::path& copy) {
    std::string gbk = pageToGbk(readWholeFile(html));
    OutputFile out(copy);
    out.write(gbk);
    out.commit();
}

} // namespace qm
