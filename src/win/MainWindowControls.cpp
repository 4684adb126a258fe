// The window's controls: captions, hints, styles. The order of creation is the Tab order.
#include "ControlIds.h"
#include "MainWindow.h"
#include "WideText.h"
#include "ui/HelpTexts.h"
#include "ui/RunProgress.h"

#include <windowsx.h>

namespace qm::win {

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kCheckBox = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kLabel = kChild | SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE;
constexpr DWORD kMnemonicLabel =
    kChild | SS_LEFT | SS_CENTERIMAGE; // Alt and its letter go to the next control
constexpr DWORD kField = kChild | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
// Filled by the run: selectable, but Tab goes from one setting to the next.
constexpr DWORD kReadOnlyField = kChild | WS_BORDER | ES_AUTOHSCROLL | ES_READONLY;
constexpr DWORD kMemo = kChild | WS_TABSTOP | WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                        ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN;

// Tab goes on from a memo to the next control, as from any other; Ctrl+Tab stays the
// window's key for the next tab.
LRESULT CALLBACK memoKeys(HWND memo, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR) {
    LRESULT code = DefSubclassProc(memo, message, wParam, lParam);
    if (message == WM_GETDLGCODE && lParam != 0) {
        const MSG& key = *reinterpret_cast<const MSG*>(lParam);
        if (key.message == WM_KEYDOWN && key.wParam == VK_TAB)
            code &= ~(DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
    }
    return code;
}

} // namespace

HWND MainWindow::addControl(const wchar_t* type, const char* text, DWORD style, int id,
                            const char* hint) {
    HWND control =
        CreateWindowExW(0, type, wide(text).c_str(), style, 0, 0, 0, 0, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    if (hint != nullptr && tooltip_ != nullptr) {
        const std::wstring tip = wide(hint);
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.lpszText = const_cast<wchar_t*>(tip.c_str());
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return control;
}

void MainWindow::createControls() {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0,
                               0, 0, 0, window_, nullptr, instance_, nullptr);
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 600);

    addControl(WC_STATICW, "文档结构图", kLabel | SS_CENTER, QM_ID_TREE_HEADER);
    addControl(WC_TREEVIEWW, "",
               kChild | WS_TABSTOP | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                   TVS_SHOWSELALWAYS,
               QM_ID_TREE, "双击或按回车键打开相应的html文件");

    // The banner, or during a run the progress: what is being done, the file count, the
    // bar over the whole run and the times.
    addControl(WC_STATICW, "Quillmark", kChild | SS_NOTIFY | SS_OWNERDRAW, QM_ID_BANNER,
               "欢迎访问Quillmark的网站");
    addControl(WC_STATICW, "", kLabel | SS_ENDELLIPSIS, QM_ID_STATUS);
    addControl(WC_STATICW, "", kLabel | SS_RIGHT, QM_ID_FILE_COUNT);
    addControl(PROGRESS_CLASSW, "", kChild | PBS_SMOOTH, QM_ID_PROGRESS);
    SendMessageW(item(QM_ID_PROGRESS), PBM_SETRANGE32, 0, ui::RunProgress::kMaximum);
    addControl(WC_STATICW, "", kLabel, QM_ID_BEGIN_TIME);
    addControl(WC_STATICW, "", kLabel | SS_RIGHT, QM_ID_END_TIME);

    createSettingsControls();
    createPageControls();
    fillTabs();
    useFonts();
}

void MainWindow::createSettingsControls() {
    addControl(WC_BUTTONW, "打开(&O)", kButton, QM_ID_OPEN, "打开Word文档或由Word生成的html文件");
    addControl(WC_EDITW, "", kReadOnlyField, QM_ID_SOURCE_FILES, "显示所有已经打开的原始文件");
    addControl(WC_EDITW, "", kReadOnlyField & ~DWORD{WS_VISIBLE}, QM_ID_SOURCE_FILE,
               "当前正在处理的原始文件");
    addControl(WC_BUTTONW, "最近(&R)", kButton, QM_ID_RECENT, "最近打开的文件");

    const char* titleHint = "CHM文件打开时所显示的标题";
    addControl(WC_STATICW, "帮助标题(&I)：", kMnemonicLabel, QM_ID_TITLE_LABEL, titleHint);
    addControl(WC_EDITW, ui::MainPresenter::titleSuffix(), kField, QM_ID_TITLE, titleHint);
    addControl(WC_BUTTONW, "自动生成标题(&A)", kCheckBox, QM_ID_AUTO_TITLE,
               "打开文件时用文件名生成帮助文件标题");
    CheckDlgButton(window_, QM_ID_AUTO_TITLE, BST_CHECKED);

    const char* fileHint = "最终生成的CHM文件名";
    const char* homeHint = "CHM文件中的默认页(本软件取第一页作为CHM默认页)";
    addControl(WC_STATICW, "目标文件名：", kLabel, QM_ID_CHM_LABEL, fileHint);
    addControl(WC_EDITW, "", kReadOnlyField, QM_ID_CHM_NAME, fileHint);
    addControl(WC_STATICW, "首页：", kLabel, QM_ID_HOME_LABEL, homeHint);
    addControl(WC_EDITW, "", kReadOnlyField, QM_ID_HOME_PAGE, homeHint);

    const char* outputHint = "生成的所有文件都保存到这个目录；不填则保存在各原始文件旁边";
    addControl(WC_STATICW, "输出目录(&U)：", kMnemonicLabel, QM_ID_OUTPUT_LABEL, outputHint);
    addControl(WC_EDITW, "", kField, QM_ID_OUTPUT_FOLDER, outputHint);
    SendMessageW(item(QM_ID_OUTPUT_FOLDER), EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(L"不填：保存在原始文件旁边"));
    addControl(WC_BUTTONW, "浏览(&B)…", kButton, QM_ID_BROWSE_OUTPUT, "选择输出目录");

    addControl(WC_BUTTONW, "生成(&G)", kButton, QM_ID_GENERATE,
               "点击生成所有制作CHM所需的中间文件");
    addControl(WC_BUTTONW, "停止(&X)", kButton, QM_ID_STOP, "停止正在进行的生成，已完成的文件保留");
    addControl(WC_BUTTONW, "打开目录(&T)", kButton, QM_ID_OPEN_FOLDER, "打开生成文件所在的目录");
    addControl(WC_BUTTONW, "打开帮助(&H)", kButton, QM_ID_OPEN_HELP,
               "用CHM阅读器打开上次生成的帮助文件");
    // Pages named by their context numbers: ASCII names every CHM viewer opens.
    addControl(WC_BUTTONW, "编号页名(&J)", kCheckBox, QM_ID_NUMBERED_NAMES,
               "每个主题的页面以其上下文编号命名（如1003.htm），各种CHM阅读器都能打开，"
               "修改文档后名字不变");
    addControl(WC_STATICW, "", kLabel | SS_PATHELLIPSIS, QM_ID_TARGET_FOLDER);
}

void MainWindow::createPageControls() {
    addControl(WC_STATICW, "Word文档中，标题(&L)", kMnemonicLabel, QM_ID_LEVEL_LEAD);
    addControl(WC_EDITW, "0", kField | ES_CENTER | ES_NUMBER, QM_ID_LEVEL);
    SendMessageW(item(QM_ID_LEVEL), EM_LIMITTEXT, 1, 0); // one digit or nothing
    addControl(WC_STATICW, "之后的不生成层次关系(0表示所有的都生成)", kLabel, QM_ID_LEVEL_TAIL);
    addControl(WC_BUTTONW, "使用缺省HTML头(&E)", kCheckBox, QM_ID_DEFAULT_HEADER);
    // The context IDs keep their numbers from run to run; this starts over in document
    // order, for the next run only.
    addControl(WC_BUTTONW, "重新编号(&M)", kCheckBox, QM_ID_RENUMBER,
               "下次生成时按文档顺序重新编排上下文ID（IDH_n），不沿用上次的编号");

    addControl(WC_BUTTONW, "使用附加代码(&K)", kCheckBox, QM_ID_USE_CODE);
    addControl(WC_BUTTONW, "打开(&N)", kButton, QM_ID_OPEN_CODE, "打开一个附加代码文件(.ahtml)");
    addControl(WC_BUTTONW, "清除(&C)", kButton, QM_ID_CLEAR_CODE);
    addControl(WC_BUTTONW, "保存(&S)", kButton, QM_ID_SAVE_CODE);
    addControl(WC_BUTTONW, "预览(&V)", kButton, QM_ID_PREVIEW_CODE, "预览附加代码的效果");

    addControl(WC_STATICW, "已存储的附加代码", kLabel | SS_SUNKEN, QM_ID_CODE_LIST_HEADER);
    addControl(WC_LISTBOXW, "",
               kChild | WS_TABSTOP | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY |
                   LBS_NOINTEGRALHEIGHT,
               QM_ID_CODE_LIST, "双击或按回车键载入相应的附加代码文件");
    addControl(WC_STATICW, "Html前缀附加代码", kLabel | SS_SUNKEN, QM_ID_BEFORE_HEADER);
    addControl(WC_EDITW, "", kMemo, QM_ID_BEFORE_ENTRY, "<body>标签后附加的代码");
    addControl(WC_STATICW, "Html后缀附加代码", kLabel | SS_SUNKEN, QM_ID_AFTER_HEADER);
    addControl(WC_EDITW, "", kMemo, QM_ID_AFTER_ENTRY, "</body>标签前附加的代码");
    for (int memo : {QM_ID_BEFORE_ENTRY, QM_ID_AFTER_ENTRY}) {
        SendMessageW(item(memo), EM_LIMITTEXT, 0, 0); // as long as the user likes
        SetWindowSubclass(item(memo), memoKeys, 0, 0);
    }

    addControl(WC_EDITW, "",
               (kMemo & ~DWORD{WS_HSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | WS_VISIBLE}) |
                   ES_READONLY,
               QM_ID_HELP_TEXT, "程序说明");
    // Below the pages' controls (z-order is creation order, and so is the Tab order):
    // the tab control paints around them, as it clips them out.
    addControl(WC_TABCONTROLW, "", kChild | WS_TABSTOP | WS_CLIPSIBLINGS, QM_ID_TABS);
}

void MainWindow::fillTabs() {
    HWND tabs = item(QM_ID_TABS);
    int index = 0;
    for (const char* caption : {"高级设置(&P)", "说明(&D)", "更新历史", "附加码使用说明", "致谢"}) {
        std::wstring text = wide(caption);
        TCITEMW tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = text.data();
        TabCtrl_InsertItem(tabs, index++, &tab);
    }
}

std::string MainWindow::helpText(int tab) {
    switch (tab) {
    case 1:
        return ui::helptexts::description();
    case 2:
        return ui::helptexts::history();
    case 3:
        return ui::helptexts::additionalCode();
    default:
        return ui::helptexts::thanks();
    }
}

// The window's font on every control; the main buttons in bold.
void MainWindow::useFonts() {
    for (HWND child = GetWindow(window_, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.normal), FALSE);
    for (int id : {QM_ID_OPEN, QM_ID_GENERATE, QM_ID_STOP, QM_ID_OPEN_FOLDER, QM_ID_OPEN_HELP})
        SendMessageW(item(id), WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.bold), FALSE);
    SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.normal), FALSE);
}

} // namespace qm::win
