#pragma once
// The application object: all of setup runs inside InitInstance, one modal
// dialog after another over the full-screen backdrop.
#include "framework/WinApp.h"

class SetupApp : public CWinApp {
public:
    SetupApp() : CWinApp(nullptr) {}
    BOOL InitInstance() override;
    int ExitInstance() override;
};
