#pragma once
// The system's own folders, as the system tells them: never from a value
// under HKEY_CURRENT_USER that any program of the user may change (the
// "Shell Folders" key is such a value: the system keeps it only for old
// programs). Each is a full path without a trailing backslash, empty when the
// system does not tell.
#include <string>

// The machine's Windows folder (on a Remote Desktop host too, never a user's own).
std::string WindowsFolder();
// The application data of the machine (C:\ProgramData); empty on a system
// that has none.
std::string CommonAppDataFolder();
// The current user's local application data.
std::string LocalAppDataFolder();
// The current user's profile (C:\Users\name).
std::string UserProfileFolder();
