#pragma once
// The third dialog of setup: runs the copy job on a worker thread and shows
// each file while it is copied, lets the user cancel (with confirmation),
// and when the worker reports the end undoes an abandoned run or makes the
// shortcut, and closes itself.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/CopyJob.h"
#include "engine/ProgressPrompts.h"
#include "engine/ProgressReport.h"
#include "framework/Dialog.h"
#include "journal/JournalTrust.h"
#include "framework/ShutdownBlock.h"
#include "res/resource.h"

// Posted by the worker to the progress dialog when the copy has ended; both parameters 0.
constexpr UINT WM_INSTALL_DONE = WM_USER + 5;

class ProgressDialog : public CDialog {
public:
    enum { IDD = IDD_PROGRESS };
    // `journals`: where the run keeps its journal (the run's rights decide).
    ProgressDialog(ExitQuestion askToLeave, JournalPlace journals)
        : CDialog(IDD), m_askToLeave(std::move(askToLeave)), m_journals(std::move(journals)) {}
    ~ProgressDialog() override;

    // Folders made for this run before the copy (the destination dialog's):
    // an abandoned run removes them too, a completed one records them.
    void AdoptCreatedFolders(std::vector<std::string> folders) { m_foldersMadeBefore = std::move(folders); }

    // After DoModal: what the run did. Abandoned when the user confirmed a
    // cancel or the medium lacked its files; the disk is then as it was.
    const CopyOutcome& Outcome() const;

    LRESULT OnInstallDone(WPARAM, LPARAM);
    // Shows the latest file the worker handed over (a tick of the dialog's
    // own timer, or WM_SHOW_PROGRESS from the worker).
    LRESULT OnShowProgress(WPARAM, LPARAM);
    // The system asks whether the session may end (a logoff, a shutdown):
    // not while the copy runs. Ended all the same, the copy stops and its
    // journal is left for the next start.
    LRESULT OnQueryEndSession(WPARAM, LPARAM);
    LRESULT OnEndSession(WPARAM ending, LPARAM);

protected:
    BOOL OnInitDialog() override;
    void OnCancel() override;
    std::span<const MessageMapEntry> GetMessageMap() const override;

private:
    // The worker thread: runs the job and posts WM_INSTALL_DONE to the dialog.
    static UINT InstallThreadProc(LPVOID dialog);

    ExitQuestion m_askToLeave;
    JournalPlace m_journals;
    std::vector<std::string> m_foldersMadeBefore;
    ProgressReport m_report;
    int m_destFieldWidth = 0;
    std::unique_ptr<ProgressPrompts> m_prompts;
    std::unique_ptr<CopyJob> m_job;
    // The worker may end while the cancel question is open: its report then
    // waits until the user has answered, so that the answer still counts.
    bool m_askingToCancel = false;
    bool m_installDonePending = false;
    // From the worker's start until the run has ended (undone included).
    bool m_copying = false;
    ShutdownBlockReason m_shutdownBlock;
};

// Shows in fields 1007 and 1009 of the dialog the latest file the copy has
// handed over in `report`, the destination shortened to `destFieldWidth`;
// nothing when no file came since the last call. Moves the bar (1010) to the
// bytes read so far. On the user-interface thread.
void ShowReportedFile(HWND dialog, ProgressReport& report, int destFieldWidth);
