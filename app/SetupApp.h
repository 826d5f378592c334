#pragma once
// The application object: all of setup runs inside InitInstance, one modal
// dialog after another over the full-screen backdrop, or, started with /S,
// without any window at all.
#include "framework/WinApp.h"

class SetupApp : public CWinApp {
public:
    SetupApp() : CWinApp(nullptr) {}
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    // An interactive run ends with 1 whatever happened; an unattended one
    // with the code of its result.
    int m_exitCode = 1;
};
