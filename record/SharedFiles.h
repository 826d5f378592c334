#pragma once
// The reference counts of files that several products may use, kept the way
// the system's own installers keep them: under
// HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\SharedDLLs,
// one DWORD per file, named by its full path, the number of products using it.
// A file setup writes outside the book's own folder takes one reference, so
// that removing one book never takes a file another one still needs.
#include <windows.h>

#include <optional>
#include <string>

inline constexpr const char* kSharedFilesKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// The count after one more product takes a reference: one up from the
// current count; with none, 2 when someone else put the file there (they and
// we), 1 when we made it.
DWORD CountWithOneMore(std::optional<DWORD> current, bool someoneElsePutItThere);

// The count of the file; nothing when it has none (or not a DWORD).
std::optional<DWORD> SharedCount(const std::string& path);

// Takes one reference for this product; false when the count could not be written.
bool TakeSharedReference(const std::string& path, bool someoneElsePutItThere);

// Sets the count, or removes it at 0; false when that failed.
bool SetSharedCount(const std::string& path, DWORD count);
