#pragma once
// Putting one file at its destination without ever costing the user the file
// that stood there: a replacement is written under a temporary name beside
// the destination and moved over it only once it arrived whole. Window-free.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

// Told how many bytes of the source file have been read so far, now and then
// while a big file is installed (the progress bar moves within it).
using ReadProgress = std::function<void(uint64_t read)>;

// Creates a new, empty file beside `destPath` (in its folder) under a name of
// its own and returns it open for writing; its path comes back in
// `temporary`. The temporary path is never longer than `destPath` when the
// usual "~sxNNNN.tmp" would not fit the system's path bound, so a destination
// that fits by itself always gets one. INVALID_HANDLE_VALUE when none could
// be made.
HANDLE CreateTemporaryBeside(const std::string& destPath, std::string& temporary);

// Moves the finished temporary file over the destination. A read-only
// destination that the user agreed to replace is replaced; when the move
// fails, the destination keeps its content and its attributes and the
// temporary file is deleted. True when the file is in place.
bool PutInPlace(const std::string& temporary, const std::string& destPath);

// Copies a plain (not compressed) source file to the destination and makes
// the result a normal, writable file (no read-only, hidden or system flag);
// `sourceAttributes` are the source's as its folder listing gave them, which
// the copy takes on. `existingAttributes` are those of the
// destination as found (INVALID_FILE_ATTRIBUTES when nothing is there): an
// existing file is replaced through a temporary file, a new file is copied
// straight to its name and removed again when the copy fails, so no cut file
// is left looking installed. True only when the whole file arrived.
// `progress`, when given, hears of the bytes read where the system tells.
bool CopyPlainFile(const std::string& sourceName, DWORD sourceAttributes, const std::string& destPath,
                   DWORD existingAttributes, const ReadProgress& progress = {});
