#pragma once
// The fixed messages of the install sequence. Every word comes from SETUP.TXT.
#include "framework/Dialog.h"
#include "res/resource.h"
#include "script/CommandScript.h"

// Opens setup; can only be left with OK.
class WelcomeDialog : public CDialog {
public:
    enum { IDD = IDD_WELCOME };
    WelcomeDialog() : CDialog(IDD) {}

protected:
    BOOL OnInitDialog() override;
    void OnCancel() override {}  // Escape does nothing: there is no way out but OK
};

// Asked whenever the user tries to cancel: OK means exit, Cancel means go on.
class ConfirmExitDialog : public CDialog {
public:
    enum { IDD = IDD_CONFIRM_EXIT };
    ConfirmExitDialog() : CDialog(IDD) {}

protected:
    BOOL OnInitDialog() override;
};

// The exit question: true when the user leaves setup. Over `liveOwner`, a
// window of another thread that stays live meanwhile (the copy's question on
// its worker, over the progress dialog), or with null over this thread's
// usual owner.
bool AskToLeaveSetup(HWND liveOwner);

// The closing message of a successful installation.
class FinishedDialog : public CDialog {
public:
    enum { IDD = IDD_FINISHED };
    FinishedDialog() : CDialog(IDD) {}

    // Told each line of the command script before it runs (the run's log).
    ScriptLineNote m_noteScriptLine;
    // Told each failure of the script that its rules keep off the screen.
    ScriptLineNote m_noteScriptFailure;

protected:
    BOOL OnInitDialog() override;
};

// The closing message of an abandoned installation.
class ExitDialog : public CDialog {
public:
    enum { IDD = IDD_EXIT };
    ExitDialog() : CDialog(IDD) {}

protected:
    BOOL OnInitDialog() override;
};
