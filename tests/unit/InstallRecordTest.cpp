// The install record's text: what is written is read back as it was, a
// record of the older format is still read, and a text that is not exactly of
// either form is refused as a whole. The content's hash is SHA-256, the same
// by the system's code and by ours.
#include "engine/HashingWriter.h"
#include "record/InstallRecord.h"
#include "journal/JournalTrust.h"
#include "record/OwnFiles.h"
#include "record/ProfileBound.h"
#include "record/RecordedWays.h"
#include "record/RecordedFiles.h"
#include "record/RecordFile.h"
#include "journal/RunFolders.h"
#include "journal/RunRepair.h"
#include "record/SharedFiles.h"
#include "uninstall/Removal.h"

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "TestFiles.h"
#include "framework/CodePage.h"
#include "framework/AnsiText.h"

namespace {
ContentHash Hash(const std::string& bytes) { return HashBytes(bytes.data(), bytes.size()); }

RecordEntry File(const std::string& path, uint64_t size, const std::string& content) {
    RecordEntry entry{RecordEntry::Kind::File, path, size};
    entry.hash = Hash(content);
    return entry;
}
RecordEntry Shared(const std::string& path, uint64_t size, const std::string& content) {
    RecordEntry entry = File(path, size, content);
    entry.shared = true;
    return entry;
}
// A file as the older setup recorded it: its size and last-write time.
RecordEntry TimedFile(const std::string& path, uint64_t size, uint64_t time) {
    RecordEntry entry{RecordEntry::Kind::File, path, size};
    entry.writeTime = time;
    return entry;
}
RecordEntry Folder(const std::string& path) { return {RecordEntry::Kind::Folder, path}; }
RecordEntry Shortcut(const std::string& path, uint64_t size, const std::string& content) {
    RecordEntry entry{RecordEntry::Kind::Shortcut, path, size};
    entry.hash = Hash(content);
    return entry;
}
RecordEntry OlderShortcut(const std::string& path) { return {RecordEntry::Kind::Shortcut, path}; }

InstallRecord Sample() {
    return {"C:\\Zandel",
            {File("C:\\Zandel\\Chap 1\\Hello.c", 0, ""),
             File("C:\\Zandel\\Big.dat", 0xFFFFFFFFFFFFFFFFull, "big"),
             Shared("C:\\WINDOWS\\ZANDEL.INI", 4294967296ull, "ini"),
             // Kept from an older setup's record by a second run.
             TimedFile("C:\\Zandel\\Old.c", 7, 0x01D9ABCDEF012345ull), Folder("C:\\Zandel\\Chap 1"),
             Folder("C:\\Zandel"), Shortcut("C:\\users\\me\\Desktop\\Zandel Companion Files.Lnk", 1234, "link"),
             OlderShortcut("C:\\users\\me\\Desktop\\Zandel Files.Lnk")}};
}

TEST(InstallRecord, ReadsBackWhatItWrote) {
    const InstallRecord records[] = {
        Sample(), InstallRecord{"D:\\", {}},
        InstallRecord{"C:\\" + std::string(255, 'x'), {File("C:\\" + std::string(256, 'y'), 1, "y")}}};
    for (const InstallRecord& record : records) {
        std::optional<InstallRecord> read = ParseRecord(FormatRecord(record));
        ASSERT_TRUE(read) << FormatRecord(record);
        EXPECT_EQ(*read, record);
    }
    // SHA-256 of "abc", of the standard's own examples.
    const std::string abc = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
    InstallRecord record{"C:\\Book",
                         {File("C:\\Book\\a b.c", 3, "abc"), Shared("C:\\WINDOWS\\A.INI", 3, "abc"),
                          TimedFile("C:\\Book\\old.c", 12, 0x1A), Folder("C:\\Book"),
                          Shortcut("C:\\Desk\\Book.Lnk", 3, "abc"), OlderShortcut("C:\\Desk\\Old.Lnk"),
                          {RecordEntry::Kind::Uninstaller, "C:\\WINDOWS\\XOVUNIN.EXE"},
                          {RecordEntry::Kind::Kept, "C:\\Book\\b.c.~sx0000ABCD.tmp"}}};
    record.entries[0].writeTime = 0x01DB2C3D4E5F6071ull;
    EXPECT_EQ(FormatRecord(record),
              "XOVUNIN INSTALL RECORD 3\r\nI\tC:\\Book\r\n"
              "F\t3\t" + abc + "\t01DB2C3D4E5F6071\tC:\\Book\\a b.c\r\n"
              "C\t3\t" + abc + "\t0000000000000000\tC:\\WINDOWS\\A.INI\r\n"
              "F\t12\t000000000000001A\tC:\\Book\\old.c\r\n"
              "D\tC:\\Book\r\n"
              "S\t3\t" + abc + "\t0000000000000000\tC:\\Desk\\Book.Lnk\r\n"
              "S\tC:\\Desk\\Old.Lnk\r\n"
              "U\tC:\\WINDOWS\\XOVUNIN.EXE\r\n"
              "K\tC:\\Book\\b.c.~sx0000ABCD.tmp\r\n");
    EXPECT_EQ(ParseRecord(FormatRecord(record)), record);

    // The record is UTF-8 whatever the program's code page (UTF-8, or 1252 in
    // the older systems' form); the one an ANSI setup wrote is in the system's code page.
    const InstallRecord western{"C:\\" + NarrowText(L"\u00DCbungen"), {}};
    EXPECT_EQ(FormatRecord(western), "XOVUNIN INSTALL RECORD 3\r\nI\tC:\\Übungen\r\n");
    EXPECT_EQ(ParseRecord("XOVUNIN INSTALL RECORD 3\r\nI\tC:\\Übungen\r\n"), western);
    EXPECT_EQ(ParseRecord("XOVUNIN INSTALL RECORD 2\r\nI\tC:\\\xDC" "bungen\r\n"), western);
}

// A book installed by the older setup is removed by what it recorded: the
// size and time of each file, the shortcut by its name.
TEST(InstallRecord, ReadsTheOlderFormat) {
    std::optional<InstallRecord> read =
        ParseRecord("XOVUNIN INSTALL RECORD 1\r\nI\tC:\\Book\r\nF\t12\t01D9ABCDEF012345\tC:\\Book\\a.c\r\n"
                    "D\tC:\\Book\r\nS\tC:\\Desk\\Book.Lnk\r\n");
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, (InstallRecord{"C:\\Book",
                                    {TimedFile("C:\\Book\\a.c", 12, 0x01D9ABCDEF012345ull), Folder("C:\\Book"),
                                     OlderShortcut("C:\\Desk\\Book.Lnk")}}));
    const std::string hash(64, 'A');
    const std::string older = "XOVUNIN INSTALL RECORD 1\r\nI\tC:\\Book\r\n";
    // What only this setup writes is no part of the older format.
    for (const std::string& line : {"F\t1\t" + hash + "\tC:\\Book\\a.c", "C\t1\t" + hash + "\tC:\\A.INI",
                                    std::string("C\t1\t0000000000000001\tC:\\A.INI"), "S\t1\t" + hash + "\tC:\\A.Lnk",
                                    std::string("K\tC:\\Book\\a.c.~sx0000ABCD.tmp")})
        EXPECT_FALSE(ParseRecord(older + line + "\r\n").has_value()) << line;

    // The format before this one: hashes without times, no uninstaller line.
    const std::string abc = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
    read = ParseRecord("XOVUNIN INSTALL RECORD 2\r\nI\tC:\\Book\r\nF\t3\t" + abc + "\tC:\\Book\\a.c\r\nC\t3\t" + abc +
                       "\tC:\\A.INI\r\nF\t12\t01D9ABCDEF012345\tC:\\Book\\old.c\r\nS\t3\t" + abc + "\tC:\\Book.Lnk\r\n");
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, (InstallRecord{"C:\\Book",
                                    {File("C:\\Book\\a.c", 3, "abc"), Shared("C:\\A.INI", 3, "abc"),
                                     TimedFile("C:\\Book\\old.c", 12, 0x01D9ABCDEF012345ull),
                                     Shortcut("C:\\Book.Lnk", 3, "abc")}}));
    const std::string before = "XOVUNIN INSTALL RECORD 2\r\nI\tC:\\Book\r\n";
    for (const std::string& line : {"F\t3\t" + abc + "\t0000000000000001\tC:\\Book\\a.c",
                                    std::string("U\tC:\\WINDOWS\\XOVUNIN.EXE")})
        EXPECT_FALSE(ParseRecord(before + line + "\r\n").has_value()) << line;

    // A file written whole whose hash could not be made is recorded by its
    // size and time, in the form the oldest records had, and read back so.
    WrittenContent unhashed;
    unhashed.size = 12;
    unhashed.writeTime = {0xEF012345u, 0x01D9ABCDu};
    const RecordEntry entry = RecordEntryOf("C:\\Book\\a.c", unhashed);
    EXPECT_EQ(entry, TimedFile("C:\\Book\\a.c", 12, 0x01D9ABCDEF012345ull));
    EXPECT_EQ(ParseRecord(FormatRecord({"C:\\Book", {entry}})), (InstallRecord{"C:\\Book", {entry}}));
}

// The digests of the standard's examples (one block, two blocks, a million
// bytes in many), by the system's code, by ours, and of a file read in blocks.
TEST(InstallRecord, ContentHashIsSha256) {
    const struct {
        std::string bytes;
        const char* digest;
    } cases[] = {
        {"abc", "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"},
        {"", "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1"},
        {std::string(1000000, 'a'), "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0"},
        // Past one read block of the file, by a few bytes.
        {std::string(1048576 + 3, 'a'), nullptr},
    };
    std::string file = MakeTestFolder("content-hash") + "\\content.bin";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        ContentHash ours = HashBytesWithoutSystem(c.bytes.data(), c.bytes.size());
        if (c.digest) {
            EXPECT_EQ(HashText(ours), c.digest);
        }
        EXPECT_EQ(HashText(HashBytes(c.bytes.data(), c.bytes.size())), HashText(ours));
        EXPECT_EQ(HashText(HashBytes(c.bytes.data(), c.bytes.size(), HashWay::System)), HashText(ours));
        ASSERT_TRUE(WriteWholeFile(file, c.bytes));
        std::optional<RecordEntry> entry = FileEntryNow(file);
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->size, c.bytes.size());
        EXPECT_EQ(entry->hash, ours);
    }
}

// Every way agrees on every length around the 64-byte block and its
// padding, and on bytes handed over in pieces of any size (as a copy hashes
// its blocks): the fastest way is the processor's where it has one.
TEST(InstallRecord, ContentHashWaysAgreeAtEveryLength) {
    std::string bytes;
    for (int i = 0; i < 300; ++i) bytes += static_cast<char>(i * 7 + i / 5);
    for (size_t length = 0; length <= bytes.size(); ++length) {
        SCOPED_TRACE(length);
        ContentHash portable = HashBytesWithoutSystem(bytes.data(), length);
        EXPECT_EQ(HashBytes(bytes.data(), length), portable);
        EXPECT_EQ(HashBytes(bytes.data(), length, HashWay::System), portable);
        ContentHasher pieces;
        for (size_t at = 0, piece = 1; at < length; at += piece, piece = piece * 3 % 71 + 1)
            pieces.Add(bytes.data() + at, std::min(piece, length - at));
        EXPECT_EQ(pieces.Finish(), portable);
    }
}

TEST(InstallRecord, RefusesATextNotAsWritten) {
    const std::string head = "XOVUNIN INSTALL RECORD 3\r\nI\tC:\\Book\r\n";
    const std::string hash(64, 'A');
    const struct {
        const char* why;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"another format", "XOVUNIN INSTALL RECORD 4\r\nI\tC:\\Book\r\n"},
        {"no install folder", "XOVUNIN INSTALL RECORD 3\r\n"},
        {"cut short in a line", head + "D\tC:\\Book"},
        {"a line ended by LF only", head + "D\tC:\\Book\n"},
        {"an unknown kind", head + "X\tC:\\Book\r\n"},
        {"a file without its numbers", head + "F\tC:\\Book\\a.c\r\n"},
        {"a folder with numbers", head + "D\t1\t0000000000000001\tC:\\Book\r\n"},
        {"a size that is not a number", head + "F\t1x\t0000000000000001\tC:\\Book\\a.c\r\n"},
        {"a size past 64 bits", head + "F\t18446744073709551616\t0000000000000001\tC:\\Book\\a.c\r\n"},
        {"a time of 15 digits", head + "F\t1\t000000000000001\tC:\\Book\\a.c\r\n"},
        {"a time in small letters", head + "F\t1\t000000000000001a\tC:\\Book\\a.c\r\n"},
        {"a hash of 63 digits", head + "F\t1\t" + hash.substr(1) + "\t0000000000000001\tC:\\Book\\a.c\r\n"},
        {"a hash of 65 digits", head + "F\t1\t" + hash + "0\t0000000000000001\tC:\\Book\\a.c\r\n"},
        {"a hash in small letters",
         head + "F\t1\t" + std::string(64, 'a') + "\t0000000000000001\tC:\\Book\\a.c\r\n"},
        {"a hash without its time", head + "F\t1\t" + hash + "\tC:\\Book\\a.c\r\n"},
        {"a hash with a time of 15 digits", head + "F\t1\t" + hash + "\t000000000000001\tC:\\Book\\a.c\r\n"},
        {"an uninstaller with numbers", head + "U\t1\t0000000000000001\tC:\\XOVUNIN.EXE\r\n"},
        {"a shared file with a time", head + "C\t1\t0000000000000001\tC:\\A.INI\r\n"},
        {"a shortcut with a time", head + "S\t1\t0000000000000001\tC:\\A.Lnk\r\n"},
        {"a shortcut with its size alone", head + "S\t1\tC:\\A.Lnk\r\n"},
        {"a relative path", head + "F\t1\t0000000000000001\tBook\\a.c\r\n"},
        {"a path without its root", head + "D\tC:Book\r\n"},
        {"a network path", head + "D\t\\\\server\\share\\Book\r\n"},
        {"a path stepping up", head + "D\tC:\\Book\\..\\WINDOWS\r\n"},
        {"a path stepping up with a slash", head + "D\tC:\\Book/../WINDOWS\r\n"},
        {"a path ending in ..", head + "D\tC:\\Book\\..\r\n"},
        {"a path stepping up with a space after", head + "D\tC:\\Book\\.. \\WINDOWS\r\n"},
        {"a path stepping up with a dot after", head + "D\tC:\\Book\\...\\WINDOWS\r\n"},
        {"a path of 260 characters", head + "D\tC:\\" + std::string(257, 'x') + "\r\n"},
        {"an install folder stepping up", "XOVUNIN INSTALL RECORD 3\r\nI\tC:\\Book\\..\r\n"},
        {"an empty line", head + "\r\n"},
    };
    for (const auto& c : cases) EXPECT_FALSE(ParseRecord(c.text).has_value()) << c.why;
    // The bounds themselves: 259 characters and a name with two periods are paths.
    EXPECT_TRUE(ParseRecord(head + "D\tC:\\" + std::string(256, 'x') + "\r\n").has_value());
    EXPECT_TRUE(ParseRecord(head + "D\tC:\\Book\\..notes\r\n").has_value());
}

TEST(InstallRecord, MergeKeepsTheNewRunAndWhatIsLeftOfTheOld) {
    InstallRecord older{"C:\\Old",
                        {File("C:\\Old\\gone.c", 1, "1"), File("C:\\Book\\a.c", 1, "1"), Folder("C:\\Old"),
                         TimedFile("C:\\Old\\kept.c", 2, 2)}};
    InstallRecord newer{"C:\\Book", {File("C:\\BOOK\\A.C", 5, "5"), Folder("C:\\Book")}};
    InstallRecord merged = MergeRecords(older, newer, [](const RecordEntry& e) { return e.path != "C:\\Old\\gone.c"; });
    EXPECT_EQ(merged, (InstallRecord{"C:\\Book",
                                     {File("C:\\BOOK\\A.C", 5, "5"), Folder("C:\\Book"), Folder("C:\\Old"),
                                      TimedFile("C:\\Old\\kept.c", 2, 2)}}));
}

// Only symbolic links and mount points are the reader's links; a file of a
// cloud service's folder (Desktop, Documents on many machines) carries a
// reparse point of its own kind and is an ordinary file, as are the other
// kinds the system serves as usual. A file whose content is kept by the
// service is told by its attributes.
TEST(InstallRecord, ReparseTagsTellTheReadersLinksFromCloudFiles) {
    const struct {
        DWORD tag;
        ReparseKind kind;
    } tags[] = {
        {0xA000000C, ReparseKind::Link},      // symbolic link
        {0xA0000003, ReparseKind::Link},      // mount point (junction)
        {0x00000000, ReparseKind::Link},      // no tag known: the safe side
        {0x9000001A, ReparseKind::Ordinary},  // cloud file
        {0x9000601A, ReparseKind::Ordinary},  // cloud file of another provider
        {0x80000013, ReparseKind::Ordinary},  // deduplicated
        {0x80000017, ReparseKind::Ordinary},  // compressed by the system
    };
    for (const auto& t : tags) EXPECT_EQ(ReparseKindOfTag(t.tag), t.kind) << std::hex << t.tag;
    EXPECT_TRUE(ContentIsElsewhere(0x00400000 | FILE_ATTRIBUTE_REPARSE_POINT)) << "recall on data access";
    EXPECT_TRUE(ContentIsElsewhere(0x00040000)) << "recall on open";
    EXPECT_TRUE(ContentIsElsewhere(FILE_ATTRIBUTE_OFFLINE));
    EXPECT_FALSE(ContentIsElsewhere(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE | 0x00080000 /* pinned */));
}

// The first letter not given to any drive, from Y down.
char AbsentDrive() {
    DWORD drives = GetLogicalDrives();
    for (char letter = 'Y'; letter > 'D'; --letter)
        if (!(drives & (1u << (letter - 'A')))) return letter;
    return 0;
}

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

// Each scope and each run's rights have their own places. The journals go
// with the rights alone: an elevated run keeps them with the machine's (for
// a book of the current user too), a run without elevation in the user's
// own folder; the scope says where the entry, the counts and the uninstaller go.
TEST(InstallRecord, TheRunsPlacesFollowTheScopeAndTheRights) {
    char windows[MAX_PATH] = {}, local[MAX_PATH] = {}, common[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    ASSERT_GT(ExpandEnvironmentStringsA("%LOCALAPPDATA%", local, MAX_PATH), 0u);
    ASSERT_GT(ExpandEnvironmentStringsA("%ProgramData%", common, MAX_PATH), 0u);
    ASSERT_TRUE(local[0] != '%' && common[0] != '%') << local << " " << common;
    const std::string win = windows, user = local, machineData = common;
    const std::string machineJournals = win + "\\Book Setup Journals", userJournals = user + "\\Book Setup Journals";
    const struct {
        InstallScope scope;
        bool elevated;
        HKEY hive;
        const char* countsKey;
        std::string uninstallerFolder, journals, earlierJournals;
        bool machineJournalsPlace;
    } rows[] = {
        {InstallScope::Machine, true, HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", win,
         machineJournals, machineData + "\\Book Setup Journals", true},
        {InstallScope::Machine, false, HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", win,
         userJournals, "", false},
        {InstallScope::CurrentUser, true, HKEY_CURRENT_USER, "Software\\Book Setup\\Shared Files", user + "\\Book Setup",
         machineJournals, machineData + "\\Book Setup Journals", true},
        {InstallScope::CurrentUser, false, HKEY_CURRENT_USER, "Software\\Book Setup\\Shared Files", user + "\\Book Setup",
         userJournals, "", false},
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

}  // namespace

// Elevation is a boundary: an elevated run carries out only journals of the
// machine's folder with setup's rights, in files of the system or the
// Administrators (as the system records what setup makes); a run without
// elevation only those of the user's own folder. The same user unelevated
// can write anything of the user's: the elevated run never trusts it.
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
        {"elevated: the folder a file", {kElevated, kMachine, kFile, kAdmins, kSetups, kFile, kAdmins}, false},
        {"elevated: the folder a link", {kElevated, kMachine, kLink, kAdmins, kSetups, kFile, kAdmins}, false},
        {"elevated: the user's folder", {kElevated, kUsers, kFolder, kAdmins, kSetups, kFile, kAdmins}, false},
        {"elevated: the folder alone", {kElevated, kMachine, kFolder, kSystem, kSetups, kMissing, kOther}, true},
        {"elevated: the folder alone, open", {kElevated, kMachine, kFolder, kSystem, kOpen, kMissing, kOther}, false},
        {"unelevated: the user's own", {kUnelevated, kUsers, kFolder, kUser, kOpen, kFile, kUser}, true},
        {"unelevated: the system's, in the user's", {kUnelevated, kUsers, kFolder, kUser, kOpen, kFile, kSystem}, true},
        {"unelevated: another user's", {kUnelevated, kUsers, kFolder, kUser, kOpen, kFile, kOther}, false},
        {"unelevated: another user's folder", {kUnelevated, kUsers, kFolder, kOther, kOpen, kFile, kUser}, false},
        {"unelevated: the machine's folder", {kUnelevated, kMachine, kFolder, kAdmins, kSetups, kFile, kAdmins}, false},
        {"unelevated: the journal a link", {kUnelevated, kUsers, kFolder, kUser, kOpen, kLink, kUser}, false},
        // A second name (a hard link) may lie where others write; names that cannot be counted say nothing.
        {"elevated: a journal of two names", {kElevated, kMachine, kFolder, kAdmins, kSetups, kFile, kAdmins, 2}, false},
        {"elevated: names not counted", {kElevated, kMachine, kFolder, kAdmins, kSetups, kFile, kSystem, 0}, false},
        {"unelevated: a journal of two names", {kUnelevated, kUsers, kFolder, kUser, kOpen, kFile, kUser, 2}, false},
        {"elevated: the folder alone, a name", {kElevated, kMachine, kFolder, kSystem, kSetups, kMissing, kOther, 2}, true},
    };
    for (const auto& row : rows) EXPECT_EQ(MayCarryOut(row.standing), row.carriedOut) << row.name;
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

// The journal is kept in UTF-8 whatever the program's code page, and read
// back as it was written: a name of the Western code page whole, a folder
// noted and then found there already not the run's, the file as written.
TEST(RunJournal, IsReadBackAsItWasWritten) {
    const std::string root = MakeTestFolder("journal-text");
    // In the program's code page: 1252 where the program runs as the older
    // systems run it, UTF-8 where it asks for that.
    const std::string cafe = NarrowText(L"Caf\u00e9 Cr\u00e8me");
    ASSERT_EQ(cafe, ProgramUsesUtf8() ? "Caf\xC3\xA9 Cr\xC3\xA8me" : "Caf\xE9 Cr\xE8me");
    const std::string book = root + "\\" + cafe;
    RunJournal journal;
    ASSERT_TRUE(journal.Begin(root + "\\Journals", cafe, book));
    ASSERT_TRUE(journal.NoteInstallFolder({0xFFFFFFFFu, 0x10000A7402Full}));
    ASSERT_TRUE(journal.NoteFolder(book));
    journal.NoteFolderThere(book);
    ASSERT_TRUE(journal.NoteFolder(book + "\\Sub"));
    ASSERT_TRUE(journal.NoteNewFile(book + "\\Sub\\" + cafe + ".txt"));
    const WrittenFile written{12, 0x01DA00001234ull, FileIdentity{0x5A000000u, 0x1000000A74030ull}};
    ASSERT_TRUE(journal.NoteWritten(book + "\\Sub\\" + cafe + ".txt", written));
    ASSERT_TRUE(journal.NoteKept(book + "\\A.txt", book + "\\A.txt.~sx" + journal.Mark() + ".tmp", false));
    ASSERT_TRUE(journal.NotePutBackFailed(book + "\\A.txt", book + "\\A.txt.~sx" + journal.Mark() + ".tmp"));
    const std::string stored = FileContent(journal.Path());
    EXPECT_NE(stored.find("Caf\xC3\xA9 Cr\xC3\xA8me"), std::string::npos) << stored;
    if (!ProgramUsesUtf8()) EXPECT_EQ(stored.find(cafe), std::string::npos) << "a line in the program's code page";

    std::optional<JournalText> read = ParseJournal(stored);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->product, cafe);
    EXPECT_EQ(read->installFolder, book);
    EXPECT_EQ(read->mark, journal.Mark());
    ASSERT_EQ(read->steps.size(), 3u) << "the folder found there is not the run's";
    EXPECT_EQ(read->steps, journal.Steps());
    EXPECT_EQ(read->steps[1].written, written);
    EXPECT_EQ(read->installIdentity, (FileIdentity{0xFFFFFFFFu, 0x10000A7402Full}));
    EXPECT_TRUE(read->steps[2].putBackFailed);
    // An earlier setup's journal names no identity: its files are known by
    // size and time alone; a volume past 32 bits is no identity.
    std::string earlier = stored;
    size_t identity = earlier.find("\r\nX\t");
    ASSERT_NE(identity, std::string::npos) << stored;
    earlier.erase(identity, earlier.find("\r\n", identity + 2) - identity);
    earlier.replace(earlier.find("\r\nV\t4294967295\t"), 15, "\r\nV\t4294967296\t");
    read = ParseJournal(earlier);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->steps[1].written, (WrittenFile{12, 0x01DA00001234ull, std::nullopt}));
    EXPECT_EQ(read->installIdentity, std::nullopt);
    EXPECT_TRUE(IsTheWrittenFile(*read->steps[1].written, written));
    EXPECT_FALSE(IsTheWrittenFile(written, {12, 0x01DA00001234ull, FileIdentity{0x5A000000u, 0xA74030ull}}));
    journal.End();
    RemoveTree(root);
}

// A journal whose install folder lies on a drive that is away stays for a
// later start: undone now, it would go, and the reader's kept file there
// would never be put back.
TEST(RunJournal, ARunOnADriveThatIsAwayWaitsForIt) {
    const std::string root = MakeTestFolder("journal-away");
    char away = AbsentDrive();
    ASSERT_NE(away, 0);
    const std::string book = std::string(1, away) + ":\\Book";
    const JournalPlace place(root + "\\Journals", true);
    const std::string journal = MakeOwnJournalFolder(place, OwnerJudge(place), nullptr) + "\\1.jnl";
    ASSERT_TRUE(WriteWholeFile(journal, "XOV SETUP RUN JOURNAL 1\r\nM\t0000ABCD\r\nP\tBook\r\nI\t" + book +
                                            "\r\nK\t" + book + "\\A.TXT\t" + book + "\\A.TXT.~sx0000ABCD.tmp\r\n"));
    RepairResult repair = RepairUnfinishedRuns(root + "\\Journals");
    EXPECT_EQ(repair.repaired, 0);
    EXPECT_EQ(repair.left, 1);
    EXPECT_TRUE(FileExists(journal));
    RemoveTree(root);
}

// A journal the run cannot vouch for is never carried out: one of two names
// (the second a hard link made where others write) is left alone, one too
// large to be a journal is left for a later start and counted, and one found
// in a folder whose rights let others write until this run made them
// setup's is retired and named. Each names the book's file as the run's new
// one; carried out (the plain journal), it would go.
TEST(RunJournal, AJournalTheRunCannotVouchForIsNeverCarriedOut) {
    const std::string root = MakeTestFolder("journal-vouch"), book = root + "\\Book";
    enum class Case { Plain, TwoNames, TooLarge, OpenFolder };
    const struct {
        Case which;
        int repaired, left;
        bool journalStays;
        const char* note;
    } cases[] = {
        {Case::Plain, 1, 0, false, nullptr},
        {Case::TwoNames, 0, 0, true, "A journal setup did not write is left alone: "},
        {Case::TooLarge, 0, 1, true, "A journal that cannot be read is left for a later start: "},
        {Case::OpenFolder, 0, 0, false, "A journal found where others could write is retired, not carried out: "},
    };
    for (const auto& c : cases) {
        const int i = static_cast<int>(c.which);
        ASSERT_TRUE(WriteWholeFile(book + "\\A.TXT", "the book's"));
        const JournalPlace place(root + "\\Journals" + std::to_string(i), true);
        const std::string folder = MakeOwnJournalFolder(place, OwnerJudge(place), nullptr), journal = folder + "\\1.jnl";
        ASSERT_TRUE(WriteWholeFile(journal, "XOV SETUP RUN JOURNAL 1\r\nM\t0000ABCD\r\nP\tBook\r\nI\t" + book +
                                                "\r\nN\t" + book + "\\A.TXT\r\n"));
        if (c.which == Case::TwoNames)
            ASSERT_TRUE(CreateHardLinkA((root + "\\second.jnl").c_str(), journal.c_str(), nullptr));
        HANDLE handle = CreateFileA((c.which == Case::OpenFolder ? folder : journal).c_str(),
                                    GENERIC_WRITE | READ_CONTROL | WRITE_DAC, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
        PSECURITY_DESCRIPTOR open = nullptr;
        BOOL present = FALSE, defaulted = FALSE;
        PACL acl = nullptr;
        if (c.which == Case::TooLarge) {
            LONG high = 0;
            SetFilePointer(handle, 65 * 1024 * 1024, &high, FILE_BEGIN);
            EXPECT_TRUE(SetEndOfFile(handle));
        } else if (c.which == Case::OpenFolder &&  // everyone may write in it, as an earlier setup left it
                   ConvertStringSecurityDescriptorToSecurityDescriptorA(
                       "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;WD)", SDDL_REVISION_1, &open, nullptr) &&
                   GetSecurityDescriptorDacl(open, &present, &acl, &defaulted)) {
            EXPECT_EQ(SetSecurityInfo(handle, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, acl, nullptr),
                      static_cast<DWORD>(ERROR_SUCCESS));
        }
        LocalFree(open);
        CloseHandle(handle);
        RepairResult repair = RepairUnfinishedRuns(place);
        EXPECT_EQ(repair.repaired, c.repaired) << i;
        EXPECT_EQ(repair.left, c.left) << i;
        EXPECT_EQ(FileExists(journal), c.journalStays) << i;
        EXPECT_EQ(FileExists(book + "\\A.TXT"), c.which != Case::Plain) << i << ": carried out";
        if (c.note) EXPECT_NE(std::find(repair.notes.begin(), repair.notes.end(), c.note + journal), repair.notes.end());
        DeleteFileA((root + "\\second.jnl").c_str());
        DeleteFileA(journal.c_str());
    }
    RemoveTree(root);
}

// A folder the run made goes only when it is empty: one that holds the
// reader's files stays, settled; one that cannot be opened (another program
// holds it and shares no deletion) is not removed, and the undo is not whole,
// so that its journal stays for a later start.
TEST(RunJournal, AMadeFolderCountsAsRemovedOnlyWhenItIsGoneOrTheReaders) {
    const std::string root = MakeTestFolder("journal-made-folder");
    const std::string made = root + "\\Made";
    MakeFolders(made);
    const std::vector<JournalStep> steps{{JournalStep::Kind::Folder, made, {}}};
    HANDLE held = CreateFileA(made.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    UndoResult undone = UndoRun(steps, root);
    CloseHandle(held);
    EXPECT_FALSE(undone.whole);
    EXPECT_EQ(undone.notes, std::vector<std::string>{"Not removed, as it could not be opened: " + made});
    EXPECT_TRUE(FileExists(made));

    ASSERT_TRUE(WriteWholeFile(made + "\\Mine.txt", "the reader's"));
    undone = UndoRun(steps, root);
    EXPECT_TRUE(undone.whole) << "the reader's file keeps the folder: settled";
    EXPECT_EQ(FileContent(made + "\\Mine.txt"), "the reader's");

    ASSERT_TRUE(DeleteFileA((made + "\\Mine.txt").c_str()));
    undone = UndoRun(steps, root);
    EXPECT_TRUE(undone.whole);
    EXPECT_FALSE(FileExists(made));
    RemoveTree(root);
}
