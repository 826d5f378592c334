#pragma once
// Writing a file being installed in large blocks, each block hashed for the
// install record as it goes to the disk: the record's entry of the file comes
// from the very bytes written, and no installed file is read a second time
// for it. Window-free.
#include <windows.h>

#include <cstdint>
#include <optional>

#include <string>

#include "record/ContentHash.h"
#include "record/InstallRecord.h"
#include "record/OwnFiles.h"

// What an installed file holds as it was written: its size, the hash of its
// bytes (nothing when the hashing failed), the last-write time it was left
// with, and which file it is (told by its placement, from the written handle
// and its folder, before the handle is closed: nothing else can stand at the
// name meanwhile).
struct WrittenContent {
    uint64_t size = 0;
    std::optional<ContentHash> hash;
    FILETIME writeTime = {};
    std::optional<FileIdentity> identity;
};

// The install record's entry of a file at `path` as written: its size, time
// and hash. A file whose hash could not be made is recorded all the same, by
// its size and time, as the oldest records were: left out, it would stay
// behind at the removal.
RecordEntry RecordEntryOf(const std::string& path, const WrittenContent& written);

class HashingWriter {
public:
    // The target is open for writing and stays the caller's to close.
    explicit HashingWriter(HANDLE target) : m_target(target) {}

    // False when the disk did not take the whole block (full, gone).
    bool Write(const void* data, DWORD size);
    // After the last block: the file's last-write time is set (`writeTime`,
    // or the present moment when not given) and read back as the file system
    // keeps it; false when either fails.
    bool Finish(const FILETIME* writeTime, WrittenContent& written);

private:
    HANDLE m_target;
    ContentHasher m_hasher;
    uint64_t m_size = 0;
};
