// XOVUNIN.EXE: removes a book installed by setup. The system starts it with
// the command line of the product's uninstall entry, `install folder` product
// name; the texts it shows come from that entry (SETUP.TXT's, in the medium's
// language). It removes only what the install record of that entry names, and
// of the files only those whose content is still as setup wrote it: the
// reader's changed examples and own files stay, with the folders holding them.
// A file other products use too goes only with the last of them. While a drive
// the record names is away, nothing is touched and the entry stays.
//
// Exit code 0 when everything recorded was removed, 1 otherwise.
#include <windows.h>

#include <optional>
#include <string>

#include "framework/DllSearch.h"
#include "framework/PathText.h"
#include "record/InstallRecord.h"
#include "record/RecordStore.h"
#include "record/RunRepair.h"
#include "uninstall/Removal.h"
#include "uninstall/UninstallCommand.h"

namespace {
// For when the entry, and with it the medium's own text, cannot be found.
constexpr const char* kNoEntryText =
    "The information needed to remove this program cannot be found. Nothing has been removed.";

std::string WindowsFolder() {
    char folder[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(folder, length) : std::string();
}

std::string ProgramName() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return NameWithoutExtension(path);
}

// What the uninstaller learns from the product's entry.
struct Entry {
    std::string caption;
    std::string question;
    std::string problem;
    std::optional<InstallRecord> record;
};

void ShowProblem(const std::string& caption, const std::string& text) {
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
}

int Uninstall(const char* commandLine) {
    // A drive without its medium fails quietly instead of asking for a disk.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    std::optional<UninstallCommand> command = ParseUninstallCommand(commandLine ? commandLine : "");
    RegistryKey key = command ? OpenUninstallEntry(command->product, KEY_QUERY_VALUE | KEY_SET_VALUE) : RegistryKey();
    if (!key) {
        ShowProblem(command ? command->product : ProgramName(), kNoEntryText);
        return 1;
    }
    Entry entry;
    entry.caption = ReadEntryString(key.Get(), "DisplayName").value_or("");
    if (entry.caption.empty()) entry.caption = command->product;
    entry.question = ReadEntryString(key.Get(), "UninstallText").value_or("");
    entry.problem = ReadEntryString(key.Get(), "UninstallProblemText").value_or("");
    if (entry.problem.empty()) entry.problem = kNoEntryText;

    // A setup of this book that was cut short is undone before anything is
    // removed: the reader's files it replaced come back first.
    RepairResult repair = RepairUnfinishedRuns(JournalFolder(), command->product);
    if (!repair.notPutBack.empty()) ShowProblem(entry.caption, RestoreProblemMessage({}, repair.notPutBack));
    if (std::optional<std::string> text = ReadRecordText(key.Get())) entry.record = ParseRecord(*text);

    // Without a record, or for a folder other than the recorded one, nothing
    // on the disk is touched: the command line or the entry is not setup's.
    // A book on a drive that is away is not asked about: nothing could be
    // removed, and the entry must stay for when the drive is back.
    if (!entry.record || !MayRemoveFor(command->folder, entry.record->installFolder, WindowsFolder()) ||
        !RecordedDrivesThere(*entry.record)) {
        ShowProblem(entry.caption, entry.problem);
        return 1;
    }
    if (MessageBoxA(nullptr, entry.question.c_str(), entry.caption.c_str(),
                    MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES)
        return 1;

    RemovalResult result = RemoveRecorded(*entry.record);
    if (result.driveAway) {
        // Gone while the question was open: the entry stays as it was.
        ShowProblem(entry.caption, entry.problem);
        return 1;
    }
    if (result.failed) {
        // Something of setup's could not go (a file in use): the entry stays
        // with what is left, so that removing the book again can finish.
        WriteRecordText(key.Get(), FormatRecord(result.left));
    } else {
        key = RegistryKey();
        DeleteUninstallEntry(command->product);
    }
    if (!result.everythingRemoved) ShowProblem(entry.caption, entry.problem);
    return result.everythingRemoved ? 0 : 1;
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    RestrictDllSearchToSystemFolder();
    return Uninstall(commandLine);
}
