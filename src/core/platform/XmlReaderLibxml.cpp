#include "platform/XmlReader.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <climits>
#include <memory>
#include <mutex>

namespace qm::xml {
namespace {

// Network off; no DTD loading, no attribute defaults from a DTD, no entity substitution,
// no XInclude, no XML_PARSE_HUGE. The declared encoding is ignored because the text
// handed to libxml2 is UTF-8 already.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_IGNORE_ENC;

struct ParseState {
    bool doctype = false;
    int doctypeLine = 0;
    bool failed = false;
    std::string reason;
    int line = 0;
};

ParseState& stateOf(void* userData) {
    auto* ctxt = static_cast<xmlParserCtxtPtr>(userData);
    return *static_cast<ParseState*>(ctxt->_private);
}

// Keeps the first error: later ones are mostly consequences of it. Also keeps libxml2
// from printing to stderr.
void onError(void* userData, xmlErrorPtr error) {
    ParseState& state = stateOf(userData);
    if (state.failed || error == nullptr || error->level < XML_ERR_ERROR)
        return;
    state.failed = true;
    state.reason = error->message ? error->message : "XML error";
    while (!state.reason.empty() && static_cast<unsigned char>(state.reason.back()) <= ' ')
        state.reason.pop_back();
    state.line = error->line;
}

// Called once the name and external ID of a document type declaration are read, before
// its internal subset: stopping here means no entity is ever declared and no external
// DTD or entity file is ever opened.
void onDoctype(void* userData, const xmlChar*, const xmlChar*, const xmlChar*) {
    auto* ctxt = static_cast<xmlParserCtxtPtr>(userData);
    ParseState& state = stateOf(userData);
    state.doctype = true;
    state.doctypeLine = xmlSAX2GetLineNumber(ctxt);
    xmlStopParser(ctxt);
}

struct ContextDeleter {
    void operator()(xmlParserCtxt* ctxt) const { xmlFreeParserCtxt(ctxt); }
};
struct DocDeleter {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

std::string textOf(const xmlChar* s) {
    return s ? reinterpret_cast<const char*>(s) : "";
}

Node treeOf(const xmlNode* element) {
    Node node;
    node.line = static_cast<int>(xmlGetLineNo(element));
    if (element->ns != nullptr && element->ns->prefix != nullptr)
        node.name = textOf(element->ns->prefix) + ":";
    node.name += textOf(element->name);
    for (const xmlNode* child = element->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE)
            node.children.push_back(treeOf(child));
        else if (child->type == XML_TEXT_NODE)
            node.children.push_back({Node::Kind::Text,
                                     {},
                                     textOf(child->content),
                                     static_cast<int>(xmlGetLineNo(child)),
                                     {}});
        else
            node.children.push_back({Node::Kind::Other, {}, {}, 0, {}});
    }
    return node;
}

} // namespace

Node parseDocument(std::string_view text) {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
    if (text.size() > static_cast<std::size_t>(INT_MAX))
        throw ParseError("The file is too large", 1);
    if (text.empty())
        throw ParseError("Document is empty", 1);
    std::unique_ptr<xmlParserCtxt, ContextDeleter> ctxt(
        xmlCreateMemoryParserCtxt(text.data(), static_cast<int>(text.size())));
    if (!ctxt)
        throw std::bad_alloc();
    xmlCtxtUseOptions(ctxt.get(), kParseOptions);
    ParseState state;
    ctxt->_private = &state;
    ctxt->sax->serror = onError;
    ctxt->sax->internalSubset = onDoctype;

    xmlParseDocument(ctxt.get());
    std::unique_ptr<xmlDoc, DocDeleter> doc(ctxt->myDoc);
    ctxt->myDoc = nullptr;
    if (state.doctype)
        throw ParseError(std::string(kDoctypeRefused), state.doctypeLine);
    if (state.failed)
        throw ParseError(state.reason, state.line);
    if (!ctxt->wellFormed || !doc || !xmlDocGetRootElement(doc.get()))
        throw ParseError("The file is not well-formed XML", ctxt->input ? ctxt->input->line : 1);
    return treeOf(xmlDocGetRootElement(doc.get()));
}

} // namespace qm::xml
