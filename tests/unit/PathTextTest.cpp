#include "framework/PathText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestFiles.h"
#include "framework/CodePage.h"
#include "framework/FolderListing.h"

namespace {
// Code page 932 characters whose second byte is a path or name character of
// its own: "\" (0x5C), "_" (0x5F), "|" (0x7C), "`" (0x60).
#define SO "\x83\x5C"               // ソ
#define HYO "\x95\x5C"              // 表
#define NOU "\x94\x5C"              // 能
#define JUU "\x8F\x5C"              // 十
#define DA "\x83\x5F"               // ダ
#define PO "\x83\x7C"               // ポ
#define CHI "\x83\x60"              // チ
#define ICHIRAN "\x88\xEA\x97\x97"  // 一覧

constexpr UINT kJapanese = 932, kWestern = 1252;

TEST(PathText, SplitsStripsJoinsAndCountsWholeCharacters) {
    struct Case {
        UINT codePage;
        std::string path;
        const char* folder;    // SplitPath
        const char* name;
        const char* stripped;  // StripTrailingBackslashes, keep 0
        const char* rooted;    // StripTrailingBackslashes, keep 3
        const char* joined;    // JoinPath(path, "sub")
        size_t backslashes;    // CountChar
    };
    const Case cases[] = {
        {kJapanese, "C:\\" ICHIRAN HYO, "C:\\", ICHIRAN HYO, "C:\\" ICHIRAN HYO, "C:\\" ICHIRAN HYO,
         "C:\\" ICHIRAN HYO "\\sub", 1},
        {kJapanese, "C:\\" ICHIRAN HYO "\\\\", "C:\\" ICHIRAN HYO "\\\\", "", "C:\\" ICHIRAN HYO, "C:\\" ICHIRAN HYO,
         "C:\\" ICHIRAN HYO "\\\\sub", 3},
        {kJapanese, "C:\\" SO "\\" NOU "x\\" JUU, "C:\\" SO "\\" NOU "x\\", JUU, "C:\\" SO "\\" NOU "x\\" JUU,
         "C:\\" SO "\\" NOU "x\\" JUU, "C:\\" SO "\\" NOU "x\\" JUU "\\sub", 3},
        {kJapanese, HYO "/" DA "_" PO "|" CHI "`", HYO "/", DA "_" PO "|" CHI "`", HYO "/" DA "_" PO "|" CHI "`",
         HYO "/" DA "_" PO "|" CHI "`", HYO "/" DA "_" PO "|" CHI "`\\sub", 0},
        // A lone lead byte at the end is a character of its own.
        {kJapanese, "C:\\A\x95", "C:\\", "A\x95", "C:\\A\x95", "C:\\A\x95", "C:\\A\x95\\sub", 1},
        {kJapanese, "C:\\", "C:\\", "", "C:", "C:\\", "C:\\sub", 1},
        // The same bytes in a single-byte code page: every byte a character.
        {kWestern, "C:\\" ICHIRAN HYO, "C:\\" ICHIRAN "\x95\\", "", "C:\\" ICHIRAN "\x95", "C:\\" ICHIRAN "\x95",
         "C:\\" ICHIRAN HYO "sub", 2},
        {kWestern, "Caf\xE9\\\\", "Caf\xE9\\\\", "", "Caf\xE9", "Caf\xE9", "Caf\xE9\\\\sub", 2},
        {kJapanese, "Caf\xE9\\\\", "Caf\xE9\\\\", "", "Caf\xE9\\", "Caf\xE9\\", "Caf\xE9\\\\sub", 1},
        {kWestern, "C:\\Books\\", "C:\\Books\\", "", "C:\\Books", "C:\\Books", "C:\\Books\\sub", 2},
        {kWestern, "\\\\", "\\\\", "", "", "\\\\", "\\\\sub", 2},
        {kWestern, "", "", "", "", "", "\\sub", 0},
        // UTF-8: Cyrillic, Greek and Vietnamese names, whole sequences of two and three bytes.
        {CP_UTF8, "C:\\Книги\\Глава 1\\", "C:\\Книги\\Глава 1\\", "", "C:\\Книги\\Глава 1",
         "C:\\Книги\\Глава 1", "C:\\Книги\\Глава 1\\sub", 3},
        {CP_UTF8, "D:\\Εισαγωγή\\Đọc.TXT", "D:\\Εισαγωγή\\", "Đọc.TXT", "D:\\Εισαγωγή\\Đọc.TXT",
         "D:\\Εισαγωγή\\Đọc.TXT", "D:\\Εισαγωγή\\Đọc.TXT\\sub", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "code page " << c.codePage << ": " << testing::PrintToString(c.path));
        PathSplit split = SplitPath(c.path, c.codePage);
        EXPECT_EQ(split.folder, c.folder);
        EXPECT_EQ(split.name, c.name);
        EXPECT_EQ(StripTrailingBackslashes(c.path, 0, c.codePage), c.stripped);
        EXPECT_EQ(StripTrailingBackslashes(c.path, 3, c.codePage), c.rooted);
        EXPECT_EQ(JoinPath(c.path, "sub", c.codePage), c.joined);
        EXPECT_EQ(CountChar(c.path, '\\', c.codePage), c.backslashes);
    }
}

TEST(PathText, FindsOnlyCharactersNeverSecondBytes) {
    // The uninstaller's command line: the folder ends at the second "`".
    const std::string command = "`C:\\" CHI "x`  " SO "ft";
    EXPECT_EQ(FindChar(command, '`', 1, kJapanese), 7u);
    EXPECT_EQ(FindChar(command, '`', 1, kWestern), 5u);
    EXPECT_EQ(FindChar(SO "ft", '\\', 0, kJapanese), std::string::npos) << "a product name with no backslash";
    EXPECT_EQ(FindChar(DA "_x", '_', 0, kJapanese), 2u);
    EXPECT_EQ(FindFirstOf(PO "|/\\", "\\/|", 0, kJapanese), 2u);
    EXPECT_EQ(FindLastOf(HYO "." PO, ".|", kJapanese), 2u);
    EXPECT_EQ(FindLastSeparator(HYO, kJapanese), std::string::npos);
    EXPECT_EQ(FindLastSeparator(HYO, kWestern), 1u);
    EXPECT_TRUE(StartsWithBackslash("\\" HYO, kJapanese));
    EXPECT_FALSE(StartsWithBackslash(HYO "\\", kJapanese));
    EXPECT_FALSE(EndsWithBackslash(ICHIRAN HYO, kJapanese));
    EXPECT_TRUE(EndsWithBackslash(ICHIRAN HYO, kWestern));
    EXPECT_TRUE(EndsWithBackslash(ICHIRAN HYO "\\", kJapanese));
    EXPECT_EQ(NameWithoutExtension("C:\\" HYO "\\" SO ".EXE", kJapanese), SO);
    EXPECT_EQ(NameWithoutExtension("C:\\" HYO "\\" SO ".EXE", kWestern), "");
    EXPECT_EQ(PreviousCharIndex("A" HYO, 3, kJapanese), 1u);
    EXPECT_EQ(PreviousCharIndex("A" HYO, 3, kWestern), 2u);
    EXPECT_EQ(CharStarts("A" HYO "\x95", kJapanese), (std::vector<size_t>{0, 1, 3}));
    // UTF-8: two, three and four bytes a character; a stray or cut-short byte is one of its own.
    EXPECT_EQ(CharStarts("AКエ\xF0\x9F\x93\x96" "B", CP_UTF8), (std::vector<size_t>{0, 1, 3, 6, 10}));
    EXPECT_EQ(CharStarts("\x80" "A\xD0", CP_UTF8), (std::vector<size_t>{0, 1, 2}));
    EXPECT_EQ(CharStarts("\xE3\x82" "A", CP_UTF8), (std::vector<size_t>{0, 1, 2}));
    EXPECT_EQ(PreviousCharIndex("Aエ", 4, CP_UTF8), 1u);
    EXPECT_EQ(NameWithoutExtension("C:\\Книги\\Глава.TXT", CP_UTF8), "Глава");
}

// The system's path limits count UTF-16 units: a Japanese character takes
// three bytes of UTF-8 and one unit, a character beyond the basic plane four
// bytes and two units.
TEST(PathText, PathLengthCountsWhatTheSystemCounts) {
    std::string japanese;
    for (int i = 0; i < 100; ++i) japanese += "表";
    EXPECT_EQ(japanese.size(), 300u);
    EXPECT_EQ(PathLength("C:\\" + japanese, CP_UTF8), 103u);
    EXPECT_EQ(PathLength("C:\\" HYO HYO, kJapanese), 5u);
    EXPECT_EQ(PathLength("C:\\\xF0\x9F\x93\x96", CP_UTF8), 5u);
    EXPECT_EQ(PathLength("C:\\Book", CP_UTF8), 7u);
}

// The listing gives what the system's own search gives, entry for entry, in
// its order, over a folder that takes several of the listing's reads (1,500
// long names), a name beyond the program's old code page, sizes and times;
// a file and a missing folder cannot be entered.
TEST(FolderListing, GivesWhatTheSystemsSearchGives) {
    const std::string folder = WorkFolder("FolderListing.Search");
    RemoveTree(folder);
    MakeFolders(folder + "\\Sub folder");
    const std::string longName(70, 'n');
    for (int i = 0; i < 1500; ++i)
        ASSERT_TRUE(WriteWholeFile(folder + "\\" + longName + std::to_string(i) + ".TXT", std::string(i % 7, 'x')));
    ASSERT_TRUE(WriteWholeFile(folder + "\\été Книга.txt", "seven b", FILE_ATTRIBUTE_HIDDEN));

    std::vector<FolderEntry> searched;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WideText(folder + "\\*.*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        searched.push_back({NarrowText(found.cFileName), found.dwFileAttributes,
                            static_cast<uint64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow,
                            found.ftLastWriteTime});
    } while (FindNextFileW(search, &found));
    FindClose(search);
    ASSERT_EQ(searched.size(), 1504u) << "., .., the folder and 1,501 files";

    FolderListing listing(folder);
    EXPECT_TRUE(listing.Opened());
    size_t i = 0;
    for (; listing.Next(); ++i) {
        ASSERT_LT(i, searched.size());
        const FolderEntry& entry = listing.Entry();
        EXPECT_EQ(entry.name, searched[i].name) << i;
        EXPECT_EQ(entry.attributes, searched[i].attributes) << entry.name;
        EXPECT_EQ(entry.size, searched[i].size) << entry.name;
        EXPECT_EQ(CompareFileTime(&entry.writeTime, &searched[i].writeTime), 0) << entry.name;
    }
    EXPECT_EQ(i, searched.size());
    EXPECT_TRUE(listing.Complete());

    for (const std::string& notAFolder : {folder + "\\" + longName + "1.TXT", folder + "\\missing"}) {
        FolderListing cannot(notAFolder);
        EXPECT_FALSE(cannot.Opened()) << notAFolder;
        EXPECT_FALSE(cannot.Next()) << notAFolder;
        EXPECT_FALSE(cannot.Complete()) << notAFolder;
    }
    RemoveTree(folder);
}
}  // namespace

