#pragma once
// Where the program's DLLs may come from. Setup runs with the highest rights
// the user has, from whatever folder the medium was copied to (a downloads
// folder, say): a DLL lying beside it, or in the current folder, must never
// be loaded in place of the system's own.

// Restricts every later DLL load of the process to the system folder. Called
// first thing by each program, before anything loads a DLL by name; the
// programs import directly only DLLs that Windows always takes from the
// system folder, and load the rest (common controls) after this.
void RestrictDllSearchToSystemFolder();

#include <windows.h>

// Loads a DLL of the system's by its name from the system folder alone (by
// its full path on a system without the restricted search), whether or not
// the search was restricted yet; null when it is not there.
HMODULE LoadSystemLibrary(const wchar_t* name);
