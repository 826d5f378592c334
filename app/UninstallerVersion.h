#pragma once
// Which of two copies of the uninstaller a book keeps in the Windows folder:
// every book shares the one copy there, and an older one refuses the records
// of newer setups, so a book pressed earlier must never put its older
// uninstaller over a newer one. Window-free.
#include <cstdint>
#include <optional>
#include <string>

// The file version of a program's version resource, its four parts from the
// most significant down in 64 bits; nothing for a file without one. A
// relative path names a file of the current folder, never one the DLL search finds.
std::optional<uint64_t> ProgramVersion(const std::string& path);

// Whether the medium's uninstaller replaces the one in place: only a newer
// one does, and a file without a version is older than any with one.
bool ReplacesUninstaller(std::optional<uint64_t> medium, std::optional<uint64_t> inPlace);
