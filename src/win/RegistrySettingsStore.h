#pragma once

#include "ui/SettingsStore.h"

#include <string>

namespace qm::win {

// The window's settings in the user's registry: key "group/name" is the value name under
// HKEY_CURRENT_USER\Software\Quillmark\group. Texts are REG_SZ, flags REG_DWORD, lists
// REG_MULTI_SZ. A value of another type than asked reads as never stored.
class RegistrySettingsStore : public ui::SettingsStore {
public:
    // root: the key under HKEY_CURRENT_USER, e.g. L"Software\\Quillmark".
    explicit RegistrySettingsStore(std::wstring root) : root_(std::move(root)) {}

    std::optional<std::string> text(const std::string& key) override;
    std::optional<bool> flag(const std::string& key) override;
    std::optional<std::vector<std::string>> list(const std::string& key) override;
    void setText(const std::string& key, const std::string& value) override;
    void setFlag(const std::string& key, bool value) override;
    void setList(const std::string& key, const std::vector<std::string>& value) override;

private:
    std::optional<std::wstring> read(const std::string& key, unsigned long type);
    void write(const std::string& key, unsigned long type, const void* data, std::size_t bytes);

    std::wstring root_;
};

} // namespace qm::win
