#pragma once

#include "platform/XmlReader.h"
#include "text/Error.h"

#include <string_view>

// Reading XML that may come from someone else (a shared .ahtml file).
namespace qm::xml {

// A file that is not what it should be, and the line (from 1) where that shows.
class XmlError : public Error {
public:
    XmlError(const std::string& gbkMessage, int line) : Error(gbkMessage), line_(line) {}
    int line() const { return line_; }

private:
    int line_;
};

// Parses the bytes of a whole XML file into a tree whose texts are UTF-8.
//
// The encoding is taken from a byte-order mark or the declaration; a declared GB2312
// (or GBK, CP936) is read as GBK, since Windows writes GBK characters into such files.
// Nothing outside the bytes is ever read (see platform/XmlReader.h): a document type
// declaration is refused outright.
//
// Throws XmlError with the text "<reason>\r\nLine: <n>\r\n<first 40 characters of the
// line>" (GBK) when the bytes are not well-formed, not valid in their encoding, or
// hold a document type declaration.
Node parseUntrusted(std::string_view bytes);

} // namespace qm::xml
