#pragma once

#include <string>

namespace qm {

// The built-in head that follows a page's title when the source's own head is not
// used: lines joined by CR LF, UTF-8 (the caller converts it to GBK once).
std::string buildDefaultHeader();

} // namespace qm
