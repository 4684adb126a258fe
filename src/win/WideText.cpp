#include "WideText.h"

#include <windows.h>

namespace qm::win {

std::wstring wide(std::string_view utf8) {
    if (utf8.empty())
        return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, text.data(), length);
    return text;
}

std::string utf8(std::wstring_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

std::wstring toControlLines(std::wstring_view lfText) {
    std::wstring text;
    text.reserve(lfText.size());
    for (std::size_t i = 0; i < lfText.size(); ++i) {
        if (lfText[i] == L'\n' && (i == 0 || lfText[i - 1] != L'\r'))
            text += L'\r';
        text += lfText[i];
    }
    return text;
}

std::wstring fromControlLines(std::wstring_view crlfText) {
    std::wstring text;
    text.reserve(crlfText.size());
    for (std::size_t i = 0; i < crlfText.size(); ++i)
        if (!(crlfText[i] == L'\r' && i + 1 < crlfText.size() && crlfText[i + 1] == L'\n'))
            text += crlfText[i];
    return text;
}

} // namespace qm::win
