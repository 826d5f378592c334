#pragma once
// The copy's rules for the medium's tree, read without a change anywhere:
// which folders are the book's, what the copy will read below a folder (the
// progress bar's range), whether a folder holds anything to install, and the
// files below a folder that the copy would place. Directory reads only.
// Window-free.
#include <cstdint>
#include <string>
#include <vector>

class MediumTree {
public:
    // `destination`: the install folder, full, without a trailing backslash
    // (inside the medium's own tree it is not walked); `longNames`:
    // UNDER_SCORE names become long names.
    MediumTree(const std::string& destination, bool longNames);

    // Whether the copy walks into the folder (its full path, and its name).
    bool IsBookFolder(const std::string& source, const std::string& name) const;
    // The bytes the copy will read from the medium below the folder, listed
    // by the copy's own rules before its first file: passed-over folders and
    // entries past the path bound count nothing; a folder that cannot be
    // listed counts what was listed.
    uint64_t ListedBytes(const std::string& sourceFolder, const std::string& destFolder) const;
    // Whether the folder holds a file anywhere below it that the copy would
    // install; a folder that cannot be listed counts as holding some.
    bool HoldsFiles(const std::string& sourceFolder) const;

    struct File {
        std::string destPath;  // where it was to go
        uint64_t size = 0;     // as listed
    };
    // Every file below the folder (at any depth, in the order listed) that
    // the copy would try to place below `destFolder`.
    std::vector<File> FilesBelow(const std::string& sourceFolder, const std::string& destFolder) const;

private:
    void AddFilesBelow(const std::string& sourceFolder, const std::string& destFolder, std::vector<File>& files) const;

    std::string m_destinationKey;  // upper-cased, as the file system compares names
    bool m_longNames;
};
