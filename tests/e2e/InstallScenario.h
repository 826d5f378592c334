#pragma once
// The frame of the installing scenarios: setup.exe on a medium, driven by the
// robot through the copy, and afterwards the installed tree file by file, the
// shortcut file read back through the shell link object, the uninstall entry
// in the registry and the copied uninstaller. Every scenario installs into a
// folder of its own under the test work folder and registers a product name
// of its own, removed again at the end.
#include <windows.h>

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "Scenario.h"
#include "framework/PathText.h"
#include "record/InstallRecord.h"
#include "record/RecordedFiles.h"

// Titles and texts of the sample SETUP.TXT.
inline constexpr const char* kProgressTitle = "Installing";
inline constexpr const char* kReplaceTitle = "Replace File?";
inline constexpr const char* kExitTitle = "Exit Setup";
inline constexpr const char* kFinishedTitle = "Setup Complete";
inline constexpr const char* kFailedTitle = "Setup Incomplete";
inline constexpr const char* kBackdropTitle = "Setup";
inline constexpr const char* kInUseTitle = "File in Use";
inline const std::string kExpandProblem =
    "Some compressed files could not be expanded. The other files have been installed; please check your CD and "
    "run Setup again.";
inline const std::string kCopyProblem = "A problem occurred while the files were installed.";
inline const std::string kUninstallText = "Do you want to remove the Zandel Companion files from your computer?";
inline const std::string kUninstallProblemText = "Some files could not be removed. You may delete them yourself.";

// The progress dialog's bar.
inline constexpr int kProgressBar = 1010;
// The buttons of the replace question and of the exit question.
inline constexpr int kYes = IDOK, kYesToAll = 1001, kNo = 1006, kCancel = IDCANCEL;
inline constexpr int kExitSetup = IDOK, kContinue = IDCANCEL;

inline const std::string kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The reference count of a shared file; nullopt when it has none.
std::optional<DWORD> SharedCountOf(const std::string& path);
void ForgetSharedCount(const std::string& path);

// Relative path under the destination -> content.
using Tree = std::map<std::string, std::string>;

Tree InstalledTree(const std::string& root);
// Every difference between the installed tree and the expected one, a line
// each, by name and size (the contents are too long to show).
std::string TreeDifferences(const Tree& got, const Tree& expected);

// A file of the sample medium, and a file of the compressed fixtures.
std::string Sample(const std::string& relative);
std::string Fixture(const std::string& name);

// The sample's code tree as installed with UseUnderscores=YES, and the name
// each file has on the medium (the name a replace question shows).
inline const std::map<std::string, std::string> kInstalledName = {
    {"READ_ME.TXT", "Read Me.txt"},
    {"HELLO.C", "Chap 1\\Hello.c"},
    {"TABLE.DAT", "Chap 2\\Data\\Table.dat"},
};
Tree SampleTree();

std::string OldContent(const std::string& relative);

std::string CopiedUninstaller();

// A shell folder of the user as setup reads it (HKCU ...\Explorer\Shell Folders).
std::string ShellFolder(const char* valueName);

inline const char* const kShellFolders[] = {"Desktop", "Personal", "Favorites"};

// Where a book installed for the current user keeps its uninstaller: a
// folder of ours in the user's local application data.
std::string UserSetupFolder();
std::string UserUninstaller();

// The current user's counts (the machine's are under SharedDLLs).
inline constexpr char kUserSharedFilesKey[] = "Software\\Book Setup\\Shared Files";
std::optional<DWORD> UserCountOf(const std::string& path);

// A registry value as stored: its type and its bytes.
struct StoredValue {
    DWORD type = 0;
    std::string bytes;
    bool operator==(const StoredValue&) const = default;
};

std::ostream& operator<<(std::ostream& out, const StoredValue& v);

// A string value with its terminating zero counted, as setup writes it.
StoredValue Sz(const std::string& text);
StoredValue Dword(DWORD value);

// Every value of the uninstall key of the product; nullopt when the key is
// missing. The machine's by default; HKEY_CURRENT_USER for a book installed
// for the current user.
std::optional<std::map<std::string, StoredValue>> UninstallEntry(const std::string& product,
                                                                 HKEY hive = HKEY_LOCAL_MACHINE);

// The file a replace question names: the text between the quotes of ConfirmReplaceText1.
std::string AskedFile(const WindowInfo& question);

// Whether `upper` stands above `lower` in the z-order, so that a person sees
// it over the other where they overlap. Wine keeps one z-order for the
// windows of all processes.
bool Above(HWND upper, HWND lower);

// Whether the window becomes the foreground window, the one that takes what
// a person types, within a second.
bool BecomesForeground(HWND window);

// The backdrop brought to the front, as the system does when a person clicks
// it or switches to setup: it comes up with only the windows it owns,
// directly or through others, above it. Without activating it: Wine's X11
// driver raises the window that takes the focus over even the windows it
// owns (a fault of Wine's own, not of the order asked about here).
void BringBackdropToFront(HWND backdrop);

// What the rest of a run showed, the progress dialog left out (a fast copy
// may close it before the robot looks).
struct Walk {
    std::vector<std::string> dialogs;     // titles; "setup: <text>" for a message box
    std::vector<std::string> askedFiles;  // the file of each replace question, in order
    std::vector<std::string> askedTimes;  // the time each replace question shows for the file there
    std::vector<std::string> covered;     // dialogs the backdrop hid or that did not take the keyboard
};

// Buttons to press per dialog title, in order; the default button when none is left.
using Answers = std::map<std::string, std::deque<int>>;

// The test's name without periods: the command script takes a last path
// part with a period for a file name, and %INSTALLPATH% must name a folder.
std::string DestinationName();

// The files of a tree that a run keeps the reader's files under meanwhile.
size_t KeptFilesIn(const Tree& tree);

// The journals of unfinished runs of the product, in the machine's place.
size_t JournalsOf(const std::string& product);

class InstallScenario : public SetupScenario {
protected:
    InstallScenario()
        : dest(Medium::WorkDir() + "\\" + DestinationName()), product("E2E " + CurrentTestName()),
          linkName(product + " Files") {}

    void SetUp() override {
        Clean();
        // A destination left by an earlier run would turn every file into a question.
        RemoveTree(dest);
        medium.SetIni("DestDir", dest)
            .SetIni("ProductName", product)
            .SetIni("ShortcutName", linkName)
            .SetIni("ShortcutLocation", "Desktop")
            // No script commands unless a scenario puts some on its medium.
            .AddFile("SCRIPT.TXT", "");
    }

    void TearDown() override {
        SetupScenario::TearDown();
        Clean();
    }

    // What a run may leave outside its own folders.
    void Clean() {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallKey + product).c_str());
        DeleteFileA(CopiedUninstaller().c_str());
        ForgetSharedCount(CopiedUninstaller());
        // A book for the current user: its entry, its uninstaller and count,
        // and what a removal moved aside in that folder.
        RegDeleteKeyA(HKEY_CURRENT_USER, (kUninstallKey + product).c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, kUserSharedFilesKey);
        if (!UserSetupFolder().empty()) RemoveTree(UserSetupFolder());
        // A removed uninstaller moved itself aside, to be deleted at the
        // system's next start, which never comes in a test run.
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((WindowsFolder() + "\\XOV*.tmp").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        do DeleteFileA((WindowsFolder() + "\\" + found.cFileName).c_str());
        while (FindNextFileA(search, &found));
        FindClose(search);
        for (const char* folder : kShellFolders) DeleteFileA(LinkPath(ShellFolder(folder)).c_str());
    }

    std::string LinkPath(const std::string& folder) const { return folder + "\\" + linkName + ".Lnk"; }

    // Files in the destination before setup runs.
    void Existing(const Tree& files) {
        RemoveTree(dest);
        for (const auto& [relative, content] : files) ASSERT_TRUE(WriteWholeFile(dest + "\\" + relative, content));
    }
    void AllExisting() {
        Tree old;
        for (const auto& [relative, content] : SampleTree()) old[relative] = OldContent(relative);
        Existing(old);
    }

    // The medium with the stand-in uninstaller beside setup (unless the
    // scenario leaves it off), setup started and taken to the copy.
    bool StartInstall(bool withUninstaller = true) {
        if (withUninstaller) medium.AddCopy("XOVUNIN.EXE", XOVUNIN_EXE);
        return StartSetup() && PassToProgress();
    }

    // Walks the rest of the run, answering as told.
    Walk WalkAnswering(Answers answers = {}) {
        Walk walk;
        for (int n = 0; n < 100; ++n) {
            std::optional<WindowInfo> dialog = robot->WaitDialog();
            if (!dialog) break;
            if (dialog->title == kProgressTitle) continue;  // the scenario acts on it itself when it must
            Note(*dialog, walk);
            std::deque<int>& queue = answers[dialog->title];
            int id = queue.empty() ? robot->DefaultButton() : queue.front();
            if (!queue.empty()) queue.pop_front();
            robot->Press(id);
            if (!robot->WaitClosed(dialog->hwnd)) break;
        }
        EXPECT_FALSE(robot->Running()) << "setup did not come to an end";
        EXPECT_EQ(walk.covered, std::vector<std::string>{}) << "dialogs a person could not see or type into";
        for (const auto& [title, left] : answers)
            EXPECT_TRUE(left.empty()) << left.size() << " answers for \"" << title << "\" were not used";
        return walk;
    }

    void Note(const WindowInfo& dialog, Walk& walk) {
        walk.dialogs.push_back(IsMessageBox(dialog) ? "setup: " + dialog.Text(kMessageBoxText) : dialog.title);
        if (dialog.title == kReplaceTitle) {
            walk.askedFiles.push_back(AskedFile(dialog));
            walk.askedTimes.push_back(dialog.Text(1014));
        }
        HWND backdrop = Backdrop();
        EXPECT_TRUE(backdrop) << "no backdrop behind \"" << walk.dialogs.back() << "\"";
        if ((backdrop && !Above(dialog.hwnd, backdrop)) || !BecomesForeground(dialog.hwnd))
            walk.covered.push_back(walk.dialogs.back());
    }

    HWND Backdrop() {
        std::optional<WindowInfo> backdrop = robot->FindWindowByTitle(kBackdropTitle);
        return backdrop ? backdrop->hwnd : nullptr;
    }

    // The shortcut is in the folder (the value name of a shell folder), or in none.
    void ExpectShortcutIn(const char* expected) {
        for (const char* folder : kShellFolders) {
            std::string path = LinkPath(ShellFolder(folder));
            std::optional<std::string> target = ShellLinkTarget(path);
            if (expected && std::string(expected) == folder) {
                EXPECT_EQ(target, dest) << path;
            } else {
                EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "a shortcut was made: " << path;
            }
        }
    }

    // The uninstall entry and the copied uninstaller, or neither of them.
    void ExpectRegistered(bool registered) {
        std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product);
        std::optional<std::string> copied = ReadWholeFile(CopiedUninstaller());
        if (!registered) {
            EXPECT_FALSE(entry.has_value()) << "an uninstall entry was written";
            EXPECT_FALSE(copied.has_value()) << "the uninstaller was copied";
            return;
        }
        ASSERT_TRUE(entry.has_value()) << "no uninstall key " << kUninstallKey << product;
        ExpectEntryValues(*entry, CopiedUninstaller(), "");
        EXPECT_EQ(copied, ReadWholeFile(XOVUNIN_EXE)) << "the uninstaller in " << WindowsFolder();
    }

    // The values of the entry: the commands with the uninstaller's path
    // quoted (and the switch of a book for the current user), the record,
    // and what the system's list shows: the folder, the icon, today's date,
    // the size in KB of what is installed, no Modify or Repair button, and
    // the medium's publisher and version when it names them.
    void ExpectEntryValues(std::map<std::string, StoredValue> entry, const std::string& uninstaller,
                           const std::string& scopeSwitch, const std::map<std::string, StoredValue>& named = {}) {
        // The install record; what it holds, the uninstall scenarios show.
        ASSERT_TRUE(entry.count("InstallRecord")) << "no install record";
        EXPECT_EQ(entry.at("InstallRecord").type, static_cast<DWORD>(REG_BINARY));
        EXPECT_TRUE(ParseRecord(entry.at("InstallRecord").bytes).has_value()) << entry.at("InstallRecord");
        entry.erase("InstallRecord");
        // The book's files and its shortcut, in KB.
        ASSERT_TRUE(entry.count("EstimatedSize")) << "no size";
        const StoredValue size = entry.at("EstimatedSize");
        entry.erase("EstimatedSize");
        ASSERT_EQ(size.type, static_cast<DWORD>(REG_DWORD));
        DWORD kb = 0;
        memcpy(&kb, size.bytes.data(), sizeof kb);
        uint64_t bytes = 0;
        for (const auto& [relative, content] : InstalledTree(dest)) bytes += content.size();
        EXPECT_GE(kb, bytes / 1024) << bytes << " bytes installed";
        EXPECT_LE(kb, (bytes + 1023) / 1024 + 4) << bytes << " bytes installed";

        const std::string command = "\"" + uninstaller + "\" ";
        std::map<std::string, StoredValue> expected = {
            {"DisplayName", Sz(product)},
            {"UninstallString", Sz(command + scopeSwitch + "`" + dest + "` " + product)},
            {"QuietUninstallString", Sz(command + "/S " + scopeSwitch + "`" + dest + "` " + product)},
            {"UninstallText", Sz(kUninstallText)},
            {"UninstallProblemText", Sz(kUninstallProblemText)},
            {"InstallLocation", Sz(dest)},
            {"DisplayIcon", Sz(uninstaller)},
            {"InstallDate", Sz(Today())},
            {"NoModify", Dword(1)},
            {"NoRepair", Dword(1)},
        };
        expected.insert(named.begin(), named.end());
        EXPECT_EQ(entry, expected);
    }

    // The entries of the stored install record, a line each: its kind letter
    // and the path, relative to the destination when inside it ("" for the
    // destination itself). Sorted; "no record" when there is none.
    std::vector<std::string> Recorded() {
        std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product);
        if (!entry || !entry->count("InstallRecord")) return {"no record"};
        std::optional<InstallRecord> record = ParseRecord(entry->at("InstallRecord").bytes);
        if (!record) return {"unreadable record"};
        std::vector<std::string> lines;
        for (const RecordEntry& e : record->entries) {
            // The shared uninstaller's entry: the uninstall scenarios show what becomes of it.
            if (e.kind == RecordEntry::Kind::Uninstaller) continue;
            std::string path = e.path;
            if (SamePath(path, dest)) path = "";
            else if (path.size() > dest.size() && SamePath(path.substr(0, dest.size() + 1), dest + "\\"))
                path = path.substr(dest.size() + 1);
            const char* kind = e.kind == RecordEntry::Kind::File ? "F " : e.kind == RecordEntry::Kind::Folder ? "D " : "S ";
            lines.push_back(kind + path);
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    // Setup, taken to the copy, answers Yes to the replace questions until
    // the nth, and is ended there from the task list.
    void EndAtReplaceQuestion(int nth) {
        ASSERT_TRUE(StartInstall());
        for (int questions = 0; questions < nth;) {
            std::optional<WindowInfo> dialog = NextDialog();
            ASSERT_TRUE(dialog);
            if (dialog->title == kProgressTitle) continue;
            ASSERT_EQ(dialog->title, kReplaceTitle);
            if (++questions < nth) ASSERT_TRUE(PressAndWaitClosed(*dialog, kYes));
        }
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, robot->ProcessId());
        ASSERT_TRUE(process) << GetLastError();
        // As the task list's End task: between any two instructions, nothing of setup's own end runs.
        EXPECT_TRUE(TerminateProcess(process, 1));
        EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
        CloseHandle(process);
    }

    // Cancel at a replace question, then Exit Setup in the question that follows.
    void CancelAndLeave(const WindowInfo& question) {
        ASSERT_TRUE(PressAndWaitClosed(question, kCancel));
        std::optional<WindowInfo> confirm = NextDialog();
        // The progress dialog may first come into view now, under the questions.
        if (confirm && confirm->title == kProgressTitle) confirm = NextDialog();
        ASSERT_TRUE(confirm);
        ASSERT_EQ(confirm->title, kExitTitle);
        ASSERT_TRUE(PressAndWaitClosed(*confirm, kExitSetup));
    }

    std::string dest;
    std::string product;
    std::string linkName;
};
