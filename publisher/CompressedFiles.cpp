#include "publisher/CompressedFiles.h"

#include <windows.h>
#include <lzexpand.h>

#include <vector>

#include "framework/SafeFormat.h"
#include "framework/UniqueHandle.h"
#include "publisher/SzddCompressor.h"

namespace {
// A file opened for reading, owned until the LZ library takes it over.
UniqueFile OpenForReading(const std::string& path) {
    return UniqueFile(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// How many bytes the platform's expander yields; a negative LZ error when it fails.
long long ExpandedLength(UniqueFile& file) {
    HFILE lz = LZInit(static_cast<HFILE>(reinterpret_cast<INT_PTR>(file.Get())));
    if (lz < 0) return lz;
    file.Release();  // LZClose closes it from here on
    std::vector<char> buffer(1 << 16);
    long long total = 0;
    for (;;) {
        INT got = LZRead(lz, buffer.data(), static_cast<INT>(buffer.size()));
        if (got < 0) {
            LZClose(lz);
            return got;
        }
        if (got == 0) break;
        total += got;
    }
    LZClose(lz);
    return total;
}
}  // namespace

CompressedFacts InspectMediumFile(const std::string& path, bool expand) {
    CompressedFacts facts;
    UniqueFile file = OpenForReading(path);
    if (!file) {
        facts.damage = "cannot be read";
        return facts;
    }
    DWORD fileSize = GetFileSize(file.Get(), nullptr);
    facts.installedSize = fileSize;
    unsigned char bytes[SzddHeaderSize] = {};
    DWORD got = 0;
    if (!ReadFile(file.Get(), bytes, sizeof bytes, &got, nullptr)) {
        facts.damage = "cannot be read";
        return facts;
    }
    SzddHeader header;
    bool complete = false;
    facts.compressed = ReadSzddHeader(bytes, got, header, complete);
    if (!facts.compressed) return facts;
    if (!complete) {
        facts.damage = "cut short inside its compression header";
        return facts;
    }
    facts.installedSize = header.expandedSize;
    if (!expand) return facts;
    if (header.method != 'A') {
        facts.damage = StringPrintf("unknown compression method '%c'", header.method);
        return facts;
    }
    SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN);
    long long length = ExpandedLength(file);
    if (length < 0)
        facts.damage = StringPrintf("the system cannot expand it (LZ error %lld)", length);
    else if (length < header.expandedSize)
        facts.damage = StringPrintf("cut short: expands to %lld of the %lu bytes its header declares", length,
                                    static_cast<unsigned long>(header.expandedSize));
    else if (length > header.expandedSize)
        facts.damage = StringPrintf("expands to %lld bytes, its header declares %lu", length,
                                    static_cast<unsigned long>(header.expandedSize));
    return facts;
}
