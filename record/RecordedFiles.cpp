#include "record/RecordedFiles.h"
#include "framework/AnsiText.h"

#include <windows.h>

namespace {
uint64_t Combine(DWORD high, DWORD low) { return static_cast<uint64_t>(high) << 32 | low; }

std::optional<WIN32_FILE_ATTRIBUTE_DATA> PlainFile(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return std::nullopt;
    return data;
}
}  // namespace

std::optional<RecordEntry> FileEntryNow(const std::string& path, RecordEntry::Kind kind) {
    std::optional<std::string> full = FullPath(path);
    if (!full || !PlainFile(*full)) return std::nullopt;
    std::optional<HashedFile> content = HashFile(*full);
    if (!content) return std::nullopt;
    RecordEntry entry;
    entry.kind = kind;
    entry.path = *full;
    entry.size = content->size;
    entry.hash = content->hash;
    return entry;
}

bool StillThere(const RecordEntry& entry) { return GetFileAttributesA(entry.path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsLink(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool UnchangedSinceSetup(const RecordEntry& entry) {
    std::optional<WIN32_FILE_ATTRIBUTE_DATA> data = PlainFile(entry.path);
    if (!data || Combine(data->nFileSizeHigh, data->nFileSizeLow) != entry.size) return false;
    if (!entry.hash)
        return Combine(data->ftLastWriteTime.dwHighDateTime, data->ftLastWriteTime.dwLowDateTime) == entry.writeTime;
    // The size matches: only now is the content worth reading.
    std::optional<HashedFile> content = HashFile(entry.path, entry.size);
    return content && content->size == entry.size && content->hash == *entry.hash;
}
