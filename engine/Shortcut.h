#pragma once
// The shortcut to the installed folder, written through the shell's link object.
#include <windows.h>

#include <string>

// Places ShortcutName + ".Lnk" in the shell folder that ShortcutLocation names
// (in any letter case) and records InstallDrive and InstallDir. Needs COM
// initialised on the calling thread. Nothing happens for "NULL", an unknown
// location or a shell folder the system did not report.
void CreateInstallShortcut();

// Writes a shell link to `target` at `linkPath`: the link object's bytes,
// written through the door (its folder reached from the profile's root, no
// link on the way or at the name followed). The COM result of the last step
// that ran.
HRESULT CreateShortcut(const std::string& target, const std::string& linkPath, const std::string& description);

// The bytes of a shell link to `target`, as the link object saves them.
HRESULT ShellLinkBytes(const std::string& target, const std::string& description, std::string& bytes);
