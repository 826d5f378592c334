#pragma once
// Where the install record lives: the value "InstallRecord" of the product's
// own uninstall entry (HKEY_LOCAL_MACHINE\...\Uninstall\<product name>). It is
// written with the entry, read by the uninstaller through the name on its
// command line, and goes when the entry goes, so no file of ours is left in
// the installed tree or beside the uninstaller.
#include <windows.h>

#include <optional>
#include <string>

#include "framework/UniqueHandle.h"

inline constexpr const char* kUninstallKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr const char* kRecordValueName = "InstallRecord";

// Owns an open registry key.
using RegistryKey = UniqueRegistryKey;

// The product's uninstall entry, opened by name under the Uninstall key (so
// that a long name works). Empty when the entry is missing, and for a name
// that is empty or holds a backslash, which would name another key.
RegistryKey OpenUninstallEntry(const std::string& product, REGSAM access);

// A string value of the entry; nothing when it is missing or not a string.
std::optional<std::string> ReadEntryString(HKEY entry, const char* name);

// The record's stored text; nothing when there is none (or it is implausibly large).
std::optional<std::string> ReadRecordText(HKEY entry);
bool WriteRecordText(HKEY entry, const std::string& text);

// Removes the product's uninstall entry with every value in it.
bool DeleteUninstallEntry(const std::string& product);
