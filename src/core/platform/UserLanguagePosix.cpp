#include "platform/UserLanguage.h"

#include <cstdlib>
#include <string_view>

namespace qm {

bool localeIsChinese(const char* lcAll, const char* lcMessages, const char* lang) {
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value == nullptr || *value == '\0')
            continue;
        const std::string_view name(value);
        return name.starts_with("zh") &&
               (name.size() == 2 || name[2] == '_' || name[2] == '.' || name[2] == '@');
    }
    return false;
}

bool userInterfaceIsChinese() {
    return localeIsChinese(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

} // namespace qm
