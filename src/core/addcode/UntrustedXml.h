#pragma once

#include "text/Error.h"

#include <libxml/tree.h>

#include <memory>
#include <string_view>

// Reading XML that may come from someone else (a shared .ahtml file) through libxml2.
namespace qm::xml {

// A file that is not what it should be, and the line (from 1) where that shows.
class XmlError : public Error {
public:
    XmlError(const std::string& gbkMessage, int line) : Error(gbkMessage), line_(line) {}
    int line() const { return line_; }

private:
    int line_;
};

struct DocumentDeleter {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using Document = std::unique_ptr<xmlDoc, DocumentDeleter>;

// Parses the bytes of a whole XML file into a tree whose texts are UTF-8.
//
// The encoding is taken from a byte-order mark or the declaration; a declared GB2312
// (or GBK, CP936) is read as GBK, since Windows writes GBK characters into such files.
// Nothing outside the bytes is ever read: no network, no DTD, no external entity, and
// a document type declaration is refused outright, which also rules out entity
// expansion bombs. libxml2's size limits for huge documents stay in force.
//
// Throws XmlError with the text "<reason>\r\nLine: <n>\r\n<first 40 characters of the
// line>" (GBK) when the bytes are not well-formed, not valid in their encoding, or
// hold a document type declaration.
Document parseUntrusted(std::string_view bytes);

// Makes libxml2 ready for use; cheap after the first call.
void initialize();

} // namespace qm::xml
