// The install sequence as the user walks it: the welcome dialog first, the
// finished dialog last, exit code 1.

#include "Scenario.h"

namespace {
const char kProduct[] = "Zandel Companion";

// Whether the process runs as a 32-bit program on a 64-bit Windows (WoW64).
bool UnderWow64(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    BOOL wow64 = FALSE;
    if (process) {
        IsWow64Process(process, &wow64);
        CloseHandle(process);
    }
    return wow64 != FALSE;
}

// The kind of Windows the test command runs this test on (tools/env.sh).
bool RunOn64BitWindows() {
    char arch[16] = {};
    return GetEnvironmentVariableA("SETUP_WINEARCH", arch, sizeof arch) && std::string(arch) == "win64";
}
}  // namespace

// A complete medium shows no message before the welcome dialog, and the
// texts of both message dialogs come from SETUP.TXT.
TEST_F(SetupScenario, TypicalRunOpensWithWelcomeAndClosesWithFinished) {
    ASSERT_TRUE(StartSetup());
    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome);
    // On a 64-bit Windows setup is a 32-bit program under WoW64: the run
    // is on the Windows it was asked for, not on whatever Wine made.
    EXPECT_EQ(UnderWow64(robot->ProcessId()), RunOn64BitWindows());
    EXPECT_EQ(welcome->title, "Welcome");
    EXPECT_EQ(welcome->Text(1000), std::string("Welcome to the setup of the ") + kProduct +
                                       ". Setup copies the example programs of the book onto your hard disk. "
                                       "Press OK to go on.");
    EXPECT_EQ(welcome->Text(IDOK), "OK");
    // Leaving is not offered: no Cancel button and no close box.
    EXPECT_EQ(welcome->Control(IDCANCEL), nullptr);
    EXPECT_EQ(welcome->style & WS_SYSMENU, 0u);

    std::vector<WindowInfo> rest = WalkToEnd();
    ASSERT_FALSE(rest.empty());
    const WindowInfo& finished = rest.back();
    EXPECT_EQ(finished.title, "Setup Complete");
    EXPECT_EQ(finished.Text(1000), std::string("The ") + kProduct +
                                       " has been installed. You will find a shortcut to its folder on your "
                                       "desktop. Enjoy the book!");
    EXPECT_EQ(finished.Text(IDOK), "OK");
    EXPECT_EQ(robot->WaitExit(), 1);
}

// Escape does nothing in the welcome dialog: it stays, unchanged and in front;
// Enter takes its OK button, and the sequence goes on.
TEST_F(SetupScenario, EscapeInWelcomeChangesNothing) {
    ASSERT_TRUE(StartSetup());
    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome);
    robot->Key(VK_ESCAPE);
    robot->Key(VK_ESCAPE);
    EXPECT_TRUE(robot->StaysOpen(welcome->hwnd, 1500));
    std::optional<WindowInfo> after = robot->Read(welcome->hwnd);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->title, welcome->title);
    EXPECT_EQ(after->Text(1000), welcome->Text(1000));

    robot->Key(VK_RETURN);
    ASSERT_TRUE(robot->WaitClosed(welcome->hwnd));
    std::vector<WindowInfo> rest = WalkToEnd();
    ASSERT_FALSE(rest.empty());
    EXPECT_EQ(rest.back().title, "Setup Complete");
    EXPECT_EQ(robot->WaitExit(), 1);
}

// WelcomeText and FinishedText are format texts with one argument, the
// product name: the first %s takes it, %% shows one percent sign, and
// everything else is shown as written, without reading a second argument.
struct FormatCase {
    const char* name;
    const char* welcomeText;
    const char* welcomeShown;
    const char* finishedText;
    const char* finishedShown;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FormatCase& c, std::ostream* out) { *out << c.name; }

class FormatTexts : public SetupScenario, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(FormatTexts, ShowTheProductOnceAndTheRestLiterally) {
    const FormatCase& c = GetParam();
    medium.SetTxt("WelcomeText", c.welcomeText).SetTxt("FinishedText", c.finishedText);
    ASSERT_TRUE(StartSetup());
    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome);
    EXPECT_EQ(welcome->Text(1000), c.welcomeShown);
    std::vector<WindowInfo> rest = WalkToEnd();
    ASSERT_FALSE(rest.empty());
    EXPECT_EQ(rest.back().Text(1000), c.finishedShown);
    EXPECT_EQ(robot->WaitExit(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    E2E, FormatTexts,
    ::testing::Values(
        FormatCase{"NoArgumentAndPercent", "Welcome to the book's files.", "Welcome to the book's files.",
                   "100%% done", "100% done"},
        FormatCase{"TwoArguments", "%s and %s", "Zandel Companion and %s", "%d%%: %s %x", "%d%: Zandel Companion %x"},
        FormatCase{"OtherConversions", "%%s is literal, %s is not", "%s is literal, Zandel Companion is not",
                   "%s%n%p%", "Zandel Companion%n%p%"}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });
