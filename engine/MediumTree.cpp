#include "engine/MediumTree.h"

#include <windows.h>

#include "engine/FileOperations.h"
#include "framework/AnsiText.h"
#include "framework/FolderListing.h"
#include "framework/PathText.h"

MediumTree::MediumTree(const std::string& destination, bool longNames)
    : m_destinationKey(UpperAnsi(destination)), m_longNames(longNames) {}

bool MediumTree::IsBookFolder(const std::string& source, const std::string& name) const {
    // "." and "..", and every folder whose name starts with a dot, are not
    // the book's. A destination inside the medium's own tree (a medium on a
    // hard disk) must not be copied into itself, level after level.
    return !name.empty() && name[0] != '.' && UpperAnsi(source) != m_destinationKey;
}

uint64_t MediumTree::ListedBytes(const std::string& sourceFolder, const std::string& destFolder) const {
    uint64_t bytes = 0;
    FolderListing listing(sourceFolder);
    while (listing.Next()) {
        const FolderEntry& entry = listing.Entry();
        std::string source = sourceFolder + "\\" + entry.name;
        std::string destPath;
        if (!entry.whole || !InstalledPath(destFolder, entry.name, m_longNames, destPath)) continue;
        if (!entry.IsFolder())
            bytes += PathLength(source) < MAX_PATH ? entry.size : 0;
        else if (IsBookFolder(source, entry.name))
            bytes += ListedBytes(source, destPath);
    }
    return bytes;
}

bool MediumTree::HoldsFiles(const std::string& sourceFolder) const {
    FolderListing listing(sourceFolder);
    while (listing.Next()) {
        const FolderEntry& entry = listing.Entry();
        if (!entry.IsFolder()) return true;
        if (entry.name[0] != '.' && HoldsFiles(sourceFolder + "\\" + entry.name)) return true;
    }
    return !listing.Complete();
}

std::vector<MediumTree::File> MediumTree::FilesBelow(const std::string& sourceFolder,
                                                     const std::string& destFolder) const {
    std::vector<File> files;
    AddFilesBelow(sourceFolder, destFolder, files);
    return files;
}

void MediumTree::AddFilesBelow(const std::string& sourceFolder, const std::string& destFolder,
                               std::vector<File>& files) const {
    FolderListing listing(sourceFolder);
    while (listing.Next()) {
        const FolderEntry& entry = listing.Entry();
        std::string source = sourceFolder + "\\" + entry.name;
        std::string destPath;
        // A name past the bound is named by the path it would have had.
        if (!InstalledPath(destFolder, entry.name, m_longNames, destPath)) destPath = JoinPath(destFolder, entry.name);
        if (!entry.IsFolder())
            files.push_back({destPath, entry.size});
        else if (IsBookFolder(source, entry.name))
            AddFilesBelow(source, destPath, files);
    }
}
