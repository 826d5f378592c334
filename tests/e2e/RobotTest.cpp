// The robot itself, driving robot_target.exe: what the scenarios rely on.

#include <gtest/gtest.h>

#include "Robot.h"
#include "RobotTarget.h"

namespace {
constexpr int kMessageBoxText = 0xFFFF;

// Polls a list box of another process until it shows the selection (posted
// keys are handled whenever the target gets to them).
bool WaitSelection(HWND list, int index) {
    for (int i = 0; i < 250; ++i) {
        DWORD_PTR selection = 0;
        SendMessageTimeoutA(list, LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 1000, &selection);
        if (static_cast<int>(selection) == index) return true;
        Sleep(20);
    }
    return false;
}
}  // namespace

TEST(Robot, TypesAndPastesIntoAnEditBoxOfAnotherProcess) {
    Robot robot(ROBOT_TARGET_EXE, SOURCE_DIR);
    ASSERT_TRUE(robot.Start());
    std::optional<WindowInfo> dialog = robot.WaitDialog();
    ASSERT_TRUE(dialog) << robot.Transcript();
    EXPECT_EQ(dialog->title, "Robot Target");
    ASSERT_TRUE(dialog->Control(IDC_TARGET_EDIT));
    EXPECT_EQ(dialog->Control(IDC_TARGET_EDIT)->className, "Edit");

    robot.Type(IDC_TARGET_EDIT, "Zan del");
    EXPECT_EQ(robot.Read(dialog->hwnd)->Text(IDC_TARGET_EDIT), "Zan del");
    robot.Paste(IDC_TARGET_EDIT, "\\Books");
    EXPECT_TRUE(robot.WaitText(IDC_TARGET_EDIT, "Zan del\\Books")) << robot.Transcript();
    robot.Press(IDOK);
    EXPECT_EQ(robot.WaitExit(), 13) << robot.Transcript();
}

// A message box over the dialog is a new dialog; once it is closed, the
// actions go to the dialog below again.
TEST(Robot, FollowsAMessageBoxAndReturnsToTheDialogBelow) {
    Robot robot(ROBOT_TARGET_EXE, SOURCE_DIR);
    ASSERT_TRUE(robot.Start());
    std::optional<WindowInfo> dialog = robot.WaitDialog();
    ASSERT_TRUE(dialog) << robot.Transcript();

    robot.Press(IDC_TARGET_ASK);
    // While the box is up, the dialog below is disabled and takes no click,
    // as for a person (else OK would end it with code 0 once the box closes).
    for (int i = 0; i < 250 && IsWindowEnabled(dialog->hwnd); ++i) Sleep(20);
    robot.Press(IDOK);
    std::optional<WindowInfo> box = robot.WaitDialog();
    ASSERT_TRUE(box) << robot.Transcript();
    EXPECT_EQ(box->title, "Question");
    EXPECT_EQ(box->Text(kMessageBoxText), "Shall I?");
    EXPECT_FALSE(IsWindowEnabled(dialog->hwnd));
    EXPECT_EQ(robot.DefaultButton(), IDYES);
    robot.Press(IDNO);
    EXPECT_FALSE(robot.StaysOpen(box->hwnd, 3000));

    // The dialog is in front again: not a new dialog, but the next one in front.
    std::optional<WindowInfo> again = robot.WaitFront();
    ASSERT_TRUE(again) << robot.Transcript();
    EXPECT_EQ(again->hwnd, dialog->hwnd);
    EXPECT_TRUE(robot.WaitText(IDC_TARGET_ANSWER, "no")) << robot.Transcript();
    robot.Key(VK_ESCAPE);
    EXPECT_EQ(robot.WaitExit(), TARGET_CANCELLED) << robot.Transcript();
}

// Keys reach the control that has the focus, through the dialog's own
// keyboard handling: Tab moves on, arrows move in a list, Enter takes the
// default button.
TEST(Robot, SendsKeysToTheFocusedControl) {
    Robot robot(ROBOT_TARGET_EXE, SOURCE_DIR);
    ASSERT_TRUE(robot.Start());
    std::optional<WindowInfo> dialog = robot.WaitDialog();
    ASSERT_TRUE(dialog) << robot.Transcript();
    HWND list = GetDlgItem(dialog->hwnd, IDC_TARGET_LIST);

    EXPECT_TRUE(robot.WaitFocus(IDC_TARGET_EDIT));
    robot.Key(VK_TAB);
    ASSERT_TRUE(robot.WaitFocus(IDC_TARGET_LIST)) << robot.Transcript();
    robot.Key(VK_DOWN);
    robot.Key(VK_DOWN);
    EXPECT_TRUE(WaitSelection(list, 2));
    robot.Key(VK_UP);
    EXPECT_TRUE(WaitSelection(list, 1));
    robot.Key(VK_RETURN);
    EXPECT_EQ(robot.WaitExit(), 0) << robot.Transcript();
}

// What does not come fails within the robot's timeout, and nothing it
// started outlives it.
TEST(Robot, GivesUpInTimeAndLeavesNoProcessBehind) {
    HANDLE process = nullptr;
    {
        Robot robot(ROBOT_TARGET_EXE, SOURCE_DIR, 1000);
        ASSERT_TRUE(robot.Start());
        ASSERT_TRUE(robot.WaitDialog()) << robot.Transcript();
        process = OpenProcess(SYNCHRONIZE, FALSE, robot.ProcessId());
        ASSERT_TRUE(process);

        DWORD start = GetTickCount();
        EXPECT_FALSE(robot.WaitDialog());
        EXPECT_FALSE(robot.FindWindowByTitle("No Such Window"));
        EXPECT_LT(GetTickCount() - start, 3000u);
        EXPECT_NE(robot.Transcript().find("timeout: no new dialog"), std::string::npos) << robot.Transcript();
        EXPECT_TRUE(robot.Running());
    }
    EXPECT_EQ(WaitForSingleObject(process, 5000), WAIT_OBJECT_0);
    CloseHandle(process);
}

// But the session's desktop is not the robot's to end. Wine starts the
// process that keeps the desktop from the first program that asks for it;
// ended with a robot, it would leave the desktop to the next program without
// its X window, and that program would be ended by the X error of its first
// cursor release, with exit code 0, as if it had ended well. The target ends
// itself, unseen by this test, so that it is the first to ask.
TEST(Robot, LeavesTheDesktopsProcessRunning) {
    {
        Robot first(ROBOT_TARGET_EXE, SOURCE_DIR);
        first.SetCommandLine(std::string(ROBOT_TARGET_EXE) + " " TARGET_CLOSE_ITSELF);
        ASSERT_TRUE(first.Start());
        EXPECT_EQ(first.WaitExit(), TARGET_CANCELLED) << first.Transcript();
    }
    DWORD keeper = 0;
    GetWindowThreadProcessId(GetDesktopWindow(), &keeper);
    HANDLE desktop = keeper ? OpenProcess(SYNCHRONIZE, FALSE, keeper) : nullptr;
    ASSERT_TRUE(desktop) << "the desktop's window has no process";
    EXPECT_EQ(WaitForSingleObject(desktop, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the desktop's process has ended";
    CloseHandle(desktop);
}
