#include "uninstall/Removal.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>

#include "framework/FileInUse.h"
#include "framework/PathText.h"
#include "record/RecordedFiles.h"
#include "record/RecordedWays.h"
#include "record/SharedFiles.h"

namespace {
size_t Depth(const std::string& path) { return CountChar(path, '\\'); }

// What becomes of a recorded file (or shortcut, or folder) of setup's own.
// Changed: it stays, the reader's (edited, replaced, or behind their link).
enum class FileOutcome { Gone, Changed, Failed };

// What stopped the way to a recorded name, as what became of the entry.
FileOutcome OutcomeOf(DoorStop stop) {
    switch (stop) {
    // Nothing stands there, or a file of the reader's where setup's folder was.
    case DoorStop::Missing:
    case DoorStop::NotFolder: return FileOutcome::Gone;
    // Behind a link is the reader's folder, not setup's: nothing there is ours.
    case DoorStop::Link: return FileOutcome::Changed;
    default: return FileOutcome::Failed;
    }
}

// What stands at a recorded path, opened by its one name from its held
// folder without following a link there, to be checked and acted on through
// that handle; `stopped` when nothing could be opened.
struct AtName {
    std::optional<FileOutcome> stopped;
    std::shared_ptr<const HeldFolder> folder;
    std::string name;
    HeldObject object;
};

AtName OpenRecorded(RecordedWays& ways, const std::string& path, DWORD access) {
    AtName at;
    at.folder = ways.Parent(path, at.name);
    if (!at.folder) {
        at.stopped = OutcomeOf(ways.Stop());
        return at;
    }
    at.object = at.folder->Open(at.name, access);
    if (!at.object.Held()) at.stopped = OutcomeOf(at.object.Stop());
    return at;
}

FileOutcome RemoveIfUnchanged(const RecordEntry& entry, RecordedWays& ways) {
    AtName at = OpenRecorded(ways, entry.path, GENERIC_READ);
    if (at.stopped) return *at.stopped;
    const ObjectFacts& facts = at.object.Facts();
    // An older record's shortcut has nothing to compare: any file of its name goes, as it did then.
    bool unchanged = entry.kind == RecordEntry::Kind::Shortcut && !entry.hash ? !facts.IsFolder() && !facts.link
                                                                              : UnchangedSinceSetup(entry, at.object);
    // The reader's edits stay, and with them the file.
    if (!unchanged) return FileOutcome::Changed;
    return at.object.Delete() ? FileOutcome::Gone : FileOutcome::Failed;
}

// A file outside the book's folder that the record does not mark as counted
// (an older setup counted nothing): other products may count on it under
// SharedDLLs all the same, and then it stays, its count untouched, as this
// product never took a reference.
FileOutcome RemoveUnlessCounted(const RecordEntry& entry, const ScopePlaces& places, RecordedWays& ways) {
    std::optional<DWORD> count = SharedCount(entry.path, places);
    if (count && *count > 0) return FileOutcome::Gone;
    return RemoveIfUnchanged(entry, ways);
}

// The uninstaller's own file cannot be deleted while it runs: it is moved
// aside to a free name in its folder (so that a book installed next puts its
// copy there at once) and deleted when the system next starts, as installers
// do. Where even the move fails it stays: deleting it by its own name at that
// start would take away the copy of a book installed meanwhile.
enum class ProgramFileOutcome { Gone, Failed, StaysRunning };

ProgramFileOutcome RemoveProgramFile(const std::string& path, const std::string& runningProgram,
                                     const ScopePlaces& places, RecordedWays& ways) {
    const bool running = SamePath(path, runningProgram);
    AtName at = OpenRecorded(ways, path, 0);
    if (at.stopped) {
        if (*at.stopped == FileOutcome::Gone) return ProgramFileOutcome::Gone;
        // Held open without sharing its deletion, as a running program's file may be.
        return running && *at.stopped == FileOutcome::Failed ? ProgramFileOutcome::StaysRunning
                                                             : ProgramFileOutcome::Failed;
    }
    if (at.object.Facts().IsFolder() || at.object.Facts().link) return ProgramFileOutcome::Failed;
    if (at.object.Delete()) return ProgramFileOutcome::Gone;
    if (!running) return ProgramFileOutcome::Failed;
    // Renamed through its handle within its held folder, never over anything.
    const DWORD seed = GetTickCount();
    for (DWORD attempt = 0; attempt < 64; ++attempt) {
        char aside[16];
        std::snprintf(aside, sizeof aside, "XOV%04lX.tmp", static_cast<unsigned long>((seed + attempt) & 0xFFFF));
        HeldObject program = at.folder->Open(at.name);
        if (!program.Held()) break;
        if (program.RenameTo(*at.folder, aside)) {
            // The name is free now. The deletion at the next start goes by
            // path, carried out by the system: scheduled only in the Windows
            // folder, where nobody but an administrator can put a link in
            // its place meanwhile. A user's folder of ours is the user's to
            // change (and a user without administrator rights may not
            // schedule it at all): the moved file stays there, and the book
            // is removed all the same.
            if (places.scope == InstallScope::Machine)
                MoveFileExA(JoinPath(at.folder->Path(), aside).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            return ProgramFileOutcome::Gone;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
    }
    return ProgramFileOutcome::StaysRunning;
}

// The uninstaller every book shares: this product gives back its reference,
// and the last one removes the file with its count. A file that the running
// program can neither delete nor move aside stays with its count, for the
// book's next removal.
FileOutcome ReleaseUninstaller(const RecordEntry& entry, const std::string& runningProgram,
                               const ScopePlaces& places, RecordedWays& ways, bool& programKept) {
    std::optional<DWORD> count = SharedCount(entry.path, places);
    // Without a count there is nothing to give back, nor to tell who else uses it.
    if (!count) return FileOutcome::Gone;
    if (*count > 1) return SetSharedCount(entry.path, *count - 1, places) ? FileOutcome::Gone : FileOutcome::Failed;
    ProgramFileOutcome removed = RemoveProgramFile(entry.path, runningProgram, places, ways);
    programKept = removed == ProgramFileOutcome::StaysRunning;
    if (removed != ProgramFileOutcome::Gone) return FileOutcome::Failed;
    return SetSharedCount(entry.path, 0, places) ? FileOutcome::Gone : FileOutcome::Failed;
}

// A reader's file that setup replaced with the reader's consent and could not
// delete then: whatever it holds, it is the book's to remove (a link put at
// its name is the reader's, and stays).
FileOutcome RemoveKept(const RecordEntry& entry, RecordedWays& ways) {
    AtName at = OpenRecorded(ways, entry.path, 0);
    if (at.stopped) return *at.stopped;
    if (at.object.Facts().link) return FileOutcome::Changed;
    if (at.object.Facts().IsFolder()) return FileOutcome::Failed;
    return at.object.Delete() ? FileOutcome::Gone : FileOutcome::Failed;
}

// A shared file: this product gives back its reference; the file goes only
// with the last one, and only as setup wrote it.
FileOutcome RemoveShared(const RecordEntry& entry, const ScopePlaces& places, RecordedWays& ways) {
    std::optional<DWORD> count = SharedCount(entry.path, places);
    if (count && *count > 1)
        return SetSharedCount(entry.path, *count - 1, places) ? FileOutcome::Gone : FileOutcome::Failed;
    FileOutcome outcome = RemoveIfUnchanged(entry, ways);
    // Kept at 1 while the file could not be removed, for the next attempt.
    if (outcome != FileOutcome::Failed && !SetSharedCount(entry.path, 0, places)) return FileOutcome::Failed;
    return outcome;
}

// A recorded folder, once empty: opened from its held parent (let go of by
// every way first: a held folder cannot be deleted) and deleted through that
// handle. A link stays, the reader's as what it points at, and so does
// whatever the reader put at its name.
FileOutcome RemoveFolder(const RecordEntry& folder, RecordedWays& ways) {
    ways.Release(folder.path);
    AtName at = OpenRecorded(ways, folder.path, 0);
    if (at.stopped) return *at.stopped;
    if (at.object.Facts().link || !at.object.Facts().IsFolder()) return FileOutcome::Changed;
    if (at.object.Delete()) return FileOutcome::Gone;
    // Holding the reader's files, it stays theirs.
    return GetLastError() == ERROR_DIR_NOT_EMPTY ? FileOutcome::Changed : FileOutcome::Failed;
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

    RecordedWays ways(record, places);
    // A run bound to the user's profile touches nothing outside it: the
    // entry keeps what it names there, for the user's own removal.
    auto outside = [&](const RecordEntry& entry) {
        if (ways.Allowed(entry.path)) return false;
        result.outsideProfile.push_back(entry.path);
        stays(entry, false);
        return true;
    };
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
        if (outside(entry)) continue;
        auto remove = [&] {
            return MachineBooksKeep(entry, places)        ? GiveBackToTheMachinesBooks(entry, places)
                   : entry.kind == RecordEntry::Kind::Kept ? RemoveKept(entry, ways)
                   : entry.shared                        ? RemoveShared(entry, places, ways)
                   : entry.kind == RecordEntry::Kind::File && !IsBelowFolder(entry.path, record.installFolder)
                       ? RemoveUnlessCounted(entry, places, ways)
                       : RemoveIfUnchanged(entry, ways);
        };
        FileOutcome outcome = remove();
        // A file another program holds can be neither read nor deleted: it is
        // no reader's change, and stays as a file that could not go (the
        // entry keeps it), unless the reader lets go of it and tries again.
        while (outcome == FileOutcome::Failed && IsHeldNow(entry.path)) {
            if (!retryHeld || !retryHeld(entry.path)) break;
            outcome = remove();
        }
        if (outcome != FileOutcome::Gone) stays(entry, outcome == FileOutcome::Failed);
    }
    // Deepest first, so that a folder's recorded subfolders are gone before it is tried.
    std::stable_sort(folders.begin(), folders.end(),
                     [](const RecordEntry* a, const RecordEntry* b) { return Depth(a->path) > Depth(b->path); });
    for (const RecordEntry* folder : folders) {
        if (outside(*folder)) continue;
        FileOutcome outcome = RemoveFolder(*folder, ways);
        if (outcome != FileOutcome::Gone) stays(*folder, outcome == FileOutcome::Failed);
    }
    // The uninstaller is let go of only with the entry: while something of
    // setup's is left (or left to the user's own removal), the book must
    // still be removable.
    for (const RecordEntry* uninstaller : uninstallers) {
        if (outside(*uninstaller)) continue;
        if (result.failed || !result.outsideProfile.empty()) {
            result.left.entries.push_back(*uninstaller);
            continue;
        }
        if (ReleaseUninstaller(*uninstaller, runningProgram, places, ways, result.programKept) == FileOutcome::Failed)
            stays(*uninstaller, true);
    }
    return result;
}
