#include "framework/MessageBox.h"

#include "framework/Dialog.h"
#include "framework/WinApp.h"

int AfxMessageBox(const std::string& text, UINT type) { return AfxMessageBox(text, type, AfxGetDefaultOwner()); }

int AfxMessageBox(const std::string& text, UINT type, HWND owner) {
    if ((type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
    return MessageBoxA(owner, text.c_str(), AfxGetAppName().c_str(), type);
}
