#include "platform/UserLanguage.h"

#include <windows.h>

namespace qm {

// Windows users choose their display language, not a locale in the environment.
bool userInterfaceIsChinese() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE;
}

} // namespace qm
