#pragma once

class QCoreApplication;

namespace qm {

// Loads Qt's own Chinese texts (the standard buttons 确定, 取消, 是, 否, the file
// dialogs) from Qt's translations folder. False when the translation is not installed
// (Debian: qt6-translations-l10n); the standard texts then stay English.
bool installChineseTranslation(QCoreApplication& app);

} // namespace qm
