// Unattended installs end to end: /S with /D= and /LOG=, over the reader's
// files, a second install's proposed folder, switches not known, a file held
// for the whole run, and the runs that cannot install.
#include "UninstallScenario.h"
#include "ScenarioChanges.h"

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
