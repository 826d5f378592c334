// Running a real script file: the names that mean no script, the start
// folder, the line ends, the 64,999-byte cut, files that cannot be opened or
// read, and the finished dialog that shows only after the script.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "ScriptTestSupport.h"
#include "settings/InstallSettings.h"
#include "settings/SetupTexts.h"
#include "dialogs/MessageDialogs.h"
#include "script/CommandScript.h"
#include "script/ScriptFile.h"

namespace {
using namespace script_test;
using Messages = std::vector<std::string>;

class ScriptRun : public ::testing::Test {
protected:
    void SetUp() override {
        saved = InstallSettings;
        savedDirectory = CurrentDirectory();
        work = MakeTestFolder("script-run");
        elsewhere = work + "\\elsewhere";
        CreateDirectoryA(elsewhere.c_str(), nullptr);
        CreateDirectoryA((work + "\\src").c_str(), nullptr);
        CreateDirectoryA((work + "\\out").c_str(), nullptr);
        WriteWholeFile(work + "\\src\\A.TXT", "file a");
        WriteWholeFile(work + "\\src\\B.TXT", "file b");
        InstallSettings.StartDir = work;
        SetCurrentDirectoryA(elsewhere.c_str());
    }
    void TearDown() override {
        InstallSettings = saved;
        SetCurrentDirectoryA(savedDirectory.c_str());
    }

    // Writes SCRIPT.TXT into the start folder and runs it as the finished dialog does.
    Messages RunScript(const std::string& bytes, const std::string& name = "SCRIPT.TXT") {
        WriteWholeFile(work + "\\SCRIPT.TXT", bytes);
        InstallSettings.CommandFile = name;
        CapturedScriptMessages captured;
        RunCommandScript();
        return CapturedScriptMessages::Messages();
    }

    InstallSettingsRecord saved;
    std::string savedDirectory;
    std::string work;
    std::string elsewhere;
};

struct NameCase {
    const char* name;
    bool startDirCurrent;
    const char* message;  // nullptr: none
};

TEST_F(ScriptRun, NamesThatMeanNoScriptAndFilesThatAreMissing) {
    const NameCase cases[] = {
        {"NULL", false, nullptr},
        {"", true, nullptr},
        {"null", true, "Couldn't find script file null."},  // only capital NULL means none
        {"Error", true, "Couldn't find script file Error."},
        {"NO SUCH.TXT", true, "Couldn't find script file NO SUCH.TXT."},
    };
    for (const NameCase& c : cases) {
        SetCurrentDirectoryA(elsewhere.c_str());
        InstallSettings.CommandFile = c.name;
        CapturedScriptMessages captured;
        RunCommandScript();
        EXPECT_EQ(CapturedScriptMessages::Messages(), c.message ? Messages{c.message} : Messages{}) << c.name;
        EXPECT_EQ(CurrentDirectory(), c.startDirCurrent ? work : elsewhere) << c.name;
    }
}

// A relative name is found in the start folder; CR, CR LF and runs of line
// ends end lines, LF alone does not; every line runs, failed or not.
TEST_F(ScriptRun, RunsEveryLineOfARelativeScriptWhateverItsLineEnds) {
    std::string w = work;
    Messages got = RunScript("COPY %STARTDIR%\\src\\A.TXT %STARTDIR%\\out\r"
                             "COPY NOEXTENSION %STARTDIR%\\out\r\n"
                             "\r\n\r\n"
                             "COPY %STARTDIR%\\src\\B.TXT out\\B.TXT\r\r\n\n"
                             "COPY %STARTDIR%\\src\\B.TXT %STARTDIR%\\out\r\n"
                             "COPY %STARTDIR%\\src\\C.TXT %STARTDIR%\\out\\C.TXT\n"
                             "COPY %STARTDIR%\\src\\A.TXT %STARTDIR%\\out\\LF.TXT");
    Messages expected = {
        "'NOEXTENSION' is an illegal filename. (The filename _must_ have an extension.)",
        "You must specify a source and destination drive. ('COPY    " + w + "\\src\\B.TXT    out\\B.TXT')",
        "The file " + w + "\\src\\C.TXT does not exist. (Script command 'COPY    " + w + "\\src\\C.TXT    " + w +
            "\\out\\C.TXT\nCOPY')",
    };
    EXPECT_EQ(got, expected);
    EXPECT_EQ(FileContent(w + "\\out\\A.TXT"), "file a");
    EXPECT_EQ(FileContent(w + "\\out\\B.TXT"), "file b");
    EXPECT_FALSE(FileExists(w + "\\out\\LF.TXT")) << "a line feed alone ended a line";
    EXPECT_EQ(CurrentDirectory(), w);
}

TEST_F(ScriptRun, OnlyTheFirst64999BytesAreReadAndACutLineRunsAsFarAsRead) {
    // The last line read ends inside its destination's extension.
    std::string head = "COPY " + work + "\\src\\A.TXT " + work + "\\out\\CUT.TX";
    size_t filler = 64999 - head.size();
    std::string bytes = (filler % 2 ? "\r" : "");
    for (size_t i = 0; i < filler / 2; ++i) bytes += "\r\n";
    bytes += head + "TXX\r\nCOPY " + work + "\\src\\B.TXT " + work + "\\out\\AFTER.TXT\r\n";
    bytes += std::string(6000, ' ');
    ASSERT_EQ(bytes.find("TXX"), 64999u);

    EXPECT_EQ(RunScript(bytes), Messages{});
    EXPECT_EQ(FileContent(work + "\\out\\CUT.TX"), "file a");
    EXPECT_FALSE(FileExists(work + "\\out\\CUT.TXTXX"));
    EXPECT_FALSE(FileExists(work + "\\out\\AFTER.TXT"));
}

// The script is opened without sharing: a file that another handle holds
// cannot be opened, and the user hears that the script was not found.
TEST_F(ScriptRun, FileHeldOpenElsewhereIsReportedAsNotFound) {
    WriteWholeFile(work + "\\SCRIPT.TXT", "COPY " + work + "\\src\\A.TXT " + work + "\\out\r\n");
    HANDLE held = CreateFileA((work + "\\SCRIPT.TXT").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    InstallSettings.CommandFile = "SCRIPT.TXT";
    CapturedScriptMessages captured;
    RunCommandScript();
    CloseHandle(held);
    EXPECT_EQ(CapturedScriptMessages::Messages(), Messages{"Couldn't find script file SCRIPT.TXT."});
    EXPECT_FALSE(FileExists(work + "\\out\\A.TXT"));
}

// A handle that may not read gives a real read error after a successful open.
TEST_F(ScriptRun, ReadErrorYieldsNoBytesAtAll) {
    WriteWholeFile(work + "\\SCRIPT.TXT", "COPY A.TXT B.TXT\r\n");
    HANDLE writeOnly =
        CreateFileA((work + "\\SCRIPT.TXT").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writeOnly, INVALID_HANDLE_VALUE);
    std::string bytes = "stale";
    EXPECT_FALSE(ReadScriptBytes(writeOnly, bytes));
    CloseHandle(writeOnly);
    EXPECT_EQ(bytes, "");
}

// The finished dialog runs the script while it initialises: every message
// comes while the dialog is still hidden, and it shows after the last line.
struct DialogWatch {
    DWORD uiThread = 0;
    std::atomic<bool> visibleDuringMessage{false};
    std::atomic<bool> copiedBeforeShown{false};
    std::string copiedFile;
};
DialogWatch Watch;

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) != "#32770") return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The dialog of the user-interface thread, each caller looking for itself.
HWND FinishedDialogWindow() {
    HWND dialog = nullptr;
    EnumThreadWindows(Watch.uiThread, FindDialog, reinterpret_cast<LPARAM>(&dialog));
    return dialog;
}

void NoteMessageWhileDialogHidden(const std::string& text) {
    CapturedScriptMessages::Messages().push_back(text);
    HWND dialog = FinishedDialogWindow();
    if (!dialog || IsWindowVisible(dialog)) Watch.visibleDuringMessage = true;
}

DWORD WINAPI CloseDialogOnceShown(LPVOID) {
    HWND dialog = nullptr;
    for (int i = 0; i < 400; ++i) {
        Sleep(25);
        dialog = FinishedDialogWindow();
        if (dialog && IsWindowVisible(dialog)) {
            Watch.copiedBeforeShown = FileExists(Watch.copiedFile);
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            return 0;
        }
    }
    if (dialog) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

TEST_F(ScriptRun, FinishedDialogShowsOnlyAfterTheLastCommand) {
    WriteWholeFile(work + "\\SCRIPT.TXT", "COPY %STARTDIR%\\src\\GONE.TXT %STARTDIR%\\out\r\n"
                                      "COPY %STARTDIR%\\src\\A.TXT %STARTDIR%\\out\r\n");
    InstallSettings.CommandFile = "SCRIPT.TXT";
    Watch.uiThread = GetCurrentThreadId();
    Watch.visibleDuringMessage = false;
    Watch.copiedBeforeShown = false;
    Watch.copiedFile = work + "\\out\\A.TXT";

    CapturedScriptMessages captured;
    ScriptMessageReporter collect = SetScriptMessageReporter(NoteMessageWhileDialogHidden);
    HANDLE closer = CreateThread(nullptr, 0, CloseDialogOnceShown, nullptr, 0, nullptr);
    FinishedDialog finished;
    INT_PTR result = finished.DoModal();
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
    SetScriptMessageReporter(collect);

    EXPECT_EQ(result, IDOK) << "the finished dialog never became visible";
    EXPECT_EQ(CapturedScriptMessages::Messages().size(), 1u);
    EXPECT_FALSE(Watch.visibleDuringMessage);
    EXPECT_TRUE(Watch.copiedBeforeShown);
}
}  // namespace

namespace {
// The sample medium's script, as SETUP.INI names it, copies one file into the
// Windows folder and one into the install folder, and says nothing.
TEST_F(ScriptRun, SampleMediumScriptCopiesIntoWindowsAndInstallFolders) {
    char commandFile[1024] = {};
    GetPrivateProfileStringA("Setup", "CommandFile", "Error", commandFile, sizeof commandFile,
                             SAMPLE_MEDIUM_DIR "\\SETUP.INI");
    InstallSettings.CommandFile = commandFile;
    InstallSettings.StartDir = SAMPLE_MEDIUM_DIR;
    InstallSettings.WindowsDir = work + "\\windows";
    InstallSettings.InstallPath = work + "\\Zandel";
    CreateDirectoryA(InstallSettings.WindowsDir.c_str(), nullptr);
    CreateDirectoryA(InstallSettings.InstallPath.c_str(), nullptr);

    CapturedScriptMessages captured;
    RunCommandScript();
    EXPECT_EQ(CapturedScriptMessages::Messages(), Messages{});
    const std::string medium = SAMPLE_MEDIUM_DIR;
    EXPECT_EQ(FileContent(work + "\\windows\\ZANDEL.INI"), FileContent(medium + "\\EXTRAS\\ZANDEL.INI"));
    EXPECT_EQ(FileContent(work + "\\Zandel\\Read Me First.txt"), FileContent(medium + "\\EXTRAS\\Read Me First.txt"));
    EXPECT_NE(FileContent(work + "\\Zandel\\Read Me First.txt"), "<missing>");
    EXPECT_EQ(CountFiles(work + "\\windows\\*.*"), 3);  // ".", ".." and the one file
}
}  // namespace
