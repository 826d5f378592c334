#pragma once
// The DPI of the screen a window is on, for what the program draws itself
// (dialogs scale their templates through the font on their own). The program
// declares itself DPI-aware, so Windows does not stretch it as a bitmap: a
// size given for 96 DPI must be scaled here, or it comes out small.
#include <windows.h>

inline constexpr UINT kBaseDpi = 96;
// WM_DPICHANGED (Windows 8.1), which the headers declare only for newer targets
// than ours: a window moved to a screen of another DPI; the new DPI in HIWORD(wParam).
inline constexpr UINT kDpiChangedMessage = 0x02E0;

// The monitor's DPI where the system can tell it per window (Windows 10), else the screen's.
UINT WindowDpi(HWND window);

// A length in pixels at 96 DPI, at `dpi`.
inline int ScaleForDpi(int pixelsAt96, UINT dpi) { return MulDiv(pixelsAt96, static_cast<int>(dpi), kBaseDpi); }
