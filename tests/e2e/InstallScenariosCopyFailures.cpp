// Installing end to end, copies that fail: a CodeDir not on the medium, a
// folder that cannot be entered, failed expansions and plain copies, and
// destinations where the copy cannot place files.
#include "InstallScenario.h"

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
