#pragma once
// Fitting a path into a fixed-width field: "..." in the middle, characters
// removed on both sides of it until the text fits, so that the drive and the
// file name stay visible as long as possible.
#include <windows.h>

#include <functional>
#include <string>

// Width of a text in pixels.
using TextMeasure = std::function<int(const std::string&)>;

// The shortening rule with the measuring passed in. Empty for a width below
// 10 pixels or an empty text; the text itself when it fits; otherwise the
// longest middle-dotted form that fits, or the shortest form there is when
// none fits. Needs O(log p) measurements for p removed pairs. Characters
// are removed whole in the code page (the system's ANSI one unless another
// is named).
std::string ShortenTextToFit(const std::string& text, int width, const TextMeasure& measure, UINT codePage = CP_ACP);

// The rule measured in the window's own device context as the system hands it
// out (no font selected into it).
std::string ShortenPathToFit(HWND window, int width, const std::string& text);
