#pragma once
// The disk's side of the install record: what a file is like now, compared
// with what the record says setup left there.
#include <optional>
#include <string>

#include "framework/AnsiText.h"  // FullPath
#include "framework/HeldFolder.h"
#include "record/InstallRecord.h"
#include "record/OwnFiles.h"  // IsLink

// The entry for a file as it is now (full path, size, hash of its content);
// nothing when it is not a plain file (a folder, a link), cannot be read, or
// its full path does not fit MAX_PATH. Its last-write time is noted too.
std::optional<RecordEntry> FileEntryNow(const std::string& path, RecordEntry::Kind kind = RecordEntry::Kind::File);

// Something (file, folder or link) is still at the entry's path.
bool StillThere(const RecordEntry& entry);

// A recorded file is still exactly as setup wrote it: a plain file of the
// recorded size and content, whatever its time stamps say (a moved clock, a
// drive that keeps local time, a share that rounds them). An entry of an older
// setup's record has no hash: there the size and last-write time decide, as
// they do for a cloud file whose content is not on the disk (see OwnFiles).
// Everything is read through `file`, opened at the entry's name by the door
// with GENERIC_READ: the very handle that then deletes it, so that nothing
// can be put in its place between the check and the act.
bool UnchangedSinceSetup(const RecordEntry& entry, const HeldObject& file);
