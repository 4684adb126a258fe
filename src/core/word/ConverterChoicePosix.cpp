#include "word/ConverterChoice.h"

#include "word/LibreOfficeConverter.h"

namespace qm {

std::unique_ptr<DocumentConverter> makeDocumentConverter() {
    return std::make_unique<LibreOfficeConverter>();
}

} // namespace qm
