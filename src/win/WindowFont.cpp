#include "WindowFont.h"

#include <cwchar>
#include <iterator>

namespace qm::win {

namespace {

// The per-monitor functions came with Windows 10 1607: looked up, so that the program
// also starts on older systems, where the system's dpi serves.
template <typename Function> Function user32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 == nullptr
               ? nullptr
               : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

UINT systemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

LOGFONTW messageFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    using ForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    if (auto forDpi = user32Function<ForDpi>("SystemParametersInfoForDpi");
        forDpi != nullptr &&
        forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi) != FALSE)
        return metrics.lfMessageFont;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi),
                                            static_cast<int>(systemDpi()));
    return metrics.lfMessageFont;
}

// True when the font is the face asked for (GDI hands out another one for a face it
// lacks) and has a glyph for each of the window's sample characters.
bool showsChinese(const LOGFONTW& font) {
    HFONT handle = CreateFontIndirectW(&font);
    if (handle == nullptr)
        return false;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, handle);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    static const wchar_t kSample[] = L"帮助标题生成打开目录";
    WORD glyphs[std::size(kSample)] = {};
    const int count = static_cast<int>(std::size(kSample) - 1);
    bool shows = _wcsicmp(face, font.lfFaceName) == 0 &&
                 GetGlyphIndicesW(dc, kSample, count, glyphs, GGI_MARK_NONEXISTING_GLYPHS) ==
                     static_cast<DWORD>(count);
    for (int i = 0; shows && i < count; ++i)
        shows = glyphs[i] != 0xFFFF;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(handle);
    return shows;
}

} // namespace

UINT windowDpi(HWND window) {
    using ForWindow = UINT(WINAPI*)(HWND);
    if (auto forWindow = user32Function<ForWindow>("GetDpiForWindow"); forWindow != nullptr)
        if (const UINT dpi = forWindow(window); dpi != 0)
            return dpi;
    return systemDpi();
}

WindowFonts makeWindowFonts(UINT dpi) {
    LOGFONTW font = messageFont(dpi);
    if (!showsChinese(font)) {
        static const wchar_t* const kFallbacks[] = {
            L"Microsoft YaHei UI",  L"Microsoft YaHei",  L"SimSun",      L"NSimSun",
            L"WenQuanYi Micro Hei", L"Noto Sans CJK SC", L"Noto Sans SC"};
        for (const wchar_t* face : kFallbacks) {
            LOGFONTW candidate = font;
            wcsncpy_s(candidate.lfFaceName, face, _TRUNCATE);
            candidate.lfCharSet = DEFAULT_CHARSET;
            if (showsChinese(candidate)) {
                font = candidate;
                break;
            }
        }
    }
    WindowFonts fonts;
    fonts.normal = CreateFontIndirectW(&font);
    font.lfWeight = FW_BOLD;
    fonts.bold = CreateFontIndirectW(&font);
    return fonts;
}

void deleteWindowFonts(WindowFonts& fonts) {
    for (HFONT* font : {&fonts.normal, &fonts.bold})
        if (*font != nullptr) {
            DeleteObject(*font);
            *font = nullptr;
        }
}

} // namespace qm::win
