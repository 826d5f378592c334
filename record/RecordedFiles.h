#pragma once
// The disk's side of the install record: what a file is like now, compared
// with what the record says setup left there.
#include <optional>
#include <string>

#include "framework/AnsiText.h"  // FullPath
#include "record/InstallRecord.h"

// The entry for a file as it is now (full path, size, last-write time);
// nothing when it is not a file or its full path does not fit MAX_PATH.
std::optional<RecordEntry> FileEntryNow(const std::string& path, RecordEntry::Kind kind = RecordEntry::Kind::File);

// Something (file or folder) is still at the entry's path.
bool StillThere(const RecordEntry& entry);

// A recorded file is still exactly as setup wrote it: a file, of the recorded
// size and last-write time. A file the reader edited has a newer time, one
// they replaced another size or time.
bool UnchangedSinceSetup(const RecordEntry& entry);
