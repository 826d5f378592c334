#include "app/SetupApp.h"

#include "app/BackdropWindow.h"
#include "settings/ConfigReader.h"
#include "settings/InstallSettings.h"
#include "app/SettingsMessages.h"
#include "app/UninstallRegistration.h"
#include "dialogs/DestinationDialog.h"
#include "dialogs/MessageDialogs.h"
#include "engine/ProgressDialog.h"
#include "framework/MessageBox.h"

std::atomic<bool> SetupCancelled{false};

namespace {
void ShowMissingKey(const std::string& warning) { AfxMessageBox(warning, MB_OK | MB_ICONEXCLAMATION); }
}  // namespace

BOOL SetupApp::InitInstance() {
    WelcomeDialog welcome;
    DestinationDialog destination;
    ProgressDialog progress;
    SetupCancelled = false;

    // Every configuration message comes before the backdrop exists.
    ReadEnvironment(InstallSettings);
    ReadSetupIni(InstallSettings, ShowMissingKey);
    ReadSetupTxt(SetupTexts, ShowMissingKey);
    ValidateSettings();
    InstallSettings.InstallPath = InstallSettings.DestDir;

    auto* backdrop = new BackdropWindow;
    HWND backdropWindow = backdrop->m_hWnd;
    if (backdropWindow) {
        m_pMainWnd = backdrop;
        backdrop->ShowWindow(m_nCmdShow);
        backdrop->UpdateWindow();
    } else {
        // Without its window the object would never be deleted; the dialogs
        // then run without an owner, and the message loop has no main
        // window to wait for.
        delete backdrop;
    }

    welcome.DoModal();
    destination.DoModal();
    if (!SetupCancelled) progress.DoModal();

    if (SetupCancelled) {
        ExitDialog exitDialog;
        exitDialog.DoModal();
    } else {
        // The copy leaves another folder current; the uninstaller is looked for in StartDir.
        SetCurrentDirectoryA(InstallSettings.StartDir.c_str());
        RegisterUninstaller();
        FinishedDialog finished;
        finished.DoModal();
    }

    // As the main window it takes the message loop with it: the loop meets WM_QUIT at once.
    if (backdropWindow) DestroyWindow(backdropWindow);
    return TRUE;
}

int SetupApp::ExitInstance() { return 1; }
