#pragma once

#include "chm/Project.h"
#include "chm/StringsFile.h"

#include <functional>
#include <string>
#include <vector>

namespace qm::chm {

// #WINDOWS: the window types of [WINDOWS], 196 bytes each (the HH_WINTYPE layout of
// HTML Help 1.1 and later), with their texts in #STRINGS.
//
// charset: the project's code page, for the texts (which are UTF-8 in the project
// model). fileName: turns a file named by the window (toc, index, default, home,
// jump) into the name to store, the CHM name when the file is in the CHM.
std::string buildWindowsFile(const std::vector<WindowDef>& windows, StringsFile& strings,
                             const std::string& charset,
                             const std::function<std::string(const std::string&)>& fileName);

} // namespace qm::chm
