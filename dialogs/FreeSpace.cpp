#include "dialogs/FreeSpace.h"

#include <windows.h>

#include "settings/SettingsCheck.h"

std::string DriveRootOf(const std::string& path) {
    std::string root = "C:\\";
    if (!path.empty()) root[0] = path[0];
    return root;
}

uint64_t FreeBytesOf(uint32_t sectorsPerCluster, uint32_t bytesPerSector, uint32_t freeClusters) {
    return uint64_t{freeClusters} * bytesPerSector * sectorsPerCluster;
}

uint64_t NeededBytesOf(const std::string& fileSize) {
    return static_cast<uint32_t>(static_cast<int32_t>(ParseFileSize(fileSize)));
}

bool QueryFreeBytes(const std::string& path, uint64_t& freeBytes) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    freeBytes = 0;
    // An empty path names no drive at all; asking about "C:\" for it would
    // pass a check for a destination the copy cannot write to.
    if (path.empty()) return false;
    if (!GetDiskFreeSpaceA(DriveRootOf(path).c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters))
        return false;
    freeBytes = FreeBytesOf(sectorsPerCluster, bytesPerSector, freeClusters);
    return true;
}

bool HasRoomFor(const std::string& path, const std::string& fileSize) {
    uint64_t freeBytes = 0;
    // A drive that cannot tell its free space is no place to install to,
    // however little FileSize asks for.
    if (!QueryFreeBytes(path, freeBytes)) return false;
    return freeBytes >= NeededBytesOf(fileSize);
}
