// The full-screen backdrop behind the dialogs, checked on the screen itself
// and on the window that the running setup made.

#include <algorithm>
#include <cstdint>

#include "Picture.h"
#include "Scenario.h"

namespace {
bool IsWhite(const Pixel& p) { return p.r >= 250 && p.g >= 250 && p.b >= 250; }
bool IsDark(const Pixel& p) { return p.r < 60 && p.g < 60 && p.b < 60; }

struct Box {
    int left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1, count = 0;
    void Add(int x, int y) {
        left = std::min(left, x), top = std::min(top, y), right = std::max(right, x), bottom = std::max(bottom, y);
        ++count;
    }
};
}  // namespace

// While the welcome dialog is up, the backdrop covers the screen: caption
// "Setup", a blue gradient row by row, and ScreenMessage in white with a
// black shadow 4 pixels down and right.
TEST_F(SetupScenario, BackdropCoversTheScreenBehindTheWelcomeDialog) {
    ASSERT_TRUE(StartSetup());
    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome);

    std::optional<WindowInfo> backdrop = robot->FindWindowByTitle("Setup");
    ASSERT_TRUE(backdrop);
    // An overlapped window with caption and system menu, nothing else.
    EXPECT_EQ(backdrop->style & (WS_CAPTION | WS_SYSMENU), static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ(backdrop->style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_POPUP | WS_CHILD), 0u);
    // The system adds WS_EX_WINDOWEDGE to every window with a caption.
    EXPECT_EQ(backdrop->exStyle & ~static_cast<DWORD>(WS_EX_WINDOWEDGE), 0u);
    // It is the dialog's owner, disabled while the dialog is modal.
    EXPECT_EQ(GetWindow(welcome->hwnd, GW_OWNER), backdrop->hwnd);
    EXPECT_FALSE(IsWindowEnabled(backdrop->hwnd));

    // The full-screen area with the caption bar, from the top left corner; the
    // system never makes a window of this style larger than its maximum
    // tracking size (WM_GETMINMAXINFO), which on a small screen is less.
    WINDOWPLACEMENT placement = {sizeof placement};
    ASSERT_TRUE(GetWindowPlacement(backdrop->hwnd, &placement));
    const RECT& normal = placement.rcNormalPosition;
    EXPECT_EQ(normal.left, 0);
    EXPECT_EQ(normal.top, 0);
    EXPECT_EQ(normal.right, std::min(GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CXMAXTRACK)));
    EXPECT_EQ(normal.bottom, std::min(GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFULLSCREEN),
                                      GetSystemMetrics(SM_CYMAXTRACK)));
    EXPECT_EQ(backdrop->rect.left, normal.left);
    EXPECT_EQ(backdrop->rect.top, normal.top);

    // Let the backdrop's paint reach the screen before it is photographed.
    Sleep(300);
    std::optional<Picture> picture = TakePicture(*robot, "backdrop");
    ASSERT_TRUE(picture);
    const Picture& screen = *picture;

    const RECT client = backdrop->clientScreen;
    const int width = client.right - client.left, height = client.bottom - client.top;
    ASSERT_GT(height, 100);
    // Row y has blue 255 - floor(255 * y / H); the columns at both edges are
    // clear of the text and of the centred dialog.
    int rowsChecked = 0, wrongRows = 0;
    for (int y = 0; y < height; ++y) {
        const Pixel expected{0, 0, 255 - 255 * y / height};
        for (int x : {2, width - 3}) {
            if (!screen.Contains(client.left + x, client.top + y)) continue;
            Pixel got = screen.At(client.left + x, client.top + y);
            if (got != expected && ++wrongRows <= 5)
                ADD_FAILURE() << "row " << y << " column " << x << ": got " << got << ", expected " << expected;
        }
        ++rowsChecked;
    }
    EXPECT_EQ(wrongRows, 0);
    EXPECT_GT(rowsChecked, height / 2);

    // The text: white from (46,46), its black copy from (50,50); it lies well
    // within 500 x 80 pixels from there.
    Box white, dark;
    for (int y = 30; y < 130; ++y)
        for (int x = 30; x < 560; ++x) {
            if (!screen.Contains(client.left + x, client.top + y)) continue;
            Pixel p = screen.At(client.left + x, client.top + y);
            if (IsWhite(p)) white.Add(x, y);
            else if (IsDark(p)) dark.Add(x, y);
        }
    ASSERT_GT(white.count, 200) << "no white text near (46,46)";
    ASSERT_GT(dark.count, 100) << "no black shadow near (50,50)";
    EXPECT_GE(white.left, 46);
    EXPECT_LE(white.left, 52);
    EXPECT_GE(white.top, 46);
    EXPECT_LE(white.top, 60);
    EXPECT_NEAR(dark.left - white.left, 4, 1);
    EXPECT_NEAR(dark.top - white.top, 4, 1);
    EXPECT_NEAR(dark.right - white.right, 4, 1);
    EXPECT_NEAR(dark.bottom - white.bottom, 4, 1);
    // Under every white pixel of the text, 4 pixels down and right, lies the
    // black shadow, unless the white text covers that spot (then red and
    // green show its light).
    int shadowed = 0, uncovered = 0;
    for (int y = white.top; y <= white.bottom; ++y)
        for (int x = white.left; x <= white.right; ++x) {
            if (!IsWhite(screen.At(client.left + x, client.top + y))) continue;
            Pixel shadow = screen.At(client.left + x + 4, client.top + y + 4);
            if (shadow.r >= 30 || shadow.g >= 30) continue;
            ++uncovered;
            if (shadow.b < 60) ++shadowed;
        }
    EXPECT_GT(uncovered, 100);
    EXPECT_GE(shadowed * 100, uncovered * 95) << shadowed << " of " << uncovered << " shadow pixels are black";

    WalkToEnd();
    EXPECT_EQ(robot->WaitExit(), 1);
}
