#pragma once

#include "WindowFont.h"
#include "ui/MainPresenter.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace qm::win {

// The program's one window on Windows: common controls bound to a ui::MainPresenter,
// which holds the settings, decides every enable rule and runs the generation on a
// thread of its own. Controls carry the IDs of ControlIds.h. Everything runs on the
// thread that made the window, but post().
class MainWindow : public ui::MainView {
public:
    struct Services {
        ui::SettingsStore& store;
        ui::ShellServices& shell;
        DocumentConverter* converter = nullptr; // may be null (see Generator)
        ProjectCompiler* compiler = nullptr;
        std::filesystem::path programFolder; // stored additional code beside the program
        std::filesystem::path userFolder;    // the user's own stored additional code
    };
    MainWindow(HINSTANCE instance, Services services);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Makes the window with its controls and the stored settings and shows it; false
    // when the system refuses.
    bool create(int showCommand);
    // Files named on the command line, opened as the open dialog opens them.
    void openFiles(const std::vector<std::filesystem::path>& files);
    // The keyboard of the message loop: the window's Alt keys, Tab between controls,
    // mnemonics. True when the message was handled.
    bool translate(MSG& message);

    // ui::MainView.
    void post(std::function<void()> code) override;
    void setText(ui::Text field, const std::string& text) override;
    void setChecked(ui::Switch box, bool on) override;
    void setEnabled(ui::Control control, bool enabled) override;
    void showProgressRow(bool shown) override;
    void showFileInHand(bool shown) override;
    void setBusy(bool busy) override;
    void setProgress(int value) override;
    void setTicking(bool on) override;
    void clearTree() override;
    void addNode(const ui::NodeRow& row) override;
    void changeNode(const ui::NodeRow& row) override;
    void setRecentFiles(const std::vector<ui::RecentRow>& rows) override;
    void setCodeFiles(const std::vector<ui::CodeFileRow>& files) override;
    bool askYesNo(const std::string& caption, const std::string& text, ui::Answer preset) override;
    void information(const std::string& text) override;
    void error(const std::string& text) override;
    void showResult(const ui::RunReport& report) override;
    std::vector<std::filesystem::path>
    chooseSourceFiles(const std::filesystem::path& folder) override;
    std::filesystem::path chooseCodeFileToOpen(const std::filesystem::path& folder) override;
    std::filesystem::path chooseCodeFileToSave(const std::filesystem::path& folder) override;
    std::filesystem::path chooseFolder(const std::filesystem::path& folder) override;
    void closeWindow() override;

private:
    static constexpr UINT kPostedMessage = WM_APP + 1; // run what post() queued
    static constexpr UINT_PTR kTickTimer = 1;
    static constexpr UINT_PTR kDrainTimer = 2; // more of what post() queued

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool close();
    void destroyed();

    // The controls (MainWindowControls.cpp).
    void createControls();
    void createSettingsControls();
    void createPageControls();
    HWND addControl(const wchar_t* type, const char* text, DWORD style, int id,
                    const char* hint = nullptr);
    void fillTabs();
    static std::string helpText(int tab); // UTF-8, of the help tabs 1 .. 4
    void useFonts();

    // Where the controls go (MainWindowLayout.cpp).
    void layout();
    int layoutBannerRow(int x, int y, int width);
    int layoutSettings(int x, int y, int width);
    void layoutPage(RECT page);
    int layoutFlow(const std::vector<int>& ids, int x, int y, int width);
    void place(int id, int x, int y, int width, int height);
    int textWidth(int id) const;
    int px(int value) const { return scaled(value, dpi_); }

    // What the user does (MainWindow.cpp).
    void command(int id, int code, HWND control);
    LRESULT notify(const NMHDR& header);
    void showTab(int index);
    // The recent-files menu (RecentMenu.cpp).
    void showRecentMenu();
    void menuSelected(UINT id, UINT flags, HMENU menu);
    void showMenuHint(const std::wstring& text);
    void drawMenuHint(const DRAWITEMSTRUCT& draw);
    void activate(HWND control);
    void keepFocus();
    void restoreFocus();
    void nextControl(WPARAM which, bool handle);
    void dropped(HDROP drop);
    void runPosted();
    bool restorePlacement(); // true: the window was maximized
    void savePlacement();
    void rescale(UINT dpi, const RECT* suggested);
    HBRUSH colourControl(HDC dc, HWND control);
    void drawBanner(const DRAWITEMSTRUCT& draw);

    HWND item(int id) const { return GetDlgItem(window_, id); }
    std::string controlText(int id) const;
    void setControlText(int id, const std::string& utf8);

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HWND tooltip_ = nullptr;
    HWND lastFocus_ = nullptr; // the control with the keyboard while the window is inactive
    HACCEL accelerators_ = nullptr;
    UINT dpi_ = 96;
    WindowFonts fonts_;
    HBRUSH infoBrush_ = nullptr;
    HBITMAP banner_ = nullptr;
    int tab_ = 0;
    bool busy_ = false;
    bool progressRow_ = false;
    bool fileInHand_ = false;

    // Code posted from the run's thread, run on the window's in order.
    std::mutex postedMutex_;
    std::deque<std::function<void()>> posted_;
    bool drainPending_ = false; // a message or the drain timer will run the queue

    std::unordered_map<std::uintptr_t, HTREEITEM> nodeItems_;
    std::vector<ui::RecentRow> recent_;
    // The highlighted recent entry's files, shown in the banner's place while the menu is
    // open (there is no run then: the menu is only enabled while idle). Empty: the banner.
    std::wstring menuHint_;
    std::vector<std::filesystem::path> codeFiles_;

    ui::SettingsStore& store_;
    ui::MainPresenter presenter_;
};

} // namespace qm::win
