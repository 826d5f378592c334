#pragma once
// What the robot's two halves share: the windows of setup read from another
// process (Robot.cpp), and acted on (RobotActions.cpp).
#include <windows.h>

#include <string>

namespace robot_windows {
inline constexpr DWORD kPollMs = 20;
// A window of setup that does not answer within this time is read from the
// window manager's own copy of its text instead.
inline constexpr UINT kMessageTimeoutMs = 2000;

// The text with its control characters and those past ASCII written out, for the transcript.
std::string Escaped(const std::string& text);
std::string ClassOf(HWND w);
// The text as the window itself reports it (WM_GETTEXT is carried across
// processes by the system), so that an edit box shows what was typed; the
// window manager's copy when the window does not answer in time.
std::string TextOf(HWND w);
// A progress bar has no text: its position and range stand in for it, as
// "position/range" (both plain numbers, carried across processes).
std::string BarOf(HWND w);
// Whether the window is there, shown and takes input.
bool IsActive(HWND w);
}  // namespace robot_windows
