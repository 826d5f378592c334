// Two books end to end: a file of the Windows folder both scripts copy, and
// the uninstaller both share, stay while anyone counts on them.
#include "UninstallScenario.h"

// Two books whose scripts copy the same file into the Windows folder, removed
// one after the other: the file stays as long as anyone counts on it. Either
// the first book makes the file (count 1, still 1 after a second setup of
// the same book; 2 with the second book; 1 after removing the first; gone with
// its count after removing the second), or a program that keeps no count put
// it there before (2, 2, 3, 2, and 1 at the end: the file stays its).
//
// The first book may also have been installed by an older setup, which
// counted nothing and marked nothing in its record: the second book then finds
// the file there without a count (2), removing the first keeps the file and
// the count (an older record's file outside the book's folder stays while
// anyone counts on it), and the second gives back its own (1): the file stays.
struct SharedCase {
    const char* name;
    bool thereBefore;
    bool firstByAnOlderSetup;
    DWORD first, again, second, afterFirst;
    std::optional<DWORD> afterSecond;
};

void PrintTo(const SharedCase& c, std::ostream* out) { *out << c.name; }

class SharedWindowsFile : public UninstallScenario, public ::testing::WithParamInterface<SharedCase> {};

TEST_P(SharedWindowsFile, StaysWhileCounted) {
    const SharedCase& c = GetParam();
    std::string windowsCopy = WindowsFolder() + "\\ZANDEL.INI";
    DeleteFileA(windowsCopy.c_str());
    ForgetSharedCount(windowsCopy);
    if (c.thereBefore) {
        ASSERT_TRUE(WriteWholeFile(windowsCopy, "another program's settings"));
    }
    struct Cleanup {
        std::string copy, firstKey;
        ~Cleanup() {
            DeleteFileA(copy.c_str());
            ForgetSharedCount(copy);
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, firstKey.c_str());
        }
    } cleanup{windowsCopy, kUninstallKey + product};
    medium.AddFile("SCRIPT.TXT", Sample("SCRIPT.TXT"));
    Install();
    EXPECT_EQ(SharedCountOf(windowsCopy), c.first);
    Install();
    EXPECT_EQ(SharedCountOf(windowsCopy), c.again) << "a second setup of the same book";
    EXPECT_EQ(SharedCountOf(CopiedUninstaller()), 1u) << "the uninstaller, counted once for the book";
    const std::string first = product, firstDest = dest, firstCommand = RegisteredCommand();
    if (c.firstByAnOlderSetup) {
        ASSERT_NO_FATAL_FAILURE(RewriteAsOlderRecord(product));
        ForgetSharedCount(windowsCopy);
        ForgetSharedCount(CopiedUninstaller());
    }

    product = first + " 2";
    dest = firstDest + " 2";
    linkName = product + " Files";
    RemoveTree(dest);
    medium.SetIni("ProductName", product).SetIni("DestDir", dest).SetIni("ShortcutName", linkName);
    Install();
    EXPECT_EQ(SharedCountOf(windowsCopy), c.second);

    UninstallRun run = RunUninstaller(firstCommand, {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{"[question Yes No] " + first + ": " + kUninstallText});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(firstDest));
    EXPECT_FALSE(UninstallEntry(first).has_value());
    EXPECT_EQ(ReadWholeFile(windowsCopy), Sample("EXTRAS\\ZANDEL.INI")) << "went with the first book";
    EXPECT_EQ(SharedCountOf(windowsCopy), c.afterFirst);
    ExpectUninstallerStays(c.firstByAnOlderSetup ? 2 : 1);

    run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest));
    EXPECT_EQ(FileExists(windowsCopy), c.afterSecond.has_value());
    EXPECT_EQ(SharedCountOf(windowsCopy), c.afterSecond);
    EXPECT_FALSE(UninstallEntry(product).has_value());
    // Found there without a count by the second book, the uninstaller is
    // left to the older setup's book as well.
    if (c.firstByAnOlderSetup) ExpectUninstallerStays(1);
    else ExpectUninstallerGone();
}

INSTANTIATE_TEST_SUITE_P(E2E, SharedWindowsFile,
                         ::testing::Values(SharedCase{"MadeByTheFirstBook", false, false, 1, 1, 2, 1, std::nullopt},
                                           SharedCase{"ThereWithoutACount", true, false, 2, 2, 3, 2, 1},
                                           SharedCase{"FirstBookByAnOlderSetup", false, true, 1, 1, 2, 2, 1}),
                         [](const ::testing::TestParamInfo<SharedCase>& info) { return std::string(info.param.name); });

// A book pressed earlier, whose disc carries the uninstaller of version 0.9,
// installed after this one: the newer uninstaller in the Windows folder stays
// (counted for both books), removes the older book (the newer program reads
// every record), and goes with this one, the last.
TEST_F(UninstallScenario, AnOlderBooksDiscLeavesTheNewerUninstallerToRemoveBoth) {
    Install();
    const std::string first = product, firstDest = dest;
    struct Cleanup {
        std::string key;
        ~Cleanup() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str()); }
    } cleanup{kUninstallKey + first};

    product = first + " older";
    dest = firstDest + " older";
    linkName = product + " Files";
    RemoveTree(dest);
    medium.SetIni("ProductName", product).SetIni("DestDir", dest).SetIni("ShortcutName", linkName);
    medium.AddCopy("XOVUNIN.EXE", OLDER_XOVUNIN_EXE);
    ASSERT_TRUE(StartSetup() && PassToProgress());
    ASSERT_EQ(WalkAnswering({}).dialogs.back(), kFinishedTitle);
    ASSERT_EQ(robot->WaitExit(), 1);
    ExpectUninstallerStays(2);

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    EXPECT_FALSE(UninstallEntry(product).has_value());
    ExpectUninstallerStays(1);

    product = first;
    dest = firstDest;
    linkName = product + " Files";
    run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    ExpectShortcutIn(nullptr);
    ExpectEntryGone();
}
