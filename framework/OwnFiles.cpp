#include "framework/OwnFiles.h"

#include <windows.h>

bool PutBack(const std::string& kept, const std::string& destPath) {
    if (MoveFileExA(kept.c_str(), destPath.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    // The system moves over no read-only file; what stands there now is this
    // run's, so its flags go.
    SetFileAttributesA(destPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    return MoveFileExA(kept.c_str(), destPath.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool DeleteOwnFile(const std::string& path) {
    if (DeleteFileA(path.c_str())) return true;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path.c_str()) != FALSE;
}
