// The destination dialog and the room on the drive: an empty DestDir, a
// missing folder answered No, not enough room, a disk that fills up during
// the copy (interactive and unattended), free space exactly the size, and
// Cancel in the dialog answered both ways.
#include "DestinationScenario.h"
#include "record/InstallRecord.h"
#include "record/RecordStore.h"
#include "record/SharedFiles.h"

namespace {
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
}  // namespace
