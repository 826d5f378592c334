// The window-free parts of an unattended run: the command line, the exit
// codes a script or package manager reads, and the log.
#include <gtest/gtest.h>

#include "TestFiles.h"
#include "app/InstallScopeChoice.h"
#include "framework/CodePage.h"
#include "app/SetupSwitches.h"
#include "app/SilentPrompts.h"
#include "framework/RestartManager.h"
#include "framework/Rights.h"
#include "engine/HeldFiles.h"
#include "app/SilentResult.h"
#include "framework/LogFile.h"
#include "framework/PathText.h"
#include "framework/PlaceWay.h"
#include "journal/LogPlace.h"

namespace {
struct SwitchCase {
    const char* line;
    bool silent;
    const char* destination;
    const char* logFile;
    const char* unknown;
};

TEST(SetupSwitches, ReadAsAdministratorsWriteThem) {
    const SwitchCase cases[] = {
        {"", false, "", "", ""},
        {"   ", false, "", "", ""},
        {"/S", true, "", "", ""},
        {"  /s  ", true, "", "", ""},
        // /D= runs to the line's end, spaces inside kept, blanks at the end dropped.
        {"/S /D=C:\\Quiet\\Acme Files", true, "C:\\Quiet\\Acme Files", "", ""},
        {"/S /d=C:\\Quiet\\Acme Files  ", true, "C:\\Quiet\\Acme Files", "", ""},
        {"/D=C:\\Book /S", false, "C:\\Book /S", "", ""},
        {"/S /LOG=C:\\logs\\run.log /D=C:\\Book", true, "C:\\Book", "C:\\logs\\run.log", ""},
        {"/log=\"C:\\My Logs\\run.log\" /S", true, "", "C:\\My Logs\\run.log", ""},
        {"/S /D=T:\\", true, "T:\\", "", ""},
        // Quoted by a launcher, whole or the value only.
        {"/S \"/LOG=C:\\My Logs\\run.log\" \"/D=C:\\Acme Files\"", true, "C:\\Acme Files", "C:\\My Logs\\run.log", ""},
        {"\"/S\" /D=\"C:\\Acme Files\" ", true, "C:\\Acme Files", "", ""},
        // Not understood: the first such word is named; the words after it still count.
        {"/S /X /LOG=C:\\run.log", true, "", "C:\\run.log", "/X"},
        {"/SILENT", false, "", "", "/SILENT"},
        {"/S /Q /VERYSILENT", true, "", "", "/Q"},
        {"Book", false, "", "", "Book"},
        {"/S /D=", true, "", "", "/D="},
        {"/S /D=Books\\Zandel", true, "", "", "/D=Books\\Zandel"},
        {"/S /D=\\\\server\\books", true, "", "", "/D=\\\\server\\books"},
        {"/S /LOG=", true, "", "", "/LOG="},
        {"/S /LOG=\"\"", true, "", "", "/LOG=\"\""},
        {"/S /LOG=\"C:\\open.log", true, "", "", "/LOG=\"C:\\open.log"},
        {"/S /D=\"C:\\Acme", true, "", "", "/D=\"C:\\Acme"},
        {"/S /D=C:\\Acme\"s", true, "", "", "/D=C:\\Acme\"s"},
    };
    for (const SwitchCase& c : cases) {
        SetupSwitches got = ParseSetupSwitches(c.line);
        EXPECT_EQ(got.silent, c.silent) << "[" << c.line << "]";
        EXPECT_EQ(got.destination, c.destination) << "[" << c.line << "]";
        EXPECT_EQ(got.logFile, c.logFile) << "[" << c.line << "]";
        EXPECT_EQ(got.unknown, c.unknown) << "[" << c.line << "]";
    }
}

// /CLOSEAPPLICATIONS, in any letter case, its name whole.
TEST(SetupSwitches, CloseApplicationsIsTheWholeWord) {
    const struct {
        const char* line;
        bool close;
        const char* unknown;
    } cases[] = {
        {"/S", false, ""},
        {"/S /CLOSEAPPLICATIONS", true, ""},
        {"/closeapplications /S /D=C:\\Acme Files", true, ""},
        {"/S \"/CloseApplications\"", true, ""},
        {"/S /CLOSEAPPLICATION", false, "/CLOSEAPPLICATION"},
        {"/S /CLOSEAPPLICATIONSX", false, "/CLOSEAPPLICATIONSX"},
    };
    for (const auto& c : cases) {
        SetupSwitches got = ParseSetupSwitches(c.line);
        EXPECT_EQ(got.closeApplications, c.close) << "[" << c.line << "]";
        EXPECT_EQ(got.unknown, c.unknown) << "[" << c.line << "]";
    }
}

// Close Programs closes exactly the processes shown, and only while they
// still hold the file: a holder that changed meanwhile is put to the
// question again first. After the copy a run with administrator rights (every
// run under Wine) names them instead of starting them. Wine's Restart
// Manager names no program: the system's answers are given here.
TEST(HeldFiles, ClosesOnlyTheProcessesShownAndNamesThemAfterwards) {
    const std::string path = MakeTestFolder("held-close") + "\\Hello.c";
    ASSERT_TRUE(WriteWholeFile(path, "held"));
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    auto holders = [](DWORD id, const char* name) {
        FileHolders h;
        h.known = true;
        h.programs.push_back({name, HoldingProgram::MainWindow, OwnSession(), id, FILETIME{id, 1}});
        return h;
    };
    // Shown the reader, then found at the close; then both times the same.
    const std::vector<FileHolders> answers{holders(10, "Acme Reader"), holders(20, "Notepad"), holders(20, "Notepad"),
                                           holders(20, "Notepad")};
    size_t looked = 0;
    std::vector<DWORD> closed;
    HeldFiles files({[&](const std::string&) { return answers.at(looked++); },
                     [&](const std::vector<HoldingProgram>& programs) {
                         for (const HoldingProgram& program : programs) closed.push_back(program.processId);
                     }});
    std::atomic<bool> cancelled{false};
    std::vector<HeldFile> gaveUp;
    SilentPrompts first(true, 400, 50), second(true, 400, 50);
    EXPECT_EQ(files.Ask(first, "HELLO.C", path, cancelled, gaveUp), HeldFiles::Next::TryAgain);
    EXPECT_EQ(closed, std::vector<DWORD>{}) << "another program held it by the close";
    EXPECT_EQ(files.Ask(second, "HELLO.C", path, cancelled, gaveUp), HeldFiles::Next::TryAgain);
    EXPECT_EQ(closed, std::vector<DWORD>{20});
    EXPECT_EQ(looked, 4u);
    CloseHandle(held);
    EXPECT_EQ(files.RestartClosed(), HasAdministratorRights() ? std::vector<std::string>{"Notepad"}
                                                              : std::vector<std::string>{});
}

// An unattended run and a file another program holds: tried again after a
// pause until the wait is over, then given up on; with /CLOSEAPPLICATIONS the
// programs are asked to close first, once a file, and only where the system
// can close them. Another file waits its own full time.
TEST(SilentPrompts, AHeldFileIsTriedAgainForItsWaitThenGivenUp) {
    InUseQuestion question{"HELLO.C", "C:\\Book\\Hello.c"};
    SilentPrompts prompts(false, 400, 50);
    DWORD start = GetTickCount();
    int retries = 0;
    InUseAnswer answer;
    while ((answer = prompts.AskAboutFileInUse(question)) == InUseAnswer::Retry) ++retries;
    DWORD waited = GetTickCount() - start;
    EXPECT_EQ(answer, InUseAnswer::GiveUp);
    EXPECT_GE(waited, 400u);
    EXPECT_LT(waited, 2000u);
    EXPECT_GE(retries, 4);
    EXPECT_LE(retries, 9);
    // The next file's wait begins with it.
    question.destPath = "C:\\Book\\Read Me.txt";
    EXPECT_EQ(prompts.AskAboutFileInUse(question), InUseAnswer::Retry);

    question.canClose = true;
    SilentPrompts closing(true, 400, 50);
    EXPECT_EQ(closing.AskAboutFileInUse(question), InUseAnswer::ClosePrograms);
    EXPECT_EQ(closing.AskAboutFileInUse(question), InUseAnswer::Retry) << "asked to close once a file";
    SilentPrompts notAllowed(false, 400, 50);
    EXPECT_EQ(notAllowed.AskAboutFileInUse(question), InUseAnswer::Retry) << "closed without /CLOSEAPPLICATIONS";
    question.canClose = false;
    SilentPrompts cannot(true, 400, 50);
    EXPECT_EQ(cannot.AskAboutFileInUse(question), InUseAnswer::Retry) << "closing what the system cannot close";
    // The default wait is the README's ten seconds, tried every half second.
    EXPECT_EQ(SilentPrompts::kHeldFileWaitMs, 10000u);
    EXPECT_EQ(SilentPrompts::kHeldFileRetryMs, 500u);
}

// For the machine or the current user: asked in any letter case, in silent
// and interactive runs alike; two that contradict each other are not understood.
TEST(SetupSwitches, AskForTheMachineOrTheCurrentUser) {
    using R = ScopeRequest;
    const struct {
        const char* line;
        ScopeRequest scope;
        const char* unknown;
    } cases[] = {
        {"/S", R::None, ""},
        {"/CURRENTUSER", R::CurrentUser, ""},
        {"/s /currentuser /LOG=C:\\run.log", R::CurrentUser, ""},
        {"/AllUsers /S", R::AllUsers, ""},
        {"\"/ALLUSERS\" /ALLUSERS", R::AllUsers, ""},
        {"/CURRENTUSER /ALLUSERS /S", R::CurrentUser, "/ALLUSERS"},
        {"/CURRENTUSERS", R::None, "/CURRENTUSERS"},
        {"/ALLUSER", R::None, "/ALLUSER"},
        // /D= runs to the end of the line: a switch after it is part of the folder.
        {"/S /D=C:\\Books /CURRENTUSER", R::None, ""},
    };
    for (const auto& c : cases) {
        SetupSwitches got = ParseSetupSwitches(c.line);
        EXPECT_EQ(got.scope, c.scope) << "[" << c.line << "]";
        EXPECT_EQ(got.unknown, c.unknown) << "[" << c.line << "]";
    }
}

// Who installs for whom. What only a standard account shows (no rights) is
// reached here, through the rule: Wine runs every program as an administrator.
TEST(InstallScopeChoice, TheRightsAndTheSwitchesDecide) {
    using R = ScopeRequest;
    const InstallScope machine = InstallScope::Machine, user = InstallScope::CurrentUser;
    const struct {
        bool rights;
        ScopeRequest request;
        ScopeChoice expected;
    } cases[] = {
        {true, R::None, {machine, false}},
        {false, R::None, {user, false}},
        {true, R::CurrentUser, {user, false}},
        {false, R::CurrentUser, {user, false}},
        {true, R::AllUsers, {machine, false}},
        {false, R::AllUsers, {machine, true}},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(ChooseInstallScope(c.rights, c.request) == c.expected)
            << "rights " << c.rights << ", request " << static_cast<int>(c.request);
}

// The codes are what the README promises to scripts: pinned by number.
TEST(SilentResult, ExitCodesOfACopyThatStopped) {
    auto failed = [](uint64_t size) {
        CopyOutcome outcome;
        outcome.copyFailed = true;
        outcome.failedFiles.push_back({"T:\\Book\\BIG.DAT", size});
        return outcome;
    };
    CopyOutcome installed;
    installed.writtenFiles = {"C:\\Book\\READ.ME"};
    CopyOutcome noCodeDir;
    noCodeDir.sourceMissing = true;
    CopyOutcome noDestination;
    noDestination.destinationMissing = true;
    noDestination.copyFailed = true;
    CopyOutcome unreadable;
    unreadable.copyFailed = true;
    unreadable.unreadableFolders = {"D:\\CODE\\CHAP_1"};
    CopyOutcome unplacedFolder = failed(0);
    CopyOutcome expansion = failed(5000);
    expansion.copyFailed = false;
    expansion.expandFailed = true;
    CopyOutcome flagOnly;
    flagOnly.expandFailed = true;
    CopyOutcome held = failed(5000);
    held.heldFiles.push_back({"T:\\Book\\BIG.DAT", "Acme Reader"});

    struct {
        const char* name;
        CopyOutcome outcome;
        uint64_t freeBytes;
        int code;
    } cases[] = {
        {"installed", installed, 0, 0},
        {"no CodeDir", noCodeDir, 1 << 20, 5},
        {"destination not made", noDestination, 0, 4},
        {"a folder of the medium unreadable", unreadable, 1 << 20, 6},
        // A file that failed where the drive had less room than the file: the drive filled up.
        {"drive full", failed(1572864), 1572863, 3},
        {"room for the file", failed(1572864), 1572864, 7},
        {"folder not placed", unplacedFolder, 0, 7},
        {"expansion failed", expansion, 1 << 20, 7},
        {"expansion on a full drive", expansion, 4999, 3},
        {"failure without a file", flagOnly, 1 << 20, 7},
        // A file held by another program until the run gave up: its own code, on a full drive too.
        {"a file in use", held, 1 << 20, 12},
        {"a file in use on a full drive", held, 0, 12},
    };
    for (const auto& c : cases) EXPECT_EQ(ExitCodeOf(ResultOfCopy(c.outcome, c.freeBytes)), c.code) << c.name;
    EXPECT_EQ(ExitCodeOf(SilentResult::BadSwitch), 2);
    EXPECT_EQ(ExitCodeOf(SilentResult::AllUsersRefused), 9);
    EXPECT_EQ(ExitCodeOf(SilentResult::NoWayBack), 10);
    EXPECT_EQ(ExitCodeOf(SilentResult::ScriptLineFailed), 11);
}

// Lines noted before the file is opened come first; the text is written in
// UTF-8 whatever the program's code page (UTF-8, or 1252 in the older systems' form), a CR
// LF after each line, and the file can be read while the run still writes it.
TEST(LogFile, WritesEveryLineInOrderAndCanBeReadMeanwhile) {
    std::string folder = MakeTestFolder("LogFile");
    LogFile log;
    log.Line("Warning: The DestDir key (or its text) is not set in SETUP.INI");
    EXPECT_FALSE(log.Open(folder + "\\missing folder\\setup.log"));
    log.Line("Destination: C:\\" + NarrowText(L"\u00DCbungen"));
    ASSERT_TRUE(log.Open(folder + "\\setup.log"));
    EXPECT_EQ(FileContent(folder + "\\setup.log"),
              "Warning: The DestDir key (or its text) is not set in SETUP.INI\r\nDestination: C:\\Übungen\r\n");
    log.Line("Installed.");
    EXPECT_EQ(FileContent(folder + "\\setup.log"),
              "Warning: The DestDir key (or its text) is not set in SETUP.INI\r\nDestination: C:\\Übungen\r\nInstalled.\r\n");

    // The temporary folder is the user's: a second name of another file put
    // at the log's name is taken away, never written through.
    ASSERT_TRUE(WriteWholeFile(folder + "\\precious.ini", "the system's"));
    ASSERT_TRUE(CreateHardLinkA((folder + "\\planted.log").c_str(), (folder + "\\precious.ini").c_str(), nullptr));
    LogFile planted;
    ASSERT_TRUE(planted.Open(folder + "\\planted.log"));
    planted.Line("Installed.");
    EXPECT_EQ(FileContent(folder + "\\precious.ini"), "the system's");
    EXPECT_EQ(FileContent(folder + "\\planted.log"), "Installed.\r\n");

    // A path named as a person types it: relative to the current folder, or
    // through "..".
    {
        CurrentDirectoryScope here(folder);
        LogFile relative;
        ASSERT_TRUE(relative.Open("relative.log"));
        relative.Line("Installed.");
    }
    EXPECT_EQ(FileContent(folder + "\\relative.log"), "Installed.\r\n");
    MakeFolders(folder + "\\Sub");
    LogFile climbing;
    ASSERT_TRUE(climbing.Open(folder + "\\Sub\\..\\climbing.log"));
    climbing.Line("Installed.");
    EXPECT_EQ(FileContent(folder + "\\climbing.log"), "Installed.\r\n");

    // The log's folder, or one above it, a link the user made (to a folder of
    // the system's, with a file of the log's name there): refused, and
    // nothing behind the link written or deleted.
    const std::string elsewhere = MakeTestFolder("LogFile-elsewhere");
    ASSERT_TRUE(WriteWholeFile(elsewhere + "\\setup.log", "the system's"));
    ASSERT_TRUE(WriteWholeFile(elsewhere + "\\Deeper\\setup.log", "the system's too"));
    ASSERT_TRUE(MakeLinuxLink(folder + "\\Linked", elsewhere));
    for (const char* below : {"\\Linked\\setup.log", "\\Linked\\Deeper\\setup.log"}) {
        LogFile linked;
        EXPECT_FALSE(linked.Open(folder + below)) << below;
        linked.Line("Installed.");
    }
    EXPECT_EQ(FileContent(elsewhere + "\\setup.log"), "the system's");
    EXPECT_EQ(FileContent(elsewhere + "\\Deeper\\setup.log"), "the system's too");
    EXPECT_EQ(ListingOrder(elsewhere).size(), 2u);
    EXPECT_TRUE(RemoveLinuxLink(folder + "\\Linked"));
    RemoveTree(elsewhere);
    RemoveTree(folder);
}

// The root a way to a place of the user's starts from: the profile for what
// lies below it (whole names, any letter case), else the drive's or the
// share's root; nothing for a path on neither.
TEST(LogFile, APlaceOfTheUsersIsWalkedFromTheProfileOrTheDrivesRoot) {
    const std::string profile = "C:\\users\\Reader";
    const struct {
        const char* path;
        const char* root;
    } rows[] = {
        {"C:\\users\\Reader\\AppData\\Local\\Temp\\setup.log", "C:\\users\\Reader"},
        {"c:\\USERS\\reader\\Desktop", "C:\\users\\Reader"},
        {"C:\\users\\Reader", "C:\\users\\Reader"},
        {"C:\\users\\Reader\\", "C:\\users\\Reader"},
        {"C:\\users\\Readers\\setup.log", "C:\\"},
        {"C:\\users\\setup.log", "C:\\"},
        {"D:\\Logs\\setup.log", "D:\\"},
        {"d:\\setup.log", "d:\\"},
        {"\\\\server\\share\\Logs\\setup.log", "\\\\server\\share\\"},
        {"\\\\server\\share", "\\\\server\\share\\"},
        {"\\\\server", ""},
        {"\\\\server\\\\setup.log", ""},
        {"\\\\?\\C:\\Logs\\setup.log", ""},
        {"\\\\.\\pipe\\setup.log", ""},
        {"Logs\\setup.log", ""},
        {"1:\\setup.log", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(PlaceRoot(row.path, profile), row.root) << row.path;
    EXPECT_EQ(PlaceRoot("C:\\users\\Reader\\setup.log", ""), "C:\\") << "no profile known";

    // A place a value of the user's names (the shell folders): a run with
    // rights writes there only below the profile, by whole names.
    const struct {
        const char* path;
        bool elevated, may;
    } places[] = {
        {"C:\\users\\Reader\\Desktop", true, true},   {"C:\\users\\Readers\\Desktop", true, false},
        {"C:\\users\\Reader", true, false},            {"C:\\Windows\\System32", true, false},
        {"C:\\Windows\\System32", false, true},        {"D:\\Desktop", false, true},
    };
    for (const auto& row : places)
        EXPECT_EQ(MayWriteAtUsersPlace(row.path, profile, row.elevated), row.may) << row.path << " " << row.elevated;
    EXPECT_FALSE(MayWriteAtUsersPlace("C:\\users\\Reader\\Desktop", "", true)) << "no profile known";
}

// Without /LOG=: named after the product; an elevated run's in the
// machine's journals' folder (made when missing), where only administrators
// write, never in the user's temporary folder, even without that folder; a
// run without elevation's in the temporary folder.
TEST(LogFile, TheDefaultLogIsWhereTheRunsRightsKeepIt) {
    char temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    struct {
        const char* product;
        const char* name;
    } cases[] = {
        {"Zandel Companion", "setup-Zandel Companion.log"},
        {"Books: A/B \"C\" <1|2> *?\\", "setup-Books_ A_B _C_ _1_2_ ___.log"},
        {"Tab\tin", "setup-Tab_in.log"},
        {"", "setup.log"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LogFileName("setup", c.product), c.name) << c.product;
        EXPECT_EQ(DefaultLogPath("setup", c.product), JoinPath(temp, c.name)) << c.product;
    }

    const std::string windows = MakeTestFolder("LogFile-windows");
    ScopePlaces places = MachinePlaces();
    places.journals = JournalPlace(windows + "\\Book Setup Journals", true);
    std::vector<std::string> notes;
    EXPECT_EQ(DefaultRunLogPath("uninstall", "Zandel", places, &notes),
              windows + "\\Book Setup Journals\\uninstall-Zandel.log");
    EXPECT_TRUE(FileExists(windows + "\\Book Setup Journals"));
    EXPECT_EQ(notes, std::vector<std::string>{});
    // Without elevation: the user's own temporary folder.
    places.elevated = false;
    places.journals = JournalPlace(LocalAppDataFolder() + "\\Book Setup Journals", false);
    EXPECT_EQ(DefaultRunLogPath("uninstall", "Zandel", places, &notes), JoinPath(temp, "uninstall-Zandel.log"));
    // Elevated without the machine's folder: no log rather than the user's folder.
    places.elevated = true;
    places.journals.folder.clear();
    places.journals.machine = true;
    EXPECT_EQ(DefaultRunLogPath("uninstall", "Zandel", places, &notes), "");
    places.journals = JournalPlace(windows + "\\Book Setup Journals", false);
    EXPECT_EQ(DefaultRunLogPath("uninstall", "Zandel", places, &notes), "");
    RemoveTree(windows);
}
}  // namespace
