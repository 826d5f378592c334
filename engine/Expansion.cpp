#include "engine/Expansion.h"

#include <windows.h>

#include "engine/FilePlacement.h"
#include "engine/HashingWriter.h"
#include "engine/SzddStream.h"
#include "framework/UniqueHandle.h"

namespace {
// The header of the open file, read from its start; the file pointer stays
// after it, where the compressed bytes begin.
SzddHeader ReadHeader(HANDLE source) {
    uint8_t bytes[kSzddHeaderBytes] = {};
    DWORD got = 0;
    if (!ReadFile(source, bytes, sizeof bytes, &got, nullptr)) return {};
    return ReadSzddHeader(bytes, got);
}

// Expands the rest of the source into the target, each expanded block hashed
// as it is written; after every block of the source the progress hears how
// far into the source file the expansion has read. True when the expansion
// gave exactly the bytes the header declared (a file cut short yields fewer).
bool ExpandInto(HANDLE source, uint32_t expected, HANDLE target, const ReadProgress& progress,
                WrittenContent& written) {
    uint64_t read = kSzddHeaderBytes;
    SzddInput input = [&](uint8_t* buffer, DWORD capacity, DWORD& got) {
        if (!ReadFile(source, buffer, capacity, &got, nullptr)) return false;
        read += got;
        if (progress && got > 0) progress(read);
        return true;
    };
    HashingWriter writer(target);
    SzddOutput output = [&](const uint8_t* block, DWORD size) { return writer.Write(block, size); };
    std::optional<uint64_t> expanded = ExpandSzddStream(input, output, expected);
    return expanded && *expanded == expected && writer.Finish(nullptr, written);
}
}  // namespace

uint64_t ExpandedSizeOf(const std::string& sourcePath) {
    UniqueFile source(CreateFileA(sourcePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!source) return 0;
    SzddHeader header = ReadHeader(source.Get());
    LARGE_INTEGER own = {};
    GetFileSizeEx(source.Get(), &own);
    return header.compressed ? header.expandedSize : static_cast<uint64_t>(own.QuadPart);
}

bool ExpandFile(const std::string& sourcePath, DWORD sourceAttributes, const FileSpot& spot,
                DWORD existingAttributes, const KeepAside& keep, std::string& kept, WrittenContent& written,
                const ReadProgress& progress) {
    kept.clear();
    // A folder standing where the file belongs is never replaced.
    if (existingAttributes != INVALID_FILE_ATTRIBUTES && (existingAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    // The source is opened first: a source that cannot be read moves nothing
    // of the user's.
    UniqueFile source(CreateFileA(sourcePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) return false;
    SzddHeader header = ReadHeader(source.Get());
    if (!header.compressed) {
        // Not compressed (the publisher's pack leaves a file that would not
        // shrink as it is): a plain copy, at any size.
        source = UniqueFile();
        return CopyPlainFile(sourcePath, sourceAttributes, spot, existingAttributes, keep, kept, written, progress);
    }
    // A method other than the one the format knows cannot be expanded.
    if (!header.knownMethod) return false;
    bool placed = PlaceFile(spot, existingAttributes, FILE_ATTRIBUTE_NORMAL, keep, kept, written,
                            [&](HANDLE target, WrittenContent& content) {
                                return ExpandInto(source.Get(), header.expandedSize, target, progress, content);
                            });
    // The caller tells a name taken meanwhile from any other failure.
    const DWORD error = GetLastError();
    source = UniqueFile();
    SetLastError(error);
    return placed;
}
