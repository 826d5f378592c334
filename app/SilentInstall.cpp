#include "app/SilentInstall.h"

#include <windows.h>
#include <objbase.h>

#include "app/RunLog.h"
#include "app/SettingsMessages.h"
#include "app/SilentPrompts.h"
#include "app/UninstallRegistration.h"
#include "dialogs/FreeSpace.h"
#include "engine/CopyJob.h"
#include "journal/RunRepair.h"
#include "engine/Shortcut.h"
#include "framework/LogFile.h"
#include "framework/SafeFormat.h"
#include "journal/LogPlace.h"
#include "record/SetupRunRecord.h"
#include "script/CommandScript.h"
#include "script/ScriptMessages.h"
#include "settings/ConfigReader.h"
#include "settings/InstallSettings.h"
#include "settings/SetupTexts.h"

namespace {
// Opens the log where the switch says, or where the run's rights keep it
// (an elevated run's where only administrators write, another's in the
// temporary folder). False only for the switch's file: a log that was asked
// for and cannot be had.
bool OpenLog(const SetupSwitches& switches, const ScopePlaces& places, LogFile& log) {
    if (!switches.logFile.empty()) return log.Open(switches.logFile);
    // Without that folder the run goes on unlogged, as no log was asked for.
    std::vector<std::string> notes;
    std::string path = DefaultRunLogPath("setup", InstallSettings.ProductName, places, &notes);
    for (const std::string& note : notes) log.Line(note);
    if (!path.empty()) log.Open(path);
    return true;
}

// The script's messages go to the log while the script runs. Each message is
// a line that failed.
class ScriptMessagesToLog {
public:
    explicit ScriptMessagesToLog(LogFile& log)
        : m_previous(SetScriptMessageReporter([this, &log](const std::string& text) {
              ++m_failedLines;
              log.Line("Script: " + text);
          })) {}
    ~ScriptMessagesToLog() { SetScriptMessageReporter(m_previous); }
    ScriptMessagesToLog(const ScriptMessagesToLog&) = delete;
    ScriptMessagesToLog& operator=(const ScriptMessagesToLog&) = delete;
    int FailedLines() const { return m_failedLines; }

private:
    int m_failedLines = 0;
    ScriptMessageReporter m_previous;
};

SilentResult Finish(SilentResult result, LogFile& log) {
    log.Line(StringPrintf("%s (exit code %d)", DescribeResult(result), ExitCodeOf(result)));
    return result;
}

// The copy, as the progress dialog's worker runs it, on this thread. An
// unfinished copy is undone; a finished one gets its shortcut.
// `closeApplications`: the programs holding a file of the book may be closed.
SilentResult Copy(const ScopePlaces& places, bool closeApplications, LogFile& log) {
    const InstallSettingsRecord& settings = InstallSettings;
    SilentPrompts prompts(closeApplications);
    CopyOptions options{settings.FilesCompressedFlag, settings.UseUnderscoresFlag};
    options.stopAtFirstFailure = true;
    CopyJob job(settings.CodeDir, settings.InstallPath, options, prompts);
    job.KeepJournalIn(places.journals, settings.ProductName);
    job.Run();
    uint64_t freeBytes = 0;
    QueryFreeBytes(settings.InstallPath, freeBytes);
    const CopyOutcome& outcome = job.Outcome();
    SilentResult result = ResultOfCopy(outcome, freeBytes);
    if (result != SilentResult::Installed) job.Cancel();
    job.Finish();

    LogCopiedFiles(outcome, log);
    for (const HeldFile& held : outcome.heldFiles)
        log.Line("In use by another program (" + held.programs + "): " + held.path);
    if (outcome.sourceMissing) log.Line(SourceMissingText(settings.CodeDir));
    if (outcome.expandFailed) log.Line(SetupTexts.LongFilenameProblemText);
    if (outcome.copyFailed) log.Line(SetupTexts.ProblemInstallingText);
    if (result == SilentResult::NoRoom) log.Line(SetupTexts.NoRoomText);
    if (outcome.journalNotBegun) log.Line(SetupTexts.ProblemInstallingText);
    if (result != SilentResult::Installed) {
        log.Line(outcome.restoreFailed ? "The copy was undone, but not all of it: a file it wrote could not be "
                                         "removed, or a replaced file is still kept under a ~sx name beside it."
                                       : "The copy was undone: the destination is as it was.");
        return result;
    }
    CoInitialize(nullptr);
    CreateInstallShortcut();
    CoUninitialize();
    RecordCopy(outcome.writtenEntries, outcome.createdFolders);
    RecordKeptOriginals(outcome.undeletedKept);
    return result;
}
}  // namespace

SilentResult RunSilentInstall(const SetupSwitches& switches, const ScopeChoice& choice, const ScopePlaces& places,
                              LogFile& log) {
    InstallSettingsRecord& settings = InstallSettings;
    auto note = [&log](const std::string& text) { log.Line(text); };
    ReadEnvironment(settings);
    log.Line("Unattended setup from " + settings.StartDir);
    // Read here as in every run: the profile reader finds no file as well
    // as a file without keys, so the file is looked for first.
    bool iniThere = GetFileAttributesA("SETUP.INI") != INVALID_FILE_ATTRIBUTES;
    ReadSetupIni(settings, note);
    ReadSetupTxt(SetupTexts, note);
    ValidateSettings(note);
    if (!OpenLog(switches, places, log)) return SilentResult::BadSwitch;  // nowhere to say more
    if (!switches.unknown.empty()) {
        log.Line("Unknown switch: " + switches.unknown);
        return Finish(SilentResult::BadSwitch, log);
    }
    if (choice.refused) {
        log.Line(AllUsersRefusedText());
        return Finish(SilentResult::AllUsersRefused, log);
    }
    if (!iniThere) {
        log.Line("SETUP.INI cannot be read in " + settings.StartDir);
        return Finish(SilentResult::MediumUnreadable, log);
    }
    log.Line(places.scope == InstallScope::CurrentUser ? "Installing for the current user."
                                                       : "Installing for the machine.");
    // A run of any book cut short is undone first, as in an interactive run
    // (those whose journals runs of this run's rights keep).
    RepairResult repair = RepairUnfinishedRuns(places.journals);
    for (const std::string& note : repair.notes) log.Line(note);
    if (!repair.notPutBack.empty()) log.Line(RestoreProblemMessage(SetupTexts.RestoreProblemText, repair.notPutBack));

    // A book installed before goes where it is, unless the command line names a folder.
    std::string ignored;
    settings.InstallPath = !switches.destination.empty() ? switches.destination
                                                         : EarlierInstallFolder(settings.ProductName, places, &ignored)
                                                               .value_or(settings.DestDir);
    if (!ignored.empty())
        log.Line(IgnoredEarlierFolderText(ignored));
    log.Line("Destination: " + settings.InstallPath);
    uint64_t freeBytes = 0;
    if (!QueryFreeBytes(settings.InstallPath, freeBytes)) {
        log.Line("The destination's drive cannot be reached.");
        return Finish(SilentResult::DestinationNotMade, log);
    }
    if (freeBytes < NeededBytesOf(settings.FileSize)) {
        log.Line(SetupTexts.NoRoomText);
        return Finish(SilentResult::NoRoom, log);
    }

    SilentResult result = Copy(places, switches.closeApplications, log);
    if (result != SilentResult::Installed) return Finish(result, log);

    // The uninstaller is looked for in StartDir.
    SetCurrentDirectoryA(settings.StartDir.c_str());
    Registration registration = RegisterUninstaller(places);
    log.Line(registration.entryWritten ? "Uninstall entry: " + settings.ProductName
                                       : std::string("No uninstall entry was written."));
    if (std::string note = UninstallerNote(registration); !note.empty()) log.Line(note);
    std::string noWayBack = NoWayBackMessage(registration);
    if (!noWayBack.empty()) log.Line(noWayBack);
    int failedLines = 0;
    {
        ScriptMessagesToLog scriptMessages(log);
        // A copy the script's rules keep silent on the screen fails the run all the same.
        ScriptLineNote logFailure = ScriptFailuresTo(log);
        int silentFailures = 0;
        RunCommandScript(ScriptLinesTo(log), [&](const std::string& failure) {
            ++silentFailures;
            logFailure(failure);
        });
        failedLines = scriptMessages.FailedLines() + silentFailures;
    }
    // A book that cannot be removed weighs more than a script line that failed.
    if (!noWayBack.empty()) return Finish(SilentResult::NoWayBack, log);
    return Finish(failedLines > 0 ? SilentResult::ScriptLineFailed : SilentResult::Installed, log);
}
