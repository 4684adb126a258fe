#pragma once

#include "chm/Messages.h"

// The language the compiler's commands speak: English, as HTML Help Workshop's compiler
// does, unless the user's interface is Chinese (platform/UserLanguage.h tells).
namespace qm::hhc {

chm::Language userLanguage();

} // namespace qm::hhc
