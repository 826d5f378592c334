// The window-free parts of an unattended run: the command line, the exit
// codes a script or package manager reads.
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
    // As setup makes them: a file is tried again after half a second (its
    // ten seconds in all the quiet scenario with a held file measures).
    SilentPrompts unattended;
    question.destPath = "C:\\Book\\Table.dat";
    DWORD asked = GetTickCount();
    EXPECT_EQ(unattended.AskAboutFileInUse(question), InUseAnswer::Retry);
    DWORD paused = GetTickCount() - asked;
    EXPECT_GE(paused, 450u);
    EXPECT_LT(paused, 1500u);
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
}  // namespace
