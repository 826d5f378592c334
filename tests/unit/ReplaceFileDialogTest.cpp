#include "engine/ReplaceFileDialog.h"

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "TestWindows.h"
#include "settings/SetupTexts.h"
#include "engine/FileFacts.h"

namespace {
class ReplaceFileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetupTexts.ConfirmReplaceTitle = "Confirm File Replace";
        SetupTexts.ConfirmReplaceText1 = "This folder already contains a file called '%s'.";
        SetupTexts.ConfirmReplaceText2 = "Would you like to replace the existing file";
        SetupTexts.ConfirmReplaceText3 = "modified on %s";
        SetupTexts.ConfirmReplaceText4 = "with this one?";
        SetupTexts.YesToAllButton = "&Yes";
        SetupTexts.YesToAllTitle = "Yes to &All";
        SetupTexts.CancelButton = "Cancel";
        SetupTexts.NoButton = "&No";
    }

    // Runs the dialog on a worker thread, as the copy engine does, and lets
    // `act` look at it and answer.
    INT_PTR Run(ReplaceFileDialog& dialog, const std::function<void(HWND)>& act) {
        INT_PTR result = 0;
        EXPECT_TRUE(RunOnWorker([&] { result = dialog.DoModal(); }, act));
        return result;
    }
};

TEST_F(ReplaceFileDialogTest, ShowsTheIncomingFileAboveTheExistingOne) {
    FILETIME incoming = LocalClockFileTime(1996, 11, 14, 19, 42, 3);
    FILETIME existing = LocalClockFileTime(1996, 1, 1, 9, 5, 7);
    ReplaceFileDialog dialog("README.TXT", 1023, 1048576, incoming, existing);
    std::vector<std::pair<int, std::string>> shown;
    std::string title;
    Run(dialog, [&](HWND window) {
        title = WindowText(window);
        for (int id : {1000, 1008, 1010, 1011, 1012, 1013, 1014, 1, 1001, 1006, 2})
            shown.emplace_back(id, ItemText(window, id));
        ClickButton(window, IDOK);
    });
    EXPECT_EQ(title, "Confirm File Replace");
    const std::vector<std::pair<int, std::string>> expected = {
        {1000, "This folder already contains a file called 'README.TXT'."},
        {1008, "Would you like to replace the existing file"},
        {1010, "1023 bytes"},
        {1011, "modified on Thursday,  November 14, 1996,  7:42:03  PM"},
        {1012, "with this one?"},
        {1013, "1.00 MB"},
        {1014, "modified on Monday,  January 1, 1996,  9:05:07  AM"},
        {1, "&Yes"},
        {1001, "Yes to &All"},
        {1006, "&No"},
        {2, "Cancel"},
    };
    EXPECT_EQ(shown, expected);
}

TEST_F(ReplaceFileDialogTest, TheFourAnswersAndTheirFlags) {
    enum Press { ByClick, ByEscape };
    const struct {
        const char* answer;
        int button;
        Press press;
        INT_PTR result;
        bool yesToAll;
        bool skipFile;
    } cases[] = {
        {"Yes", IDOK, ByClick, IDOK, false, false},
        {"Yes To All", 1001, ByClick, IDOK, true, false},
        {"No", 1006, ByClick, IDOK, false, true},
        {"Cancel", IDCANCEL, ByClick, IDCANCEL, false, false},
        {"Escape", 0, ByEscape, IDCANCEL, false, false},
    };
    for (const auto& c : cases) {
        ReplaceFileDialog dialog("A.TXT", 1, 2, FILETIME{}, FILETIME{});
        INT_PTR result = Run(dialog, [&](HWND window) {
            if (c.press == ByClick) {
                ClickButton(window, c.button);
                return;
            }
            // Escape reaches the dialog through the focused control.
            GUITHREADINFO info = {sizeof info};
            GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
            PostMessageA(info.hwndFocus ? info.hwndFocus : window, WM_KEYDOWN, VK_ESCAPE, 0);
        });
        EXPECT_EQ(result, c.result) << c.answer;
        EXPECT_EQ(dialog.yesToAll, c.yesToAll) << c.answer;
        EXPECT_EQ(dialog.skipFile, c.skipFile) << c.answer;
    }
}

TEST_F(ReplaceFileDialogTest, TemplateHasTheGivenLayout) {
    const struct {
        int id;
        RECT units;  // x, y, width, height in dialog units, as the template gives them
    } controls[] = {
        {1, {18, 116, 50, 14}},   {1001, {81, 116, 50, 14}}, {1006, {143, 116, 50, 14}}, {2, {206, 116, 50, 14}},
        {1000, {36, 6, 230, 21}}, {1008, {36, 30, 215, 8}},  {1010, {56, 47, 67, 8}},    {1011, {56, 60, 209, 8}},
        {1012, {35, 72, 44, 8}},  {1013, {57, 84, 70, 8}},   {1014, {57, 97, 209, 8}},
    };
    ReplaceFileDialog dialog("A.TXT", 1, 2, FILETIME{}, FILETIME{});
    Run(dialog, [&](HWND window) {
        RECT client;
        GetClientRect(window, &client);
        RECT size = {0, 0, 277, 140};
        MapDialogRect(window, &size);
        EXPECT_EQ(client.right, size.right);
        EXPECT_EQ(client.bottom, size.bottom);
        for (const auto& c : controls) {
            // The dialog manager converts position and size each on its own.
            RECT expected = c.units;
            MapDialogRect(window, &expected);
            RECT got;
            GetWindowRect(GetDlgItem(window, c.id), &got);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&got), 2);
            EXPECT_EQ(got.left, expected.left) << "control " << c.id;
            EXPECT_EQ(got.top, expected.top) << "control " << c.id;
            EXPECT_EQ(got.right - got.left, expected.right) << "control " << c.id;
            EXPECT_EQ(got.bottom - got.top, expected.bottom) << "control " << c.id;
        }
        EXPECT_EQ(GetWindowLongA(GetDlgItem(window, 1), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
        EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & WS_SYSMENU, 0);
        // The replace picture: an icon control at 6, 6 holding icon 112.
        RECT iconAt = {6, 6, 0, 0};
        MapDialogRect(window, &iconAt);
        HWND icon = ChildWindowFromPoint(window, POINT{iconAt.left + 1, iconAt.top + 1});
        EXPECT_EQ(GetWindowLongA(icon, GWL_STYLE) & SS_TYPEMASK, SS_ICON);
        EXPECT_TRUE(SendMessageA(icon, STM_GETICON, 0, 0));
        ClickButton(window, IDCANCEL);
    });
}
}  // namespace
