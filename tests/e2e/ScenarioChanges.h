#pragma once
// What a reader, another program or the system changes on the machine
// between two runs of the scenarios: a file's time, a folder turned into a
// link, a drive taken away, the journals' place taken.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "InstallScenario.h"

void SetFileWriteTime(const std::string& path, const FILETIME& time);
FILETIME FileWriteTime(const std::string& path);

// Every file of the tree an hour later, as a drive that keeps local time
// shows them after the change to summer time.
void MoveClockAnHour(const std::string& folder);

// The tests run under Wine, which starts a Linux program as it starts one of
// its own: what only the Linux side makes (a symbolic link, which Wine shows
// as a link; a drive letter, which is a link in the prefix's dosdevices
// folder) is made through it. Its process cannot be waited for, so the caller
// waits for the effect.
void RunLinux(std::string commandLine);

// The Linux path of a path on Z:, Wine's drive for the whole Linux tree.
std::string LinuxPath(const std::string& path);

bool WaitUntil(const std::function<bool()>& done);

bool IsLinkNow(const std::string& path);

// The folder `link` made a link to the folder `target` (both on Z:).
void MakeFolderLink(const std::string& link, const std::string& target);

void RemoveLink(const std::string& link);

// The machine's journals' place taken: a link at the folder's name and at
// each name setup would make its own folder under beside it (a link is never
// moved nor entered), so that no journal can be begun. What stood there comes
// back at the end.
class JournalPlaceTaken {
public:
    JournalPlaceTaken() : m_folder(MachinePlaces().journals.folder), m_elsewhere(MakeTestFolder("journals-elsewhere")) {
        // What a test cut short left aside is no one's any more.
        if (FileExists(m_folder + ".aside")) RemoveTree(m_folder + ".aside");
        MoveFileA(m_folder.c_str(), (m_folder + ".aside").c_str());
        for (int index = 1; index <= 9; ++index) EXPECT_TRUE(MakeLinuxLink(Name(index), m_elsewhere)) << Name(index);
    }
    ~JournalPlaceTaken() {
        for (int index = 1; index <= 9; ++index) RemoveLinuxLink(Name(index));
        MoveFileA((m_folder + ".aside").c_str(), m_folder.c_str());
        EXPECT_EQ(ListingOrder(m_elsewhere), std::vector<std::string>{}) << "nothing made behind a link";
    }
    JournalPlaceTaken(const JournalPlaceTaken&) = delete;
    JournalPlaceTaken& operator=(const JournalPlaceTaken&) = delete;
    const std::string& Folder() const { return m_folder; }

private:
    std::string Name(int index) const { return index == 1 ? m_folder : m_folder + " " + std::to_string(index); }
    std::string m_folder, m_elsewhere;
};
