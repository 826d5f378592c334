#pragma once
// The SZDD format of the system's COMPRESS tool, expanded by our own code in
// large blocks, so that every expanded block can be written and hashed as it
// comes: the same LZ77 variant as the system's LZ library (a 4096-byte
// window filled with spaces, writing from 4080; a flag byte for each eight
// items, a set bit a literal byte, a clear one a back reference of 3 to 18
// bytes), and the same ending: the expansion stops where the compressed
// bytes end, also part-way through an item. Window-free.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>

constexpr DWORD kSzddHeaderBytes = 14;

// What the header of a compressed file says: whether it is SZDD at all (the
// magic), whether its method is the only one known ("A"), and the size its
// expansion should have.
struct SzddHeader {
    bool compressed = false;
    bool knownMethod = false;
    uint32_t expandedSize = 0;
};
// The first `size` bytes of a file (fewer than 14 is never compressed).
SzddHeader ReadSzddHeader(const uint8_t* bytes, size_t size);

// Fills `buffer` with the next compressed bytes, at most `capacity`; `got` 0
// at the end. False on a read error.
using SzddInput = std::function<bool(uint8_t* buffer, DWORD capacity, DWORD& got)>;
// Takes a block of expanded bytes; false stops the expansion (a write error).
using SzddOutput = std::function<bool(const uint8_t* block, DWORD size)>;

// Expands the compressed bytes that follow the header. The bytes written, or
// nothing on a read or write error; it stops as soon as more than `limit`
// bytes came out (a damaged file that would not end), returning that count.
std::optional<uint64_t> ExpandSzddStream(const SzddInput& input, const SzddOutput& output, uint64_t limit);
