#pragma once
// Whether a file cannot be replaced, moved or deleted because another
// program holds it open: the one rule setup and its uninstaller both ask
// before they stop on a file and ask the reader. Window-free.
#include <windows.h>

#include <string>

// What a failed move or delete of a file says: a sharing or lock violation
// is always another program's handle; a denied access is one only on a file
// that is not read-only (a read-only file is refused for that, a folder for
// being one, and nothing at the name for being nothing).
bool HeldByAnotherProgram(DWORD error, DWORD attributes);

// Whether another program holds the file at the path now: the file is opened
// for deletion, as a move or a delete opens it, sharing everything, and let
// go at once. It changes nothing on the disk.
bool IsHeldNow(const std::string& path);
