#include "engine/ProgressDialog.h"

#include <objbase.h>
#include <commctrl.h>

#include "settings/InstallSettings.h"
#include "app/SetupApp.h"
#include "settings/SetupTexts.h"
#include "dialogs/MessageDialogs.h"
#include "engine/CopyEngine.h"
#include "engine/CopyState.h"
#include "engine/FileOperations.h"
#include "engine/PathShortening.h"
#include "engine/Shortcut.h"
#include "engine/SourceListing.h"
#include "framework/MessageBox.h"
#include "framework/SafeFormat.h"
#include "framework/Thread.h"

namespace {
constexpr UINT_PTR kShowProgressTimer = 1;
constexpr UINT kShowProgressMs = 50;
}  // namespace

namespace {
// The bar shows the bytes read from the medium; the control is told only
// what changed, so that it does not redraw for nothing.
void ShowCopiedBytes(HWND dialog) {
    HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
    if (!bar) return;
    BarPosition shown = BarFor(CurrentFile.Bytes());
    if (SendMessageA(bar, PBM_GETRANGE, FALSE, 0) != shown.range) SendMessageA(bar, PBM_SETRANGE32, 0, shown.range);
    if (SendMessageA(bar, PBM_GETPOS, 0, 0) != shown.position) SendMessageA(bar, PBM_SETPOS, shown.position, 0);
}
}  // namespace

void ShowReportedFile(HWND dialog) {
    ShowCopiedBytes(dialog);
    std::string sourceName, destPath;
    if (!CurrentFile.Take(sourceName, destPath)) return;
    SetDlgItemTextA(dialog, IDC_PROGRESS_FILE, sourceName.c_str());
    SetDlgItemTextA(dialog, IDC_PROGRESS_DEST, ShortenPathToFit(dialog, DestFieldWidth, destPath).c_str());
}

std::span<const CWnd::MessageMapEntry> ProgressDialog::GetMessageMap() const {
    static const MessageMapEntry map[] = {
        {WM_INSTALL_DONE, 0, 0, MapHandler(&ProgressDialog::OnInstallDone)},
        {WM_SHOW_PROGRESS, 0, 0, MapHandler(&ProgressDialog::OnShowProgress)},
        {WM_TIMER, 0, 0, MapHandler(&ProgressDialog::OnShowProgress)},
    };
    return map;
}

BOOL ProgressDialog::OnInitDialog() {
    StartEvent.SetEvent();

    WINDOWPLACEMENT placement = {sizeof(placement)};
    ::GetWindowPlacement(GetDlgItem(IDC_PROGRESS_DEST), &placement);
    DestFieldWidth = placement.rcNormalPosition.right - placement.rcNormalPosition.left;

    SetWindowText(SetupTexts.InstallingTitle);
    SetDlgItemText(IDC_MAIN_TEXT, SetupTexts.InstallingText1);
    SetDlgItemText(IDC_PROGRESS_TO, SetupTexts.InstallingText2);
    SetDlgItemText(IDC_PROGRESS_FILE, "");
    SetDlgItemText(IDC_PROGRESS_DEST, "");
    SetDlgItemText(IDCANCEL, SetupTexts.CancelButton);
    CenterWindow();

    ProgressWindow = m_hWnd;
    CurrentFile.Clear();
    // Often enough to look alive, seldom enough to cost the copy nothing: a
    // person cannot read twenty names a second anyway.
    SetTimer(m_hWnd, kShowProgressTimer, kShowProgressMs, nullptr);
    CopyAbandoned = false;
    ExpandFailed = false;
    CopyFailed = false;
    if (!AfxBeginThread(&InstallThreadProc, m_hWnd)) {
        // Without a worker nothing is copied, and nothing would ever report
        // the end: the run is a failed copy and ends here.
        CopyFailed = true;
        PostMessageA(m_hWnd, WM_INSTALL_DONE, 0, 0);
    }
    return TRUE;
}

void ProgressDialog::OnCancel() {
    if (m_askingToCancel) return;
    m_askingToCancel = true;
    ConfirmExitDialog confirm;
    if (confirm.DoModal() == IDOK) {
        // The engine stops after the current file; the dialog closes when the
        // worker reports. The flags go up before the event, so that a level
        // that consumes the event leaves every enclosing level stopped too.
        SetupCancelled = true;
        CopyAbandoned = true;
        CancelEvent.SetEvent();
    }
    m_askingToCancel = false;
    if (m_installDonePending) {
        m_installDonePending = false;
        OnInstallDone(0, 0);
    }
}

LRESULT ProgressDialog::OnShowProgress(WPARAM, LPARAM) {
    ShowReportedFile(m_hWnd);
    return 0;
}

LRESULT ProgressDialog::OnInstallDone(WPARAM, LPARAM) {
    // The fields end on the last file the copy came to.
    ShowReportedFile(m_hWnd);
    if (m_askingToCancel) {
        m_installDonePending = true;
        return 0;
    }
    KillTimer(m_hWnd, kShowProgressTimer);
    CoInitialize(nullptr);
    if (!CopyAbandoned) {
        CreateInstallShortcut();
        if (ExpandFailed) AfxMessageBox(SetupTexts.LongFilenameProblemText, MB_OK | MB_ICONEXCLAMATION);
        if (CopyFailed) AfxMessageBox(SetupTexts.ProblemInstallingText, MB_OK | MB_ICONEXCLAMATION);
    }
    CoUninitialize();
    OnOK();
    return 0;
}

UINT InstallThreadProc(LPVOID dialogWindow) {
    StartEvent.Lock(INFINITE);
    const InstallSettingsRecord& settings = InstallSettings;
    CreateDirectoryPath(settings.InstallPath);

    // The folder must fit a path and must really become current: otherwise
    // the copy would take whatever folder is current (the medium's root) instead.
    const std::string& codeDir = settings.CodeDir;
    bool found = codeDir.size() < MAX_PATH && PathExists(codeDir) && SetCurrentDirectoryA(codeDir.c_str());
    if (found && !IsFolder(settings.InstallPath)) {
        // The destination could not be made (a drive that is not there, a
        // path past the system's folder limit): every file of the tree is a
        // failed copy, and nothing is written anywhere else instead.
        if (TreeHoldsFiles()) CopyFailed = true;
    } else if (found) {
        // The bar's range: what the copy will read, listed before its first file.
        CurrentFile.SetTotalBytes(ListSourceTree(".", settings.InstallPath, settings.UseUnderscoresFlag).bytes);
        CopyTree(settings.InstallPath);
    } else {
        AfxMessageBox(StringPrintf("The book's files are supposed to be in a directory named '%s'. Setup can't find "
                                   "this directory so it's exiting.",
                                   codeDir.c_str()),
                      MB_OK);
        SetupCancelled = true;
        CopyAbandoned = true;
    }
    PostMessageA(static_cast<HWND>(dialogWindow), WM_INSTALL_DONE, 0, 0);
    return 0;
}
