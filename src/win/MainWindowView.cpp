// The window as the presenter's view: every call sets or reads controls, nothing more.
#include "ControlIds.h"
#include "FileDialogs.h"
#include "MainWindow.h"
#include "ResultBox.h"
#include "WideText.h"

namespace qm::win {

namespace {

int fieldId(ui::Text field) {
    switch (field) {
    case ui::Text::SourceFiles:
        return QM_ID_SOURCE_FILES;
    case ui::Text::SourceFileName:
        return QM_ID_SOURCE_FILE;
    case ui::Text::Title:
        return QM_ID_TITLE;
    case ui::Text::ChmFileName:
        return QM_ID_CHM_NAME;
    case ui::Text::DefaultPage:
        return QM_ID_HOME_PAGE;
    case ui::Text::TargetFolder:
        return QM_ID_TARGET_FOLDER;
    case ui::Text::OutputFolder:
        return QM_ID_OUTPUT_FOLDER;
    case ui::Text::Level:
        return QM_ID_LEVEL;
    case ui::Text::BeforeEntry:
        return QM_ID_BEFORE_ENTRY;
    case ui::Text::AfterEntry:
        return QM_ID_AFTER_ENTRY;
    case ui::Text::Status:
        return QM_ID_STATUS;
    case ui::Text::FileCount:
        return QM_ID_FILE_COUNT;
    case ui::Text::BeginTime:
        return QM_ID_BEGIN_TIME;
    case ui::Text::EndTime:
        return QM_ID_END_TIME;
    }
    return 0;
}

int controlId(ui::Control control) {
    switch (control) {
    case ui::Control::Open:
        return QM_ID_OPEN;
    case ui::Control::Recent:
        return QM_ID_RECENT;
    case ui::Control::Generate:
        return QM_ID_GENERATE;
    case ui::Control::Stop:
        return QM_ID_STOP;
    case ui::Control::OpenFolder:
        return QM_ID_OPEN_FOLDER;
    case ui::Control::OpenHelp:
        return QM_ID_OPEN_HELP;
    case ui::Control::OpenCode:
        return QM_ID_OPEN_CODE;
    case ui::Control::SaveCode:
        return QM_ID_SAVE_CODE;
    case ui::Control::PreviewCode:
        return QM_ID_PREVIEW_CODE;
    case ui::Control::ClearCode:
        return QM_ID_CLEAR_CODE;
    case ui::Control::Level:
        return QM_ID_LEVEL;
    case ui::Control::DefaultHeader:
        return QM_ID_DEFAULT_HEADER;
    case ui::Control::Renumber:
        return QM_ID_RENUMBER;
    case ui::Control::NumberedNames:
        return QM_ID_NUMBERED_NAMES;
    case ui::Control::OutputFolder:
        return QM_ID_OUTPUT_FOLDER;
    case ui::Control::BrowseOutput:
        return QM_ID_BROWSE_OUTPUT;
    case ui::Control::UseAdditionalCode:
        return QM_ID_USE_CODE;
    }
    return 0;
}

int switchId(ui::Switch box) {
    switch (box) {
    case ui::Switch::AutoTitle:
        return QM_ID_AUTO_TITLE;
    case ui::Switch::DefaultHeader:
        return QM_ID_DEFAULT_HEADER;
    case ui::Switch::Renumber:
        return QM_ID_RENUMBER;
    case ui::Switch::NumberedNames:
        return QM_ID_NUMBERED_NAMES;
    case ui::Switch::UseAdditionalCode:
        return QM_ID_USE_CODE;
    }
    return 0;
}

} // namespace

std::string MainWindow::controlText(int id) const {
    HWND control = item(id);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return utf8(text);
}

// A text the control already shows is left alone: the caret stays where the user has it.
void MainWindow::setControlText(int id, const std::string& text) {
    const std::wstring shown = toControlLines(wide(text));
    if (wide(controlText(id)) != shown)
        SetWindowTextW(item(id), shown.c_str());
}

void MainWindow::post(std::function<void()> code) {
    const std::lock_guard<std::mutex> lock(postedMutex_);
    if (window_ == nullptr)
        return;
    posted_.push_back(std::move(code));
    if (!drainPending_)
        drainPending_ = PostMessageW(window_, kPostedMessage, 0, 0) != FALSE;
}

void MainWindow::setText(ui::Text field, const std::string& text) {
    setControlText(fieldId(field), text);
}

void MainWindow::setChecked(ui::Switch box, bool on) {
    CheckDlgButton(window_, switchId(box), on ? BST_CHECKED : BST_UNCHECKED);
}

void MainWindow::setEnabled(ui::Control control, bool enabled) {
    HWND target = item(controlId(control));
    // Loading a listed additional-code file goes with clearing the code.
    if (control == ui::Control::ClearCode)
        EnableWindow(item(QM_ID_CODE_LIST), enabled ? TRUE : FALSE);
    if (!enabled && GetFocus() == target) // the keyboard must not be left on a dead control
        SetFocus(GetNextDlgTabItem(window_, target, FALSE));
    EnableWindow(target, enabled ? TRUE : FALSE);
}

void MainWindow::showProgressRow(bool shown) {
    progressRow_ = shown;
    ShowWindow(item(QM_ID_BANNER), shown ? SW_HIDE : SW_SHOW);
    for (int id :
         {QM_ID_STATUS, QM_ID_FILE_COUNT, QM_ID_PROGRESS, QM_ID_BEGIN_TIME, QM_ID_END_TIME})
        ShowWindow(item(id), shown ? SW_SHOW : SW_HIDE);
}

void MainWindow::showFileInHand(bool shown) {
    fileInHand_ = shown;
    ShowWindow(item(QM_ID_SOURCE_FILES), shown ? SW_HIDE : SW_SHOW);
    ShowWindow(item(QM_ID_SOURCE_FILE), shown ? SW_SHOW : SW_HIDE);
}

void MainWindow::setBusy(bool busy) {
    busy_ = busy;
    POINT cursor{};
    GetCursorPos(&cursor);
    HWND under = WindowFromPoint(cursor);
    if (under == window_ || IsChild(window_, under)) // the pointer changes now, not when it moves
        SetCursor(LoadCursorW(nullptr, busy ? IDC_APPSTARTING : IDC_ARROW));
}

void MainWindow::setProgress(int value) {
    SendMessageW(item(QM_ID_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

void MainWindow::setTicking(bool on) {
    if (on)
        SetTimer(window_, kTickTimer, 500, nullptr);
    else
        KillTimer(window_, kTickTimer);
}

void MainWindow::clearTree() {
    nodeItems_.clear();
    TreeView_DeleteAllItems(item(QM_ID_TREE));
}

void MainWindow::addNode(const ui::NodeRow& row) {
    HWND tree = item(QM_ID_TREE);
    const auto parent = nodeItems_.find(row.parent);
    std::wstring text = wide(row.shown);
    TVINSERTSTRUCTW insert{};
    insert.hParent = row.parent != 0 && parent != nodeItems_.end() ? parent->second : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = text.data();
    insert.item.lParam = static_cast<LPARAM>(row.id);
    nodeItems_[row.id] = TreeView_InsertItem(tree, &insert);
    if (insert.hParent != TVI_ROOT)
        TreeView_Expand(tree, insert.hParent, TVE_EXPAND);
}

void MainWindow::changeNode(const ui::NodeRow& row) {
    const auto found = nodeItems_.find(row.id);
    if (found == nodeItems_.end())
        return;
    std::wstring text = wide(row.shown);
    TVITEMW change{};
    change.mask = TVIF_TEXT;
    change.hItem = found->second;
    change.pszText = text.data();
    TreeView_SetItem(item(QM_ID_TREE), &change);
}

void MainWindow::setRecentFiles(const std::vector<ui::RecentRow>& rows) {
    recent_ = rows;
}

void MainWindow::setCodeFiles(const std::vector<ui::CodeFileRow>& files) {
    HWND list = item(QM_ID_CODE_LIST);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    codeFiles_.clear();
    for (const ui::CodeFileRow& file : files) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(file.title).c_str()));
        codeFiles_.push_back(file.path);
    }
}

bool MainWindow::askYesNo(const std::string& caption, const std::string& text, ui::Answer preset) {
    const UINT focus = preset == ui::Answer::No ? MB_DEFBUTTON2 : MB_DEFBUTTON1;
    return MessageBoxW(window_, wide(text).c_str(), wide(caption).c_str(),
                       MB_YESNO | MB_ICONQUESTION | focus) == IDYES;
}

void MainWindow::information(const std::string& text) {
    MessageBoxW(window_, wide(text).c_str(), L"Quillmark", MB_OK | MB_ICONINFORMATION);
}

void MainWindow::error(const std::string& text) {
    MessageBoxW(window_, wide(text).c_str(), L"Quillmark", MB_OK | MB_ICONERROR);
}

void MainWindow::showResult(const ui::RunReport& report) {
    showResultBox(instance_, window_, fonts_.normal, report);
}

std::vector<std::filesystem::path>
MainWindow::chooseSourceFiles(const std::filesystem::path& folder) {
    return filedialogs::openSourceFiles(window_, folder);
}

std::filesystem::path MainWindow::chooseCodeFileToOpen(const std::filesystem::path& folder) {
    return filedialogs::openCodeFile(window_, folder);
}

std::filesystem::path MainWindow::chooseCodeFileToSave(const std::filesystem::path& folder) {
    return filedialogs::saveCodeFile(window_, folder);
}

std::filesystem::path MainWindow::chooseFolder(const std::filesystem::path& folder) {
    return filedialogs::chooseFolder(window_, folder);
}

void MainWindow::closeWindow() {
    PostMessageW(window_, WM_CLOSE, 0, 0);
}

} // namespace qm::win
