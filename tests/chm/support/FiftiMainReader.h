#pragma once

// The tests read the compiler's full-text index with the viewer's reader, which was
// written from the public description of the format, not from the compiler's writer.
#include "viewer/FiftiMainReader.h"

namespace qm::test {
using qm::viewer::FiftiMainReader;
using qm::viewer::FtsEntry;
using qm::viewer::FtsTopic;
} // namespace qm::test
