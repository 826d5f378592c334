// Choosing the destination in the real setup.exe: the drives and the folder
// tree of the browser, a new folder typed or pasted, what becomes of folders
// made here when setup is left or the choice changes, and a folder named in
// a script the code page lacks.
#include "DestinationScenario.h"
#include "record/InstallRecord.h"
#include "record/RecordStore.h"
#include "record/SharedFiles.h"

namespace {
TEST_F(DestinationScenario, DrivesShowWithTheirImagesAndTheFirstHardDiskIsSelected) {
    std::optional<WindowInfo> destination = OpenDestination();
    ASSERT_TRUE(destination);
    EXPECT_EQ(destination->Text(kLocation), "C:\\Zandel");
    EXPECT_EQ(destination->Text(IDCANCEL), "E&xit Setup");
    EXPECT_EQ(destination->Text(kChangeFolder), "&Change Folder...");
    std::optional<WindowInfo> browse = OpenBrowser();
    ASSERT_TRUE(browse);
    EXPECT_EQ(browse->Text(kCurrentDir), "C:\\");
    EXPECT_EQ(browse->Text(1000), "Choose the folder for the book's files:");

    struct Expected {
        const char* root;
        int image;
    };
    const Expected drives[] = {{"A:\\", 1}, {"B:\\", 1}, {"C:\\", 0}, {"D:\\", 2}, {"E:\\", 2}, {"F:\\", 0}};
    std::vector<RemoteItem> roots = tree->Children(TVI_ROOT);
    ASSERT_GE(roots.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(roots[i].text, drives[i].root);
        EXPECT_EQ(roots[i].image, drives[i].image) << drives[i].root;
        // Every drive has its button; floppies and CD-ROMs were not read for it.
        EXPECT_TRUE(roots[i].hasButton) << drives[i].root;
    }
    EXPECT_EQ(tree->Selected(), roots[2].handle) << "C:\\ is selected";
    robot->Screenshot("destination-browse-drives.png");
}

TEST_F(DestinationScenario, ExpandingAndCollapsingAFolderTree) {
    CreateDirectoryA("F:\\Gone", nullptr);
    CreateDirectoryA("F:\\Gone\\x", nullptr);
    std::optional<WindowInfo> destination = OpenDestination();
    ASSERT_TRUE(destination);
    std::optional<WindowInfo> browse = OpenBrowser();
    ASSERT_TRUE(browse);
    RemoteItem f = tree->Find(TVI_ROOT, "F:\\");
    tree->Expand(f.handle);
    std::vector<std::string> names;
    for (const RemoteItem& item : tree->Children(f.handle)) names.push_back(item.text);
    // The tree control's own order: "_" before the letters, as TVI_SORT puts it.
    const std::vector<std::string> expected = {".hidden", "_under", "Alpha", "beta", "Empty", "Existing", "Gone", "zeta"};
    EXPECT_EQ(names, expected);
    RemoteItem gone = tree->Find(f.handle, "Gone");
    EXPECT_EQ(gone.image, 3);
    EXPECT_EQ(gone.selectedImage, 4);
    EXPECT_TRUE(gone.hasButton);
    EXPECT_FALSE(tree->Find(f.handle, "Empty").hasButton);

    // Its only subfolder goes; expanding it is refused and the button goes too.
    ASSERT_TRUE(RemoveDirectoryA("F:\\Gone\\x"));
    tree->Expand(gone.handle);
    EXPECT_TRUE(tree->Children(gone.handle).empty());
    RemoteItem refused = tree->Find(f.handle, "Gone");
    EXPECT_FALSE(refused.expanded);
    EXPECT_FALSE(refused.hasButton);

    tree->Collapse(f.handle);
    EXPECT_TRUE(tree->Children(f.handle).empty());
    RemoteItem collapsed = tree->Find(TVI_ROOT, "F:\\");
    EXPECT_FALSE(collapsed.expanded);
    EXPECT_TRUE(collapsed.hasButton);
    CreateDirectoryA("F:\\Gone\\x", nullptr);
}

TEST_F(DestinationScenario, NewDirectoryFilterForTypedAndPastedText) {
    std::optional<WindowInfo> destination = OpenDestination();
    ASSERT_TRUE(destination);
    std::optional<WindowInfo> browse = OpenBrowser();
    ASSERT_TRUE(browse);
    robot->Type(kNewDir, "A-B");
    EXPECT_TRUE(robot->WaitText(kNewDir, "AB")) << robot->Read(browse->hwnd)->Text(kNewDir);
    robot->Paste(kNewDir, "X!Y");
    EXPECT_TRUE(robot->WaitText(kNewDir, "ABX!Y")) << robot->Read(browse->hwnd)->Text(kNewDir);
}

TEST_F(DestinationScenario, ChangeFolderThenCancelGoesBackToDestDir) {
    std::optional<WindowInfo> destination = OpenDestination();
    ASSERT_TRUE(destination);
    std::optional<WindowInfo> browse = OpenBrowser();
    ASSERT_TRUE(browse);
    ASSERT_TRUE(SelectFolder("F:\\", "Existing"));
    ASSERT_TRUE(AcceptBrowser(*browse));
    EXPECT_TRUE(robot->WaitText(kLocation, "F:\\Existing"));

    browse = OpenBrowser();
    ASSERT_TRUE(browse);
    ASSERT_TRUE(PressAndWaitClosed(*browse, IDCANCEL));
    EXPECT_TRUE(robot->WaitText(kLocation, "C:\\Zandel"));
    EXPECT_EQ(FinishFrom(*destination), "Setup Complete");
}

// A path pasted into New Directory is taken as one folder's name, its
// backslashes and wildcards filtered out as typing would: the new folder is
// made right under the selected one, asked about, created and kept.
TEST_F(DestinationScenario, PastedNewDirectoryIsFilteredWholeThenCreatedAndKept) {
    std::string made = "F:\\E2EMadeDeeper";
    RemoveTree(made);
    std::optional<WindowInfo> destination = OpenDestination();
    ASSERT_TRUE(destination);
    std::optional<WindowInfo> browse = OpenBrowser();
    ASSERT_TRUE(browse);
    ASSERT_TRUE(SelectFolder("F:\\"));
    robot->Paste(kNewDir, "E2E*Made\\Deeper");
    ASSERT_TRUE(robot->WaitText(kNewDir, "E2E*Made\\Deeper")) << "only the last pasted character is filtered at once";
    ASSERT_TRUE(AcceptBrowser(*browse));
    std::optional<WindowInfo> question = NextDialog();
    ASSERT_TRUE(question);
    EXPECT_EQ(question->title, kMessageBoxTitle);
    EXPECT_EQ(question->Text(kMessageBoxText), "The folder does not exist yet. Do you want Setup to create it?");
    ASSERT_TRUE(PressAndWaitClosed(*question, IDYES));
    EXPECT_TRUE(robot->WaitText(kLocation, made));
    EXPECT_TRUE(FolderExists(made));
    EXPECT_EQ(FinishFrom(*destination), "Setup Complete");
    EXPECT_TRUE(FolderExists(made)) << "the created folder is kept";
    EXPECT_FALSE(FolderExists("F:\\E2E*Made")) << "a folder was made from the pasted path";
    RemoveTree(made);
}

// A folder created here belongs to the run: when setup is then left, it is
// removed again, and the disk is as setup found it.
TEST_F(DestinationScenario, AFolderCreatedHereGoesWhenSetupIsLeft) {
    std::string made = "F:\\E2EMadeThenLeft";
    RemoveTree(made);
    std::optional<WindowInfo> destination = OpenDestination();
    ASSERT_TRUE(destination);
    ASSERT_TRUE(MakeFolderInBrowser("E2EMadeThenLeft"));
    EXPECT_TRUE(FolderExists(made));

    std::optional<WindowInfo> exitDialog = LeaveFrom(*destination);
    ASSERT_TRUE(exitDialog);
    EXPECT_EQ(exitDialog->title, "Setup Incomplete");
    ASSERT_TRUE(PressAndWaitClosed(*exitDialog, IDOK));
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_FALSE(FolderExists(made)) << "the folder made in the destination dialog was left";
    RemoveTree(made);
}

// A folder made here for a choice the reader then changed is theirs: only the
// chosen folder's own belong to the run, and leaving setup keeps the other.
TEST_F(DestinationScenario, AFolderMadeForAChangedChoiceStaysWhenSetupIsLeft) {
    std::string made = "F:\\E2EMadeThenChanged";
    RemoveTree(made);
    std::optional<WindowInfo> destination = OpenDestination();
    ASSERT_TRUE(destination);
    ASSERT_TRUE(MakeFolderInBrowser("E2EMadeThenChanged"));
    std::optional<WindowInfo> browse = OpenBrowser();
    ASSERT_TRUE(browse);
    ASSERT_TRUE(SelectFolder("F:\\", "Existing"));
    ASSERT_TRUE(AcceptBrowser(*browse));
    ASSERT_TRUE(robot->WaitText(kLocation, "F:\\Existing"));

    std::optional<WindowInfo> exitDialog = LeaveFrom(*destination);
    ASSERT_TRUE(exitDialog);
    ASSERT_TRUE(PressAndWaitClosed(*exitDialog, IDOK));
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_TRUE(FolderExists(made)) << "the reader's folder, made for the choice they changed";
    RemoveTree(made);
}

// Installed into the second of two folders made here: only the chosen one is
// the book's. The record names it and not the first, which stays the reader's
// (the book's removal would otherwise take that folder with it).
TEST_F(DestinationScenario, OnlyTheChosenOfTheFoldersMadeHereIsRecorded) {
    const std::string notChosen = "F:\\E2EMadeNotChosen", chosen = "F:\\E2EMadeAndChosen";
    const std::string product = "E2E " + CurrentTestName();
    RemoveTree(notChosen);
    RemoveTree(chosen);
    medium.SetIni("ProductName", product).AddFile("SCRIPT.TXT", "").AddCopy("XOVUNIN.EXE", XOVUNIN_EXE);
    std::optional<WindowInfo> destination = OpenDestination();
    ASSERT_TRUE(destination);
    ASSERT_TRUE(MakeFolderInBrowser("E2EMadeNotChosen"));
    ASSERT_TRUE(MakeFolderInBrowser("E2EMadeAndChosen"));
    EXPECT_EQ(FinishFrom(*destination), "Setup Complete");

    std::optional<InstallRecord> record;
    {
        RegistryKey entry = OpenUninstallEntry(product, KEY_QUERY_VALUE, MachinePlaces());
        std::optional<std::string> text = entry ? ReadRecordText(entry.Get()) : std::nullopt;
        if (text) record = ParseRecord(*text);
    }
    ASSERT_TRUE(record) << "no install record";
    // The chosen folder and those the copy made in it; nothing beside them.
    std::vector<std::string> outside;
    bool chosenNamed = false;
    for (const RecordEntry& entry : record->entries) {
        if (entry.kind != RecordEntry::Kind::Folder) continue;
        chosenNamed = chosenNamed || entry.path == chosen;
        if (entry.path != chosen && entry.path.rfind(chosen + "\\", 0) != 0) outside.push_back(entry.path);
    }
    EXPECT_TRUE(chosenNamed) << "the chosen folder, made here, is the book's";
    EXPECT_EQ(outside, std::vector<std::string>{}) << "folders the record names outside the chosen one";
    EXPECT_TRUE(FolderExists(notChosen));

    // What the install left beside the folders: its entry and the uninstaller's copy and count.
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string uninstaller = std::string(windows) + "\\XOVUNIN.EXE";
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, ("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + product).c_str());
    DeleteFileA(uninstaller.c_str());
    SetSharedCount(uninstaller, 0, MachinePlaces());
    RemoveTree(notChosen);
    RemoveTree(chosen);
}

// A folder named in a script the system's code page (1252) lacks shows in
// the tree as it is named, is chosen whole and receives the book.
TEST_F(DestinationScenario, AFolderNamedInCyrillicIsShownChosenAndReceivesTheBook) {
    // Below a folder that no other scenario lists whole, as they may run meanwhile.
    const std::string folder = "F:\\zeta\\Книги";
    RemoveTree(folder);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    std::optional<WindowInfo> destination = OpenDestination();
    ASSERT_TRUE(destination);
    std::optional<WindowInfo> browse = OpenBrowser();
    ASSERT_TRUE(browse);
    ASSERT_TRUE(SelectFolder("F:\\", "zeta"));
    RemoteItem zeta = tree->Find(tree->Find(TVI_ROOT, "F:\\").handle, "zeta");
    tree->Expand(zeta.handle);
    RemoteItem books = tree->Find(zeta.handle, "Книги");
    ASSERT_TRUE(books.handle) << "the folder's name in the tree";
    tree->Select(books.handle);
    ASSERT_TRUE(robot->WaitText(kCurrentDir, folder));
    ASSERT_TRUE(AcceptBrowser(*browse));
    EXPECT_TRUE(robot->WaitText(kLocation, folder));
    EXPECT_EQ(FinishFrom(*destination), "Setup Complete");
    EXPECT_TRUE(FileExists(folder + "\\Read me.txt"));
    RemoveTree(folder);
}
}  // namespace
