// Which journals a run may carry out and where: the trust rule, the rights of
// the machine's journals' folder, the owners an elevated run trusts, and the
// run's own folders a step stays inside.
#include "journal/JournalTrust.h"
#include "journal/RunFolders.h"

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "TestFiles.h"
#include "InstallRecordTestSupport.h"

using namespace record_test;

namespace {
// The owner and rights of the path as the system reads them back, in SDDL.
std::string RightsOf(const std::string& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return "<unreadable>";
    char* text = nullptr;
    std::string rights = "<unconvertible>";
    if (ConvertSecurityDescriptorToStringSecurityDescriptorA(
            descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr)) {
        rights = text;
        LocalFree(text);
    }
    LocalFree(descriptor);
    return rights;
}

// Elevation is a boundary: an elevated run carries out only journals of the
// machine's folder with setup's rights, in files of the system or the
// Administrators (as the system records what setup makes); a run without
// elevation only those of the user's own folder. The same user unelevated
// can write anything of the user's: the elevated run never trusts it. The
// rows are the standings a run meets: the rule is asked of a folder only
// (what stands at the folder's name otherwise is never asked about), the run
// is elevated exactly when its place is the machine's, and the names of a
// journal that is not there are not counted.
TEST(RunJournal, TheTrustRule) {
    constexpr PathKind kFolder = PathKind::Folder, kFile = PathKind::File, kLink = PathKind::Link,
                       kMissing = PathKind::Missing;
    constexpr Owner kSystem = Owner::System, kAdmins = Owner::Administrators, kMade = Owner::AsSetupMakes,
                    kUser = Owner::ThisUser, kOther = Owner::Other;
    constexpr bool kElevated = true, kUnelevated = false, kMachine = true, kUsers = false, kSetups = true,
                   kOpen = false;
    const struct {
        const char* name;
        JournalStanding standing;
        bool carriedOut;
    } rows[] = {
        {"elevated: the system's journal", {kElevated, kMachine, kFolder, kAdmins, kSetups, kFile, kSystem}, true},
        {"elevated: the Administrators'", {kElevated, kMachine, kFolder, kAdmins, kSetups, kFile, kAdmins}, true},
        {"elevated: as setup's are recorded", {kElevated, kMachine, kFolder, kMade, kSetups, kFile, kMade}, true},
        {"elevated: the same user's, unelevated", {kElevated, kMachine, kFolder, kAdmins, kSetups, kFile, kUser}, false},
        {"elevated: another user's", {kElevated, kMachine, kFolder, kAdmins, kSetups, kFile, kOther}, false},
        {"elevated: the journal a link", {kElevated, kMachine, kFolder, kAdmins, kSetups, kLink, kAdmins}, false},
        {"elevated: the journal a folder", {kElevated, kMachine, kFolder, kAdmins, kSetups, kFolder, kAdmins}, false},
        {"elevated: a folder the user made", {kElevated, kMachine, kFolder, kUser, kSetups, kFile, kAdmins}, false},
        {"elevated: another user's folder", {kElevated, kMachine, kFolder, kOther, kSetups, kFile, kAdmins}, false},
        {"elevated: rights not setup's", {kElevated, kMachine, kFolder, kAdmins, kOpen, kFile, kAdmins}, false},
        {"elevated: the folder alone", {kElevated, kMachine, kFolder, kSystem, kSetups, kMissing, kOther}, true},
        {"elevated: the folder alone, open", {kElevated, kMachine, kFolder, kSystem, kOpen, kMissing, kOther}, false},
        {"unelevated: the user's own", {kUnelevated, kUsers, kFolder, kUser, kOpen, kFile, kUser}, true},
        {"unelevated: the system's, in the user's", {kUnelevated, kUsers, kFolder, kUser, kOpen, kFile, kSystem}, true},
        {"unelevated: another user's", {kUnelevated, kUsers, kFolder, kUser, kOpen, kFile, kOther}, false},
        {"unelevated: another user's folder", {kUnelevated, kUsers, kFolder, kOther, kOpen, kFile, kUser}, false},
        {"unelevated: the journal a link", {kUnelevated, kUsers, kFolder, kUser, kOpen, kLink, kUser}, false},
        // A second name (a hard link) may lie where others write; names that cannot be counted say nothing.
        {"elevated: a journal of two names", {kElevated, kMachine, kFolder, kAdmins, kSetups, kFile, kAdmins, 2}, false},
        {"elevated: names not counted", {kElevated, kMachine, kFolder, kAdmins, kSetups, kFile, kSystem, 0}, false},
        {"unelevated: a journal of two names", {kUnelevated, kUsers, kFolder, kUser, kOpen, kFile, kUser, 2}, false},
    };
    for (const auto& row : rows) EXPECT_EQ(MayCarryOut(row.standing), row.carriedOut) << row.name;
}

// What stands at a journal's or its folder's name, by its mark and tag: a
// link by the one rule of what a link is (a tag not told is one), any other
// reparse point (a cloud service's placeholder, a deduplicated file) never a
// folder or a journal of setup's either. Wine makes neither a mount point nor
// another kind: the rule as a table.
TEST(RunJournal, WhatStandsAtANameByItsMarkAndTag) {
    constexpr DWORD kFolder = FILE_ATTRIBUTE_DIRECTORY, kReparse = FILE_ATTRIBUTE_REPARSE_POINT;
    const struct {
        DWORD attributes, tag;
        PathKind kind;
    } rows[] = {
        {kFolder, 0, PathKind::Folder},
        {FILE_ATTRIBUTE_ARCHIVE, 0, PathKind::File},
        {FILE_ATTRIBUTE_NORMAL, 0, PathKind::File},
        {kFolder | kReparse, IO_REPARSE_TAG_MOUNT_POINT, PathKind::Link},
        {kFolder | kReparse, IO_REPARSE_TAG_SYMLINK, PathKind::Link},
        {kReparse, IO_REPARSE_TAG_SYMLINK, PathKind::Link},
        {kFolder | kReparse, 0, PathKind::Link},
        {kFolder | kReparse, 0x9000601Au, PathKind::OtherReparsePoint},
        {kReparse, 0x80000013u, PathKind::OtherReparsePoint},
        {kFolder, IO_REPARSE_TAG_SYMLINK, PathKind::Folder},
    };
    for (const auto& row : rows)
        EXPECT_EQ(KindOfEntry(row.attributes, row.tag), row.kind) << std::hex << row.attributes << " " << row.tag;
}

// The machine's journals' folder holds setup's rights only while nothing is
// inherited and nobody but the system and the Administrators may change what
// it holds: reading, and a right denied, change nothing.
TEST(RunJournal, TheRightsThatAreSetups) {
    const std::string root = MakeTestFolder("journal-rights");
    const OwnerJudge judge(JournalPlace(root + "\\Journals", true));
    // The user the run belongs to: unelevated, the same user writes whatever
    // it may. (Wine records what an elevated run makes as that user's, so the
    // user's rows are judged as by a run that tells the two apart.)
    const OwnerJudge userApart(JournalPlace(root + "\\Journals", false));
    std::string user;
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    BYTE buffer[256];
    DWORD size = 0;
    char* sid = nullptr;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid)) {
        user = sid;
        LocalFree(sid);
    }
    CloseHandle(token);
    ASSERT_EQ(user.rfind("S-1-5-", 0), 0u) << user;
    // `othersWrite`: whatever inherits, someone but the system and the
    // Administrators may change what the folder holds (its journals then
    // are not the run's, even once the rights are made setup's).
    const struct {
        std::string rights;
        bool setups;
        bool othersWrite;
    } rows[] = {
        {"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)", true, false},
        {"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;WD)(D;OICI;FA;;;AN)", true, false},
        {"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)", false, false},        // inherited from above
        {"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x2;;;BU)", false, true},     // Users may add a file
        {"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x4;;;BU)", false, true},     // ... or a folder
        {"D:P(A;OICI;FA;;;SY)(A;OICI;0x1301bf;;;AU)", false, true},               // Authenticated Users: Modify
        {"D:P(A;OICI;FA;;;SY)(A;OICI;GW;;;WD)", false, true},
        {"D:P(A;OICI;FA;;;SY)(A;OICI;GA;;;BU)", false, true},                     // Users: everything
        {"D:(A;OICI;FA;;;SY)(A;OICI;GA;;;BU)", false, true},
        {"D:P(A;OICI;FA;;;SY)(A;OICI;0x2000000;;;BU)", false, true},              // as much as may be
        {"D:P(A;OICI;FA;;;SY)(A;OICI;WD;;;BU)", false, true},                     // may change the rights
        {"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;CO)", false, true},                     // whoever made a file
        {"D:NO_ACCESS_CONTROL", false, true},
        {"D:P(A;OICI;FA;;;SY)(A;OICI;0x2;;;" + user + ")", false, true},  // the user may add a file
        {"D:P(A;OICI;FA;;;SY)(A;OICI;FR;;;" + user + ")", true, false},
    };
    for (const auto& row : rows) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(
            ConvertStringSecurityDescriptorToSecurityDescriptorA(row.rights.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
            << row.rights;
        const OwnerJudge& which = row.rights.find(user) == std::string::npos ? judge : userApart;
        EXPECT_EQ(which.RightsAreSetups(descriptor), row.setups) << row.rights;
        // No list at all on Windows, an empty one as Wine reads the words: see below.
        if (row.rights != "D:NO_ACCESS_CONTROL")
            EXPECT_EQ(which.OthersMayWrite(descriptor), row.othersWrite) << row.rights;
        LocalFree(descriptor);
    }
    // A descriptor without a list lets everyone do everything.
    SECURITY_DESCRIPTOR bare;
    ASSERT_TRUE(InitializeSecurityDescriptor(&bare, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&bare, TRUE, nullptr, FALSE));
    EXPECT_TRUE(judge.OthersMayWrite(&bare));
    EXPECT_FALSE(judge.RightsAreSetups(&bare));
    // An entry of a kind that allows on a condition may allow Users to add a file.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;FA;;;SY)(A;OICI;0x2;;;BU)",
                                                                     SDDL_REVISION_1, &descriptor, nullptr));
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    ACE_HEADER* users = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) && acl);
    ASSERT_TRUE(GetAce(acl, 1, reinterpret_cast<void**>(&users)));
    users->AceType = ACCESS_ALLOWED_CALLBACK_ACE_TYPE;
    EXPECT_FALSE(judge.RightsAreSetups(descriptor));
    EXPECT_TRUE(judge.OthersMayWrite(descriptor));
    LocalFree(descriptor);
    RemoveTree(root);
}

// Whose an owner is, for trusting: an elevated run never takes its user's
// own SID for its own, unless the system records that user as the owner of
// the system folder itself (one owner for everything: Wine). A run without
// elevation knows its user as such. (Wine has no other owners: a table.)
TEST(RunJournal, AnElevatedRunNeverTrustsItsUsersOwnSid) {
    HANDLE token = nullptr;
    BYTE buffer[256];
    DWORD size = 0;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
                GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size));
    CloseHandle(token);
    PSID user = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, admins = nullptr, another = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidA("BA", &admins) && ConvertStringSidToSidA("S-1-5-21-1-2-3-1001", &another));
    const struct {
        bool elevated, userOwnsSystemFolder;
        PSID sid;
        Owner owner;
    } rows[] = {
        {true, false, user, Owner::ThisUser},         {true, true, user, Owner::AsSetupMakes},
        {true, false, admins, Owner::Administrators}, {true, true, another, Owner::Other},
        {false, true, user, Owner::ThisUser},         {false, false, another, Owner::Other},
    };
    for (const auto& row : rows) {
        const Owner owner = OwnerJudge(JournalPlace("C:\\J", row.elevated), row.userOwnsSystemFolder).Judge(row.sid);
        EXPECT_EQ(owner, row.owner) << row.elevated << row.userOwnsSystemFolder;
    }
    LocalFree(admins);
    LocalFree(another);
}

// A journal names only the run's own folders: what it installs into and what
// is below it, and the folders made on the way there. Anything else is
// refused, whoever wrote it.
TEST(RunJournal, AStepStaysInsideTheRunsFolders) {
    using Kind = JournalStep::Kind;
    const std::string book = "C:\\Zandel\\Book";
    const struct {
        Kind kind;
        const char* path;
        const char* kept;
        bool inside;
    } rows[] = {
        {Kind::NewFile, "C:\\Zandel\\Book\\A.TXT", "", true},
        {Kind::NewFile, "c:\\zandel\\book\\Sub\\a.txt", "", true},
        {Kind::NewFile, "C:\\Zandel\\Book", "", false},
        {Kind::NewFile, "C:\\Zandel\\BookEnd\\A.TXT", "", false},
        {Kind::NewFile, "C:\\WINDOWS\\system32\\shell32.dll", "", false},
        {Kind::NewFile, "C:\\Zandel\\Book\\..\\..\\WINDOWS\\win.ini", "", false},
        {Kind::NewFile, "C:\\Zandel\\Book\\.. \\.. \\WINDOWS\\win.ini", "", false},
        {Kind::NewFile, "C:\\Zandel\\Book\\..  \\WINDOWS\\win.ini", "", false},
        {Kind::NewFile, "C:\\Zandel\\Book\\. .\\A.TXT", "", false},
        {Kind::NewFile, "C:\\Zandel\\Book\\...\\A.TXT", "", false},
        {Kind::NewFile, "C:\\Zandel\\Book\\.. A\\A.TXT", "", true},
        {Kind::NewFile, "C:\\Zandel\\Book\\.\\A.TXT", "", false},
        {Kind::NewFile, "C:\\Zandel\\Book\\A.TXT:hidden", "", false},
        {Kind::NewFile, "C:\\Zandel\\Book/../../WINDOWS/win.ini", "", false},
        {Kind::NewFile, "\\\\?\\C:\\Zandel\\Book\\A.TXT", "", false},
        {Kind::NewFile, "C:\\Zandel\\Book\\\\A.TXT", "", false},
        {Kind::NewFile, "Book\\A.TXT", "", false},
        {Kind::Kept, "C:\\Zandel\\Book\\A.TXT", "C:\\Zandel\\Book\\A.TXT.~sx0000ABCD.tmp", true},
        {Kind::Kept, "C:\\Zandel\\Book\\A.TXT", "C:\\WINDOWS\\win.ini", false},
        {Kind::Kept, "C:\\WINDOWS\\win.ini", "C:\\Zandel\\Book\\~sx0001.tmp", false},
        {Kind::Folder, "C:\\Zandel\\Book\\Sub", "", true},
        {Kind::Folder, "C:\\Zandel\\Book", "", true},
        {Kind::Folder, "C:\\Zandel", "", true},
        {Kind::Folder, "C:\\Zandel\\Other", "", false},
        {Kind::Folder, "C:\\WINDOWS", "", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(InsideRunFolders({row.kind, row.path, row.kept}, book), row.inside) << row.path << " " << row.kept;
    EXPECT_FALSE(InsideRunFolders({Kind::NewFile, "C:\\A.TXT", ""}, "")) << "a journal without its folder";
    EXPECT_FALSE(InsideRunFolders({Kind::NewFile, "C:\\Book\\..\\A.TXT", ""}, "C:\\Book\\..")) << "nor a climbing one";
    EXPECT_TRUE(InsideRunFolders({Kind::NewFile, "\\\\server\\books\\Zandel\\A.TXT", ""}, "\\\\server\\books\\Zandel"));
    EXPECT_TRUE(InsideRunFolders({Kind::NewFile, "D:\\A.TXT", ""}, "D:\\")) << "a drive's root";

    // Where the run's way starts, when the journal says: the folders made on
    // the way lie below it (itself is left alone as one that stood).
    const std::string start = "C:\\Zandel";
    EXPECT_TRUE(InsideRunFolders({Kind::Folder, "C:\\Zandel\\Book", ""}, book, start));
    EXPECT_TRUE(InsideRunFolders({Kind::Folder, "C:\\Zandel\\Book\\Sub", ""}, book, start));
    EXPECT_TRUE(InsideRunFolders({Kind::Folder, "c:\\zandel", ""}, book, start));
    EXPECT_FALSE(InsideRunFolders({Kind::Folder, "C:\\", ""}, book, start)) << "above the start";
    EXPECT_FALSE(InsideRunFolders({Kind::Folder, "C:\\Zandel", ""}, book, "C:\\Zandel\\Book"));
    EXPECT_TRUE(InsideRunFolders({Kind::NewFile, "C:\\Zandel\\Book\\A.TXT", ""}, book, start));
    const struct {
        const char* start;
        bool onTheWay;
    } starts[] = {
        {"", true},  // an earlier setup's journal: its install folder
        {"C:\\Zandel\\Book", true},
        {"c:\\zandel", true},
        {"C:\\", true},
        {"C:\\Zandel\\Book\\Sub", false},
        {"C:\\Zand", false},
        {"C:\\Other", false},
        {"D:\\Zandel", false},
        {"C:\\Zandel\\..\\Zandel", false},
        {"Zandel", false},
        {"\\\\?\\C:\\Zandel", false},
    };
    for (const auto& row : starts)
        EXPECT_EQ(StartOnTheWay({row.start, std::nullopt}, book), row.onTheWay) << row.start;
    EXPECT_FALSE(StartOnTheWay({"C:\\", std::nullopt}, "C:\\Zandel\\..\\Book")) << "nor for a climbing folder";
}

// The machine's journals' folder is made with rights of its own: owned by
// the Administrators, the system and the Administrators in full, Users
// reading, nothing inherited (as the system reads those rights); read back
// from the disk, it grants everyone else nothing. A file or a link at its
// name is moved aside, never entered, and setup makes its own; the log
// hears of it.
TEST(RunJournal, TheJournalsFolderIsSetupsOwn) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(kJournalFolderRights, SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    PSID owner = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(descriptor, &owner, &defaulted));
    EXPECT_TRUE(owner && IsWellKnownSid(owner, WinBuiltinAdministratorsSid));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "nothing inherited";
    PACL acl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted));
    ASSERT_TRUE(present && acl);
    ASSERT_EQ(acl->AceCount, 3u);
    const struct {
        WELL_KNOWN_SID_TYPE who;
        ACCESS_MASK rights;
    } aces[] = {{WinLocalSystemSid, FILE_ALL_ACCESS}, {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS},
                {WinBuiltinUsersSid, FILE_GENERIC_READ}};
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(acl, i, reinterpret_cast<void**>(&ace)));
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE) << i;
        EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) << i;
        EXPECT_TRUE(IsWellKnownSid(&ace->SidStart, aces[i].who)) << i;
        EXPECT_EQ(ace->Mask, aces[i].rights) << i;
    }
    LocalFree(descriptor);

    const std::string root = MakeTestFolder("journal-folders");
    const JournalPlace place(root + "\\Journals", true);
    const std::string made = MakeOwnJournalFolder(place, OwnerJudge(place), nullptr);
    EXPECT_EQ(made, root + "\\Journals");
    // Everyone may at most read (a system that keeps coarse rights reads some back).
    const std::string rights = RightsOf(made);
    for (size_t at = rights.find(";;;WD)"); at != std::string::npos; at = rights.find(";;;WD)", at + 1)) {
        const std::string mask = rights.substr(rights.rfind(';', at - 1) + 1, at - rights.rfind(';', at - 1) - 1);
        EXPECT_TRUE(mask == "FR" || mask == "0x1200a9") << rights;
    }
    EXPECT_NE(RightsOf(root).find(";;;WD)"), std::string::npos) << "a folder made as usual grants everyone reading";

    ASSERT_TRUE(WriteWholeFile(root + "\\A File", "not a folder"));
    MakeFolders(root + "\\Elsewhere");
    ASSERT_TRUE(MakeLinuxLink(root + "\\A Link", root + "\\Elsewhere"));
    const struct {
        const char* name;
        const char* madeAt;
        const char* note;
    } takenBy[] = {
        {"A File", "", " was not setup's own: it is moved aside to "},
        {"A Link", " 2", " is not setup's own (a link): no journal is kept in it."},
    };
    for (const auto& taken : takenBy) {
        std::vector<std::string> notes;
        const JournalPlace place(root + "\\" + taken.name, true);
        const OwnerJudge judge(place);
        EXPECT_EQ(OwnJournalFolders(place, judge), std::vector<std::string>{}) << taken.name;
        const std::string made = MakeOwnJournalFolder(place, judge, &notes);
        EXPECT_EQ(made, place.folder + taken.madeAt) << taken.name;
        ASSERT_FALSE(notes.empty()) << taken.name;
        EXPECT_EQ(notes[0].rfind(place.folder + taken.note, 0), 0u) << notes[0];
        EXPECT_EQ(KindOf(made), PathKind::Folder) << taken.name;
        EXPECT_EQ(OwnJournalFolders(place, judge), std::vector<std::string>{made}) << taken.name;
    }
    EXPECT_EQ(FileContent(root + "\\A File (not setup's 1)"), "not a folder");
    EXPECT_EQ(KindOf(root + "\\A Link"), PathKind::Link) << "a link is never moved nor entered";
    EXPECT_EQ(ListingOrder(root + "\\Elsewhere"), std::vector<std::string>{}) << "nothing made behind the link";

    // Folders an earlier setup made beside a name that was not its own are
    // all still found, a free name before them or not.
    const JournalPlace earlier(root + "\\Earlier", true);
    const OwnerJudge judge(earlier);
    for (const char* beside : {" 2", " 9"}) {
        std::vector<std::string> notes;
        const std::string folder = MakeOwnJournalFolder(JournalPlace(earlier.folder + beside, true), judge, &notes);
        EXPECT_EQ(folder, earlier.folder + beside) << notes.size();
    }
    EXPECT_EQ(OwnJournalFolders(earlier, judge),
              (std::vector<std::string>{earlier.folder + " 2", earlier.folder + " 9"}));
    EXPECT_TRUE(RemoveLinuxLink(root + "\\A Link"));
    RemoveTree(root);
}
}  // namespace
