#include "dialogs/FolderBrowsing.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <random>

#include "framework/CodePage.h"

namespace {
TEST(FolderBrowsing, PathsJoinWithOneBackslash) {
    struct Case {
        std::vector<std::string> texts;  // item first, drive last
        const char* expected;
    };
    const Case cases[] = {
        {{"C:\\"}, "C:\\"},
        {{"WINDOWS", "C:\\"}, "C:\\WINDOWS"},
        {{"SYSTEM", "WINDOWS", "C:\\"}, "C:\\WINDOWS\\SYSTEM"},
        {{"a b", "x.y", "D:\\"}, "D:\\x.y\\a b"},
        {{}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ItemPathFromTexts(c.texts), c.expected);
    EXPECT_EQ(FolderSearchPattern("C:\\"), "C:\\*.*");
    EXPECT_EQ(FolderSearchPattern("C:\\GAMES"), "C:\\GAMES\\*.*");
}

TEST(FolderBrowsing, ResultIsSelectedFolderPlusNewName) {
    struct Case {
        const char* selected;
        const char* newName;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\", "BOOK", "C:\\BOOK"},
        {"C:\\GAMES", "BOOK", "C:\\GAMES\\BOOK"},
        {"C:\\GAMES", "", "C:\\GAMES"},
        {"", "BOOK", "\\BOOK"},
        {"", "", ""},
        // Pasted text is filtered whole: no path, no wildcard gets through.
        {"C:\\GAMES", "new*dir", "C:\\GAMES\\newdir"},
        {"C:\\", "D:\\x\\y", "C:\\Dxy"},
        {"C:\\GAMES", "?*:", "C:\\GAMES"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormBrowseResult(c.selected, c.newName), c.expected) << c.selected << " + " << c.newName;
}

// The names come out in the order a tree control gives items inserted with
// TVI_SORT, punctuation and accented letters included.
TEST(FolderBrowsing, NamesSortAsTheTreeControlSortsThem) {
    std::vector<std::string> names = {"zeta", "_under", "Alpha", "beta", ".hidden", "BETB", "alp", "10", "9",
                                      NarrowText(L"\u00E9t\u00E9"), "co-op", "coop", "~tilde", "it's", "its", "Eve", "e"};
    HWND tree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(tree, nullptr);
    for (const std::string& name : names) {
        TVINSERTSTRUCTA insert = {};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_SORT;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = const_cast<char*>(name.c_str());
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
    }
    std::vector<std::string> treeOrder;
    for (auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
         item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        char text[64] = {};
        TVITEMA got = {};
        got.mask = TVIF_TEXT;
        got.hItem = item;
        got.pszText = text;
        got.cchTextMax = sizeof text;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&got));
        treeOrder.push_back(text);
    }
    DestroyWindow(tree);

    SortFolderNames(names);
    EXPECT_EQ(names, treeOrder);
    EXPECT_TRUE(FolderNameLess("abc", "ABD"));
    EXPECT_FALSE(FolderNameLess("ABC", "abc"));
    EXPECT_FALSE(FolderNameLess("abc", "ABC"));
}

TEST(FolderBrowsing, NamesEqualInUpperCaseKeepListingOrder) {
    std::vector<std::string> names = {"b", "Same", "a", "SAME", "same"};
    SortFolderNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "Same", "SAME", "same"}));
}

TEST(FolderBrowsing, LargeListSortsLikePairwiseOrder) {
    std::vector<std::string> names;
    std::mt19937 random(7);
    for (int i = 0; i < 3000; ++i) {
        std::string name;
        for (int j = 0, n = 1 + static_cast<int>(random() % 8); j < n; ++j)
            name += "aZ_09.#b$-'~"[random() % 12];
        names.push_back(name);
    }
    SortFolderNames(names);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), FolderNameLess));
}

TEST(FolderBrowsing, NewDirectoryCharacters) {
    // Pasted text is filtered whole at OK: a double-byte character goes with both its bytes.
    EXPECT_EQ(KeepAllowedNewDirChars("B\x83\x41" "C\x95\x5C(1)", 932), "BC(1)");
    EXPECT_EQ(KeepAllowedNewDirChars("B\x83\x41" "C\x95\x5C(1)", 1252), "BAC(1)");
    EXPECT_EQ(KeepAllowedNewDirChars("BКниги(1)Đ", CP_UTF8), "B(1)");
    const std::string allowed = "AZaz09#$%&'() ";
    for (char c : allowed) EXPECT_TRUE(IsAllowedNewDirChar(c)) << "'" << c << "'";
    const std::string refused = "-_.\\/:*?\"<>|!@^~`{}[];,+=\t\x01\x7f\x80\xC4\xE9\xFF";
    for (char c : refused) EXPECT_FALSE(IsAllowedNewDirChar(c)) << "code " << int(static_cast<unsigned char>(c));
}

TEST(FolderBrowsing, FilterLooksOnlyAtTheCharacterBeforeTheCaret) {
    struct Case {
        const char* text;
        int caret;
        bool removed;
        const char* expectedText;
        int expectedCaret;
        UINT codePage = 1252;
    };
    const Case cases[] = {
        {"A-", 2, true, "A", 1},       // typed "-" after "A"
        {"AB", 2, false, "AB", -1},
        {"-", 1, true, "", -1},        // refused first character: the box puts the caret at 0
        {"X!Y", 3, false, "X!Y", -1},  // pasted in one piece: only "Y" is examined
        {"a-b", 2, true, "ab", 1},     // typed in the middle; the rest keeps its case
        {"ab", 0, false, "ab", -1},    // caret at 0: the change made by putting text back
        {"", 0, false, "", -1},
        {"A\xE9", 2, true, "A", 1},
        {"AB", 7, false, "AB", -1},    // a caret past the end examines nothing
        // A double-byte character goes whole, whatever its second byte looks like.
        {"A\x95\x5C", 3, true, "A", 1, 932},   // 表
        {"\x83\x41", 2, true, "", -1, 932},     // ア: its second byte is "A"
        {"\x83\x41" "B", 3, false, "\x83\x41" "B", -1, 932},
        // In UTF-8 a character is a sequence of two to four bytes, all of them from 128 up.
        {"AК", 3, true, "A", 1, CP_UTF8},         // К (Cyrillic): two bytes
        {"Aエ", 4, true, "A", 1, CP_UTF8},        // エ: three bytes
        {"A\xF0\x9F\x93\x96", 5, true, "A", 1, CP_UTF8},  // a book: four bytes
        {"КB", 3, false, "КB", -1, CP_UTF8},
    };
    for (const Case& c : cases) {
        NewDirFilterResult result = FilterNewDirText(c.text, c.caret, c.codePage);
        EXPECT_EQ(result.removed, c.removed) << c.text << " @" << c.caret;
        EXPECT_EQ(result.text, c.expectedText) << c.text << " @" << c.caret;
        EXPECT_EQ(result.caret, c.expectedCaret) << c.text << " @" << c.caret;
    }
}
}  // namespace
