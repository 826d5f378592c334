// Where a run acts for each scope and each run's rights: its places, a file a
// machine's book counts, and an elevated run for a user's book.
#include "record/InstallRecord.h"
#include "record/ProfileBound.h"
#include "record/RecordedFiles.h"
#include "record/SharedFiles.h"
#include "uninstall/Removal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "TestFiles.h"
#include "framework/AnsiText.h"
#include "InstallRecordTestSupport.h"

using namespace record_test;

namespace {
// Each scope and each run's rights have their own places. The journals go
// with the rights alone: an elevated run keeps them with the machine's (for
// a book of the current user too), a run without elevation in the user's
// own folder; the scope says where the entry, the counts and the uninstaller go.
TEST(InstallRecord, TheRunsPlacesFollowTheScopeAndTheRights) {
    // The folders as the test prefix lays them out: the Windows folder, the
    // machine's application data, and the user's local application data below
    // the profile.
    char userName[256] = {};
    DWORD userNameSize = sizeof userName;
    ASSERT_TRUE(GetUserNameA(userName, &userNameSize));
    const std::string local = std::string("C:\\users\\") + userName + "\\AppData\\Local";
    const std::string sharedDlls = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
    const struct {
        InstallScope scope;
        bool elevated;
        HKEY hive;
        std::string countsKey, uninstallerFolder, journals, earlierJournals;
        bool machineJournalsPlace;
    } rows[] = {
        {InstallScope::Machine, true, HKEY_LOCAL_MACHINE, sharedDlls, "C:\\windows", "C:\\windows\\Book Setup Journals",
         "C:\\ProgramData\\Book Setup Journals", true},
        {InstallScope::Machine, false, HKEY_LOCAL_MACHINE, sharedDlls, "C:\\windows", local + "\\Book Setup Journals", "",
         false},
        {InstallScope::CurrentUser, true, HKEY_CURRENT_USER, "Software\\Book Setup\\Shared Files", local + "\\Book Setup",
         "C:\\windows\\Book Setup Journals", "C:\\ProgramData\\Book Setup Journals", true},
        {InstallScope::CurrentUser, false, HKEY_CURRENT_USER, "Software\\Book Setup\\Shared Files",
         local + "\\Book Setup", local + "\\Book Setup Journals", "", false},
    };
    for (const auto& row : rows) {
        const ScopePlaces places = PlacesFor(row.scope, row.elevated);
        const std::string name = std::string(row.scope == InstallScope::Machine ? "machine" : "user") +
                                 (row.elevated ? ", elevated" : ", unelevated");
        EXPECT_EQ(places.hive, row.hive) << name;
        EXPECT_EQ(places.countsKey, row.countsKey) << name;
        EXPECT_EQ(UpperAnsi(places.uninstallerFolder), UpperAnsi(row.uninstallerFolder)) << name;
        EXPECT_EQ(UpperAnsi(places.journals.folder), UpperAnsi(row.journals)) << name;
        EXPECT_EQ(UpperAnsi(places.journals.earlier), UpperAnsi(row.earlierJournals)) << name;
        EXPECT_EQ(places.journals.machine, row.machineJournalsPlace) << name;
    }
}

// Two books use one file of the Windows folder: one installed for the
// machine counts it under SharedDLLs, one a reader installed for himself
// alone counts it in his own counts. Removing the user's book as that user
// (without rights) gives back the user's count and leaves the file to the
// machine's book; without the machine's count, the user's book takes it. A
// file inside the user's profile is the user's own, whatever the machine
// counts. Removed with administrator rights, the user's book (whose record
// the user writes without them) touches nothing outside the profile: the
// file and the user's count stay, named for the user's own removal.
TEST(InstallRecord, ABookOfTheUserNeverTakesAFileAMachineBookCounts) {
    const std::string windows = MakeTestFolder("removal-user-book-windows");
    const std::string profile = MakeTestFolder("removal-user-book-profile");
    const std::string shared = windows + "\\ZANDEL.INI", own = profile + "\\ZANDEL.INI";
    for (bool elevated : {false, true}) {
        ScopePlaces user = PlacesFor(InstallScope::CurrentUser, elevated);
        user.userProfile = profile;
        for (bool machineCounts : {true, false}) {
            const std::string name = std::string(elevated ? "elevated" : "unelevated") +
                                     (machineCounts ? ", counted by the machine" : ", not counted by the machine");
            ASSERT_TRUE(WriteWholeFile(shared, "ini"));
            ASSERT_TRUE(WriteWholeFile(own, "ini"));
            RecordEntry counted = *FileEntryNow(shared);
            counted.shared = true;
            InstallRecord record{profile + "\\Book", {counted, *FileEntryNow(own)}};
            ASSERT_TRUE(SetSharedCount(shared, 1, user));
            ASSERT_TRUE(SetSharedCount(own, 3, MachinePlaces()));
            if (machineCounts) ASSERT_TRUE(SetSharedCount(shared, 1, MachinePlaces()));
            RemovalResult result = RemoveRecorded(record, "", user);
            EXPECT_EQ(result.everythingRemoved, !elevated) << name;
            EXPECT_EQ(FileExists(shared), machineCounts || elevated) << name;
            EXPECT_FALSE(FileExists(own)) << "in the user's profile: " << name;
            EXPECT_EQ(SharedCount(shared, user), elevated ? std::optional<DWORD>(1) : std::nullopt)
                << "the user's count: " << name;
            EXPECT_EQ(MachineSharedCount(shared), machineCounts ? std::optional<DWORD>(1) : std::nullopt)
                << "the machine's untouched: " << name;
            EXPECT_EQ(result.outsideProfile, elevated ? std::vector<std::string>{shared} : std::vector<std::string>{})
                << name;
            EXPECT_EQ(result.left.entries, elevated ? std::vector<RecordEntry>{counted} : std::vector<RecordEntry>{})
                << name;
            EXPECT_EQ(result.KeepsEntry(), elevated) << "kept for the user's own removal: " << name;
            SetSharedCount(shared, 0, user);
            SetSharedCount(shared, 0, MachinePlaces());
            SetSharedCount(own, 0, MachinePlaces());
        }
    }
    RemoveTree(windows);
    RemoveTree(profile);
}

// Where a run may act for a book of the current user: anywhere its rights
// allow without elevation (they are the user's own) and for a book of the
// machine (whose entry administrators alone write); with elevation, only
// strictly below the user's profile, told by whole names, never by a path
// that climbs out, and nowhere when the system names no profile. Under Wine
// every run is elevated: the rule is shown here as a table.
TEST(InstallRecord, AnElevatedRunForTheUsersBookActsOnlyBelowTheProfile) {
    const InstallScope machine = InstallScope::Machine, user = InstallScope::CurrentUser;
    const std::string me = "C:\\users\\me";
    const struct {
        InstallScope scope;
        bool elevated;
        std::string profile, path;
        bool bound, may;
    } rows[] = {
        {machine, true, me, "C:\\WINDOWS\\ZANDEL.INI", false, true},
        {machine, false, me, "C:\\WINDOWS\\ZANDEL.INI", false, true},
        {user, false, me, "C:\\WINDOWS\\ZANDEL.INI", false, true},
        {user, false, "", "D:\\Books\\Zandel\\a.c", false, true},
        {user, true, me, "C:\\users\\me\\Books\\a.c", true, true},
        {user, true, me, "c:\\USERS\\ME\\Desktop\\Zandel.lnk", true, true},
        {user, true, me + "\\", "C:\\users\\me\\a.c", true, true},
        {user, true, me, "C:\\WINDOWS\\ZANDEL.INI", true, false},
        {user, true, me, "D:\\Books\\Zandel\\a.c", true, false},
        {user, true, me, "C:\\users\\me", true, false},
        {user, true, me, "C:\\users\\me\\", true, false},
        {user, true, me, "C:\\users\\meAndYou\\a.c", true, false},
        {user, true, me, "C:\\users\\me2\\a.c", true, false},
        {user, true, me, "C:\\users\\me\\..\\..\\WINDOWS\\ZANDEL.INI", true, false},
        {user, true, me, "C:\\users\\me\\.\\a.c", true, false},
        {user, true, me, "\\\\?\\C:\\users\\me\\a.c", true, false},
        {user, true, me, "C:\\users\\me\\a.c:stream", true, false},
        {user, true, "", "C:\\users\\me\\a.c", true, false},
    };
    for (const auto& row : rows) {
        ScopePlaces places = PlacesFor(row.scope, row.elevated);
        places.userProfile = row.profile;
        const std::string name = std::string(row.scope == machine ? "machine" : "user") +
                                 (row.elevated ? ", elevated, " : ", unelevated, ") + row.profile + ": " + row.path;
        EXPECT_EQ(BoundToProfile(places), row.bound) << name;
        EXPECT_EQ(MayActAt(places, row.path), row.may) << name;
    }
}
}  // namespace
