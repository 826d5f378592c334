#include "engine/FileOperations.h"

#include <gtest/gtest.h>

#include <tuple>

#include "TestFiles.h"
#include "record/ClosingPrograms.h"
#include "framework/FileInUse.h"
#include "framework/RestartManager.h"

namespace {
class FileOperations : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = WorkFolder(std::string("FileOperations.") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        RemoveTree(m_root);
        MakeFolders(m_root);
    }
    void TearDown() override { RemoveTree(m_root); }
    std::string m_root;
};

TEST_F(FileOperations, CreateDirectoryPathMakesEveryFolderAlongThePath) {
    EXPECT_TRUE(CreateDirectoryPath(m_root + "\\A\\B\\C"));
    EXPECT_TRUE(FileExists(m_root + "\\A\\B\\C"));
    // Doubled and trailing separators, and folders that already exist.
    EXPECT_TRUE(CreateDirectoryPath(m_root + "\\A\\\\D\\"));
    EXPECT_TRUE(FileExists(m_root + "\\A\\D"));
    // A relative path is created below the current directory.
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(m_root.c_str());
    EXPECT_TRUE(CreateDirectoryPath("R\\S"));
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(FileExists(m_root + "\\R\\S"));
}

TEST_F(FileOperations, CreateDirectoryPathRefusesNetworkAndOverlongPaths) {
    EXPECT_FALSE(CreateDirectoryPath("\\\\server\\share\\dir"));
    std::string overlong = m_root + "\\Top\\" + std::string(MAX_PATH, 'x');
    EXPECT_FALSE(CreateDirectoryPath(overlong));
    EXPECT_FALSE(FileExists(m_root + "\\Top")) << "no part of an overlong path is created";
}

TEST_F(FileOperations, PathExistsIsFalseOnlyForFileNotFound) {
    WriteWholeFile(m_root + "\\File.txt", "x");
    const struct {
        std::string path;
        bool expected;
    } cases[] = {
        {m_root + "\\File.txt", true},
        {m_root, true},
        {m_root + "\\Missing.txt", false},
        // A missing folder on the way is "path not found" (error 3): present.
        {m_root + "\\NoSuchFolder\\File.txt", true},
    };
    for (const auto& c : cases) EXPECT_EQ(PathExists(c.path), c.expected) << c.path;
}

TEST_F(FileOperations, QueryFileSizeAndWriteTimeOfTheFirstMatch) {
    WriteWholeFile(m_root + "\\Data.bin", std::string(70000, 'd'));
    HANDLE file = CreateFileA((m_root + "\\Data.bin").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    SYSTEMTIME when = {1996, 11, 4, 14, 19, 42, 3, 0};
    FILETIME written;
    SystemTimeToFileTime(&when, &written);
    SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);

    EXPECT_EQ(QueryFileSize(m_root + "\\Data.bin"), 70000u);
    EXPECT_EQ(QueryFileSize(m_root + "\\Missing.bin"), 0u);
    FILETIME got = QueryFileWriteTime(m_root + "\\Data.bin");
    EXPECT_EQ(CompareFileTime(&got, &written), 0);
}

// What a failed move or delete says about the file: another program's
// handle, or a refusal of another kind. Each part of the rule by itself.
TEST(FileInUse, TheErrorAndTheAttributesDecide) {
    const DWORD normal = FILE_ATTRIBUTE_ARCHIVE, readOnly = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    const struct {
        DWORD error;
        DWORD attributes;
        bool held;
    } cases[] = {
        {ERROR_SHARING_VIOLATION, normal, true},
        {ERROR_SHARING_VIOLATION, readOnly, true},
        {ERROR_LOCK_VIOLATION, normal, true},
        {ERROR_ACCESS_DENIED, normal, true},
        {ERROR_ACCESS_DENIED, FILE_ATTRIBUTE_NORMAL, true},
        // Denied for being read-only, for being a folder, or for nothing being there.
        {ERROR_ACCESS_DENIED, readOnly, false},
        {ERROR_ACCESS_DENIED, FILE_ATTRIBUTE_DIRECTORY, false},
        {ERROR_ACCESS_DENIED, INVALID_FILE_ATTRIBUTES, false},
        {ERROR_FILE_NOT_FOUND, normal, false},
        {ERROR_DISK_FULL, normal, false},
        {ERROR_ALREADY_EXISTS, normal, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HeldByAnotherProgram(c.error, c.attributes), c.held) << c.error << " " << c.attributes;
}

// The probe sees a handle that shares nothing, or that does not share
// deletion; a handle that shares everything, a read-only file, a missing one
// are not held. It changes nothing.
TEST_F(FileOperations, IsHeldNowSeesAnotherHandleAndChangesNothing) {
    const std::string path = m_root + "\\Held.txt";
    ASSERT_TRUE(WriteWholeFile(path, "first edition"));
    EXPECT_FALSE(IsHeldNow(path));
    for (DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
        HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(IsHeldNow(path)) << "shared " << share;
        CloseHandle(held);
    }
    HANDLE open = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(IsHeldNow(path)) << "a handle that shares deletion lets the file move";
    CloseHandle(open);
    EXPECT_EQ(FileContent(path), "first edition");
    ASSERT_TRUE(WriteWholeFile(m_root + "\\ReadOnly.txt", "kept", FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(IsHeldNow(m_root + "\\ReadOnly.txt"));
    EXPECT_FALSE(IsHeldNow(m_root + "\\Missing.txt"));
}

// Whether setup offers to close the programs: the system named them all,
// none is critical or of an unknown kind, all run in the reader's session,
// and no restart is needed. Each part of the rule by itself. (Under Wine the
// Restart Manager names no program: this table is where the rule is shown.)
TEST(FileHolders, CloseIsOfferedOnlyForProgramsTheReaderMayClose) {
    auto holders = [](std::vector<HoldingProgram> programs, bool known = true, bool restart = false) {
        FileHolders h;
        h.known = known;
        h.programs = std::move(programs);
        h.restartNeeded = restart;
        return h;
    };
    const HoldingProgram viewer{"Acme Reader", HoldingProgram::MainWindow, 1};
    const HoldingProgram editor{"Notepad", HoldingProgram::OtherWindow, 1};
    const struct {
        const char* name;
        FileHolders holders;
        bool offered;
    } cases[] = {
        {"a window in the reader's session", holders({viewer}), true},
        {"two programs", holders({viewer, editor}), true},
        {"a service", holders({{"Indexer", HoldingProgram::Service, 1}}), true},
        {"Explorer", holders({{"Windows Explorer", HoldingProgram::Explorer, 1}}), true},
        {"a console program", holders({{"Command Prompt", HoldingProgram::Console, 1}}), true},
        {"the system cannot tell", holders({viewer}, false), false},
        {"nothing named", holders({}), false},
        {"a restart is needed", holders({viewer}, true, true), false},
        {"a critical part of the system", holders({viewer, {"csrss", HoldingProgram::Critical, 1}}), false},
        {"a program of an unknown kind", holders({{"?", HoldingProgram::Unknown, 1}}), false},
        {"another user's session", holders({viewer, {"Acme Reader", HoldingProgram::MainWindow, 2}}), false},
        {"session 0 seen from session 1", holders({{"Indexer", HoldingProgram::Service, 0}}), false},
    };
    for (const auto& c : cases) EXPECT_EQ(MayOfferToClose(c.holders, 1), c.offered) << c.name;
}

// What the system's list says, as setup reads it: any reason for a restart
// (each of the system's reasons by its number) means closing cannot help,
// and Close Programs is not offered. Each program keeps its process (id and
// start), name, kind and session.
TEST(FileHolders, ARestartTheSystemAsksForKeepsClosingFromBeingOffered) {
    RM_PROCESS_INFO viewer = {};
    viewer.Process = {4242, {0x89ABCDEF, 0x01D9ABCD}};
    lstrcpyW(viewer.strAppName, L"Acme Reader");
    viewer.ApplicationType = RmMainWindow;
    viewer.TSSessionId = 1;
    for (DWORD reasons : {0x0u, 0x1u, 0x2u, 0x4u, 0x8u, 0x10u, 0x20u, 0x24u}) {
        FileHolders holders = HoldersFromList({viewer}, reasons);
        EXPECT_EQ(holders.restartNeeded, reasons != 0) << reasons;
        EXPECT_EQ(MayOfferToClose(holders, 1), reasons == 0) << reasons;
    }
    const HoldingProgram p = HoldersFromList({viewer}, 0).programs.at(0);
    EXPECT_EQ(std::make_tuple(p.name, p.kind, p.session, p.processId, p.started.dwLowDateTime, p.started.dwHighDateTime),
              std::make_tuple(std::string("Acme Reader"), 1, 1ul, 4242ul, 0x89ABCDEFul, 0x01D9ABCDul));
}

// The very processes shown, or not: the same set in any order (one process
// by two handles once) is; a process more, or an id back with another start
// (a new process), or a list the system could not give is not.
TEST(FileHolders, OnlyTheProcessesTheReaderWasShownAreTheSame) {
    auto held = [](std::vector<std::pair<DWORD, DWORD>> processes, bool known = true) {
        FileHolders h;
        h.known = known;
        for (auto [id, start] : processes)
            h.programs.push_back({"Acme Reader", HoldingProgram::MainWindow, 1, id, FILETIME{start, 0x01D9}});
        return h;
    };
    const FileHolders shown = held({{10, 1}, {20, 2}});
    EXPECT_TRUE(SameHolders(shown, held({{20, 2}, {10, 1}, {10, 1}})));
    EXPECT_FALSE(SameHolders(shown, held({{10, 1}, {20, 2}, {30, 3}})));
    EXPECT_FALSE(SameHolders(shown, held({{10, 1}})));
    EXPECT_FALSE(SameHolders(shown, held({{10, 1}, {20, 9}})));
    EXPECT_FALSE(SameHolders(shown, held({{10, 1}, {20, 2}}, false)));
}

// The names as the question shows them: each once, in the order named, at
// most eight and then how many more, each cut to 80 bytes; one line for a log.
TEST(FileHolders, TheListNamesEachProgramOnceWithinItsBounds) {
    auto named = [](std::vector<std::string> names) {
        FileHolders h;
        h.known = true;
        for (std::string& name : names) h.programs.push_back({std::move(name), HoldingProgram::MainWindow, 1});
        return h;
    };
    EXPECT_EQ(ProgramList(FileHolders{}), "");
    EXPECT_EQ(ProgramList(named({})), "");
    EXPECT_EQ(ProgramList(named({"Acme Reader", "Notepad", "Acme Reader"})), "Acme Reader\r\nNotepad");
    EXPECT_EQ(ProgramList(named({""})), "?");
    std::vector<std::string> nine;
    for (char c = '1'; c <= '9'; ++c) nine.push_back(std::string("Program ") + c);
    EXPECT_EQ(ProgramList(named(std::vector<std::string>(nine.begin(), nine.begin() + 8))),
              "Program 1\r\nProgram 2\r\nProgram 3\r\nProgram 4\r\nProgram 5\r\nProgram 6\r\nProgram 7\r\n"
              "Program 8");
    EXPECT_EQ(ProgramList(named(nine)),
              "Program 1\r\nProgram 2\r\nProgram 3\r\nProgram 4\r\nProgram 5\r\nProgram 6\r\nProgram 7\r\n"
              "Program 8\r\n(and 1 more)");
    EXPECT_EQ(ProgramList(named({std::string(80, 'a')})), std::string(80, 'a'));
    EXPECT_EQ(ProgramList(named({std::string(81, 'a')})), std::string(80, 'a'));
    // Cut after a whole character: in UTF-8, 79 ASCII bytes and a two-byte
    // "é" pass 80, and the "é" goes whole; in a code page of single bytes
    // its two bytes are two characters.
    EXPECT_EQ(ProgramList(named({std::string(79, 'a') + "\xC3\xA9"})),
              std::string(79, 'a') + (GetACP() == CP_UTF8 ? "" : "\xC3"));
    EXPECT_EQ(ProgramsOnOneLine(named({"Acme Reader", "Notepad"})), "Acme Reader, Notepad");
    EXPECT_EQ(ProgramsOnOneLine(FileHolders{}), "programs the system cannot name");
}

TEST(MakeLongFileName, TurnsUnderscoreNamesIntoLongNames) {
    const struct {
        const char* name;
        const char* expected;
    } cases[] = {
        {"READ_ME.TXT", "Read Me.txt"}, {"CHAP_1_B", "Chap 1 B"}, {"SETUP.EX_", "Setup.ex "},
        {"A__B", "A  B"},               {"", ""},                 {"_X_", " X "},
        {"MY_DOCS", "My Docs"},         {"already long", "Already long"},
    };
    for (const auto& c : cases) EXPECT_EQ(MakeLongFileName(c.name), c.expected) << c.name;
}
}  // namespace
