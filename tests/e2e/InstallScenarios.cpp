// Installing end to end: setup.exe on a medium, driven by the robot through
// the copy, and afterwards the installed tree file by file, the shortcut file
// read back through the shell link object, the uninstall entry in the
// registry and the copied uninstaller. Every scenario installs into a folder
// of its own under the test work folder and registers a product name of its
// own, removed again at the end.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "PublisherTool.h"
#include "Scenario.h"

namespace {
// Titles and texts of the sample SETUP.TXT.
constexpr const char* kProgressTitle = "Installing";
constexpr const char* kReplaceTitle = "Replace File?";
constexpr const char* kExitTitle = "Exit Setup";
constexpr const char* kFinishedTitle = "Setup Complete";
constexpr const char* kFailedTitle = "Setup Incomplete";
constexpr const char* kBackdropTitle = "Setup";
const std::string kExpandProblem =
    "Some compressed files could not be expanded. The other files have been installed; please check your CD and "
    "run Setup again.";
const std::string kUninstallText = "Do you want to remove the Zandel Companion files from your computer?";
const std::string kUninstallProblemText = "Some files could not be removed. You may delete them yourself.";

// The buttons of the replace question and of the exit question.
constexpr int kYes = IDOK, kYesToAll = 1001, kNo = 1006, kCancel = IDCANCEL;
constexpr int kExitSetup = IDOK, kContinue = IDCANCEL;

const std::string kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Relative path under the destination -> content.
using Tree = std::map<std::string, std::string>;

void ListFiles(const std::string& folder, const std::string& relative, Tree& tree) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        std::string child = relative.empty() ? name : relative + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(folder + "\\" + name, child, tree);
        else
            tree[child] = ReadWholeFile(folder + "\\" + name).value_or("<unreadable>");
    } while (FindNextFileA(search, &found));
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

// Every value of the uninstall key of the product; nullopt when the key is missing.
std::optional<std::map<std::string, StoredValue>> UninstallEntry(const std::string& product) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + product).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::map<std::string, StoredValue> values;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        BYTE data[4096];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        values[name] = {type, std::string(reinterpret_cast<char*>(data), dataSize)};
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

// What the rest of a run showed, the progress dialog left out (a fast copy
// may close it before the robot looks).
struct Walk {
    std::vector<std::string> dialogs;     // titles; "setup: <text>" for a message box
    std::vector<std::string> askedFiles;  // the file of each replace question, in order
    std::vector<std::string> covered;     // dialogs the backdrop hid or that did not take the keyboard
};

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
        if (dialog.title == kReplaceTitle) walk.askedFiles.push_back(AskedFile(dialog));
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
        std::map<std::string, StoredValue> expected = {
            {"DisplayName", Sz(product)},
            {"UninstallString", Sz(CopiedUninstaller() + " `" + dest + "` " + product)},
            {"UninstallText", Sz(kUninstallText)},
            {"UninstallProblemText", Sz(kUninstallProblemText)},
        };
        EXPECT_EQ(*entry, expected);
        EXPECT_EQ(copied, ReadWholeFile(XOVUNIN_EXE)) << "the uninstaller in " << WindowsFolder();
    }

    std::string dest;
    std::string product;
    std::string linkName;
};
}  // namespace

// The typical run: the welcome dialog, DestDir kept, each file copied (one of
// them expanded), one file there already and answered Yes To All, the
// shortcut on the desktop, the uninstall entry, the script's copy into the
// Windows folder, the finished dialog.
TEST_F(InstallScenario, TypicalRun) {
    std::string windowsCopy = WindowsFolder() + "\\ZANDEL.INI";
    DeleteFileA(windowsCopy.c_str());
    Existing({{"Read Me.txt", OldContent("Read Me.txt")}});
    medium.AddFile("SCRIPT.TXT", Sample("SCRIPT.TXT"))
        .AddCopy("CODE\\CHAP_2\\DATA\\TABLE.DAT", Fixture("CHAPTER.TXT_"));
    ASSERT_TRUE(StartInstall());

    Walk walk = WalkAnswering({{kReplaceTitle, {kYesToAll}}});
    EXPECT_EQ(walk.dialogs, (std::vector<std::string>{kReplaceTitle, kFinishedTitle}));
    EXPECT_EQ(walk.askedFiles, std::vector<std::string>{"READ_ME.TXT"});
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
// answer was No or the run was abandoned before it was copied.
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
    for (auto& [relative, content] : expected)
        if (c.abandoned) content = OldContent(relative);
    for (size_t i = 0; i < walk.askedFiles.size() && i < c.askedReplaced.size(); ++i) {
        ASSERT_TRUE(kInstalledName.count(walk.askedFiles[i])) << walk.askedFiles[i];
        const std::string& relative = kInstalledName.at(walk.askedFiles[i]);
        expected[relative] = c.askedReplaced[i] ? SampleTree()[relative] : OldContent(relative);
    }
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    ExpectShortcutIn(c.abandoned ? nullptr : "Desktop");
    ExpectRegistered(!c.abandoned);
}

INSTANTIATE_TEST_SUITE_P(
    E2E, ReplaceAnswers,
    ::testing::Values(ReplaceCase{"Yes", {kYes, kYes, kYes}, {}, {true, true, true}, false},
                      ReplaceCase{"No", {kNo, kYes, kNo}, {}, {false, true, false}, false},
                      // One question, and every later file replaced without one.
                      ReplaceCase{"YesToAll", {kYes, kYesToAll}, {}, {true, true}, false},
                      ReplaceCase{"CancelThenContinue", {kCancel, kNo, kNo}, {kContinue}, {true, false, false}, false},
                      // Abandoned at the first question: nothing is replaced.
                      ReplaceCase{"CancelThenExit", {kCancel}, {kExitSetup}, {false}, true}),
    [](const ::testing::TestParamInfo<ReplaceCase>& info) { return std::string(info.param.name); });

// Cancel in the progress dialog while the worker's replace question stands
// open: the exit question comes on the user-interface thread while the
// replace question stays open. Confirmed, the question is still answered,
// that file copied and nothing after it: no shortcut, the exit dialog once,
// nothing registered. Declined, the copy goes on as if nothing had happened.
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
        if (confirmed && relative != kInstalledName.at(asked)) content = OldContent(relative);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    ExpectShortcutIn(confirmed ? nullptr : "Desktop");
    ExpectRegistered(!confirmed);
}

INSTANTIATE_TEST_SUITE_P(E2E, CancelDuringQuestion, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Confirmed" : "Declined");
                         });

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
// written, the destination folder has been made, and setup ends through the
// exit dialog with nothing copied, linked or registered.
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
    DWORD attributes = GetFileAttributesA(dest.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        << "the destination folder was not made";
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), Tree{}), "");
    ExpectShortcutIn(nullptr);
    ExpectRegistered(false);
}

// Two expansions fail in one run: a file whose folder cannot be made (a file
// stands in its place) and a compressed file cut short. One message after
// the copy; every other file installed, a good compressed one expanded.
TEST_F(InstallScenario, FailedExpansionsAreReportedOnce) {
    Existing({{"Chap 1", "a file where the folder should be"}});
    medium.AddCopy("CODE\\CHAPTER.TXT", Fixture("CHAPTER.CUT_")).AddCopy("CODE\\SMALL.TXT", Fixture("SMALL.TXT_"));
    ASSERT_TRUE(StartInstall());

    // The file under the blocked folder counts as present (path not found),
    // so it is asked about first.
    Walk walk = WalkAnswering({{kReplaceTitle, {kYes}}});
    EXPECT_EQ(walk.dialogs, (std::vector<std::string>{kReplaceTitle, "setup: " + kExpandProblem, kFinishedTitle}));
    EXPECT_EQ(walk.askedFiles, std::vector<std::string>{"HELLO.C"});
    EXPECT_EQ(robot->WaitExit(), 1);

    Tree expected = SampleTree();
    expected.erase("Chap 1\\Hello.c");
    expected["Chap 1"] = "a file where the folder should be";
    expected["Small.txt"] = ReadWholeFile(Fixture("SMALL.TXT")).value_or("");
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    ExpectShortcutIn("Desktop");
    ExpectRegistered(true);
}

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
