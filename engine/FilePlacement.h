#pragma once
// Putting one file at its destination without ever losing the file that
// stood there: the reader's file is moved aside under a temporary name beside
// it (a rename, not a copy) and kept there until the run ends, the new file
// is written straight to the name, and a new file that did not arrive whole
// is removed and the kept one moved back. Window-free.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "engine/HashingWriter.h"
#include "record/OwnFiles.h"

// Told how many bytes of the source file have been read so far, now and then
// while a big file is installed (the progress bar moves within it).
using ReadProgress = std::function<void(uint64_t read)>;

// How the run keeps a reader's file aside: the mark its kept names carry,
// and who must know a kept name before the file moves there (the run's
// journal). `marked` says the kept name carries the mark; false from
// `noteKept` stops the move.
struct KeepAside {
    std::string mark;
    std::function<bool(const std::string& destPath, const std::string& kept, bool marked)> noteKept;
};

// Moves the file at `destPath` aside to a free name in its folder, which
// comes back in `kept`: its own name with the run's mark added, or where that
// would not fit the system's path bound "~sxNNNN.tmp" or a name no longer
// than the file's own, so a destination that fits by itself always gets one.
// False, with nothing moved, when no name could be had, the journal could not
// note it, or the file cannot be moved (held open elsewhere, a read-only
// medium).
bool MoveAside(const std::string& destPath, const KeepAside& keep, std::string& kept);

// Copies a plain (not compressed) source file to the destination, reading
// it once in large blocks, and makes the result a normal, writable file (no
// read-only, hidden or system flag) with the source's last-write time;
// `sourceAttributes` are the source's as its folder listing gave them, which
// the copy otherwise takes on. `existingAttributes` are those of the
// destination as found (INVALID_FILE_ATTRIBUTES when nothing is there): an
// existing file is moved aside first (as `keep` says) and its kept name comes
// back in `kept` (empty for a new file); a source that cannot be opened moves
// nothing. When the copy fails, what it began is removed and the existing
// file is back at its name, `kept` empty; where it cannot be moved back,
// `kept` still names where it lies. True only when the whole file arrived;
// `written` then says what it holds. `progress`, when given, hears of the
// bytes read after every block. When something stood at the name as the file
// was to be created, the last error says so on return (ERROR_FILE_EXISTS or
// ERROR_ALREADY_EXISTS), and that file is left as it is.
bool CopyPlainFile(const std::string& sourcePath, DWORD sourceAttributes, const std::string& destPath,
                   DWORD existingAttributes, const KeepAside& keep, std::string& kept, WrittenContent& written,
                   const ReadProgress& progress = {});

// Removes a file this copy began at `destPath` and did not finish, and puts
// the kept original (if any) back. `error` is the failure the write gave: a
// refusal because something else stands at the name leaves that alone. False
// when the original could not be moved back: it stays under its kept name,
// which `kept` keeps, and must never be deleted as the run's.
bool UndoPlacement(const std::string& destPath, DWORD error, std::string& kept);
