#include "MainWindow.h"

#include "ControlIds.h"
#include "WideText.h"
#include "ui/SettingsStore.h"

#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace qm::win {

namespace {

constexpr int kWidth = 788;
constexpr int kHeight = 521;
constexpr int kMinimumWidth = 640;
constexpr int kMinimumHeight = 480;

const COLORREF kInfoBackground = RGB(255, 255, 225);
const COLORREF kNavy = RGB(0, 0, 128);

bool isOpenable(const std::filesystem::path& file) {
    std::error_code error;
    return ui::MainPresenter::isSourceDocument(file) &&
           std::filesystem::is_regular_file(file, error);
}

} // namespace

MainWindow::MainWindow(HINSTANCE instance, Services services)
    : instance_(instance), store_(services.store),
      presenter_(*this, {services.store, services.shell, services.converter, services.compiler,
                         std::move(services.programFolder), std::move(services.userFolder)}) {}

MainWindow::~MainWindow() {
    presenter_.shutDown();
    presenter_.removePreviews();
    if (window_ != nullptr)
        DestroyWindow(window_);
    deleteWindowFonts(fonts_);
    if (infoBrush_ != nullptr)
        DeleteObject(infoBrush_);
    if (banner_ != nullptr)
        DeleteObject(banner_);
    if (accelerators_ != nullptr)
        DestroyAcceleratorTable(accelerators_);
}

bool MainWindow::create(int showCommand) {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = procedure;
    type.hInstance = instance_;
    type.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(QM_IDI_APP));
    type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    type.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    type.lpszClassName = QM_WINDOW_CLASS;
    RegisterClassExW(&type);
    // WS_EX_CONTROLPARENT: Tab and the mnemonics go from control to control.
    if (CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES, QM_WINDOW_CLASS, L"Quillmark",
                        WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, kWidth,
                        kHeight, nullptr, nullptr, instance_, this) == nullptr)
        return false;
    dpi_ = windowDpi(window_);
    fonts_ = makeWindowFonts(dpi_);
    infoBrush_ = CreateSolidBrush(kInfoBackground);
    banner_ = static_cast<HBITMAP>(LoadImageW(instance_, MAKEINTRESOURCEW(QM_IDB_BANNER),
                                              IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    createControls();
    ACCEL keys[] = {{FALT | FVIRTKEY, 'P', QM_ID_TAB_ADVANCED},
                    {FALT | FVIRTKEY, 'D', QM_ID_TAB_DESCRIPTION},
                    {FCONTROL | FVIRTKEY, VK_TAB, QM_ID_TAB_NEXT}};
    accelerators_ = CreateAcceleratorTableW(keys, 3);

    const bool maximized = restorePlacement();
    showProgressRow(false);
    presenter_.restoreSettings();
    presenter_.updateActions();
    showTab(0);
    layout();
    lastFocus_ = item(QM_ID_OPEN);
    ShowWindow(window_, maximized && showCommand == SW_SHOWNORMAL ? SW_SHOWMAXIMIZED : showCommand);
    SetFocus(lastFocus_);
    UpdateWindow(window_);
    // The rest of the start-up runs once the window shows and the loop runs.
    post([this] { presenter_.startUp(); });
    return true;
}

void MainWindow::openFiles(const std::vector<std::filesystem::path>& files) {
    std::vector<std::filesystem::path> openable;
    for (const std::filesystem::path& file : files)
        if (isOpenable(file))
            openable.push_back(file);
    if (!openable.empty())
        presenter_.openFiles(openable);
}

bool MainWindow::translate(MSG& message) {
    if (window_ == nullptr)
        return false;
    if (TranslateAcceleratorW(window_, accelerators_, &message) != 0)
        return true;
    return IsDialogMessageW(window_, &message) != FALSE;
}

LRESULT CALLBACK MainWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kPostedMessage:
        runPosted();
        return 0;
    case WM_COMMAND:
        command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_NOTIFY:
        return notify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_TIMER:
        if (wParam == kTickTimer)
            presenter_.tick();
        else if (wParam == kDrainTimer)
            runPosted();
        return 0;
    case WM_SIZE:
        if (fonts_.normal != nullptr && wParam != SIZE_MINIMIZED)
            layout();
        return 0;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = {px(kMinimumWidth), px(kMinimumHeight)};
        return 0;
    }
    case WM_DPICHANGED:
        rescale(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_SETCURSOR:
        // The whole run shows the busy pointer over the window; the window still answers.
        if (busy_ && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
            return TRUE;
        }
        break;
    case WM_DRAWITEM:
        if (wParam == QM_ID_BANNER)
            drawBanner(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_MENUSELECT:
        menuSelected(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
        return 0;
    case WM_CTLCOLORSTATIC:
        if (HBRUSH brush =
                colourControl(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
            return reinterpret_cast<LRESULT>(brush);
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            keepFocus();
        return 0;
    case WM_SETFOCUS:
        restoreFocus();
        return 0;
    case WM_NEXTDLGCTL:
        nextControl(wParam, LOWORD(lParam) != 0);
        return 0;
    case WM_DROPFILES:
        dropped(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_CLOSE:
        close();
        return 0;
    case WM_DESTROY:
        KillTimer(window_, kTickTimer);
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        const std::lock_guard<std::mutex> lock(postedMutex_);
        window_ = nullptr; // what is posted from now on is dropped
        break;
    }
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

// The control that had the keyboard has it again when the window comes back.
void MainWindow::keepFocus() {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window_, focus))
        lastFocus_ = focus;
}

void MainWindow::restoreFocus() {
    SetFocus(lastFocus_ != nullptr && IsWindowEnabled(lastFocus_) && IsWindowVisible(lastFocus_)
                 ? lastFocus_
                 : GetNextDlgTabItem(window_, nullptr, FALSE));
}

// What a dialog does with WM_NEXTDLGCTL, which the system's keyboard handling (Alt and a
// caption's letter, Tab out of a memo) sends the window: the keyboard to the given
// control, or to the next or previous one; an edit field's text is selected.
void MainWindow::nextControl(WPARAM which, bool handle) {
    HWND target = handle ? reinterpret_cast<HWND>(which)
                         : GetNextDlgTabItem(window_, GetFocus(), which != 0 ? TRUE : FALSE);
    if (target == nullptr)
        return;
    SetFocus(target);
    if ((SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0 &&
        (GetWindowLongW(target, GWL_STYLE) & ES_MULTILINE) == 0)
        SendMessageW(target, EM_SETSEL, 0, -1);
}

// The presenter says whether the window may go: during a run it asks, stops the run and
// closes the window when the run has ended.
bool MainWindow::close() {
    if (!presenter_.requestClose())
        return false;
    savePlacement();
    DestroyWindow(window_);
    return true;
}

void MainWindow::command(int id, int code, HWND control) {
    switch (id) {
    case QM_ID_OPEN:
        return presenter_.open();
    case QM_ID_RECENT:
        return showRecentMenu();
    case QM_ID_GENERATE:
        return presenter_.generate();
    case QM_ID_STOP:
        return presenter_.stop();
    case QM_ID_OPEN_FOLDER:
        return presenter_.openFolder();
    case QM_ID_OPEN_HELP:
        return presenter_.openHelp();
    case QM_ID_BROWSE_OUTPUT:
        return presenter_.browseOutput();
    case QM_ID_OPEN_CODE:
        return presenter_.openCodeFile();
    case QM_ID_CLEAR_CODE:
        return presenter_.clearCode();
    case QM_ID_SAVE_CODE:
        return presenter_.saveCode();
    case QM_ID_PREVIEW_CODE:
        return presenter_.previewCode();
    case QM_ID_BANNER:
        if (code == STN_CLICKED)
            presenter_.openMakerSite();
        return;
    case QM_ID_TAB_ADVANCED:
    case QM_ID_TAB_DESCRIPTION:
    case QM_ID_TAB_NEXT: {
        const int tab = id == QM_ID_TAB_ADVANCED      ? 0
                        : id == QM_ID_TAB_DESCRIPTION ? 1
                                                      : (tab_ + 1) % 5;
        TabCtrl_SetCurSel(item(QM_ID_TABS), tab);
        showTab(tab);
        SetFocus(item(QM_ID_TABS));
        return;
    }
    case IDOK: // Enter where no control takes it
        return activate(GetFocus());
    case QM_ID_CODE_LIST:
        if (code == LBN_DBLCLK)
            activate(control);
        return;
    default:
        break;
    }
    if (code == BN_CLICKED) {
        const bool on = IsDlgButtonChecked(window_, id) == BST_CHECKED;
        if (id == QM_ID_AUTO_TITLE)
            presenter_.switched(ui::Switch::AutoTitle, on);
        else if (id == QM_ID_DEFAULT_HEADER)
            presenter_.switched(ui::Switch::DefaultHeader, on);
        else if (id == QM_ID_RENUMBER)
            presenter_.switched(ui::Switch::Renumber, on);
        else if (id == QM_ID_NUMBERED_NAMES)
            presenter_.switched(ui::Switch::NumberedNames, on);
        else if (id == QM_ID_USE_CODE)
            presenter_.switched(ui::Switch::UseAdditionalCode, on);
    } else if (code == EN_CHANGE) {
        const std::string text = utf8(fromControlLines(wide(controlText(id))));
        if (id == QM_ID_TITLE)
            presenter_.textEdited(ui::Text::Title, text);
        else if (id == QM_ID_LEVEL)
            presenter_.textEdited(ui::Text::Level, text);
        else if (id == QM_ID_OUTPUT_FOLDER)
            presenter_.textEdited(ui::Text::OutputFolder, text);
        else if (id == QM_ID_BEFORE_ENTRY)
            presenter_.textEdited(ui::Text::BeforeEntry, text);
        else if (id == QM_ID_AFTER_ENTRY)
            presenter_.textEdited(ui::Text::AfterEntry, text);
    }
}

LRESULT MainWindow::notify(const NMHDR& header) {
    if (header.idFrom == QM_ID_TABS && header.code == TCN_SELCHANGE)
        showTab(TabCtrl_GetCurSel(header.hwndFrom));
    else if (header.idFrom == QM_ID_TREE && (header.code == NM_DBLCLK || header.code == NM_RETURN))
        activate(header.hwndFrom);
    return 0;
}

// A double click or Enter on a row: the tree opens the topic's page, the library loads
// the additional-code file.
void MainWindow::activate(HWND control) {
    if (control == item(QM_ID_TREE)) {
        TVITEMW row{};
        row.mask = TVIF_PARAM;
        row.hItem = TreeView_GetSelection(control);
        if (row.hItem != nullptr && TreeView_GetItem(control, &row))
            presenter_.openNode(static_cast<std::uintptr_t>(row.lParam));
    } else if (control == item(QM_ID_CODE_LIST)) {
        const auto row = static_cast<std::size_t>(SendMessageW(control, LB_GETCURSEL, 0, 0));
        if (row < codeFiles_.size())
            presenter_.loadListedCode(codeFiles_[row]);
    }
}

void MainWindow::showTab(int index) {
    tab_ = index;
    const int advanced[] = {
        QM_ID_LEVEL_LEAD,    QM_ID_LEVEL,        QM_ID_LEVEL_TAIL,       QM_ID_DEFAULT_HEADER,
        QM_ID_RENUMBER,      QM_ID_USE_CODE,     QM_ID_OPEN_CODE,        QM_ID_CLEAR_CODE,
        QM_ID_SAVE_CODE,     QM_ID_PREVIEW_CODE, QM_ID_CODE_LIST_HEADER, QM_ID_CODE_LIST,
        QM_ID_BEFORE_HEADER, QM_ID_BEFORE_ENTRY, QM_ID_AFTER_HEADER,     QM_ID_AFTER_ENTRY};
    for (int id : advanced)
        ShowWindow(item(id), index == 0 ? SW_SHOW : SW_HIDE);
    if (index > 0)
        SetWindowTextW(item(QM_ID_HELP_TEXT), toControlLines(wide(helpText(index))).c_str());
    ShowWindow(item(QM_ID_HELP_TEXT), index > 0 ? SW_SHOW : SW_HIDE);
}

// Dropped documents are opened as the open dialog opens them; nothing starts.
void MainWindow::dropped(HDROP drop) {
    std::vector<std::filesystem::path> files;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
        files.emplace_back(name);
    }
    DragFinish(drop);
    if (!presenter_.running())
        openFiles(files);
}

// A run posts faster than the window paints: the queue runs for a short while, then
// painting, input and the ticks come first (a timer is the lowest of messages, as painting
// is) and the drain timer goes on with the rest. The timer also runs the queue while code
// shows a box, as the codes are posted: one at a time, in order.
void MainWindow::runPosted() {
    KillTimer(window_, kDrainTimer);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(30);
    for (;;) {
        std::function<void()> code;
        {
            const std::lock_guard<std::mutex> lock(postedMutex_);
            if (posted_.empty()) {
                drainPending_ = false;
                return;
            }
            code = std::move(posted_.front());
            posted_.pop_front();
        }
        SetTimer(window_, kDrainTimer, 1, nullptr);
        code();
        if (window_ == nullptr || std::chrono::steady_clock::now() > deadline)
            return;
    }
}

void MainWindow::rescale(UINT dpi, const RECT* suggested) {
    dpi_ = dpi;
    deleteWindowFonts(fonts_);
    fonts_ = makeWindowFonts(dpi_);
    useFonts();
    SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    layout();
}

// The banner at the window's dpi, its left part when the column is narrower.
void MainWindow::drawBanner(const DRAWITEMSTRUCT& draw) {
    FillRect(draw.hDC, &draw.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    if (!menuHint_.empty())
        return drawMenuHint(draw);
    BITMAP size{};
    if (banner_ == nullptr || GetObjectW(banner_, sizeof size, &size) == 0)
        return;
    HDC picture = CreateCompatibleDC(draw.hDC);
    HGDIOBJ old = SelectObject(picture, banner_);
    const int width = px(size.bmWidth);
    const int height = px(size.bmHeight);
    const int top = (draw.rcItem.bottom - draw.rcItem.top - height) / 2;
    const int shown = std::min(width, static_cast<int>(draw.rcItem.right - draw.rcItem.left));
    SetStretchBltMode(draw.hDC, HALFTONE);
    StretchBlt(draw.hDC, draw.rcItem.left, draw.rcItem.top + top, shown, height, picture, 0, 0,
               MulDiv(shown, size.bmWidth, width), size.bmHeight, SRCCOPY);
    SelectObject(picture, old);
    DeleteDC(picture);
}

HBRUSH MainWindow::colourControl(HDC dc, HWND control) {
    const int id = GetDlgCtrlID(control);
    if (id == QM_ID_HELP_TEXT) {
        SetTextColor(dc, kNavy);
        SetBkColor(dc, kInfoBackground);
        return infoBrush_;
    }
    if (id != QM_ID_FILE_COUNT && id != QM_ID_TARGET_FOLDER)
        return nullptr;
    SetTextColor(dc, id == QM_ID_FILE_COUNT ? RGB(255, 0, 0) : GetSysColor(COLOR_GRAYTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return GetSysColorBrush(COLOR_BTNFACE);
}

// Where the window was, kept as "left top right bottom maximized" in pixels.
bool MainWindow::restorePlacement() {
    const std::optional<std::string> stored = store_.text("window/placement");
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    int maximized = 0;
    RECT& where = placement.rcNormalPosition;
    if (stored &&
        std::sscanf(stored->c_str(), "%ld %ld %ld %ld %d", &where.left, &where.top, &where.right,
                    &where.bottom, &maximized) == 5 &&
        where.right - where.left >= px(kMinimumWidth) / 2 &&
        where.bottom - where.top >= px(kMinimumHeight) / 2) {
        placement.showCmd = SW_HIDE;
        SetWindowPlacement(window_, &placement); // kept on a screen by the system
        return maximized != 0;
    }
    // The first start: the default size, in the middle of the screen.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& area = monitor.rcWork;
    const int width = std::min(px(kWidth), static_cast<int>(area.right - area.left));
    const int height = std::min(px(kHeight), static_cast<int>(area.bottom - area.top));
    SetWindowPos(window_, nullptr, (area.left + area.right - width) / 2,
                 (area.top + area.bottom - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return false;
}

void MainWindow::savePlacement() {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(window_, &placement) == FALSE)
        return;
    const RECT& where = placement.rcNormalPosition;
    char text[96];
    std::snprintf(text, sizeof text, "%ld %ld %ld %ld %d", where.left, where.top, where.right,
                  where.bottom, placement.showCmd == SW_SHOWMAXIMIZED ? 1 : 0);
    store_.setText("window/placement", text);
}

} // namespace qm::win
