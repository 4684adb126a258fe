#pragma once

#include "word/DocumentConverter.h"

#include <memory>

namespace qm {

// The converter for Word documents on this system, for the command line and the window
// alike. Linux: LibreOffice. Windows: Word itself when it is installed; else LibreOffice
// when it is found; else a converter whose every conversion fails, saying that Word
// documents need Word or LibreOffice and that a page saved from Word as HTML can be
// opened instead. On Windows, QUILLMARK_WORD_SECONDS sets how long Word may take over one
// document (120 unless set).
std::unique_ptr<DocumentConverter> makeDocumentConverter();

} // namespace qm
