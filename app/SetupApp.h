#pragma once
// The application object: all of setup runs inside InitInstance, one modal
// dialog after another over the full-screen backdrop.
#include <atomic>

#include "framework/WinApp.h"

class SetupApp : public CWinApp {
public:
    SetupApp() : CWinApp(nullptr) {}
    BOOL InitInstance() override;
    int ExitInstance() override;
};

// Raised (never cleared) when the user abandons setup or the medium lacks its
// files; decides between the exit dialog and the finished path. Written from
// the worker thread too.
extern std::atomic<bool> SetupCancelled;
