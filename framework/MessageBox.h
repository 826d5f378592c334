#pragma once
#include <windows.h>
#include <string>

// The application's message box: captioned with the application's name, owned
// like a dialog shown with no parent, and with the exclamation icon when the
// caller asks for no icon of its own.
int AfxMessageBox(const std::string& text, UINT type = MB_OK);
