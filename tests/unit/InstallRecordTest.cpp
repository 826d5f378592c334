// The install record's text: what is written is read back as it was, and a
// text that is not exactly of that form is refused as a whole.
#include "record/InstallRecord.h"

#include <gtest/gtest.h>

#include <string>

namespace {
RecordEntry File(const std::string& path, uint64_t size, uint64_t time) {
    return {RecordEntry::Kind::File, path, size, time};
}
RecordEntry Folder(const std::string& path) { return {RecordEntry::Kind::Folder, path, 0, 0}; }
RecordEntry Shortcut(const std::string& path) { return {RecordEntry::Kind::Shortcut, path, 0, 0}; }

InstallRecord Sample() {
    return {"C:\\Zandel",
            {File("C:\\Zandel\\Chap 1\\Hello.c", 0, 0),
             File("C:\\Zandel\\Big.dat", 0xFFFFFFFFFFFFFFFFull, 0x01D9ABCDEF012345ull),
             File("C:\\WINDOWS\\ZANDEL.INI", 4294967296ull, 1), Folder("C:\\Zandel\\Chap 1"), Folder("C:\\Zandel"),
             Shortcut("C:\\users\\me\\Desktop\\Zandel Companion Files.Lnk")}};
}

TEST(InstallRecord, ReadsBackWhatItWrote) {
    const InstallRecord records[] = {Sample(), InstallRecord{"D:\\", {}},
                                     InstallRecord{"C:\\" + std::string(255, 'x'), {File("C:\\" + std::string(256, 'y'), 1, 2)}}};
    for (const InstallRecord& record : records) {
        std::optional<InstallRecord> read = ParseRecord(FormatRecord(record));
        ASSERT_TRUE(read) << FormatRecord(record);
        EXPECT_EQ(*read, record);
    }
    EXPECT_EQ(FormatRecord(InstallRecord{"C:\\Book", {File("C:\\Book\\a b.c", 12, 0x1A)}}),
              "XOVUNIN INSTALL RECORD 1\r\nI\tC:\\Book\r\nF\t12\t000000000000001A\tC:\\Book\\a b.c\r\n");
}

TEST(InstallRecord, RefusesATextNotAsWritten) {
    const std::string head = "XOVUNIN INSTALL RECORD 1\r\nI\tC:\\Book\r\n";
    const struct {
        const char* why;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"another format", "XOVUNIN INSTALL RECORD 2\r\nI\tC:\\Book\r\n"},
        {"no install folder", "XOVUNIN INSTALL RECORD 1\r\n"},
        {"cut short in a line", head + "D\tC:\\Book"},
        {"a line ended by LF only", head + "D\tC:\\Book\n"},
        {"an unknown kind", head + "X\tC:\\Book\r\n"},
        {"a file without its numbers", head + "F\tC:\\Book\\a.c\r\n"},
        {"a folder with numbers", head + "D\t1\t0000000000000001\tC:\\Book\r\n"},
        {"a size that is not a number", head + "F\t1x\t0000000000000001\tC:\\Book\\a.c\r\n"},
        {"a size past 64 bits", head + "F\t18446744073709551616\t0000000000000001\tC:\\Book\\a.c\r\n"},
        {"a time of 15 digits", head + "F\t1\t000000000000001\tC:\\Book\\a.c\r\n"},
        {"a time in small letters", head + "F\t1\t000000000000001a\tC:\\Book\\a.c\r\n"},
        {"a relative path", head + "F\t1\t0000000000000001\tBook\\a.c\r\n"},
        {"a path without its root", head + "D\tC:Book\r\n"},
        {"a network path", head + "D\t\\\\server\\share\\Book\r\n"},
        {"a path stepping up", head + "D\tC:\\Book\\..\\WINDOWS\r\n"},
        {"a path stepping up with a slash", head + "D\tC:\\Book/../WINDOWS\r\n"},
        {"a path ending in ..", head + "D\tC:\\Book\\..\r\n"},
        {"a path of 260 characters", head + "D\tC:\\" + std::string(257, 'x') + "\r\n"},
        {"an install folder stepping up", "XOVUNIN INSTALL RECORD 1\r\nI\tC:\\Book\\..\r\n"},
        {"an empty line", head + "\r\n"},
    };
    for (const auto& c : cases) EXPECT_FALSE(ParseRecord(c.text).has_value()) << c.why;
    // The bounds themselves: 259 characters and a name with two periods are paths.
    EXPECT_TRUE(ParseRecord(head + "D\tC:\\" + std::string(256, 'x') + "\r\n").has_value());
    EXPECT_TRUE(ParseRecord(head + "D\tC:\\Book\\..notes\r\n").has_value());
}

TEST(InstallRecord, MergeKeepsTheNewRunAndWhatIsLeftOfTheOld) {
    InstallRecord older{"C:\\Old",
                        {File("C:\\Old\\gone.c", 1, 1), File("C:\\Book\\a.c", 1, 1), Folder("C:\\Old"),
                         File("C:\\Old\\kept.c", 2, 2)}};
    InstallRecord newer{"C:\\Book", {File("C:\\BOOK\\A.C", 5, 5), Folder("C:\\Book")}};
    InstallRecord merged = MergeRecords(older, newer, [](const RecordEntry& e) { return e.path != "C:\\Old\\gone.c"; });
    EXPECT_EQ(merged, (InstallRecord{"C:\\Book",
                                     {File("C:\\BOOK\\A.C", 5, 5), Folder("C:\\Book"), Folder("C:\\Old"),
                                      File("C:\\Old\\kept.c", 2, 2)}}));
}
}  // namespace
