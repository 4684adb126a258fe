#include "platform/XmlReader.h"
#include "platform/XmlStrictReader.h"

namespace qm::xml {

Node parseDocument(std::string_view utf8) {
    return parseDocumentStrictly(utf8);
}

} // namespace qm::xml
