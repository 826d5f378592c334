#pragma once
// What the backdrop paints, apart from the window: a blue gradient one pixel
// row at a time and the screen message with its shadow.
#include <windows.h>

#include <string>

// The brush (0..254) for row y of a client area `height` rows high.
inline int GradientBrushIndex(int y, int height) { return static_cast<int>(255LL * y / height); }

// Fills width x height from the top left with the gradient.
void PaintGradient(HDC dc, int width, int height);
// Draws the message in black at (50, 50) and in white at (46, 46) with a
// transparent background, both places (and with them the shadow's offset)
// scaled from 96 DPI to `dpi`; nothing without a font.
void PaintScreenMessage(HDC dc, HFONT font, const std::string& message, UINT dpi);
