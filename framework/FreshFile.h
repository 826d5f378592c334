#pragma once
// Writing at a name in a folder that others may write (the user's temporary
// folder, Desktop or local application data, which any program of the user
// can change even while setup runs elevated): what stands at the name may be
// a link, or a second name (a hard link) of a file elsewhere, put there so
// that a write to the name lands on that file. Such a name is taken away
// first: removing a name removes the link or that name, never what it leads
// to. Window-free.
#include <windows.h>

#include <string>

#include "framework/UniqueHandle.h"

// Removes what stands at the name when a write there would reach another
// file: a link of any kind, or a file with more than one name. A plain file
// of one name, or nothing, stays as it is. False when such a name is there
// and cannot be removed.
bool ClearNameForWriting(const std::string& path);

// Makes the file anew at the path: whatever stood at the name is removed,
// and the file is created only where nothing stands, so that nothing put at
// the name meanwhile is written through. Invalid when the name cannot be had.
UniqueFile CreateFreshFile(const std::string& path, DWORD access, DWORD share, DWORD flagsAndAttributes);
