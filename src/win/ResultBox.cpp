#include "ResultBox.h"

#include "ControlIds.h"
#include "WideText.h"

namespace qm::win {

namespace {

struct BoxSetup {
    const ui::RunReport* report;
    HFONT font;
};

void fillBox(HWND box, const BoxSetup& setup) {
    SetWindowTextW(box, L"Quillmark");
    if (setup.font != nullptr)
        for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT))
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(setup.font), FALSE);
    const ui::RunReport& report = *setup.report;
    SendDlgItemMessageW(box, QM_ID_RESULT_ICON, STM_SETICON,
                        reinterpret_cast<WPARAM>(
                            LoadIconW(nullptr, report.warning ? IDI_WARNING : IDI_INFORMATION)),
                        0);
    SetDlgItemTextW(box, QM_ID_RESULT_KIND, report.warning ? L"warning" : L"information");
    SetDlgItemTextW(box, QM_ID_RESULT_HEADLINE, wide(report.headline).c_str());
    SetDlgItemTextW(box, QM_ID_RESULT_DETAILS, toControlLines(wide(report.details)).c_str());
    MessageBeep(report.warning ? MB_ICONWARNING : MB_ICONINFORMATION);
}

INT_PTR CALLBACK boxProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        fillBox(box, *reinterpret_cast<const BoxSetup*>(lParam));
        SetFocus(GetDlgItem(box, IDOK));
        return FALSE; // the focus is set
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(box, IDOK);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

void showResultBox(HINSTANCE instance, HWND owner, HFONT font, const ui::RunReport& report) {
    const BoxSetup setup{&report, font};
    DialogBoxParamW(instance, MAKEINTRESOURCEW(QM_IDD_RESULT), owner, boxProcedure,
                    reinterpret_cast<LPARAM>(&setup));
}

} // namespace qm::win
