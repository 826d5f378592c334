// The folder browser on the test drives (see tests/drives/map-test-drives.sh).
#include "dialogs/BrowseFolderDialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "DialogDriver.h"
#include "TestTexts.h"

namespace {
class BrowseFolderDialogTest : public testing::Test {
protected:
    void SetUp() override {
        UseTestTexts();
        RemoveDirectoryA("F:\\Added");
        CreateDirectoryA("F:\\Gone", nullptr);
        CreateDirectoryA("F:\\Gone\\x", nullptr);
        m_thread = std::make_unique<DialogThread>([this] { return m_dialog.DoModal(); });
        m_window = WaitForWindowTitled(m_thread->ThreadId(), "Pick a folder");
        ASSERT_NE(m_window, nullptr) << "the browse dialog did not open";
        m_tree = GetDlgItem(m_window, IDC_FOLDER_TREE);
    }
    void TearDown() override {
        m_thread.reset();
        RemoveDirectoryA("F:\\Added");
        RemoveMany();
    }
    // F:\Many: kManyFolders subfolders, every third with one of its own.
    static constexpr int kManyFolders = 60;
    static std::string ManyName(int i) { return "Sub" + std::to_string(100 + i); }
    static bool ManyHasSubfolder(int i) { return i % 3 == 0; }
    static void MakeMany() {
        CreateDirectoryA("F:\\Many", nullptr);
        for (int i = 0; i < kManyFolders; ++i) {
            std::string folder = "F:\\Many\\" + ManyName(i);
            CreateDirectoryA(folder.c_str(), nullptr);
            if (ManyHasSubfolder(i)) CreateDirectoryA((folder + "\\inner").c_str(), nullptr);
        }
    }
    static void RemoveMany() {
        for (int i = 0; i < kManyFolders; ++i) {
            std::string folder = "F:\\Many\\" + ManyName(i);
            RemoveDirectoryA((folder + "\\inner").c_str());
            RemoveDirectoryA(folder.c_str());
        }
        RemoveDirectoryA("F:\\Many");
    }
    HTREEITEM Drive(const std::string& root) { return FindChild(m_tree, TVI_ROOT, root); }
    HTREEITEM ExpandedDrive(const std::string& root) {
        HTREEITEM drive = Drive(root);
        ExpandByKey(m_tree, drive);
        return drive;
    }

    BrowseFolderDialog m_dialog;
    std::unique_ptr<DialogThread> m_thread;
    HWND m_window = nullptr;
    HWND m_tree = nullptr;
};

TEST_F(BrowseFolderDialogTest, ExpandingListsSortedFoldersAndCollapsingListsAnewNextTime) {
    HTREEITEM f = ExpandedDrive("F:\\");
    EXPECT_TRUE(ItemInfo(m_tree, f).expanded);
    // The tree control's own sorted order: "." and "_" before the letters. Hidden folders show.
    const std::vector<std::string> expected = {".hidden", "_under", "Alpha", "beta", "Empty", "Existing", "Gone", "zeta"};
    EXPECT_EQ(ChildTexts(m_tree, f), expected);
    for (HTREEITEM folder : Children(m_tree, f)) {
        TreeItemInfo info = ItemInfo(m_tree, folder);
        EXPECT_EQ(info.image, 3) << info.text;
        EXPECT_EQ(info.selectedImage, 4) << info.text;
        bool hasSubfolders = info.text == "Alpha" || info.text == "Gone" || info.text == "zeta";
        EXPECT_EQ(HasButton(m_tree, folder), hasSubfolders) << info.text;
    }

    HTREEITEM alpha = FindChild(m_tree, f, "Alpha");
    ExpandByKey(m_tree, alpha);
    EXPECT_EQ(ChildTexts(m_tree, alpha), (std::vector<std::string>{"A", "b"}));
    SelectItem(m_tree, FindChild(m_tree, alpha, "b"));
    EXPECT_EQ(ItemText(m_window, IDC_CURRENT_DIR), "F:\\Alpha\\b");

    CollapseByKey(m_tree, f);
    EXPECT_FALSE(ItemInfo(m_tree, f).expanded);
    EXPECT_TRUE(Children(m_tree, f).empty()) << "collapsing throws the folders away";
    EXPECT_TRUE(HasButton(m_tree, f));

    ASSERT_TRUE(CreateDirectoryA("F:\\Added", nullptr));
    ExpandByKey(m_tree, f);
    std::vector<std::string> again = ChildTexts(m_tree, f);
    EXPECT_EQ(again.size(), expected.size() + 1);
    EXPECT_EQ(again[2], "Added");
}

TEST_F(BrowseFolderDialogTest, ExpansionWithoutSubfoldersIsRefused) {
    HTREEITEM f = ExpandedDrive("F:\\");
    HTREEITEM gone = FindChild(m_tree, f, "Gone");
    ASSERT_TRUE(HasButton(m_tree, gone));
    ASSERT_TRUE(RemoveDirectoryA("F:\\Gone\\x"));
    ExpandByKey(m_tree, gone);
    EXPECT_TRUE(Children(m_tree, gone).empty());
    EXPECT_FALSE(HasButton(m_tree, gone)) << "the folder loses its button";
    EXPECT_FALSE(ItemInfo(m_tree, gone).expanded);

    // A disk with files only: refused, and the drive loses its button.
    HTREEITEM b = Drive("B:\\");
    ExpandByKey(m_tree, b);
    EXPECT_TRUE(Children(m_tree, b).empty());
    EXPECT_FALSE(HasButton(m_tree, b));
    EXPECT_FALSE(ItemInfo(m_tree, b).expanded);

    // No disk or disc at all: refused quietly, the button stays for a later try.
    for (const char* root : {"A:\\", "E:\\"}) {
        HTREEITEM drive = Drive(root);
        ExpandByKey(m_tree, drive);
        EXPECT_TRUE(Children(m_tree, drive).empty()) << root;
        EXPECT_TRUE(HasButton(m_tree, drive)) << root;
        EXPECT_FALSE(ItemInfo(m_tree, drive).expanded) << root;
    }
    EXPECT_TRUE(StaysOpen(m_window, 50));
    EXPECT_FALSE(HasWindowTitled(m_thread->ThreadId(), AppTitle())) << "no message about a missing medium";

    HTREEITEM d = Drive("D:\\");
    ExpandByKey(m_tree, d);
    EXPECT_EQ(ChildTexts(m_tree, d), (std::vector<std::string>{"DISC1", "Docs"}));
}

TEST_F(BrowseFolderDialogTest, FolderButtonsAreDecidedAsTheFoldersComeIntoView) {
    MakeMany();
    HTREEITEM f = ExpandedDrive("F:\\");
    HTREEITEM many = FindChild(m_tree, f, "Many");
    ASSERT_NE(many, nullptr);
    int before = m_dialog.FolderSearches();
    ExpandByKey(m_tree, many);
    std::vector<HTREEITEM> children = Children(m_tree, many);
    ASSERT_EQ(children.size(), static_cast<size_t>(kManyFolders));

    // Each screenful: the buttons are right, they were decided while drawing
    // (asking again searches nothing), and only about a screenful was searched.
    auto checkScreen = [&](const char* where, int before) {
        std::vector<HTREEITEM> shown = ItemsOnScreen(m_tree);
        int drawn = m_dialog.FolderSearches() - before;
        int checked = 0;
        for (HTREEITEM item : shown) {
            auto at = std::find(children.begin(), children.end(), item);
            if (at == children.end()) continue;
            int i = static_cast<int>(at - children.begin());
            EXPECT_EQ(HasButton(m_tree, item), ManyHasSubfolder(i)) << where << ": " << ManyName(i);
            ++checked;
        }
        EXPECT_GE(checked, 5) << where;
        EXPECT_EQ(m_dialog.FolderSearches() - before, drawn) << where << ": the buttons were decided when drawn";
        EXPECT_GE(drawn, 5) << where;
        EXPECT_LE(drawn, 25) << where << ": a folder of 60 is not searched through";
    };
    checkScreen("after expanding", before);

    before = m_dialog.FolderSearches();
    SendMessageA(m_tree, WM_VSCROLL, SB_BOTTOM, 0);
    checkScreen("scrolled to the end", before);
}

TEST_F(BrowseFolderDialogTest, NewDirectoryKeepsOnlyAllowedTypedCharacters) {
    HWND edit = GetDlgItem(m_window, IDC_NEW_DIR);
    TypeChars(edit, "A-B");
    EXPECT_EQ(WindowText(edit), "AB");
    TypeChars(edit, "a");
    EXPECT_EQ(WindowText(edit), "ABa") << "lower case passes and stays lower case";

    // A refused character in the middle goes, the caret stays where it stood.
    SendMessageA(edit, EM_SETSEL, 1, 1);
    TypeChars(edit, "_Z");
    EXPECT_EQ(WindowText(edit), "AZBa");

    SetWindowTextA(edit, "");
    TypeChars(edit, "-");
    EXPECT_EQ(WindowText(edit), "");
    DWORD start = 99;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    EXPECT_EQ(start, 0u);

    PasteText(edit, "X!Y");
    EXPECT_EQ(WindowText(edit), "X!Y") << "pasted text is examined at its last character only";
    PasteText(edit, "Z.");
    EXPECT_EQ(WindowText(edit), "X!YZ");
}

TEST_F(BrowseFolderDialogTest, OkGivesTheSelectedFolderPlusTheNewName) {
    HTREEITEM f = ExpandedDrive("F:\\");
    SelectItem(m_tree, FindChild(m_tree, f, "Alpha"));
    EXPECT_EQ(ItemText(m_window, IDC_CURRENT_DIR), "F:\\Alpha");
    TypeChars(GetDlgItem(m_window, IDC_NEW_DIR), "BOOK");
    ClickButton(m_window, IDOK);
    ASSERT_TRUE(m_thread->WaitDone());
    EXPECT_EQ(m_thread->Result(), IDOK);
    EXPECT_EQ(m_dialog.m_selectedPath, "F:\\Alpha\\BOOK");
    EXPECT_EQ(m_dialog.m_newDirName, "BOOK");
}

TEST_F(BrowseFolderDialogTest, OkWithoutNewNameGivesTheSelectedDrive) {
    ClickButton(m_window, IDOK);
    ASSERT_TRUE(m_thread->WaitDone());
    EXPECT_EQ(m_thread->Result(), IDOK);
    EXPECT_EQ(m_dialog.m_selectedPath, "C:\\");
}

TEST_F(BrowseFolderDialogTest, LongPathIsShortenedInTheLabel) {
    std::string deep = "F:\\Alpha\\b";
    std::string name = "AVeryLongFolderNameThatCannotPossiblyFitIntoTheLabelOfTheDialog";
    CreateDirectoryA((deep + "\\" + name).c_str(), nullptr);
    HTREEITEM f = ExpandedDrive("F:\\");
    HTREEITEM alpha = FindChild(m_tree, f, "Alpha");
    ExpandByKey(m_tree, alpha);
    HTREEITEM b = FindChild(m_tree, alpha, "b");
    ExpandByKey(m_tree, b);
    SelectItem(m_tree, FindChild(m_tree, b, name));
    std::string shown = ItemText(m_window, IDC_CURRENT_DIR);
    RemoveDirectoryA((deep + "\\" + name).c_str());
    EXPECT_NE(shown.find("..."), std::string::npos) << shown;
    EXPECT_EQ(shown.substr(0, 3), "F:\\") << shown;
    EXPECT_EQ(shown.back(), 'g') << shown;
    ClickButton(m_window, IDOK);
    ASSERT_TRUE(m_thread->WaitDone());
    EXPECT_EQ(m_dialog.m_selectedPath, deep + "\\" + name) << "the selection keeps the full path";
}
}  // namespace
