#include "addcode/AdditionalCodeFile.h"

#include "UntrustedXml.h"
#include "text/Error.h"
#include "text/Gbk.h"
#include "text/OutputFile.h"
#include "text/ReadStream.h"

#include <algorithm>

namespace qm {
namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n";
constexpr char kRootName[] = "QuillmarkAddtionalCode";
constexpr char kBeforeName[] = "BeforeEntry";
constexpr char kAfterName[] = "AfterEntry";

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(from, start)) != std::string_view::npos;
         start = at + from.size()) {
        out.append(text.substr(start, at - start));
        out.append(to);
    }
    out.append(text.substr(start));
    return out;
}

// The two steps in this order, both ways, as files from every earlier version expect.
std::string escapeLineBreaks(std::string_view code) {
    return replaceAll(replaceAll(code, "\r", "#13"), "\n", "#10");
}
std::string unescapeLineBreaks(std::string_view stored) {
    return replaceAll(replaceAll(stored, "#13", "\r"), "#10", "\n");
}

// The element text of one code field as UTF-8 for the tree. An XML 1.0 file has no way
// to hold most control characters, and the decoder would turn broken GBK into U+FFFD:
// either way the file written would not give back the code, so refuse before writing.
std::string elementText(std::string_view code, std::string_view name) {
    std::string escaped = escapeLineBreaks(code);
    auto bad = std::find_if(escaped.begin(), escaped.end(), [](char c) {
        auto b = static_cast<unsigned char>(c);
        return b < 0x20 && b != '\t';
    });
    if (bad != escaped.end())
        throw Error(std::string(name) + " holds the control character " +
                    std::to_string(static_cast<unsigned char>(*bad)) +
                    ", which an additional-code file cannot store");
    std::string utf8 = gbk::toUtf8(escaped);
    if (utf8.find("\xEF\xBF\xBD") != std::string::npos)
        throw Error(std::string(name) + " is not valid GBK text");
    return utf8;
}

// Character data as XML writes it: markup characters and carriage returns escaped.
std::string escapedText(std::string_view utf8) {
    std::string out;
    for (char c : utf8) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The root element serialized as UTF-8, without declaration or line break. The code
// goes in as text, never as markup.
std::string serializeRoot(const AdditionalCode& code) {
    std::string before = elementText(code.beforeEntry, kBeforeName);
    std::string after = elementText(code.afterEntry, kAfterName);
    return std::string("<") + kRootName + " Author=\"Vorlane\" ProgramDate=\"2005-01-05\"><" +
           kBeforeName + ">" + escapedText(before) + "</" + kBeforeName + "><" + kAfterName + ">" +
           escapedText(after) + "</" + kAfterName + "></" + kRootName + ">";
}

bool isBlank(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

// A code element's text (UTF-8): empty for an empty element, else its single text node.
std::string codeText(const xml::Node& element) {
    if (element.children.empty())
        return {};
    if (element.children.size() != 1 || element.children[0].kind != xml::Node::Kind::Text)
        throw xml::XmlError("Element does not contain a single text node", element.line);
    return element.children[0].text;
}

// The name as written in the file: a prefixed name such as x:BeforeEntry is another name.
bool isNamed(const xml::Node& node, std::string_view name) {
    return node.kind == xml::Node::Kind::Element && node.name == name;
}

} // namespace

std::string formatAdditionalCode(const AdditionalCode& code) {
    std::string file(kDeclaration);
    file += gbk::fromUtf8(serializeRoot(code));
    file += "\r\n";
    return file;
}

LoadedAdditionalCode parseAdditionalCode(std::string_view fileBytes) {
    LoadedAdditionalCode loaded;
    if (isBlank(fileBytes))
        return loaded;
    const xml::Node root = xml::parseUntrusted(fileBytes);
    for (const xml::Node& node : root.children) {
        if (isNamed(node, kBeforeName))
            loaded.beforeEntry = unescapeLineBreaks(gbk::fromUtf8(codeText(node)));
        else if (isNamed(node, kAfterName))
            loaded.afterEntry = unescapeLineBreaks(gbk::fromUtf8(codeText(node)));
    }
    return loaded;
}

void saveAdditionalCodeFile(const std::filesystem::path& path, const AdditionalCode& code) {
    saveBytes(path, formatAdditionalCode(code));
}

// The user hears which file and which line, in words, before the parser's own detail.
LoadedAdditionalCode loadAdditionalCodeFile(const std::filesystem::path& path) {
    const std::string bytes = readWholeFile(path);
    try {
        return parseAdditionalCode(bytes);
    } catch (const xml::XmlError& e) {
        throw Error(gbk::fromUtf8("附加代码文件“") + gbk::fromPath(path) + gbk::fromUtf8("”第") +
                    std::to_string(e.line()) +
                    gbk::fromUtf8("行有错误，不是正确的附加代码文件，无法读取。") + "\r\n" +
                    e.what());
    }
}

} // namespace qm
