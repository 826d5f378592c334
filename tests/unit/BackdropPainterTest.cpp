#include "app/BackdropPainter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "framework/Gdi.h"

namespace {
// A 32-bit top-down memory bitmap to paint into and read back.
class Canvas {
public:
    Canvas(int width, int height) : m_width(width), m_height(height), m_dc(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        m_bitmap.Attach(CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0));
        m_previous = SelectObject(m_dc, m_bitmap);
        // Grey, so that anything the painter leaves untouched shows.
        for (int i = 0; i < width * height; ++i) m_bits[i] = 0x808080;
    }
    ~Canvas() {
        SelectObject(m_dc, m_previous);
        DeleteDC(m_dc);
    }
    HDC dc() const { return m_dc; }
    COLORREF At(int x, int y) const {
        GdiFlush();
        DWORD p = m_bits[y * m_width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int m_width, m_height;
    HDC m_dc;
    CBitmap m_bitmap;
    HGDIOBJ m_previous = nullptr;
    DWORD* m_bits = nullptr;
};

TEST(BackdropGradient, RowsRunFromPureBlueTowardsBlackOneBrushPerRow) {
    const int width = 8, height = 256;
    Canvas canvas(width, height);
    PaintGradient(canvas.dc(), width, height);
    for (int y = 0; y < height; ++y) {
        int blue = 255 - 255 * y / height;
        for (int x : {0, width - 1}) ASSERT_EQ(canvas.At(x, y), RGB(0, 0, blue)) << "row " << y << " column " << x;
    }
    // 256 rows: rows 0 and 1 share brush 0, the last row has brush 254, never black.
    EXPECT_EQ(canvas.At(0, 1), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(0, 255), RGB(0, 0, 1));
}

TEST(BackdropGradient, OneRowIsBlueAndNoHeightPaintsNothing) {
    Canvas canvas(4, 2);
    PaintGradient(canvas.dc(), 4, 1);
    EXPECT_EQ(canvas.At(3, 0), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(3, 1), RGB(0x80, 0x80, 0x80));
    PaintGradient(canvas.dc(), 4, 0);
    EXPECT_EQ(canvas.At(0, 1), RGB(0x80, 0x80, 0x80));
}

TEST(BackdropGradient, TallScreensKeepTheIndexInRange) {
    for (int height : {1, 255, 768, 1200, 4320}) {
        EXPECT_EQ(GradientBrushIndex(0, height), 0);
        EXPECT_LE(GradientBrushIndex(height - 1, height), 254) << height;
    }
}

TEST(BackdropMessage, WhiteTextWithABlackShadowFourPixelsDownAndRight) {
    const int width = 400, height = 120;
    Canvas canvas(width, height);
    PaintGradient(canvas.dc(), width, height);
    CFont font;
    ASSERT_TRUE(font.Attach(CreateFontA(-28, 0, 0, 0, FW_NORMAL, TRUE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0,
                                        FF_SWISS | DEFAULT_PITCH, "ARIAL")));
    PaintScreenMessage(canvas.dc(), font, "Zandel Setup", 96);

    // Glyph edges may be smoothed, so only pure white and pure black pixels are compared.
    const COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);
    RECT whiteBox = {width, height, 0, 0}, blackBox = {width, height, 0, 0};
    auto grow = [](RECT& box, int x, int y) {
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x);
        box.bottom = std::max<LONG>(box.bottom, y);
    };
    int black = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            COLORREF c = canvas.At(x, y);
            if (c == kWhite) grow(whiteBox, x, y);
            if (c != kBlack) continue;
            grow(blackBox, x, y);
            ++black;
            // Every visible piece of shadow lies 4 pixels down and right of the white text.
            ASSERT_GE(x, 4);
            ASSERT_GE(y, 4);
            EXPECT_GE(GetRValue(canvas.At(x - 4, y - 4)), 128) << "shadow at " << x << "," << y;
        }
    }
    EXPECT_GT(black, 20);
    EXPECT_GE(whiteBox.left, 46);
    EXPECT_GE(whiteBox.top, 46);
    EXPECT_LT(whiteBox.top, 60);
    EXPECT_EQ(blackBox.right, whiteBox.right + 4);
    EXPECT_EQ(blackBox.bottom, whiteBox.bottom + 4);
    // The background stays the gradient around the text: transparent drawing.
    EXPECT_EQ(canvas.At(10, 10), RGB(0, 0, 255 - 255 * 10 / height));
}

TEST(BackdropMessage, WithoutAFontNothingIsDrawn) {
    Canvas canvas(100, 100);
    PaintScreenMessage(canvas.dc(), nullptr, "Zandel", 96);
    for (int y = 0; y < 100; y += 3)
        for (int x = 0; x < 100; x += 3) ASSERT_EQ(canvas.At(x, y), RGB(0x80, 0x80, 0x80));
}
}  // namespace
