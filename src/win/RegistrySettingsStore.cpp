#include "RegistrySettingsStore.h"

#include "WideText.h"

#include <windows.h>

namespace qm::win {

namespace {

struct KeyName {
    std::wstring subKey;
    std::wstring value;
};

KeyName split(const std::wstring& root, const std::string& key) {
    const std::size_t slash = key.rfind('/');
    if (slash == std::string::npos)
        return {root, wide(key)};
    std::wstring group = wide(key.substr(0, slash));
    for (wchar_t& c : group)
        if (c == L'/')
            c = L'\\';
    return {root + L"\\" + group, wide(key.substr(slash + 1))};
}

} // namespace

// The value's bytes as wide characters (a DWORD comes as two).
std::optional<std::wstring> RegistrySettingsStore::read(const std::string& key,
                                                        unsigned long type) {
    const KeyName name = split(root_, key);
    DWORD actual = 0;
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, name.subKey.c_str(), name.value.c_str(),
                     RRF_RT_ANY | RRF_NOEXPAND, &actual, nullptr, &bytes) != ERROR_SUCCESS ||
        actual != type)
        return std::nullopt;
    std::wstring data(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, name.subKey.c_str(), name.value.c_str(),
                     RRF_RT_ANY | RRF_NOEXPAND, &actual, data.data(), &bytes) != ERROR_SUCCESS ||
        actual != type)
        return std::nullopt;
    data.resize(bytes / sizeof(wchar_t));
    return data;
}

// A setting that cannot be written is lost for the next session only; the window
// goes on.
void RegistrySettingsStore::write(const std::string& key, unsigned long type, const void* data,
                                  std::size_t bytes) {
    const KeyName name = split(root_, key);
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, name.subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &handle, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(handle, name.value.c_str(), 0, type, static_cast<const BYTE*>(data),
                   static_cast<DWORD>(bytes));
    RegCloseKey(handle);
}

std::optional<std::string> RegistrySettingsStore::text(const std::string& key) {
    std::optional<std::wstring> data = read(key, REG_SZ);
    if (!data)
        return std::nullopt;
    data->resize(wcsnlen(data->c_str(), data->size())); // the stored terminator
    return utf8(*data);
}

std::optional<bool> RegistrySettingsStore::flag(const std::string& key) {
    const std::optional<std::wstring> data = read(key, REG_DWORD);
    if (!data || data->size() < 2)
        return std::nullopt;
    return (*data)[0] != 0 || (*data)[1] != 0;
}

std::optional<std::vector<std::string>> RegistrySettingsStore::list(const std::string& key) {
    const std::optional<std::wstring> data = read(key, REG_MULTI_SZ);
    if (!data)
        return std::nullopt;
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start < data->size()) {
        const std::size_t end = data->find(L'\0', start);
        const std::size_t stop = end == std::wstring::npos ? data->size() : end;
        if (stop == start)
            break; // the empty string that ends the list
        items.push_back(utf8(std::wstring_view(*data).substr(start, stop - start)));
        start = stop + 1;
    }
    return items;
}

void RegistrySettingsStore::setText(const std::string& key, const std::string& value) {
    const std::wstring data = wide(value);
    write(key, REG_SZ, data.c_str(), (data.size() + 1) * sizeof(wchar_t));
}

void RegistrySettingsStore::setFlag(const std::string& key, bool value) {
    const DWORD data = value ? 1 : 0;
    write(key, REG_DWORD, &data, sizeof data);
}

// An empty item would end the list early: items are paths and never empty, and an
// empty one is left out.
void RegistrySettingsStore::setList(const std::string& key, const std::vector<std::string>& value) {
    std::wstring data;
    for (const std::string& item : value)
        if (!item.empty())
            data += wide(item) + L'\0';
    data += L'\0';
    write(key, REG_MULTI_SZ, data.c_str(), data.size() * sizeof(wchar_t));
}

} // namespace qm::win
