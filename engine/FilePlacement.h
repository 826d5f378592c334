#pragma once
// Putting one file at its destination without ever losing the file that
// stood there: the reader's file is moved aside under a temporary name beside
// it (a rename, not a copy) and kept there until the run ends, the new file
// is written straight to the name, and a new file that did not arrive whole
// is removed and the kept one moved back. Every act is made in the file's
// held folder, by one name below it (the door): a folder swapped for a link
// after the run began can neither take a reader's file elsewhere nor receive
// a file of the run. Window-free.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/HashingWriter.h"
#include "framework/HeldFolder.h"

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

// Where one file goes: the held folder it is placed in, its name there, and
// its full path (what the journal notes and the reader is shown, never what
// an act goes by); `readers`: that path with the name as the reader's file
// there has it (its letter case), to which an undo puts it back.
struct FileSpot {
    const HeldFolder& folder;
    const std::string& name;
    const std::string& path;
    const std::string& readers;
};

// Moves the file at the spot aside to a free name in its folder, whose full
// path comes back in `kept`: its own name with the run's mark added, or where
// that would not fit the system's path bound "~sxNNNN.tmp" or a name no
// longer than the file's own, so a destination that fits by itself always
// gets one. False, with nothing moved, when no name could be had, the journal
// could not note it, or the file cannot be moved (held open elsewhere, a
// read-only medium, a folder at the name).
bool KeepReadersFileAside(const FileSpot& spot, const KeepAside& keep, std::string& kept);

// Writes the file's content into the new file (open for writing); true when
// all of it arrived, `written` then saying what it holds.
using WriteContent = std::function<bool(HANDLE target, WrittenContent& written)>;

// The one story of placing a file, for the copy and the expansion alike:
// `existingAttributes` are those of what was found at the name
// (INVALID_FILE_ATTRIBUTES when nothing is there; a folder is never
// replaced). A file there is moved aside first (as `keep` says; its kept
// path comes back in `kept`, empty for a new file), then the new file is
// created at the name with `attributes`, only where nothing stands, and
// written. When the content does not arrive whole, the new file is deleted
// (only while it is the very file this call created) and the kept original
// is back at its name, `kept` empty; where it cannot be moved back, `kept`
// still names where it lies. When something stood at the name as the file
// was to be created, the last error says so on return (ERROR_FILE_EXISTS or
// ERROR_ALREADY_EXISTS), and that file is left as it is.
bool PlaceFile(const FileSpot& spot, DWORD existingAttributes, DWORD attributes, const KeepAside& keep,
               std::string& kept, WrittenContent& written, const WriteContent& write);

// Copies a plain (not compressed) source file to the spot, reading it once
// in large blocks, and makes the result a normal, writable file (no
// read-only, hidden or system flag) with the source's last-write time;
// `sourceAttributes` are the source's as its folder listing gave them, which
// the copy otherwise takes on. Placed as PlaceFile says; a source that cannot
// be opened moves nothing. True only when the whole file arrived; `written`
// then says what it holds. `progress`, when given, hears of the bytes read
// after every block.
bool CopyPlainFile(const std::string& sourcePath, DWORD sourceAttributes, const FileSpot& spot,
                   DWORD existingAttributes, const KeepAside& keep, std::string& kept, WrittenContent& written,
                   const ReadProgress& progress = {});

// Removes the file this placement began at the spot and did not finish (the
// file of identity `begun`, and nothing else standing there; nothing when
// the create itself failed), and moves the kept original (if any) back to
// its name, over nothing but that file. False when the original could not be
// moved back: it stays under its kept name, which `kept` keeps, and must
// never be deleted as the run's.
bool UndoPlacement(const FileSpot& spot, const std::optional<FileIdentity>& begun, std::string& kept);
