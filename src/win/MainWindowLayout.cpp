// Where the controls go: the structure on the left grows with the window; the settings
// column keeps its width (493 at 96 dpi) while there is room, and every row of it fits
// the window's minimum size.
#include "ControlIds.h"
#include "MainWindow.h"

#include <algorithm>

namespace qm::win {

namespace {

constexpr int kColumnWidth = 493;
constexpr int kMinimumTree = 130;
constexpr int kButtonWidth = 78;

int fontHeight(HWND window, HFONT font) {
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return metrics.tmHeight;
}

bool isType(HWND control, const wchar_t* type) {
    wchar_t name[32] = {};
    GetClassNameW(control, name, 32);
    return _wcsicmp(name, type) == 0;
}

} // namespace

void MainWindow::place(int id, int x, int y, int width, int height) {
    SetWindowPos(item(id), nullptr, x, y, std::max(width, 0), std::max(height, 0),
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
}

// The caption's width in the control's font, '&' taken as the mnemonic's mark.
int MainWindow::textWidth(int id) const {
    HWND control = item(id);
    wchar_t text[256] = {};
    GetWindowTextW(control, text, 256);
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT size{};
    DrawTextW(dc, text, -1, &size, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size.right - size.left;
}

void MainWindow::layout() {
    RECT client{};
    GetClientRect(window_, &client);
    const int gap = px(4);
    const int width = client.right;
    const int height = client.bottom;
    const int line = fontHeight(window_, fonts_.normal) + px(8);
    const int column = std::max(0, std::min(px(kColumnWidth), width - px(kMinimumTree) - 3 * gap));
    const int tree = width - column - 3 * gap;
    place(QM_ID_TREE_HEADER, gap, gap, tree, line - px(4));
    place(QM_ID_TREE, gap, gap + line - px(4), tree, height - 2 * gap - line + px(4));

    const int x = tree + 2 * gap;
    int y = layoutBannerRow(x, gap, column) + gap;
    y = layoutSettings(x, y, column) + gap;
    place(QM_ID_TABS, x, y, column, height - y - gap);
    RECT page{x, y, x + column, height - gap};
    SendMessageW(item(QM_ID_TABS), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
    layoutPage(page);
    // Statics and check boxes do not repaint when only their size changes.
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// Banner and progress row share one place and one height.
int MainWindow::layoutBannerRow(int x, int y, int width) {
    const int text = fontHeight(window_, fonts_.normal) + px(2);
    const int bar = px(16);
    const int height = std::max(2 * text + bar + px(6), px(44)); // the banner is 40 high
    place(QM_ID_BANNER, x, y, width, height);
    const int count = px(90); // "(12/345)"
    place(QM_ID_STATUS, x, y, width - count, text);
    place(QM_ID_FILE_COUNT, x + width - count, y, count, text);
    place(QM_ID_PROGRESS, x, y + text + px(3), width, bar);
    place(QM_ID_BEGIN_TIME, x, y + text + bar + px(6), width / 2, text);
    place(QM_ID_END_TIME, x + width / 2, y + text + bar + px(6), width - width / 2, text);
    return y + height;
}

int MainWindow::layoutSettings(int x, int y, int width) {
    const int gap = px(4);
    const int line = fontHeight(window_, fonts_.normal) + px(8);
    const auto buttonWidth = [this](int id) {
        return std::max(px(kButtonWidth), textWidth(id) + px(16));
    };
    int label = 0;
    for (int id : {QM_ID_TITLE_LABEL, QM_ID_CHM_LABEL, QM_ID_OUTPUT_LABEL})
        label = std::max(label, textWidth(id) + px(2));
    label = std::max(label, buttonWidth(QM_ID_OPEN));
    const int right = std::max(buttonWidth(QM_ID_RECENT), textWidth(QM_ID_AUTO_TITLE) + px(24));
    const int field = width - label - right - 2 * gap;

    place(QM_ID_OPEN, x, y, label, line);
    place(QM_ID_SOURCE_FILES, x + label + gap, y, field, line);
    place(QM_ID_SOURCE_FILE, x + label + gap, y, field, line);
    place(QM_ID_RECENT, x + width - right, y, right, line);
    y += line + gap;
    place(QM_ID_TITLE_LABEL, x, y, label, line);
    place(QM_ID_TITLE, x + label + gap, y, field, line);
    place(QM_ID_AUTO_TITLE, x + width - right, y, right, line);
    y += line + gap;
    const int home = textWidth(QM_ID_HOME_LABEL) + px(2);
    const int half = (width - label - home - 3 * gap) / 2;
    place(QM_ID_CHM_LABEL, x, y, label, line);
    place(QM_ID_CHM_NAME, x + label + gap, y, half, line);
    place(QM_ID_HOME_LABEL, x + label + half + 2 * gap, y, home, line);
    place(QM_ID_HOME_PAGE, x + width - half, y, half, line);
    y += line + gap;
    place(QM_ID_OUTPUT_LABEL, x, y, label, line);
    place(QM_ID_OUTPUT_FOLDER, x + label + gap, y, field, line);
    place(QM_ID_BROWSE_OUTPUT, x + width - right, y, right, line);
    y += line + gap;
    int left = x;
    for (int id : {QM_ID_GENERATE, QM_ID_STOP, QM_ID_OPEN_FOLDER, QM_ID_OPEN_HELP}) {
        const int button = std::min(buttonWidth(id), (width - 3 * gap) / 4);
        place(id, left, y, button, line + px(2));
        left += button + gap;
    }
    place(QM_ID_NUMBERED_NAMES, left, y,
          std::min(textWidth(QM_ID_NUMBERED_NAMES) + px(24), x + width - left), line + px(2));
    y += line + px(2) + gap;
    place(QM_ID_TARGET_FOLDER, x, y, width, line - px(6));
    return y + line - px(6);
}

// Controls side by side as wide as their captions, on as many rows as the width needs.
int MainWindow::layoutFlow(const std::vector<int>& ids, int x, int y, int width) {
    const int gap = px(4);
    const int line = fontHeight(window_, fonts_.normal) + px(8);
    int left = x;
    for (int id : ids) {
        HWND control = item(id);
        int size = textWidth(id) + px(4);
        if (id == QM_ID_LEVEL)
            size = px(28);
        else if (isType(control, L"Button"))
            size =
                textWidth(id) +
                px((GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX ? 24 : 16);
        if (left > x && left + size > x + width) {
            left = x;
            y += line + gap;
        }
        place(id, left, y, std::min(size, width), line);
        left += size + gap;
    }
    return y + line;
}

void MainWindow::layoutPage(RECT page) {
    const int gap = px(4);
    const int width = page.right - page.left - 2 * gap;
    place(QM_ID_HELP_TEXT, page.left + gap, page.top + gap, width,
          page.bottom - page.top - 2 * gap);
    const int x = page.left + gap;
    int y = layoutFlow({QM_ID_LEVEL_LEAD, QM_ID_LEVEL, QM_ID_LEVEL_TAIL, QM_ID_DEFAULT_HEADER,
                        QM_ID_RENUMBER},
                       x, page.top + gap, width) +
            gap;
    y = layoutFlow({QM_ID_USE_CODE, QM_ID_OPEN_CODE, QM_ID_CLEAR_CODE, QM_ID_SAVE_CODE,
                    QM_ID_PREVIEW_CODE},
                   x, y, width) +
        gap;
    const int header = fontHeight(window_, fonts_.normal) + px(4);
    const int bottom = page.bottom - gap;
    const int list = std::min(px(153), width / 3);
    place(QM_ID_CODE_LIST_HEADER, x, y, list, header);
    place(QM_ID_CODE_LIST, x, y + header, list, bottom - y - header);
    const int memoX = x + list + px(8);
    const int memoWidth = width - list - px(8);
    const int half = (bottom - y) / 2;
    place(QM_ID_BEFORE_HEADER, memoX, y, memoWidth, header);
    place(QM_ID_BEFORE_ENTRY, memoX, y + header, memoWidth, half - header - px(2));
    place(QM_ID_AFTER_HEADER, memoX, y + half, memoWidth, header);
    place(QM_ID_AFTER_ENTRY, memoX, y + half + header, memoWidth, bottom - y - half - header);
}

} // namespace qm::win
