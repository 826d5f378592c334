#pragma once
#include <windows.h>
#include <string>

// The application's message box: captioned with the application's name, owned
// like a dialog shown with no parent, and with the exclamation icon when the
// caller asks for no icon of its own.
int AfxMessageBox(const std::string& text, UINT type = MB_OK);

// The same message box owned by the given window, also one of another thread
// (a message of a worker, owned by the dialog that shows the work), so that
// it stands above that window and nothing that window stands above can hide it.
int AfxMessageBox(const std::string& text, UINT type, HWND owner);
