#include "engine/Expansion.h"

#include <windows.h>
#include <lzexpand.h>

#include <cstring>
#include <optional>
#include <vector>

#include "engine/FilePlacement.h"

namespace {
// The first 14 bytes of an SZDD file: magic, method "A", the name's last
// character, and the expanded size (little-endian).
constexpr unsigned char kSzddMagic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr DWORD kSzddHeaderSize = 14;

HFILE AsHfile(HANDLE handle) { return static_cast<HFILE>(reinterpret_cast<INT_PTR>(handle)); }

// How many bytes a complete expansion of the open file yields, as its SZDD
// header declares; nothing for a file that is not SZDD-compressed. The file
// pointer is put back to the start for LZInit.
std::optional<DWORD> ExpandedSize(HANDLE source) {
    unsigned char header[kSzddHeaderSize] = {};
    DWORD got = 0;
    std::optional<DWORD> expected;
    if (ReadFile(source, header, sizeof header, &got, nullptr) && got == sizeof header &&
        std::memcmp(header, kSzddMagic, sizeof kSzddMagic) == 0) {
        expected = header[10] | header[11] << 8 | header[12] << 16 | static_cast<DWORD>(header[13]) << 24;
    }
    SetFilePointer(source, 0, nullptr, FILE_BEGIN);
    return expected;
}

// Expands what the LZ handle yields into the target, as LZCopy does, in large
// blocks; after each block the progress hears how far into the source file
// (its own handle's position) the expansion has read. The bytes written, or
// nothing on an LZ or write error. An SZDD header holds a 32-bit size: the
// count is kept in 64 bits, past what LZCopy's LONG could say.
std::optional<uint64_t> ExpandInto(HFILE expanding, HANDLE source, HANDLE target, const ReadProgress& progress) {
    static constexpr int kBlock = 256 * 1024;
    std::vector<char> block(kBlock);
    uint64_t written = 0;
    for (;;) {
        INT got = LZRead(expanding, block.data(), kBlock);
        if (got < 0) return std::nullopt;
        if (got == 0) return written;
        DWORD put = 0;
        if (!WriteFile(target, block.data(), static_cast<DWORD>(got), &put, nullptr) || put != static_cast<DWORD>(got))
            return std::nullopt;
        written += static_cast<uint64_t>(got);
        if (progress) progress(SetFilePointer(source, 0, nullptr, FILE_CURRENT));
    }
}
}  // namespace

uint64_t ExpandedSizeOf(const std::string& sourcePath) {
    HANDLE source = CreateFileA(sourcePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (source == INVALID_HANDLE_VALUE) return 0;
    std::optional<DWORD> expanded = ExpandedSize(source);
    LARGE_INTEGER own = {};
    GetFileSizeEx(source, &own);
    CloseHandle(source);
    return expanded ? *expanded : static_cast<uint64_t>(own.QuadPart);
}

bool ExpandFile(const std::string& sourcePath, DWORD sourceAttributes, const std::string& destPath,
                DWORD existingAttributes, const KeepAside& keep, std::string& kept, const ReadProgress& progress) {
    kept.clear();
    // A folder standing where the file belongs is never replaced.
    if (existingAttributes != INVALID_FILE_ATTRIBUTES && (existingAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    // The source is opened first: a source that cannot be read moves nothing
    // of the user's. CreateFileA instead of LZOpenFileA, whose OFSTRUCT holds
    // only 128 characters of the full path.
    HANDLE source = CreateFileA(sourcePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (source == INVALID_HANDLE_VALUE) return false;
    std::optional<DWORD> expected = ExpandedSize(source);
    if (!expected) {
        // Not compressed (the publisher's pack leaves a file that would not
        // shrink as it is): a plain copy, at any size, where the LZ library
        // would count its bytes in a LONG and fail a file of 2 GiB or more.
        CloseHandle(source);
        return CopyPlainFile(sourcePath, sourceAttributes, destPath, existingAttributes, keep, kept, progress);
    }
    // LZInit hands back an LZ handle for the compressed file, or a negative
    // error (and then leaves the file open).
    HFILE expanding = LZInit(AsHfile(source));
    if (expanding < 0) {
        CloseHandle(source);
        return false;
    }
    if (existingAttributes != INVALID_FILE_ATTRIBUTES && !MoveAside(destPath, keep, kept)) {
        LZClose(expanding);
        return false;
    }

    // Straight to the name. A file that appeared meanwhile is not ours to
    // overwrite, nor to remove.
    HANDLE target =
        CreateFileA(destPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (target == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        LZClose(expanding);
        UndoPlacement(destPath, error, kept);
        return false;
    }
    std::optional<uint64_t> written = ExpandInto(expanding, source, target, progress);
    LZClose(expanding);
    CloseHandle(target);

    // A file cut short expands without an error from LZRead: it only yields
    // fewer bytes than its header promised.
    if (written && *written == *expected) return true;
    UndoPlacement(destPath, ERROR_SUCCESS, kept);
    return false;
}
