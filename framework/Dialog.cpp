#include "framework/Dialog.h"

#include "framework/WinApp.h"

HWND AfxGetDefaultOwner() {
    CWinApp* app = AfxGetApp();
    if (!app || GetCurrentThreadId() != app->m_threadId) return nullptr;
    HWND main = AfxGetMainWnd() ? AfxGetMainWnd()->m_hWnd : nullptr;
    if (!main || !IsWindow(main)) return nullptr;
    return GetLastActivePopup(main);
}

INT_PTR DialogProcResult(HWND dialog, UINT message, LRESULT result) {
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return static_cast<INT_PTR>(result);
    default:
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
        return TRUE;
    }
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange exchange(m_hWnd, saveAndValidate != FALSE);
    DoDataExchange(&exchange);
    return TRUE;
}

INT_PTR CDialog::DoModal() {
    HWND owner = m_pParent ? m_pParent->m_hWnd : AfxGetDefaultOwner();
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), owner, &CDialog::DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

namespace {
// Posted to a dialog run over a live owner once it is up: the modal loop
// disables the owner after WM_INITDIALOG, so the owner is enabled again from
// the dialog's own loop.
constexpr UINT kEnableLiveOwner = WM_APP + 0x3F0;
}  // namespace

INT_PTR CDialog::DoModalOver(HWND liveOwner) {
    m_liveOwner = liveOwner;
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), liveOwner,
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    m_liveOwner = nullptr;
    return result;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialog*>(lParam);
        self->m_hWnd = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        if (self->m_liveOwner) PostMessageA(hwnd, kEnableLiveOwner, 0, 0);
        return self->OnInitDialog();
    }
    auto* self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self) return FALSE;  // messages before WM_INITDIALOG get default handling

    if (message == kEnableLiveOwner) {
        if (self->m_liveOwner && IsWindow(self->m_liveOwner)) EnableWindow(self->m_liveOwner, TRUE);
        return TRUE;
    }

    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        return FALSE;
    }
    LRESULT result = 0;
    if (self->DispatchToMap(message, wParam, lParam, result)) return DialogProcResult(hwnd, message, result);
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            self->OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            self->OnCancel();
            return TRUE;
        }
    }
    return FALSE;
}
