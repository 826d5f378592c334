#include "uninstall/Removal.h"

#include <windows.h>

#include <algorithm>
#include <set>
#include <unordered_set>

#include "framework/FileInUse.h"
#include "framework/PathText.h"
#include "record/OwnFiles.h"
#include "record/RecordedFiles.h"
#include "record/SharedFiles.h"

namespace {
size_t Depth(const std::string& path) { return CountChar(path, '\\'); }

bool IsFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}


// The recorded folders that the reader has turned into links since. What is
// behind such a link is the reader's, whatever its names: neither it nor
// anything below it is touched.
class LinkedFolders {
public:
    explicit LinkedFolders(const InstallRecord& record) {
        for (const RecordEntry& entry : record.entries)
            if (entry.kind == RecordEntry::Kind::Folder && IsLink(entry.path)) m_folders.insert(UpperAnsi(entry.path));
    }
    bool IsLinked(const std::string& folder) const { return m_folders.count(UpperAnsi(folder)) > 0; }
    // Whether the path leads through one of them.
    bool Behind(const std::string& path) const {
        if (m_folders.empty()) return false;
        std::string upper = UpperAnsi(path);
        // Character by character: a double-byte name may hold the byte of "\\".
        for (size_t slash = FindChar(upper, '\\', 3); slash != std::string::npos;
             slash = FindChar(upper, '\\', slash + 1))
            if (m_folders.count(upper.substr(0, slash))) return true;
        return false;
    }

private:
    std::unordered_set<std::string> m_folders;
};

// What becomes of a recorded file (or shortcut) of setup's own.
enum class FileOutcome { Gone, Changed, Failed };

FileOutcome RemoveIfUnchanged(const RecordEntry& entry) {
    if (!StillThere(entry)) return FileOutcome::Gone;
    // An older record's shortcut has nothing to compare: any file of its name goes, as it did then.
    bool unchanged = entry.kind == RecordEntry::Kind::Shortcut && !entry.hash ? IsFile(entry.path)
                                                                              : UnchangedSinceSetup(entry);
    // The reader's edits stay, and with them the file.
    if (!unchanged) return FileOutcome::Changed;
    return DeleteOwnFile(entry.path) ? FileOutcome::Gone : FileOutcome::Failed;
}

// A file outside the book's folder that the record does not mark as counted
// (an older setup counted nothing): other products may count on it under
// SharedDLLs all the same, and then it stays, its count untouched, as this
// product never took a reference.
FileOutcome RemoveUnlessCounted(const RecordEntry& entry, const ScopePlaces& places) {
    std::optional<DWORD> count = SharedCount(entry.path, places);
    if (count && *count > 0) return FileOutcome::Gone;
    return RemoveIfUnchanged(entry);
}

// The uninstaller's own file cannot be deleted while it runs: it is moved
// aside to a free name in its folder (so that a book installed next puts its
// copy there at once) and deleted when the system next starts, as installers
// do. Where even the move fails it stays: deleting it by its own name at that
// start would take away the copy of a book installed meanwhile.
enum class ProgramFileOutcome { Gone, Failed, StaysRunning };

ProgramFileOutcome RemoveProgramFile(const std::string& path, const std::string& runningProgram) {
    if (DeleteOwnFile(path)) return ProgramFileOutcome::Gone;
    if (!SamePath(path, runningProgram)) return ProgramFileOutcome::Failed;
    char aside[AnsiPathBufferSize] = {};
    std::string folder = StripTrailingBackslashes(SplitPath(path).folder, 3);
    if (GetTempFileNameA(folder.c_str(), "XOV", 0, aside)) {
        if (MoveFileExA(path.c_str(), aside, MOVEFILE_REPLACE_EXISTING)) {
            // The name is free now. A user without administrator rights may
            // not schedule the deletion (the list of deletions at the next
            // start is the machine's): the moved file then stays in that
            // user's folder of ours, and the book is removed all the same.
            MoveFileExA(aside, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            return ProgramFileOutcome::Gone;
        }
        DeleteFileA(aside);
    }
    return ProgramFileOutcome::StaysRunning;
}

// The uninstaller every book shares: this product gives back its reference,
// and the last one removes the file with its count. A file that the running
// program can neither delete nor move aside stays with its count, for the
// book's next removal.
FileOutcome ReleaseUninstaller(const RecordEntry& entry, const std::string& runningProgram,
                               const ScopePlaces& places, bool& programKept) {
    std::optional<DWORD> count = SharedCount(entry.path, places);
    // Without a count there is nothing to give back, nor to tell who else uses it.
    if (!count) return FileOutcome::Gone;
    if (*count > 1) return SetSharedCount(entry.path, *count - 1, places) ? FileOutcome::Gone : FileOutcome::Failed;
    if (StillThere(entry)) {
        ProgramFileOutcome removed = RemoveProgramFile(entry.path, runningProgram);
        programKept = removed == ProgramFileOutcome::StaysRunning;
        if (removed != ProgramFileOutcome::Gone) return FileOutcome::Failed;
    }
    return SetSharedCount(entry.path, 0, places) ? FileOutcome::Gone : FileOutcome::Failed;
}

// A reader's file that setup replaced with the reader's consent and could not
// delete then: whatever it holds, it is the book's to remove.
FileOutcome RemoveKept(const RecordEntry& entry) {
    if (!StillThere(entry) || DeleteOwnFile(entry.path)) return FileOutcome::Gone;
    return FileOutcome::Failed;
}

// A shared file: this product gives back its reference; the file goes only
// with the last one, and only as setup wrote it.
FileOutcome RemoveShared(const RecordEntry& entry, const ScopePlaces& places) {
    std::optional<DWORD> count = SharedCount(entry.path, places);
    if (count && *count > 1)
        return SetSharedCount(entry.path, *count - 1, places) ? FileOutcome::Gone : FileOutcome::Failed;
    FileOutcome outcome = RemoveIfUnchanged(entry);
    // Kept at 1 while the file could not be removed, for the next attempt.
    if (outcome != FileOutcome::Failed && !SetSharedCount(entry.path, 0, places)) return FileOutcome::Failed;
    return outcome;
}

// A book of the current user and a file of it outside that user's profile
// (the Windows folder, a folder of the machine) that a book of the machine
// counts on: it is the machine's book's too, and stays. This book gives back
// its own count, if it took one.
bool MachineBooksKeep(const RecordEntry& entry, const ScopePlaces& places) {
    if (places.scope != InstallScope::CurrentUser || entry.kind == RecordEntry::Kind::Folder) return false;
    if (!places.userProfile.empty() && IsBelowFolder(entry.path, places.userProfile)) return false;
    std::optional<DWORD> count = MachineSharedCount(entry.path);
    return count && *count > 0;
}

FileOutcome GiveBackToTheMachinesBooks(const RecordEntry& entry, const ScopePlaces& places) {
    if (!entry.shared) return FileOutcome::Gone;
    std::optional<DWORD> count = SharedCount(entry.path, places);
    if (!count) return FileOutcome::Gone;
    return SetSharedCount(entry.path, *count > 1 ? *count - 1 : 0, places) ? FileOutcome::Gone : FileOutcome::Failed;
}
}  // namespace

bool RecordedDrivesThere(const InstallRecord& record) {
    // Every recorded path starts with its drive letter.
    std::set<char> drives;
    auto note = [&drives](const std::string& path) {
        if (path.empty()) return;
        drives.insert(static_cast<char>(path[0] >= 'a' && path[0] <= 'z' ? path[0] - 'a' + 'A' : path[0]));
    };
    note(record.installFolder);
    for (const RecordEntry& entry : record.entries) note(entry.path);
    for (char drive : drives) {
        const char root[] = {drive, ':', '\\', '\0'};
        DWORD attributes = GetFileAttributesA(root);
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    }
    return true;
}

RemovalResult RemoveRecorded(const InstallRecord& record, const std::string& runningProgram,
                             const ScopePlaces& places, const HeldFileRetry& retryHeld) {
    RemovalResult result;
    result.left = record;
    if (!RecordedDrivesThere(record)) {
        result.everythingRemoved = false;
        result.driveAway = true;
        return result;
    }
    result.left.entries.clear();
    auto stays = [&result](const RecordEntry& entry, bool failed) {
        result.everythingRemoved = false;
        result.failed = result.failed || failed;
        result.left.entries.push_back(entry);
    };

    LinkedFolders links(record);
    std::vector<const RecordEntry*> folders, uninstallers;
    for (const RecordEntry& entry : record.entries) {
        if (entry.kind == RecordEntry::Kind::Folder) {
            folders.push_back(&entry);
            continue;
        }
        if (entry.kind == RecordEntry::Kind::Uninstaller) {
            uninstallers.push_back(&entry);
            continue;
        }
        // Behind a link is the reader's folder, not setup's: nothing there is ours.
        if (links.Behind(entry.path)) continue;
        auto remove = [&] {
            return MachineBooksKeep(entry, places)        ? GiveBackToTheMachinesBooks(entry, places)
                   : entry.kind == RecordEntry::Kind::Kept ? RemoveKept(entry)
                   : entry.shared                        ? RemoveShared(entry, places)
                   : entry.kind == RecordEntry::Kind::File && !IsBelowFolder(entry.path, record.installFolder)
                       ? RemoveUnlessCounted(entry, places)
                       : RemoveIfUnchanged(entry);
        };
        FileOutcome outcome = remove();
        // A file another program holds can be neither read nor deleted: it is
        // no reader's change, and stays as a file that could not go (the
        // entry keeps it), unless the reader lets go of it and tries again.
        while (outcome != FileOutcome::Gone && IsHeldNow(entry.path)) {
            if (!retryHeld || !retryHeld(entry.path)) {
                outcome = FileOutcome::Failed;
                break;
            }
            outcome = remove();
        }
        if (outcome != FileOutcome::Gone) stays(entry, outcome == FileOutcome::Failed);
    }
    // Deepest first, so that a folder's recorded subfolders are gone before it is tried.
    std::stable_sort(folders.begin(), folders.end(),
                     [](const RecordEntry* a, const RecordEntry* b) { return Depth(a->path) > Depth(b->path); });
    for (const RecordEntry* folder : folders) {
        if (links.Behind(folder->path)) continue;
        // A link stays, the reader's as what it points at: the system's removal
        // of a folder is no safe way to take a link away (Wine removes the
        // folder the link points at, when that is empty, and keeps the link).
        if (links.IsLinked(folder->path)) {
            stays(*folder, false);
            continue;
        }
        // Only an empty folder can be removed: one holding the reader's files stays.
        if (RemoveDirectoryA(folder->path.c_str())) continue;
        DWORD error = GetLastError();
        if (!StillThere(*folder)) continue;
        // Not empty, or the reader put a file of that name in its place.
        stays(*folder, error != ERROR_DIR_NOT_EMPTY && error != ERROR_DIRECTORY);
    }
    // The uninstaller is let go of only with the entry: while something of
    // setup's is left, the book must still be removable.
    for (const RecordEntry* uninstaller : uninstallers) {
        if (result.failed) {
            result.left.entries.push_back(*uninstaller);
            continue;
        }
        if (ReleaseUninstaller(*uninstaller, runningProgram, places, result.programKept) == FileOutcome::Failed)
            stays(*uninstaller, true);
    }
    return result;
}
