#pragma once
// Files and folders for the test programs: folders under the build tree's test
// work folder (TEST_WORK_DIR), whole files written and read back, made with the
// Win32 calls directly rather than through the code under test.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/SystemFolders.h"  // WindowsFolder
#include "record/ScopePlaces.h"

// A program of ours under test: in the build folder (PROGRAMS_DIR), or in the
// folder that the environment's SETUP_PROGRAMS_DIR names (the programs as a
// system before Windows 10 1903 runs them).
std::string ProgramUnderTest(const std::string& name);
#define SETUP_EXE ProgramUnderTest("setup.exe")
#define XOVUNIN_EXE ProgramUnderTest("XOVUNIN.exe")
#define MEDIUM_EXE ProgramUnderTest("medium.exe")

// The test work folder: TEST_WORK_DIR, or for a test run side by side with
// others in a slot of its own (SETUP_SLOT, see tools/env.sh) beyond the
// first, TEST_WORK_DIR-slotN, so that tests of one fixture never share folders.
std::string TestWorkDir();
// TestWorkDir()\name, not made.
std::string WorkFolder(const std::string& name);
// An empty folder TestWorkDir()\name (emptied if it was there).
std::string MakeTestFolder(const std::string& name);
// Deletes a folder and everything in it, read-only files too.
void RemoveTree(const std::string& path);
// Creates the folders of a path one by one, the last one included.
void MakeFolders(const std::string& path);

// Writes a whole file, making its folders, and then gives it the attributes
// (when not 0); false on failure.
bool WriteWholeFile(const std::string& path, const std::string& content, DWORD attributes = 0);
// An empty file made through the wide calls with its folders, which take
// what the ANSI calls refuse (a folder named with a trailing dot, as made on
// another system; a path past MAX_PATH); false on failure.
bool MakeWideFile(const std::string& path);
// Text (in UTF-8) as a publisher's file saved as "Unicode": UTF-16
// little-endian after its byte-order mark.
std::string Utf16File(const std::string& utf8);
// The whole file; nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);
// The whole file, or "<missing>" when it cannot be read (so that a failed
// comparison says so).
std::string FileContent(const std::string& path);
// Whether a file or folder is there.
bool FileExists(const std::string& path);
// Waits until the file or folder is there; false after the time.
bool WaitForFile(const std::string& path, DWORD milliseconds = 5000);

// The target of a shell link file, read back through IShellLinkA and
// IPersistFile::Load; nullopt when the file is missing or no link.
std::optional<std::string> ShellLinkTarget(const std::string& linkPath);

// The names of a folder in the order the file system lists them.
std::vector<std::string> ListingOrder(const std::string& folder);
// How many entries match the pattern (a folder and a wildcard name).
int CountFiles(const std::string& pattern);

// `link` made a symbolic link to the folder `target` (both on Z:, Wine's
// drive for the Linux tree) by the Linux side, which Wine shows as a reparse
// point; and removed again. True once it is so.
bool MakeLinuxLink(const std::string& link, const std::string& target);
bool RemoveLinuxLink(const std::string& link);

// The places of an elevated run for the machine, as every run under Wine is.
ScopePlaces MachinePlaces();
std::string CurrentDirectory();
// Whether the system's list of files to delete or rename at its next start
// names the path as one to act on.
bool LeftToTheNextStart(const std::string& path);
// Today as the system's list of installed software reads an install date: yyyymmdd.
std::string Today();
// The file time of a moment as the local clock reads it (the tests run on a
// clock far from UTC).
FILETIME LocalClockFileTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second);
// Sets the current directory for a scope and puts the previous one back.
class CurrentDirectoryScope {
public:
    explicit CurrentDirectoryScope(const std::string& path);
    ~CurrentDirectoryScope();
    CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
    CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

private:
    std::string m_previous;
};
