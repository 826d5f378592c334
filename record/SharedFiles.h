#pragma once
// The reference counts of files that several products may use, kept the way
// the system's own installers keep them: under
// HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\SharedDLLs,
// one DWORD per file, named by its full path, the number of products using it.
// A file setup writes outside the book's own folder takes one reference, so
// that removing one book never takes a file another one still needs. Books
// installed for the current user alone count in a key of ours under
// HKEY_CURRENT_USER instead: the machine's list is not the user's to write,
// and the user's uninstaller is that user's alone.
#include <windows.h>

#include <optional>
#include <string>

struct ScopePlaces;

inline constexpr const char* kSharedFilesKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
inline constexpr const char* kUserSharedFilesKeyPath = "Software\\Book Setup\\Shared Files";

// The count after one more product takes a reference: one up from the
// current count; with none, 2 when someone else put the file there (they and
// we), 1 when we made it.
DWORD CountWithOneMore(std::optional<DWORD> current, bool someoneElsePutItThere);

// The count of the file in the places' counts; nothing when it has none (or
// not a DWORD).
std::optional<DWORD> SharedCount(const std::string& path, const ScopePlaces& places);
// The count the machine's books keep for the file (SharedDLLs), whatever the
// run's scope: a book of the current user never takes a file one of the
// machine's counts on.
std::optional<DWORD> MachineSharedCount(const std::string& path);

// Takes one reference for this product; false when the count could not be written.
bool TakeSharedReference(const std::string& path, bool someoneElsePutItThere, const ScopePlaces& places);

// Sets the count, or removes it at 0; false when that failed.
bool SetSharedCount(const std::string& path, DWORD count, const ScopePlaces& places);
