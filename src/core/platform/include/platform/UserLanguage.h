#pragma once

// Whether the user reads the programs' messages in Chinese.
namespace qm {

// The POSIX rule: the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty
// names the locale; "zh", "zh_CN.UTF-8", "zh_TW" and the like are Chinese. Null: unset.
bool localeIsChinese(const char* lcAll, const char* lcMessages, const char* lang);

// This user's: on Windows the user's interface language (GetUserDefaultUILanguage),
// elsewhere the locale of the environment.
bool userInterfaceIsChinese();

} // namespace qm
