// The removal of what a record names: every recorded drive there, a held
// file asked about after each Retry, the running uninstaller that cannot move
// aside, the removal acting only through the door, and a record file deleted
// only where setup keeps them.
#include "record/InstallRecord.h"
#include "journal/JournalTrust.h"
#include "record/RecordedWays.h"
#include "record/RecordedFiles.h"
#include "record/RecordFile.h"
#include "record/SharedFiles.h"
#include "uninstall/Removal.h"

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
// A book whose files lie on more than one drive is removed only with every
// one of them there: a script's copy on a second drive that is away stops the
// removal as the install folder's drive would, and nothing is changed.
TEST(InstallRecord, EveryRecordedDriveMustBeThereForTheRemoval) {
    std::string book = MakeTestFolder("removal-drives");
    ASSERT_TRUE(WriteWholeFile(book + "\\a.c", "a"));
    char away = AbsentDrive();
    ASSERT_NE(away, 0);
    InstallRecord record{book, {*FileEntryNow(book + "\\a.c"), Folder(book)}};
    record.entries.push_back(File(std::string(1, away) + ":\\SYSTEM\\SHARED.DLL", 1, "s"));
    EXPECT_FALSE(RecordedDrivesThere(record));
    RemovalResult result = RemoveRecorded(record, "", MachinePlaces());
    EXPECT_TRUE(result.driveAway);
    EXPECT_FALSE(result.everythingRemoved);
    EXPECT_EQ(FileContent(book + "\\a.c"), "a") << "nothing changed while a drive is away";
    EXPECT_EQ(result.left, record);

    record.entries.pop_back();
    EXPECT_TRUE(RecordedDrivesThere(record));
    result = RemoveRecorded(record, "", MachinePlaces());
    EXPECT_TRUE(result.everythingRemoved);
    EXPECT_FALSE(FileExists(book)) << "removed with every drive there";
}

// A recorded file another program holds: the reader is asked again after
// each Retry while it is held (the second Retry too), and the file goes once
// it is let go; refused, it stays as a file that could not go.
TEST(InstallRecord, ARecordedFileHeldOpenIsAskedAboutAfterEveryRetry) {
    const std::string book = MakeTestFolder("removal-held");
    for (bool letGo : {true, false}) {
        ASSERT_TRUE(WriteWholeFile(book + "\\a.c", "a"));
        const InstallRecord record{book, {*FileEntryNow(book + "\\a.c"), Folder(book)}};
        HANDLE held = CreateFileA((book + "\\a.c").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        int asked = 0;
        RemovalResult result = RemoveRecorded(record, "", MachinePlaces(), [&](const std::string& path) {
            EXPECT_EQ(path, book + "\\a.c");
            // Retry twice; let go before the second only when the reader does.
            if (++asked == 2 && letGo) CloseHandle(std::exchange(held, INVALID_HANDLE_VALUE));
            return asked <= 2;
        });
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        EXPECT_EQ(asked, letGo ? 2 : 3) << letGo;
        EXPECT_EQ(result.everythingRemoved, letGo);
        EXPECT_EQ(result.failed, !letGo);
        EXPECT_EQ(FileExists(book), !letGo);
    }
    RemoveTree(book);
}

// The last book's removal by the uninstaller that is running, where it cannot
// even be moved aside (held open): it stays with its count and the book's
// entry for the next removal, and its own name is never left to be deleted
// at the next start, when a book installed meanwhile keeps its copy there.
TEST(InstallRecord, TheRunningUninstallerThatCannotMoveAsideStaysWithItsCount) {
    std::string windows = MakeTestFolder("removal-running-uninstaller");
    const std::string program = windows + "\\XOVUNIN.EXE";
    ASSERT_TRUE(WriteWholeFile(program, "uninstaller"));
    InstallRecord record{windows, {*FileEntryNow(program, RecordEntry::Kind::Uninstaller)}};
    ASSERT_TRUE(SetSharedCount(program, 1, MachinePlaces()));

    HANDLE held = CreateFileA(program.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    RemovalResult result = RemoveRecorded(record, program, MachinePlaces());
    CloseHandle(held);
    EXPECT_TRUE(result.programKept);
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(result.left, record);
    EXPECT_EQ(FileContent(program), "uninstaller");
    EXPECT_EQ(SharedCount(program, MachinePlaces()), 1u);
    EXPECT_FALSE(LeftToTheNextStart(program));
    SetSharedCount(program, 0, MachinePlaces());
    RemoveTree(windows);
}

// The removal acts through the door: each recorded file is opened by one
// name from its held folder and checked and deleted through that handle.
// - A recorded folder the reader turned into a link stays, and so does what
//   it leads to, however like setup's (an empty folder there included, which
//   the system's removal by path would take through the link).
// - A file outside the install folder is reached from its drive's root: a
//   link on its way leads nowhere, and the file behind it stays.
// - A link the reader had on the path to the install folder before setup
//   ran is theirs, followed once: the book behind it is removed whole.
// - Elevated, a user's book is walked from the profile's root: a link inside
//   the profile leading out stays shut, and a path outside is refused.
TEST(InstallRecord, TheRemovalActsOnlyThroughTheDoor) {
    const std::string root = MakeTestFolder("removal-door");
    // The install folder in a folder that stood before: the start of its way.
    const std::string book = root + "\\Place\\Book", elsewhere = root + "\\Elsewhere", windows = root + "\\Windows";
    ASSERT_TRUE(WriteWholeFile(book + "\\Chap\\a.c", "a"));
    ASSERT_TRUE(WriteWholeFile(elsewhere + "\\Table.dat", "table"));
    MakeFolders(elsewhere + "\\Sub");
    ASSERT_TRUE(WriteWholeFile(windows + "\\SYSTEM.INI", "system"));
    // Recorded as setup wrote them, then the reader's links put in their place.
    ASSERT_TRUE(WriteWholeFile(book + "\\Data\\Table.dat", "table"));
    InstallRecord record{book,
                         {*FileEntryNow(book + "\\Chap\\a.c"), *FileEntryNow(book + "\\Data\\Table.dat"),
                          Folder(book + "\\Data\\Sub"), Folder(book + "\\Data"), Folder(book + "\\Chap"), Folder(book)}};
    RemoveTree(book + "\\Data");
    ASSERT_TRUE(MakeLinuxLink(book + "\\Data", elsewhere));
    MakeFolders(root + "\\Empty");
    ASSERT_TRUE(MakeLinuxLink(book + "\\Made", root + "\\Empty"));
    record.entries.push_back(Folder(book + "\\Made"));
    ASSERT_TRUE(MakeLinuxLink(root + "\\Linked", windows));
    RecordEntry behindLink = *FileEntryNow(windows + "\\SYSTEM.INI");
    behindLink.path = root + "\\Linked\\SYSTEM.INI";
    record.entries.push_back(behindLink);

    EXPECT_EQ(RecordedWays(record, MachinePlaces()).Start(), root + "\\Place");
    RemovalResult result = RemoveRecorded(record, "", MachinePlaces());
    EXPECT_FALSE(FileExists(book + "\\Chap")) << "setup's own, removed";
    EXPECT_EQ(FileContent(elsewhere + "\\Table.dat"), "table") << "behind the reader's link";
    EXPECT_TRUE(FileExists(elsewhere + "\\Sub")) << "an empty folder behind the reader's link";
    EXPECT_TRUE(IsLink(book + "\\Data")) << "the reader's link";
    EXPECT_TRUE(IsLink(book + "\\Made")) << "the reader's link to an empty folder";
    EXPECT_TRUE(FileExists(root + "\\Empty")) << "the empty folder behind it";
    EXPECT_EQ(FileContent(windows + "\\SYSTEM.INI"), "system") << "behind a link on the way from the drive's root";
    EXPECT_TRUE(FileExists(book)) << "holding the reader's link";
    EXPECT_FALSE(result.everythingRemoved);
    EXPECT_FALSE(result.failed) << "the reader's, not a failure";
    EXPECT_TRUE(RemoveLinuxLink(book + "\\Data"));
    EXPECT_TRUE(RemoveLinuxLink(book + "\\Made"));

    // The reader's link above the install folder, there before setup ran.
    const std::string drive = root + "\\DataDrive", viaLink = root + "\\Drive\\Vol 1";
    ASSERT_TRUE(WriteWholeFile(drive + "\\Vol 1\\Part\\b.c", "b"));
    ASSERT_TRUE(MakeLinuxLink(root + "\\Drive", drive));
    InstallRecord linkedBook{viaLink,
                             {*FileEntryNow(viaLink + "\\Part\\b.c"), Folder(viaLink + "\\Part"), Folder(viaLink)}};
    EXPECT_EQ(RecordedWays(linkedBook, MachinePlaces()).Start(), root + "\\Drive");
    result = RemoveRecorded(linkedBook, "", MachinePlaces());
    EXPECT_TRUE(result.everythingRemoved) << (result.left.entries.empty() ? "" : result.left.entries[0].path);
    EXPECT_FALSE(FileExists(drive + "\\Vol 1")) << "the book behind the reader's own link";
    EXPECT_TRUE(FileExists(drive)) << "the reader's folder";
    EXPECT_TRUE(RemoveLinuxLink(root + "\\Drive"));

    // Elevated, for a user whose profile holds a link to the Windows folder.
    const std::string profile = root + "\\Profile", userBook = profile + "\\Books\\Zandel";
    ScopePlaces user = PlacesFor(InstallScope::CurrentUser, true);
    user.userProfile = profile;
    ASSERT_TRUE(WriteWholeFile(userBook + "\\c.c", "c"));
    ASSERT_TRUE(MakeLinuxLink(profile + "\\Out", windows));
    RecordEntry outThroughLink = *FileEntryNow(windows + "\\SYSTEM.INI"), outside = outThroughLink;
    outThroughLink.path = profile + "\\Out\\SYSTEM.INI";
    // The user's uninstaller, which this book alone counts on: it stays
    // while the entry does, for the user's own removal.
    const std::string program = profile + "\\Book Setup\\XOVUNIN.EXE";
    ASSERT_TRUE(WriteWholeFile(program, "uninstaller"));
    ASSERT_TRUE(SetSharedCount(program, 1, user));
    MakeFolders(windows + "\\Fonts");
    InstallRecord usersBook{userBook,
                            {*FileEntryNow(userBook + "\\c.c"), outThroughLink, outside, Folder(userBook),
                             Folder(windows + "\\Fonts"), *FileEntryNow(program, RecordEntry::Kind::Uninstaller)}};
    EXPECT_EQ(RecordedWays(usersBook, user).Start(), profile);
    result = RemoveRecorded(usersBook, "", user);
    EXPECT_FALSE(FileExists(userBook)) << "the user's book below the profile";
    EXPECT_EQ(FileContent(windows + "\\SYSTEM.INI"), "system") << "neither through the link nor by its path";
    EXPECT_TRUE(FileExists(windows + "\\Fonts")) << "an empty folder outside the profile";
    EXPECT_EQ(FileContent(program), "uninstaller");
    EXPECT_EQ(SharedCount(program, user), 1u);
    EXPECT_EQ(result.outsideProfile, (std::vector<std::string>{outside.path, windows + "\\Fonts"}));
    EXPECT_EQ(result.left.entries, (std::vector<RecordEntry>{outThroughLink, outside, usersBook.entries[4],
                                                             usersBook.entries[5]}));
    EXPECT_FALSE(result.failed);
    EXPECT_TRUE(result.KeepsEntry());
    SetSharedCount(program, 0, user);
    EXPECT_TRUE(RemoveLinuxLink(profile + "\\Out"));
    EXPECT_TRUE(RemoveLinuxLink(root + "\\Linked"));
    RemoveTree(root);
}

// A record file is setup's only in setup's folder for them, under setup's
// name: an entry (which anyone may write under HKEY_CURRENT_USER) naming
// any other file never has it deleted.
TEST(InstallRecord, ARecordFileIsDeletedOnlyWhereSetupKeepsThem) {
    const std::string digits = "0123456789ABCDEF", hash(64, 'a');
    const struct {
        std::string path;
        bool setups;
    } rows[] = {
        {"C:\\WINDOWS\\XOVUNIN-" + digits + ".REC", true},
        {"C:\\WINDOWS\\XOVUNIN-" + digits + "-" + hash + ".REC", true},
        {"c:\\windows\\xovunin-0123456789abcdef.rec", true},
        {"C:\\WINDOWS\\XOVUNIN-" + digits + "-" + hash + "0.REC", false},
        {"C:\\WINDOWS\\XOVUNIN-0123456789ABCDE.REC", false},
        {"C:\\WINDOWS\\XOVUNIN-0123456789ABCDEF0.REC", false},
        {"C:\\WINDOWS\\XOVUNIN-0123456789ABCDEG.REC", false},
        {"C:\\WINDOWS\\XOVUNIN-" + digits + ".REC.EXE", false},
        {"C:\\WINDOWS\\system32\\XOVUNIN-" + digits + ".REC", false},
        {"D:\\WINDOWS\\XOVUNIN-" + digits + ".REC", false},
        {"C:\\WINDOWS\\win.ini", false},
    };
    for (const auto& row : rows) EXPECT_EQ(IsRecordFileIn(row.path, "C:\\WINDOWS"), row.setups) << row.path;
    EXPECT_FALSE(IsRecordFileIn("C:\\XOVUNIN-" + digits + ".REC", "")) << "no folder for them";

    const std::string folder = MakeTestFolder("record-files"), elsewhere = MakeTestFolder("record-files-elsewhere");
    const std::string record = folder + "\\XOVUNIN-" + digits + ".REC";
    ASSERT_TRUE(WriteWholeFile(record, "record"));
    ASSERT_TRUE(WriteWholeFile(folder + "\\win.ini", "the reader's"));
    ASSERT_TRUE(WriteWholeFile(elsewhere + "\\XOVUNIN-" + digits + ".REC", "another folder's"));
    EXPECT_FALSE(DeleteRecordFile(folder + "\\win.ini", folder));
    EXPECT_FALSE(DeleteRecordFile(elsewhere + "\\XOVUNIN-" + digits + ".REC", folder));
    MakeFolders(folder + "\\XOVUNIN-FEDCBA9876543210.REC");
    EXPECT_FALSE(DeleteRecordFile(folder + "\\XOVUNIN-FEDCBA9876543210.REC", folder)) << "a folder at the name";
    EXPECT_FALSE(WriteRecordFile(folder + "\\XOVUNIN-FEDCBA9876543210.REC", "record")) << "a folder at the name";
    EXPECT_TRUE(FileExists(folder + "\\XOVUNIN-FEDCBA9876543210.REC"));
    EXPECT_FALSE(FileExists(folder + "\\XOVUNIN-FEDCBA9876543210.REC.NEW")) << "the new file left beside it";
    // The folder itself a link: what is behind it is not setup's, and stays.
    const std::string linkedFolder = folder + "\\Linked";
    ASSERT_TRUE(MakeLinuxLink(linkedFolder, elsewhere));
    EXPECT_FALSE(DeleteRecordFile(linkedFolder + "\\XOVUNIN-" + digits + ".REC", linkedFolder)) << "the folder a link";
    EXPECT_TRUE(RemoveLinuxLink(linkedFolder));
    EXPECT_TRUE(DeleteRecordFile(record, folder));
    EXPECT_FALSE(FileExists(record));
    EXPECT_EQ(FileContent(folder + "\\win.ini"), "the reader's");
    EXPECT_EQ(FileContent(elsewhere + "\\XOVUNIN-" + digits + ".REC"), "another folder's");
    // Written anew: a second name of another file at the name a record is
    // first written under is taken away, never written through.
    ASSERT_TRUE(WriteWholeFile(elsewhere + "\\precious.ini", "the system's"));
    ASSERT_TRUE(CreateHardLinkA((record + ".NEW").c_str(), (elsewhere + "\\precious.ini").c_str(), nullptr));
    EXPECT_TRUE(WriteRecordFile(record, "record"));
    EXPECT_EQ(FileContent(elsewhere + "\\precious.ini"), "the system's");
    EXPECT_EQ(FileContent(record), "record");
    // ... nor is one at the record's own name.
    ASSERT_TRUE(DeleteFileA(record.c_str()));
    ASSERT_TRUE(CreateHardLinkA(record.c_str(), (elsewhere + "\\precious.ini").c_str(), nullptr));
    EXPECT_TRUE(WriteRecordFile(record, "record again"));
    EXPECT_EQ(FileContent(elsewhere + "\\precious.ini"), "the system's");
    EXPECT_EQ(FileContent(record), "record again");
    EXPECT_FALSE(FileExists(record + ".NEW"));
    // A link on the way to the folder (a user's "Book Setup" below a folder
    // the user swapped for a link): nothing behind it written or deleted.
    const std::string behind = elsewhere + "\\Book Setup\\XOVUNIN-" + digits + ".REC";
    ASSERT_TRUE(WriteWholeFile(behind, "another folder's"));
    ASSERT_TRUE(MakeLinuxLink(folder + "\\Local", elsewhere));
    const std::string throughLink = folder + "\\Local\\Book Setup\\XOVUNIN-" + digits + ".REC";
    EXPECT_FALSE(WriteRecordFile(throughLink, "record"));
    EXPECT_FALSE(DeleteRecordFile(throughLink, folder + "\\Local\\Book Setup"));
    EXPECT_EQ(FileContent(behind), "another folder's");
    EXPECT_EQ(ListingOrder(elsewhere + "\\Book Setup").size(), 1u);
    EXPECT_TRUE(RemoveLinuxLink(folder + "\\Local"));
    RemoveTree(folder);
    RemoveTree(elsewhere);
}
}  // namespace
