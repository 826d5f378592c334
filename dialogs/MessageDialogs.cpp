#include "dialogs/MessageDialogs.h"

#include "settings/InstallSettings.h"
#include "settings/SetupTexts.h"
#include "framework/SafeFormat.h"
#include "script/CommandScript.h"

BOOL WelcomeDialog::OnInitDialog() {
    SetWindowText(SetupTexts.WelcomeTitle);
    SetDlgItemText(IDC_MAIN_TEXT, FormatText(SetupTexts.WelcomeText, InstallSettings.ProductName));
    SetDlgItemText(IDOK, SetupTexts.OkButton);
    CenterWindow();
    return TRUE;
}

BOOL ConfirmExitDialog::OnInitDialog() {
    SetWindowText(SetupTexts.ExitTitle);
    SetDlgItemText(IDC_MAIN_TEXT, SetupTexts.ExitText);
    SetDlgItemText(IDOK, SetupTexts.ExitButton);
    SetDlgItemText(IDCANCEL, SetupTexts.ContinueButton);
    CenterWindow();
    return TRUE;
}

bool AskToLeaveSetup(HWND liveOwner) {
    ConfirmExitDialog confirm;
    return (liveOwner ? confirm.DoModalOver(liveOwner) : confirm.DoModal()) == IDOK;
}

BOOL FinishedDialog::OnInitDialog() {
    SetWindowText(SetupTexts.FinishedTitle);
    SetDlgItemText(IDC_MAIN_TEXT, FormatText(SetupTexts.FinishedText, InstallSettings.ProductName));
    SetDlgItemText(IDOK, SetupTexts.OkButton);
    CenterWindow();
    // The dialog is still hidden: every message of the script comes before it shows.
    RunCommandScript(m_noteScriptLine, m_noteScriptFailure);
    return TRUE;
}

BOOL ExitDialog::OnInitDialog() {
    SetWindowText(SetupTexts.SetupFailedTitle);
    SetDlgItemText(IDC_MAIN_TEXT, SetupTexts.SetupFailedText);
    SetDlgItemText(IDOK, SetupTexts.OkButton);
    CenterWindow();
    return TRUE;
}
