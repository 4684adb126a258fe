#pragma once

#include "ui/SettingsStore.h"

#include <QSettings>
#include <QString>

namespace qm {

// The window's settings in QSettings, stored with the types the window has always
// used: texts, booleans and string lists.
class QtSettingsStore : public ui::SettingsStore {
public:
    // $XDG_CONFIG_HOME/quillmark/quillmark.conf (~/.config/quillmark/ by default). The
    // first call takes over the file that earlier versions kept under
    // "Unknown Organization", when there is no file of its own yet; that file stays.
    static QString file();
    // The settings file, for the window's own values (its geometry).
    static QSettings open();

    std::optional<std::string> text(const std::string& key) override;
    std::optional<bool> flag(const std::string& key) override;
    std::optional<std::vector<std::string>> list(const std::string& key) override;
    void setText(const std::string& key, const std::string& value) override;
    void setFlag(const std::string& key, bool value) override;
    void setList(const std::string& key, const std::vector<std::string>& value) override;
};

} // namespace qm
