// Installing end to end, a run that does not finish: a journal that cannot
// be begun, Cancel in the middle of a large copy, a logoff held up, and an
// abandoned run whose paths come back as the reader had them.
#include "InstallScenario.h"
#include "ScenarioChanges.h"
#include "journal/JournalTrust.h"

// A journal that cannot be begun (a link wherever its folder would be made)
// stops the run before its first change: the book's problem text and why,
// then the exit dialog; the destination is never made.
TEST_F(InstallScenario, AJournalThatCannotBeBegunStopsTheRunBeforeItsFirstChange) {
    RemoveTree(dest);
    JournalPlaceTaken taken;
    ASSERT_TRUE(StartInstall());
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, (std::vector<std::string>{"setup: A problem occurred while the files were installed.\r\n\r\n"
                                                      "Setup could not begin its journal in " +
                                                          taken.Folder() + ", so it has changed nothing.",
                                                      kFailedTitle}));
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(GetFileAttributesA(dest.c_str()), INVALID_FILE_ATTRIBUTES) << "the destination folder was made";
    ExpectShortcutIn(nullptr);
    ExpectRegistered(false);
}

// Cancel in the progress dialog in the middle of a large copy, confirmed:
// the copy stops and is undone, the install folder setup made for it is
// gone, the exit dialog follows; nothing linked or registered. The reader's
// folder beside it is not touched.
TEST_F(InstallScenario, CancelInTheMiddleOfALargeCopyLeavesNoInstallFolder) {
    medium.SetIni("FilesCompressed", "NO").SetIni("DestDir", dest + "\\Book");
    // Many files, in many folders: the time of a copy goes with the count of
    // its files, so it is still running when the robot presses Cancel.
    const std::string block(8 * 1024, 'x');
    for (int folder = 0; folder < 40; ++folder)
        for (int i = 0; i < 100; ++i)
            medium.AddFile("CODE\\BULK\\D" + std::to_string(folder) + "\\PART" + std::to_string(i) + ".DAT", block);
    RemoveTree(dest);
    ASSERT_TRUE(WriteWholeFile(dest + "\\NOTES.TXT", "the reader's own"));
    ASSERT_TRUE(StartInstall());

    std::optional<WindowInfo> progress = NextDialog();
    ASSERT_TRUE(progress);
    ASSERT_EQ(progress->title, kProgressTitle);
    // Some of the copy done, far from all of it.
    ASSERT_TRUE(WaitForFile(dest + "\\Book\\Bulk", 20000));
    robot->Press(IDCANCEL);
    std::optional<WindowInfo> confirm = NextDialog();
    ASSERT_TRUE(confirm);
    EXPECT_EQ(confirm->title, kExitTitle);
    ASSERT_TRUE(PressAndWaitClosed(*confirm, kExitSetup));

    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFailedTitle});
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), Tree{{"NOTES.TXT", "the reader's own"}}), "");
    EXPECT_EQ(GetFileAttributesA((dest + "\\Book").c_str()), INVALID_FILE_ATTRIBUTES) << "the install folder is left";
    ExpectShortcutIn(nullptr);
    ExpectRegistered(false);
}

// A logoff while the copy runs (Wine's end of the session, which asks every
// window first): setup answers that the session may not end, so the logoff
// is called off, and the copy goes on to the end.
TEST_F(InstallScenario, ALogoffDuringTheCopyIsHeldUp) {
    medium.SetIni("FilesCompressed", "NO");
    const std::string block(8 * 1024, 'x');
    for (int folder = 0; folder < 40; ++folder)
        for (int i = 0; i < 100; ++i)
            medium.AddFile("CODE\\BULK\\D" + std::to_string(folder) + "\\PART" + std::to_string(i) + ".DAT", block);
    ASSERT_TRUE(StartInstall());
    std::optional<WindowInfo> progress = NextDialog();
    ASSERT_TRUE(progress);
    ASSERT_EQ(progress->title, kProgressTitle);
    ASSERT_TRUE(WaitForFile(dest + "\\Bulk", 20000));

    char commandLine[] = "wineboot.exe --end-session";
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION wineboot = {};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &wineboot));
    CloseHandle(wineboot.hThread);
    EXPECT_EQ(WaitForSingleObject(wineboot.hProcess, 60000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeProcess(wineboot.hProcess, &exitCode);
    CloseHandle(wineboot.hProcess);
    EXPECT_EQ(exitCode, 1u) << "the session's end was not called off";
    ASSERT_TRUE(robot->Running()) << "setup was ended with the session";

    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFinishedTitle});
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(InstalledTree(dest).size(), 4003u) << "the copy did not go on to the end";
}

// Two names of the medium that become one long name: the path is replaced
// twice in one run (Yes, Yes), then the run is abandoned at a later
// question. The path comes back as the reader had it, not as the medium's
// first copy.
TEST_F(InstallScenario, APathReplacedTwiceAndAbandonedComesBackAsTheReaders) {
    medium.Omit("CODE").SetIni("UseUnderscores", "YES").SetIni("FilesCompressed", "NO");
    medium.AddFile("CODE\\READ_ME.TXT", "the medium's first").AddFile("CODE\\READ ME.TXT", "the medium's second");
    Tree readers = {{"Read Me.txt", "the reader's"}};
    // Others asked about: the first after both names takes the Cancel.
    for (int i = 1; i <= 9; ++i) {
        medium.AddFile("CODE\\X" + std::to_string(i) + ".TXT", "the medium's x");
        readers["X" + std::to_string(i) + ".txt"] = "the reader's x";
    }
    Existing(readers);
    ASSERT_TRUE(StartInstall());
    int readMes = 0;
    bool abandoned = false;
    while (!abandoned) {
        std::optional<WindowInfo> dialog = NextDialog();
        ASSERT_TRUE(dialog);
        if (dialog->title == kProgressTitle) continue;
        ASSERT_EQ(dialog->title, kReplaceTitle);
        std::string asked = AskedFile(*dialog);
        if (asked == "READ_ME.TXT" || asked == "READ ME.TXT") {
            ++readMes;
            ASSERT_TRUE(PressAndWaitClosed(*dialog, kYes));
        } else if (readMes < 2) {
            ASSERT_TRUE(PressAndWaitClosed(*dialog, kNo));
        } else {
            ASSERT_NO_FATAL_FAILURE(CancelAndLeave(*dialog));
            abandoned = true;
        }
    }
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFailedTitle});
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), readers), "");
}

// The install folder is the reader's link to a folder elsewhere (a data
// drive): Yes to one replace, Cancel at the next, and every file of the
// reader's is back behind the link as it was, nothing extra, no kept name
// left; the link is still the reader's link.
TEST_F(InstallScenario, AnInstallFolderThatIsALinkComesBackAsItWas) {
    const std::string data = MakeTestFolder(CurrentTestName() + " Data");
    RemoveTree(dest);
    ASSERT_TRUE(MakeLinuxLink(dest, data));
    Tree readers;
    for (const auto& [relative, content] : SampleTree()) readers[relative] = OldContent(relative);
    for (const auto& [relative, content] : readers) ASSERT_TRUE(WriteWholeFile(data + "\\" + relative, content));
    ASSERT_TRUE(StartInstall());
    int questions = 0;
    for (bool abandoned = false; !abandoned;) {
        std::optional<WindowInfo> dialog = NextDialog();
        ASSERT_TRUE(dialog);
        if (dialog->title == kProgressTitle) continue;
        ASSERT_EQ(dialog->title, kReplaceTitle);
        if (++questions == 1) {
            ASSERT_TRUE(PressAndWaitClosed(*dialog, kYes));
            continue;
        }
        ASSERT_NO_FATAL_FAILURE(CancelAndLeave(*dialog));
        abandoned = true;
    }
    EXPECT_EQ(WalkAnswering().dialogs, std::vector<std::string>{kFailedTitle});
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(data), readers), "");
    EXPECT_EQ(KindOf(dest), PathKind::Link);
    EXPECT_TRUE(RemoveLinuxLink(dest));
}
