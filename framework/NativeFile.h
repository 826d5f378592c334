#pragma once
// The system's own file calls that name a file relative to a folder's handle
// rather than by a path, which the door is made of: open or create a name
// below a held folder, read what a handle holds in one question, ask the
// folder's listing for one name, and mark, rename or change what a handle
// holds. In every Windows the programs run on they are loaded from the module
// every process has, so that no import is added. Window-free.
#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/FileObject.h"
#include "framework/UniqueHandle.h"

// How NtCreateFile is asked: open what stands, or create where nothing does;
// a folder, a file, or what stands at the name itself (a reparse point not followed).
constexpr ULONG kOpen = 1, kCreate = 2;
constexpr ULONG kDirectoryFile = 0x1, kNonDirectoryFile = 0x40, kOpenReparsePoint = 0x200000;
constexpr ULONG kSequentialOnly = 0x4, kWriteThrough = 0x2;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens the name relative to the folder's handle (its letter case ignored);
// the system's error when it cannot (and the handle invalid).
DWORD OpenBelow(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG disposition,
                ULONG options, ULONG attributes, UniqueFile& opened);

// What the handle holds. Below a held folder, `volume` is that folder's (what
// is opened there, never through a link, lies on its volume), and the facts
// come in one question: asking for the volume's serial number as well costs
// Wine a millisecond a file, most of an undo's time. The `link` fact is not
// set here.
bool FactsOf(HANDLE handle, ObjectFacts& facts, const uint32_t* volume = nullptr);

// The attributes and reparse tag the folder's listing gives for the name;
// false when it has no such entry. A fresh handle of the folder for each
// question: the system takes a listing's name pattern from its first query.
bool ListedAs(HANDLE folder, const std::wstring& name, DWORD& attributes, DWORD& tag);

// Through the handle: new attributes (0 for none but the normal), the
// delete that happens once it is closed, a new name in the held folder
// (never over what stands there unless `replace`). False with the system's
// error in the last error.
bool SetAttributes(HANDLE handle, DWORD attributes);
bool MarkForDeletion(HANDLE handle);
bool RenameBelow(HANDLE handle, HANDLE folder, const std::wstring& name, bool replace);
