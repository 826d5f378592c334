#include "engine/ProgressDialog.h"

#include <objbase.h>
#include <commctrl.h>

#include "settings/InstallSettings.h"
#include "settings/SetupTexts.h"
#include "engine/CopyNotices.h"
#include "engine/PathShortening.h"
#include "engine/Shortcut.h"
#include "framework/MessageBox.h"
#include "framework/Thread.h"
#include "journal/RunJournal.h"

namespace {
constexpr UINT_PTR kShowProgressTimer = 1;
constexpr UINT kShowProgressMs = 50;
// What the system shows of setup at a logoff or shutdown while the copy runs.
constexpr const char* kShutdownReason = "Setup is installing files";
}  // namespace

namespace {
// The bar shows the bytes read from the medium; the control is told only
// what changed, so that it does not redraw for nothing.
void ShowCopiedBytes(HWND dialog, ProgressReport& report) {
    HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
    if (!bar) return;
    BarPosition shown = BarFor(report.Bytes());
    if (SendMessageA(bar, PBM_GETRANGE, FALSE, 0) != shown.range) SendMessageA(bar, PBM_SETRANGE32, 0, shown.range);
    if (SendMessageA(bar, PBM_GETPOS, 0, 0) != shown.position) SendMessageA(bar, PBM_SETPOS, shown.position, 0);
}
}  // namespace

void ShowReportedFile(HWND dialog, ProgressReport& report, int destFieldWidth) {
    ShowCopiedBytes(dialog, report);
    std::string sourceName, destPath;
    if (!report.Take(sourceName, destPath)) return;
    SetDlgItemTextA(dialog, IDC_PROGRESS_FILE, sourceName.c_str());
    SetDlgItemTextA(dialog, IDC_PROGRESS_DEST, ShortenPathToFit(dialog, destFieldWidth, destPath).c_str());
}

ProgressDialog::~ProgressDialog() = default;

const CopyOutcome& ProgressDialog::Outcome() const {
    static const CopyOutcome none;
    return m_job ? m_job->Outcome() : none;
}

std::span<const CWnd::MessageMapEntry> ProgressDialog::GetMessageMap() const {
    static const MessageMapEntry map[] = {
        {WM_INSTALL_DONE, 0, 0, MapHandler(&ProgressDialog::OnInstallDone)},
        {WM_SHOW_PROGRESS, 0, 0, MapHandler(&ProgressDialog::OnShowProgress)},
        {WM_TIMER, 0, 0, MapHandler(&ProgressDialog::OnShowProgress)},
        {WM_QUERYENDSESSION, 0, 0, MapHandler(&ProgressDialog::OnQueryEndSession)},
        {WM_ENDSESSION, 0, 0, MapHandler(&ProgressDialog::OnEndSession)},
    };
    return map;
}

BOOL ProgressDialog::OnInitDialog() {
    WINDOWPLACEMENT placement = {sizeof(placement)};
    ::GetWindowPlacement(GetDlgItem(IDC_PROGRESS_DEST), &placement);
    m_destFieldWidth = placement.rcNormalPosition.right - placement.rcNormalPosition.left;

    SetWindowText(SetupTexts.InstallingTitle);
    SetDlgItemText(IDC_MAIN_TEXT, SetupTexts.InstallingText1);
    SetDlgItemText(IDC_PROGRESS_TO, SetupTexts.InstallingText2);
    SetDlgItemText(IDC_PROGRESS_FILE, "");
    SetDlgItemText(IDC_PROGRESS_DEST, "");
    SetDlgItemText(IDCANCEL, SetupTexts.CancelButton);
    CenterWindow();

    // The job is made here, on the user-interface thread, while the current
    // directory is still the medium's setup folder that CodeDir is relative to.
    const InstallSettingsRecord& settings = InstallSettings;
    m_report.Clear();
    m_prompts = std::make_unique<ProgressPrompts>(m_hWnd, m_report, m_askToLeave);
    m_job = std::make_unique<CopyJob>(settings.CodeDir, settings.InstallPath,
                                      CopyOptions{settings.FilesCompressedFlag, settings.UseUnderscoresFlag},
                                      *m_prompts);
    m_job->AdoptCreatedFolders(m_foldersMadeBefore);
    // The journal where setup of any book looks first thing.
    m_job->KeepJournalIn(m_journals, settings.ProductName);
    m_copying = true;
    m_shutdownBlock = ShutdownBlockReason(m_hWnd, kShutdownReason);
    // Often enough to look alive, seldom enough to cost the copy nothing: a
    // person cannot read twenty names a second anyway.
    SetTimer(m_hWnd, kShowProgressTimer, kShowProgressMs, nullptr);
    if (!AfxBeginThread(&InstallThreadProc, this)) {
        // Without a worker nothing is copied, and nothing would ever report
        // the end: the run ends here, as one that was abandoned.
        m_job->Cancel();
        PostMessageA(m_hWnd, WM_INSTALL_DONE, 0, 0);
    }
    return TRUE;
}

void ProgressDialog::OnCancel() {
    // Asked once: a confirmed cancel stands while the run is undone.
    if (m_askingToCancel || (m_job && m_job->Cancelled())) return;
    m_askingToCancel = true;
    // The copy stops after the current file; the dialog closes when the
    // worker reports.
    if (m_askToLeave && m_askToLeave(nullptr) && m_job) m_job->Cancel();
    m_askingToCancel = false;
    if (m_installDonePending) {
        m_installDonePending = false;
        OnInstallDone(0, 0);
    }
}

LRESULT ProgressDialog::OnShowProgress(WPARAM, LPARAM) {
    ShowReportedFile(m_hWnd, m_report, m_destFieldWidth);
    return 0;
}

LRESULT ProgressDialog::OnQueryEndSession(WPARAM, LPARAM) { return m_copying ? FALSE : TRUE; }

LRESULT ProgressDialog::OnEndSession(WPARAM ending, LPARAM) {
    // The process may end at any instant after this returns: nothing is
    // undone now that could be cut short in its turn.
    if (ending && m_copying && m_job) m_job->Interrupt();
    return 0;
}

LRESULT ProgressDialog::OnInstallDone(WPARAM, LPARAM) {
    // The fields end on the last file the copy came to.
    ShowReportedFile(m_hWnd, m_report, m_destFieldWidth);
    if (m_askingToCancel) {
        m_installDonePending = true;
        return 0;
    }
    KillTimer(m_hWnd, kShowProgressTimer);
    // A cancel confirmed after the worker had ended is undone here.
    m_job->Finish();
    m_copying = false;
    m_shutdownBlock = ShutdownBlockReason();
    const CopyOutcome& outcome = m_job->Outcome();
    if (outcome.abandoned) {
        // The reader learns which files could not be put back and where their originals lie.
        if (outcome.journalNotBegun)
            AfxMessageBox(SetupTexts.ProblemInstallingText + "\r\n\r\n" + JournalNotBegunText(outcome.journalFolder),
                          MB_OK | MB_ICONEXCLAMATION);
        else if (!outcome.notPutBack.empty())
            AfxMessageBox(RestoreProblemMessage(SetupTexts.RestoreProblemText, outcome.notPutBack),
                          MB_OK | MB_ICONEXCLAMATION);
        else if (outcome.restoreFailed)
            AfxMessageBox(SetupTexts.ProblemInstallingText, MB_OK | MB_ICONEXCLAMATION);
    } else {
        CoInitialize(nullptr);
        CreateInstallShortcut();
        CoUninitialize();
        if (outcome.expandFailed) AfxMessageBox(SetupTexts.LongFilenameProblemText, MB_OK | MB_ICONEXCLAMATION);
        if (outcome.copyFailed) AfxMessageBox(SetupTexts.ProblemInstallingText, MB_OK | MB_ICONEXCLAMATION);
        if (std::string names = NamesNotWholeText(outcome); !names.empty())
            AfxMessageBox(names, MB_OK | MB_ICONEXCLAMATION);
        // A reader's file that a failed copy could not put back stays kept: where, they learn here.
        if (!outcome.notPutBack.empty())
            AfxMessageBox(RestoreProblemMessage(SetupTexts.RestoreProblemText, outcome.notPutBack),
                          MB_OK | MB_ICONEXCLAMATION);
    }
    // Abandoned or not, what setup closed and did not start again is the reader's to start.
    if (std::string closed = ClosedProgramsText(outcome); !closed.empty())
        AfxMessageBox(closed, MB_OK | MB_ICONINFORMATION);
    OnOK();
    return 0;
}

UINT ProgressDialog::InstallThreadProc(LPVOID param) {
    auto* dialog = static_cast<ProgressDialog*>(param);
    CopyJob& job = *dialog->m_job;
    HWND window = dialog->m_hWnd;
    if (!job.Run()) {
        // Owned by the progress dialog: nothing can cover it.
        AfxMessageBox(SourceMissingText(InstallSettings.CodeDir), MB_OK, window);
    }
    // An abandoned run is undone here, while the dialog stays live; the
    // dialog does it itself for a cancel confirmed after this point.
    if (job.Cancelled()) job.Finish();
    PostMessageA(window, WM_INSTALL_DONE, 0, 0);
    return 0;
}
