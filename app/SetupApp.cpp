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
#include "record/RunRepair.h"
#include "record/SetupRunRecord.h"

namespace {
void ShowMissingKey(const std::string& warning) { AfxMessageBox(warning, MB_OK | MB_ICONEXCLAMATION); }

// A run of any book that was cut short (ended from the task list, by a logoff
// or a power cut) is undone before the reader is asked anything: silent when
// whole, one message naming what could not be put back.
void RepairRunsCutShort() {
    RepairResult repair = RepairUnfinishedRuns(JournalFolder());
    if (!repair.notPutBack.empty())
        AfxMessageBox(RestoreProblemMessage(SetupTexts.RestoreProblemText, repair.notPutBack),
                      MB_OK | MB_ICONEXCLAMATION);
}
}  // namespace

BOOL SetupApp::InitInstance() {
    WelcomeDialog welcome;
    DestinationDialog destination;
    ProgressDialog progress(&AskToLeaveSetup);

    // Every configuration message comes before the backdrop exists.
    ReadEnvironment(InstallSettings);
    ReadSetupIni(InstallSettings, ShowMissingKey);
    ReadSetupTxt(SetupTexts, ShowMissingKey);
    ValidateSettings();
    InstallSettings.InstallPath = InstallSettings.DestDir;
    RepairRunsCutShort();

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
    // Raised when the user abandons setup or the medium lacks its files;
    // decides between the exit dialog and the finished path.
    bool setupCancelled = destination.m_setupCancelled;
    if (setupCancelled) {
        // Left before the copy: a folder made in the destination dialog goes
        // again, as an abandoned copy would remove it.
        std::vector<JournalStep> folders;
        for (const std::string& folder : destination.m_createdFolders)
            folders.push_back({JournalStep::Kind::Folder, folder, {}});
        UndoRun(folders);
    } else {
        progress.AdoptCreatedFolders(destination.m_createdFolders);
        progress.DoModal();
        // An abandoned copy has been undone by now.
        setupCancelled = progress.Outcome().abandoned;
    }

    if (setupCancelled) {
        ExitDialog exitDialog;
        exitDialog.DoModal();
    } else {
        // The uninstaller is looked for in StartDir.
        SetCurrentDirectoryA(InstallSettings.StartDir.c_str());
        const CopyOutcome& copy = progress.Outcome();
        RecordCopy(copy.writtenEntries, copy.createdFolders);
        RecordKeptOriginals(copy.undeletedKept);
        RegisterUninstaller();
        FinishedDialog finished;
        finished.DoModal();
    }

    // As the main window it takes the message loop with it: the loop meets WM_QUIT at once.
    if (backdropWindow) DestroyWindow(backdropWindow);
    return TRUE;
}

int SetupApp::ExitInstance() { return 1; }
