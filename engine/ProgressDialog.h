#pragma once
// The third dialog of setup: shows each file while the worker thread copies
// the medium's tree, lets the user cancel (with confirmation), and when the
// worker reports the end makes the shortcut and closes itself.
#include <windows.h>

#include "framework/Dialog.h"
#include "res/resource.h"

// Posted by the worker to the progress dialog when the copy has ended; both parameters 0.
constexpr UINT WM_INSTALL_DONE = WM_USER + 5;

class ProgressDialog : public CDialog {
public:
    enum { IDD = IDD_PROGRESS };
    ProgressDialog() : CDialog(IDD) {}

    LRESULT OnInstallDone(WPARAM, LPARAM);
    // Shows the latest file the worker handed over (a tick of the dialog's
    // own timer, or WM_SHOW_PROGRESS from the worker).
    LRESULT OnShowProgress(WPARAM, LPARAM);

protected:
    BOOL OnInitDialog() override;
    void OnCancel() override;
    std::span<const MessageMapEntry> GetMessageMap() const override;

private:
    // The worker may end while the cancel question is open: its report then
    // waits until the user has answered, so that the answer still counts.
    bool m_askingToCancel = false;
    bool m_installDonePending = false;
};

// Shows in fields 1007 and 1009 of the dialog the latest file the engine has
// handed over (CurrentFile), the destination shortened to the field; nothing
// when no file came since the last call. Moves the bar (1010) to the bytes
// read so far. On the user-interface thread.
void ShowReportedFile(HWND dialog);

// The worker thread: creates the destination, copies the CodeDir tree into it
// and posts WM_INSTALL_DONE to the dialog whose handle it is given.
UINT InstallThreadProc(LPVOID dialogWindow);
