#pragma once
// Where the install record lives: the value "InstallRecord" of the product's
// own uninstall entry (...\Uninstall\<product name> under HKEY_LOCAL_MACHINE
// for a book installed for the machine, HKEY_CURRENT_USER for one installed
// for the current user alone), or
// for a record too large for the registry a file that the entry names with
// its hash (RecordFile). It is written with the entry, read by the
// uninstaller through the name on its command line, and goes when the entry
// goes, so nothing of ours is left in the installed tree or beside the uninstaller.
#include <windows.h>

#include <optional>
#include <string>

#include "framework/UniqueHandle.h"
#include "record/ScopePlaces.h"

inline constexpr const char* kUninstallKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr const char* kRecordValueName = "InstallRecord";
// A large record: its file's full path (whose name carries the SHA-256 of
// the file's content), and that SHA-256 again, as earlier setups wrote it.
inline constexpr const char* kRecordFileValueName = "InstallRecordFile";
inline constexpr const char* kRecordHashValueName = "InstallRecordHash";

// Owns an open registry key.
using RegistryKey = UniqueRegistryKey;

// The product's uninstall entry, opened by name under the Uninstall key of the
// places' hive (so that a long name works). Empty when the entry is missing, and for a name
// that is empty or holds a backslash, which would name another key.
RegistryKey OpenUninstallEntry(const std::string& product, REGSAM access, const ScopePlaces& places);

// A string value of the entry; nothing when it is missing or not a string.
std::optional<std::string> ReadEntryString(HKEY entry, const char* name);

// The record's stored text, from the entry or the file it names; nothing when
// there is none, it is implausibly large, or the file does not match its hash.
std::optional<std::string> ReadRecordText(HKEY entry);

// The file a product's large record goes to, beside the scope's uninstaller
// (the Windows folder, or the user's folder of ours).
std::string RecordFileOf(const std::string& product, const ScopePlaces& places);

// Stores the text in the entry when it is small enough, otherwise in a file
// named in the entry: `largeRecordFile` (RecordFileOf) with the text's hash
// in its name (RecordFileWithHash). Whichever place is not used any more is
// cleared (a record that shrank leaves no file behind, nor does the record
// a new one replaced), a file only where setup keeps record files (the
// folder of `largeRecordFile`). False when the text could not be stored.
bool WriteRecordText(HKEY entry, const std::string& text, const std::string& largeRecordFile);

// Removes the product's uninstall entry with every value in it, and the
// record file it names when that is one setup keeps in the places' folder
// (whatever else an entry names stays).
bool DeleteUninstallEntry(const std::string& product, const ScopePlaces& places);
