#pragma once

#include <windows.h>

namespace qm::win {

// The dots per inch of the monitor the window is on (96 without per-monitor support).
UINT windowDpi(HWND window);
// value at 96 dpi, scaled to dpi.
inline int scaled(int value, UINT dpi) {
    return MulDiv(value, static_cast<int>(dpi), 96);
}

// The system's dialog (message) font at dpi, when it shows Chinese characters; else the
// first installed font of the same size that does. The caller deletes both.
struct WindowFonts {
    HFONT normal = nullptr;
    HFONT bold = nullptr;
};
WindowFonts makeWindowFonts(UINT dpi);
void deleteWindowFonts(WindowFonts& fonts);

} // namespace qm::win
