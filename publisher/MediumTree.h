#pragma once
// The code tree of a medium as setup will install it: every file and folder
// under CodeDir with the path it gets below DestDir, in a stable order.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/FileOperations.h"  // IsFolder, as the copy asks it

struct TreeEntry {
    std::string relative;       // on the medium, relative to its folder ("CODE\\CHAP_1\\HELLO.C")
    std::string installedPath;  // DestDir + "\\" + each name as setup writes it
    bool fits = true;           // the copy can place it: the path is within the system's bound
    bool folder = false;
    bool empty = false;         // a folder with nothing in it
    bool unreadable = false;    // a folder that cannot be listed whole: its files cannot be installed
    bool skipped = false;       // a folder setup passes over (its name starts with "."); its contents are not listed
    // The name converts whole into the program's code page; otherwise setup
    // on a system of this code page does not install it (nor what it holds,
    // which is not listed).
    bool whole = true;
    uint32_t size = 0;          // a file's size on the medium
};

// The entries of mediumDir\codeDir, depth first, names sorted; the installed
// names follow the copy's rules (long names when useUnderscores).
std::vector<TreeEntry> ListMediumTree(const std::string& mediumDir, const std::string& codeDir,
                                      const std::string& destDir, bool useUnderscores);

// Sets the current directory for a scope and puts the previous one back
// (the profile reader reads .\SETUP.INI of the current directory).
class CurrentDirectoryGuard {
public:
    CurrentDirectoryGuard();
    ~CurrentDirectoryGuard();
    CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
    CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

private:
    std::string m_previous;
};
