#include "addcode/AdditionalCodeFile.h"

#include "UntrustedXml.h"
#include "text/Error.h"
#include "text/Gbk.h"
#include "text/OutputFile.h"
#include "text/ReadStream.h"

#include <libxml/xmlsave.h>

#include <algorithm>

namespace qm {
namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n";
constexpr char kRootName[] = "QuillmarkAddtionalCode";
constexpr char kBeforeName[] = "BeforeEntry";
constexpr char kAfterName[] = "AfterEntry";

const xmlChar* xmlText(const char* s) {
    return reinterpret_cast<const xmlChar*>(s);
}

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

struct DocDeleter {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct BufferDeleter {
    void operator()(xmlBuffer* buffer) const { xmlBufferFree(buffer); }
};

// The root element serialized as UTF-8, without declaration or line break.
std::string serializeRoot(const AdditionalCode& code) {
    std::string before = elementText(code.beforeEntry, kBeforeName);
    std::string after = elementText(code.afterEntry, kAfterName);

    xml::initialize();
    std::unique_ptr<xmlDoc, DocDeleter> doc(xmlNewDoc(xmlText("1.0")));
    std::unique_ptr<xmlBuffer, BufferDeleter> buffer(xmlBufferCreate());
    if (!doc || !buffer)
        throw Error("Out of memory while writing XML");
    xmlNodePtr root = xmlNewDocNode(doc.get(), nullptr, xmlText(kRootName), nullptr);
    xmlDocSetRootElement(doc.get(), root);
    xmlNewProp(root, xmlText("Author"), xmlText("Vorlane"));
    xmlNewProp(root, xmlText("ProgramDate"), xmlText("2005-01-05"));
    // Text children (not xmlNewChild): the code is taken as it is, never as markup.
    xmlNewTextChild(root, nullptr, xmlText(kBeforeName), xmlText(before.c_str()));
    xmlNewTextChild(root, nullptr, xmlText(kAfterName), xmlText(after.c_str()));

    // UTF-8 out so that our own codec makes the GBK bytes, exactly as it makes every
    // other file of the program; the declaration is ours for the same reason.
    xmlSaveCtxtPtr save =
        xmlSaveToBuffer(buffer.get(), "UTF-8", XML_SAVE_NO_DECL | XML_SAVE_AS_XML);
    if (!save)
        throw Error("Out of memory while writing XML");
    long written = xmlSaveTree(save, root);
    int closed = xmlSaveClose(save);
    if (written < 0 || closed < 0)
        throw Error("Cannot serialize the additional code");
    return {reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
            static_cast<std::size_t>(xmlBufferLength(buffer.get()))};
}

bool isBlank(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

// A code element's text (UTF-8): empty for an empty element, else its single text node.
std::string codeText(const xmlNode* element) {
    const xmlNode* child = element->children;
    if (child == nullptr)
        return {};
    if (child->next != nullptr || child->type != XML_TEXT_NODE)
        throw xml::XmlError("Element does not contain a single text node",
                            static_cast<int>(xmlGetLineNo(element)));
    return child->content ? reinterpret_cast<const char*>(child->content) : "";
}

// The name as written in the file: a prefixed name such as x:BeforeEntry is another name.
bool isNamed(const xmlNode* node, std::string_view name) {
    return node->type == XML_ELEMENT_NODE && (node->ns == nullptr || node->ns->prefix == nullptr) &&
           reinterpret_cast<const char*>(node->name) == name;
}

} // namespace

std::string FormatAdditionalCode(const AdditionalCode& code) {
    std::string file(kDeclaration);
    file += gbk::fromUtf8(serializeRoot(code));
    file += "\r\n";
    return file;
}

LoadedAdditionalCode ParseAdditionalCode(std::string_view fileBytes) {
    LoadedAdditionalCode loaded;
    if (isBlank(fileBytes))
        return loaded;
    xml::Document doc = xml::parseUntrusted(fileBytes);
    for (const xmlNode* node = xmlDocGetRootElement(doc.get())->children; node; node = node->next) {
        if (isNamed(node, kBeforeName))
            loaded.beforeEntry = unescapeLineBreaks(gbk::fromUtf8(codeText(node)));
        else if (isNamed(node, kAfterName))
            loaded.afterEntry = unescapeLineBreaks(gbk::fromUtf8(codeText(node)));
    }
    return loaded;
}

void SaveAdditionalCodeFile(const std::filesystem::path& path, const AdditionalCode& code) {
    saveBytes(path, FormatAdditionalCode(code));
}

// The user hears which file and which line, in words, before the parser's own detail.
LoadedAdditionalCode LoadAdditionalCodeFile(const std::filesystem::path& path) {
    const std::string bytes = ReadWholeFile(path);
    try {
        return ParseAdditionalCode(bytes);
    } catch (const xml::XmlError& e) {
        throw Error(gbk::fromUtf8("附加代码文件“") + gbk::fromPath(path) + gbk::fromUtf8("”第") +
                    std::to_string(e.line()) +
                    gbk::fromUtf8("行有错误，不是正确的附加代码文件，无法读取。") + "\r\n" +
                    e.what());
    }
}

} // namespace qm
