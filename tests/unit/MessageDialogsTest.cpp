#include "dialogs/MessageDialogs.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "TestWindows.h"
#include "settings/InstallSettings.h"
#include "settings/SetupTexts.h"

namespace {
struct Seen {
    std::string title, text, ok, cancel;
    bool cancelExists = false;
    int firstTabStop = 0;
    int defaultButton = 0;
    RECT rect = {};
};

Seen Look(HWND dialog) {
    Seen seen;
    seen.title = WindowText(dialog);
    seen.text = WindowText(GetDlgItem(dialog, IDC_MAIN_TEXT));
    seen.ok = WindowText(GetDlgItem(dialog, IDOK));
    seen.cancelExists = GetDlgItem(dialog, IDCANCEL) != nullptr;
    if (seen.cancelExists) seen.cancel = WindowText(GetDlgItem(dialog, IDCANCEL));
    seen.firstTabStop = GetDlgCtrlID(GetNextDlgTabItem(dialog, nullptr, FALSE));
    seen.defaultButton = LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0));
    GetWindowRect(dialog, &seen.rect);
    return seen;
}

class MessageDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        InstallSettings.ProductName = "Zandel 100%";
        SetupTexts.OkButton = "Fine";
        SetupTexts.WelcomeTitle = "Hello";
        SetupTexts.WelcomeText = "Welcome to %s, 100%% sure %d %s";
        SetupTexts.ExitTitle = "Leave?";
        SetupTexts.ExitText = "Really leave %s?";
        SetupTexts.ExitButton = "Leave";
        SetupTexts.ContinueButton = "Stay";
        SetupTexts.FinishedTitle = "Done";
        SetupTexts.FinishedText = "No placeholder";
        SetupTexts.SetupFailedTitle = "Stopped";
        SetupTexts.SetupFailedText = "Stopped at %s";
    }
};

TEST_F(MessageDialogs, WelcomeShowsItsFormattedTextAndIgnoresEscape) {
    Seen seen;
    bool stayedOpen = false;
    INT_PTR result = RunModalAndDrive(
        [] {
            WelcomeDialog dialog;
            return dialog.DoModal();
        },
        [&](HWND dialog) {
            seen = Look(dialog);
            // Escape arrives as IDCANCEL: the welcome dialog has no way out but OK.
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            Sleep(300);
            stayedOpen = IsWindow(dialog) && IsWindowVisible(dialog);
            ClickButton(dialog, IDOK);
        });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(seen.title, "Hello");
    EXPECT_EQ(seen.text, "Welcome to Zandel 100%, 100% sure %d %s");
    EXPECT_EQ(seen.ok, "Fine");
    EXPECT_FALSE(seen.cancelExists);

    // Centred on the work area, as there is no owner here.
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_LE(std::abs((seen.rect.left + seen.rect.right) - (area.left + area.right)), 2);
    EXPECT_LE(std::abs((seen.rect.top + seen.rect.bottom) - (area.top + area.bottom)), 2);
}

TEST_F(MessageDialogs, ConfirmExitAnswersOkForExitAndCancelForContinue) {
    Seen seen;
    auto run = [] {
        ConfirmExitDialog dialog;
        return dialog.DoModal();
    };
    EXPECT_EQ(RunModalAndDrive(run,
                               [&](HWND dialog) {
                                   seen = Look(dialog);
                                   ClickButton(dialog, IDOK);
                               }),
              IDOK);
    EXPECT_EQ(seen.title, "Leave?");
    EXPECT_EQ(seen.text, "Really leave %s?");  // shown exactly as written
    EXPECT_EQ(seen.ok, "Leave");
    EXPECT_EQ(seen.cancel, "Stay");
    EXPECT_EQ(seen.firstTabStop, IDOK) << "the exit button comes first in tab order";
    EXPECT_EQ(seen.defaultButton, IDCANCEL) << "continuing is the default";

    EXPECT_EQ(RunModalAndDrive(run,
                               [](HWND dialog) {
                                   PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                               }),
              IDCANCEL);
}

TEST_F(MessageDialogs, FinishedAndExitShowTheirTexts) {
    Seen finished, exitSeen;
    RunModalAndDrive(
        [] {
            FinishedDialog dialog;
            return dialog.DoModal();
        },
        [&](HWND dialog) {
            finished = Look(dialog);
            ClickButton(dialog, IDOK);
        });
    EXPECT_EQ(finished.title, "Done");
    EXPECT_EQ(finished.text, "No placeholder");
    EXPECT_EQ(finished.ok, "Fine");

    INT_PTR result = RunModalAndDrive(
        [] {
            ExitDialog dialog;
            return dialog.DoModal();
        },
        [&](HWND dialog) {
            exitSeen = Look(dialog);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(exitSeen.title, "Stopped");
    EXPECT_EQ(exitSeen.text, "Stopped at %s");
    EXPECT_EQ(exitSeen.ok, "Fine");
}
}  // namespace
