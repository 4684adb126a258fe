// The recent-files menu: a batch of files is one item, captioned by its first file and
// count; while an item is highlighted its files show in the banner's place, the way a
// window's status line tells about the highlighted menu item.
#include "ControlIds.h"
#include "MainWindow.h"
#include "WideText.h"

#include <algorithm>

namespace qm::win {

namespace {

// The lines of text, without their line feeds.
std::vector<std::wstring> splitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::size_t begin = 0;
    for (std::size_t end = text.find(L'\n'); end != std::wstring::npos;
         begin = end + 1, end = text.find(L'\n', begin))
        lines.push_back(text.substr(begin, end - begin));
    lines.push_back(text.substr(begin));
    return lines;
}

} // namespace

void MainWindow::showRecentMenu() {
    HMENU menu = CreatePopupMenu();
    for (std::size_t i = 0; i < recent_.size(); ++i) {
        std::wstring caption = wide(recent_[i].caption);
        for (std::size_t at = caption.find(L'&'); at != std::wstring::npos;
             at = caption.find(L'&', at + 2))
            caption.insert(at, 1, L'&'); // a path's '&' is no mnemonic
        AppendMenuW(menu, MF_STRING, QM_ID_RECENT_FIRST + i, caption.c_str());
    }
    if (!recent_.empty()) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, QM_ID_RECENT_CLEAR, L"清除列表");
    }
    RECT button{};
    GetWindowRect(item(QM_ID_RECENT), &button);
    const int chosen =
        static_cast<int>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                        button.left, button.bottom, 0, window_, nullptr));
    DestroyMenu(menu);
    showMenuHint({}); // the banner again, whatever the menu said last
    if (chosen == QM_ID_RECENT_CLEAR)
        presenter_.clearRecent();
    else if (chosen >= QM_ID_RECENT_FIRST &&
             static_cast<std::size_t>(chosen - QM_ID_RECENT_FIRST) < recent_.size())
        presenter_.openRecent(recent_[static_cast<std::size_t>(chosen - QM_ID_RECENT_FIRST)].files);
}

// WM_MENUSELECT: a recent entry's files while it is highlighted; nothing for the other
// items, nor once the menu has closed (flags 0xFFFF, no menu).
void MainWindow::menuSelected(UINT id, UINT flags, HMENU menu) {
    const bool closed = flags == 0xFFFF && menu == nullptr;
    const bool entry = !closed && (flags & (MF_POPUP | MF_SEPARATOR)) == 0 &&
                       id >= QM_ID_RECENT_FIRST && id - QM_ID_RECENT_FIRST < recent_.size();
    showMenuHint(entry ? wide(recent_[id - QM_ID_RECENT_FIRST].details) : std::wstring());
}

// The banner's text is the hint too, so that a program reading the window finds it.
void MainWindow::showMenuHint(const std::wstring& text) {
    if (text == menuHint_)
        return;
    menuHint_ = text;
    HWND banner = item(QM_ID_BANNER);
    SetWindowTextW(banner, menuHint_.empty() ? L"Quillmark" : menuHint_.c_str());
    InvalidateRect(banner, nullptr, TRUE);
    UpdateWindow(banner); // the menu's loop paints the window only now and then
}

// One file a line, a long path shortened in its middle; when the lines outnumber the
// room, the last row that fits says there are more.
void MainWindow::drawMenuHint(const DRAWITEMSTRUCT& draw) {
    HGDIOBJ oldFont = SelectObject(draw.hDC, fonts_.normal);
    TEXTMETRICW metrics{};
    GetTextMetricsW(draw.hDC, &metrics);
    const int lineHeight = std::max(1, static_cast<int>(metrics.tmHeight));
    const auto rows = static_cast<std::size_t>(
        std::max(1, int(draw.rcItem.bottom - draw.rcItem.top) / lineHeight));
    std::vector<std::wstring> lines = splitLines(menuHint_);
    if (lines.size() > rows) {
        lines.resize(rows - 1);
        lines.emplace_back(L"……");
    }
    SetBkMode(draw.hDC, TRANSPARENT);
    SetTextColor(draw.hDC, GetSysColor(COLOR_BTNTEXT));
    RECT line = draw.rcItem;
    for (std::wstring& text : lines) {
        line.bottom = line.top + lineHeight;
        DrawTextW(draw.hDC, text.data(), static_cast<int>(text.size()), &line,
                  DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS | DT_LEFT | DT_TOP);
        line.top = line.bottom;
    }
    SelectObject(draw.hDC, oldFont);
}

} // namespace qm::win
