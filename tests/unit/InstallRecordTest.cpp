// The install record's text: what is written is read back as it was, a
// record of the older format is still read, and a text that is not exactly of
// either form is refused as a whole. The content's hash is SHA-256, the same
// by the system's code and by ours.
#include "engine/HashingWriter.h"
#include "record/InstallRecord.h"
#include "record/OwnFiles.h"
#include "record/RecordedFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "TestFiles.h"
#include "framework/CodePage.h"
#include "framework/AnsiText.h"
#include "InstallRecordTestSupport.h"

using namespace record_test;

namespace {
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
}  // namespace
