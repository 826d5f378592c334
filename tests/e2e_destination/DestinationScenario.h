#pragma once
// The frame of the destination scenarios: the real setup.exe driven by the
// robot to its destination dialog and folder browser, on the test drives of
// tests/drives/map-test-drives.sh (A: and B: floppies, D: and E: CD-ROM
// drives, F: a hard disk with a known tree, T: a 1 MB drive).
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../e2e/Scenario.h"
#include "RemoteTree.h"

inline constexpr int kChangeFolder = 1002;
inline constexpr int kLocation = 1003;
inline constexpr int kNewDir = 1015;
inline constexpr int kTree = 1016;
inline constexpr int kCurrentDir = 1008;
inline constexpr char kDestinationTitle[] = "Choose the Destination Folder";
inline constexpr char kBrowseTitle[] = "Choose a Folder";

inline bool FolderExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline std::string SmallDriveUnavailable() {
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
