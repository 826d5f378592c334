#include "engine/Expansion.h"

#include <windows.h>
#include <lzexpand.h>

#include <cstring>
#include <vector>

#include "engine/FilePlacement.h"

namespace {
// The first 14 bytes of an SZDD file: magic, method "A", the name's last
// character, and the expanded size (little-endian).
constexpr unsigned char kSzddMagic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr DWORD kSzddHeaderSize = 14;

HFILE AsHfile(HANDLE handle) { return static_cast<HFILE>(reinterpret_cast<INT_PTR>(handle)); }

// How many bytes a complete expansion of the open file yields: the size its
// SZDD header declares, or for a file that is not compressed its own size.
// The file pointer is put back to the start for LZInit.
DWORD ExpectedSize(HANDLE source) {
    unsigned char header[kSzddHeaderSize] = {};
    DWORD got = 0;
    DWORD expected = GetFileSize(source, nullptr);
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
// a negative LZ error.
LONG ExpandInto(HFILE expanding, HANDLE source, HANDLE target, const ReadProgress& progress) {
    static constexpr int kBlock = 64 * 1024;
    std::vector<char> block(kBlock);
    LONG written = 0;
    for (;;) {
        INT got = LZRead(expanding, block.data(), kBlock);
        if (got < 0) return got;
        if (got == 0) return written;
        DWORD put = 0;
        if (!WriteFile(target, block.data(), static_cast<DWORD>(got), &put, nullptr) || put != static_cast<DWORD>(got))
            return LZERROR_WRITE;
        written += got;
        if (progress) progress(SetFilePointer(source, 0, nullptr, FILE_CURRENT));
    }
}
}  // namespace

bool ExpandFile(const std::string& sourcePath, const std::string& destPath, DWORD existingAttributes,
                const KeepAside& keep, std::string& kept, const ReadProgress& progress) {
    kept.clear();
    // A folder standing where the file belongs is never replaced.
    if (existingAttributes != INVALID_FILE_ATTRIBUTES && (existingAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    // The source is opened first: a source that cannot be read moves nothing
    // of the user's. CreateFileA instead of LZOpenFileA, whose OFSTRUCT holds
    // only 128 characters of the full path.
    HANDLE source = CreateFileA(sourcePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (source == INVALID_HANDLE_VALUE) return false;
    DWORD expected = ExpectedSize(source);
    // LZInit hands back an LZ handle for a compressed file, the file's own
    // handle for any other file, or a negative error (and then leaves the
    // file open).
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
    LONG written = ExpandInto(expanding, source, target, progress);
    LZClose(expanding);
    CloseHandle(target);

    // A file cut short expands without an error from LZRead: it only yields
    // fewer bytes than its header promised.
    if (written >= 0 && static_cast<DWORD>(written) == expected) return true;
    UndoPlacement(destPath, ERROR_SUCCESS, kept);
    return false;
}
