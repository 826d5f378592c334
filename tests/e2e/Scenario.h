#pragma once
// The frame of every end-to-end scenario: a medium made for the scenario, the
// robot that runs setup.exe on it, and the transcript shown when it fails.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Medium.h"
#include "Robot.h"

// The caption of setup's message boxes: the program's file name without extension.
inline constexpr const char* kMessageBoxTitle = "setup";
// The static control that holds a message box's text.
inline constexpr int kMessageBoxText = 0xFFFF;

// Whether the window is a message box of setup.
bool IsMessageBox(const WindowInfo& window);

class SetupScenario : public ::testing::Test {
protected:
    SetupScenario();
    void TearDown() override;

    // Builds the medium and starts setup.exe in it; false (with a test failure) when it cannot.
    bool StartSetup();
    // The next dialog or message box; a test failure when none comes in time.
    std::optional<WindowInfo> NextDialog();
    // Expects a message box of setup with exactly this text and an OK button,
    // and closes it with OK; false when it was not there.
    bool AcknowledgeMessage(const std::string& text);
    // Presses the default button of every dialog in front until setup ends
    // (a dialog left open untouched included) and returns them in order; a
    // test failure when setup does not end.
    std::vector<WindowInfo> WalkToEnd();
    // Presses a button of the given dialog and waits until the dialog has gone.
    bool PressAndWaitClosed(const WindowInfo& dialog, int id);
    // Takes setup from its first dialog to the copy: OK in the welcome
    // dialog, then OK in the destination dialog, which keeps DestDir. Every scenario that
    // installs goes through here, so that a dialog added to the sequence
    // before the copy is passed in this one place. False (with a test
    // failure) when a dialog does not come or does not close.
    bool PassToProgress();
    // In the destination dialog: OK is refused with the not-enough-room
    // message, which is closed, and the dialog stays; then Cancel and the
    // confirmed exit. False (with a test failure) when any of it does not come.
    bool RefusedForNoRoomThenLeave(const WindowInfo& destination);

    Medium medium;
    std::unique_ptr<Robot> robot;
};

// The name of the running test, usable as a folder name.
std::string CurrentTestName();
