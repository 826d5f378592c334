#pragma once
// Which of two copies of the uninstaller a book keeps in the Windows folder:
// every book shares the one copy there, and an older one refuses the records
// of newer setups, so a book pressed earlier must never put its older
// uninstaller over a newer one. Every book's entry runs that copy with
// rights, so a copy changed after it was signed never goes there, and an
// unsigned one never takes the place of a signed one. Window-free.
#include <cstdint>
#include <optional>
#include <string>

#include "framework/FileSignature.h"

// The file version of a program's version resource, its four parts from the
// most significant down in 64 bits; nothing for a file without one. A
// relative path names a file of the current folder, never one the DLL search finds.
std::optional<uint64_t> ProgramVersion(const std::string& path);

// What decides between two copies: the version, and the signature.
struct UninstallerFacts {
    std::optional<uint64_t> version;
    SignatureState signature = SignatureState::Unchecked;
};

// Whether the medium's uninstaller goes where the entry points, over the one
// in place (nothing when none is there). Never a copy whose signature is
// broken; over a whole signed one, only one whose own signature is whole;
// otherwise only a newer one, where a file without a version is older than
// any with one.
bool ReplacesUninstaller(const UninstallerFacts& medium, const std::optional<UninstallerFacts>& inPlace);
