// Choosing the destination in the real setup.exe, driven by the robot, on the
// test drives of tests/drives/map-test-drives.sh (A: and B: floppies, D: and
// E: CD-ROM drives, F: a hard disk with a known tree, T: a 1 MB drive).
#include <windows.h>

#include "../e2e/Scenario.h"
#include "RemoteTree.h"
#include "record/InstallRecord.h"
#include "record/RecordStore.h"
#include "record/SharedFiles.h"

namespace {
constexpr int kChangeFolder = 1002;
constexpr int kLocation = 1003;
constexpr int kNewDir = 1015;
constexpr int kTree = 1016;
constexpr int kCurrentDir = 1008;
const char kDestinationTitle[] = "Choose the Destination Folder";
const char kBrowseTitle[] = "Choose a Folder";

bool FolderExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string SmallDriveUnavailable() {
    std::optional<std::string> reason = ReadWholeFile(TEST_DRIVES_DIR "\\small-unavailable.txt");
    if (reason) return reason->empty() ? "no tmpfs drive T:" : *reason;
    if (GetDriveTypeA("T:\\") != DRIVE_FIXED) return "drive T: is not mapped (the TestDrives fixture did not run)";
    return {};
}

class DestinationScenario : public SetupScenario {
protected:
    // Starts setup, passes the welcome dialog and returns the destination dialog.
    std::optional<WindowInfo> OpenDestination() {
        if (!StartSetup()) return std::nullopt;
        std::optional<WindowInfo> welcome = NextDialog();
        if (!welcome || !PressAndWaitClosed(*welcome, IDOK)) return std::nullopt;
        std::optional<WindowInfo> destination = NextDialog();
        if (destination) {
            EXPECT_EQ(destination->title, kDestinationTitle);
        }
        return destination;
    }
    // Change Folder: the browser, with its tree readable.
    std::optional<WindowInfo> OpenBrowser() {
        robot->Press(kChangeFolder);
        std::optional<WindowInfo> browse = NextDialog();
        if (!browse) return std::nullopt;
        EXPECT_EQ(browse->title, kBrowseTitle);
        tree = std::make_unique<RemoteTree>(robot->ProcessId(), GetDlgItem(browse->hwnd, kTree));
        EXPECT_TRUE(tree->Ready()) << "cannot read the tree of setup.exe";
        return browse;
    }
    // In the open browser: selects a drive root, or a folder right under it.
    bool SelectFolder(const std::string& root, const std::string& folder = "") {
        RemoteItem item = tree->Find(TVI_ROOT, root);
        if (!item.handle) return false;
        if (!folder.empty()) {
            tree->Expand(item.handle);
            item = tree->Find(item.handle, folder);
            if (!item.handle) return false;
        }
        tree->Select(item.handle);
        return robot->WaitText(kCurrentDir, folder.empty() ? root : root + folder);
    }
    // In the destination dialog: Change Folder, a new folder typed under F:\
    // and made when setup asks; the dialog then names it.
    bool MakeFolderInBrowser(const std::string& name) {
        std::optional<WindowInfo> browse = OpenBrowser();
        if (!browse || !SelectFolder("F:\\")) return false;
        robot->Type(kNewDir, name);
        if (!AcceptBrowser(*browse)) return false;
        std::optional<WindowInfo> question = NextDialog();
        return question && PressAndWaitClosed(*question, IDYES) && robot->WaitText(kLocation, "F:\\" + name);
    }
    // Cancel in the destination dialog and Exit Setup: the exit dialog that follows.
    std::optional<WindowInfo> LeaveFrom(const WindowInfo& destination) {
        if (!robot->Select(destination.hwnd)) return std::nullopt;
        robot->Press(IDCANCEL);
        std::optional<WindowInfo> confirm = NextDialog();
        if (!confirm || !PressAndWaitClosed(*confirm, IDOK)) return std::nullopt;  // Exit Setup
        return NextDialog();
    }
    // Presses OK in the browser and waits for it to go.
    bool AcceptBrowser(const WindowInfo& browse) { return PressAndWaitClosed(browse, IDOK); }
    // Presses OK in the destination dialog and walks the rest; the last title.
    std::string FinishFrom(const WindowInfo& destination) {
        robot->Press(IDOK);
        std::vector<WindowInfo> rest = WalkToEnd();
        EXPECT_EQ(robot->WaitExit(), 1);
        return rest.empty() ? std::string() : rest.back().title;
    }

    std::unique_ptr<RemoteTree> tree;
};

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

// An empty DestDir names no drive: OK finds no room (it is not drive C:),
// and nothing is installed into the medium's own drive.
TEST_F(DestinationScenario, EmptyDestDirHasNoRoom) {
    medium.SetIni("DestDir", "");
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(AcknowledgeMessage("The '' entry in SETUP.INI looks suspicious.\nIt should be an entry like 'C:\\Zandel'."));
    ASSERT_TRUE(AcknowledgeMessage(
        "At least one entry in SETUP.INI is suspicious.\nSetup will continue, but the results will be unpredictable."));
    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome && PressAndWaitClosed(*welcome, IDOK));
    std::optional<WindowInfo> destination = NextDialog();
    ASSERT_TRUE(destination && RefusedForNoRoomThenLeave(*destination));
    std::vector<WindowInfo> rest = WalkToEnd();
    ASSERT_FALSE(rest.empty());
    EXPECT_EQ(rest.back().title, "Setup Incomplete");
    EXPECT_EQ(robot->WaitExit(), 1);
}

TEST_F(DestinationScenario, MissingFolderAnsweredNoGoesBackToDestDir) {
    std::optional<WindowInfo> destination = OpenDestination();
    ASSERT_TRUE(destination);
    std::optional<WindowInfo> browse = OpenBrowser();
    ASSERT_TRUE(browse);
    ASSERT_TRUE(SelectFolder("F:\\", "Alpha"));
    robot->Type(kNewDir, "NotMade");
    ASSERT_TRUE(AcceptBrowser(*browse));
    std::optional<WindowInfo> question = NextDialog();
    ASSERT_TRUE(question);
    ASSERT_TRUE(PressAndWaitClosed(*question, IDNO));
    EXPECT_TRUE(robot->WaitText(kLocation, "C:\\Zandel"));
    EXPECT_FALSE(FolderExists("F:\\Alpha\\NotMade"));
}

// No room: the message, the dialog stays, and a later OK on a drive with
// room installs (setup is not abandoned by the refusal).
TEST_F(DestinationScenario, NotEnoughRoomWarnsAndLetsTheUserChooseAgain) {
    std::string reason = SmallDriveUnavailable();
    if (!reason.empty()) GTEST_SKIP() << reason;
    medium.SetIni("FileSize", "2000000");
    std::optional<WindowInfo> destination = OpenDestination();
    ASSERT_TRUE(destination);
    std::optional<WindowInfo> browse = OpenBrowser();
    ASSERT_TRUE(browse);
    ASSERT_TRUE(SelectFolder("T:\\"));
    ASSERT_TRUE(AcceptBrowser(*browse));
    ASSERT_TRUE(robot->WaitText(kLocation, "T:\\"));
    robot->Press(IDOK);
    std::optional<WindowInfo> message = NextDialog();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->title, "Not Enough Room");
    EXPECT_EQ(message->Text(kMessageBoxText),
              "The drive you chose does not have enough free space for the book's files. Please choose another "
              "drive or folder.");
    EXPECT_EQ(message->Control(IDCANCEL), nullptr);
    ASSERT_TRUE(PressAndWaitClosed(*message, IDOK));
    EXPECT_TRUE(robot->StaysOpen(destination->hwnd, 1000));

    browse = OpenBrowser();
    ASSERT_TRUE(browse);
    ASSERT_TRUE(SelectFolder("F:\\", "Existing"));
    ASSERT_TRUE(AcceptBrowser(*browse));
    ASSERT_TRUE(robot->WaitText(kLocation, "F:\\Existing"));
    EXPECT_EQ(FinishFrom(*destination), "Setup Complete");
    // The installation went there: the test drive gets its empty folder back.
    RemoveTree("F:\\Existing");
    CreateDirectoryA("F:\\Existing", nullptr);
}

// The disk fills up during the copy (a FileSize too small lets it start):
// the user's file that a big one was to replace stays as it was, the new big
// file that did not fit leaves no cut copy behind, the failure is reported
// once, and setup goes on to its end.
TEST_F(DestinationScenario, AFullDiskCostsTheUserNothingAndIsReportedOnce) {
    std::string reason = SmallDriveUnavailable();
    if (!reason.empty()) GTEST_SKIP() << reason;
    RemoveTree("T:\\Book");
    ASSERT_TRUE(WriteWholeFile("T:\\Book\\Big.dat", "the user's own notes"));
    const std::string big(1536 * 1024, 'b');
    medium.SetIni("DestDir", "T:\\Book")
        .SetIni("FileSize", "60000")
        .SetIni("FilesCompressed", "NO")
        .AddFile("CODE\\BIG.DAT", big)
        .AddFile("CODE\\HUGE.DAT", big);
    std::optional<WindowInfo> destination = OpenDestination();
    ASSERT_TRUE(destination);
    robot->Press(IDOK);
    std::vector<WindowInfo> rest = WalkToEnd();
    EXPECT_EQ(robot->WaitExit(), 1);
    std::vector<std::string> seen;
    for (const WindowInfo& dialog : rest)
        if (dialog.title != "Installing")
            seen.push_back(IsMessageBox(dialog) ? dialog.Text(kMessageBoxText) : dialog.title);
    EXPECT_EQ(seen, (std::vector<std::string>{"Replace File?", "A problem occurred while the files were installed.",
                                              "Setup Complete"}));
    EXPECT_EQ(ReadWholeFile("T:\\Book\\Big.dat"), "the user's own notes");
    EXPECT_EQ(GetFileAttributesA("T:\\Book\\Huge.dat"), INVALID_FILE_ATTRIBUTES) << "a cut file was left";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("T:\\Book\\*.tmp", &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "a temporary file was left: " << found.cFileName;
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    EXPECT_EQ(ReadWholeFile("T:\\Book\\Read Me.txt"), ReadWholeFile(Medium::DefaultSample() + "\\CODE\\READ_ME.TXT"));
    RemoveTree("T:\\Book");
}

// The same full disk in an unattended run (/S): no window, the exit code of
// a drive without room, the log saying so, and nothing of the run left: of
// two big files one fits and the other does not, whichever comes first; the
// one that arrived is gone again, the user's file is as it was, no shortcut
// and no uninstall entry.
TEST_F(DestinationScenario, AQuietRunOntoADriveThatFillsUpLeavesNothing) {
    std::string reason = SmallDriveUnavailable();
    if (!reason.empty()) GTEST_SKIP() << reason;
    RemoveTree("T:\\Book");
    ASSERT_TRUE(WriteWholeFile("T:\\Book\\Big.dat", "the user's own notes"));
    const std::string product = "E2E quiet full drive";
    const std::string uninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + product;
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, uninstallKey.c_str());
    const std::string big(640 * 1024, 'b');
    medium.SetIni("DestDir", "T:\\Book")
        .SetIni("ProductName", product)
        .SetIni("ShortcutName", product)
        .SetIni("ShortcutLocation", "Desktop")
        .SetIni("FileSize", "60000")
        .SetIni("FilesCompressed", "NO")
        .AddFile("CODE\\BIG.DAT", big)
        .AddFile("CODE\\HUGE.DAT", big)
        .AddCopy("XOVUNIN.EXE", XOVUNIN_EXE);
    const std::string log = Medium::WorkDir() + "\\" + CurrentTestName() + ".log";
    DeleteFileA(log.c_str());
    std::string folder = medium.Build();
    ASSERT_FALSE(folder.empty());
    robot = std::make_unique<Robot>(SETUP_EXE, folder);
    robot->SetCommandLine(std::string("\"") + SETUP_EXE + "\" /S /LOG=" + log);
    ASSERT_TRUE(robot->Start());

    EXPECT_EQ(robot->WindowsShownUntilExit(), std::vector<std::string>{});
    EXPECT_EQ(robot->WaitExit(), 3);
    std::string text = ReadWholeFile(log).value_or("<no log>");
    bool bigFailed = text.find("Could not install: T:\\Book\\Big.dat\r\n") != std::string::npos;
    bool hugeFailed = text.find("Could not install: T:\\Book\\Huge.dat\r\n") != std::string::npos;
    EXPECT_NE(bigFailed, hugeFailed) << "one of the two big files did not fit:\n" << text;
    EXPECT_NE(text.find(hugeFailed ? "Replaced: T:\\Book\\Big.dat\r\n" : "Copied: T:\\Book\\Huge.dat\r\n"),
              std::string::npos)
        << "the other one arrived:\n" << text;
    EXPECT_NE(text.find("The copy was undone: the destination is as it was.\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Not installed: the destination's drive has not enough room. (exit code 3)\r\n"),
              std::string::npos)
        << text;
    std::vector<std::string> left = ListingOrder("T:\\Book");
    EXPECT_EQ(left, std::vector<std::string>{"Big.dat"}) << "the run left files";
    EXPECT_EQ(ReadWholeFile("T:\\Book\\Big.dat"), "the user's own notes");
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, uninstallKey.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS)
        << "an uninstall entry was written";
    if (key) RegCloseKey(key);
    key = nullptr;
    char desktop[MAX_PATH] = {};
    DWORD size = sizeof desktop;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, "Desktop", nullptr, nullptr, reinterpret_cast<BYTE*>(desktop), &size);
        RegCloseKey(key);
    }
    ASSERT_NE(desktop[0], '\0') << "no Desktop folder";
    EXPECT_FALSE(FileExists(std::string(desktop) + "\\" + product + ".Lnk")) << "a shortcut was made";
    RemoveTree("T:\\Book");
}

TEST_F(DestinationScenario, FreeSpaceExactlyEqualToFileSizeIsEnough) {
    std::string reason = SmallDriveUnavailable();
    if (!reason.empty()) GTEST_SKIP() << reason;
    DWORD sectors = 0, bytes = 0, freeClusters = 0, total = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("T:\\", &sectors, &bytes, &freeClusters, &total));
    uint64_t freeBytes = uint64_t{freeClusters} * bytes * sectors;
    medium.SetIni("FileSize", std::to_string(freeBytes));
    medium.SetIni("DestDir", "T:\\Zandel");
    std::optional<WindowInfo> destination = OpenDestination();
    ASSERT_TRUE(destination);
    EXPECT_EQ(destination->Text(kLocation), "T:\\Zandel");
    robot->Press(IDOK);
    ASSERT_TRUE(robot->WaitClosed(destination->hwnd)) << "no room for exactly FileSize bytes";
    std::vector<WindowInfo> rest = WalkToEnd();
    ASSERT_FALSE(rest.empty());
    for (const WindowInfo& dialog : rest) EXPECT_NE(dialog.title, "Not Enough Room");
    EXPECT_EQ(rest.back().title, "Setup Complete");
    RemoveTree("T:\\Zandel");
}

TEST_F(DestinationScenario, CancelThenContinueThenCancelThenExit) {
    std::optional<WindowInfo> destination = OpenDestination();
    ASSERT_TRUE(destination);
    robot->Press(IDCANCEL);
    std::optional<WindowInfo> confirm = NextDialog();
    ASSERT_TRUE(confirm);
    EXPECT_EQ(confirm->title, "Exit Setup");
    ASSERT_TRUE(PressAndWaitClosed(*confirm, IDCANCEL));  // Continue
    EXPECT_TRUE(robot->StaysOpen(destination->hwnd, 1000));

    robot->Key(VK_ESCAPE);  // Escape takes the same way as the Exit Setup button
    confirm = NextDialog();
    ASSERT_TRUE(confirm);
    EXPECT_EQ(confirm->title, "Exit Setup");
    ASSERT_TRUE(PressAndWaitClosed(*confirm, IDOK));  // Exit Setup
    ASSERT_TRUE(robot->WaitClosed(destination->hwnd));
    std::optional<WindowInfo> exitDialog = NextDialog();
    ASSERT_TRUE(exitDialog);
    EXPECT_EQ(exitDialog->title, "Setup Incomplete");
    ASSERT_TRUE(PressAndWaitClosed(*exitDialog, IDOK));
    EXPECT_EQ(robot->WaitExit(), 1);
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
