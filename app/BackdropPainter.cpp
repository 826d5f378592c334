#include "app/BackdropPainter.h"

#include <array>

#include "framework/Dpi.h"
#include "framework/Gdi.h"

void PaintGradient(HDC dc, int width, int height) {
    // The brushes are made for every paint and freed again: nothing is kept between paints.
    std::array<CBrush, 256> brushes;
    for (int i = 0; i < 256; ++i) brushes[i].CreateSolidBrush(RGB(0, 0, 255 - i));
    for (int y = 0; y < height; ++y) {
        RECT row = {0, y, width, y + 1};
        FillRect(dc, &row, brushes[GradientBrushIndex(y, height)]);
    }
}

void PaintScreenMessage(HDC dc, HFONT font, const std::string& message, UINT dpi) {
    if (!font) return;
    CSelectObject select(dc, font);
    SetBkMode(dc, TRANSPARENT);
    const int shadow = ScaleForDpi(50, dpi), text = ScaleForDpi(46, dpi);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, shadow, shadow, message.c_str(), static_cast<int>(message.size()));
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutA(dc, text, text, message.c_str(), static_cast<int>(message.size()));
}
