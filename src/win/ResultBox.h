#pragma once

#include "ui/MainView.h"

#include <windows.h>

namespace qm::win {

// The box at the end of a run: an icon, the headline and the whole summary, scrollable;
// modal over owner, in the window's font.
void showResultBox(HINSTANCE instance, HWND owner, HFONT font, const ui::RunReport& report);

} // namespace qm::win
