// Installing end to end, the questions of an interactive run: the typical
// run, the replace question's answers, Cancel while a question stands, a
// file held by another program, the bar at a question, and setup left in the
// destination dialog.
#include "InstallScenario.h"
#include "ScenarioChanges.h"

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
