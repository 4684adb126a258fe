#pragma once

#include "run/FileLayout.h"

namespace qm {

// Checks made before anything of a project is written, so that a project that cannot be
// written as it should is refused whole. Each throws qm::Error with a message for the
// user (GBK) naming the file.
//
// The content folder must be a folder of its own: a symbolic link in its place would
// carry the pages, Alias.h and HelpID.h to wherever it points.
void rejectLinkedContentFolder(const FileLayout& layout);

// A read-only file the run would replace (a project file, the ID map, the converted
// page, a page or header of the content folder) is the user's word that it must stay:
// the project is refused rather than the file silently replaced.
void rejectReadOnlyProjectFiles(const FileLayout& layout);

} // namespace qm
