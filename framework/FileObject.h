#pragma once
// What a file or folder is, whatever name it is reached by: which object of
// the machine it is (its identity), and whether a reparse point it carries
// makes it a link. The one rule of what a link is, for the door, the copy,
// its undo and the uninstaller. Window-free.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

// What tells a file or folder from any other of the machine while it exists
// (a later file at the same name is another): its volume's serial number and
// its index on that volume.
struct FileIdentity {
    uint32_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};
FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info);

// What was opened at a name: read through the very handle that then acts.
struct ObjectFacts {
    DWORD attributes = 0;
    uint64_t size = 0;
    uint64_t writeTime = 0;  // the last-write time, in the system's 100 ns units
    FileIdentity identity;
    DWORD names = 0;         // how many names (hard links) the file has
    bool link = false;       // a reparse point that makes it a link
    bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// The index of what the handle holds on its volume, read through the handle
// alone; nothing when the system does not tell it. Asking the handle for its
// whole information asks its volume for the serial number each time, which
// under Wine costs more than copying a small file: what is opened or made by
// one name below a held folder lies on that folder's volume, so the folder's
// serial number and this index make its identity.
std::optional<uint64_t> FileIndexOf(HANDLE handle);

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
ReparseKind ReparseKindOfTag(DWORD tag);

// The reparse tag of what the handle holds (opened without following a
// reparse point); 0 when the system does not tell it.
DWORD ReparseTagOf(HANDLE handle);

// Whatever is at the path is the reader's link (by its reparse tag).
bool IsLink(const std::string& path);
