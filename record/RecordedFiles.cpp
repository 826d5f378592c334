#include "record/RecordedFiles.h"

#include "framework/AnsiText.h"
#include "record/OwnFiles.h"

#include <windows.h>

namespace {
uint64_t Combine(DWORD high, DWORD low) { return static_cast<uint64_t>(high) << 32 | low; }

// A file, not a folder nor the reader's link. A file of a cloud service's
// folder carries a reparse point too, and is a file all the same.
std::optional<WIN32_FILE_ATTRIBUTE_DATA> PlainFile(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsLink(path)))
        return std::nullopt;
    return data;
}
}  // namespace

std::optional<RecordEntry> FileEntryNow(const std::string& path, RecordEntry::Kind kind) {
    std::optional<std::string> full = FullPath(path);
    if (!full) return std::nullopt;
    std::optional<WIN32_FILE_ATTRIBUTE_DATA> data = PlainFile(*full);
    if (!data) return std::nullopt;
    std::optional<HashedFile> content = HashFile(*full);
    if (!content) return std::nullopt;
    RecordEntry entry;
    entry.kind = kind;
    entry.path = *full;
    entry.size = content->size;
    entry.hash = content->hash;
    entry.writeTime = Combine(data->ftLastWriteTime.dwHighDateTime, data->ftLastWriteTime.dwLowDateTime);
    return entry;
}

bool StillThere(const RecordEntry& entry) { return GetFileAttributesA(entry.path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool UnchangedSinceSetup(const RecordEntry& entry) {
    std::optional<WIN32_FILE_ATTRIBUTE_DATA> data = PlainFile(entry.path);
    if (!data || Combine(data->nFileSizeHigh, data->nFileSizeLow) != entry.size) return false;
    uint64_t writeTime = Combine(data->ftLastWriteTime.dwHighDateTime, data->ftLastWriteTime.dwLowDateTime);
    // An older record has only the time; a cloud file whose content is not
    // here would be fetched to be read, so its time decides where one was noted.
    if (!entry.hash || (ContentIsElsewhere(data->dwFileAttributes) && entry.writeTime != 0))
        return writeTime == entry.writeTime;
    // The size matches: only now is the content worth reading.
    std::optional<HashedFile> content = HashFile(entry.path, entry.size);
    return content && content->size == entry.size && content->hash == *entry.hash;
}
