// Drives quillmark-gui.exe through its controls as a user would, from another process:
//   window-drive GUI SMALL_PAGE LARGE_PAGE OUT_FIRST OUT_STOPPED OUT_AGAIN SIGNALS
// Opens SMALL_PAGE through the open dialog and generates it into OUT_FIRST while the tree
// fills and the bar moves; opens LARGE_PAGE, generates into OUT_STOPPED and stops during
// the run; opens SMALL_PAGE again and generates into OUT_AGAIN; reads each result box.
// During the large run it writes SIGNALS\running and waits for SIGNALS\shot (a
// screenshot) unless SIGNALS is "-". Then it closes the window and starts it again to
// find the settings kept, at 144 dpi, and the recent menu telling the highlighted entry's
// files. Prints what it checked; exit 1 when something failed.
#include "ControlIds.h"

#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

int failures = 0;

void check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what);
    std::fflush(stdout);
    if (!ok)
        ++failures;
}

std::string narrow(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(),
                        length, nullptr, nullptr);
    return bytes;
}

bool waitFor(const std::function<bool()>& done, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    return done();
}

LRESULT ask(HWND control, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(control, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &answer);
    return static_cast<LRESULT>(answer);
}

std::wstring textOf(HWND control) {
    const auto length = static_cast<std::size_t>(ask(control, WM_GETTEXTLENGTH));
    std::wstring text(length + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ask(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

struct Gui {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;

    HWND item(int id) const { return GetDlgItem(window, id); }
    std::wstring text(int id) const { return textOf(item(id)); }
    bool enabled(int id) const { return IsWindowEnabled(item(id)) != FALSE; }
    void click(int id) const { PostMessageW(item(id), BM_CLICK, 0, 0); }
    int progress() const { return static_cast<int>(ask(item(QM_ID_PROGRESS), PBM_GETPOS)); }
    int treeRows() const { return static_cast<int>(ask(item(QM_ID_TREE), TVM_GETCOUNT)); }
};

struct Found {
    DWORD process;
    HWND window;
};

BOOL CALLBACK findMain(HWND window, LPARAM lParam) {
    auto* found = reinterpret_cast<Found*>(lParam);
    wchar_t type[64] = {};
    GetClassNameW(window, type, 64);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == found->process && std::wstring(type) == QM_WINDOW_CLASS &&
        IsWindowVisible(window)) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

bool start(Gui& gui, const std::wstring& program) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring line = L"\"" + program + L"\"";
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &gui.process))
        return false;
    Found found{gui.process.dwProcessId, nullptr};
    waitFor(
        [&] {
            EnumWindows(findMain, reinterpret_cast<LPARAM>(&found));
            return found.window != nullptr;
        },
        60);
    gui.window = found.window;
    return gui.window != nullptr;
}

// A box or dialog of the window: owned by it, of the dialog class.
HWND ownedDialog(const Gui& gui, int withControl) {
    struct Search {
        HWND owner;
        int control;
        HWND found;
    } search{gui.window, withControl, nullptr};
    EnumThreadWindows(
        gui.process.dwThreadId,
        [](HWND window, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            wchar_t type[16] = {};
            GetClassNameW(window, type, 16);
            if (std::wstring(type) == L"#32770" && IsWindowVisible(window) &&
                GetWindow(window, GW_OWNER) == s->owner &&
                (s->control == 0 || GetDlgItem(window, s->control) != nullptr)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The open dialog, its file name typed and confirmed.
bool openThroughDialog(const Gui& gui, const std::wstring& page) {
    gui.click(QM_ID_OPEN);
    HWND dialog = nullptr;
    if (!waitFor([&] { return (dialog = ownedDialog(gui, 0)) != nullptr; }, 20))
        return false;
    HWND name = GetDlgItem(dialog, 0x47C); // cmb13, the file name of the explorer dialog
    if (name == nullptr)
        name = GetDlgItem(dialog, 0x480); // edt1
    ask(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(page.c_str()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    return waitFor([&] { return ownedDialog(gui, 0) == nullptr; }, 20);
}

struct Result {
    std::wstring kind, headline, details;
};

// Waits for the result box, reads it and closes it.
Result readResult(const Gui& gui, int seconds) {
    Result result;
    HWND box = nullptr;
    if (!waitFor([&] { return (box = ownedDialog(gui, QM_ID_RESULT_KIND)) != nullptr; }, seconds))
        return result;
    result.kind = textOf(GetDlgItem(box, QM_ID_RESULT_KIND));
    result.headline = textOf(GetDlgItem(box, QM_ID_RESULT_HEADLINE));
    result.details = textOf(GetDlgItem(box, QM_ID_RESULT_DETAILS));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    waitFor([&] { return ownedDialog(gui, QM_ID_RESULT_KIND) == nullptr; }, 10);
    return result;
}

int heightOf(HWND control) {
    RECT where{};
    GetWindowRect(control, &where);
    return where.bottom - where.top;
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

int checkLayout(const Gui& gui);
void stopLargeRun(const Gui& gui, const std::wstring& large, const std::wstring& stopped,
                  const std::wstring& signals);
void checkNextStart(const std::wstring& program, const std::wstring& again, int buttonHeight,
                    const std::wstring& opened);
int checkKeyboard(const Gui& gui);
int runAndWatch(const Gui& gui, const std::wstring& output);

int main() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (count != 8) {
        std::fprintf(stderr, "usage: window-drive GUI SMALL LARGE OUT1 OUT2 OUT3 SIGNALS\n");
        return 2;
    }
    const std::wstring program = arguments[1], small = arguments[2], large = arguments[3];
    const std::wstring first = arguments[4], stopped = arguments[5], again = arguments[6];
    const std::wstring signals = arguments[7];
    SetProcessDPIAware(); // the window's sizes in pixels, as the window sets them

    Gui gui;
    check(start(gui, program), "the window shows");
    if (gui.window == nullptr)
        return 1;
    checkLayout(gui);
    checkKeyboard(gui);
    const int buttonHeight = heightOf(gui.item(QM_ID_OPEN));
    check(!gui.enabled(QM_ID_GENERATE) && gui.enabled(QM_ID_OPEN),
          "before a file is opened: Open works, Generate waits");

    // A page, generated while the tree fills and the bar moves.
    check(openThroughDialog(gui, small), "the open dialog takes the page");
    const std::wstring title = gui.text(QM_ID_TITLE);
    check(title.size() > 4 && title.substr(title.size() - 4) == L" －帮助" &&
              gui.text(QM_ID_SOURCE_FILES).find(L".htm") != std::wstring::npos,
          "the opened page is named, and the title made from its name");
    runAndWatch(gui, first);

    stopLargeRun(gui, large, stopped, signals);

    // The first page again, after the stop.
    check(openThroughDialog(gui, small), "the page opens again");
    runAndWatch(gui, again);

    PostMessageW(gui.window, WM_CLOSE, 0, 0);
    DWORD status = 1;
    check(WaitForSingleObject(gui.process.hProcess, 30000) == WAIT_OBJECT_0 &&
              GetExitCodeProcess(gui.process.hProcess, &status) && status == 0,
          "the window closes, and the program ends with 0");

    checkNextStart(program, again, buttonHeight, small);
    std::printf("%d failures\n", failures);
    return failures == 0 ? 0 : 1;
}

// Generates the opened page into output and watches the run to its result box.
int runAndWatch(const Gui& gui, const std::wstring& output) {
    ask(gui.item(QM_ID_OUTPUT_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(output.c_str()));
    check(gui.enabled(QM_ID_GENERATE), "an opened page can be generated");
    gui.click(QM_ID_GENERATE);
    int rowsDuringRun = 0;
    HWND box = nullptr;
    waitFor(
        [&] {
            if ((box = ownedDialog(gui, QM_ID_RESULT_KIND)) == nullptr)
                rowsDuringRun = gui.treeRows();
            return box != nullptr;
        },
        300);
    const Result result = readResult(gui, 5);
    std::printf("result: %s\n", narrow(result.headline).c_str());
    check(result.kind == L"information" && result.headline.find(L"CHM") != std::wstring::npos,
          "the result box tells that the CHM was made");
    check(rowsDuringRun > 0 && gui.treeRows() >= rowsDuringRun, "the tree filled during the run");
    check(!gui.text(QM_ID_CHM_NAME).empty(), "the CHM's name is shown");
    return 0;
}

// At its minimum size every control of the settings column is whole and inside the
// window; Alt letters are unique.
int checkLayout(const Gui& gui) {
    SetWindowPos(gui.window, nullptr, 0, 0, 50, 50, SWP_NOZORDER | SWP_NOMOVE);
    waitFor([] { return false; }, 1);
    RECT client{};
    GetClientRect(gui.window, &client);
    bool inside = client.right >= 500 && client.bottom >= 380;
    std::set<wchar_t> letters;
    bool unique = true;
    for (int id = QM_ID_TREE; id <= QM_ID_LAST_CONTROL; ++id) {
        HWND control = gui.item(id);
        if (control == nullptr)
            continue;
        const std::wstring caption = textOf(control);
        const std::size_t mark = caption.find(L'&');
        if (mark != std::wstring::npos && mark + 1 < caption.size() && id != QM_ID_BANNER)
            unique =
                letters.insert(static_cast<wchar_t>(towupper(caption[mark + 1]))).second && unique;
        if (!IsWindowVisible(control))
            continue;
        RECT where{};
        GetWindowRect(control, &where);
        MapWindowPoints(nullptr, gui.window, reinterpret_cast<POINT*>(&where), 2);
        const bool whole = where.right > where.left && where.bottom > where.top &&
                           where.left >= 0 && where.top >= 0 && where.right <= client.right &&
                           where.bottom <= client.bottom;
        if (!whole)
            std::printf("control %d lies at %ld,%ld-%ld,%ld in %ld x %ld\n", id, where.left,
                        where.top, where.right, where.bottom, client.right, client.bottom);
        inside = inside && whole;
    }
    for (wchar_t tab : {L'P', L'D'})
        unique = letters.insert(tab).second && unique;
    check(inside, "at the minimum size every control is whole and inside the window");
    check(unique, "each Alt letter belongs to one control");
    SetWindowPos(gui.window, nullptr, 0, 0, 1000, 700, SWP_NOZORDER);
    return 0;
}

namespace {

int focusedId(const Gui& gui) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(gui.process.dwThreadId, &info);
    return info.hwndFocus == nullptr ? 0 : GetDlgCtrlID(info.hwndFocus);
}

// A key as the keyboard gives it to the focused control; waits until the keyboard has
// gone on to another control.
void press(const Gui& gui, UINT message, WPARAM key) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(gui.process.dwThreadId, &info);
    const int before = focusedId(gui);
    PostMessageW(info.hwndFocus != nullptr ? info.hwndFocus : gui.window, message, key,
                 message == WM_SYSCHAR ? (1 << 29) : 1);
    waitFor([&] { return focusedId(gui) != before; }, 3);
}

} // namespace

// Alt and a letter reach the control the caption names; Tab goes from control to
// control, out of the code memos too, and comes round.
int checkKeyboard(const Gui& gui) {
    press(gui, WM_SYSCHAR, L'u');
    check(focusedId(gui) == QM_ID_OUTPUT_FOLDER, "Alt+U goes to the output folder");
    press(gui, WM_SYSCHAR, L'i');
    check(focusedId(gui) == QM_ID_TITLE, "Alt+I goes to the title");
    std::vector<int> visited{focusedId(gui)};
    for (int step = 0; step < 40 && (visited.size() < 2 || visited.back() != visited.front());
         ++step) {
        press(gui, WM_KEYDOWN, VK_TAB);
        visited.push_back(focusedId(gui));
    }
    std::string order;
    for (int id : visited)
        order += " " + std::to_string(id);
    std::printf("Tab order:%s\n", order.c_str());
    bool memos = false;
    for (std::size_t i = 0; i + 1 < visited.size(); ++i)
        memos = memos || (visited[i] == QM_ID_BEFORE_ENTRY && visited[i + 1] == QM_ID_AFTER_ENTRY);
    check(visited.back() == visited.front() && memos,
          "Tab goes round every control, and on from the code memos");
    return 0;
}

// A large page, stopped during its run (the screenshot is taken before the stop).
void stopLargeRun(const Gui& gui, const std::wstring& large, const std::wstring& stopped,
                  const std::wstring& signals) {
    check(openThroughDialog(gui, large), "the large page opens");
    ask(gui.item(QM_ID_OUTPUT_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(stopped.c_str()));
    gui.click(QM_ID_GENERATE);
    const bool rows = waitFor([&] { return gui.treeRows() > 3 && gui.progress() > 0; }, 120);
    check(rows && gui.enabled(QM_ID_STOP) && !gui.enabled(QM_ID_OPEN) &&
              !gui.enabled(QM_ID_OUTPUT_FOLDER),
          "during a run: the tree fills, Stop works; Open and the output folder wait");
    const int before = gui.progress();
    check(waitFor([&] { return gui.progress() > before && gui.progress() < 1000; }, 120),
          "the bar moves during the run");
    if (signals != L"-") {
        CloseHandle(CreateFileW((signals + L"\\running").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, 0, nullptr));
        check(waitFor([&] { return fileExists(signals + L"\\shot"); }, 30),
              "a screenshot was taken during the run");
    }
    gui.click(QM_ID_STOP);
    const Result stop = readResult(gui, 120);
    check(stop.kind == L"warning" && stop.headline.find(L"停止") != std::wstring::npos,
          "a stopped run says so in a warning box");
    check(gui.enabled(QM_ID_GENERATE) && !gui.enabled(QM_ID_STOP) && gui.enabled(QM_ID_OPEN),
          "after the stop: Generate works again, Stop waits");
}

// The recent menu's highlighted entry shows its files in the banner's place; the banner
// comes back when the menu closes.
void checkRecentHint(const Gui& gui, const std::wstring& first) {
    gui.click(QM_ID_RECENT);
    HWND menu = nullptr;
    waitFor(
        [&] {
            menu = FindWindowW(L"#32768", nullptr);
            return menu != nullptr && IsWindowVisible(menu);
        },
        10);
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 1);
    check(waitFor([&] { return _wcsicmp(gui.text(QM_ID_BANNER).c_str(), first.c_str()) == 0; }, 15),
          "the highlighted recent entry shows its file where the banner was");
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 1);
    check(waitFor([&] { return gui.text(QM_ID_BANNER) == L"Quillmark"; }, 15) &&
              !IsWindowVisible(menu),
          "the banner is back once the recent menu closes");
}

// The next start finds the settings of the last, on a screen of 144 dpi; the recent
// list is kept as entries, the page opened last first.
void checkNextStart(const std::wstring& program, const std::wstring& again, int buttonHeight,
                    const std::wstring& opened) {
    std::wstring entries(4096, L'\0');
    DWORD bytes = static_cast<DWORD>(entries.size() * sizeof(wchar_t));
    const bool stored =
        RegGetValueW(HKEY_CURRENT_USER, L"Software\\Quillmark\\window", L"recentEntries",
                     RRF_RT_REG_MULTI_SZ, nullptr, entries.data(), &bytes) == ERROR_SUCCESS;
    check(stored && _wcsicmp(entries.c_str(), opened.c_str()) == 0,
          "the recent list is stored as entries, the page opened last first");
    DWORD dpi = 144;
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi,
                    sizeof dpi);
    Gui next;
    check(start(next, program), "the window starts again");
    if (next.window != nullptr) {
        check(next.text(QM_ID_OUTPUT_FOLDER) == again, "the output folder is kept");
        check(next.enabled(QM_ID_RECENT), "the recent files are kept");
        checkRecentHint(next, opened);
        const int scaledHeight = heightOf(next.item(QM_ID_OPEN));
        std::printf("a button is %d pixels high at 96 dpi, %d at 144 dpi\n", buttonHeight,
                    scaledHeight);
        check(scaledHeight * 4 >= buttonHeight * 5 && scaledHeight * 4 <= buttonHeight * 7,
              "at 144 dpi the controls are half as large again");
        PostMessageW(next.window, WM_CLOSE, 0, 0);
        WaitForSingleObject(next.process.hProcess, 30000);
    }
}
