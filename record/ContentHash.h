#pragma once
// The SHA-256 of a file's content, by which the uninstaller tells a file as
// setup wrote it from one the reader changed, whatever happened to its time
// stamps since. Computed by our own code on the processor's SHA extensions
// where it has them (every byte installed is hashed: this is the fastest
// way), else by the system's BCrypt where it has one (loaded from the system
// folder only, at run time: the oldest systems we run on have no
// bcrypt.dll), else by our own portable code; all give the same digest, so a
// record made on one system is checked alike on another.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

using ContentHash = std::array<uint8_t, 32>;

// Which code hashes: the fastest there is, the system's (where it has
// none, ours), or our own without the processor's SHA extensions.
enum class HashWay { Fastest, System, Portable };

// What a file holds: its size and the hash of its bytes.
struct HashedFile {
    uint64_t size = 0;
    ContentHash hash{};
};

// One hash made as the bytes go by, so that a file is hashed from the very
// blocks that are written, never read back for it.
class ContentHasher {
public:
    ContentHasher();
    ~ContentHasher();
    ContentHasher(const ContentHasher&) = delete;
    ContentHasher& operator=(const ContentHasher&) = delete;

    void Add(const void* data, size_t size);
    // The hash of all bytes added; nothing when the system's code failed.
    std::optional<ContentHash> Finish();

private:
    struct Way;
    std::unique_ptr<Way> m_way;
};

// Reads the file once, in large blocks, on the calling thread. Nothing when
// it cannot be opened or read through. A file whose size is not `expectedSize`
// (when given) is not read at all, as its content cannot match: only its size
// is given then, with a hash of zeros.
std::optional<HashedFile> HashFile(const std::string& path,
                                           std::optional<uint64_t> expectedSize = std::nullopt);

// The hash of bytes in memory, and the same by our own portable code alone,
// so that the ways can be held against each other and against known digests.
ContentHash HashBytes(const void* data, size_t size, HashWay way = HashWay::Fastest);
ContentHash HashBytesWithoutSystem(const void* data, size_t size);

// 64 hexadecimal digits in capitals, and back; nothing for any other text.
std::string HashText(const ContentHash& hash);
std::optional<ContentHash> ParseHashText(const std::string& text);
