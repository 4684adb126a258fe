#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qm::ui {

// Where the window keeps its settings between sessions: QSettings behind the Qt window,
// the registry or a file behind another. Keys are "group/name"; texts are UTF-8. A
// value never stored reads as nullopt, so the caller gives the default.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::optional<std::string> text(const std::string& key) = 0;
    virtual std::optional<bool> flag(const std::string& key) = 0;
    virtual std::optional<std::vector<std::string>> list(const std::string& key) = 0;
    virtual void setText(const std::string& key, const std::string& value) = 0;
    virtual void setFlag(const std::string& key, bool value) = 0;
    virtual void setList(const std::string& key, const std::vector<std::string>& value) = 0;
};

} // namespace qm::ui
