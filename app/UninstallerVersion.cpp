#include "app/UninstallerVersion.h"

#include <windows.h>

#include <cstring>

#include "framework/AnsiText.h"

namespace {
// A version resource starts with its length, its value's length and type,
// then the key L"VS_VERSION_INFO" with its zero, padded to 32 bits: the
// fixed part follows at byte 40.
constexpr size_t kFixedInfoOffset = 40;

std::optional<uint64_t> VersionOfResource(const BYTE* data, size_t size) {
    if (size < kFixedInfoOffset + sizeof(VS_FIXEDFILEINFO)) return std::nullopt;
    WORD valueLength = 0;
    std::memcpy(&valueLength, data + 2, sizeof valueLength);
    if (valueLength < sizeof(VS_FIXEDFILEINFO)) return std::nullopt;
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, data + kFixedInfoOffset, sizeof fixed);
    if (fixed.dwSignature != 0xFEEF04BD) return std::nullopt;
    return static_cast<uint64_t>(fixed.dwFileVersionMS) << 32 | fixed.dwFileVersionLS;
}
}  // namespace

std::optional<uint64_t> ProgramVersion(const std::string& path) {
    // Through its full path: a bare name would be looked for along the DLL
    // search, which the program restricts to the system folder, where the
    // medium's copy never lies.
    std::optional<std::string> full = FullPath(path);
    if (!full) return std::nullopt;
    // As data only: nothing of the program runs, and no DLL of its is looked for.
    HMODULE module = LoadLibraryExA(full->c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return std::nullopt;
    std::optional<uint64_t> version;
    if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(VS_VERSION_INFO), RT_VERSION)) {
        HGLOBAL loaded = LoadResource(module, found);
        const void* data = loaded ? LockResource(loaded) : nullptr;
        if (data) version = VersionOfResource(static_cast<const BYTE*>(data), SizeofResource(module, found));
    }
    FreeLibrary(module);
    return version;
}

bool ReplacesUninstaller(const UninstallerFacts& medium, const std::optional<UninstallerFacts>& inPlace) {
    if (medium.signature == SignatureState::Broken) return false;
    if (!inPlace) return true;
    if (inPlace->signature == SignatureState::Whole && medium.signature != SignatureState::Whole) return false;
    if (!medium.version) return false;
    return !inPlace->version || *medium.version > *inPlace->version;
}
