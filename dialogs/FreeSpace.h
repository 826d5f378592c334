#pragma once
// The destination's free-space check, apart from the dialog that makes it.
#include <cstdint>
#include <string>

// The root of the drive that a path starts with: its first character, a
// colon and a backslash ("D:\Books" gives "D:\"). An empty path gives "C:\".
std::string DriveRootOf(const std::string& path);

// Free bytes from the drive's figures, in 64 bits so that no product overflows.
uint64_t FreeBytesOf(uint32_t sectorsPerCluster, uint32_t bytesPerSector, uint32_t freeClusters);

// The bytes that FileSize asks for: the value read as a signed 32-bit decimal
// number and taken as unsigned, so that a minus sign asks for nearly 4 GB;
// text without digits asks for nothing.
uint64_t NeededBytesOf(const std::string& fileSize);

// Free bytes of the drive that holds `path`; false when the system cannot
// tell (no such drive, not a drive path, an empty path).
bool QueryFreeBytes(const std::string& path, uint64_t& freeBytes);

// Whether the drive of `path` has room for FileSize. A drive whose free space
// cannot be queried (or an empty path) never has room.
bool HasRoomFor(const std::string& path, const std::string& fileSize);
