// The destination dialog with its browser, questions and free-space check.
#include "dialogs/DestinationDialog.h"

#include <gtest/gtest.h>

#include "DialogDriver.h"
#include "TestTexts.h"
#include "app/SetupApp.h"
#include "dialogs/BrowseFolderDialog.h"

namespace {
bool FolderExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class DestinationDialogTest : public testing::Test {
protected:
    void SetUp() override {
        UseTestTexts();
        SetupCancelled = false;
        RemoveDirectoryA("F:\\Made\\Deeper");
        RemoveDirectoryA("F:\\Made");
        RemoveDirectoryA("F:\\NotMade");
    }
    void TearDown() override {
        m_thread.reset();
        RemoveDirectoryA("F:\\Made\\Deeper");
        RemoveDirectoryA("F:\\Made");
    }
    void Open() {
        m_thread = std::make_unique<DialogThread>([this] { return m_dialog.DoModal(); });
        m_window = WaitWindow(m_thread->ThreadId(), "Where to install");
        ASSERT_NE(m_window, nullptr) << "the destination dialog did not open";
    }
    // Change Folder, then in the browser select `folder` (a drive root, or
    // root plus one folder) and type `newName`; returns the browser.
    HWND Browse(const std::string& root, const std::string& folder, const std::string& newName) {
        Press(m_window, IDC_CHANGE_FOLDER);
        HWND browse = WaitWindow(m_thread->ThreadId(), "Pick a folder");
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

TEST_F(DestinationDialogTest, CancelThenContinueKeepsTheDialogOpen) {
    Open();
    Press(m_window, IDCANCEL);
    HWND confirm = WaitWindow(m_thread->ThreadId(), "Really leave?");
    ASSERT_NE(confirm, nullptr);
    Press(confirm, IDCANCEL);  // "Stay"
    EXPECT_TRUE(StaysOpen(m_window));
    EXPECT_FALSE(SetupCancelled);

    Press(m_window, IDCANCEL);
    confirm = WaitWindow(m_thread->ThreadId(), "Really leave?");
    ASSERT_NE(confirm, nullptr);
    Press(confirm, IDOK);  // "Leave"
    ASSERT_TRUE(m_thread->WaitDone());
    EXPECT_EQ(m_thread->Result(), IDCANCEL);
    EXPECT_TRUE(SetupCancelled);
}

TEST_F(DestinationDialogTest, ExistingFolderIsTakenWithoutAQuestionAndCancelReturnsToDestDir) {
    Open();
    HWND browse = Browse("F:\\", "Existing", "");
    ASSERT_NE(browse, nullptr);
    Press(browse, IDOK);
    ASSERT_TRUE(WaitClosed(browse));
    Sync(m_window);
    EXPECT_FALSE(HasWindow(m_thread->ThreadId(), AppTitle())) << "no question for a folder that exists";
    EXPECT_EQ(ItemText(m_window, IDC_DEST_LOCATION), "F:\\Existing");
    EXPECT_EQ(InstallSettings.InstallPath, "F:\\Existing");

    // Backing out of the browser goes back to SETUP.INI's folder, not the earlier pick.
    Press(m_window, IDC_CHANGE_FOLDER);
    browse = WaitWindow(m_thread->ThreadId(), "Pick a folder");
    ASSERT_NE(browse, nullptr);
    Press(browse, IDCANCEL);
    EXPECT_TRUE(WaitText(m_window, IDC_DEST_LOCATION, "C:\\Zandel"));
    EXPECT_EQ(InstallSettings.InstallPath, "C:\\Zandel");

    Press(m_window, IDOK);
    ASSERT_TRUE(m_thread->WaitDone());
    EXPECT_EQ(m_thread->Result(), IDOK);
    EXPECT_FALSE(SetupCancelled);
}

TEST_F(DestinationDialogTest, MissingFolderAnsweredYesIsCreatedWithItsParents) {
    Open();
    // Pasted in one piece, the backslash passes: the new name is two levels.
    HWND browse = Browse("F:\\", "", "Made\\Deeper");
    ASSERT_NE(browse, nullptr);
    Press(browse, IDOK);
    HWND question = WaitWindow(m_thread->ThreadId(), AppTitle());
    ASSERT_NE(question, nullptr) << "no question about the missing folder";
    EXPECT_EQ(MessageBoxText(question), "The folder does not exist. Create it?");
    EXPECT_NE(GetDlgItem(question, IDYES), nullptr);
    EXPECT_NE(GetDlgItem(question, IDNO), nullptr);
    Press(question, IDYES);
    ASSERT_TRUE(WaitClosed(question));
    Sync(m_window);
    EXPECT_EQ(ItemText(m_window, IDC_DEST_LOCATION), "F:\\Made\\Deeper");
    EXPECT_TRUE(FolderExists("F:\\Made\\Deeper"));
    EXPECT_EQ(InstallSettings.InstallPath, "F:\\Made\\Deeper");
}

TEST_F(DestinationDialogTest, MissingFolderAnsweredNoGoesBackToDestDir) {
    Open();
    HWND browse = Browse("F:\\", "Alpha", "NotMade");
    ASSERT_NE(browse, nullptr);
    Press(browse, IDOK);
    HWND question = WaitWindow(m_thread->ThreadId(), AppTitle());
    ASSERT_NE(question, nullptr);
    Press(question, IDNO);
    ASSERT_TRUE(WaitClosed(question));
    Sync(m_window);
    EXPECT_EQ(ItemText(m_window, IDC_DEST_LOCATION), "C:\\Zandel");
    EXPECT_EQ(InstallSettings.InstallPath, "C:\\Zandel");
    EXPECT_FALSE(FolderExists("F:\\Alpha\\NotMade"));
}

TEST_F(DestinationDialogTest, LongChosenPathIsShortenedInTheLocation) {
    std::string name = "AVeryLongFolderNameThatCannotPossiblyFitIntoTheLocationFieldOfThisDialogAtAll";
    Open();
    HWND browse = Browse("F:\\", "Existing", name);
    ASSERT_NE(browse, nullptr);
    Press(browse, IDOK);
    HWND question = WaitWindow(m_thread->ThreadId(), AppTitle());
    ASSERT_NE(question, nullptr);
    Press(question, IDYES);
    ASSERT_TRUE(WaitClosed(question));
    Sync(m_window);
    std::string full = "F:\\Existing\\" + name;
    std::string shown = ItemText(m_window, IDC_DEST_LOCATION);
    RemoveDirectoryA(full.c_str());
    EXPECT_EQ(InstallSettings.InstallPath, full);
    EXPECT_NE(shown.find("..."), std::string::npos) << shown;
    EXPECT_LT(shown.size(), full.size());
}

class DestinationNoRoomTest : public DestinationDialogTest {
protected:
    void SetUp() override {
        DestinationDialogTest::SetUp();
        std::string reason = SmallDriveUnavailableReason();
        if (!reason.empty()) GTEST_SKIP() << reason;
        DWORD sectors = 0, bytes = 0, freeClusters = 0, total = 0;
        ASSERT_TRUE(GetDiskFreeSpaceA("T:\\", &sectors, &bytes, &freeClusters, &total));
        m_freeBytes = uint64_t{freeClusters} * bytes * sectors;
        ASSERT_GT(m_freeBytes, 0u);
        ASSERT_LT(m_freeBytes, 0x7FFFFFFFu);
    }
    uint64_t m_freeBytes = 0;
};

// No room: the message, the dialog stays and setup is not abandoned, so a
// later OK on a drive with room installs.
TEST_F(DestinationNoRoomTest, NotEnoughRoomWarnsAndLetsTheUserChooseAgain) {
    InstallSettings.FileSize = std::to_string(m_freeBytes + 1);
    Open();
    HWND browse = Browse("T:\\", "", "");
    ASSERT_NE(browse, nullptr);
    Press(browse, IDOK);
    ASSERT_TRUE(WaitText(m_window, IDC_DEST_LOCATION, "T:\\"));
    Press(m_window, IDOK);
    HWND message = WaitWindow(m_thread->ThreadId(), "Disk full");
    ASSERT_NE(message, nullptr) << "no not-enough-room message";
    EXPECT_EQ(MessageBoxText(message), "Not enough room on that drive.");
    EXPECT_EQ(GetDlgItem(message, IDCANCEL), nullptr) << "an OK button only";
    Press(message, IDOK);
    EXPECT_TRUE(StaysOpen(m_window));
    EXPECT_FALSE(SetupCancelled);

    browse = Browse("F:\\", "Existing", "");
    ASSERT_NE(browse, nullptr);
    Press(browse, IDOK);
    ASSERT_TRUE(WaitText(m_window, IDC_DEST_LOCATION, "F:\\Existing"));
    Press(m_window, IDOK);
    ASSERT_TRUE(m_thread->WaitDone());
    EXPECT_EQ(m_thread->Result(), IDOK);
    EXPECT_FALSE(SetupCancelled);
    EXPECT_EQ(InstallSettings.InstallPath, "F:\\Existing");
}

TEST_F(DestinationNoRoomTest, FreeSpaceExactlyEqualToFileSizeIsEnough) {
    InstallSettings.FileSize = std::to_string(m_freeBytes);
    InstallSettings.InstallPath = "T:\\Zandel";
    Open();
    Press(m_window, IDOK);
    ASSERT_TRUE(m_thread->WaitDone());
    EXPECT_EQ(m_thread->Result(), IDOK);
    EXPECT_FALSE(HasWindow(m_thread->ThreadId(), "Disk full"));
}
}  // namespace
