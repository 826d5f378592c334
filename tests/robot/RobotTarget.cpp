// robot_target.exe: a small dialog program for the robot's own tests, with an
// edit box, a list, a button that asks a question in a message box, OK and
// Cancel. Its exit code tells how it was left.

#include <windows.h>

#include <cstring>
#include <initializer_list>

#include "RobotTarget.h"

namespace {
INT_PTR CALLBACK TargetProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        for (const char* item : {"zero", "one", "two", "three"})
            SendDlgItemMessageA(dialog, IDC_TARGET_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        SendDlgItemMessageA(dialog, IDC_TARGET_LIST, LB_SETCURSEL, 0, 0);
        if (std::strstr(GetCommandLineA(), TARGET_CLOSE_ITSELF)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(dialog, GetWindowTextLengthA(GetDlgItem(dialog, IDC_TARGET_EDIT)));
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, TARGET_CANCELLED);
            return TRUE;
        case IDC_TARGET_ASK: {
            int answer = MessageBoxA(dialog, "Shall I?", "Question", MB_YESNO | MB_ICONQUESTION);
            SetDlgItemTextA(dialog, IDC_TARGET_ANSWER, answer == IDYES ? "yes" : "no");
            return TRUE;
        }
        }
        break;
    }
    return FALSE;
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return static_cast<int>(DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_TARGET), nullptr, TargetProc, 0));
}
