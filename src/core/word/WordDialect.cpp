#include "word/WordDialect.h"

#include "FileNameFields.h"
#include "ReadingEdits.h"
#include "html/Entities.h"
#include "html/Escape.h"
#include "html/HtmlTags.h"
#include "text/ByteString.h"
#include "text/Gbk.h"
#include "word/SourceCharset.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

namespace qm {
namespace {

constexpr std::string_view kSectionStart = "<div class=Section1>";
constexpr std::string_view kSectionEnd = "</div>";
constexpr std::string_view kMarkName = "quillmark-conversion";

// A name in the mark: ASCII whatever the name and the page's charset.
std::string percentEncoded(std::string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : name) {
        auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '.' || c == '_' || c == '-') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// "<meta name=quillmark-conversion content="folder/file/file...">"; names cannot hold '/'.
std::string markTag(std::string_view folder, const std::vector<SupportingFile>& files) {
    std::string content;
    if (!files.empty()) {
        content = percentEncoded(folder);
        for (const SupportingFile& f : files)
            content += "/" + percentEncoded(f.name);
    }
    return "<meta name=\"" + std::string(kMarkName) + "\" content=\"" + content + "\">\r\n";
}

// An attribute value as the file name it stands for: its references decoded, then the
// percent-encoding of the URL.
std::string linkTarget(std::string_view value) {
    std::string out = percentDecode(html::decodeEntities(value));
    if (out.starts_with("./"))
        out.erase(0, 2);
    return out;
}

// The link text for a file of the folder: what would break a URL or the attribute is
// escaped; everything else (spaces, non-ASCII names) stays as Word writes it.
std::string linkText(std::string_view folder, std::string_view name) {
    std::string url;
    for (char c : std::string(folder) + "/" + std::string(name)) {
        switch (c) {
        case '%':
            url += "%25";
            break;
        case '#':
            url += "%23";
            break;
        case '?':
            url += "%3F";
            break;
        default:
            url += c;
        }
    }
    return html::escape(url, {.apostrophe = true});
}

std::optional<std::string> decodeBase64(std::string_view text) {
    std::string out;
    unsigned int buffer = 0;
    int bits = 0;
    for (char c : text) {
        int v = -1;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+' || c == '-')
            v = 62;
        else if (c == '/' || c == '_')
            v = 63;
        else if (c == '=')
            break;
        else if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        else
            return std::nullopt;
        buffer = (buffer << 6) | static_cast<unsigned int>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFFu);
        }
    }
    return out;
}

// "image/png" -> "png"; unknown types keep their subtype when it is a plain word.
std::string extensionOfType(std::string_view type) {
    std::string sub(
        type.substr(type.find('/') == std::string_view::npos ? type.size() : type.find('/') + 1));
    std::transform(sub.begin(), sub.end(), sub.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
    if (sub == "jpeg" || sub == "pjpeg")
        return "jpg";
    if (sub == "svg+xml")
        return "svg";
    if (sub == "x-wmf")
        return "wmf";
    if (sub == "x-emf")
        return "emf";
    bool plain = !sub.empty() && std::all_of(sub.begin(), sub.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    });
    return plain ? sub : "bin";
}

std::string extensionOfName(std::string_view name) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size())
        return "bin";
    std::string ext(name.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
    return ext;
}

// Collects the pictures in order of first use and names them as Word does.
class PictureNames {
public:
    explicit PictureNames(const std::vector<std::string>& exported) : exported_(exported) {}

    // The folder name of an exported file, or nullopt when target names none.
    std::optional<std::string> forExported(const std::string& target) {
        if (std::find(exported_.begin(), exported_.end(), target) == exported_.end())
            return std::nullopt;
        if (auto it = byExported_.find(target); it != byExported_.end())
            return it->second;
        std::string name = next(extensionOfName(target));
        byExported_[target] = name;
        files_.push_back({name, target, {}});
        return name;
    }

    // The folder name of a picture given inside the page as "data:<type>;base64,<data>".
    std::optional<std::string> forDataUri(std::string_view uri) {
        std::size_t comma = uri.find(',');
        if (comma == std::string_view::npos)
            return std::nullopt;
        std::string_view header = uri.substr(5, comma - 5);
        if (header.size() < 7 || !html::equalsLower(header.substr(header.size() - 7), ";base64"))
            return std::nullopt;
        std::optional<std::string> bytes = decodeBase64(uri.substr(comma + 1));
        if (!bytes)
            return std::nullopt;
        if (auto it = byBytes_.find(*bytes); it != byBytes_.end())
            return it->second;
        std::string name = next(extensionOfType(header.substr(0, header.size() - 7)));
        byBytes_[*bytes] = name;
        files_.push_back({name, {}, std::move(*bytes)});
        return name;
    }

    // All files: the pictures in use, then what the export wrote that nothing links to.
    std::vector<SupportingFile> files() && {
        for (const std::string& e : exported_)
            if (!byExported_.contains(e))
                files_.push_back({e, e, {}});
        return std::move(files_);
    }

private:
    std::string next(const std::string& ext) {
        char number[16];
        std::snprintf(number, sizeof number, "%03d", ++count_);
        return "image" + std::string(number) + "." + ext;
    }

    const std::vector<std::string>& exported_;
    std::map<std::string, std::string> byExported_;
    std::map<std::string, std::string> byBytes_;
    std::vector<SupportingFile> files_;
    int count_ = 0;
};

// The page with its links into the folder "from" leading into the folder whose link text
// (in the page's charset, ending in "/") is "to". Word writes each link as the folder's
// name, a slash and the file's name, quoted or not, in tags and in the picture markup its
// conditional comments hold alike.
std::string relinked(std::string_view page, std::string_view from, const std::string& to) {
    std::string toUnquoted; // where a blank would end the value
    for (char c : to)
        toUnquoted += c == ' ' ? std::string("%20") : std::string(1, c);
    const std::string folder = std::string(from) + "/";
    std::string out;
    out.reserve(page.size());
    for (std::size_t i = 0; i < page.size();) {
        const char before = i > 0 ? page[i - 1] : '\0';
        if ((before == '"' || before == '=' || before == '\'') &&
            page.substr(i).starts_with(folder)) {
            out += before == '=' ? toUnquoted : to;
            i += folder.size();
        } else {
            out += page[i++];
        }
    }
    return out;
}

} // namespace

WordPage toWordDialect(std::string_view exportedPage, const std::vector<std::string>& exportedFiles,
                       std::string_view filesFolder, const DocumentFileName& document) {
    const std::string text = pageToUtf8(exportedPage);
    PictureNames pictures(exportedFiles);
    std::vector<html::Edit> edits;
    std::optional<std::size_t> bodyStart;
    std::optional<std::size_t> bodyEnd;
    std::optional<std::size_t> htmlEnd;
    std::optional<std::size_t> markAt;

    html::forEachTag(text, [&](const html::Tag& tag) {
        if (tag.closing) {
            if (tag.is("body"))
                bodyEnd = tag.offset; // the last one counts
            else if (tag.is("html"))
                htmlEnd = tag.offset;
            return true;
        }
        if (tag.is("body") && !bodyStart)
            bodyStart = tag.end;
        if (!markAt && !bodyStart && (tag.is("head") || tag.is("title")))
            markAt = tag.is("head") ? tag.end : tag.offset;
        for (const html::Attribute& a : tag.attributes) {
            if (a.value.empty())
                continue;
            std::optional<std::string> name;
            if (a.value.size() > 5 && html::equalsLower(a.value.substr(0, 5), "data:"))
                name = pictures.forDataUri(a.value);
            else
                name = pictures.forExported(linkTarget(a.value));
            if (!name)
                continue;
            std::string link = linkText(filesFolder, *name);
            if (a.quote == '\0')
                edits.push_back({a.valueOffset, a.value.size(), "\"" + link + "\""});
            else
                edits.push_back({a.valueOffset, a.value.size(), link});
        }
        return true;
    });

    std::vector<html::Edit> reading = readingEdits(text);
    edits.insert(edits.end(), reading.begin(), reading.end());
    std::vector<html::Edit> fields = fileNameFieldEdits(text, document);
    edits.insert(edits.end(), fields.begin(), fields.end());
    if (bodyStart) {
        edits.push_back({*bodyStart, 0, std::string(kSectionStart)});
        std::size_t end = text.size();
        if (bodyEnd && *bodyEnd >= *bodyStart)
            end = *bodyEnd;
        else if (htmlEnd && *htmlEnd >= *bodyStart)
            end = *htmlEnd;
        edits.push_back({end, 0, std::string(kSectionEnd)});
    }

    WordPage page;
    page.files = std::move(pictures).files();
    edits.push_back({markAt.value_or(0), 0, markTag(filesFolder, page.files)});
    page.html = utf8PageToGbk(html::applyEdits(text, std::move(edits)));
    return page;
}

std::string fromWordPage(std::string_view page, std::string_view wordFolder,
                         std::string_view filesFolder, const std::vector<SupportingFile>& files) {
    std::size_t at = 0;
    html::forEachTag(page, [&](const html::Tag& tag) {
        if (tag.closing || tag.is("body"))
            return !tag.is("body");
        if (tag.is("head") || tag.is("title")) {
            at = tag.is("head") ? tag.end : tag.offset;
            return false;
        }
        return true;
    });
    std::string marked(page.substr(0, at));
    marked += markTag(filesFolder, files);
    marked += page.substr(at);
    return relinked(marked, wordFolder, gbk::fromUtf8(linkText(filesFolder, "")));
}

std::optional<ConversionMark> readConversionMark(std::string_view page) {
    std::optional<ConversionMark> mark;
    html::forEachTag(page, [&](const html::Tag& tag) {
        if (tag.is("body"))
            return false;
        const html::Attribute* name = tag.attribute("name");
        if (tag.closing || !tag.is("meta") || name == nullptr ||
            !html::equalsLower(name->value, kMarkName))
            return true;
        mark.emplace();
        const html::Attribute* content = tag.attribute("content");
        std::string_view rest = content != nullptr ? content->value : std::string_view();
        for (bool first = true; !rest.empty(); first = false) {
            std::size_t slash = rest.find('/');
            std::string piece = percentDecode(rest.substr(0, slash));
            if (first)
                mark->folder = std::move(piece);
            else
                mark->files.push_back(std::move(piece));
            rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        }
        return false;
    });
    return mark;
}

} // namespace qm
