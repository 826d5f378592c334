#pragma once
// Files of ours and what the reader may have made of them since: the one
// place that deletes or moves over a file setup wrote (a written file when a
// run is undone, a kept original, a recorded file the uninstaller removes,
// the uninstaller itself) and the rules that say whether something at a
// recorded name is still a file of ours, for setup and its uninstaller alike.
// Window-free.
#include <windows.h>

#include <cstdint>
#include <string>

// Deletes a file of ours, a read-only one too (a file the script copied from
// the CD keeps its read-only mark; the reader may have set one meanwhile).
bool DeleteOwnFile(const std::string& path);

// Moves `from` to `to`, over a file of ours standing there (a read-only one too).
bool MoveOverOwnFile(const std::string& from, const std::string& to);

// Moves a kept file back to its name, over what the run put there. The file
// itself moves, so it comes back with its content, attributes and times.
inline bool PutBack(const std::string& kept, const std::string& destPath) { return MoveOverOwnFile(kept, destPath); }

// What a reparse point makes of the file or folder that carries it.
enum class ReparseKind {
    // A symbolic link or a mount point (junction): the reader's link to
    // something of theirs, never walked into, never removed as ours.
    Link,
    // Any other tag (a cloud service's files, deduplicated or compressed
    // files): the system serves the file as usual, and it is what it seems.
    Ordinary,
};
// By the reparse tag; a tag of 0, which no reparse point carries, is what a
// system that cannot tell the tag gives: taken as a link, the safe side.
// The one rule of what a link is, for the copy, its undo and the uninstaller.
ReparseKind ReparseKindOfTag(DWORD tag);

// The reparse tag of what the handle holds (opened without following a
// reparse point); 0 when the system does not tell it.
DWORD ReparseTagOf(HANDLE handle);

// The path with its last name as it stands on the disk (its letter case
// there); the path itself when nothing stands there.
std::string NameAsStored(const std::string& path);

// Whatever is at the path is the reader's link (by its reparse tag).
bool IsLink(const std::string& path);

// What tells a file or folder from any other of the machine while it exists
// (a later file at the same name is another): its volume's serial number and
// its index on that volume.
struct FileIdentity {
    uint32_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};
FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info);

// A file whose content is not on the disk (a cloud placeholder): reading it
// would fetch it from the service, so its size and time decide instead.
bool ContentIsElsewhere(DWORD attributes);
