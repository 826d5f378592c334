// The destination dialog in the test program: what the end-to-end scenarios
// (tests/e2e_destination) cannot see from outside, the location text before
// and after a change of folder.
#include "dialogs/DestinationDialog.h"

#include <gtest/gtest.h>

#include "DialogDriver.h"
#include "TestTexts.h"
#include "dialogs/BrowseFolderDialog.h"

namespace {
class DestinationDialogTest : public testing::Test {
protected:
    void SetUp() override { UseTestTexts(); }
    void TearDown() override { m_thread.reset(); }
    void Open() {
        m_thread = std::make_unique<DialogThread>([this] { return m_dialog.DoModal(); });
        m_window = WaitForWindowTitled(m_thread->ThreadId(), "Where to install");
        ASSERT_NE(m_window, nullptr) << "the destination dialog did not open";
    }
    // Change Folder, then in the browser select `folder` (a drive root, or
    // root plus one folder) and type `newName`; returns the browser.
    HWND Browse(const std::string& root, const std::string& folder, const std::string& newName) {
        ClickButton(m_window, IDC_CHANGE_FOLDER);
        HWND browse = WaitForWindowTitled(m_thread->ThreadId(), "Pick a folder");
        if (!browse) return nullptr;
        HWND tree = GetDlgItem(browse, IDC_FOLDER_TREE);
        HTREEITEM item = FindChild(tree, TVI_ROOT, root);
        if (!folder.empty()) {
            ExpandByKey(tree, item);
            item = FindChild(tree, item, folder);
        }
        SelectItem(tree, item);
        PasteText(GetDlgItem(browse, IDC_NEW_DIR), newName);
        return browse;
    }

    DestinationDialog m_dialog;
    std::unique_ptr<DialogThread> m_thread;
    HWND m_window = nullptr;
};

TEST_F(DestinationDialogTest, OpensWithItsTextsAndTheDestDirUnshortened) {
    InstallSettings.DestDir = "C:\\A Rather Long Folder Name\\Going On And On\\Far Past The Label\\Zandel";
    Open();
    EXPECT_EQ(ItemText(m_window, IDC_MAIN_TEXT), "Setup puts Zandel here; 100% sure.");
    EXPECT_EQ(ItemText(m_window, IDC_DEST_LOCATION), InstallSettings.DestDir);
    EXPECT_EQ(ItemText(m_window, IDOK), "Okay");
    EXPECT_EQ(ItemText(m_window, IDCANCEL), "Leave");
    EXPECT_EQ(ItemText(m_window, IDC_CHANGE_FOLDER), "Other folder");
    EXPECT_EQ(ItemText(m_window, IDC_FOLDER_GROUP), "Target");
}

TEST_F(DestinationDialogTest, LongChosenPathIsShortenedInTheLocation) {
    std::string name = "AVeryLongFolderNameThatCannotPossiblyFitIntoTheLocationFieldOfThisDialogAtAll";
    Open();
    HWND browse = Browse("F:\\", "Existing", name);
    ASSERT_NE(browse, nullptr);
    ClickButton(browse, IDOK);
    HWND question = WaitForWindowTitled(m_thread->ThreadId(), AppTitle());
    ASSERT_NE(question, nullptr);
    ClickButton(question, IDYES);
    ASSERT_TRUE(WaitClosed(question));
    Sync(m_window);
    std::string full = "F:\\Existing\\" + name;
    std::string shown = ItemText(m_window, IDC_DEST_LOCATION);
    RemoveDirectoryA(full.c_str());
    EXPECT_EQ(InstallSettings.InstallPath, full);
    EXPECT_NE(shown.find("..."), std::string::npos) << shown;
    EXPECT_LT(shown.size(), full.size());
}

// A chosen path of 255 characters is taken (and so checked: the question
// whether to create it comes), one of 256 cannot be checked, created or
// installed into: it is not taken, and the location goes back to DestDir.
// The New Directory box lets no more be typed than fits.
TEST_F(DestinationDialogTest, ChosenPathOf255IsTakenAnd256IsNot) {
    Open();
    for (size_t length : {255u, 256u}) {
        HWND browse = Browse("F:\\", "", std::string(length - 3, 'a'));
        ASSERT_NE(browse, nullptr);
        HWND box = GetDlgItem(browse, IDC_NEW_DIR);
        EXPECT_EQ(SendMessageA(box, EM_GETLIMITTEXT, 0, 0), 252) << "after F:\\";
        EXPECT_EQ(GetWindowTextLengthA(box), 252) << "pasted past the limit";
        // Set as a whole past the box's limit, as only a program can.
        SetWindowTextA(box, std::string(length - 3, 'a').c_str());
        ClickButton(browse, IDOK);
        ASSERT_TRUE(WaitClosed(browse));
        Sync(m_window);
        HWND question = length == 255 ? WaitForWindowTitled(m_thread->ThreadId(), AppTitle())
                                      : FindWindowTitled(m_thread->ThreadId(), AppTitle());
        if (length == 255) {
            ASSERT_NE(question, nullptr) << "a path of 255 characters was not taken";
            ClickButton(question, IDNO);
            ASSERT_TRUE(WaitClosed(question));
            Sync(m_window);
        } else {
            EXPECT_EQ(question, nullptr) << "no question for a path that is not taken";
        }
        EXPECT_EQ(InstallSettings.InstallPath, "C:\\Zandel") << length;
        EXPECT_EQ(ItemText(m_window, IDC_DEST_LOCATION), "C:\\Zandel") << length;
    }
}
}  // namespace
