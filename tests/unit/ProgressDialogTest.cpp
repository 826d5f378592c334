#include "engine/ProgressDialog.h"

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "TestWindows.h"
#include "settings/InstallSettings.h"
#include "settings/SetupTexts.h"
#include "dialogs/MessageDialogs.h"
#include "journal/RunRepair.h"

namespace {
// A medium whose copy stops at a replace question (A.TXT exists at the
// destination), so that the user can press Cancel in the progress dialog
// while the worker is still busy.
class ProgressDialogRun : public ::testing::Test {
protected:
    void SetUp() override {
        folder = MakeTestFolder("progress");
        CreateDirectoryA((folder + "\\CODE").c_str(), nullptr);
        WriteWholeFile(folder + "\\CODE\\A.TXT", "new a");
        WriteWholeFile(folder + "\\CODE\\B.TXT", "new b");
        dest = folder + "\\Dest";
        // The Desktop below the profile, where a run with rights (every run
        // under Wine) writes the shortcut.
        desktop = UserProfileFolder() + "\\progress-test-desktop";
        RemoveTree(desktop);
        CreateDirectoryA(dest.c_str(), nullptr);
        CreateDirectoryA(desktop.c_str(), nullptr);
        WriteWholeFile(dest + "\\A.TXT", "old a");

        InstallSettings = InstallSettingsRecord();
        InstallSettings.CodeDir = "CODE";
        InstallSettings.InstallPath = dest;
        InstallSettings.DesktopDir = desktop;
        InstallSettings.ShortcutLocation = "Desktop";
        InstallSettings.ShortcutName = "Book";
        SetupTexts.InstallingTitle = "Installing";
        SetupTexts.ConfirmReplaceTitle = "Replace?";
        SetupTexts.ExitTitle = "Leave?";
    }
    void TearDown() override { RemoveTree(desktop); }

    // Runs the progress dialog; at the replace question the user presses
    // Cancel in the progress dialog, answers the question Yes, and answers
    // the cancel question only when the worker has finished the copy.
    INT_PTR RunAndCancelLate(int cancelAnswer) {
        CurrentDirectoryScope here(folder);
        return RunModalAndDrive(
            [this] { return dialog.DoModal(); },
            [&](HWND progress) {
                HWND question = WaitForWindowTitled(kAnyThread, "Replace?");
                ASSERT_NE(question, nullptr);
                ClickButton(progress, IDCANCEL);
                HWND confirm = WaitForWindowTitled(kAnyThread, "Leave?");
                ASSERT_NE(confirm, nullptr);
                ClickButton(question, IDOK);
                ASSERT_TRUE(WaitForFile(dest + "\\B.TXT"));
                Sleep(300);  // the worker posts that it is done while the cancel question is open
                ClickButton(confirm, cancelAnswer);
            });
    }

    std::string folder, dest, desktop;
    ProgressDialog dialog{&AskToLeaveSetup, MachinePlaces().journals};
};

// Abandoned all the same, and undone: the replaced file is back, the new one gone.
TEST_F(ProgressDialogRun, ExitConfirmedAfterTheCopyEndedStillAbandonsSetup) {
    EXPECT_EQ(RunAndCancelLate(IDOK), IDOK);
    EXPECT_TRUE(dialog.Outcome().abandoned);
    EXPECT_EQ(FileContent(dest + "\\A.TXT"), "old a");
    EXPECT_EQ(ListingOrder(dest), std::vector<std::string>{"A.TXT"});
    EXPECT_EQ(GetFileAttributesA((desktop + "\\Book.Lnk").c_str()), INVALID_FILE_ATTRIBUTES)
        << "an abandoned setup makes no shortcut";
    EXPECT_EQ(InstallSettings.InstallDrive, "");
}

TEST_F(ProgressDialogRun, ContinueAfterTheCopyEndedFinishesNormally) {
    EXPECT_EQ(RunAndCancelLate(IDCANCEL), IDOK);
    EXPECT_FALSE(dialog.Outcome().abandoned);
    EXPECT_EQ(ListingOrder(dest).size(), 2u) << "the replaced file is let go";
    EXPECT_NE(GetFileAttributesA((desktop + "\\Book.Lnk").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(FileContent(dest + "\\A.TXT"), "new a");
    EXPECT_EQ(InstallSettings.InstallDrive, dest.substr(0, 2));
}

// A logoff or shutdown while the copy runs: the dialog answers that the
// session may not end. Ended all the same, the copy stops and nothing is
// undone (the process may end at any instant): the journal stays on the disk,
// and the next start puts the reader's file back.
TEST_F(ProgressDialogRun, TheSessionsEndIsHeldUpAndWhenItComesTheJournalIsLeft) {
    WriteWholeFile(dest + "\\B.TXT", "old b");
    InstallSettings.ProductName = "Session Test Book";
    LRESULT mayEnd = -1;
    CurrentDirectoryScope here(folder);
    RunModalAndDrive(
        [this] { return dialog.DoModal(); },
        [&](HWND progress) {
            HWND question = WaitForWindowTitled(kAnyThread, "Replace?");
            ASSERT_NE(question, nullptr);
            mayEnd = SendMessageA(progress, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
            SendMessageA(progress, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
            ClickButton(question, 1001);
        });
    EXPECT_EQ(mayEnd, FALSE);
    EXPECT_TRUE(dialog.Outcome().abandoned);
    EXPECT_EQ(ListingOrder(dest), (std::vector<std::string>{"A.TXT", "B.TXT"})) << "nothing was replaced after the end";
    RepairResult repair = RepairUnfinishedRuns(MachinePlaces().journals, InstallSettings.ProductName);
    EXPECT_EQ(repair.repaired, 1) << "the journal was not left for the next start";
    EXPECT_EQ(FileContent(dest + "\\A.TXT"), "old a");
    EXPECT_EQ(FileContent(dest + "\\B.TXT"), "old b");
}

TEST_F(ProgressDialogRun, ACodeFolderThatCannotBeEnteredIsReportedNotReplacedByTheMediumRoot) {
    // "CODE\MISSING" answers "path not found", which counts as present: the
    // folder must still really become current before anything is copied.
    InstallSettings.CodeDir = "NOPE\\MISSING";
    std::string message;
    CurrentDirectoryScope here(folder);
    INT_PTR result = RunModalAndDrive(
        [this] { return dialog.DoModal(); },
        [&](HWND) {
            HWND box = WaitForWindowTitled(kAnyThread, "unit_tests");
            ASSERT_NE(box, nullptr);
            message = MessageBoxText(box);
            ClickButton(box, IDOK);
        });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(message,
              "The book's files are supposed to be in a directory named 'NOPE\\MISSING'. Setup can't find this "
              "directory so it's exiting.");
    EXPECT_TRUE(dialog.Outcome().abandoned);
    EXPECT_EQ(GetFileAttributesA((dest + "\\CODE").c_str()), INVALID_FILE_ATTRIBUTES) << "nothing may be copied";
    EXPECT_EQ(FileContent(dest + "\\A.TXT"), "old a");
}

// The bar's control takes a signed 32-bit range: a DVD-sized book is shown in
// units of 2, 4, ... bytes, and the position never passes the range.
TEST(ProgressBar, TakesTheBytesWithinWhatTheControlHolds) {
    const struct {
        uint64_t done, total;
        int range, position;
    } cases[] = {
        {0, 0, 1, 0},  // nothing listed: an empty bar
        {250, 1000, 1000, 250},
        {1500, 1000, 1000, 1000},  // files grown since the listing
        {0x7FFFFFFFull, 0x7FFFFFFFull, 0x7FFFFFFF, 0x7FFFFFFF},
        {0x40000000ull, 0x80000000ull, 0x40000000, 0x20000000},
        {4700000000ull, 9400000000ull, 1175000000, 587500000},  // a dual-layer DVD, in units of 8 bytes
    };
    for (const auto& c : cases) {
        BarPosition bar = BarFor({c.done, c.total});
        EXPECT_EQ(bar.range, c.range) << c.done << " of " << c.total;
        EXPECT_EQ(bar.position, c.position) << c.done << " of " << c.total;
    }
}
// The system's LZ library on a compressed file's bytes: what it expands, or
}  // namespace
