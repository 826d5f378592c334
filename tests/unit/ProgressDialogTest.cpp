#include "engine/ProgressDialog.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/InstallSettings.h"
#include "app/SetupApp.h"
#include "app/SetupTexts.h"
#include "engine/CopyState.h"

namespace {
struct TitledDialog {
    const char* title;
    HWND found;
};

BOOL CALLBACK FindTitled(HWND window, LPARAM param) {
    auto* wanted = reinterpret_cast<TitledDialog*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && WindowTextOf(window) == wanted->title) {
        wanted->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible window of this process with the title, waited for up to five seconds.
HWND WaitForTitled(const char* title) {
    for (int i = 0; i < 250; ++i) {
        TitledDialog wanted{title, nullptr};
        EnumWindows(&FindTitled, reinterpret_cast<LPARAM>(&wanted));
        if (wanted.found) return wanted.found;
        Sleep(20);
    }
    return nullptr;
}

bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 250; ++i) {
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(20);
    }
    return false;
}

// A medium whose copy stops at a replace question (A.TXT exists at the
// destination), so that the user can press Cancel in the progress dialog
// while the worker is still busy.
class ProgressDialogRun : public ::testing::Test {
protected:
    void SetUp() override {
        folder = MakeTestFolder("progress");
        CreateDirectoryA((folder + "\\CODE").c_str(), nullptr);
        WriteTextFile(folder + "\\CODE\\A.TXT", "new a");
        WriteTextFile(folder + "\\CODE\\B.TXT", "new b");
        dest = folder + "\\Dest";
        desktop = folder + "\\Desktop";
        CreateDirectoryA(dest.c_str(), nullptr);
        CreateDirectoryA(desktop.c_str(), nullptr);
        WriteTextFile(dest + "\\A.TXT", "old a");

        InstallSettings = InstallSettingsRecord();
        InstallSettings.CodeDir = "CODE";
        InstallSettings.InstallPath = dest;
        InstallSettings.DesktopDir = desktop;
        InstallSettings.ShortcutLocation = "Desktop";
        InstallSettings.ShortcutName = "Book";
        SetupTexts.InstallingTitle = "Installing";
        SetupTexts.ConfirmReplaceTitle = "Replace?";
        SetupTexts.ExitTitle = "Leave?";
        SetupCancelled = false;
        ReplaceAll = false;
    }
    void TearDown() override { SetupCancelled = false; }

    // Runs the progress dialog; at the replace question the user presses
    // Cancel in the progress dialog, answers the question Yes, and answers
    // the cancel question only when the worker has finished the copy.
    INT_PTR RunAndCancelLate(int cancelAnswer) {
        CurrentDirectoryScope here(folder);
        return RunModalAndDrive(
            [] {
                ProgressDialog dialog;
                return dialog.DoModal();
            },
            [&](HWND progress) {
                HWND question = WaitForTitled("Replace?");
                ASSERT_NE(question, nullptr);
                ClickButton(progress, IDCANCEL);
                HWND confirm = WaitForTitled("Leave?");
                ASSERT_NE(confirm, nullptr);
                ClickButton(question, IDOK);
                ASSERT_TRUE(WaitForFile(dest + "\\B.TXT"));
                Sleep(300);  // the worker posts that it is done while the cancel question is open
                ClickButton(confirm, cancelAnswer);
            });
    }

    std::string folder, dest, desktop;
};

TEST_F(ProgressDialogRun, ExitConfirmedAfterTheCopyEndedStillAbandonsSetup) {
    EXPECT_EQ(RunAndCancelLate(IDOK), IDOK);
    EXPECT_TRUE(SetupCancelled);
    EXPECT_TRUE(CopyAbandoned);
    EXPECT_EQ(GetFileAttributesA((desktop + "\\Book.Lnk").c_str()), INVALID_FILE_ATTRIBUTES)
        << "an abandoned setup makes no shortcut";
    EXPECT_EQ(InstallSettings.InstallDrive, "");
}

TEST_F(ProgressDialogRun, ContinueAfterTheCopyEndedFinishesNormally) {
    EXPECT_EQ(RunAndCancelLate(IDCANCEL), IDOK);
    EXPECT_FALSE(SetupCancelled);
    EXPECT_FALSE(CopyAbandoned);
    EXPECT_NE(GetFileAttributesA((desktop + "\\Book.Lnk").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadWholeFile(dest + "\\A.TXT"), "new a");
    EXPECT_EQ(InstallSettings.InstallDrive, dest.substr(0, 2));
}

TEST_F(ProgressDialogRun, ACodeFolderThatCannotBeEnteredIsReportedNotReplacedByTheMediumRoot) {
    // "CODE\MISSING" answers "path not found", which counts as present: the
    // folder must still really become current before anything is copied.
    InstallSettings.CodeDir = "NOPE\\MISSING";
    std::string message;
    CurrentDirectoryScope here(folder);
    INT_PTR result = RunModalAndDrive(
        [] {
            ProgressDialog dialog;
            return dialog.DoModal();
        },
        [&](HWND) {
            HWND box = WaitForTitled("unit_tests");
            ASSERT_NE(box, nullptr);
            message = WindowTextOf(GetDlgItem(box, 0xFFFF));
            ClickButton(box, IDOK);
        });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(message,
              "The book's files are supposed to be in a directory named 'NOPE\\MISSING'. Setup can't find this "
              "directory so it's exiting.");
    EXPECT_TRUE(SetupCancelled);
    EXPECT_EQ(GetFileAttributesA((dest + "\\CODE").c_str()), INVALID_FILE_ATTRIBUTES) << "nothing may be copied";
    EXPECT_EQ(ReadWholeFile(dest + "\\A.TXT"), "old a");
}
}  // namespace
