#include "UserLanguage.h"

#include <cstdlib>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

namespace qm::hhc {

chm::Language languageOfLocale(const char* lcAll, const char* lcMessages, const char* lang) {
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value == nullptr || *value == '\0')
            continue;
        const std::string_view name(value);
        const bool chinese = name.starts_with("zh") && (name.size() == 2 || name[2] == '_' ||
                                                        name[2] == '.' || name[2] == '@');
        return chinese ? chm::Language::Chinese : chm::Language::English;
    }
    return chm::Language::English;
}

chm::Language userLanguage() {
#ifdef _WIN32
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE ? chm::Language::Chinese
                                                                     : chm::Language::English;
#else
    return languageOfLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
#endif
}

} // namespace qm::hhc
