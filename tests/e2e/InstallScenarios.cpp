// Installing end to end: setup.exe on a medium, driven by the robot through
// the copy, and afterwards the installed tree file by file, the shortcut file
// read back through the shell link object, the uninstall entry in the
// registry and the copied uninstaller. Every scenario installs into a folder
// of its own under the test work folder and registers a product name of its
// own, removed again at the end.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Picture.h"
#include "PublisherTool.h"
#include "Scenario.h"
#include "framework/CodePage.h"
#include "engine/Shortcut.h"
#include "framework/AnsiText.h"
#include "framework/PathText.h"
#include "record/InstallRecord.h"
#include "record/RecordedFiles.h"
#include "journal/JournalTrust.h"
#include "journal/RunJournal.h"

namespace {
// Titles and texts of the sample SETUP.TXT.
constexpr const char* kProgressTitle = "Installing";
constexpr const char* kReplaceTitle = "Replace File?";
constexpr const char* kExitTitle = "Exit Setup";
constexpr const char* kFinishedTitle = "Setup Complete";
constexpr const char* kFailedTitle = "Setup Incomplete";
constexpr const char* kBackdropTitle = "Setup";
constexpr const char* kInUseTitle = "File in Use";
const std::string kExpandProblem =
    "Some compressed files could not be expanded. The other files have been installed; please check your CD and "
    "run Setup again.";
const std::string kCopyProblem = "A problem occurred while the files were installed.";
const std::string kUninstallText = "Do you want to remove the Zandel Companion files from your computer?";
const std::string kUninstallProblemText = "Some files could not be removed. You may delete them yourself.";

// The progress dialog's bar.
constexpr int kProgressBar = 1010;
// The buttons of the replace question and of the exit question.
constexpr int kYes = IDOK, kYesToAll = 1001, kNo = 1006, kCancel = IDCANCEL;
constexpr int kExitSetup = IDOK, kContinue = IDCANCEL;

const std::string kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

const char kSharedFilesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// The reference count of a shared file; nullopt when it has none.
std::optional<DWORD> SharedCountOf(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedFilesKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0, count = 0, size = sizeof count;
    LONG read = RegQueryValueExA(key, path.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&count), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS) return std::nullopt;
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << path;
    return count;
}

void ForgetSharedCount(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedFilesKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, path.c_str());
    RegCloseKey(key);
}

// Relative path under the destination -> content.
using Tree = std::map<std::string, std::string>;

void ListFiles(const std::string& folder, const std::string& relative, Tree& tree) {
    // Listed wide: a long name in UTF-8 passes the 260 bytes of the ANSI listing.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WideText(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = NarrowText(found.cFileName);
        if (name == "." || name == "..") continue;
        std::string child = relative.empty() ? name : relative + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(folder + "\\" + name, child, tree);
        else
            tree[child] = ReadWholeFile(folder + "\\" + name).value_or("<unreadable>");
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

Tree InstalledTree(const std::string& root) {
    Tree tree;
    ListFiles(root, "", tree);
    return tree;
}

// Every difference between the installed tree and the expected one, a line
// each, by name and size (the contents are too long to show).
std::string TreeDifferences(const Tree& got, const Tree& expected) {
    std::string out;
    for (const auto& [relative, content] : expected) {
        auto found = got.find(relative);
        if (found == got.end())
            out += "missing: " + relative + "\n";
        else if (found->second != content)
            out += "differs: " + relative + " (" + std::to_string(found->second.size()) + " bytes, expected " +
                   std::to_string(content.size()) + ": \"" + found->second.substr(0, 40) + "\"...)\n";
    }
    for (const auto& [relative, content] : got)
        if (!expected.count(relative)) out += "extra: " + relative + "\n";
    return out;
}

std::string Sample(const std::string& relative) {
    return ReadWholeFile(Medium::DefaultSample() + "\\" + relative).value_or("<missing in the sample>");
}

std::string Fixture(const std::string& name) { return std::string(SZDD_FIXTURE_DIR) + "\\" + name; }

// The sample's code tree as installed with UseUnderscores=YES, and the name
// each file has on the medium (the name a replace question shows).
const std::map<std::string, std::string> kInstalledName = {
    {"READ_ME.TXT", "Read Me.txt"},
    {"HELLO.C", "Chap 1\\Hello.c"},
    {"TABLE.DAT", "Chap 2\\Data\\Table.dat"},
};

Tree SampleTree() {
    return {
        {"Read Me.txt", Sample("CODE\\READ_ME.TXT")},
        {"Chap 1\\Hello.c", Sample("CODE\\CHAP_1\\HELLO.C")},
        {"Chap 2\\Data\\Table.dat", Sample("CODE\\CHAP_2\\DATA\\TABLE.DAT")},
    };
}

std::string OldContent(const std::string& relative) { return "the user's own " + relative; }

std::string CopiedUninstaller() { return WindowsFolder() + "\\XOVUNIN.EXE"; }

// A shell folder of the user as setup reads it (HKCU ...\Explorer\Shell Folders).
std::string ShellFolder(const char* valueName) {
    char buffer[MAX_PATH] = {};
    DWORD size = sizeof buffer;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return "";
    DWORD type = 0;
    if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        buffer[0] = '\0';
    RegCloseKey(key);
    return buffer;
}

const char* const kShellFolders[] = {"Desktop", "Personal", "Favorites"};

// Where a book installed for the current user keeps its uninstaller: a
// folder of ours in the user's local application data.
std::string UserSetupFolder() {
    std::string local = ShellFolder("Local AppData");
    return local.empty() ? std::string() : local + "\\Book Setup";
}
std::string UserUninstaller() { return UserSetupFolder() + "\\XOVUNIN.EXE"; }

// The current user's counts (the machine's are under SharedDLLs).
const char kUserSharedFilesKey[] = "Software\\Book Setup\\Shared Files";

std::optional<DWORD> UserCountOf(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kUserSharedFilesKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0, count = 0, size = sizeof count;
    LONG read = RegQueryValueExA(key, path.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&count), &size);
    RegCloseKey(key);
    return read == ERROR_SUCCESS && type == REG_DWORD ? std::optional<DWORD>(count) : std::nullopt;
}

// A registry value as stored: its type and its bytes.
struct StoredValue {
    DWORD type = 0;
    std::string bytes;
    bool operator==(const StoredValue&) const = default;
};

std::ostream& operator<<(std::ostream& out, const StoredValue& v) {
    out << "type " << v.type << " \"";
    for (char c : v.bytes) c ? out << c : out << "\\0";
    return out << "\"";
}

// A string value with its terminating zero counted, as setup writes it.
StoredValue Sz(const std::string& text) { return {REG_SZ, text + '\0'}; }
StoredValue Dword(DWORD value) { return {REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value)}; }

// Every value of the uninstall key of the product; nullopt when the key is
// missing. The machine's by default; HKEY_CURRENT_USER for a book installed
// for the current user.
std::optional<std::map<std::string, StoredValue>> UninstallEntry(const std::string& product,
                                                                 HKEY hive = HKEY_LOCAL_MACHINE) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(hive, (kUninstallKey + product).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::map<std::string, StoredValue> values;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        // The install record holds a line per installed file.
        std::vector<BYTE> data(1 << 20);
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS)
            break;
        values[name] = {type, std::string(reinterpret_cast<char*>(data.data()), dataSize)};
    }
    RegCloseKey(key);
    return values;
}

// The file a replace question names: the text between the quotes of ConfirmReplaceText1.
std::string AskedFile(const WindowInfo& question) {
    std::string text = question.Text(1000);
    size_t first = text.find('\''), last = text.rfind('\'');
    return first != std::string::npos && last > first ? text.substr(first + 1, last - first - 1) : text;
}

// Whether `upper` stands above `lower` in the z-order, so that a person sees
// it over the other where they overlap. Wine keeps one z-order for the
// windows of all processes.
bool Above(HWND upper, HWND lower) {
    for (HWND above = GetWindow(lower, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV))
        if (above == upper) return true;
    return false;
}

// Whether the window becomes the foreground window, the one that takes what
// a person types, within a second.
bool BecomesForeground(HWND window) {
    for (int i = 0; i < 50; ++i) {
        if (GetForegroundWindow() == window) return true;
        Sleep(20);
    }
    return false;
}

// The backdrop brought to the front, as the system does when a person clicks
// it or switches to setup: it comes up with only the windows it owns,
// directly or through others, above it. Without activating it: Wine's X11
// driver raises the window that takes the focus over even the windows it
// owns (a fault of Wine's own, not of the order asked about here).
void BringBackdropToFront(HWND backdrop) {
    SetWindowPos(backdrop, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // The repaint comes in its time.
    Sleep(300);
}

// What the rest of a run showed, the progress dialog left out (a fast copy
// may close it before the robot looks).
struct Walk {
    std::vector<std::string> dialogs;     // titles; "setup: <text>" for a message box
    std::vector<std::string> askedFiles;  // the file of each replace question, in order
    std::vector<std::string> askedTimes;  // the time each replace question shows for the file there
    std::vector<std::string> covered;     // dialogs the backdrop hid or that did not take the keyboard
};

void SetFileWriteTime(const std::string& path, const FILETIME& time);

// Buttons to press per dialog title, in order; the default button when none is left.
using Answers = std::map<std::string, std::deque<int>>;

// The test's name without periods: the command script takes a last path
// part with a period for a file name, and %INSTALLPATH% must name a folder.
std::string DestinationName() {
    std::string name = CurrentTestName() + " dest";
    for (char& c : name)
        if (c == '.') c = ' ';
    return name;
}

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
}  // namespace

// The typical run: the welcome dialog, DestDir kept, each file copied (one of
// them expanded), one file there already and answered Yes To All, the
// shortcut on the desktop, the uninstall entry, the script's copy into the
// Windows folder, the finished dialog. The question shows the time of the
// file there on the local clock.
TEST_F(InstallScenario, TypicalRun) {
    std::string windowsCopy = WindowsFolder() + "\\ZANDEL.INI";
    DeleteFileA(windowsCopy.c_str());
    Existing({{"Read Me.txt", OldContent("Read Me.txt")}});
    SetFileWriteTime(dest + "\\Read Me.txt", LocalClockFileTime(2001, 6, 13, 23, 59, 59));
    medium.AddFile("SCRIPT.TXT", Sample("SCRIPT.TXT"))
        .AddCopy("CODE\\CHAP_2\\DATA\\TABLE.DAT", Fixture("CHAPTER.TXT_"));
    ASSERT_TRUE(StartInstall());

    Walk walk = WalkAnswering({{kReplaceTitle, {kYesToAll}}});
    EXPECT_EQ(walk.dialogs, (std::vector<std::string>{kReplaceTitle, kFinishedTitle}));
    EXPECT_EQ(walk.askedFiles, std::vector<std::string>{"READ_ME.TXT"});
    EXPECT_EQ(walk.askedTimes, std::vector<std::string>{"modified on Wednesday,  June 13, 2001,  11:59:59  PM"});
    EXPECT_EQ(robot->WaitExit(), 1);

    Tree expected = SampleTree();
    expected["Chap 2\\Data\\Table.dat"] = ReadWholeFile(Fixture("CHAPTER.TXT")).value_or("");
    expected["Read Me First.txt"] = Sample("EXTRAS\\Read Me First.txt");
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    EXPECT_EQ(ReadWholeFile(windowsCopy), Sample("EXTRAS\\ZANDEL.INI"));
    ExpectShortcutIn("Desktop");
    ExpectRegistered(true);
    DeleteFileA(windowsCopy.c_str());
}

// Every file of the sample is there already. The answers go to the questions
// in the order they come; a file keeps its old content exactly when its
// answer was No. An abandoned run leaves every file as it was, also those a
// Yes had already replaced, and nothing beside them.
struct ReplaceCase {
    const char* name;
    std::vector<int> replaceAnswers;
    std::vector<int> exitAnswers;
    std::vector<bool> askedReplaced;  // per question in order: the file was replaced
    bool abandoned;
};

void PrintTo(const ReplaceCase& c, std::ostream* out) { *out << c.name; }

class ReplaceAnswers : public InstallScenario, public ::testing::WithParamInterface<ReplaceCase> {};

TEST_P(ReplaceAnswers, DecideWhichFilesAreReplaced) {
    const ReplaceCase& c = GetParam();
    AllExisting();
    ASSERT_TRUE(StartInstall());

    Walk walk = WalkAnswering({{kReplaceTitle, {c.replaceAnswers.begin(), c.replaceAnswers.end()}},
                               {kExitTitle, {c.exitAnswers.begin(), c.exitAnswers.end()}}});
    EXPECT_EQ(walk.askedFiles.size(), c.askedReplaced.size());
    EXPECT_EQ(walk.dialogs.back(), c.abandoned ? kFailedTitle : kFinishedTitle);
    EXPECT_EQ(robot->WaitExit(), 1);

    Tree expected = SampleTree();
    for (size_t i = 0; i < walk.askedFiles.size() && i < c.askedReplaced.size(); ++i) {
        ASSERT_TRUE(kInstalledName.count(walk.askedFiles[i])) << walk.askedFiles[i];
        const std::string& relative = kInstalledName.at(walk.askedFiles[i]);
        expected[relative] = c.askedReplaced[i] ? SampleTree()[relative] : OldContent(relative);
    }
    for (auto& [relative, content] : expected)
        if (c.abandoned) content = OldContent(relative);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    ExpectShortcutIn(c.abandoned ? nullptr : "Desktop");
    ExpectRegistered(!c.abandoned);
    // Only what this run wrote is the book's: no folder (all were there), no file kept at No.
    if (!c.abandoned) {
        std::vector<std::string> recorded = {"S " + LinkPath(ShellFolder("Desktop"))};
        for (const auto& [relative, content] : expected)
            if (content == SampleTree()[relative]) recorded.push_back("F " + relative);
        std::sort(recorded.begin(), recorded.end());
        EXPECT_EQ(Recorded(), recorded);
    }
}

INSTANTIATE_TEST_SUITE_P(
    E2E, ReplaceAnswers,
    ::testing::Values(ReplaceCase{"Yes", {kYes, kYes, kYes}, {}, {true, true, true}, false},
                      ReplaceCase{"No", {kNo, kYes, kNo}, {}, {false, true, false}, false},
                      // One question, and every later file replaced without one.
                      ReplaceCase{"YesToAll", {kYes, kYesToAll}, {}, {true, true}, false},
                      ReplaceCase{"CancelThenContinue", {kCancel, kNo, kNo}, {kContinue}, {true, false, false}, false},
                      // Abandoned at the first question: nothing is replaced.
                      ReplaceCase{"CancelThenExit", {kCancel}, {kExitSetup}, {false}, true},
                      // Abandoned at the second: the file the first Yes replaced is back.
                      ReplaceCase{"YesThenCancelAndExit", {kYes, kCancel}, {kExitSetup}, {true, false}, true}),
    [](const ::testing::TestParamInfo<ReplaceCase>& info) { return std::string(info.param.name); });

// Cancel in the progress dialog while the worker's replace question stands
// open: the exit question comes on the user-interface thread while the
// replace question stays open. Confirmed, the question's Yes no longer
// counts: nothing is replaced, no second exit question, no shortcut, the
// exit dialog once, nothing registered. Declined, the copy goes on as if
// nothing had happened.
class CancelDuringQuestion : public InstallScenario, public ::testing::WithParamInterface<bool> {};

TEST_P(CancelDuringQuestion, StopsAfterTheAnsweredFileOnlyWhenConfirmed) {
    const bool confirmed = GetParam();
    AllExisting();
    ASSERT_TRUE(StartInstall());

    std::optional<WindowInfo> progress, question;
    while (!(progress && question)) {
        std::optional<WindowInfo> dialog = NextDialog();
        ASSERT_TRUE(dialog);
        if (dialog->title == kProgressTitle) progress = dialog;
        else if (dialog->title == kReplaceTitle) question = dialog;
        else FAIL() << "unexpected dialog \"" << dialog->title << "\"";
    }
    HWND backdrop = Backdrop();
    ASSERT_TRUE(backdrop);
    EXPECT_TRUE(Above(question->hwnd, backdrop)) << "the replace question is behind the backdrop";
    EXPECT_TRUE(BecomesForeground(question->hwnd)) << "the replace question does not take the keyboard";
    EXPECT_NE(question->threadId, progress->threadId) << "the question is not asked on the worker thread";
    std::optional<WindowInfo> fields = robot->FindWindowByTitle(kProgressTitle);
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->Text(1007), AskedFile(*question)) << "the progress dialog shows the file asked about";
    // Owned by the progress dialog: the backdrop brought to the front cannot
    // come over the question.
    EXPECT_EQ(GetWindow(question->hwnd, GW_OWNER), progress->hwnd);
    BringBackdropToFront(backdrop);
    EXPECT_TRUE(Above(question->hwnd, backdrop)) << "the backdrop brought to the front hid the replace question";
    EXPECT_TRUE(Above(question->hwnd, progress->hwnd)) << "the progress dialog covers the replace question";
    EXPECT_TRUE(IsWindowVisible(question->hwnd));

    ASSERT_TRUE(robot->Select(progress->hwnd));
    robot->Press(IDCANCEL);
    std::optional<WindowInfo> confirm = NextDialog();
    ASSERT_TRUE(confirm);
    EXPECT_EQ(confirm->title, kExitTitle);
    EXPECT_EQ(confirm->threadId, progress->threadId) << "the exit question is not on the user-interface thread";
    ASSERT_TRUE(PressAndWaitClosed(*confirm, confirmed ? kExitSetup : kContinue));
    // The progress dialog waits for the worker, whose question is still open.
    EXPECT_TRUE(robot->StaysOpen(progress->hwnd, 300));
    EXPECT_TRUE(IsWindowVisible(question->hwnd));

    std::string asked = AskedFile(*question);
    ASSERT_TRUE(kInstalledName.count(asked)) << asked;
    ASSERT_TRUE(robot->Select(question->hwnd));
    ASSERT_TRUE(PressAndWaitClosed(*question, kYes));
    // Declined, the two other files are asked about and replaced.
    Walk walk = WalkAnswering();
    const std::vector<std::string> expectedDialogs =
        confirmed ? std::vector<std::string>{kFailedTitle}
                  : std::vector<std::string>{kReplaceTitle, kReplaceTitle, kFinishedTitle};
    EXPECT_EQ(walk.dialogs, expectedDialogs);
    EXPECT_EQ(robot->WaitExit(), 1);

    Tree expected = SampleTree();
    for (auto& [relative, content] : expected)
        if (confirmed) content = OldContent(relative);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    ExpectShortcutIn(confirmed ? nullptr : "Desktop");
    ExpectRegistered(!confirmed);
}

INSTANTIATE_TEST_SUITE_P(E2E, CancelDuringQuestion, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Confirmed" : "Declined");
                         });

// One of the book's files held open by a program that shares nothing, the
// book installed again over the first edition with Yes To All: the copy
// stops on that file and asks, naming it, over the backdrop and owned by the
// progress dialog (Close Programs hidden: Wine's system names no program).
// Let go and Retry: the install completes with the medium's copies. Cancel
// and leave: the first edition is whole, as it was, and nothing beside it.
class FileInUse : public InstallScenario, public ::testing::WithParamInterface<bool> {};

TEST_P(FileInUse, TheCopyAsksNamingTheFileAndLosesNothing) {
    const bool retry = GetParam();
    AllExisting();
    const std::string heldPath = dest + "\\Chap 1\\Hello.c";
    HANDLE held = CreateFileA(heldPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    struct Release {
        HANDLE& h;
        ~Release() { if (h != INVALID_HANDLE_VALUE) CloseHandle(h); }
    } release{held};
    ASSERT_TRUE(StartInstall());

    std::optional<WindowInfo> progress, question;
    while (!question) {
        std::optional<WindowInfo> dialog = NextDialog();
        ASSERT_TRUE(dialog);
        if (dialog->title == kProgressTitle) progress = dialog;
        else if (dialog->title == kReplaceTitle) ASSERT_TRUE(PressAndWaitClosed(*dialog, kYesToAll));
        else if (dialog->title == kInUseTitle) question = dialog;
        else FAIL() << "unexpected dialog \"" << dialog->title << "\"";
    }
    EXPECT_NE(question->Text(1000).find(heldPath), std::string::npos) << question->Text(1000);
    const ControlInfo* close = question->Control(1022);
    ASSERT_TRUE(close);
    EXPECT_FALSE(close->visible) << "Close Programs offered for programs the system did not name";
    HWND backdrop = Backdrop();
    ASSERT_TRUE(backdrop);
    EXPECT_TRUE(Above(question->hwnd, backdrop)) << "the question is behind the backdrop";
    if (progress) EXPECT_EQ(GetWindow(question->hwnd, GW_OWNER), progress->hwnd);
    // Nothing changes while it asks: the held file is where it was, kept aside nowhere.
    EXPECT_TRUE(robot->StaysOpen(question->hwnd, 300));
    EXPECT_TRUE(FileExists(heldPath));
    EXPECT_EQ(CountFiles(dest + "\\Chap 1\\*.tmp"), 0);

    Walk walk;
    if (retry) {
        CloseHandle(held);
        held = INVALID_HANDLE_VALUE;
        ASSERT_TRUE(PressAndWaitClosed(*question, IDOK));
        walk = WalkAnswering();
        EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFinishedTitle});
    } else {
        ASSERT_TRUE(PressAndWaitClosed(*question, IDCANCEL));
        walk = WalkAnswering({{kExitTitle, {kExitSetup}}});
        EXPECT_EQ(walk.dialogs, (std::vector<std::string>{kExitTitle, kFailedTitle}));
    }
    EXPECT_EQ(robot->WaitExit(), 1);
    // Let go, so that the first edition's file can be read.
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    held = INVALID_HANDLE_VALUE;
    Tree expected = SampleTree();
    for (auto& [relative, content] : expected)
        if (!retry) content = OldContent(relative);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    ExpectRegistered(retry);
}

INSTANTIATE_TEST_SUITE_P(E2E, FileInUse, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "LetGoAndRetry" : "Cancel");
                         });

// The bar at a replace question: it stands at the share of the medium's bytes
// read so far (the files already at the destination), over the bytes the
// listing found: every file the copy installs, the folder starting with "."
// left out.
TEST_F(InstallScenario, TheBarStandsAtTheShareCopiedWhenAQuestionStopsIt) {
    const std::map<std::string, size_t> sizes = {
        {"A.BIN", 150000}, {"B.BIN", 50000}, {"C.BIN", 300000}, {"SUB\\D.BIN", 500000}};
    medium.Omit("CODE").SetIni("FilesCompressed", "NO").SetIni("UseUnderscores", "NO");
    for (const auto& [name, size] : sizes) medium.AddFile("CODE\\" + name, std::string(size, 'x'));
    medium.AddFile("CODE\\.CACHE\\E.BIN", std::string(400000, 'y'));
    Existing({{"C.BIN", "the reader's own"}});
    ASSERT_TRUE(StartInstall());
    std::optional<WindowInfo> question;
    while (!question) {
        std::optional<WindowInfo> dialog = NextDialog();
        ASSERT_TRUE(dialog);
        if (dialog->title == kReplaceTitle) question = dialog;
    }
    std::optional<WindowInfo> progress = robot->FindWindowByTitle(kProgressTitle);
    ASSERT_TRUE(progress);
    unsigned long position = 0, range = 0;
    ASSERT_EQ(std::sscanf(progress->Text(kProgressBar).c_str(), "%lu/%lu", &position, &range), 2)
        << progress->Text(kProgressBar);
    EXPECT_EQ(range, 1000000u);
    size_t copied = 0;
    for (const auto& [name, size] : sizes)
        if (name != "C.BIN" && ReadWholeFile(dest + "\\" + name).value_or("").size() == size) copied += size;
    EXPECT_NEAR(static_cast<double>(position) / range, static_cast<double>(copied) / 1000000, 0.03)
        << position << "/" << range << " with " << copied << " bytes copied";

    ASSERT_TRUE(PressAndWaitClosed(*question, kYes));
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs.back(), kFinishedTitle);
    EXPECT_EQ(robot->WaitExit(), 1);
}

// Setup left in the destination dialog: the exit dialog, and no destination
// folder, shortcut or uninstall entry.
TEST_F(InstallScenario, LeftInTheDestinationDialog) {
    medium.AddCopy("XOVUNIN.EXE", XOVUNIN_EXE);
    ASSERT_TRUE(StartSetup());
    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome && PressAndWaitClosed(*welcome, IDOK));
    std::optional<WindowInfo> destination = NextDialog();
    ASSERT_TRUE(destination);
    EXPECT_EQ(destination->title, "Choose the Destination Folder");
    robot->Press(IDCANCEL);

    Walk walk = WalkAnswering({{kExitTitle, {kExitSetup}}});
    EXPECT_EQ(walk.dialogs, (std::vector<std::string>{kExitTitle, kFailedTitle}));
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(GetFileAttributesA(dest.c_str()), INVALID_FILE_ATTRIBUTES) << "the destination folder was made";
    ExpectShortcutIn(nullptr);
    ExpectRegistered(false);
}

// A CodeDir that is not on the medium: the worker says so with the value as
// written, the destination folder it had made is removed again, and setup
// ends through the exit dialog with nothing copied, linked or registered.
TEST_F(InstallScenario, MissingCodeDir) {
    const std::string codeDir = "BOOK CODE %s";
    medium.SetIni("CodeDir", codeDir);
    RemoveTree(dest);
    ASSERT_TRUE(StartInstall());

    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs,
              (std::vector<std::string>{"setup: The book's files are supposed to be in a directory named '" + codeDir +
                                            "'. Setup can't find this directory so it's exiting.",
                                        kFailedTitle}));
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(GetFileAttributesA(dest.c_str()), INVALID_FILE_ATTRIBUTES) << "the destination folder was left";
    ExpectShortcutIn(nullptr);
    ExpectRegistered(false);
}

// The machine's journals' place taken: a link at the folder's name and at
// each name setup would make its own folder under beside it (a link is never
// moved nor entered), so that no journal can be begun. What stood there comes
// back at the end.
class JournalPlaceTaken {
public:
    JournalPlaceTaken() : m_folder(MachinePlaces().journals.folder), m_elsewhere(MakeTestFolder("journals-elsewhere")) {
        // What a test cut short left aside is no one's any more.
        if (FileExists(m_folder + ".aside")) RemoveTree(m_folder + ".aside");
        MoveFileA(m_folder.c_str(), (m_folder + ".aside").c_str());
        for (int index = 1; index <= 9; ++index) EXPECT_TRUE(MakeLinuxLink(Name(index), m_elsewhere)) << Name(index);
    }
    ~JournalPlaceTaken() {
        for (int index = 1; index <= 9; ++index) RemoveLinuxLink(Name(index));
        MoveFileA((m_folder + ".aside").c_str(), m_folder.c_str());
        EXPECT_EQ(ListingOrder(m_elsewhere), std::vector<std::string>{}) << "nothing made behind a link";
    }
    JournalPlaceTaken(const JournalPlaceTaken&) = delete;
    JournalPlaceTaken& operator=(const JournalPlaceTaken&) = delete;
    const std::string& Folder() const { return m_folder; }

private:
    std::string Name(int index) const { return index == 1 ? m_folder : m_folder + " " + std::to_string(index); }
    std::string m_folder, m_elsewhere;
};

// A journal that cannot be begun (a link wherever its folder would be made)
// stops the run before its first change: the book's problem text and why,
// then the exit dialog; the destination is never made.
TEST_F(InstallScenario, AJournalThatCannotBeBegunStopsTheRunBeforeItsFirstChange) {
    RemoveTree(dest);
    JournalPlaceTaken taken;
    ASSERT_TRUE(StartInstall());
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, (std::vector<std::string>{"setup: A problem occurred while the files were installed.\r\n\r\n"
                                                      "Setup could not begin its journal in " +
                                                          taken.Folder() + ", so it has changed nothing.",
                                                      kFailedTitle}));
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(GetFileAttributesA(dest.c_str()), INVALID_FILE_ATTRIBUTES) << "the destination folder was made";
    ExpectShortcutIn(nullptr);
    ExpectRegistered(false);
}

// Cancel in the progress dialog in the middle of a large copy, confirmed:
// the copy stops and is undone, the install folder setup made for it is
// gone, the exit dialog follows; nothing linked or registered. The reader's
// folder beside it is not touched.
TEST_F(InstallScenario, CancelInTheMiddleOfALargeCopyLeavesNoInstallFolder) {
    medium.SetIni("FilesCompressed", "NO").SetIni("DestDir", dest + "\\Book");
    // Many files, in many folders: the time of a copy goes with the count of
    // its files, so it is still running when the robot presses Cancel.
    const std::string block(8 * 1024, 'x');
    for (int folder = 0; folder < 40; ++folder)
        for (int i = 0; i < 100; ++i)
            medium.AddFile("CODE\\BULK\\D" + std::to_string(folder) + "\\PART" + std::to_string(i) + ".DAT", block);
    RemoveTree(dest);
    ASSERT_TRUE(WriteWholeFile(dest + "\\NOTES.TXT", "the reader's own"));
    ASSERT_TRUE(StartInstall());

    std::optional<WindowInfo> progress = NextDialog();
    ASSERT_TRUE(progress);
    ASSERT_EQ(progress->title, kProgressTitle);
    // Some of the copy done, far from all of it.
    ASSERT_TRUE(WaitForFile(dest + "\\Book\\Bulk", 20000));
    robot->Press(IDCANCEL);
    std::optional<WindowInfo> confirm = NextDialog();
    ASSERT_TRUE(confirm);
    EXPECT_EQ(confirm->title, kExitTitle);
    ASSERT_TRUE(PressAndWaitClosed(*confirm, kExitSetup));

    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFailedTitle});
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), Tree{{"NOTES.TXT", "the reader's own"}}), "");
    EXPECT_EQ(GetFileAttributesA((dest + "\\Book").c_str()), INVALID_FILE_ATTRIBUTES) << "the install folder is left";
    ExpectShortcutIn(nullptr);
    ExpectRegistered(false);
}

// The files of a tree that a run keeps the reader's files under meanwhile.
size_t KeptFilesIn(const Tree& tree) {
    return std::count_if(tree.begin(), tree.end(), [](const auto& file) { return file.first.find("~sx") != std::string::npos; });
}

// The journals of unfinished runs of the product, in the machine's place.
size_t JournalsOf(const std::string& product) {
    size_t count = 0;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((MachinePlaces().journals.folder + "\\*.jnl").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        std::optional<JournalText> journal =
            ParseJournal(ReadWholeFile(MachinePlaces().journals.folder + "\\" + entry.cFileName).value_or(""));
        if (journal && journal->product == product) ++count;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return count;
}

// A logoff while the copy runs (Wine's end of the session, which asks every
// window first): setup answers that the session may not end, so the logoff
// is called off, and the copy goes on to the end.
TEST_F(InstallScenario, ALogoffDuringTheCopyIsHeldUp) {
    medium.SetIni("FilesCompressed", "NO");
    const std::string block(8 * 1024, 'x');
    for (int folder = 0; folder < 40; ++folder)
        for (int i = 0; i < 100; ++i)
            medium.AddFile("CODE\\BULK\\D" + std::to_string(folder) + "\\PART" + std::to_string(i) + ".DAT", block);
    ASSERT_TRUE(StartInstall());
    std::optional<WindowInfo> progress = NextDialog();
    ASSERT_TRUE(progress);
    ASSERT_EQ(progress->title, kProgressTitle);
    ASSERT_TRUE(WaitForFile(dest + "\\Bulk", 20000));

    char commandLine[] = "wineboot.exe --end-session";
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION wineboot = {};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &wineboot));
    CloseHandle(wineboot.hThread);
    EXPECT_EQ(WaitForSingleObject(wineboot.hProcess, 60000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeProcess(wineboot.hProcess, &exitCode);
    CloseHandle(wineboot.hProcess);
    EXPECT_EQ(exitCode, 1u) << "the session's end was not called off";
    ASSERT_TRUE(robot->Running()) << "setup was ended with the session";

    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFinishedTitle});
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(InstalledTree(dest).size(), 4003u) << "the copy did not go on to the end";
}

// Ended from the task list at the third replace question, after two Yes: the
// next start of setup has put everything back by the time it shows the
// destination dialog (the reader's files as they were, no folder or file of
// the killed run, no journal left); a completed run after it leaves no stray
// file beside the book's.
TEST_F(InstallScenario, ARunEndedFromTheTaskListIsUndoneAtTheNextStart) {
    AllExisting();
    medium.AddFile("CODE\\NEW_BITS\\EXTRA.TXT", "extra");
    const Tree before = InstalledTree(dest);
    EndAtReplaceQuestion(3);
    EXPECT_EQ(KeptFilesIn(InstalledTree(dest)), 2u) << "the two replaced files are kept aside";
    EXPECT_EQ(JournalsOf(product), 1u);

    ASSERT_TRUE(StartSetup());
    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome);
    EXPECT_NE(welcome->title, kMessageBoxTitle) << welcome->Text(kMessageBoxText);
    ASSERT_TRUE(PressAndWaitClosed(*welcome, IDOK));
    std::optional<WindowInfo> destination = NextDialog();
    ASSERT_TRUE(destination);
    EXPECT_EQ(destination->title, "Choose the Destination Folder");
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), before), "");
    EXPECT_EQ(GetFileAttributesA((dest + "\\New Bits").c_str()), INVALID_FILE_ATTRIBUTES) << "a folder of the killed run";
    EXPECT_EQ(JournalsOf(product), 0u);

    ASSERT_TRUE(PressAndWaitClosed(*destination, IDOK));
    Walk walk = WalkAnswering({{kReplaceTitle, {kYesToAll}}});
    EXPECT_EQ(walk.dialogs, (std::vector<std::string>{kReplaceTitle, kFinishedTitle}));
    EXPECT_EQ(robot->WaitExit(), 1);
    Tree expected = SampleTree();
    expected["New Bits\\Extra.txt"] = "extra";
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    EXPECT_EQ(JournalsOf(product), 0u);
}

// Ended from the task list after one Yes, while the reader's replaced file is
// held open by another program: the next start cannot put it back, says so
// once, naming the file and where its original lies, and goes on to the
// welcome dialog; the start after that, with the file let go, puts it back
// without a word.
TEST_F(InstallScenario, AFileThatCannotBePutBackAtTheNextStartIsNamed) {
    AllExisting();
    const Tree before = InstalledTree(dest);
    EndAtReplaceQuestion(2);
    Tree kept;
    for (const auto& [relative, content] : InstalledTree(dest))
        if (relative.find("~sx") != std::string::npos) kept[relative] = content;
    ASSERT_EQ(kept.size(), 1u);
    const std::string keptPath = dest + "\\" + kept.begin()->first;
    const std::string replaced = keptPath.substr(0, keptPath.find(".~sx"));
    HANDLE held = CreateFileA(replaced.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    ASSERT_TRUE(StartSetup());
    std::optional<WindowInfo> message = NextDialog();
    CloseHandle(held);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->title, kMessageBoxTitle);
    std::string text = message->Text(kMessageBoxText);
    EXPECT_NE(text.find(replaced + "\r\n    " + keptPath), std::string::npos) << text;
    ASSERT_TRUE(PressAndWaitClosed(*message, IDOK));
    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome);
    EXPECT_NE(welcome->title, kMessageBoxTitle) << "a second message: " << welcome->Text(kMessageBoxText);
    robot.reset();

    ASSERT_TRUE(StartSetup());
    welcome = NextDialog();
    ASSERT_TRUE(welcome);
    EXPECT_NE(welcome->title, kMessageBoxTitle) << welcome->Text(kMessageBoxText);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), before), "");
    EXPECT_EQ(JournalsOf(product), 0u);
}

// As above, but the reader's original is the file held open (the start
// cannot move it back), and the next edition of the book is installed whole
// before it is let go: that run retires the old journal, and the start
// after it leaves the later install as it is. The original stays where it
// was kept; nothing of the later install is taken apart.
TEST_F(InstallScenario, AnOldJournalLeavesALaterEditionAsItIs) {
    AllExisting();
    EndAtReplaceQuestion(2);
    std::string keptPath;
    for (const auto& [relative, content] : InstalledTree(dest))
        if (relative.find("~sx") != std::string::npos) keptPath = dest + "\\" + relative;
    ASSERT_FALSE(keptPath.empty());
    const std::string original = FileContent(keptPath);
    HANDLE held = CreateFileA(keptPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    Tree later;
    for (const auto& [relative, content] : SampleTree()) later[relative] = "the second edition's " + relative;
    medium.AddFile("CODE\\READ_ME.TXT", later["Read Me.txt"])
        .AddFile("CODE\\CHAP_1\\HELLO.C", later["Chap 1\\Hello.c"])
        .AddFile("CODE\\CHAP_2\\DATA\\TABLE.DAT", later["Chap 2\\Data\\Table.dat"]);
    ASSERT_TRUE(StartSetup());
    std::optional<WindowInfo> message = NextDialog();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->title, kMessageBoxTitle);
    ASSERT_TRUE(PressAndWaitClosed(*message, IDOK));
    ASSERT_TRUE(PassToProgress());
    Walk walk = WalkAnswering({{kReplaceTitle, {kYesToAll}}});
    EXPECT_EQ(walk.dialogs, (std::vector<std::string>{kReplaceTitle, kFinishedTitle}));
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(JournalsOf(product), 0u) << "the old journal is retired";
    CloseHandle(held);

    ASSERT_TRUE(StartSetup());
    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome);
    EXPECT_NE(welcome->title, kMessageBoxTitle) << welcome->Text(kMessageBoxText);
    robot.reset();
    later[keptPath.substr(dest.size() + 1)] = original;
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), later), "");
}

// Two names of the medium that become one long name: the path is replaced
// twice in one run (Yes, Yes), then the run is abandoned at a later
// question. The path comes back as the reader had it, not as the medium's
// first copy.
TEST_F(InstallScenario, APathReplacedTwiceAndAbandonedComesBackAsTheReaders) {
    medium.Omit("CODE").SetIni("UseUnderscores", "YES").SetIni("FilesCompressed", "NO");
    medium.AddFile("CODE\\READ_ME.TXT", "the medium's first").AddFile("CODE\\READ ME.TXT", "the medium's second");
    Tree readers = {{"Read Me.txt", "the reader's"}};
    // Others asked about: the first after both names takes the Cancel.
    for (int i = 1; i <= 9; ++i) {
        medium.AddFile("CODE\\X" + std::to_string(i) + ".TXT", "the medium's x");
        readers["X" + std::to_string(i) + ".txt"] = "the reader's x";
    }
    Existing(readers);
    ASSERT_TRUE(StartInstall());
    int readMes = 0;
    bool abandoned = false;
    while (!abandoned) {
        std::optional<WindowInfo> dialog = NextDialog();
        ASSERT_TRUE(dialog);
        if (dialog->title == kProgressTitle) continue;
        ASSERT_EQ(dialog->title, kReplaceTitle);
        std::string asked = AskedFile(*dialog);
        if (asked == "READ_ME.TXT" || asked == "READ ME.TXT") {
            ++readMes;
            ASSERT_TRUE(PressAndWaitClosed(*dialog, kYes));
        } else if (readMes < 2) {
            ASSERT_TRUE(PressAndWaitClosed(*dialog, kNo));
        } else {
            ASSERT_NO_FATAL_FAILURE(CancelAndLeave(*dialog));
            abandoned = true;
        }
    }
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFailedTitle});
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), readers), "");
}

// The install folder is the reader's link to a folder elsewhere (a data
// drive): Yes to one replace, Cancel at the next, and every file of the
// reader's is back behind the link as it was, nothing extra, no kept name
// left; the link is still the reader's link.
TEST_F(InstallScenario, AnInstallFolderThatIsALinkComesBackAsItWas) {
    const std::string data = MakeTestFolder(CurrentTestName() + " Data");
    RemoveTree(dest);
    ASSERT_TRUE(MakeLinuxLink(dest, data));
    Tree readers;
    for (const auto& [relative, content] : SampleTree()) readers[relative] = OldContent(relative);
    for (const auto& [relative, content] : readers) ASSERT_TRUE(WriteWholeFile(data + "\\" + relative, content));
    ASSERT_TRUE(StartInstall());
    int questions = 0;
    for (bool abandoned = false; !abandoned;) {
        std::optional<WindowInfo> dialog = NextDialog();
        ASSERT_TRUE(dialog);
        if (dialog->title == kProgressTitle) continue;
        ASSERT_EQ(dialog->title, kReplaceTitle);
        if (++questions == 1) {
            ASSERT_TRUE(PressAndWaitClosed(*dialog, kYes));
            continue;
        }
        ASSERT_NO_FATAL_FAILURE(CancelAndLeave(*dialog));
        abandoned = true;
    }
    EXPECT_EQ(WalkAnswering().dialogs, std::vector<std::string>{kFailedTitle});
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(data), readers), "");
    EXPECT_EQ(KindOf(dest), PathKind::Link);
    EXPECT_TRUE(RemoveLinuxLink(dest));
}

// A folder of the medium that cannot be entered (named with a trailing dot,
// made on another system) is a failed copy, reported once after the copy and
// never as installed; the rest of the tree is installed and setup finishes.
TEST_F(InstallScenario, AFolderThatCannotBeEnteredIsReportedOnce) {
    medium.AddWideFile("CODE\\ODD.\\LOST.TXT");
    ASSERT_TRUE(StartInstall());

    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, (std::vector<std::string>{"setup: " + kCopyProblem, kFinishedTitle}));
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    ExpectShortcutIn("Desktop");
    ExpectRegistered(true);
}

// Two expansions fail in one run: a file whose folder cannot be made (a file
// stands in its place) and a compressed file cut short. One message after
// the copy; every other file installed, a good compressed one expanded.
TEST_F(InstallScenario, FailedExpansionsAreReportedOnce) {
    Existing({{"Chap 1", "a file where the folder should be"}});
    medium.AddCopy("CODE\\CHAPTER.TXT", Fixture("CHAPTER.CUT_")).AddCopy("CODE\\SMALL.TXT", Fixture("SMALL.TXT_"));
    ASSERT_TRUE(StartInstall());

    // Nothing stands at the file's place under the blocked folder: no question.
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, (std::vector<std::string>{"setup: " + kExpandProblem, kFinishedTitle}));
    EXPECT_EQ(robot->WaitExit(), 1);

    Tree expected = SampleTree();
    expected.erase("Chap 1\\Hello.c");
    expected["Chap 1"] = "a file where the folder should be";
    expected["Small.txt"] = ReadWholeFile(Fixture("SMALL.TXT")).value_or("");
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    ExpectShortcutIn("Desktop");
    ExpectRegistered(true);
    // Neither failed file is the book's, nor the folder a file stood in for;
    // the folders setup made are.
    std::vector<std::string> recorded = {"D Chap 2",        "D Chap 2\\Data", "F Chap 2\\Data\\Table.dat",
                                         "F Read Me.txt",   "F Small.txt",
                                         "S " + LinkPath(ShellFolder("Desktop"))};
    std::sort(recorded.begin(), recorded.end());
    EXPECT_EQ(Recorded(), recorded);
}

// A plain medium whose copies fail in every way a user could meet: a
// source that cannot be read (held open elsewhere, as a bad sector would
// fail it) both over the user's file and as a new file, and a file standing
// where a folder belongs. The user's files stay exactly as they were, no cut
// or temporary file is left, the failure is reported once after the copy,
// and the run goes on to its end. A read-only file the user agreed to
// replace is replaced and comes out writable.
TEST_F(InstallScenario, FailedPlainCopiesAreReportedOnceAndCostTheUserNothing) {
    medium.SetIni("FilesCompressed", "NO").AddFile("CODE\\NEW_FILE.TXT", "never arrives");
    Existing({{"Read Me.txt", OldContent("Read Me.txt")},
              {"Chap 2\\Data\\Table.dat", OldContent("Table.dat")},
              {"Chap 1", "a file where the folder should be"}});
    SetFileAttributesA((dest + "\\Read Me.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    medium.AddCopy("XOVUNIN.EXE", XOVUNIN_EXE);
    ASSERT_TRUE(StartSetup());
    std::vector<HANDLE> held;
    for (const char* name : {"CODE\\CHAP_2\\DATA\\TABLE.DAT", "CODE\\NEW_FILE.TXT"}) {
        held.push_back(CreateFileA((medium.Path() + "\\" + name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
        ASSERT_NE(held.back(), INVALID_HANDLE_VALUE) << name;
    }
    ASSERT_TRUE(PassToProgress());
    Walk walk = WalkAnswering({{kReplaceTitle, {kYes, kYes}}});
    for (HANDLE h : held) CloseHandle(h);
    EXPECT_EQ(walk.dialogs,
              (std::vector<std::string>{kReplaceTitle, kReplaceTitle, "setup: " + kCopyProblem, kFinishedTitle}));
    EXPECT_EQ(robot->WaitExit(), 1);

    Tree expected = {
        {"Read Me.txt", Sample("CODE\\READ_ME.TXT")},
        {"Chap 2\\Data\\Table.dat", OldContent("Table.dat")},
        {"Chap 1", "a file where the folder should be"},
    };
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    EXPECT_FALSE(GetFileAttributesA((dest + "\\Read Me.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    ExpectShortcutIn("Desktop");
    ExpectRegistered(true);
}

// Where the copy cannot place files: a destination inside the medium's own
// code folder (a medium on a hard disk) is not copied into itself; a folder
// whose installed path would pass the system's bound is reported once, as
// a failed expansion on a compressed medium and a failed copy on a plain
// one; a destination folder that cannot be made (a file stands on its way)
// is a failed copy, and nothing is written anywhere else instead.
struct PlacementCase {
    const char* name;
    const char* destination;  // "inside code", "deep", "blocked"
    bool compressed;
    std::vector<std::string> messages;
};

void PrintTo(const PlacementCase& c, std::ostream* out) { *out << c.name; }

class Placement : public InstallScenario, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(Placement, IsReportedNeverRepeatedNorMisplaced) {
    const PlacementCase& c = GetParam();
    const std::string kind = c.destination;
    medium.SetIni("FilesCompressed", c.compressed ? "YES" : "NO");
    Tree expected = SampleTree();
    std::string installedAt = dest;
    if (kind == "inside code") {
        installedAt = dest = medium.Path() + "\\CODE\\Installed Book";
        medium.SetIni("DestDir", dest);
    } else if (kind == "deep") {
        // One folder whose installed path is exactly one character past the
        // bound, under a destination deep enough for a short folder name.
        installedAt = dest = dest + "\\" + std::string(236 - dest.size() - 1, 'p');
        medium.SetIni("DestDir", dest);
        std::string folder(260 - dest.size() - 1, 'L');
        ASSERT_LT((medium.Path() + "\\CODE\\" + folder + "\\DEEP.TXT").size(), 260u)
            << "the build tree is too deep for this test";
        medium.AddFile("CODE\\" + folder + "\\DEEP.TXT", "never installed");
    } else {
        ASSERT_TRUE(WriteWholeFile(dest + "\\blocker", "a file on the way"));
        installedAt = dest + "\\blocker\\Book";
        medium.SetIni("DestDir", installedAt);
        expected = {{"blocker", "a file on the way"}};
    }
    ASSERT_TRUE(StartInstall());
    Walk walk = WalkAnswering();
    std::vector<std::string> dialogs;
    for (const std::string& message : c.messages) dialogs.push_back("setup: " + message);
    dialogs.push_back(kFinishedTitle);
    EXPECT_EQ(walk.dialogs, dialogs);
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(kind == "blocked" ? dest : installedAt), expected), "");
    // The medium's code folder holds its own three files and, for a
    // destination inside it, the installed tree: nothing else.
    Tree code = InstalledTree(medium.Path() + "\\CODE");
    size_t own = kind == "deep" ? 4 : 3;
    EXPECT_EQ(code.size(), own + (kind == "inside code" ? expected.size() : 0));
    dest = installedAt;
}

INSTANTIATE_TEST_SUITE_P(
    E2E, Placement,
    ::testing::Values(PlacementCase{"InsideTheCodeFolder", "inside code", true, {}},
                      PlacementCase{"FolderPastTheBoundCompressed", "deep", true, {kExpandProblem}},
                      PlacementCase{"FolderPastTheBoundPlain", "deep", false, {kCopyProblem}},
                      PlacementCase{"DestinationCannotBeMade", "blocked", true, {kCopyProblem}}),
    [](const ::testing::TestParamInfo<PlacementCase>& info) { return std::string(info.param.name); });

// A medium packed by the publisher's tool from a folder of plain files
// installs byte for byte with the packed setup.exe: the chapter travels
// SZDD-compressed under its own name and is expanded by the system's LZ
// library, the random bytes (no smaller compressed) travel as they are, and
// FileSize is what the tree installs.
TEST_F(InstallScenario, PackedMediumInstallsByteForByte) {
    std::string chapter = FileContent(Fixture("CHAPTER.TXT")), random = FileContent(Fixture("RANDOM.BIN"));
    medium.AddFile("CODE\\CHAP_2\\DATA\\TABLE.DAT", chapter)
        .AddFile("CODE\\RANDOM.BIN", random)
        .AddCopy("XOVUNIN.EXE", XOVUNIN_EXE)
        .SetIni("FileSize", "1");
    std::string source = medium.Build();
    ASSERT_FALSE(source.empty());
    std::string packed = source + " packed";
    RemoveTree(packed);
    std::string output;
    ASSERT_EQ(RunMedium("pack \"" + source + "\" \"" + packed + "\"", output), 0) << output;
    EXPECT_EQ(FileContent(packed + "\\CODE\\CHAP_2\\DATA\\TABLE.DAT").substr(0, 4), "SZDD");
    EXPECT_EQ(FileContent(packed + "\\CODE\\RANDOM.BIN"), random);
    size_t installed = Sample("CODE\\READ_ME.TXT").size() + Sample("CODE\\CHAP_1\\HELLO.C").size() +
                       chapter.size() + random.size();
    char fileSize[32] = {};
    GetPrivateProfileStringA("Setup", "FileSize", "", fileSize, sizeof fileSize, (packed + "\\SETUP.INI").c_str());
    EXPECT_EQ(fileSize, std::to_string(installed));

    robot = std::make_unique<Robot>(packed + "\\setup.exe", packed);
    ASSERT_TRUE(robot->Start());
    ASSERT_TRUE(PassToProgress());
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFinishedTitle});
    EXPECT_EQ(robot->WaitExit(), 1);
    Tree expected = SampleTree();
    expected["Chap 2\\Data\\Table.dat"] = chapter;
    expected["Random.bin"] = random;
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    ExpectRegistered(true);
    RemoveTree(packed);
}

// A medium without XOVUNIN.EXE installs and finishes; nothing is registered.
TEST_F(InstallScenario, WithoutUninstallerNothingIsRegistered) {
    ASSERT_TRUE(StartInstall(false));
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFinishedTitle});
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    ExpectRegistered(false);
}

// ShortcutLocation picks the folder in any letter case; "NULL" and any other
// value (a trailing space included) make no shortcut, the unknown value after
// its configuration warning.
struct ShortcutCase {
    const char* name;
    const char* value;       // as written in SETUP.INI
    const char* folder;      // the shell folder's value name, nullptr for none
    const char* warnedAs;    // the upper-cased value the warning shows, nullptr for none
};

void PrintTo(const ShortcutCase& c, std::ostream* out) { *out << c.name; }

class ShortcutLocations : public InstallScenario, public ::testing::WithParamInterface<ShortcutCase> {};

TEST_P(ShortcutLocations, PlaceTheLinkToTheInstalledFolder) {
    const ShortcutCase& c = GetParam();
    medium.SetIni("ShortcutLocation", c.value);
    ASSERT_TRUE(StartSetup());
    if (c.warnedAs) {
        ASSERT_TRUE(AcknowledgeMessage(std::string("The '") + c.warnedAs +
                                       "' entry in SETUP.INI looks suspicious.\nIt should be either 'NULL,' "
                                       "'Favorites,' 'My Documents,' or 'Desktop.'"));
        ASSERT_TRUE(AcknowledgeMessage(
            "At least one entry in SETUP.INI is suspicious.\nSetup will continue, but the results will be unpredictable."));
    }
    ASSERT_TRUE(PassToProgress());
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFinishedTitle});
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    ExpectShortcutIn(c.folder);
}

INSTANTIATE_TEST_SUITE_P(
    E2E, ShortcutLocations,
    ::testing::Values(ShortcutCase{"Desktop", "Desktop", "Desktop", nullptr},
                      ShortcutCase{"LowerCaseDesktop", "desktop", "Desktop", nullptr},
                      ShortcutCase{"MyDocuments", "My Documents", "Personal", nullptr},
                      ShortcutCase{"LowerCaseMyDocuments", "my documents", "Personal", nullptr},
                      ShortcutCase{"Favorites", "FAVORITES", "Favorites", nullptr},
                      ShortcutCase{"Null", "NULL", nullptr, nullptr},
                      // Quoted, or the profile reader would drop the space.
                      ShortcutCase{"TrailingSpace", "\"Desktop \"", nullptr, "DESKTOP "}),
    [](const ::testing::TestParamInfo<ShortcutCase>& info) { return std::string(info.param.name); });

// Removing the book again: setup installs, then the command it registered is
// run as the system runs it (by CreateProcess, its first word the program)
// and the robot answers the uninstaller's message boxes.
namespace {
const std::string kNoEntryText =
    "The information needed to remove this program cannot be found. Nothing has been removed.";

// The icon of a message box, told by its colours on the screen (an icon
// handle of another process cannot be read): the system's question mark is
// drawn in blue, its exclamation mark in orange.
std::string IconOf(Robot& robot, const WindowInfo& box) {
    for (const ControlInfo& control : box.controls) {
        if ((control.style & SS_TYPEMASK) != SS_ICON) continue;
        RECT area = {};
        GetWindowRect(GetDlgItem(box.hwnd, control.id), &area);
        Sleep(200);  // painted before it is photographed
        std::optional<Picture> picture = TakePicture(robot, CurrentTestName() + "-icon");
        if (!picture) return "icon not photographed";
        int blue = 0, orange = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) {
                if (!picture->Contains(x, y)) continue;
                Pixel p = picture->At(x, y);
                if (p.b > 150 && p.r < 100) ++blue;
                if (p.r > 200 && p.g > 80 && p.b < 100) ++orange;
            }
        return blue > 40 && orange < 10 ? "question" : orange > 40 && blue < 10 ? "exclamation" : "other icon";
    }
    return "no icon";
}

// A message box of the uninstaller as a person sees it: icon, buttons, caption and text.
std::string DescribeBox(Robot& robot, const WindowInfo& box) {
    std::string icon = IconOf(robot, box);
    std::string buttons;
    for (auto [id, name] :
         {std::pair{IDYES, "Yes"}, {IDNO, "No"}, {IDOK, "OK"}, {IDRETRY, "Retry"}, {IDCANCEL, "Cancel"}})
        if (const ControlInfo* button = box.Control(id); button && button->visible) buttons += std::string(" ") + name;
    return "[" + icon + buttons + "] " + box.title + ": " + box.Text(kMessageBoxText);
}

struct UninstallRun {
    std::vector<std::string> boxes;
    int exitCode = -1;
};

class UninstallScenario : public InstallScenario {
protected:
    // Installs the sample as a person does (Yes To All for a file there already).
    void Install() {
        ASSERT_TRUE(StartInstall());
        Walk walk = WalkAnswering({});
        ASSERT_EQ(walk.dialogs.back(), kFinishedTitle);
        ASSERT_EQ(robot->WaitExit(), 1);
    }

    std::string RegisteredCommand(HKEY hive = HKEY_LOCAL_MACHINE) {
        std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product, hive);
        if (!entry || !entry->count("UninstallString")) return "";
        const std::string& bytes = entry->at("UninstallString").bytes;
        return bytes.substr(0, bytes.find('\0'));
    }

    // Runs the command line, pressing the given buttons in the message boxes
    // in turn (OK when none is left); `before` sees each box before its answer.
    UninstallRun RunUninstaller(const std::string& commandLine, std::deque<int> answers = {},
                                const std::function<void(const WindowInfo&)>& before = {}) {
        UninstallRun run;
        robot = std::make_unique<Robot>(CopiedUninstaller(), Medium::WorkDir());
        robot->SetCommandLine(commandLine);
        if (!robot->Start()) {
            ADD_FAILURE() << "cannot run " << commandLine;
            return run;
        }
        for (int n = 0; n < 10; ++n) {
            std::optional<WindowInfo> box = robot->WaitDialog();
            if (!box) break;
            run.boxes.push_back(DescribeBox(*robot, *box));
            if (before) before(*box);
            int id = answers.empty() ? IDOK : answers.front();
            if (!answers.empty()) answers.pop_front();
            robot->Press(id);
            if (!robot->WaitClosed(box->hwnd)) break;
        }
        run.exitCode = robot->WaitExit();
        EXPECT_TRUE(answers.empty()) << answers.size() << " answers were not used";
        return run;
    }

    std::string Question() const { return "[question Yes No] " + product + ": " + kUninstallText; }
    std::string Problem() const { return "[exclamation OK] " + product + ": " + kUninstallProblemText; }

    // The entry is gone, and with the last book the uninstaller that every
    // book shares: deleted, or (a running program's file) moved aside, its
    // count gone; its own name is never left to the system's next start,
    // which would take a later book's copy.
    void ExpectEntryGone() {
        EXPECT_FALSE(UninstallEntry(product).has_value()) << "the uninstall entry is still there";
        ExpectUninstallerGone();
    }
    void ExpectUninstallerGone() {
        std::string path = CopiedUninstaller();
        EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "the uninstaller is still there";
        EXPECT_FALSE(LeftToTheNextStart(path)) << "the uninstaller's name is to be deleted at the next start";
        EXPECT_EQ(SharedCountOf(path), std::nullopt) << "the uninstaller's count";
    }
    // Another book still counts on the uninstaller, which stays as it is.
    void ExpectUninstallerStays(DWORD count) {
        EXPECT_EQ(ReadWholeFile(CopiedUninstaller()), ReadWholeFile(XOVUNIN_EXE)) << "the uninstaller's own file";
        EXPECT_EQ(SharedCountOf(CopiedUninstaller()), count) << "the uninstaller's count";
    }
    // A book of the current user's is removed: its entry, and with the user's
    // last book the user's uninstaller (deleted, or moved aside while it
    // runs; its name never left to the system's next start) and its count.
    void ExpectUserBookGone() {
        EXPECT_FALSE(UninstallEntry(product, HKEY_CURRENT_USER).has_value()) << "the user's entry is still there";
        std::string path = UserUninstaller();
        EXPECT_FALSE(FileExists(path)) << "the user's uninstaller is still there";
        EXPECT_FALSE(LeftToTheNextStart(path)) << "the user's uninstaller's name is to be deleted at the next start";
        EXPECT_EQ(UserCountOf(path), std::nullopt) << "the user's uninstaller's count";
    }
};

void SetFileWriteTime(const std::string& path, const FILETIME& time) {
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
    CloseHandle(file);
}

FILETIME FileWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// Every file of the tree an hour later, as a drive that keeps local time
// shows them after the change to summer time.
void MoveClockAnHour(const std::string& folder) {
    constexpr uint64_t kHour = 3600ull * 10000000;
    for (const auto& [relative, content] : InstalledTree(folder)) {
        FILETIME time = FileWriteTime(folder + "\\" + relative);
        uint64_t moved = (static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime) + kHour;
        SetFileWriteTime(folder + "\\" + relative, {static_cast<DWORD>(moved), static_cast<DWORD>(moved >> 32)});
    }
}

// The tests run under Wine, which starts a Linux program as it starts one of
// its own: what only the Linux side makes (a symbolic link, which Wine shows
// as a link; a drive letter, which is a link in the prefix's dosdevices
// folder) is made through it. Its process cannot be waited for, so the caller
// waits for the effect.
void RunLinux(std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process))
        << commandLine;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

// The Linux path of a path on Z:, Wine's drive for the whole Linux tree.
std::string LinuxPath(const std::string& path) {
    std::string linux = path.substr(2);
    std::replace(linux.begin(), linux.end(), '\\', '/');
    return linux;
}

bool WaitUntil(const std::function<bool()>& done) {
    for (int n = 0; n < 100 && !done(); ++n) Sleep(50);
    return done();
}

bool IsLinkNow(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The folder `link` made a link to the folder `target` (both on Z:).
void MakeFolderLink(const std::string& link, const std::string& target) {
    RunLinux("/bin/ln -sfn \"" + LinuxPath(target) + "\" \"" + LinuxPath(link) + "\"");
    ASSERT_TRUE(WaitUntil([&] { return IsLinkNow(link); })) << "no link " << link;
}

void RemoveLink(const std::string& link) {
    RunLinux("/bin/rm -f \"" + LinuxPath(link) + "\"");
    WaitUntil([&] { return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

// A drive letter of the prefix for a folder on Z:, as a network drive or a
// stick is: mapped, taken away and mapped again while the test runs.
class MappedDrive {
public:
    MappedDrive(char letter, std::string folder) : m_root{letter, ':', '\\'}, m_folder(std::move(folder)) {
        char prefix[MAX_PATH] = {};
        GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
        m_device = std::string(prefix) + "/dosdevices/" + static_cast<char>(letter - 'A' + 'a') + ":";
    }
    ~MappedDrive() { Unmap(); }
    const std::string& Root() const { return m_root; }
    bool Map() {
        RunLinux("/bin/ln -sfn \"" + LinuxPath(m_folder) + "\" \"" + m_device + "\"");
        return WaitUntil([this] { return GetFileAttributesA(m_root.c_str()) != INVALID_FILE_ATTRIBUTES; });
    }
    bool Unmap() {
        RunLinux("/bin/rm -f \"" + m_device + "\"");
        return WaitUntil([this] { return GetFileAttributesA(m_root.c_str()) == INVALID_FILE_ATTRIBUTES; });
    }

private:
    std::string m_root;
    std::string m_folder;
    std::string m_device;
};

}  // namespace

// A run ended from the task list, and a link put in the install folder
// after it where the run made a folder: the next start undoes the run but
// does nothing through the link (the file of that name behind it stays).
TEST_F(InstallScenario, TheRepairLeavesWhatIsBehindALinkAlone) {
    AllExisting();
    medium.AddFile("CODE\\NEW_BITS\\EXTRA.TXT", "extra");
    const Tree before = InstalledTree(dest);
    EndAtReplaceQuestion(3);
    ASSERT_TRUE(FileExists(dest + "\\New Bits\\Extra.txt")) << "the killed run's new file";
    // The reader moved the folder elsewhere and linked it back: behind the
    // link is the run's file as the run left it (size and time), now theirs.
    const std::string behind = Medium::WorkDir() + "\\" + CurrentTestName() + " behind";
    RemoveTree(behind);
    MakeFolders(behind);
    ASSERT_TRUE(CopyFileA((dest + "\\New Bits\\Extra.txt").c_str(), (behind + "\\Extra.txt").c_str(), FALSE));
    RemoveTree(dest + "\\New Bits");
    ASSERT_NO_FATAL_FAILURE(MakeFolderLink(dest + "\\New Bits", behind));

    ASSERT_TRUE(StartSetup());
    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome);
    EXPECT_NE(welcome->title, kMessageBoxTitle) << welcome->Text(kMessageBoxText);
    robot.reset();
    EXPECT_EQ(FileContent(behind + "\\Extra.txt"), "extra");
    RemoveLink(dest + "\\New Bits");
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), before), "") << "the rest of the run is undone";
    EXPECT_EQ(JournalsOf(product), 1u) << "a step left alone keeps the journal for a later start";
    RemoveTree(behind);
}

// A run into a new folder three levels down (it makes Books, Maths and
// Vol1) is ended from the task list; before the next start someone renames
// the run's top folder away and puts a link in its place, leading to a
// folder of their choice holding an empty folder of the name of one the run
// made. The next start deletes nothing behind the link and keeps the
// journal; with the folder back, the start after it undoes the run whole.
TEST_F(InstallScenario, TheRepairNeverFollowsALinkPutAboveTheInstallFolder) {
    const std::string top = Medium::WorkDir() + "\\" + DestinationName() + " Books";
    const std::string away = top + " away", chosen = top + " chosen";
    for (const std::string& folder : {top, away, chosen}) RemoveTree(folder);
    dest = top + "\\Maths\\Vol1";
    medium.SetIni("DestDir", dest);
    // Two names of the medium that become one: the second asks.
    medium.AddFile("CODE\\Read Me.txt", "the second name");
    EndAtReplaceQuestion(1);
    ASSERT_TRUE(FileExists(dest + "\\Read Me.txt")) << "the killed run's first file";
    ASSERT_EQ(JournalsOf(product), 1u);

    // The folder behind the link holds an empty Maths: the folder step of
    // the run's above its install folder names it.
    ASSERT_TRUE(MoveFileA(top.c_str(), away.c_str()));
    MakeFolders(chosen + "\\Maths");
    ASSERT_NO_FATAL_FAILURE(MakeFolderLink(top, chosen));

    ASSERT_TRUE(StartSetup());
    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome);
    EXPECT_NE(welcome->title, kMessageBoxTitle) << welcome->Text(kMessageBoxText);
    robot.reset();
    RemoveLink(top);
    EXPECT_TRUE(FileExists(chosen + "\\Maths")) << "the empty folder behind the link was removed";
    EXPECT_EQ(JournalsOf(product), 1u) << "the steps left alone keep the journal";

    ASSERT_TRUE(MoveFileA(away.c_str(), top.c_str()));
    ASSERT_TRUE(StartSetup());
    welcome = NextDialog();
    ASSERT_TRUE(welcome);
    robot.reset();
    EXPECT_FALSE(FileExists(top)) << "the run's folders are undone: " << TreeDifferences(InstalledTree(top), Tree{});
    EXPECT_EQ(JournalsOf(product), 0u);
    RemoveTree(chosen);
}

// Everything setup put there goes: the installed tree and the folder setup
// made for it, the shortcut, the file the script copied into the Windows
// folder (and its count), the entry with its record, and the uninstaller
// that this book alone counted on. The same when every installed file's time has moved by an hour
// since (their content is still setup's), and for a book whose record the
// older setup wrote (each file's size and time, the shortcut by its name;
// the uncounted uninstaller stays).
enum class Since { Installed, ClockMovedAnHour, OlderRecord };

// The record as the older setup wrote it for the same files, as they are now.
std::string OlderRecordText(const InstallRecord& record) {
    std::string text = "XOVUNIN INSTALL RECORD 1\r\nI\t" + record.installFolder + "\r\n";
    for (const RecordEntry& entry : record.entries) {
        // The older setup neither recorded nor counted the uninstaller.
        if (entry.kind == RecordEntry::Kind::Uninstaller) continue;
        if (entry.kind != RecordEntry::Kind::File) {
            text += (entry.kind == RecordEntry::Kind::Folder ? "D\t" : "S\t") + entry.path + "\r\n";
            continue;
        }
        FILETIME time = FileWriteTime(entry.path);
        char numbers[64];
        std::snprintf(numbers, sizeof numbers, "F\t%llu\t%08lX%08lX\t", static_cast<unsigned long long>(entry.size),
                      time.dwHighDateTime, time.dwLowDateTime);
        text += numbers + entry.path + "\r\n";
    }
    return text;
}

// The product's stored record replaced by the one the older setup would have written.
void RewriteAsOlderRecord(const std::string& product) {
    std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product);
    ASSERT_TRUE(entry && entry->count("InstallRecord"));
    std::optional<InstallRecord> record = ParseRecord(entry->at("InstallRecord").bytes);
    ASSERT_TRUE(record);
    std::string older = OlderRecordText(*record);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + product).c_str(), 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    RegSetValueExA(key, "InstallRecord", 0, REG_BINARY, reinterpret_cast<const BYTE*>(older.data()),
                   static_cast<DWORD>(older.size()));
    RegCloseKey(key);
}

std::string SinceName(Since since) {
    switch (since) {
    case Since::Installed: return "AsInstalled";
    case Since::ClockMovedAnHour: return "ClockMovedAnHour";
    case Since::OlderRecord: return "OlderRecord";
    }
    return "";
}

void PrintTo(Since since, std::ostream* out) { *out << SinceName(since); }

class RemovesEverything : public UninstallScenario, public ::testing::WithParamInterface<Since> {};

TEST_P(RemovesEverything, SetupPutThere) {
    std::string windowsCopy = WindowsFolder() + "\\ZANDEL.INI";
    DeleteFileA(windowsCopy.c_str());
    ForgetSharedCount(windowsCopy);
    medium.AddFile("SCRIPT.TXT", Sample("SCRIPT.TXT"));
    Install();
    ASSERT_TRUE(FileExists(windowsCopy));
    ASSERT_TRUE(FileExists(dest + "\\Read Me First.txt"));
    ExpectShortcutIn("Desktop");
    EXPECT_EQ(SharedCountOf(windowsCopy), 1u) << "made by this setup";
    if (GetParam() == Since::ClockMovedAnHour) {
        MoveClockAnHour(dest);
        SetFileWriteTime(windowsCopy, FILETIME{0, 0x01DA0000});
    } else if (GetParam() == Since::OlderRecord) {
        ASSERT_NO_FATAL_FAILURE(RewriteAsOlderRecord(product));
        // The older setup counted nothing.
        ForgetSharedCount(windowsCopy);
        ForgetSharedCount(CopiedUninstaller());
    }

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    EXPECT_FALSE(FileExists(windowsCopy));
    EXPECT_EQ(SharedCountOf(windowsCopy), std::nullopt);
    ExpectShortcutIn(nullptr);
    if (GetParam() == Since::OlderRecord) {
        // Uncounted, as the older setup left it, the uninstaller may still serve another such book.
        EXPECT_FALSE(UninstallEntry(product).has_value());
        EXPECT_EQ(ReadWholeFile(CopiedUninstaller()), ReadWholeFile(XOVUNIN_EXE));
    } else {
        ExpectEntryGone();
    }
    DeleteFileA(windowsCopy.c_str());
}

INSTANTIATE_TEST_SUITE_P(E2E, RemovesEverything,
                         ::testing::Values(Since::Installed, Since::ClockMovedAnHour, Since::OlderRecord),
                         [](const ::testing::TestParamInfo<Since>& info) { return SinceName(info.param); });

// The reader's work stays: a file edited to the same size (a newer time), a
// file of another size whose time was set back to the one setup wrote, and
// a file of their own, with the folders holding them. The rest goes, and the
// message says once that not everything could be removed.
TEST_F(UninstallScenario, KeepsTheReadersChangedAndAddedFiles) {
    Install();
    const std::string sameSize = dest + "\\Chap 1\\Hello.c", otherSize = dest + "\\Chap 2\\Data\\Table.dat";
    std::string edited = Sample("CODE\\CHAP_1\\HELLO.C");
    edited[0] = edited[0] == '#' ? '/' : '#';
    ASSERT_TRUE(WriteWholeFile(sameSize, edited));
    FILETIME asWritten = FileWriteTime(otherSize);
    ASSERT_TRUE(WriteWholeFile(otherSize, "the reader's own table"));
    SetFileWriteTime(otherSize, asWritten);
    ASSERT_TRUE(WriteWholeFile(dest + "\\Chap 2\\mine.c", "int main() { return 0; }"));

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, (std::vector<std::string>{Question(), Problem()}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), Tree{{"Chap 1\\Hello.c", edited},
                                                        {"Chap 2\\Data\\Table.dat", "the reader's own table"},
                                                        {"Chap 2\\mine.c", "int main() { return 0; }"}}),
              "");
    ExpectShortcutIn(nullptr);
    ExpectEntryGone();
}

// No: nothing changes, on the disk or in the registry.
TEST_F(UninstallScenario, NoChangesNothing) {
    Install();
    std::optional<std::map<std::string, StoredValue>> before = UninstallEntry(product);

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDNO});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    ExpectShortcutIn("Desktop");
    EXPECT_EQ(UninstallEntry(product), before);
}

// A command line the uninstaller cannot take at its word, or an entry
// without a usable record: one message, no question, and nothing touched.
struct RefusedCase {
    const char* name;
    std::string (*commandLine)(const std::string& uninstaller, const std::string& dest, const std::string& product);
    // The record to store instead of setup's (given setup's); nullptr keeps it.
    std::optional<std::string> (*record)(const InstallRecord& stored);
    // The message: the entry's own text under the product's name, or, with
    // no entry found, the uninstaller's under the name read (or its own).
    enum Shown { kEntryText, kNoEntryUnderProgram, kNoEntryUnderName } shown;
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

std::string Registered(const std::string& u, const std::string& d, const std::string& p) {
    return u + " `" + d + "` " + p;
}

std::optional<std::string> WithFolder(const InstallRecord& stored, const std::string& folder) {
    InstallRecord record = stored;
    record.installFolder = folder;
    return FormatRecord(record);
}

const RefusedCase kRefusedCases[] = {
    {"NoBackQuotes", [](auto& u, auto& d, auto& p) { return u + " " + d + " " + p; }, nullptr,
     RefusedCase::kNoEntryUnderProgram},
    {"OneBackQuote", [](auto& u, auto& d, auto& p) { return u + " `" + d + " " + p; }, nullptr,
     RefusedCase::kNoEntryUnderProgram},
    {"NoProductName", [](auto& u, auto& d, auto&) { return u + " `" + d + "`"; }, nullptr,
     RefusedCase::kNoEntryUnderProgram},
    {"UnknownProduct", [](auto& u, auto& d, auto& p) { return Registered(u, d, p + " 2"); }, nullptr,
     RefusedCase::kNoEntryUnderName},
    {"AnotherFolder", [](auto& u, auto& d, auto& p) { return Registered(u, d + "\\Chap 1", p); }, nullptr,
     RefusedCase::kEntryText},
    // The record names the same folder, so only the folder's own check refuses.
    {"DriveRoot", [](auto& u, auto&, auto& p) { return Registered(u, "C:\\", p); },
     [](const InstallRecord& r) { return WithFolder(r, "C:\\"); }, RefusedCase::kEntryText},
    {"WindowsFolder", [](auto& u, auto&, auto& p) { return Registered(u, WindowsFolder(), p); },
     [](const InstallRecord& r) { return WithFolder(r, WindowsFolder()); }, RefusedCase::kEntryText},
    {"MissingRecord", Registered, [](const InstallRecord&) { return std::optional<std::string>(); },
     RefusedCase::kEntryText},
    {"RecordCutShort", Registered,
     [](const InstallRecord& r) {
         std::string text = FormatRecord(r);
         return std::optional<std::string>(text.substr(0, text.size() - 1));
     },
     RefusedCase::kEntryText},
};

// One install for all the cases; after each, the tree, the shortcut and the
// entry are as setup left them.
TEST_F(UninstallScenario, RefusesWhatItCannotTrust) {
    Install();
    std::optional<std::map<std::string, StoredValue>> installed = UninstallEntry(product);
    ASSERT_TRUE(installed && installed->count("InstallRecord"));
    std::optional<InstallRecord> stored = ParseRecord(installed->at("InstallRecord").bytes);
    ASSERT_TRUE(stored);

    for (const RefusedCase& c : kRefusedCases) {
        SCOPED_TRACE(c.name);
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + product).c_str(), 0, KEY_SET_VALUE, &key),
                  ERROR_SUCCESS);
        const std::string& setupRecord = installed->at("InstallRecord").bytes;
        std::optional<std::string> record = c.record ? c.record(*stored) : setupRecord;
        if (record)
            RegSetValueExA(key, "InstallRecord", 0, REG_BINARY, reinterpret_cast<const BYTE*>(record->data()),
                           static_cast<DWORD>(record->size()));
        else
            RegDeleteValueA(key, "InstallRecord");
        std::optional<std::map<std::string, StoredValue>> before = UninstallEntry(product);

        UninstallRun run = RunUninstaller(c.commandLine(CopiedUninstaller(), dest, product));
        const std::string expected = c.shown == RefusedCase::kEntryText ? Problem()
                                     : c.shown == RefusedCase::kNoEntryUnderName
                                         ? "[exclamation OK] " + product + " 2: " + kNoEntryText
                                         : "[exclamation OK] XOVUNIN: " + kNoEntryText;
        EXPECT_EQ(run.boxes, std::vector<std::string>{expected});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
        ExpectShortcutIn("Desktop");
        EXPECT_EQ(UninstallEntry(product), before);

        RegSetValueExA(key, "InstallRecord", 0, REG_BINARY, reinterpret_cast<const BYTE*>(setupRecord.data()),
                       static_cast<DWORD>(setupRecord.size()));
        RegCloseKey(key);
    }
}

// A second setup over the first, one file kept at the reader's No: the record
// holds both runs (the folders only the first made, the kept file as the
// first wrote it), and one uninstall removes everything.
TEST_F(UninstallScenario, SecondInstallThenOneUninstall) {
    Install();
    ASSERT_TRUE(StartInstall());
    Walk walk = WalkAnswering({{kReplaceTitle, {kYes, kNo, kYes}}});
    EXPECT_EQ(walk.askedFiles.size(), 3u);
    EXPECT_EQ(robot->WaitExit(), 1);
    ExpectRegistered(true);

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    ExpectShortcutIn(nullptr);
    ExpectEntryGone();
}

// A reader's file that a completed run replaced and then could not delete
// (held open elsewhere) is named in the record: the uninstaller removes it
// with the book, whatever it holds.
TEST_F(UninstallScenario, RemovesAKeptOriginalTheRunCouldNotDelete) {
    Install();
    const std::string kept = dest + "\\Read Me.txt.~sx0000ABCD.tmp";
    ASSERT_TRUE(WriteWholeFile(kept, "the reader's own, replaced with a Yes", FILE_ATTRIBUTE_READONLY));
    std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product);
    ASSERT_TRUE(entry && entry->count("InstallRecord"));
    std::optional<InstallRecord> record = ParseRecord(entry->at("InstallRecord").bytes);
    ASSERT_TRUE(record);
    record->entries.push_back({RecordEntry::Kind::Kept, kept});
    std::string text = FormatRecord(*record);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + product).c_str(), 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    RegSetValueExA(key, "InstallRecord", 0, REG_BINARY, reinterpret_cast<const BYTE*>(text.data()),
                   static_cast<DWORD>(text.size()));
    RegCloseKey(key);

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    ExpectEntryGone();
}

// A file of the book held open by another program at the removal: a quiet
// removal names it in its log and ends with 1, the entry kept with what
// stayed; the reader's removal names it in a Retry/Cancel box, and, the file
// let go, Retry removes it and the book whole.
TEST_F(UninstallScenario, AHeldFileIsNamedAndRetryRemovesIt) {
    Install();
    const std::string heldPath = dest + "\\Chap 1\\Hello.c";
    HANDLE held = CreateFileA(heldPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product);
    ASSERT_TRUE(entry && entry->count("QuietUninstallString"));
    const std::string& quietBytes = entry->at("QuietUninstallString").bytes;
    // An elevated quiet removal's log: beside the machine's journals.
    const std::string log = MachinePlaces().journals.folder + "\\uninstall-" + product + ".log";
    DeleteFileA(log.c_str());
    UninstallRun quiet = RunUninstaller(quietBytes.substr(0, quietBytes.find('\0')));
    EXPECT_EQ(quiet.boxes, std::vector<std::string>{});
    EXPECT_EQ(quiet.exitCode, 1);
    std::string logText = ReadWholeFile(log).value_or("<no log>");
    EXPECT_NE(logText.find("In use by another program (programs the system cannot name): " + heldPath + "\r\n"),
              std::string::npos) << logText;
    EXPECT_NE(logText.find("Stays: " + heldPath + "\r\n"), std::string::npos) << logText;
    EXPECT_TRUE(FileExists(heldPath));

    const std::string named = "[exclamation Retry Cancel] " + product +
                              ": Another program is using this file of the book:\r\n" + heldPath +
                              "\r\n\r\nClose that program and choose Retry to remove the file, or Cancel to leave "
                              "it where it is.";
    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES, IDRETRY}, [&](const WindowInfo& box) {
        if (box.Control(IDRETRY)) CloseHandle(held);
    });
    EXPECT_EQ(run.boxes, (std::vector<std::string>{Question(), named}));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    ExpectEntryGone();
}

// The reader changed every file of the book; a second setup of it was ended
// from the task list after one Yes. The uninstaller undoes that run before
// it removes anything: the reader's changed files are all back and stay, and
// nothing of the cut run is left.
TEST_F(UninstallScenario, UndoesItsProductsRunCutShortFirst) {
    Install();
    Tree changed;
    for (const auto& [relative, content] : SampleTree()) {
        changed[relative] = "the reader's " + relative;
        ASSERT_TRUE(WriteWholeFile(dest + "\\" + relative, changed[relative]));
    }
    EndAtReplaceQuestion(2);
    ASSERT_EQ(KeptFilesIn(InstalledTree(dest)), 1u);

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, (std::vector<std::string>{Question(), Problem()}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), changed), "");
    EXPECT_EQ(JournalsOf(product), 0u);
}

// Two books whose scripts copy the same file into the Windows folder, removed
// one after the other: the file stays as long as anyone counts on it. Either
// the first book makes the file (count 1, still 1 after a second setup of
// the same book; 2 with the second book; 1 after removing the first; gone with
// its count after removing the second), or a program that keeps no count put
// it there before (2, 2, 3, 2, and 1 at the end: the file stays its).
//
// The first book may also have been installed by an older setup, which
// counted nothing and marked nothing in its record: the second book then finds
// the file there without a count (2), removing the first keeps the file and
// the count (an older record's file outside the book's folder stays while
// anyone counts on it), and the second gives back its own (1): the file stays.
struct SharedCase {
    const char* name;
    bool thereBefore;
    bool firstByAnOlderSetup;
    DWORD first, again, second, afterFirst;
    std::optional<DWORD> afterSecond;
};

void PrintTo(const SharedCase& c, std::ostream* out) { *out << c.name; }

class SharedWindowsFile : public UninstallScenario, public ::testing::WithParamInterface<SharedCase> {};

TEST_P(SharedWindowsFile, StaysWhileCounted) {
    const SharedCase& c = GetParam();
    std::string windowsCopy = WindowsFolder() + "\\ZANDEL.INI";
    DeleteFileA(windowsCopy.c_str());
    ForgetSharedCount(windowsCopy);
    if (c.thereBefore) {
        ASSERT_TRUE(WriteWholeFile(windowsCopy, "another program's settings"));
    }
    struct Cleanup {
        std::string copy, firstKey;
        ~Cleanup() {
            DeleteFileA(copy.c_str());
            ForgetSharedCount(copy);
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, firstKey.c_str());
        }
    } cleanup{windowsCopy, kUninstallKey + product};
    medium.AddFile("SCRIPT.TXT", Sample("SCRIPT.TXT"));
    Install();
    EXPECT_EQ(SharedCountOf(windowsCopy), c.first);
    Install();
    EXPECT_EQ(SharedCountOf(windowsCopy), c.again) << "a second setup of the same book";
    EXPECT_EQ(SharedCountOf(CopiedUninstaller()), 1u) << "the uninstaller, counted once for the book";
    const std::string first = product, firstDest = dest, firstCommand = RegisteredCommand();
    if (c.firstByAnOlderSetup) {
        ASSERT_NO_FATAL_FAILURE(RewriteAsOlderRecord(product));
        ForgetSharedCount(windowsCopy);
        ForgetSharedCount(CopiedUninstaller());
    }

    product = first + " 2";
    dest = firstDest + " 2";
    linkName = product + " Files";
    RemoveTree(dest);
    medium.SetIni("ProductName", product).SetIni("DestDir", dest).SetIni("ShortcutName", linkName);
    Install();
    EXPECT_EQ(SharedCountOf(windowsCopy), c.second);

    UninstallRun run = RunUninstaller(firstCommand, {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{"[question Yes No] " + first + ": " + kUninstallText});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(firstDest));
    EXPECT_FALSE(UninstallEntry(first).has_value());
    EXPECT_EQ(ReadWholeFile(windowsCopy), Sample("EXTRAS\\ZANDEL.INI")) << "went with the first book";
    EXPECT_EQ(SharedCountOf(windowsCopy), c.afterFirst);
    ExpectUninstallerStays(c.firstByAnOlderSetup ? 2 : 1);

    run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest));
    EXPECT_EQ(FileExists(windowsCopy), c.afterSecond.has_value());
    EXPECT_EQ(SharedCountOf(windowsCopy), c.afterSecond);
    EXPECT_FALSE(UninstallEntry(product).has_value());
    // Found there without a count by the second book, the uninstaller is
    // left to the older setup's book as well.
    if (c.firstByAnOlderSetup) ExpectUninstallerStays(1);
    else ExpectUninstallerGone();
}

INSTANTIATE_TEST_SUITE_P(E2E, SharedWindowsFile,
                         ::testing::Values(SharedCase{"MadeByTheFirstBook", false, false, 1, 1, 2, 1, std::nullopt},
                                           SharedCase{"ThereWithoutACount", true, false, 2, 2, 3, 2, 1},
                                           SharedCase{"FirstBookByAnOlderSetup", false, true, 1, 1, 2, 2, 1}),
                         [](const ::testing::TestParamInfo<SharedCase>& info) { return std::string(info.param.name); });

// A book pressed earlier, whose disc carries the uninstaller of version 0.9,
// installed after this one: the newer uninstaller in the Windows folder stays
// (counted for both books), removes the older book (the newer program reads
// every record), and goes with this one, the last.
TEST_F(UninstallScenario, AnOlderBooksDiscLeavesTheNewerUninstallerToRemoveBoth) {
    Install();
    const std::string first = product, firstDest = dest;
    struct Cleanup {
        std::string key;
        ~Cleanup() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str()); }
    } cleanup{kUninstallKey + first};

    product = first + " older";
    dest = firstDest + " older";
    linkName = product + " Files";
    RemoveTree(dest);
    medium.SetIni("ProductName", product).SetIni("DestDir", dest).SetIni("ShortcutName", linkName);
    medium.AddCopy("XOVUNIN.EXE", OLDER_XOVUNIN_EXE);
    ASSERT_TRUE(StartSetup() && PassToProgress());
    ASSERT_EQ(WalkAnswering({}).dialogs.back(), kFinishedTitle);
    ASSERT_EQ(robot->WaitExit(), 1);
    ExpectUninstallerStays(2);

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    EXPECT_FALSE(UninstallEntry(product).has_value());
    ExpectUninstallerStays(1);

    product = first;
    dest = firstDest;
    linkName = product + " Files";
    run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    ExpectShortcutIn(nullptr);
    ExpectEntryGone();
}

// A book of 5,000 files: its record is far past what the registry should
// hold, so the entry keeps within 64 KB and names the record's file in the
// Windows folder; the book is removed whole, the record's file with it.
TEST_F(UninstallScenario, AFiveThousandFileBookKeepsItsEntrySmall) {
    medium.Omit("CODE");
    Tree book;
    for (int folder = 0; folder < 50; ++folder) {
        for (int file = 0; file < 100; ++file) {
            char relative[64];
            std::snprintf(relative, sizeof relative, "PART_%02d\\FILE_%03d.TXT", folder, file);
            std::string content = std::string("file ") + relative;
            medium.AddFile(std::string("CODE\\") + relative, content);
            std::snprintf(relative, sizeof relative, "Part %02d\\File %03d.txt", folder, file);
            book[relative] = content;
        }
    }
    medium.SetIni("FilesCompressed", "NO");
    Install();
    ASSERT_EQ(TreeDifferences(InstalledTree(dest), book), "");
    std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product);
    ASSERT_TRUE(entry);
    size_t entryBytes = 0;
    for (const auto& [name, value] : *entry) entryBytes += name.size() + value.bytes.size();
    EXPECT_LE(entryBytes, 65536u);
    EXPECT_FALSE(entry->count("InstallRecord")) << "the record is in the entry";
    ASSERT_TRUE(entry->count("InstallRecordFile"));
    const std::string& named = entry->at("InstallRecordFile").bytes;
    const std::string recordFile = named.substr(0, named.find('\0'));
    EXPECT_EQ(recordFile.find(WindowsFolder() + "\\XOVUNIN-"), 0u) << recordFile;
    std::optional<std::string> recordText = ReadWholeFile(recordFile);
    ASSERT_TRUE(recordText);
    std::optional<InstallRecord> record = ParseRecord(*recordText);
    ASSERT_TRUE(record);
    EXPECT_GT(record->entries.size(), 5050u) << "5,000 files, 51 folders, the shortcut, the uninstaller";

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << InstalledTree(dest).size() << " files";
    EXPECT_FALSE(FileExists(recordFile)) << "the record's file";
    ExpectShortcutIn(nullptr);
    ExpectEntryGone();
}

// A book on a drive that is away when it is removed (a stick pulled out, a
// network drive not connected): no question, the message, exit code 1, and
// nothing changed, the entry and its record kept. With the drive back, the
// book is removed.
TEST_F(UninstallScenario, ABookOnADriveThatIsAwayStays) {
    std::string folder = MakeTestFolder(CurrentTestName() + " drive");
    MappedDrive drive('U', folder);
    ASSERT_TRUE(drive.Map());
    dest = drive.Root() + DestinationName();
    medium.SetIni("DestDir", dest);
    Install();
    std::string command = RegisteredCommand();
    std::optional<std::map<std::string, StoredValue>> installed = UninstallEntry(product);
    ASSERT_TRUE(installed);
    const std::string onTheDisk = folder + "\\" + DestinationName();
    ASSERT_EQ(TreeDifferences(InstalledTree(onTheDisk), SampleTree()), "");

    ASSERT_TRUE(drive.Unmap());
    UninstallRun run = RunUninstaller(command);
    EXPECT_EQ(run.boxes, std::vector<std::string>{Problem()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(UninstallEntry(product), installed);
    EXPECT_EQ(TreeDifferences(InstalledTree(onTheDisk), SampleTree()), "");
    ExpectShortcutIn("Desktop");

    ASSERT_TRUE(drive.Map());
    run = RunUninstaller(command, {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(onTheDisk)) << "left: " << TreeDifferences(InstalledTree(onTheDisk), Tree{});
    ExpectShortcutIn(nullptr);
    ExpectEntryGone();
}

// What the reader put in place of setup's stays, however alike: their own
// shortcut of the same name, and a folder setup made that they turned into a
// link to a folder of theirs, holding a file just like setup's. The rest goes;
// one message says that not everything could be removed.
TEST_F(UninstallScenario, KeepsTheReadersShortcutAndWhatIsBehindTheirLink) {
    Install();
    std::string linkPath = LinkPath(ShellFolder("Desktop"));
    std::string theirs = MakeTestFolder(CurrentTestName() + " theirs");
    ASSERT_TRUE(WriteWholeFile(theirs + "\\Table.dat", Sample("CODE\\CHAP_2\\DATA\\TABLE.DAT")));
    ASSERT_TRUE(WriteWholeFile(theirs + "\\notes.txt", "the reader's notes"));
    const std::string data = dest + "\\Chap 2\\Data";
    DeleteFileA((data + "\\Table.dat").c_str());
    ASSERT_TRUE(RemoveDirectoryA(data.c_str()));
    MakeFolderLink(data, theirs);
    struct LinkCleanup {
        std::string link;
        ~LinkCleanup() { RemoveLink(link); }
    } cleanup{data};
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ASSERT_TRUE(SUCCEEDED(CreateShortcut(theirs, linkPath, "")));
    CoUninitialize();

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, (std::vector<std::string>{Question(), Problem()}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(theirs), Tree{{"Table.dat", Sample("CODE\\CHAP_2\\DATA\\TABLE.DAT")},
                                                          {"notes.txt", "the reader's notes"}}),
              "");
    EXPECT_TRUE(IsLinkNow(data)) << "the reader's link";
    EXPECT_FALSE(FileExists(dest + "\\Read Me.txt"));
    EXPECT_FALSE(FileExists(dest + "\\Chap 1"));
    EXPECT_EQ(ShellLinkTarget(linkPath), theirs) << "the reader's shortcut";
    ExpectEntryGone();
    DeleteFileA(linkPath.c_str());
}

// Unattended installs, as an administrator's script or the system's package
// tools run them: setup.exe with /S (and /D=, /LOG=) shows no window and
// tells its result by its exit code and its log.
class QuietScenario : public UninstallScenario {
protected:
    // Starts setup.exe in the medium with the switches on its command line.
    bool StartWith(const std::string& switches, DWORD timeoutMs = 10000) {
        medium.AddCopy("XOVUNIN.EXE", uninstallerOnMedium);
        std::string folder = medium.Build();
        if (folder.empty()) {
            ADD_FAILURE() << "cannot build the medium " << medium.Path();
            return false;
        }
        robot = std::make_unique<Robot>(SETUP_EXE, folder, timeoutMs);
        robot->SetCommandLine(std::string("\"") + SETUP_EXE + "\" " + switches);
        bool started = robot->Start();
        EXPECT_TRUE(started) << "cannot start setup.exe " << switches;
        return started;
    }

    std::string QuietCommand(HKEY hive = HKEY_LOCAL_MACHINE) {
        std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product, hive);
        if (!entry || !entry->count("QuietUninstallString")) return "";
        const std::string& bytes = entry->at("QuietUninstallString").bytes;
        return bytes.substr(0, bytes.find('\0'));
    }

    // The log's lines.
    static std::vector<std::string> LogLines(const std::string& path) {
        std::vector<std::string> lines;
        std::string text = ReadWholeFile(path).value_or("");
        for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
            lines.push_back(text.substr(at, end - at));
        return lines;
    }
    static bool Holds(const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    // The uninstaller StartWith puts on the medium.
    std::string uninstallerOnMedium = XOVUNIN_EXE;

    // A book for the current user goes below the user's profile: a removal
    // with administrator rights (every run under Wine has them) acts nowhere
    // else for such a book.
    void DestinationInTheProfile() {
        char profile[MAX_PATH] = {};
        ASSERT_GT(ExpandEnvironmentStringsA("%USERPROFILE%", profile, MAX_PATH), 0u);
        ASSERT_NE(profile[0], '%');
        dest = std::string(profile) + "\\" + DestinationName();
        RemoveTree(dest);
        medium.SetIni("DestDir", dest);
    }

    // Where elevated runs of setup and the uninstaller (every run under Wine
    // is one) put their logs when no /LOG= names one: beside the machine's
    // journals, where only administrators write.
    std::string DefaultLog(const std::string& program) {
        return MachinePlaces().journals.folder + "\\" + program + "-" + product + ".log";
    }
};

// /S /D=folder with spaces: no window, exit code 0, the book in that folder
// (DestDir untouched), the shortcut, the script's copy and the entry with
// its quiet command, the log as asked; the quiet command removes it all,
// again without a window, with 0.
TEST_F(QuietScenario, InstallsIntoTheFolderNamedAndRemovesQuietly) {
    const std::string destDir = dest;
    dest = MakeTestFolder(CurrentTestName() + " Quiet") + "\\Acme Files";
    const std::string log = Medium::WorkDir() + "\\" + CurrentTestName() + ".log";
    DeleteFileA(log.c_str());
    std::string windowsCopy = WindowsFolder() + "\\ZANDEL.INI";
    DeleteFileA(windowsCopy.c_str());
    ForgetSharedCount(windowsCopy);
    medium.AddFile("SCRIPT.TXT", Sample("SCRIPT.TXT"));
    ASSERT_TRUE(StartWith("/S /LOG=" + log + " /D=" + dest));

    EXPECT_EQ(robot->WindowsShownUntilExit(), std::vector<std::string>{});
    EXPECT_EQ(robot->WaitExit(), 0);
    Tree expected = SampleTree();
    expected["Read Me First.txt"] = Sample("EXTRAS\\Read Me First.txt");
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    EXPECT_FALSE(FileExists(destDir)) << "DestDir was made";
    EXPECT_EQ(ReadWholeFile(windowsCopy), Sample("EXTRAS\\ZANDEL.INI"));
    ExpectShortcutIn("Desktop");
    ExpectRegistered(true);
    std::vector<std::string> lines = LogLines(log);
    EXPECT_TRUE(Holds(lines, "Destination: " + dest));
    EXPECT_TRUE(Holds(lines, "Copied: " + dest + "\\Chap 1\\Hello.c"));
    EXPECT_TRUE(Holds(lines, "Uninstall entry: " + product));
    EXPECT_TRUE(Holds(lines, "Script line: COPY %STARTDIR%\\EXTRAS\\ZANDEL.INI %WINDOWS%"));
    EXPECT_TRUE(Holds(lines, "Script line: COPY \"%STARTDIR%\\EXTRAS\\Read Me First.txt\" %INSTALLPATH%"));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Installed. (exit code 0)");

    const std::string uninstallLog = DefaultLog("uninstall");
    DeleteFileA(uninstallLog.c_str());
    robot = std::make_unique<Robot>(CopiedUninstaller(), Medium::WorkDir());
    robot->SetCommandLine(QuietCommand());
    ASSERT_TRUE(robot->Start()) << QuietCommand();
    EXPECT_EQ(robot->WindowsShownUntilExit(), std::vector<std::string>{});
    EXPECT_EQ(robot->WaitExit(), 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    EXPECT_FALSE(FileExists(windowsCopy));
    ExpectShortcutIn(nullptr);
    ExpectEntryGone();
    lines = LogLines(uninstallLog);
    ASSERT_FALSE(lines.empty()) << uninstallLog;
    EXPECT_EQ(lines.back(), "Removed. (exit code 0)");
    DeleteFileA(uninstallLog.c_str());
    DeleteFileA(windowsCopy.c_str());
}

// The temporary folder (TMP and TEMP) a link for as long as the test runs:
// what the programs it starts are handed.
class TemporaryFolderAs {
public:
    explicit TemporaryFolderAs(const std::string& folder) {
        for (const char* name : {"TMP", "TEMP"}) {
            char value[MAX_PATH] = {};
            DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
            m_before.push_back(length > 0 && length < MAX_PATH ? std::optional<std::string>(value) : std::nullopt);
            SetEnvironmentVariableA(name, folder.c_str());
        }
    }
    ~TemporaryFolderAs() {
        const char* names[] = {"TMP", "TEMP"};
        for (size_t i = 0; i < m_before.size(); ++i)
            SetEnvironmentVariableA(names[i], m_before[i] ? m_before[i]->c_str() : nullptr);
    }
    TemporaryFolderAs(const TemporaryFolderAs&) = delete;
    TemporaryFolderAs& operator=(const TemporaryFolderAs&) = delete;

private:
    std::vector<std::optional<std::string>> m_before;
};

// /S alone: into DestDir over the reader's older files, without a question
// (Yes To All); the log, beside the machine's journals, names each replaced
// file. A quiet removal of a book whose reader changed a file keeps it,
// exits with 1 and says so in its log. The user's temporary folder, a link
// to a folder of the system's holding files of the logs' names, has nothing
// written or deleted through it by either elevated run.
TEST_F(QuietScenario, InstallsIntoDestDirOverExistingFilesWithoutAsking) {
    AllExisting();
    const std::string behind = MakeTestFolder(CurrentTestName() + " behind");
    const std::string temp = Medium::WorkDir() + "\\" + CurrentTestName() + " temp";
    const Tree system = {{"setup-" + product + ".log", "the system's"}, {"uninstall-" + product + ".log", "the system's too"}};
    for (const auto& [name, content] : system) ASSERT_TRUE(WriteWholeFile(behind + "\\" + name, content));
    RemoveLinuxLink(temp);
    ASSERT_TRUE(MakeLinuxLink(temp, behind));
    TemporaryFolderAs linkedTemp(temp);
    const std::string log = DefaultLog("setup");
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S"));

    EXPECT_EQ(robot->WindowsShownUntilExit(), std::vector<std::string>{});
    EXPECT_EQ(robot->WaitExit(), 0);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    ExpectRegistered(true);
    std::vector<std::string> lines = LogLines(log);
    for (const auto& [relative, content] : SampleTree())
        EXPECT_TRUE(Holds(lines, "Replaced: " + dest + "\\" + relative)) << relative;
    DeleteFileA(log.c_str());

    ASSERT_TRUE(WriteWholeFile(dest + "\\Read Me.txt", "the reader's own notes"));
    const std::string uninstallLog = DefaultLog("uninstall");
    DeleteFileA(uninstallLog.c_str());
    robot = std::make_unique<Robot>(CopiedUninstaller(), Medium::WorkDir());
    robot->SetCommandLine(QuietCommand());
    ASSERT_TRUE(robot->Start());
    EXPECT_EQ(robot->WindowsShownUntilExit(), std::vector<std::string>{});
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), Tree{{"Read Me.txt", "the reader's own notes"}}), "");
    lines = LogLines(uninstallLog);
    EXPECT_TRUE(Holds(lines, "Stays: " + dest + "\\Read Me.txt"));
    EXPECT_TRUE(Holds(lines, kUninstallProblemText));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Not everything was removed. (exit code 1)");
    DeleteFileA(uninstallLog.c_str());
    EXPECT_EQ(TreeDifferences(InstalledTree(behind), system), "") << "written or deleted through the temporary folder";
    EXPECT_TRUE(RemoveLinuxLink(temp));
    RemoveTree(behind);
}

// /S /CurrentUser, as a reader without administrator rights installs: the
// entry under HKEY_CURRENT_USER with the medium's publisher and version, the
// uninstaller in the user's own folder, counted there; nothing of the book
// under HKEY_LOCAL_MACHINE or in the Windows folder. The entry's quiet
// command removes the book, and with the user's last book the user's
// uninstaller.
TEST_F(QuietScenario, ForTheCurrentUserTouchesNothingOfTheMachine) {
    ASSERT_FALSE(UserSetupFolder().empty()) << "no Local AppData shell folder";
    ASSERT_NO_FATAL_FAILURE(DestinationInTheProfile());
    medium.SetIni("Publisher", "Zandel Press").SetIni("Version", "2.1");
    const std::string log = Medium::WorkDir() + "\\" + CurrentTestName() + ".log";
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S /CurrentUser /LOG=" + log));
    EXPECT_EQ(robot->WindowsShownUntilExit(), std::vector<std::string>{});
    EXPECT_EQ(robot->WaitExit(), 0) << ReadWholeFile(log).value_or("<no log>");
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    ExpectShortcutIn("Desktop");
    // Neither an entry under HKEY_LOCAL_MACHINE nor the uninstaller in the Windows folder.
    ExpectRegistered(false);
    EXPECT_EQ(SharedCountOf(UserUninstaller()), std::nullopt) << "counted under SharedDLLs";
    std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product, HKEY_CURRENT_USER);
    ASSERT_TRUE(entry) << "no entry under HKEY_CURRENT_USER";
    ExpectEntryValues(*entry, UserUninstaller(), "/CURRENTUSER ",
                      {{"Publisher", Sz("Zandel Press")}, {"DisplayVersion", Sz("2.1")}});
    EXPECT_EQ(ReadWholeFile(UserUninstaller()), ReadWholeFile(XOVUNIN_EXE));
    EXPECT_EQ(UserCountOf(UserUninstaller()), 1u);
    EXPECT_TRUE(Holds(LogLines(log), "Installing for the current user."));

    // An entry of the machine's of the same name is another install: the
    // user's uninstaller never looks at it.
    HKEY machineEntry = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + product).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &machineEntry, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(machineEntry, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>("machine"), 8);
    RegCloseKey(machineEntry);
    robot = std::make_unique<Robot>(UserUninstaller(), Medium::WorkDir());
    robot->SetCommandLine(QuietCommand(HKEY_CURRENT_USER));
    ASSERT_TRUE(robot->Start()) << QuietCommand(HKEY_CURRENT_USER);
    EXPECT_EQ(robot->WindowsShownUntilExit(), std::vector<std::string>{});
    EXPECT_EQ(robot->WaitExit(), 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    ExpectShortcutIn(nullptr);
    ExpectUserBookGone();
    EXPECT_EQ(UninstallEntry(product), (std::map<std::string, StoredValue>{{"DisplayName", Sz("machine")}}))
        << "the machine's entry of that name";
}

// An interactive run with /CURRENTUSER shows the dialogs of every run, and
// its entry's own command removes the book after its question.
TEST_F(QuietScenario, AnInteractiveRunForTheCurrentUserIsRemovedByItsEntry) {
    ASSERT_NO_FATAL_FAILURE(DestinationInTheProfile());
    ASSERT_TRUE(StartWith("/currentuser"));
    ASSERT_TRUE(PassToProgress());
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFinishedTitle});
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    ExpectRegistered(false);
    std::string command = RegisteredCommand(HKEY_CURRENT_USER);
    EXPECT_EQ(command, "\"" + UserUninstaller() + "\" /CURRENTUSER `" + dest + "` " + product);

    UninstallRun run = RunUninstaller(command, {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    ExpectShortcutIn(nullptr);
    ExpectUserBookGone();
}

// A line the user adds to the record of a book of theirs (under
// HKEY_CURRENT_USER, written without rights), naming a file outside the
// profile with its size, time and hash (a file of a folder standing in for
// the Windows folder): the removal with administrator rights (every run
// under Wine has them, as a package tool's would) leaves it, and says how to
// remove the book without rights; the entry stays with that line and the
// user's uninstaller. Everything of the book below the profile goes.
TEST_F(QuietScenario, AnElevatedRemovalOfAUsersBookTouchesNothingOutsideTheProfile) {
    ASSERT_NO_FATAL_FAILURE(DestinationInTheProfile());
    ASSERT_TRUE(StartWith("/S /CURRENTUSER"));
    ASSERT_EQ(robot->WaitExit(), 0);
    const std::string windows = MakeTestFolder(CurrentTestName() + " windows"), system = windows + "\\SYSTEM.INI";
    ASSERT_TRUE(WriteWholeFile(system, "[boot]\r\nshell=Explorer.exe\r\n"));
    std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product, HKEY_CURRENT_USER);
    ASSERT_TRUE(entry && entry->count("InstallRecord"));
    std::optional<InstallRecord> record = ParseRecord(entry->at("InstallRecord").bytes);
    ASSERT_TRUE(record);
    std::optional<RecordEntry> added = FileEntryNow(system);
    ASSERT_TRUE(added);
    record->entries.insert(record->entries.begin(), *added);
    const std::string text = FormatRecord(*record);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (kUninstallKey + product).c_str(), 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    RegSetValueExA(key, "InstallRecord", 0, REG_BINARY, reinterpret_cast<const BYTE*>(text.data()),
                   static_cast<DWORD>(text.size()));
    RegCloseKey(key);

    char profile[MAX_PATH] = {};
    ExpandEnvironmentStringsA("%USERPROFILE%", profile, MAX_PATH);
    UninstallRun run = RunUninstaller(RegisteredCommand(HKEY_CURRENT_USER), {IDYES});
    EXPECT_EQ(run.boxes,
              (std::vector<std::string>{
                  Question(), "[exclamation OK] " + product +
                                  ": This book was installed for one user alone, and part of it lies outside that "
                                  "user's folder (" + std::string(profile) +
                                  "). Run with administrator rights, the uninstaller does not touch it. To remove the "
                                  "book, sign in as that user and start its uninstaller from the list of installed "
                                  "programs without \"Run as administrator\"."}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(ReadWholeFile(system), "[boot]\r\nshell=Explorer.exe\r\n") << "outside the profile";
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    ExpectShortcutIn(nullptr);
    entry = UninstallEntry(product, HKEY_CURRENT_USER);
    ASSERT_TRUE(entry && entry->count("InstallRecord")) << "the entry, for the user's own removal";
    record = ParseRecord(entry->at("InstallRecord").bytes);
    ASSERT_TRUE(record);
    std::vector<std::string> left;
    for (const RecordEntry& e : record->entries) left.push_back(e.path);
    EXPECT_EQ(left, (std::vector<std::string>{system, UserUninstaller()}));
    EXPECT_EQ(ReadWholeFile(UserUninstaller()), ReadWholeFile(XOVUNIN_EXE)) << "the user's uninstaller stays";
    RemoveTree(windows);
}

// A book installed before is offered its own folder again while that is
// there, and goes there again under its one entry; the command line's folder
// still wins, and a folder that is gone gives way to DestDir.
TEST_F(QuietScenario, ASecondInstallProposesTheFirstOnesFolder) {
    constexpr int kLocation = 1003;
    const std::string destDir = dest;
    dest = MakeTestFolder(CurrentTestName() + " first") + "\\Book";
    ASSERT_TRUE(StartWith("/S /D=" + dest));
    ASSERT_EQ(robot->WaitExit(), 0);

    // Opens the destination dialog of an interactive run: the folder it proposes.
    auto proposed = [this](const std::string& switches) -> std::optional<WindowInfo> {
        if (!StartWith(switches)) return std::nullopt;
        std::optional<WindowInfo> welcome = NextDialog();
        if (!welcome || !PressAndWaitClosed(*welcome, IDOK)) return std::nullopt;
        return NextDialog();
    };
    auto leave = [this] {
        robot->Press(IDCANCEL);
        Walk walk = WalkAnswering({{kExitTitle, {kExitSetup}}});
        EXPECT_EQ(walk.dialogs, (std::vector<std::string>{kExitTitle, kFailedTitle}));
    };
    const std::string named = MakeTestFolder(CurrentTestName() + " named") + "\\Book";
    std::optional<WindowInfo> destination = proposed("/D=" + named);
    ASSERT_TRUE(destination);
    EXPECT_EQ(destination->Text(kLocation), named) << "the command line's folder";
    leave();

    destination = proposed("");
    ASSERT_TRUE(destination);
    EXPECT_EQ(destination->Text(kLocation), dest) << "the first install's folder";
    ASSERT_TRUE(PressAndWaitClosed(*destination, IDOK));
    Walk walk = WalkAnswering();
    ASSERT_FALSE(walk.dialogs.empty());
    EXPECT_EQ(walk.dialogs.back(), kFinishedTitle);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    EXPECT_FALSE(FileExists(destDir)) << "DestDir was made";
    ExpectRegistered(true);

    const std::string moved = dest + " moved";
    RemoveTree(moved);
    ASSERT_TRUE(MoveFileA(dest.c_str(), moved.c_str()));
    destination = proposed("");
    ASSERT_TRUE(destination);
    EXPECT_EQ(destination->Text(kLocation), destDir) << "a folder that is gone is not proposed";
    leave();
    RemoveTree(moved);
}

// An uninstaller changed on the medium after it was signed: the book is
// installed, that uninstaller is copied nowhere, and the run says so, naming
// the file: an unattended run in its log, ending with 10, an interactive one
// in a message before the finished dialog.
TEST_F(QuietScenario, AnUninstallerChangedAfterSigningIsNeverCopied) {
    ASSERT_FALSE(UserSetupFolder().empty()) << "no Local AppData shell folder";
    ASSERT_FALSE(FileExists(UserUninstaller())) << "left by another scenario";
    uninstallerOnMedium = SIGNED_DIR "\\changed\\XOVUNIN.EXE";
    const std::string said = "Setup has installed " + product + ", but did not copy its uninstaller: XOVUNIN.EXE on "
                             "the medium was changed after it was signed. The book cannot be removed with the "
                             "system's list of installed software.";
    const std::string log = Medium::WorkDir() + "\\" + CurrentTestName() + ".log";
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S /CURRENTUSER /LOG=" + log));
    EXPECT_EQ(robot->WaitExit(), 10);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    EXPECT_FALSE(FileExists(UserUninstaller()));
    EXPECT_TRUE(Holds(LogLines(log), said)) << ReadWholeFile(log).value_or("<no log>");

    RemoveTree(dest);
    ASSERT_TRUE(StartWith("/CURRENTUSER"));
    ASSERT_TRUE(PassToProgress());
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, (std::vector<std::string>{"setup: " + said, kFinishedTitle}));
    EXPECT_EQ(robot->WaitExit(), 1) << robot->Transcript();
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    EXPECT_FALSE(FileExists(UserUninstaller()));

    // A whole newer one replaces a signed older one.
    RemoveTree(dest);
    ASSERT_TRUE(WriteWholeFile(UserUninstaller(), ReadWholeFile(SIGNED_DIR "\\older\\XOVUNIN.EXE").value_or("")));
    uninstallerOnMedium = SIGNED_DIR "\\XOVUNIN.EXE";
    ASSERT_TRUE(StartWith("/S /CURRENTUSER /LOG=" + log));
    EXPECT_EQ(robot->WaitExit(), 0) << ReadWholeFile(log).value_or("<no log>");
    EXPECT_TRUE(ReadWholeFile(UserUninstaller()) == ReadWholeFile(SIGNED_DIR "\\XOVUNIN.EXE"));
    Clean();
}

// Never "complete" without a way back. Where the user's uninstaller cannot be
// copied (a file stands where its folder goes), an unattended run ends with
// 10 and its log names what is missing, and an interactive one says it in a
// message before the finished dialog. An unattended run whose script had a
// failing line ends with 11.
TEST_F(QuietScenario, NoRunSaysCompleteWithoutAWayBack) {
    ASSERT_FALSE(UserSetupFolder().empty()) << "no Local AppData shell folder";
    ASSERT_TRUE(WriteWholeFile(UserSetupFolder(), "not a folder"));
    const std::string missing = "Setup has installed " + product + ", but could not copy its uninstaller to " +
                                UserUninstaller() +
                                ": the book cannot be removed with the system's list of installed software.";
    const std::string log = Medium::WorkDir() + "\\" + CurrentTestName() + ".log";
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S /CURRENTUSER /LOG=" + log));
    EXPECT_EQ(robot->WaitExit(), 10);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    std::vector<std::string> lines = LogLines(log);
    EXPECT_TRUE(Holds(lines, missing)) << ReadWholeFile(log).value_or("<no log>");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Installed, but the book cannot be removed: its uninstaller or uninstall entry could not "
                            "be written. (exit code 10)");

    RemoveTree(dest);
    ASSERT_TRUE(StartWith("/CURRENTUSER"));
    ASSERT_TRUE(PassToProgress());
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, (std::vector<std::string>{"setup: " + missing, kFinishedTitle}));
    EXPECT_EQ(robot->WaitExit(), 1);
    DeleteFileA(UserSetupFolder().c_str());
    Clean();
    RemoveTree(dest);

    medium.AddFile("SCRIPT.TXT", "COPY %STARTDIR%\\NOSUCH.TXT %INSTALLPATH%\r\n");
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S /LOG=" + log));
    EXPECT_EQ(robot->WaitExit(), 11);
    ExpectRegistered(true);
    lines = LogLines(log);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Installed; a line of the command script failed. (exit code 11)");
    Clean();
    RemoveTree(dest);

    // A copy that cannot be made (a folder of the book stands at its target
    // name) is silent on the screen, as the script's rules say, but named in
    // the log, and an unattended run ends with 11; the interactive run's log
    // names it too.
    medium.AddFile("CODE\\BLOCKED.TXT\\INSIDE.TXT", "a folder of the book at the script's target name");
    medium.AddFile("SCRIPT.TXT", "COPY %STARTDIR%\\SETUP.INI %INSTALLPATH%\\BLOCKED.TXT\r\n");
    const std::string failed = "Script: The script's copy of " + medium.Path() + "\\SETUP.INI to " + dest +
                               "\\BLOCKED.TXT failed: system error 5. (Script command 'COPY    " + medium.Path() +
                               "\\SETUP.INI    " + dest + "\\BLOCKED.TXT')";
    for (bool silent : {true, false}) {
        DeleteFileA(log.c_str());
        if (silent) {
            ASSERT_TRUE(StartWith("/S /LOG=" + log));
            EXPECT_EQ(robot->WaitExit(), 11);
        } else {
            ASSERT_TRUE(StartWith("/LOG=" + log));
            ASSERT_TRUE(PassToProgress());
            Walk walk = WalkAnswering();
            EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFinishedTitle}) << "nothing on the screen";
            EXPECT_EQ(robot->WaitExit(), 1);
        }
        ExpectRegistered(true);
        lines = LogLines(log);
        EXPECT_TRUE(Holds(lines, failed)) << ReadWholeFile(log).value_or("<no log>");
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), silent ? "Installed; a line of the command script failed. (exit code 11)"
                                       : "Setup is complete.");
        Clean();
        RemoveTree(dest);
    }
}

// A run ended from the task list after two Yes, then an unattended run of
// the book: it undoes the run cut short first, so the reader's files it
// then replaces are kept and let go as its own, and nothing of the cut run
// is left beside the book's files.
TEST_F(QuietScenario, ARunCutShortIsUndoneBeforeAnUnattendedRun) {
    AllExisting();
    medium.AddFile("CODE\\NEW_BITS\\EXTRA.TXT", "extra");
    EndAtReplaceQuestion(3);
    ASSERT_EQ(KeptFilesIn(InstalledTree(dest)), 2u);
    ASSERT_EQ(JournalsOf(product), 1u);
    const std::string log = Medium::WorkDir() + "\\" + CurrentTestName() + ".log";
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S /LOG=" + log));
    EXPECT_EQ(robot->WindowsShownUntilExit(), std::vector<std::string>{});
    EXPECT_EQ(robot->WaitExit(), 0);
    Tree expected = SampleTree();
    expected["New Bits\\Extra.txt"] = "extra";
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    EXPECT_EQ(JournalsOf(product), 0u);
    DeleteFileA(log.c_str());
}

// What the same user unelevated, or another user, can write never turns into
// a delete or a move of an elevated run (every run under Wine is one):
// - a journal in the user's own folder (any program of the user may write
//   one) is never looked at;
// - a journal in the machine's folder is carried out only inside the run's
//   own folders: an N line for a file of the Windows folder and a K line
//   that would put a file over another one there are refused, and named;
// - a file at the journals' folder's name and links at the nine names beside
//   it do not stop the install: the file is moved aside, never entered.
TEST_F(QuietScenario, AnElevatedRunObeysOnlyWhatAdministratorsAloneCanWrite) {
    const std::string work = MakeTestFolder(CurrentTestName() + " Forged");
    const std::string victim = WindowsFolder() + "\\ZANDEL-VICTIM.INI", covered = WindowsFolder() + "\\ZANDEL-COVERED.INI";
    const std::string planted = work + "\\planted.txt";
    ASSERT_TRUE(WriteWholeFile(victim, "the system's"));
    ASSERT_TRUE(WriteWholeFile(covered, "the system's too"));
    ASSERT_TRUE(WriteWholeFile(planted, "a program's of the user"));
    const std::string forged = "XOV SETUP RUN JOURNAL 1\r\nM\t0000F0F0\r\nP\tAnother Book\r\nI\t" + work +
                               "\\Book\r\nN\t" + victim + "\r\nK\t" + covered + "\t" + planted + "\r\n";
    const std::string userJournals = LocalAppDataFolder() + "\\Book Setup Journals";
    MakeFolders(userJournals);
    ASSERT_TRUE(WriteWholeFile(userJournals + "\\F0F0.jnl", forged));
    const std::string machineJournals = MachinePlaces().journals.folder;
    auto leaveNothing = [&] {
        for (int beside = 2; beside <= 9; ++beside)
            if (KindOf(machineJournals + " " + std::to_string(beside)) == PathKind::Link)
                RemoveLinuxLink(machineJournals + " " + std::to_string(beside));
        if (KindOf(machineJournals) == PathKind::File) DeleteFileA(machineJournals.c_str());
        DeleteFileA((machineJournals + " (not setup's 1)").c_str());
    };
    leaveNothing();
    MakeFolders(machineJournals);
    ASSERT_TRUE(WriteWholeFile(machineJournals + "\\F0F0.jnl", forged));

    const std::string log = Medium::WorkDir() + "\\" + CurrentTestName() + ".log";
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S /LOG=" + log));
    EXPECT_EQ(robot->WaitExit(), 0) << ReadWholeFile(log).value_or("<no log>");
    EXPECT_EQ(FileContent(victim), "the system's");
    EXPECT_EQ(FileContent(covered), "the system's too");
    EXPECT_EQ(FileContent(planted), "a program's of the user");
    EXPECT_EQ(FileContent(userJournals + "\\F0F0.jnl"), forged) << "the user's own journal, never read";
    const std::vector<std::string> lines = LogLines(log);
    const std::string refused = "Refused, as it lies outside the folders of the run that wrote the journal: ";
    EXPECT_TRUE(Holds(lines, refused + victim)) << ReadWholeFile(log).value_or("");
    EXPECT_TRUE(Holds(lines, refused + covered + " (" + planted + ")")) << ReadWholeFile(log).value_or("");
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");

    // Something stands at the journals' folder's name, and links at every name beside it.
    if (FileExists(machineJournals + ".held")) RemoveTree(machineJournals + ".held");
    ASSERT_TRUE(MoveFileA(machineJournals.c_str(), (machineJournals + ".held").c_str()));
    ASSERT_TRUE(WriteWholeFile(machineJournals, "not a folder"));
    MakeFolders(work + "\\Elsewhere");
    for (int beside = 2; beside <= 9; ++beside)
        ASSERT_TRUE(MakeLinuxLink(machineJournals + " " + std::to_string(beside), work + "\\Elsewhere"));
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S /LOG=" + log));
    EXPECT_EQ(robot->WaitExit(), 0) << ReadWholeFile(log).value_or("<no log>");
    EXPECT_TRUE(Holds(LogLines(log), machineJournals + " was not setup's own: it is moved aside to " + machineJournals +
                                         " (not setup's 1)."))
        << ReadWholeFile(log).value_or("");
    EXPECT_EQ(FileContent(machineJournals + " (not setup's 1)"), "not a folder");
    EXPECT_EQ(ListingOrder(work + "\\Elsewhere"), std::vector<std::string>{}) << "nothing made behind a link";
    leaveNothing();
    RemoveDirectoryA(machineJournals.c_str());
    MoveFileA((machineJournals + ".held").c_str(), machineJournals.c_str());
    DeleteFileA((userJournals + "\\F0F0.jnl").c_str());
    DeleteFileA(victim.c_str());
    DeleteFileA(covered.c_str());
    DeleteFileA(log.c_str());
}

// A switch setup does not know: an unattended run stops with 2 before it
// touches anything and says why in its log; an interactive run names it in
// one message and goes on as ever, to its exit code 1, taking the switches
// it knows: the folder of /D= proposed (and kept here), the log of /LOG=.
TEST_F(QuietScenario, AnUnknownSwitchStopsAQuietRunAndIsNamedInAnInteractiveOne) {
    // A log that was asked for and cannot be opened: nothing is installed either.
    ASSERT_TRUE(StartWith("/S \"/LOG=" + Medium::WorkDir() + "\\no such folder\\run.log\""));
    EXPECT_EQ(robot->WindowsShownUntilExit(), std::vector<std::string>{});
    EXPECT_EQ(robot->WaitExit(), 2);
    EXPECT_FALSE(FileExists(dest)) << "installed without the log that was asked for";
    ExpectRegistered(false);
    // So is one whose folder is a link (the user's, to a folder of the
    // system's): nothing there is written or deleted.
    const std::string behind = MakeTestFolder(CurrentTestName() + " behind");
    const std::string linked = Medium::WorkDir() + "\\" + CurrentTestName() + " linked";
    ASSERT_TRUE(WriteWholeFile(behind + "\\run.log", "the system's"));
    RemoveLinuxLink(linked);
    ASSERT_TRUE(MakeLinuxLink(linked, behind));
    ASSERT_TRUE(StartWith("/S \"/LOG=" + linked + "\\run.log\""));
    EXPECT_EQ(robot->WaitExit(), 2);
    EXPECT_FALSE(FileExists(dest)) << "installed without the log that was asked for";
    EXPECT_EQ(TreeDifferences(InstalledTree(behind), Tree{{"run.log", "the system's"}}), "");
    EXPECT_TRUE(RemoveLinuxLink(linked));
    RemoveTree(behind);

    const std::string log = Medium::WorkDir() + "\\" + CurrentTestName() + ".log";
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S /VERYSILENT /LOG=" + log));
    EXPECT_EQ(robot->WindowsShownUntilExit(), std::vector<std::string>{});
    EXPECT_EQ(robot->WaitExit(), 2);
    EXPECT_FALSE(FileExists(dest));
    ExpectRegistered(false);
    std::vector<std::string> lines = LogLines(log);
    EXPECT_TRUE(Holds(lines, "Unknown switch: /VERYSILENT"));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Not installed: a switch on the command line was not understood. (exit code 2)");

    const std::string destDir = dest;
    dest = MakeTestFolder(CurrentTestName() + " named") + "\\Book";
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/VERYSILENT /LOG=" + log + " /D=" + dest));
    const std::string message =
        "Setup does not know the switch /VERYSILENT on its command line and goes on without it.";
    ASSERT_TRUE(AcknowledgeMessage(message));
    ASSERT_TRUE(PassToProgress());
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFinishedTitle});
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    EXPECT_FALSE(FileExists(destDir)) << "DestDir was made";
    ExpectRegistered(true);
    lines = LogLines(log);
    EXPECT_TRUE(Holds(lines, message));
    EXPECT_TRUE(Holds(lines, "Destination: " + dest));
    EXPECT_TRUE(Holds(lines, "Copied: " + dest + "\\Read Me.txt"));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Setup is complete.");
}

// A name on the medium in full-width forms ("．．＼ESCAPE.TXT"), installed as a
// system before Windows 10 1903 runs setup (in its code page, 1252 here):
// the system's best fit would make it "..\\ESCAPE.TXT", beside the chosen
// folder, read from the medium's own ESCAPE.TXT. It is named in the log and
// written nowhere, and the unattended run stops as on any file it cannot
// install; the publisher's check in that code page names it too.
TEST_F(QuietScenario, AFullWidthNameNeverLeadsOutOfTheChosenFolder) {
    ASSERT_EQ(SystemCodePage(), 1252u);
    const std::string name = "\xEF\xBC\x8E\xEF\xBC\x8E\xEF\xBC\xBC" "ESCAPE.TXT";
    medium.AddFile("CODE\\" + name, "full width").AddFile("ESCAPE.TXT", "beside the code");
    const std::string outside = SplitPath(dest).folder + "ESCAPE.TXT";
    DeleteFileA(outside.c_str());
    const std::string log = Medium::WorkDir() + "\\" + CurrentTestName() + ".log";
    struct Programs {
        ~Programs() { SetEnvironmentVariableA("SETUP_PROGRAMS_DIR", nullptr); }
    } restore;
    SetEnvironmentVariableA("SETUP_PROGRAMS_DIR", (std::string(PROGRAMS_DIR) + "\\system-code-page").c_str());
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S /LOG=" + log));
    EXPECT_EQ(robot->WindowsShownUntilExit(), std::vector<std::string>{});
    EXPECT_EQ(robot->WaitExit(), 7);
    EXPECT_FALSE(FileExists(outside)) << "written beside the chosen folder";
    const std::string named = "Not installed, as this system's code page cannot write its name whole: ";
    const std::string shown = "\\CODE\\???ESCAPE.TXT";
    std::vector<std::string> lines = LogLines(log);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.rfind(named, 0) == 0 && line.size() > shown.size() &&
               line.compare(line.size() - shown.size(), shown.size(), shown) == 0;
    })) << ReadWholeFile(log).value_or("<no log>");
    ExpectRegistered(false);
    // The publisher's check in that code page says so too, as an error.
    std::string output;
    EXPECT_EQ(RunMedium("check \"" + medium.Path() + "\"", output), 1) << output;
    EXPECT_NE(output.find("error: CODE\\???ESCAPE.TXT: this system's code page (1252) cannot write the name whole: "
                          "not installed"),
              std::string::npos)
        << output;
}

// /S with a file of the book held for the whole run, with /CLOSEAPPLICATIONS
// too (Wine's system names no program to close): tried again for ten
// seconds, then code 12, the log names the file, the first edition whole
// and nothing registered.
class QuietFileInUse : public QuietScenario, public ::testing::WithParamInterface<const char*> {};

TEST_P(QuietFileInUse, EndsWithItsCodeAndLeavesTheFirstEditionWhole) {
    AllExisting();
    const std::string heldPath = dest + "\\Chap 1\\Hello.c";
    HANDLE held = CreateFileA(heldPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string log = Medium::WorkDir() + "\\" + CurrentTestName() + ".log";
    DeleteFileA(log.c_str());
    DWORD start = GetTickCount();
    ASSERT_TRUE(StartWith(std::string("/S ") + GetParam() + " /LOG=" + log, 60000));
    EXPECT_EQ(robot->WindowsShownUntilExit(), std::vector<std::string>{});
    int code = robot->WaitExit();
    DWORD elapsed = GetTickCount() - start;
    CloseHandle(held);
    EXPECT_EQ(code, 12);
    EXPECT_GE(elapsed, 10000u) << "given up before its wait";
    EXPECT_LT(elapsed, 40000u);
    std::vector<std::string> lines = LogLines(log);
    EXPECT_TRUE(Holds(lines, "In use by another program (programs the system cannot name): " + heldPath))
        << ReadWholeFile(log).value_or("<no log>");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Not installed: a file of the book is in use by another program. (exit code 12)");
    Tree old;
    for (const auto& [relative, content] : SampleTree()) old[relative] = OldContent(relative);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), old), "");
    ExpectShortcutIn(nullptr);
    ExpectRegistered(false);
}

INSTANTIATE_TEST_SUITE_P(E2E, QuietFileInUse, ::testing::Values("", "/CLOSEAPPLICATIONS"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(*info.param ? "CloseApplications" : "WaitOnly");
                         });

// An unattended run that cannot install: no window, its own exit code, the
// log's reason and last line, and nothing made or registered.
struct QuietFailureCase {
    const char* name;
    std::function<void(Medium&)> change;
    const char* destination;  // for /D=; DestDir when empty
    int code;
    const char* reason;  // a line of the log
    const char* last;
    bool journalPlaceTaken = false;  // no journal can be begun
};

void PrintTo(const QuietFailureCase& c, std::ostream* out) { *out << c.name; }

class QuietFailures : public QuietScenario, public ::testing::WithParamInterface<QuietFailureCase> {};

TEST_P(QuietFailures, EndWithTheirCodeAndLeaveNothing) {
    const QuietFailureCase& c = GetParam();
    GetParam().change(medium);
    std::optional<JournalPlaceTaken> taken;
    if (c.journalPlaceTaken) taken.emplace();
    const std::string log = Medium::WorkDir() + "\\" + CurrentTestName() + ".log";
    DeleteFileA(log.c_str());
    std::string switches = "/S /LOG=" + log;
    if (*c.destination) switches += std::string(" /D=") + c.destination;
    ASSERT_TRUE(StartWith(switches));

    EXPECT_EQ(robot->WindowsShownUntilExit(), std::vector<std::string>{});
    EXPECT_EQ(robot->WaitExit(), c.code);
    EXPECT_FALSE(FileExists(dest)) << "the destination was made";
    ExpectShortcutIn(nullptr);
    ExpectRegistered(false);
    std::vector<std::string> lines = LogLines(log);
    EXPECT_TRUE(Holds(lines, c.reason)) << ReadWholeFile(log).value_or("<no log>");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), c.last);
}

INSTANTIATE_TEST_SUITE_P(
    E2E, QuietFailures,
    ::testing::Values(
        QuietFailureCase{"NoCodeDir", [](Medium& m) { m.SetIni("CodeDir", "BOOK CODE"); }, "", 5,
                         "The book's files are supposed to be in a directory named 'BOOK CODE'. Setup can't find this "
                         "directory so it's exiting.",
                         "Not installed: the medium lacks the folder of the book's files. (exit code 5)"},
        QuietFailureCase{"NoSetupIni", [](Medium& m) { m.Omit("SETUP.INI"); }, "", 6,
                         "Warning: The CodeDir key (or its text) is not set in SETUP.INI",
                         "Not installed: the medium could not be read. (exit code 6)"},
        QuietFailureCase{"NoSuchDrive", [](Medium&) {}, "Q:\\Books\\Acme", 4,
                         "The destination's drive cannot be reached.",
                         "Not installed: the destination folder could not be made. (exit code 4)"},
        QuietFailureCase{"NoJournal", [](Medium&) {}, "", 8, "A problem occurred while the files were installed.",
                         "Not installed: setup could not begin its journal; nothing was changed. (exit code 8)", true}),
    [](const ::testing::TestParamInfo<QuietFailureCase>& info) { return std::string(info.param.name); });

namespace {
// The text in the system's ANSI code page (932 on a Japanese Windows), from
// the UTF-8 of this source.
std::string Ansi(const char* utf8) {
    wchar_t wide[MAX_PATH] = {};
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, MAX_PATH);
    char ansi[2 * MAX_PATH] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, length, ansi, sizeof ansi, nullptr, nullptr);
    return ansi;
}

// A book whose names are Japanese, on a Japanese Windows (code page 932):
// every name holds characters whose second byte is "\" (ソ, 表), "_" (ダ),
// "|" (ポ) or "`" (チ). Run by CTest under a Japanese locale in a prefix of
// its own (CodePage932.*), not with the other scenarios.
class CodePage932Scenario : public UninstallScenario {
protected:
    CodePage932Scenario() {
        dest = Medium::WorkDir() + "\\" + Ansi("チ本") + "\\" + Ansi("一覧表");
        product = Ansi("ソフト表");
        linkName = product + " Files";
    }
    void SetUp() override {
        ASSERT_EQ(SystemCodePage(), 932u) << "this scenario runs under a Japanese locale";
        RemoveTree(Medium::WorkDir() + "\\" + Ansi("チ本"));
        UninstallScenario::SetUp();
    }
};
}  // namespace

TEST_F(CodePage932Scenario, InstallsRegistersRunsItsScriptAndUninstallsWhole) {
    const std::string windowsCopy = WindowsFolder() + "\\" + Ansi("表ソ.INI");
    DeleteFileA(windowsCopy.c_str());
    medium.AddFile("CODE\\" + Ansi("ダ_ポ.TXT"), "da po")
        .AddFile("CODE\\" + Ansi("一覧表"), "ichiranhyou")
        .AddFile("CODE\\" + Ansi("表_チ") + "\\" + Ansi("能_十.TXT"), "nou juu")
        .AddFile("EXTRAS\\" + Ansi("予定表.TXT"), "yotei")
        // The publisher's script, in the system's code page.
        .AddFile("SCRIPT.TXT", RecodeText("COPY %STARTDIR%\\EXTRAS\\" + Ansi("予定表.TXT") + " %INSTALLPATH%\r\n" +
                                              "COPY %STARTDIR%\\EXTRAS\\ZANDEL.INI %WINDOWS%\\" + Ansi("表ソ.INI") +
                                              "\r\n",
                                          CP_ACP, SystemCodePage()));
    medium.AddCopy("XOVUNIN.EXE", XOVUNIN_EXE);
    std::string output;
    EXPECT_EQ(RunMedium("check \"" + medium.Build() + "\"", output), 0) << output;
    // Four names outside ASCII, each worth a word to the publisher, and the
    // uninstaller of the build, which is not signed; nothing wrong.
    EXPECT_EQ(output.substr(output.rfind("0 errors")), "0 errors, 5 warnings\n");
    // The publisher's pack makes the same folders.
    const std::string packed = medium.Path() + Ansi(" 表");
    EXPECT_EQ(RunMedium("pack \"" + medium.Path() + "\" \"" + packed + "\"", output), 0) << output;
    EXPECT_TRUE(FileExists(packed + "\\CODE\\" + Ansi("表_チ") + "\\" + Ansi("能_十.TXT"))) << output;
    RemoveTree(packed);

    Install();
    Tree expected = SampleTree();
    expected[Ansi("ダ ポ.txt")] = "da po";
    expected[Ansi("表 チ") + "\\" + Ansi("能 十.txt")] = "nou juu";
    expected[Ansi("予定表.TXT")] = "yotei";
    expected[Ansi("一覧表")] = "ichiranhyou";
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    // Again from the same medium: every file is replaced through a temporary
    // file beside it, the one whose name ends in 表 too, and none is left behind.
    robot = std::make_unique<Robot>(SETUP_EXE, medium.Path());
    ASSERT_TRUE(robot->Start() && PassToProgress());
    Walk again = WalkAnswering({{kReplaceTitle, {kYesToAll}}});
    EXPECT_EQ(again.dialogs, (std::vector<std::string>{kReplaceTitle, kFinishedTitle})) << "a file was not replaced";
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    EXPECT_EQ(ReadWholeFile(windowsCopy), Sample("EXTRAS\\ZANDEL.INI"));
    ExpectShortcutIn("Desktop");
    ExpectRegistered(true);  // under the name with ソ and 表, naming the folder with チ and 表

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(Medium::WorkDir() + "\\" + Ansi("チ本")))
        << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    EXPECT_FALSE(FileExists(windowsCopy));
    ExpectShortcutIn(nullptr);
    ExpectEntryGone();
}

namespace {
// A book on a Western Windows (code page 1252) whose names are in scripts the
// code page lacks: the medium in a Cyrillic folder, files named in Greek,
// Russian and Vietnamese, a destination and a Desktop named in Cyrillic, the
// product's name in its texts (a SETUP.INI and SETUP.TXT in UTF-8 with a
// byte-order mark). Setup and the uninstaller run in UTF-8.
class EveryScriptScenario : public UninstallScenario {
protected:
    EveryScriptScenario() {
        medium = Medium("Носитель " + CurrentTestName());
        dest = Medium::WorkDir() + "\\Книги\\Εισαγωγή";
        product = "Книги Đọc";
        linkName = product + " Files";
        // Below the profile: a run with rights (every run under Wine) takes
        // the user's shell folders only there.
        desktop = UserProfileFolder() + "\\Рабочий стол";
    }
    void SetUp() override {
        ASSERT_EQ(SystemCodePage(), 1252u) << "this scenario runs on a Western system";
        RemoveTree(Medium::WorkDir() + "\\Книги");
        MakeFolders(desktop);
        for (const char* key : kDesktopKeys) {
            savedDesktop.push_back(DesktopValue(key));
            SetDesktopValue(key, {REG_SZ, desktop + std::string(1, '\0')});
        }
        UninstallScenario::SetUp();
        if (utf16Profiles)
            medium.MarkProfilesUtf16();
        else if (utf8Profiles)
            medium.MarkProfilesUtf8();
    }
    void TearDown() override {
        UninstallScenario::TearDown();
        for (size_t i = 0; i < savedDesktop.size(); ++i) SetDesktopValue(kDesktopKeys[i], savedDesktop[i]);
        RemoveTree(desktop);
        RemoveTree(Medium::WorkDir() + "\\Книги");
    }
    // Both keys name the Desktop; each keeps its own type (REG_EXPAND_SZ in one).
    static constexpr const char* kDesktopKeys[] = {
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"};
    static StoredValue DesktopValue(const char* key) {
        StoredValue value;
        char bytes[2048] = {};
        DWORD size = sizeof bytes;
        HKEY opened = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return value;
        if (RegQueryValueExA(opened, "Desktop", nullptr, &value.type, reinterpret_cast<BYTE*>(bytes), &size) ==
            ERROR_SUCCESS)
            value.bytes.assign(bytes, size);
        RegCloseKey(opened);
        return value;
    }
    static void SetDesktopValue(const char* key, const StoredValue& value) {
        HKEY opened = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, &opened), ERROR_SUCCESS) << key;
        RegSetValueExA(opened, "Desktop", 0, value.type, reinterpret_cast<const BYTE*>(value.bytes.data()),
                       static_cast<DWORD>(value.bytes.size()));
        RegCloseKey(opened);
    }

    // Installs as a person does; the welcome dialog's title as it showed.
    std::string InstallSeeingWelcome() {
        medium.AddCopy("XOVUNIN.EXE", XOVUNIN_EXE);
        if (!StartSetup()) return "";
        std::optional<WindowInfo> welcome = NextDialog();
        if (!welcome || !PressAndWaitClosed(*welcome, IDOK)) return "";
        std::optional<WindowInfo> destination = NextDialog();
        if (!destination || !PressAndWaitClosed(*destination, IDOK)) return "";
        Walk walk = WalkAnswering({});
        EXPECT_EQ(walk.dialogs.back(), kFinishedTitle);
        EXPECT_EQ(robot->WaitExit(), 1);
        return welcome->title;
    }

    std::string desktop;
    std::vector<StoredValue> savedDesktop;
    bool utf8Profiles = true;
    bool utf16Profiles = false;
};

// The same book with the publisher's files in the system's code page (1252).
class WesternTextsScenario : public EveryScriptScenario {
protected:
    WesternTextsScenario() {
        dest = Medium::WorkDir() + "\\Übungen";
        product = "Übungen";
        linkName = product + " Files";
        utf8Profiles = false;
    }
};

// The same book with the publisher's files saved as "Unicode" (UTF-16
// little-endian after a byte-order mark), as the system's editor offered.
class UnicodeTextsScenario : public EveryScriptScenario {
protected:
    UnicodeTextsScenario() { utf16Profiles = true; }
};
}  // namespace

TEST_F(UnicodeTextsScenario, TextsSavedAsUnicodeShowAsWritten) {
    medium.SetTxt("WelcomeTitle", "ようこそ Übungen \xF0\x9F\x93\x96");
    EXPECT_EQ(InstallSeeingWelcome(), "ようこそ Übungen \xF0\x9F\x93\x96");
    ExpectShortcutIn("Desktop");
    ExpectRegistered(true);
}

TEST_F(WesternTextsScenario, TextsInTheSystemsCodePageShowAsWritten) {
    medium.SetTxt("WelcomeTitle", "Übungen ÄÖÜß");
    EXPECT_EQ(InstallSeeingWelcome(), "Übungen ÄÖÜß");
    ExpectShortcutIn("Desktop");
    ExpectRegistered(true);
}

TEST_F(EveryScriptScenario, NamesInAnyScriptInstallShowRegisterAndUninstallWhole) {
    medium.SetTxt("WelcomeTitle", "Добро пожаловать, Übungen")
        .AddFile("CODE\\Εισαγωγή.TXT", "eisagogi")
        .AddFile("CODE\\Глава 1\\Часть 1.TXT", "glava")
        .AddFile("CODE\\Đọc.TXT", "doc");
    EXPECT_EQ(InstallSeeingWelcome(), "Добро пожаловать, Übungen");

    // Byte for byte, under their long names (the medium's names use underscores).
    Tree expected = SampleTree();
    expected["εισαγωγή.txt"] = "eisagogi";
    expected["глава 1\\часть 1.txt"] = "glava";
    expected["đọc.txt"] = "doc";
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    ExpectShortcutIn("Desktop");
    ExpectRegistered(true);

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_NE(run.boxes[0].find("] Книги Đọc: " + kUninstallText), std::string::npos) << run.boxes[0];
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(Medium::WorkDir() + "\\Книги")) << TreeDifferences(InstalledTree(dest), Tree{});
    ExpectShortcutIn(nullptr);
    ExpectEntryGone();
}
