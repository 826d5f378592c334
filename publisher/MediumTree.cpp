#include "publisher/MediumTree.h"

#include <windows.h>

#include <algorithm>

#include "engine/FileOperations.h"
#include "framework/FolderListing.h"
#include "framework/PathText.h"

namespace {
struct Found {
    std::string name;
    bool folder;
    uint32_t size;
    bool whole;
};

// The folder's entries, sorted; false when it cannot be listed whole, as the
// copy would find it.
bool ListFolder(const std::string& folder, std::vector<Found>& entries) {
    FolderListing listing(folder);
    while (listing.Next()) {
        const FolderEntry& data = listing.Entry();
        if (data.name == "." || data.name == "..") continue;
        entries.push_back({data.name, data.IsFolder(), static_cast<uint32_t>(data.size), data.whole});
    }
    std::sort(entries.begin(), entries.end(), [](const Found& a, const Found& b) { return a.name < b.name; });
    return listing.Complete();
}

// False when the level cannot be listed whole.
bool ListLevel(const std::string& mediumDir, const std::string& relative, const std::string& installed,
               bool useUnderscores, std::vector<TreeEntry>& out) {
    std::vector<Found> level;
    bool whole = ListFolder(mediumDir + "\\" + relative, level);
    for (const Found& found : level) {
        TreeEntry entry;
        entry.relative = relative + "\\" + found.name;
        // The copy's own rule for the path a file or folder gets.
        entry.fits = InstalledPath(installed, found.name, useUnderscores, entry.installedPath);
        entry.folder = found.folder;
        entry.size = found.folder ? 0 : found.size;
        entry.skipped = found.folder && found.name[0] == '.';
        entry.whole = found.whole;
        size_t index = out.size();
        out.push_back(entry);
        if (!entry.folder || entry.skipped || !entry.whole) continue;
        out[index].unreadable = !ListLevel(mediumDir, entry.relative, entry.installedPath, useUnderscores, out);
        out[index].empty = out.size() == index + 1 && !out[index].unreadable;
    }
    return whole;
}
}  // namespace

std::vector<TreeEntry> ListMediumTree(const std::string& mediumDir, const std::string& codeDir,
                                      const std::string& destDir, bool useUnderscores) {
    std::vector<TreeEntry> entries;
    ListLevel(mediumDir, codeDir, destDir, useUnderscores, entries);
    return entries;
}

CurrentDirectoryGuard::CurrentDirectoryGuard() {
    char buffer[AnsiPathBufferSize] = {};
    DWORD length = GetCurrentDirectoryA(AnsiPathBufferSize, buffer);
    if (length > 0 && length < AnsiPathBufferSize) m_previous.assign(buffer, length);
}

CurrentDirectoryGuard::~CurrentDirectoryGuard() {
    if (!m_previous.empty()) SetCurrentDirectoryA(m_previous.c_str());
}
