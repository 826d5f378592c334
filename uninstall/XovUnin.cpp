// XOVUNIN.EXE: removes a book installed by setup. The system starts it with
// the command line of the product's uninstall entry, `install folder` product
// name; the texts it shows come from that entry (SETUP.TXT's, in the medium's
// language). It removes only what the install record of that entry names, and
// of the files only those whose content is still as setup wrote it: the
// reader's changed examples and own files stay, with the folders holding them.
// A file other products use too goes only with the last of them, and so does
// this program itself, which every book shares. While a drive the record
// names is away, nothing is touched and the entry stays.
//
// Started with /S before the folder (the entry's QuietUninstallString, as
// the system's package tools run it) it asks nothing and shows nothing: what
// it would have said goes to its log in the temporary folder
// (uninstall-<product>.log), with every recorded path that stayed.
//
// A book installed for the current user alone has /CURRENTUSER on its entry's
// command lines (after /S, before the folder): the entry and the counts are
// then that user's (HKEY_CURRENT_USER), and the machine's are never looked at.
// The journals it repairs first are those of runs with its own rights (the
// machine's folder when it runs elevated, the user's own otherwise). The command line
// tells, not where this program lies: a copy started from anywhere removes
// the book its entry names.
//
// Run with administrator rights for a book of the current user (a package
// tool started elevated runs the entry's quiet command), it acts only below
// that user's profile: the entry and its record are the user's to write.
//
// It runs with the rights of whoever starts it: a reader removes a book of
// their own without a prompt. A book of the machine needs an administrator:
// started without those rights, it asks the system for them and runs again
// with them (/RIGHTSASKED before the command line it was given), ending with
// that run's exit code; refused, it removes nothing and says so.
//
// Exit code 0 when everything recorded was removed, 1 otherwise.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/DllSearch.h"
#include "record/ClosingPrograms.h"
#include "framework/LogFile.h"
#include "framework/PathText.h"
#include "framework/RestartManager.h"
#include "framework/Rights.h"
#include "framework/SystemFolders.h"
#include "record/InstallRecord.h"
#include "journal/LogPlace.h"
#include "record/RecordStore.h"
#include "journal/RunRepair.h"
#include "uninstall/ElevationRequest.h"
#include "uninstall/Removal.h"
#include "uninstall/UninstallCommand.h"

namespace {
// For when the entry, and with it the medium's own text, cannot be found.
constexpr const char* kNoEntryText =
    "The information needed to remove this program cannot be found. Nothing has been removed.";

std::string HeldFileText(const std::string& path, const FileHolders& holders) {
    std::string programs = ProgramList(holders);
    return "Another program is using this file of the book:\r\n" + path + "\r\n\r\n" +
           (programs.empty() ? std::string() : "It is in use by:\r\n" + programs + "\r\n\r\n") +
           "Close that program and choose Retry to remove the file, or Cancel to leave it where it is.";
}

std::string ProgramPath() {
    char path[AnsiPathBufferSize] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, AnsiPathBufferSize);
    return length > 0 && length < AnsiPathBufferSize ? std::string(path, length) : std::string();
}

std::string ProgramName() { return NameWithoutExtension(ProgramPath()); }

// What the uninstaller learns from the product's entry.
struct Entry {
    std::string caption;
    std::string question;
    std::string problem;
    std::optional<InstallRecord> record;
};

// Where the uninstaller's words go: message boxes, or in a quiet removal its log.
class Report {
public:
    // `log`: the quiet removal's log, already open (or not to be had); null
    // for a removal with message boxes.
    explicit Report(LogFile* log) : m_log(log) {}
    bool Quiet() const { return m_log != nullptr; }
    void Problem(const std::string& caption, const std::string& text) {
        if (m_log)
            m_log->Line(text);
        else
            MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
    }
    void Line(const std::string& text) {
        if (m_log) m_log->Line(text);
    }
    // A file of the book that another program holds, named with the
    // programs where the system can tell; true when the reader chose Retry.
    // A quiet removal names it in the log and goes on: it stays.
    bool RetryHeld(const std::string& caption, const std::string& path) {
        RestartManagerSession session;
        FileHolders holders = session.HoldersOf(path);
        if (m_log) {
            m_log->Line("In use by another program (" + ProgramsOnOneLine(holders) + "): " + path);
            return false;
        }
        return MessageBoxA(nullptr, HeldFileText(path, holders).c_str(), caption.c_str(),
                           MB_RETRYCANCEL | MB_ICONEXCLAMATION | MB_SETFOREGROUND) == IDRETRY;
    }

private:
    LogFile* m_log;
};

// A book installed for the current user, removed with administrator rights:
// its entry and record are the user's to write, so this run acts only below
// the user's profile, and the rest is left for the user's own removal.
std::string OutsideProfileText(const std::string& profile) {
    return "This book was installed for one user alone, and part of it lies outside that user's folder" +
           (profile.empty() ? std::string() : " (" + profile + ")") +
           ". Run with administrator rights, the uninstaller does not touch it. To remove the book, sign in as that "
           "user and start its uninstaller from the list of installed programs without \"Run as administrator\".";
}

int Remove(const std::optional<UninstallCommand>& command, const ScopePlaces& places, Report& report);
int RefuseWithoutRights(const std::optional<UninstallCommand>& command, const RightsRequest* request, Report& report);

int Uninstall(const char* commandLine) {
    // A drive without its medium fails quietly instead of asking for a disk.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    std::string_view line = commandLine ? commandLine : "";
    // The switches come before the folder, in any order.
    const UninstallSwitches switches = TakeUninstallSwitches(line);
    const bool quiet = switches.quiet, currentUser = switches.currentUser, rightsAsked = switches.rightsAsked;
    // Every place of the book's scope, for this run's rights.
    const bool rights = HasAdministratorRights();
    const ScopePlaces places = PlacesFor(currentUser ? InstallScope::CurrentUser : InstallScope::Machine, rights);
    std::optional<UninstallCommand> command = ParseUninstallCommand(line);
    // Before the log is opened: the run with rights removes the book and
    // writes the log, this one only waits for it.
    RightsStep step = RightsStepFor(currentUser, rights, rightsAsked);
    std::optional<RightsRequest> request;
    if (step == RightsStep::AskForRights) {
        request = RunAgainWithRights(std::wstring(kRightsAskedSwitch) + L" " + std::wstring(ArgumentsOf(GetCommandLineW())),
                                     quiet);
        if (request->ran) return static_cast<int>(request->exitCode);
    }
    LogFile log;
    if (quiet) {
        // An elevated run's where only administrators write, another's in the temporary folder.
        std::vector<std::string> notes;
        std::string path = DefaultRunLogPath("uninstall", command ? command->product : std::string(), places, &notes);
        for (const std::string& note : notes) log.Line(note);
        if (!path.empty()) log.Open(path);
    }
    Report report(quiet ? &log : nullptr);
    int code = step == RightsStep::Remove ? Remove(command, places, report)
                                          : RefuseWithoutRights(command, request ? &*request : nullptr, report);
    report.Line(code == 0 ? "Removed. (exit code 0)" : "Not everything was removed. (exit code 1)");
    return code;
}

// A book of the machine without administrator rights: its entry, its counts
// and the Windows folder are out of reach, and a removal of its files alone
// would leave an entry naming a book that is gone. Nothing is touched.
int RefuseWithoutRights(const std::optional<UninstallCommand>& command, const RightsRequest* request, Report& report) {
    std::string why = !request ? "they were asked for and this run did not get them"
                      : request->error == ERROR_CANCELLED
                          ? "they were not given"
                          : "they could not be asked for (error " + std::to_string(request->error) + ")";
    report.Problem(command ? command->product : ProgramName(),
                   "Removing this book takes administrator rights, and " + why + ". Nothing has been removed.");
    return 1;
}

int Remove(const std::optional<UninstallCommand>& command, const ScopePlaces& places, Report& report) {
    RegistryKey key =
        command ? OpenUninstallEntry(command->product, KEY_QUERY_VALUE | KEY_SET_VALUE, places) : RegistryKey();
    if (!key) {
        report.Problem(command ? command->product : ProgramName(), kNoEntryText);
        return 1;
    }
    report.Line("Removing " + command->product + " from " + command->folder);
    Entry entry;
    entry.caption = ReadEntryString(key.Get(), "DisplayName").value_or("");
    if (entry.caption.empty()) entry.caption = command->product;
    entry.question = ReadEntryString(key.Get(), "UninstallText").value_or("");
    entry.problem = ReadEntryString(key.Get(), "UninstallProblemText").value_or("");
    if (entry.problem.empty()) entry.problem = kNoEntryText;

    // A setup of this book that was cut short is undone before anything is
    // removed: the reader's files it replaced come back first.
    RepairResult repair = RepairUnfinishedRuns(places.journals, command->product);
    for (const std::string& note : repair.notes) report.Line(note);
    if (!repair.notPutBack.empty()) report.Problem(entry.caption, RestoreProblemMessage({}, repair.notPutBack));
    if (std::optional<std::string> text = ReadRecordText(key.Get())) entry.record = ParseRecord(*text);

    // Without a record, or for a folder other than the recorded one, nothing
    // on the disk is touched: the command line or the entry is not setup's.
    // A book on a drive that is away is not asked about: nothing could be
    // removed, and the entry must stay for when the drive is back.
    const char* refusal =
        !entry.record ? "The entry holds no install record."
        : !MayRemoveFor(command->folder, entry.record->installFolder, WindowsFolder())
            ? "The command line does not name the folder the book was installed in."
        : !RecordedDrivesThere(*entry.record) ? "A drive the book was installed on cannot be reached."
                                               : nullptr;
    if (refusal) {
        report.Line(refusal);
        report.Problem(entry.caption, entry.problem);
        return 1;
    }
    // Started quietly, the administrator has answered already.
    if (!report.Quiet() && MessageBoxA(nullptr, entry.question.c_str(), entry.caption.c_str(),
                                       MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES)
        return 1;

    RemovalResult result = RemoveRecorded(*entry.record, ProgramPath(), places, [&](const std::string& path) {
        return report.RetryHeld(entry.caption, path);
    });
    if (result.driveAway) {
        // Gone while the question was open: the entry stays as it was.
        report.Line("A drive the book was installed on cannot be reached.");
        report.Problem(entry.caption, entry.problem);
        return 1;
    }
    for (const RecordEntry& left : result.left.entries) report.Line("Stays: " + left.path);
    if (result.programKept)
        report.Line("The uninstaller is running and could not be moved aside: it stays, with its count, for the "
                    "next removal.");
    if (!result.outsideProfile.empty()) {
        for (const std::string& path : result.outsideProfile)
            report.Line("Not touched with administrator rights, outside the user's folder " + places.userProfile +
                        ": " + path);
    }
    if (result.KeepsEntry()) {
        // Something of setup's could not go (a file in use), or is left to
        // the user's own removal: the entry stays with what is left, so that
        // removing the book again can finish.
        WriteRecordText(key.Get(), FormatRecord(result.left), RecordFileOf(command->product, places));
    } else {
        key = RegistryKey();
        DeleteUninstallEntry(command->product, places);
    }
    // One message: the way to remove what this run may not touch, else the book's own text.
    if (!result.outsideProfile.empty())
        report.Problem(entry.caption, OutsideProfileText(places.userProfile));
    else if (!result.everythingRemoved)
        report.Problem(entry.caption, entry.problem);
    return result.everythingRemoved ? 0 : 1;
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    RestrictDllSearchToSystemFolder();
    return Uninstall(commandLine);
}
