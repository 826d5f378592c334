// The log of a run: its lines in order and in UTF-8, readable meanwhile,
// written only at a place of the user's the run may write, and where it goes
// when no /LOG= names it.
#include <gtest/gtest.h>

#include "TestFiles.h"
#include "framework/CodePage.h"
#include "framework/LogFile.h"
#include "framework/PathText.h"
#include "framework/PlaceWay.h"
#include "journal/LogPlace.h"

namespace {
// Lines noted before the file is opened come first; the text is written in
// UTF-8 whatever the program's code page (UTF-8, or 1252 in the older systems' form), a CR
// LF after each line, and the file can be read while the run still writes it.
TEST(LogFile, WritesEveryLineInOrderAndCanBeReadMeanwhile) {
    std::string folder = MakeTestFolder("LogFile");
    LogFile log;
    log.Line("Warning: The DestDir key (or its text) is not set in SETUP.INI");
    EXPECT_FALSE(log.Open(folder + "\\missing folder\\setup.log"));
    log.Line("Destination: C:\\" + NarrowText(L"\u00DCbungen"));
    ASSERT_TRUE(log.Open(folder + "\\setup.log"));
    EXPECT_EQ(FileContent(folder + "\\setup.log"),
              "Warning: The DestDir key (or its text) is not set in SETUP.INI\r\nDestination: C:\\Übungen\r\n");
    log.Line("Installed.");
    EXPECT_EQ(FileContent(folder + "\\setup.log"),
              "Warning: The DestDir key (or its text) is not set in SETUP.INI\r\nDestination: C:\\Übungen\r\nInstalled.\r\n");

    // The temporary folder is the user's: a second name of another file put
    // at the log's name is taken away, never written through.
    ASSERT_TRUE(WriteWholeFile(folder + "\\precious.ini", "the system's"));
    ASSERT_TRUE(CreateHardLinkA((folder + "\\planted.log").c_str(), (folder + "\\precious.ini").c_str(), nullptr));
    LogFile planted;
    ASSERT_TRUE(planted.Open(folder + "\\planted.log"));
    planted.Line("Installed.");
    EXPECT_EQ(FileContent(folder + "\\precious.ini"), "the system's");
    EXPECT_EQ(FileContent(folder + "\\planted.log"), "Installed.\r\n");

    // A path named as a person types it: relative to the current folder, or
    // through "..".
    {
        CurrentDirectoryScope here(folder);
        LogFile relative;
        ASSERT_TRUE(relative.Open("relative.log"));
        relative.Line("Installed.");
    }
    EXPECT_EQ(FileContent(folder + "\\relative.log"), "Installed.\r\n");
    MakeFolders(folder + "\\Sub");
    LogFile climbing;
    ASSERT_TRUE(climbing.Open(folder + "\\Sub\\..\\climbing.log"));
    climbing.Line("Installed.");
    EXPECT_EQ(FileContent(folder + "\\climbing.log"), "Installed.\r\n");

    // The log's folder, or one above it, a link the user made (to a folder of
    // the system's, with a file of the log's name there): refused, and
    // nothing behind the link written or deleted.
    const std::string elsewhere = MakeTestFolder("LogFile-elsewhere");
    ASSERT_TRUE(WriteWholeFile(elsewhere + "\\setup.log", "the system's"));
    ASSERT_TRUE(WriteWholeFile(elsewhere + "\\Deeper\\setup.log", "the system's too"));
    ASSERT_TRUE(MakeLinuxLink(folder + "\\Linked", elsewhere));
    for (const char* below : {"\\Linked\\setup.log", "\\Linked\\Deeper\\setup.log"}) {
        LogFile linked;
        EXPECT_FALSE(linked.Open(folder + below)) << below;
        linked.Line("Installed.");
    }
    EXPECT_EQ(FileContent(elsewhere + "\\setup.log"), "the system's");
    EXPECT_EQ(FileContent(elsewhere + "\\Deeper\\setup.log"), "the system's too");
    EXPECT_EQ(ListingOrder(elsewhere).size(), 2u);
    EXPECT_TRUE(RemoveLinuxLink(folder + "\\Linked"));
    RemoveTree(elsewhere);
    RemoveTree(folder);
}

// The root a way to a place of the user's starts from: the profile for what
// lies below it (whole names, any letter case), else the drive's or the
// share's root; nothing for a path on neither.
TEST(LogFile, APlaceOfTheUsersIsWalkedFromTheProfileOrTheDrivesRoot) {
    const std::string profile = "C:\\users\\Reader";
    const struct {
        const char* path;
        const char* root;
    } rows[] = {
        {"C:\\users\\Reader\\AppData\\Local\\Temp\\setup.log", "C:\\users\\Reader"},
        {"c:\\USERS\\reader\\Desktop", "C:\\users\\Reader"},
        {"C:\\users\\Reader", "C:\\users\\Reader"},
        {"C:\\users\\Reader\\", "C:\\users\\Reader"},
        {"C:\\users\\Readers\\setup.log", "C:\\"},
        {"C:\\users\\setup.log", "C:\\"},
        {"D:\\Logs\\setup.log", "D:\\"},
        {"d:\\setup.log", "d:\\"},
        {"\\\\server\\share\\Logs\\setup.log", "\\\\server\\share\\"},
        {"\\\\server\\share", "\\\\server\\share\\"},
        {"\\\\server", ""},
        {"\\\\server\\\\setup.log", ""},
        {"\\\\?\\C:\\Logs\\setup.log", ""},
        {"\\\\.\\pipe\\setup.log", ""},
        {"Logs\\setup.log", ""},
        {"1:\\setup.log", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(PlaceRoot(row.path, profile), row.root) << row.path;
    EXPECT_EQ(PlaceRoot("C:\\users\\Reader\\setup.log", ""), "C:\\") << "no profile known";

    // A place a value of the user's names (the shell folders): a run with
    // rights writes there only below the profile, by whole names.
    const struct {
        const char* path;
        bool elevated, may;
    } places[] = {
        {"C:\\users\\Reader\\Desktop", true, true},   {"C:\\users\\Readers\\Desktop", true, false},
        {"C:\\users\\Reader", true, false},            {"C:\\Windows\\System32", true, false},
        {"C:\\Windows\\System32", false, true},        {"D:\\Desktop", false, true},
    };
    for (const auto& row : places)
        EXPECT_EQ(MayWriteAtUsersPlace(row.path, profile, row.elevated), row.may) << row.path << " " << row.elevated;
    EXPECT_FALSE(MayWriteAtUsersPlace("C:\\users\\Reader\\Desktop", "", true)) << "no profile known";
}

// Without /LOG=: named after the product; an elevated run's in the
// machine's journals' folder (made when missing), where only administrators
// write, never in the user's temporary folder, even without that folder; a
// run without elevation's in the temporary folder.
TEST(LogFile, TheDefaultLogIsWhereTheRunsRightsKeepIt) {
    char temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    struct {
        const char* product;
        const char* name;
    } cases[] = {
        {"Zandel Companion", "setup-Zandel Companion.log"},
        {"Books: A/B \"C\" <1|2> *?\\", "setup-Books_ A_B _C_ _1_2_ ___.log"},
        {"Tab\tin", "setup-Tab_in.log"},
        {"", "setup.log"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LogFileName("setup", c.product), c.name) << c.product;
        EXPECT_EQ(DefaultLogPath("setup", c.product), JoinPath(temp, c.name)) << c.product;
    }

    const std::string windows = MakeTestFolder("LogFile-windows");
    ScopePlaces places = MachinePlaces();
    places.journals = JournalPlace(windows + "\\Book Setup Journals", true);
    std::vector<std::string> notes;
    EXPECT_EQ(DefaultRunLogPath("uninstall", "Zandel", places, &notes),
              windows + "\\Book Setup Journals\\uninstall-Zandel.log");
    EXPECT_TRUE(FileExists(windows + "\\Book Setup Journals"));
    EXPECT_EQ(notes, std::vector<std::string>{});
    // Without elevation: the user's own temporary folder.
    places.elevated = false;
    places.journals = JournalPlace(LocalAppDataFolder() + "\\Book Setup Journals", false);
    EXPECT_EQ(DefaultRunLogPath("uninstall", "Zandel", places, &notes), JoinPath(temp, "uninstall-Zandel.log"));
    // Elevated without the machine's folder: no log rather than the user's folder.
    places.elevated = true;
    places.journals.folder.clear();
    places.journals.machine = true;
    EXPECT_EQ(DefaultRunLogPath("uninstall", "Zandel", places, &notes), "");
    places.journals = JournalPlace(windows + "\\Book Setup Journals", false);
    EXPECT_EQ(DefaultRunLogPath("uninstall", "Zandel", places, &notes), "");
    RemoveTree(windows);
}
}  // namespace
