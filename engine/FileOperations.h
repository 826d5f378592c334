#pragma once
// The small file-system operations of the copy engine, shared by the
// destination dialog, the worker, the uninstaller registration and the script.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Creates every folder along the path. False for a network path (starting
// with two backslashes) and for a path of MAX_PATH characters or more, where
// nothing is created; true otherwise, whatever the single creations did. The
// folders it made (not those that were there) are added to `made`, parents
// first, when given: a run that is undone removes them again.
bool CreateDirectoryPath(const std::string& path, std::vector<std::string>* made = nullptr);

// False only when the system answers "file not found" (error 2) for the path:
// a missing folder on the way (error 3), a denied access or a drive that is
// not ready all count as present.
bool PathExists(const std::string& path);

// True only when the path names a folder that is there.
bool IsFolder(const std::string& path);

// Size (low 32 bits) of the first match of the path, 0 when nothing matches.
uint32_t QueryFileSize(const std::string& path);

// Last-write time (UTC) of the first match of the path; zero when nothing matches.
FILETIME QueryFileWriteTime(const std::string& path);

// The path a medium's file or folder gets below a destination folder (given
// without a trailing backslash): its name, made long when useUnderscores,
// joined with "\". False when that path reaches the system's bound of
// MAX_PATH characters: the copy cannot place such an entry.
bool InstalledPath(const std::string& destination, const std::string& name, bool useUnderscores, std::string& path);

// Turns a medium's UNDER_SCORE name into a long name: lower case, a capital
// first letter, each "_" a space followed by a capital (READ_ME.TXT gives
// "Read Me.txt").
std::string MakeLongFileName(const std::string& name);
