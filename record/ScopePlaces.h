#pragma once
// Where a run for the machine or for the current user keeps what is setup's
// own. For the machine: the uninstall entry and the counts under
// HKEY_LOCAL_MACHINE, the uninstaller (and a large record) in the Windows
// folder. For the current user: the same under HKEY_CURRENT_USER, and the
// uninstaller in a folder of ours in the user's local application data, where
// a user without administrator rights may write. Window-free.
#include <windows.h>

#include <string>

#include "record/InstallScope.h"

// The registry hive of the scope's uninstall entries and counts.
HKEY ScopeHive(InstallScope scope);

// The folder of the scope's uninstaller and large records: the Windows folder,
// or "Book Setup" in the user's local application data (as the user's shell
// folder "Local AppData" names it). Empty when the system does not tell.
std::string UninstallerFolder(InstallScope scope);
