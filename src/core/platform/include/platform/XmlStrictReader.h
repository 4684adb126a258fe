#pragma once

#include "platform/XmlReader.h"

namespace qm::xml {

// The reader of the Windows build, built everywhere so that it can be held against
// libxml2: XML 1.0 with namespaces, the five predefined entities and character
// references, comments, processing instructions and CDATA; a document type declaration
// is refused, so no other entity can exist. Throws ParseError as parseDocument does.
Node parseDocumentStrictly(std::string_view utf8);

} // namespace qm::xml
