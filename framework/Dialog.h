#pragma once
// CDialog: a modal dialog bound to its template id. The object reaches the
// dialog procedure through DialogBoxParamA's parameter and is kept in DWLP_USER.
#include "framework/DataExchange.h"
#include "framework/Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr) : m_templateId(templateId), m_pParent(parent) {}

    // Runs the dialog modally over its owner; returns the EndDialog result
    // (or -1 when the template cannot be loaded).
    virtual INT_PTR DoModal();
    // Runs the dialog modally, owned by a window of another thread (a question
    // of a worker, owned by the dialog that shows the work). Owned, it always
    // stands above that window and above whatever that window stands above,
    // so no click on those can hide it; the owner stays enabled, so that its
    // own thread keeps taking the user's input meanwhile.
    INT_PTR DoModalOver(HWND liveOwner);
    void EndDialog(int result) { ::EndDialog(m_hWnd, result); }
    // Runs DoDataExchange: TRUE reads the controls into the members, FALSE
    // puts the members into the controls.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

protected:
    // Defaults: the members into the controls and focus to the first tab
    // stop; OK reads the controls back and ends, Cancel ends the dialog.
    virtual void DoDataExchange(CDataExchange*) {}
    virtual BOOL OnInitDialog() {
        UpdateData(FALSE);
        return TRUE;
    }
    virtual void OnOK() {
        UpdateData(TRUE);
        EndDialog(IDOK);
    }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    UINT m_templateId;
    CWnd* m_pParent;

private:
    HWND m_liveOwner = nullptr;

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// The dialog-procedure return rule: a handled message answers TRUE and leaves
// its result in DWLP_MSGRESULT, except the few messages whose result is the
// procedure's return value itself.
INT_PTR DialogProcResult(HWND dialog, UINT message, LRESULT result);

// The owner of a window shown with no parent. On the user-interface thread it
// is the main window's last active pop-up, so that a question asked from a
// dialog is modal over that dialog. Another thread's dialogs get no owner: they
// must not disable windows that the user-interface thread keeps live (a
// worker names the owner that stays live: DoModalOver).
HWND AfxGetDefaultOwner();
