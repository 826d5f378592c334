#pragma once
// The entries of an install record as the record, the removal and the
// journal's tests write them, and a drive letter no drive has.
#include <cstdint>
#include <string>

#include <windows.h>

#include "record/ContentHash.h"
#include "record/InstallRecord.h"

namespace record_test {
inline ContentHash Hash(const std::string& bytes) { return HashBytes(bytes.data(), bytes.size()); }

inline RecordEntry File(const std::string& path, uint64_t size, const std::string& content) {
    RecordEntry entry{RecordEntry::Kind::File, path, size};
    entry.hash = Hash(content);
    return entry;
}
inline RecordEntry Shared(const std::string& path, uint64_t size, const std::string& content) {
    RecordEntry entry = File(path, size, content);
    entry.shared = true;
    return entry;
}
// A file as the older setup recorded it: its size and last-write time.
inline RecordEntry TimedFile(const std::string& path, uint64_t size, uint64_t time) {
    RecordEntry entry{RecordEntry::Kind::File, path, size};
    entry.writeTime = time;
    return entry;
}
inline RecordEntry Folder(const std::string& path) { return {RecordEntry::Kind::Folder, path}; }
inline RecordEntry Shortcut(const std::string& path, uint64_t size, const std::string& content) {
    RecordEntry entry{RecordEntry::Kind::Shortcut, path, size};
    entry.hash = Hash(content);
    return entry;
}
inline RecordEntry OlderShortcut(const std::string& path) { return {RecordEntry::Kind::Shortcut, path}; }

// The first letter not given to any drive, from Y down.
inline char AbsentDrive() {
    DWORD drives = GetLogicalDrives();
    for (char letter = 'Y'; letter > 'D'; --letter)
        if (!(drives & (1u << (letter - 'A')))) return letter;
    return 0;
}
}  // namespace record_test
