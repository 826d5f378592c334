#include "record/RecordedFiles.h"
#include "framework/AnsiText.h"

#include <windows.h>

namespace {
uint64_t Combine(DWORD high, DWORD low) { return static_cast<uint64_t>(high) << 32 | low; }

bool Attributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) != FALSE;
}
}  // namespace

std::optional<RecordEntry> FileEntryNow(const std::string& path, RecordEntry::Kind kind) {
    std::optional<std::string> full = FullPath(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!full || !Attributes(*full, data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
    RecordEntry entry;
    entry.kind = kind;
    entry.path = *full;
    entry.size = Combine(data.nFileSizeHigh, data.nFileSizeLow);
    entry.writeTime = Combine(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
    return entry;
}

bool StillThere(const RecordEntry& entry) { return GetFileAttributesA(entry.path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool UnchangedSinceSetup(const RecordEntry& entry) {
    std::optional<RecordEntry> now = FileEntryNow(entry.path);
    return now && now->size == entry.size && now->writeTime == entry.writeTime;
}
