#include "record/RecordedFiles.h"

#include "framework/AnsiText.h"
#include "record/OwnFiles.h"

#include <windows.h>

#include <algorithm>
#include <vector>

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

// The hash of what the handle holds from its start, when it holds exactly
// `size` bytes; nothing when it cannot be read through.
std::optional<ContentHash> HashThrough(HANDLE file, uint64_t size) {
    constexpr size_t kBlockBytes = 1 << 20;
    std::vector<uint8_t> block(static_cast<size_t>(std::min<uint64_t>(size + 1, kBlockBytes)));
    ContentHasher hasher;
    uint64_t total = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &read, nullptr)) return std::nullopt;
        if (read == 0) break;
        hasher.Add(block.data(), read);
        total += read;
        if (total > size) return std::nullopt;
    }
    if (total != size) return std::nullopt;
    return hasher.Finish();
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

bool UnchangedSinceSetup(const RecordEntry& entry, const HeldObject& file) {
    const ObjectFacts& facts = file.Facts();
    if (!file.Held() || facts.IsFolder() || facts.link || facts.size != entry.size) return false;
    // An older record has only the time; a cloud file whose content is not
    // here would be fetched to be read, so its time decides where one was noted.
    if (!entry.hash || (ContentIsElsewhere(facts.attributes) && entry.writeTime != 0))
        return facts.writeTime == entry.writeTime;
    // The size matches: only now is the content worth reading.
    std::optional<ContentHash> hash = HashThrough(file.Get(), entry.size);
    return hash && *hash == *entry.hash;
}
