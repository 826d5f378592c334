#include "Scenario.h"

#include <iostream>

namespace {
// Every scenario ends well within this many dialogs; more means a loop.
constexpr int kMostDialogs = 100;
}  // namespace

std::string CurrentTestName() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/' || c == '\\' || c == ':') c = '_';
    return name;
}

bool IsMessageBox(const WindowInfo& window) {
    return window.title == kMessageBoxTitle && window.Control(kMessageBoxText) != nullptr;
}

SetupScenario::SetupScenario() : medium(CurrentTestName()) {}

void SetupScenario::TearDown() {
    if (robot && HasFailure()) std::cout << "---- robot transcript ----\n" << robot->Transcript() << "----\n";
    robot.reset();  // ends setup.exe if it is still running
}

bool SetupScenario::StartSetup() {
    std::string folder = medium.Build();
    EXPECT_FALSE(folder.empty()) << "cannot build the medium " << medium.Path();
    if (folder.empty()) return false;
    robot = std::make_unique<Robot>(SETUP_EXE, folder);
    bool started = robot->Start();
    EXPECT_TRUE(started) << "cannot start " << SETUP_EXE;
    return started;
}

std::optional<WindowInfo> SetupScenario::NextDialog() {
    std::optional<WindowInfo> dialog = robot->WaitDialog();
    EXPECT_TRUE(dialog.has_value()) << "no dialog came";
    return dialog;
}

bool SetupScenario::AcknowledgeMessage(const std::string& text) {
    std::optional<WindowInfo> box = NextDialog();
    if (!box) return false;
    EXPECT_EQ(box->title, kMessageBoxTitle);
    EXPECT_EQ(box->Text(kMessageBoxText), text);
    const ControlInfo* ok = box->Control(IDOK);
    EXPECT_TRUE(ok && ok->visible) << "message box without OK button: " << box->Text(kMessageBoxText);
    bool matches = box->title == kMessageBoxTitle && box->Text(kMessageBoxText) == text && ok;
    return PressAndWaitClosed(*box, IDOK) && matches;
}

bool SetupScenario::PressAndWaitClosed(const WindowInfo& dialog, int id) {
    robot->Press(id);
    bool closed = robot->WaitClosed(dialog.hwnd);
    EXPECT_TRUE(closed) << "\"" << dialog.title << "\" did not close after pressing " << id;
    return closed;
}

bool SetupScenario::PassToProgress() {
    std::optional<WindowInfo> welcome = NextDialog();
    if (!welcome) return false;
    // A message box here is a configuration message the scenario did not expect.
    EXPECT_NE(welcome->title, kMessageBoxTitle)
        << "a message came instead of the welcome dialog: " << welcome->Text(kMessageBoxText);
    if (!PressAndWaitClosed(*welcome, IDOK)) return false;
    std::optional<WindowInfo> destination = NextDialog();
    return destination && PressAndWaitClosed(*destination, IDOK);
}

bool SetupScenario::RefusedForNoRoomThenLeave(const WindowInfo& destination) {
    robot->Press(IDOK);
    std::optional<WindowInfo> message = NextDialog();
    if (!message) return false;
    EXPECT_EQ(message->title, "Not Enough Room");
    if (!PressAndWaitClosed(*message, IDOK)) return false;
    EXPECT_TRUE(robot->StaysOpen(destination.hwnd, 300)) << "the destination dialog closed after the refusal";
    if (!robot->Select(destination.hwnd)) return false;
    robot->Press(IDCANCEL);
    std::optional<WindowInfo> leave = NextDialog();
    return leave && PressAndWaitClosed(*leave, IDOK);
}

std::vector<WindowInfo> SetupScenario::WalkToEnd() {
    std::vector<WindowInfo> seen;
    // WaitFront also brings back a dialog the scenario has left open untouched.
    for (int n = 0; n < kMostDialogs; ++n) {
        std::optional<WindowInfo> dialog = robot->WaitFront();
        if (!dialog) break;
        seen.push_back(*dialog);
        robot->Press(robot->DefaultButton());
    }
    EXPECT_FALSE(robot->Running()) << "setup did not come to an end";
    return seen;
}
