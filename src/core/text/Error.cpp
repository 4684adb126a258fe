#include "text/Error.h"

namespace qm {

void throwCannotOpen(const std::string& pathText) {
    throw Error("Cannot open file " + pathText);
}

void throwCannotCreate(const std::string& pathText) {
    throw Error("Cannot create file " + pathText);
}

} // namespace qm
