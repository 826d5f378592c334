#include "framework/PathText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
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
    // Below a folder whose name ends in a second byte like "\": a file beside
    // it is not inside it, whatever its first bytes.
    EXPECT_TRUE(IsBelowFolder("C:\\" HYO "\\A.TXT", "C:\\" HYO, kJapanese));
    EXPECT_FALSE(IsBelowFolder("C:\\" HYO "X.TXT", "C:\\" HYO, kJapanese));
    EXPECT_TRUE(IsBelowFolder("C:\\" HYO "X.TXT", "C:\\\x95", kWestern)) << "every byte a character";
    EXPECT_TRUE(IsBelowFolder("c:\\книги\\a", "C:\\КНИГИ", CP_UTF8)) << "letter case aside";
    EXPECT_FALSE(IsBelowFolder("C:\\Books", "C:\\Books", kWestern)) << "the folder itself";
    EXPECT_FALSE(IsBelowFolder("C:\\BooksEnd\\A", "C:\\Books", kWestern));
    EXPECT_TRUE(IsBelowFolder("D:\\A", "D:\\", kWestern)) << "a drive's root";
    EXPECT_FALSE(IsBelowFolder("C:\\A", "", kWestern));
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

// A name is narrowed whole or not at all: a Western code page has only
// look-alikes of full-width dots and backslash ("..\\"), never taken (the
// default character stands in); the Japanese one has them; UTF-8 has all
// but half a surrogate pair. Look-alikes are found where best fit differs.
TEST(CodePage, ANameIsNarrowedWholeOrNotAtAll) {
    const std::wstring fullWidth = L"\uFF0E\uFF0E\uFF3CX";
    const struct {
        std::wstring name;
        UINT codePage;
        std::string text;
        bool whole;
    } cases[] = {
        {fullWidth, 1252, "???X", false},
        {L"Book \u00E9t\u00E9", 1252, "Book \xE9t\xE9", true},
        {L"\u041A\u043D\u0438", 1252, "???", false},
        {L"\u041A\u043D\u0438", 1251, "\xCA\xED\xE8", true},
        {fullWidth, 932, "\x81\x44\x81\x44\x81\x5FX", true},
        {fullWidth, CP_UTF8, "\xEF\xBC\x8E\xEF\xBC\x8E\xEF\xBC\xBCX", true},
        {std::wstring(L"A") + wchar_t(0xD800), CP_UTF8, "A\xEF\xBF\xBD", false},
    };
    for (const auto& c : cases) {
        NarrowedName narrowed = NarrowName(c.name, c.codePage);
        EXPECT_EQ(std::make_pair(narrowed.text, narrowed.whole), std::make_pair(c.text, c.whole)) << c.codePage;
    }
    EXPECT_EQ(NarrowText(fullWidth, 1252), "..\\X") << "what the system's own narrowing makes of it";
    std::vector<UINT> pages = LookAlikeCodePages(fullWidth);
    EXPECT_NE(std::find(pages.begin(), pages.end(), 1252u), pages.end());
    EXPECT_EQ(std::find(pages.begin(), pages.end(), 932u), pages.end());
    EXPECT_EQ(LookAlikeCodePages(L"Book.TXT"), std::vector<UINT>{});
}

// A batch as the system's read by a folder's handle lays it out: records of
// a 68-byte fixed part (NextEntryOffset at 0, LastWriteTime at 24, EndOfFile
// at 40, FileAttributes at 56, FileNameLength at 60), each followed by its
// UTF-16 name.
struct BatchRecord {
    std::wstring name;
    uint32_t nextOffset;  // as written, whatever the records' positions
    uint32_t nameBytes;   // as written
    uint64_t size = 0;
};

std::vector<uint8_t> MakeBatch(const std::vector<BatchRecord>& records, size_t total) {
    std::vector<uint8_t> batch(total, 0);
    size_t at = 0;
    for (const BatchRecord& record : records) {
        auto put = [&](size_t offset, const void* data, size_t bytes) {
            if (at + offset + bytes <= total) std::memcpy(batch.data() + at + offset, data, bytes);
        };
        const uint32_t attributes = FILE_ATTRIBUTE_ARCHIVE;
        const uint64_t time = 0x01D0000012345678ull;
        put(0, &record.nextOffset, 4);
        put(24, &time, 8);
        put(40, &record.size, 8);
        put(56, &attributes, 4);
        put(60, &record.nameBytes, 4);
        put(68, record.name.data(), record.name.size() * sizeof(wchar_t));
        at += record.nextOffset;
    }
    return batch;
}

// The batch copied to the very end of a page that a page no one may read
// follows: a read past the batch ends the test at once.
class GuardedBatch {
public:
    explicit GuardedBatch(const std::vector<uint8_t>& batch) {
        m_pages = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(m_pages + kPage, kPage, PAGE_NOACCESS, &old);
        m_data = m_pages + kPage - batch.size();
        std::memcpy(m_data, batch.data(), batch.size());
    }
    ~GuardedBatch() { VirtualFree(m_pages, 0, MEM_RELEASE); }
    const uint8_t* Data() const { return m_data; }

private:
    static constexpr size_t kPage = 4096;
    uint8_t* m_pages = nullptr;
    uint8_t* m_data = nullptr;
};

// Every record's fixed part and name inside the batch, offsets only forward
// and past the fixed part, names that are names; a batch that fails is not
// taken at all, and nothing outside it is read.
TEST(FolderListing, TakesABatchOnlyWhenEveryRecordLiesInsideIt) {
    const struct {
        const char* name;
        std::vector<BatchRecord> records;
        size_t total;
        std::vector<std::string> listed;  // empty: the batch is refused
    } cases[] = {
        {"three records, the last name ending with the batch",
         {{L".", 72, 2}, {L"..", 72, 4}, {L"BOOK.TXT", 0, 16, 7}}, 72 + 72 + 68 + 16, {".", "..", "BOOK.TXT"}},
        {"the last name one byte past the batch", {{L".", 72, 2}, {L"BOOK.TXT", 0, 16}}, 72 + 68 + 15, {}},
        {"a name length that wraps in 32 bits", {{L"BOOK.TXT", 0, 0xFFFFFFC0u}}, 200, {}},
        {"a next offset that wraps back to the first record in 32 bits",
         {{L".", 80, 2}, {L"..", 0xFFFFFFB0u, 4}}, 400, {}},
        {"a next offset of 0xFFFFFFFF", {{L".", 0xFFFFFFFFu, 2}}, 400, {}},
        {"a next offset of 67, inside the record's own fixed part", {{L"A", 67, 2}, {L"B", 0, 2}}, 400, {}},
        {"a next offset of 69, inside the record's own name", {{L"A", 69, 2}, {L"B", 0, 2}}, 400, {}},
        {"a next offset of 70, right after the record's name", {{L"A", 70, 2}, {L"B", 0, 2}}, 70 + 70, {"A", "B"}},
        {"the next record's fixed part one byte past the batch", {{L"A", 72, 2}, {L"B", 0, 0}}, 72 + 67, {}},
        {"the next record's fixed part and name ending with the batch", {{L"A", 72, 2}, {L"B", 0, 2}}, 72 + 70,
         {"A", "B"}},
        {"a batch shorter than one fixed part", {{L"A", 0, 2}}, 67, {}},
        {"a name of an odd number of bytes", {{L"AB", 0, 3}}, 200, {}},
        {"an empty name", {{L"", 0, 0}}, 200, {}},
        {"a name with a separator", {{L"..\\X", 0, 8}}, 200, {}},
        {"a name with a NUL", {{std::wstring(L"A\0B", 3), 0, 6}}, 200, {}},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> batch = MakeBatch(c.records, c.total);
        GuardedBatch guarded(batch);
        std::optional<std::vector<FolderEntry>> entries = ParseFolderBatch(guarded.Data(), batch.size());
        if (c.listed.empty()) {
            EXPECT_FALSE(entries) << c.name;
            continue;
        }
        ASSERT_TRUE(entries) << c.name;
        std::vector<std::string> names;
        for (const FolderEntry& entry : *entries) names.push_back(entry.name);
        EXPECT_EQ(names, c.listed) << c.name;
        EXPECT_EQ(entries->back().size, c.records.back().size) << c.name;
        EXPECT_EQ(entries->back().attributes, static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE)) << c.name;
        EXPECT_EQ(entries->back().writeTime.dwHighDateTime, 0x01D00000u) << c.name;
        EXPECT_EQ(entries->back().writeTime.dwLowDateTime, 0x12345678u) << c.name;
    }
}
}  // namespace

