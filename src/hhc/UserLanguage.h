#pragma once

#include "chm/Messages.h"

// The language the compiler's commands speak: English, as HTML Help Workshop's compiler
// does, unless the user's interface is Chinese.
namespace qm::hhc {

// The POSIX rule: the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty
// names the locale; "zh", "zh_CN.UTF-8", "zh_TW" and the like are Chinese. Null: unset.
chm::Language languageOfLocale(const char* lcAll, const char* lcMessages, const char* lang);

// This user's: on Windows the user's interface language (GetUserDefaultUILanguage),
// elsewhere the locale of the environment.
chm::Language userLanguage();

} // namespace qm::hhc
