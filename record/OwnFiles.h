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

#include "framework/FileObject.h"

// Deletes a file of ours, a read-only one too (a file the script copied from
// the CD keeps its read-only mark; the reader may have set one meanwhile).
bool DeleteOwnFile(const std::string& path);

// Moves `from` to `to`, over a file of ours standing there (a read-only one too).
bool MoveOverOwnFile(const std::string& from, const std::string& to);

// Moves a kept file back to its name, over what the run put there. The file
// itself moves, so it comes back with its content, attributes and times.
inline bool PutBack(const std::string& kept, const std::string& destPath) { return MoveOverOwnFile(kept, destPath); }

// The path with its last name as it stands on the disk (its letter case
// there); the path itself when nothing stands there.
std::string NameAsStored(const std::string& path);

// A file whose content is not on the disk (a cloud placeholder): reading it
// would fetch it from the service, so its size and time decide instead.
bool ContentIsElsewhere(DWORD attributes);
