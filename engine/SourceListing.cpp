#include "engine/SourceListing.h"

#include <windows.h>

#include "engine/FileOperations.h"
#include "framework/PathText.h"

namespace {
struct Listing {
    std::string destinationKey;
    bool useUnderscores;
    SourceListing result;

    void Level(const std::string& source, const std::string& destination) {
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA(JoinPath(source, "*.*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE) {
            // An empty folder still lists "." and "..": nothing at all means it could not be read.
            result.complete = false;
            return;
        }
        do {
            std::string installed;
            if (!InstalledPath(destination, entry.cFileName, useUnderscores, installed)) continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (entry.cFileName[0] == '.') continue;
                std::string folder = JoinPath(source, entry.cFileName);
                if (FolderKey(folder) == destinationKey) continue;
                Level(folder, installed);
            } else {
                result.bytes += static_cast<uint64_t>(entry.nFileSizeHigh) << 32 | entry.nFileSizeLow;
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
};
}  // namespace

SourceListing ListSourceTree(const std::string& folder, const std::string& destination, bool useUnderscores) {
    std::string root = StripTrailingBackslashes(destination);
    Listing listing{FolderKey(root + "\\"), useUnderscores, {}};
    listing.Level(folder, root);
    return listing.result;
}
