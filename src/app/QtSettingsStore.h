#pragma once

#include "ui/SettingsStore.h"

namespace qm {

// The window's settings in QSettings (~/.config/quillmark/quillmark.conf), stored with
// the types the window has always used: texts, booleans and string lists.
class QtSettingsStore : public ui::SettingsStore {
public:
    std::optional<std::string> text(const std::string& key) override;
    std::optional<bool> flag(const std::string& key) override;
    std::optional<std::vector<std::string>> list(const std::string& key) override;
    void setText(const std::string& key, const std::string& value) override;
    void setFlag(const std::string& key, bool value) override;
    void setList(const std::string& key, const std::vector<std::string>& value) override;
};

} // namespace qm
