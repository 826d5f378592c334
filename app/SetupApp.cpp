#include "app/SetupApp.h"

#include <optional>

#include "app/BackdropWindow.h"
#include "app/RunLog.h"
#include "app/InstallScopeChoice.h"
#include "app/SetupSwitches.h"
#include "app/SilentInstall.h"
#include "settings/ConfigReader.h"
#include "settings/InstallSettings.h"
#include "app/SettingsMessages.h"
#include "app/UninstallRegistration.h"
#include "dialogs/ChosenFolder.h"
#include "dialogs/DestinationDialog.h"
#include "dialogs/MessageDialogs.h"
#include "engine/ProgressDialog.h"
#include "framework/LogFile.h"
#include "framework/MessageBox.h"
#include "framework/SafeFormat.h"
#include "journal/RunRepair.h"
#include "record/SetupRunRecord.h"

namespace {
// A run of any book that was cut short (ended from the task list, by a logoff
// or a power cut) is undone before the reader is asked anything: silent when
// whole, one message naming what could not be put back.
// Those whose journals runs of this run's rights keep: an elevated run's the
// machine's, a run without elevation the user's own.
void RepairRunsCutShort(const ScopePlaces& places, LogFile& log) {
    RepairResult repair = RepairUnfinishedRuns(places.journals);
    for (const std::string& note : repair.notes) log.Line(note);
    if (!repair.notPutBack.empty())
        AfxMessageBox(RestoreProblemMessage(SetupTexts.RestoreProblemText, repair.notPutBack),
                      MB_OK | MB_ICONEXCLAMATION);
}
}  // namespace

BOOL SetupApp::InitInstance() {
    SetupSwitches switches = ParseSetupSwitches(m_lpCmdLine);
    const bool rights = HasAdministratorRights();
    const ScopeChoice choice = ChooseInstallScope(rights, switches.scope);
    // Every place the run keeps its things, worked out once.
    const ScopePlaces places = PlacesFor(choice.scope, rights);
    LogFile log;
    if (switches.silent) {
        // No window is made: the message loop ends at once, with this code.
        m_exitCode = ExitCodeOf(RunSilentInstall(switches, choice, places, log));
        return TRUE;
    }
    if (!switches.unknown.empty()) {
        std::string message = StringPrintf(
            "Setup does not know the switch %s on its command line and goes on without it.", switches.unknown.c_str());
        log.Line(message);
        AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
    }
    // A log asked for: what the user is shown of the settings, the
    // destination, the files and the end go there too.
    if (switches.logFile.empty()) {
        log.Discard();
    } else if (!log.Open(switches.logFile)) {
        log.Discard();
        AfxMessageBox(StringPrintf("Setup cannot write its log to %s and goes on without it.", switches.logFile.c_str()),
                      MB_OK | MB_ICONEXCLAMATION);
    }

    WelcomeDialog welcome;
    DestinationDialog destination;
    ProgressDialog progress(&AskToLeaveSetup, places.journals);

    // Every configuration message comes before the backdrop exists.
    auto showMissingKey = [&log](const std::string& warning) {
        log.Line(warning);
        AfxMessageBox(warning, MB_OK | MB_ICONEXCLAMATION);
    };
    ReadEnvironment(InstallSettings);
    ReadSetupIni(InstallSettings, showMissingKey);
    // The folder the command line names is the one proposed, and the one
    // backing out of the browser returns to; otherwise a book installed
    // before is offered its own folder again, while it is there.
    std::optional<std::string> proposed = switches.destination;
    std::string ignored;
    if (proposed->empty()) proposed = EarlierInstallFolder(InstallSettings.ProductName, places, &ignored);
    if (!ignored.empty())
        log.Line(IgnoredEarlierFolderText(ignored));
    if (proposed) InstallSettings.DestDir = InstallSettings.DefaultDestDir = *proposed;
    ReadSetupTxt(SetupTexts, showMissingKey);
    ValidateSettings([&log](const std::string& message) {
        log.Line(message);
        AfxMessageBox(message, MB_OK | MB_ICONSTOP);
    });
    // Asked for the machine without the rights to write it: nothing is
    // touched, and the reader learns why.
    if (choice.refused) {
        log.Line(AllUsersRefusedText());
        AfxMessageBox(SetupTexts.ProblemInstallingText + "\n\n" + AllUsersRefusedText(), MB_OK | MB_ICONSTOP);
        return TRUE;
    }
    InstallSettings.InstallPath = InstallSettings.DestDir;
    RepairRunsCutShort(places, log);

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
    std::vector<std::string> madeForTheRun =
        FoldersOfChosenPath(destination.m_createdFolders, InstallSettings.InstallPath);
    if (setupCancelled) {
        // Left before the copy: a folder made in the destination dialog goes
        // again, as an abandoned copy would remove it.
        std::vector<JournalStep> folders;
        for (const std::string& folder : madeForTheRun) folders.push_back({JournalStep::Kind::Folder, folder, {}});
        UndoRun(folders, InstallSettings.InstallPath);
    } else {
        progress.AdoptCreatedFolders(madeForTheRun);
        log.Line("Destination: " + InstallSettings.InstallPath);
        progress.DoModal();
        LogCopiedFiles(progress.Outcome(), log);
        // An abandoned copy has been undone by now.
        setupCancelled = progress.Outcome().abandoned;
    }

    if (setupCancelled) {
        log.Line("Setup was not completed.");
        ExitDialog exitDialog;
        exitDialog.DoModal();
    } else {
        // The uninstaller is looked for in StartDir.
        SetCurrentDirectoryA(InstallSettings.StartDir.c_str());
        const CopyOutcome& copy = progress.Outcome();
        RecordCopy(copy.writtenEntries, copy.createdFolders);
        RecordKeptOriginals(copy.undeletedKept);
        // A book that cannot be removed again is never left without a word.
        Registration registration = RegisterUninstaller(places);
        if (std::string note = UninstallerNote(registration); !note.empty()) log.Line(note);
        std::string noWayBack = NoWayBackMessage(registration);
        if (!noWayBack.empty()) {
            log.Line(noWayBack);
            AfxMessageBox(noWayBack, MB_OK | MB_ICONEXCLAMATION);
        }
        FinishedDialog finished;
        finished.m_noteScriptLine = ScriptLinesTo(log);
        finished.m_noteScriptFailure = ScriptFailuresTo(log);
        finished.DoModal();
        log.Line(noWayBack.empty() ? "Setup is complete." : "Setup has installed the book, which cannot be removed.");
    }

    // As the main window it takes the message loop with it: the loop meets WM_QUIT at once.
    if (backdropWindow) DestroyWindow(backdropWindow);
    return TRUE;
}

int SetupApp::ExitInstance() { return m_exitCode; }
