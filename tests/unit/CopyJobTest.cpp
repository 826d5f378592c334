#include "engine/CopyJob.h"

#include <gtest/gtest.h>
#include <lzexpand.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <memory>

#include "TestFiles.h"
#include "TestWindows.h"
#include "settings/SetupTexts.h"
#include "engine/FileFacts.h"
#include "engine/SzddStream.h"
#include "engine/PathShortening.h"
#include "engine/ProgressDialog.h"
#include "engine/ProgressPrompts.h"
#include "record/ContentHash.h"
#include "record/RecordedFiles.h"
#include "dialogs/MessageDialogs.h"
#include "framework/AnsiText.h"
#include "framework/Event.h"
#include "framework/HeldFolder.h"
#include "framework/PathText.h"
#include "framework/SafeFormat.h"

namespace {
const std::string kFixtures = SZDD_FIXTURE_DIR;
const std::string kSmall = "small text file, a few words\r\n";
constexpr int kFieldWidth = 400;

// The progress dialog's two fields, shown as the dialog shows them: at once
// before a question (WM_SHOW_PROGRESS), and at the end of the copy.
LRESULT CALLBACK ProgressFieldsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SHOW_PROGRESS) {
        auto* report = reinterpret_cast<ProgressReport*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        ShowReportedFile(window, *report, kFieldWidth);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The product's prompts, with a look at each file handed over, so that a test
// can cancel in the middle of the copy as the progress dialog would.
class WatchedPrompts : public ProgressPrompts {
public:
    using ProgressPrompts::ProgressPrompts;
    void ShowFile(const char* sourceName, const std::string& destPath) override {
        ProgressPrompts::ShowFile(sourceName, destPath);
        if (onFile) onFile();
    }
    void FileBytesRead(uint64_t read) override {
        ProgressPrompts::FileBytesRead(read);
        if (onRead) onRead();
    }
    // Once the run has begun (its journal, its way and the destination held)
    // and before the walk reaches the first entry.
    void SetTotalBytes(uint64_t total) override {
        ProgressPrompts::SetTotalBytes(total);
        if (onBegun) onBegun();
    }
    std::function<void()> onFile;
    std::function<void()> onRead;
    std::function<void()> onBegun;
};

class CopyEngine : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = WorkFolder(std::string("CopyEngine.") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        RemoveTree(m_root);
        m_source = m_root + "\\Medium";
        m_dest = m_root + "\\Installed";
        MakeFolders(m_source);
        MakeFolders(m_dest);
        SetupTexts.ConfirmReplaceTitle = "Confirm File Replace";
        SetupTexts.ConfirmReplaceText1 = "Replace '%s'?";
        SetupTexts.ConfirmReplaceText3 = "modified on %s";
        SetupTexts.ExitTitle = "Exit Setup";

        // The progress dialog's two fields, on this (the user-interface) thread.
        WNDCLASSA progressClass = {};
        progressClass.lpfnWndProc = ProgressFieldsProc;
        progressClass.hInstance = GetModuleHandleA(nullptr);
        progressClass.lpszClassName = "CopyEngineTestProgress";
        RegisterClassA(&progressClass);
        m_progress = CreateWindowExA(0, "CopyEngineTestProgress", "progress", WS_POPUP, 0, 0, 500, 120, nullptr,
                                     nullptr, nullptr, nullptr);
        SetWindowLongPtrA(m_progress, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&m_report));
        CreateWindowExA(0, "STATIC", "", WS_CHILD, 10, 40, 400, 14, m_progress,
                        reinterpret_cast<HMENU>(1007), nullptr, nullptr);
        CreateWindowExA(0, "STATIC", "", WS_CHILD, 10, 80, 400, 14, m_progress,
                        reinterpret_cast<HMENU>(1009), nullptr, nullptr);
    }
    void TearDown() override {
        DestroyWindow(m_progress);
        RemoveTree(m_root);
    }

    // Runs a copy job from the medium folder into the destination on a worker
    // thread, the questions owned by the progress window, answering each
    // dialog with the next button of `answers` (titles are recorded); then
    // ends the run (Finish) unless told not to. The job addresses the medium
    // by full paths: the current directory is another folder, and stays it.
    void Copy(std::vector<int> answers = {}, const std::function<void(HWND)>& onDialog = {}, bool end = true) {
        CurrentDirectoryScope elsewhere(m_root);
        m_report.Clear();
        m_prompts = std::make_unique<WatchedPrompts>(m_progress, m_report, &AskToLeaveSetup);
        m_job = std::make_unique<CopyJob>(m_source, m_dest, m_options, *m_prompts);
        if (!m_journalFolder.empty()) m_job->KeepJournalIn(m_journalFolder, "Test Book");
        if (m_beforeRun) m_beforeRun();
        m_prompts->onFile = m_onFile;
        m_prompts->onRead = m_onRead;
        m_prompts->onBegun = m_onBegun;
        size_t next = 0;
        bool ended = RunOnWorker([this] { m_job->Run(); },
                                 [&](HWND dialog) {
                                     m_titles.push_back(WindowText(dialog));
                                     if (onDialog) onDialog(dialog);
                                     if (next < answers.size()) {
                                         ClickButton(dialog, answers[next++]);
                                     } else {
                                         ADD_FAILURE() << "unexpected dialog " << m_titles.back();
                                         ClickButton(dialog, IDOK);
                                     }
                                 });
        EXPECT_TRUE(ended);
        ShowReportedFile(m_progress, m_report, kFieldWidth);
        EXPECT_EQ(next, answers.size()) << "dialogs answered";
        char after[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, after);
        EXPECT_STREQ(after, m_root.c_str()) << "current directory after the copy";
        if (end) m_job->Finish();
    }
    const CopyOutcome& Outcome() const { return m_job->Outcome(); }

    void Source(const std::string& relative, const std::string& content, DWORD attributes = 0) {
        WriteWholeFile(m_source + "\\" + relative, content, attributes);
    }
    void SourceFromFixture(const std::string& relative, const std::string& fixture) {
        Source(relative, FileContent(kFixtures + "\\" + fixture));
    }
    std::string Installed(const std::string& relative) { return FileContent(m_dest + "\\" + relative); }
    std::string Field(int id) { return ItemText(m_progress, id); }

    std::string m_root, m_source, m_dest;
    CopyOptions m_options;
    HWND m_progress = nullptr;
    ProgressReport m_report;
    std::unique_ptr<WatchedPrompts> m_prompts;
    std::function<void()> m_onFile;  // on the worker, after each file is handed over
    std::function<void()> m_onRead;  // on the worker, after the bytes read of a file are told
    std::function<void()> m_onBegun;  // on the worker, once the run has begun, before its first entry
    std::function<void()> m_beforeRun;  // once the job is made, before it runs
    std::unique_ptr<CopyJob> m_job;
    std::vector<std::string> m_titles;
    std::string m_journalFolder;  // where the job keeps its journal on the disk; none when empty
};

TEST_F(CopyEngine, CopiesTheTreeSkippingOnlyFoldersThatStartWithADot) {
    Source("README.TXT", "readme");
    Source(".profile", "dot file");
    Source("HIDDEN.DAT", "hidden", FILE_ATTRIBUTE_HIDDEN);
    Source("LOCKED.TXT", "read-only", FILE_ATTRIBUTE_READONLY);
    Source("DOCS\\GUIDE.TXT", "guide");
    Source("DOCS\\DEEP\\DEEPER\\LEAF.TXT", "leaf");
    Source("DOCS\\.svn\\entries", "svn");
    Source(".old\\STALE.TXT", "stale");
    Copy();
    // The bar's range: every installed file's bytes (6+8+6+9+5+4), the dot folders' none.
    EXPECT_EQ(m_report.Bytes().total, 38u) << "the copy lists before its first file";
    EXPECT_EQ(m_report.Bytes().done, 38u) << "the bar ends where the listing did";

    const std::map<std::string, std::string> expected = {
        {"README.TXT", "readme"},          {".profile", "dot file"},
        {"HIDDEN.DAT", "hidden"},          {"LOCKED.TXT", "read-only"},
        {"DOCS\\GUIDE.TXT", "guide"},      {"DOCS\\DEEP\\DEEPER\\LEAF.TXT", "leaf"},
    };
    for (const auto& [path, content] : expected) EXPECT_EQ(Installed(path), content) << path;
    EXPECT_FALSE(FileExists(m_dest + "\\.old"));
    EXPECT_FALSE(FileExists(m_dest + "\\DOCS\\.svn"));
    // Copied files carry no attributes: a read-only file from a CD becomes writable.
    for (const char* name : {"LOCKED.TXT", "HIDDEN.DAT"}) {
        DWORD attributes = GetFileAttributesA((m_dest + "\\" + name).c_str());
        EXPECT_EQ(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u) << name;
    }
    EXPECT_TRUE(m_titles.empty());
}

TEST_F(CopyEngine, UnderscoreNamesBecomeLongNamesWhileTheFieldShowsTheNameAsFound) {
    m_options.longNames = true;
    m_dest = m_root + "\\Installed\\A rather long installation folder\\for the progress field";
    MakeFolders(m_dest);
    Source("MY_DOCS\\READ_ME.TXT", "read me");
    Copy();
    EXPECT_EQ(Installed("My Docs\\Read Me.txt"), "read me");
    EXPECT_EQ(Field(1007), "READ_ME.TXT");
    std::string full = m_dest + "\\My Docs\\Read Me.txt";
    EXPECT_EQ(Field(1009), ShortenPathToFit(m_progress, kFieldWidth, full));
    EXPECT_NE(Field(1009), full) << "the path is long enough to be shortened";
}

TEST_F(CopyEngine, ExpandsCompressedFilesAndCopiesOthersUnchanged) {
    m_options.compressed = true;
    SourceFromFixture("CHAPTER.TXT", "CHAPTER.TXT_");
    SourceFromFixture("DATA\\RANDOM.BIN", "RANDOM.BIN_");
    SourceFromFixture("EMPTY.TXT", "EMPTY.TXT_");
    SourceFromFixture("SMALL.TXT", "SMALL.TXT_");
    SourceFromFixture("PLAIN.TXT", "SMALL.TXT");
    Copy();
    for (const char* name : {"CHAPTER.TXT", "DATA\\RANDOM.BIN", "EMPTY.TXT", "SMALL.TXT"}) {
        std::string file = std::string(name).substr(std::string(name).find_last_of('\\') + 1);
        EXPECT_EQ(Installed(name), FileContent(kFixtures + "\\" + file)) << name;
    }
    EXPECT_EQ(Installed("PLAIN.TXT"), kSmall);
    EXPECT_FALSE(Outcome().expandFailed);
    EXPECT_EQ(ListingOrder(m_dest).size(), 5u) << "no temporary file is left behind";
}

// A file that is not compressed on a compressed medium (the publisher's pack
// leaves one that would not shrink) is copied as a plain file, whatever its
// size, not through the LZ library that counts in a LONG: it arrives with its
// time stamp as on the medium, as a plain copy keeps it, and normal.
TEST_F(CopyEngine, AFileNotCompressedOnACompressedMediumIsCopiedPlainly) {
    m_options.compressed = true;
    Source("VIDEO.AVI", kSmall, FILE_ATTRIBUTE_READONLY);
    const FILETIME pressed = {0x5E2A0000, 0x01C07000};  // December 2000
    HANDLE source = CreateFileA((m_source + "\\VIDEO.AVI").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    ASSERT_NE(source, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(source, nullptr, nullptr, &pressed));
    CloseHandle(source);
    Copy();
    EXPECT_EQ(Installed("VIDEO.AVI"), kSmall);
    WIN32_FILE_ATTRIBUTE_DATA installed = {};
    ASSERT_TRUE(GetFileAttributesExA((m_dest + "\\VIDEO.AVI").c_str(), GetFileExInfoStandard, &installed));
    EXPECT_EQ(installed.ftLastWriteTime.dwHighDateTime, pressed.dwHighDateTime);
    EXPECT_EQ(installed.ftLastWriteTime.dwLowDateTime, pressed.dwLowDateTime);
    EXPECT_FALSE(installed.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(Outcome().expandFailed);
}

// The bar moves within one large file: part-way through its expansion, and
// through its plain copy, the bytes done stand between none and all of the
// file, and the record's entry comes from the bytes written.
TEST_F(CopyEngine, TheBarMovesWithinOneLargeFile) {
    std::string plain(3500000, '\0');
    for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>(i * 131 % 251);
    const struct {
        bool compressed;
        std::string source, installed;
    } cases[] = {
        {true, FileContent(kFixtures + "\\LARGE.BIN_"), FileContent(kFixtures + "\\LARGE.BIN")},
        {false, plain, plain},
    };
    for (const auto& c : cases) {
        m_options.compressed = c.compressed;
        RemoveTree(m_dest);
        MakeFolders(m_dest);
        Source("LARGE.BIN", c.source);
        const uint64_t size = c.source.size();
        std::vector<uint64_t> partWay;
        m_onRead = [&] {
            CopiedBytes bytes = m_report.Bytes();
            EXPECT_EQ(bytes.total, size);
            if (bytes.done > 0 && bytes.done < size) partWay.push_back(bytes.done);
        };
        Copy();
        EXPECT_GE(partWay.size(), 2u) << "the bar stood still through " << size << " bytes";
        EXPECT_EQ(m_report.Bytes().done, size);
        EXPECT_EQ(Installed("LARGE.BIN"), c.installed);
        ASSERT_EQ(Outcome().writtenEntries.size(), 1u);
        EXPECT_EQ(Outcome().writtenEntries[0].hash, HashBytes(c.installed.data(), c.installed.size()));
        EXPECT_EQ(Outcome().writtenEntries[0].size, c.installed.size());
    }
}

// Failed expansions are noted (expandFailed), go on with the next file and never
// cost the user the file that is already at the destination. Each names the
// room it needed: the size its header declares, or its size on the medium
// when that is larger (a tiny file) or the file cannot be read.
TEST_F(CopyEngine, FailedExpansionsKeepTheExistingFileAndGoOn) {
    m_options.compressed = true;
    std::string unknownMethod = FileContent(kFixtures + "\\SMALL.TXT_");
    unknownMethod[8] = 'Q';
    const struct {
        const char* name;
        std::string source;
        bool heldOpen;
        size_t needed;
    } cases[] = {
        {"cut short", FileContent(kFixtures + "\\CHAPTER.CUT_"), false, FileContent(kFixtures + "\\CHAPTER.TXT").size()},
        {"unknown method", unknownMethod, false, FileContent(kFixtures + "\\SMALL.TXT_").size()},
        {"source cannot be opened", FileContent(kFixtures + "\\SMALL.TXT_"), true,
         FileContent(kFixtures + "\\SMALL.TXT_").size()},
    };
    // With the user's file there, and with none: a new file that did not
    // arrive whole is not left looking installed.
    for (bool existing : {true, false}) {
        for (const auto& c : cases) {
            RemoveTree(m_source);
            RemoveTree(m_dest);
            MakeFolders(m_dest);
            Source("FILE.TXT", c.source);
            SourceFromFixture("OTHER.TXT", "SMALL.TXT_");
            if (existing) WriteWholeFile(m_dest + "\\FILE.TXT", "the user's own file");
            // The source held open without sharing cannot be opened by the engine.
            HANDLE held = c.heldOpen ? CreateFileA((m_source + "\\FILE.TXT").c_str(), GENERIC_READ, 0, nullptr,
                                                   OPEN_EXISTING, 0, nullptr)
                                     : INVALID_HANDLE_VALUE;
            Copy(existing ? std::vector<int>{IDOK} : std::vector<int>{});
            if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
            EXPECT_TRUE(Outcome().expandFailed) << c.name;
            ASSERT_EQ(Outcome().failedFiles.size(), 1u) << c.name;
            EXPECT_EQ(Outcome().failedFiles[0].size, c.needed) << c.name;
            if (existing) {
                EXPECT_EQ(Installed("FILE.TXT"), "the user's own file") << c.name;
            }
            EXPECT_EQ(Installed("OTHER.TXT"), kSmall) << c.name;
            EXPECT_EQ(ListingOrder(m_dest).size(), existing ? 2u : 1u) << c.name << ", existing " << existing
                                                                      << ": nothing else is left behind";
        }
    }
}

// A file stands where a folder belongs: no question about files that are not
// there, each of them a failed file (of its kind), and the copy goes on.
TEST_F(CopyEngine, FilesWhoseFolderCannotBeMadeFailWithoutAQuestion) {
    for (bool compressed : {true, false}) {
        m_options.compressed = compressed;
        RemoveTree(m_dest);
        MakeFolders(m_dest);
        SourceFromFixture("SUB\\INNER.TXT", "SMALL.TXT_");
        SourceFromFixture("TOP.TXT", "SMALL.TXT_");
        WriteWholeFile(m_dest + "\\SUB", "a file where the folder should be");
        Copy();
        EXPECT_EQ(Outcome().expandFailed, compressed);
        EXPECT_EQ(Outcome().copyFailed, !compressed);
        EXPECT_EQ(Installed("SUB"), "a file where the folder should be");
        EXPECT_EQ(ListingOrder(m_dest).size(), 2u) << "nothing else is written";
    }
}

// A plain copy that fails (here: a source the engine cannot open) is noted
// (copyFailed) and costs the user nothing: the file that stood there keeps its
// content and attributes, a new file leaves no trace; a read-only file the
// user agreed to replace is replaced and comes out writable.
TEST_F(CopyEngine, FailedPlainCopiesKeepTheUserFileAndLeaveNothingBehind) {
    Source("HELD.TXT", "new held");
    Source("NEWHELD.TXT", "new, never arrives");
    Source("LOCKED.TXT", "new locked");
    Source("HELDRO.TXT", "new held read-only");
    WriteWholeFile(m_dest + "\\HELD.TXT", "the user's own file");
    WriteWholeFile(m_dest + "\\LOCKED.TXT", "the user's read-only file", FILE_ATTRIBUTE_READONLY);
    WriteWholeFile(m_dest + "\\HELDRO.TXT", "kept read-only", FILE_ATTRIBUTE_READONLY);
    std::vector<HANDLE> held;
    for (const char* name : {"HELD.TXT", "NEWHELD.TXT", "HELDRO.TXT"})
        held.push_back(CreateFileA((m_source + "\\" + name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    Copy({1001});
    for (HANDLE h : held) CloseHandle(h);

    EXPECT_TRUE(Outcome().copyFailed);
    EXPECT_FALSE(Outcome().expandFailed);
    std::vector<std::string> failed;
    for (const FailedFile& file : Outcome().failedFiles) failed.push_back(file.path.substr(m_dest.size() + 1));
    std::sort(failed.begin(), failed.end());
    EXPECT_EQ(failed, (std::vector<std::string>{"HELD.TXT", "HELDRO.TXT", "NEWHELD.TXT"}));
    EXPECT_EQ(Installed("HELD.TXT"), "the user's own file");
    EXPECT_FALSE(FileExists(m_dest + "\\NEWHELD.TXT"));
    EXPECT_EQ(Installed("HELDRO.TXT"), "kept read-only");
    EXPECT_TRUE(GetFileAttributesA((m_dest + "\\HELDRO.TXT").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(Installed("LOCKED.TXT"), "new locked");
    EXPECT_FALSE(GetFileAttributesA((m_dest + "\\LOCKED.TXT").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ListingOrder(m_dest).size(), 3u) << "no temporary file is left behind";
}

// An unattended run stops at the first file that fails and undoes what it
// had done: the files copied before are gone, the user's file it was to
// replace is as it was, nothing after it is copied.
TEST_F(CopyEngine, StoppedAtTheFirstFailureTheRunIsUndone) {
    m_options.stopAtFirstFailure = true;
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT", "D.TXT"}) Source(name, "new " + std::string(name));
    Source("HELD.TXT", "new held, never arrives");
    WriteWholeFile(m_dest + "\\HELD.TXT", "the user's own file");
    HANDLE held = CreateFileA((m_source + "\\HELD.TXT").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    Copy({1001});
    CloseHandle(held);

    EXPECT_TRUE(Outcome().abandoned);
    ASSERT_EQ(Outcome().failedFiles.size(), 1u);
    EXPECT_EQ(Outcome().failedFiles[0].path, m_dest + "\\HELD.TXT");
    EXPECT_EQ(Outcome().failedFiles[0].size, 23u);
    EXPECT_EQ(ListingOrder(m_dest), std::vector<std::string>{"HELD.TXT"});
    EXPECT_EQ(Installed("HELD.TXT"), "the user's own file");
    // Exactly the files the medium lists before the held one were copied (and removed again).
    std::vector<std::string> order = ListingOrder(m_source);
    size_t before = std::find(order.begin(), order.end(), "HELD.TXT") - order.begin();
    EXPECT_EQ(Outcome().writtenFiles.size(), before);
}

TEST_F(CopyEngine, ExpandsIntoPathsLongerThanTheOpenFileStructureHolds) {
    m_options.compressed = true;
    m_dest = m_root + "\\Installed\\A Destination Folder With A Long Name For The Book";
    MakeFolders(m_dest);
    std::string deep = "Chapter One Listings\\Second Level Folder";
    SourceFromFixture(deep + "\\CHAPTER.TXT", "CHAPTER.TXT_");
    ASSERT_GT(m_dest.size() + deep.size(), 128u + 20);
    ASSERT_GT(m_source.size() + deep.size(), 128u);
    Copy();
    EXPECT_FALSE(Outcome().expandFailed);
    EXPECT_EQ(Installed(deep + "\\CHAPTER.TXT"), FileContent(kFixtures + "\\CHAPTER.TXT"));
}

// A destination path of 259 characters is copied and expanded, also over an
// existing file (whose temporary name must fit as well); one of 260 is
// skipped and counts as a failed file of its kind.
TEST_F(CopyEngine, DestinationPathsOf259CharactersCopyAnd260AreSkipped) {
    // A folder of 255 characters: "\\A.B" makes 259. Made through the wide
    // call, as the ANSI folder creation stops short of it.
    std::string base = m_root + "\\Installed\\";
    ASSERT_LT(base.size(), 200u) << "the build tree is too deep for this test";
    m_dest = base + std::string(255 - base.size(), 'd');
    std::wstring wide = L"\\\\?\\" + std::wstring(m_dest.begin(), m_dest.end());
    ASSERT_TRUE(CreateDirectoryW(wide.c_str(), nullptr)) << GetLastError();
    ASSERT_EQ((m_dest + "\\A.B").size(), 259u);
    Source("A.B", "fits");
    for (bool compressed : {false, true}) {
        m_options.compressed = compressed;
        WriteWholeFile(m_dest + "\\A.B", "old");
        Copy({IDOK});
        EXPECT_EQ(Installed("A.B"), "fits") << (compressed ? "expanded" : "copied");
        EXPECT_FALSE(Outcome().expandFailed);
        EXPECT_FALSE(Outcome().copyFailed);
        EXPECT_EQ(ListingOrder(m_dest), std::vector<std::string>{"A.B"}) << "no temporary file is left behind";
    }
    Source("AB.C", "one too long");
    for (bool compressed : {false, true}) {
        m_options.compressed = compressed;
        Copy({IDOK});
        EXPECT_EQ(ListingOrder(m_dest), std::vector<std::string>{"A.B"});
        EXPECT_EQ(Outcome().expandFailed, compressed);
        EXPECT_EQ(Outcome().copyFailed, !compressed);
    }
    RemoveTree(m_dest);
}

// A folder whose path would pass the bound is skipped; when it holds files
// (at any depth) they count as failed, an empty one is nothing lost.
TEST_F(CopyEngine, AFolderPastTheBoundCountsAsFailedFilesWhenItHoldsAny) {
    m_dest = m_root + "\\Installed\\" + std::string(120, 'd');
    MakeFolders(m_dest);
    std::string folder = std::string(259 - m_dest.size(), 'f');
    ASSERT_EQ((m_dest + "\\" + folder).size(), 260u);
    MakeFolders(m_source + "\\" + folder + "\\EMPTY");
    Source("SHORT.TXT", "fits");
    for (bool holdsFile : {false, true}) {
        if (holdsFile) Source(folder + "\\EMPTY\\DEEP.TXT", "too long");
        for (bool compressed : {false, true}) {
            m_options.compressed = compressed;
            RemoveTree(m_dest);
            MakeFolders(m_dest);
            Copy();
            EXPECT_EQ(m_report.Bytes().total, 4u) << "only what fits is read";
            EXPECT_EQ(ListingOrder(m_dest), std::vector<std::string>{"SHORT.TXT"});
            EXPECT_EQ(Outcome().expandFailed, holdsFile && compressed) << holdsFile;
            EXPECT_EQ(Outcome().copyFailed, holdsFile && !compressed) << holdsFile;
        }
    }
}

// A drive root as destination (C:\\ of the test prefix; the tree is one
// folder of a name of its own, removed again): no path the copy builds, nor
// the progress field, shows the backslash twice.
TEST_F(CopyEngine, ADriveRootDestinationJoinsWithOneBackslash) {
    const std::string folder = "CopyEngine Root Test";
    RemoveTree("C:\\" + folder);
    Source(folder + "\\A.TXT", "a");
    m_dest = "C:\\";
    Copy();
    EXPECT_EQ(FileContent("C:\\" + folder + "\\A.TXT"), "a");
    EXPECT_EQ(Field(1009), "C:\\" + folder + "\\A.TXT");
    RemoveTree("C:\\" + folder);
}

// A destination inside the medium's own tree (a medium on a hard disk) is
// not copied into itself.
TEST_F(CopyEngine, TheDestinationInsideTheSourceIsNotWalked) {
    Source("A.TXT", "a");
    Source("SUB\\B.TXT", "b");
    m_dest = m_source + "\\sub\\Book";  // the case the file system ignores
    MakeFolders(m_dest);
    Source("sub\\Book\\OLD.TXT", "installed before");
    Copy();
    EXPECT_EQ(m_report.Bytes().total, 2u) << "the destination is not listed";
    EXPECT_EQ(Installed("A.TXT"), "a");
    EXPECT_EQ(Installed("SUB\\B.TXT"), "b");
    EXPECT_FALSE(FileExists(m_dest + "\\SUB\\Book")) << "the destination was copied into itself";
}

// A folder of the medium that cannot be entered is a failed copy whatever
// the medium's kind, gets no empty copy at the destination, and the rest of
// the tree is copied.
TEST_F(CopyEngine, AFolderThatCannotBeEnteredIsAFailedCopy) {
    // A folder named with a trailing dot (made on another system) is listed,
    // but the name loses its dot when the system opens it, so it cannot be entered.
    std::wstring odd = L"\\\\?\\" + std::wstring(m_source.begin(), m_source.end()) + L"\\ODD.";
    ASSERT_TRUE(CreateDirectoryW(odd.c_str(), nullptr));
    Source("TOP.TXT", "top");
    for (bool compressed : {false, true}) {
        m_options.compressed = compressed;
        RemoveTree(m_dest);
        MakeFolders(m_dest);
        Copy();
        EXPECT_EQ(Installed("TOP.TXT"), compressed ? FileContent(m_source + "\\TOP.TXT") : "top");
        EXPECT_TRUE(Outcome().copyFailed) << compressed;
        EXPECT_FALSE(Outcome().expandFailed) << compressed;
        EXPECT_EQ(ListingOrder(m_dest), std::vector<std::string>{"TOP.TXT"}) << compressed;
        EXPECT_EQ(m_report.Bytes().total, 3u) << "the bar counts what could be listed";
    }
    RemoveDirectoryW(odd.c_str());
}

// Each answer of the replace question, for an existing file among others
// copied before and after it. While the question is open the progress fields
// show that file, however fast the others went by. Abandoned, the run leaves
// the destination as it found it.
TEST_F(CopyEngine, ReplaceQuestionAnswers) {
    const struct {
        const char* answer;
        std::vector<int> buttons;
        std::vector<std::string> titles;
        const char* installed;
        bool abandoned;
    } cases[] = {
        {"Yes", {IDOK}, {"Confirm File Replace"}, "new!", false},
        {"No", {1006}, {"Confirm File Replace"}, "old", false},
        {"Cancel, then continue", {IDCANCEL, IDCANCEL}, {"Confirm File Replace", "Exit Setup"}, "new!", false},
        {"Cancel, then exit", {IDCANCEL, IDOK}, {"Confirm File Replace", "Exit Setup"}, "old", true},
    };
    for (int i = 0; i < 40; ++i) Source("OTHER" + std::to_string(i) + ".TXT", "other");
    Source("FILE.TXT", "new!");
    const std::string questioned = m_dest + "\\FILE.TXT";
    for (const auto& c : cases) {
        m_titles.clear();
        RemoveTree(m_dest);
        MakeFolders(m_dest);
        WriteWholeFile(questioned, "old");
        std::vector<std::string> texts;
        Copy(c.buttons, [&](HWND dialog) {
            if (m_titles.size() == 1)
                texts = {ItemText(dialog, 1000), ItemText(dialog, 1010), ItemText(dialog, 1013), Field(1007), Field(1009)};
        });
        EXPECT_EQ(m_titles, c.titles) << c.answer;
        // The incoming file's size above, the existing file's below.
        EXPECT_EQ(texts, (std::vector<std::string>{"Replace 'FILE.TXT'?", "4 bytes", "3 bytes", "FILE.TXT",
                                                   ShortenPathToFit(m_progress, kFieldWidth, questioned)}))
            << c.answer;
        EXPECT_EQ(Installed("FILE.TXT"), c.installed) << c.answer;
        EXPECT_EQ(Outcome().abandoned, c.abandoned) << c.answer;
        EXPECT_EQ(Outcome().writtenEntries.size(), c.abandoned ? 0u : Outcome().writtenFiles.size()) << c.answer;
        EXPECT_EQ(ListingOrder(m_dest).size(), c.abandoned ? 1u : 41u) << c.answer;
    }
}

// Yes To All replaces every later file of the run without a question; a
// later run asks again.
TEST_F(CopyEngine, YesToAllReplacesEveryLaterFileWithoutAsking) {
    for (const char* name : {"A.TXT", "B.TXT", "SUB\\C.TXT"}) {
        Source(name, "new");
        WriteWholeFile(m_dest + "\\" + name, "old");
    }
    Copy({1001});
    EXPECT_EQ(m_titles.size(), 1u);
    for (const char* name : {"A.TXT", "B.TXT", "SUB\\C.TXT"}) EXPECT_EQ(Installed(name), "new") << name;

    Source("A.TXT", "newer");
    m_titles.clear();
    Copy({IDOK, IDOK, IDOK});
    EXPECT_EQ(m_titles.size(), 3u);
    EXPECT_EQ(Installed("A.TXT"), "newer");
}

// What a run did, as the record and the undoing need it: every file written
// (full paths, the replacing ones too), each replaced file with its kept
// original, every folder created (the destination's own, parents first),
// the bytes copied. A completed run keeps no original.
TEST_F(CopyEngine, TheOutcomeNamesWhatTheRunWroteReplacedAndCreated) {
    m_dest = m_root + "\\New\\Book";
    Source("A.TXT", "aaa");
    Source("SUB\\DEEP\\B.TXT", "bb");
    WriteWholeFile(m_dest + "\\A.TXT", "the reader's");
    RemoveTree(m_root + "\\New");
    MakeFolders(m_dest);  // made by hand: the run did not create it
    WriteWholeFile(m_dest + "\\A.TXT", "the reader's");
    Copy({IDOK}, {}, false);

    const CopyOutcome& outcome = Outcome();
    EXPECT_FALSE(outcome.abandoned);
    EXPECT_EQ(m_report.Bytes().done, 5u) << "the bytes of the files it went through";
    std::vector<std::string> written = outcome.writtenFiles;
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{m_dest + "\\A.TXT", m_dest + "\\SUB\\DEEP\\B.TXT"}));
    EXPECT_EQ(outcome.createdFolders, (std::vector<std::string>{m_dest + "\\SUB", m_dest + "\\SUB\\DEEP"}));
    // Their record entries were made as they were written: size, content and
    // last-write time as the disk now holds them.
    ASSERT_EQ(outcome.writtenEntries.size(), 2u);
    for (const RecordEntry& entry : outcome.writtenEntries) {
        EXPECT_EQ(entry, *FileEntryNow(entry.path)) << entry.path;
    }
    ASSERT_EQ(outcome.replacedFiles.size(), 1u);
    EXPECT_EQ(outcome.replacedFiles[0].path, m_dest + "\\A.TXT");
    EXPECT_EQ(FileContent(outcome.replacedFiles[0].keptOriginal), "the reader's") << "kept until the run ends";
    m_job->Finish();
    EXPECT_EQ(ListingOrder(m_dest), (std::vector<std::string>{"A.TXT", "SUB"})) << "the original is let go";

    // The destination made by the run is its own, first of all; so is a
    // folder the destination dialog made for it. The run's way starts at the
    // nearest folder that stood before (never one made for the run), and
    // the journal knows each folder the run made by which folder it is.
    for (bool dialogMadeOne : {false, true}) {
        RemoveTree(m_root + "\\New");
        if (dialogMadeOne) MakeFolders(m_root + "\\New");
        m_beforeRun = [&] {
            if (dialogMadeOne) m_job->AdoptCreatedFolders({m_root + "\\New"});
        };
        Copy();
        EXPECT_EQ(Outcome().createdFolders, (std::vector<std::string>{m_root + "\\New", m_dest, m_dest + "\\SUB",
                                                                     m_dest + "\\SUB\\DEEP"}));
        EXPECT_TRUE(Outcome().replacedFiles.empty());
        EXPECT_EQ(m_job->Journal().Start().path, m_root) << dialogMadeOne;
        EXPECT_EQ(m_job->Journal().Start().identity, HeldFolder::Root(m_root).Identity());
        std::vector<std::string> known;
        for (const JournalStep& step : m_job->Journal().Steps()) {
            if (step.kind != JournalStep::Kind::Folder) continue;
            EXPECT_EQ(step.madeIdentity, HeldFolder::Root(step.path).Identity()) << step.path;
            known.push_back(step.path);
        }
        EXPECT_EQ(known, Outcome().createdFolders);
    }
    m_beforeRun = {};
}

// A reader's file kept aside is noted under its name as the reader gave it
// (its letter case, not the medium's), so that an undo puts it back under
// that name.
TEST_F(CopyEngine, AKeptFileIsNotedUnderTheReadersName) {
    Source("A.TXT", "new a");
    Source("B.TXT", "new b");
    WriteWholeFile(m_dest + "\\a.txt", "the reader's a");
    WriteWholeFile(m_dest + "\\b.Txt", "the reader's b");
    Copy({1001}, {}, false);
    std::vector<std::string> kept;
    for (const JournalStep& step : m_job->Journal().Steps())
        if (step.kind == JournalStep::Kind::Kept) kept.push_back(step.path);
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::string>{m_dest + "\\a.txt", m_dest + "\\b.Txt"}));
    m_job->Cancel();
    m_job->Finish();
    std::vector<std::string> names = ListingOrder(m_dest);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "b.Txt"}));
}

// A file, its content, attributes and last-write time, or a folder.
struct Found {
    std::string content;
    DWORD attributes;
    uint64_t writeTime;
    bool operator==(const Found&) const = default;
};

void Snapshot(const std::string& folder, const std::string& relative, std::map<std::string, Found>& out) {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        std::string child = relative + "\\" + name;
        bool isFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        uint64_t time = static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
        out[child] = {isFolder ? "<folder>" : FileContent(folder + "\\" + name), data.dwFileAttributes,
                      isFolder ? 0 : time};
        if (isFolder) Snapshot(folder + "\\" + name, child, out);
    } while (FindNextFileA(search, &data));
    FindClose(search);
}

std::map<std::string, Found> Snapshot(const std::string& folder) {
    std::map<std::string, Found> out;
    Snapshot(folder, "", out);
    return out;
}

// Abandoned anywhere in the copy, the run is undone: the files it wrote and
// the folders it made go, each replaced file is back with its content,
// attributes and time, the reader's own files and folders are untouched.
// Cancelled from the progress dialog (the job's Cancel, from another
// thread), at a question, or in the exit question after Cancel there.
TEST_F(CopyEngine, AnAbandonedRunLeavesTheDestinationAsItFoundIt) {
    Source("A.TXT", "new a");
    Source("B.TXT", "new b");
    Source("C.TXT", "new c");
    Source("SUB\\D.TXT", "new d");
    Source("NEW\\DEEP\\E.TXT", "new e");
    for (int i = 0; i < 20; ++i) Source("F" + std::to_string(i) + ".TXT", "new f");
    const std::vector<std::string> asked = {"A.TXT", "B.TXT", "C.TXT", "SUB\\D.TXT"};
    enum class Cancel { InExitQuestion, WhileCopying, AtThirdQuestion };
    const struct {
        const char* name;
        std::vector<int> buttons;  // to the questions in order, then to the exit question
        Cancel cancel;
    } cases[] = {
        {"Yes, Yes, then Cancel and leave", {IDOK, IDOK, IDCANCEL, IDOK}, Cancel::InExitQuestion},
        {"Yes To All, cancelled from the progress dialog", {1001}, Cancel::WhileCopying},
        {"Yes twice, cancelled from the progress dialog at the third", {IDOK, IDOK, IDOK}, Cancel::AtThirdQuestion},
    };
    for (const auto& c : cases) {
        RemoveTree(m_dest);
        MakeFolders(m_dest + "\\EMPTY");
        for (const std::string& name : asked) WriteWholeFile(m_dest + "\\" + name, "the reader's " + name);
        SetFileAttributesA((m_dest + "\\A.TXT").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
        WriteWholeFile(m_dest + "\\OWN.TXT", "the reader's own");
        const std::map<std::string, Found> before = Snapshot(m_dest);
        // The copy changes every time stamp it replaces; a second apart.
        Sleep(1100);
        int questions = 0;
        // Cancelled with the file after the first replaced one.
        m_onFile = c.cancel != Cancel::WhileCopying ? std::function<void()>() : [this] {
            if (!m_job->Outcome().replacedFiles.empty()) m_job->Cancel();
        };
        Copy(c.buttons, [&](HWND dialog) {
            if (WindowText(dialog) == "Confirm File Replace" && ++questions == 3 && c.cancel == Cancel::AtThirdQuestion)
                m_job->Cancel();
        });
        EXPECT_TRUE(Outcome().abandoned) << c.name;
        EXPECT_FALSE(Outcome().restoreFailed) << c.name;
        EXPECT_FALSE(Outcome().replacedFiles.empty()) << c.name << ": something was replaced before the cancel";
        EXPECT_TRUE(Snapshot(m_dest) == before) << c.name;
    }
}

// A replaced file that cannot be put back (something holds the new file
// open) is reported by its name and where it is kept, and stays there: never
// lost. The run's journal stays too, and the next start puts the file back.
TEST_F(CopyEngine, AFileThatCannotBePutBackIsReportedAndKept) {
    m_journalFolder = m_root + "\\Journals";
    Source("A.TXT", "new a");
    Source("B.TXT", "new b");
    WriteWholeFile(m_dest + "\\A.TXT", "the reader's a");
    Copy({IDOK}, {}, false);
    m_job->Cancel();
    ASSERT_EQ(Outcome().replacedFiles.size(), 1u);
    std::string kept = Outcome().replacedFiles[0].keptOriginal;
    HANDLE held = CreateFileA((m_dest + "\\A.TXT").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    m_job->Finish();
    CloseHandle(held);
    EXPECT_TRUE(Outcome().restoreFailed);
    EXPECT_EQ(FileContent(kept), "the reader's a");
    EXPECT_FALSE(FileExists(m_dest + "\\B.TXT")) << "the rest is undone all the same";
    EXPECT_EQ(Outcome().notPutBack, (std::vector<NotPutBack>{{m_dest + "\\A.TXT", kept}}));
    // The journal stays, and the next start puts the file back.
    EXPECT_EQ(RepairUnfinishedRuns(m_journalFolder).repaired, 1);
    EXPECT_EQ(Installed("A.TXT"), "the reader's a");
    EXPECT_EQ(ListingOrder(m_dest), std::vector<std::string>{"A.TXT"});
}

// A run cut short at any kind of step (the process ended from the task list,
// a logoff, a power cut) is put right by the next start's repair: each of
// the reader's files back byte for byte with its attributes and time, what
// the run wrote and the folders it made gone, the journal gone. A run still
// going on, and one of another book when only one book's are repaired, are
// left alone.
TEST_F(CopyEngine, ARunCutShortIsPutRightByTheNextStart) {
    m_journalFolder = m_root + "\\Journals";
    Source("A.TXT", "new a");
    Source("B.TXT", "new b");
    Source("C.TXT", "new c");
    Source("SUB\\D.TXT", "new d");
    Source("NEW\\DEEP\\E.TXT", "new e, a little longer than the rest");
    for (int i = 0; i < 20; ++i) Source("F" + std::to_string(i) + ".TXT", "new f");
    // The step the run was at when it ended, made on the disk as it stood then.
    enum class Stop { BetweenFiles, AfterAMoveAside, InAReplacementsWrite, InANewFilesWrite, LastLinesLost, InTheUndo };
    const struct {
        const char* name;
        Stop stop;
    } cases[] = {
        {"between two files", Stop::BetweenFiles},
        {"after a move aside", Stop::AfterAMoveAside},
        {"in the middle of a replacement's write", Stop::InAReplacementsWrite},
        {"in the middle of a new file", Stop::InANewFilesWrite},
        {"the journal's last lines never reached the disk", Stop::LastLinesLost},
        {"during the undo itself", Stop::InTheUndo},
    };
    for (const auto& c : cases) {
        RemoveTree(m_dest);
        RemoveTree(m_journalFolder);
        MakeFolders(m_dest + "\\EMPTY");
        for (const char* name : {"A.TXT", "B.TXT", "C.TXT", "SUB\\D.TXT"})
            WriteWholeFile(m_dest + "\\" + name, std::string("the reader's ") + name);
        SetFileAttributesA((m_dest + "\\A.TXT").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
        WriteWholeFile(m_dest + "\\OWN.TXT", "the reader's own");
        const std::map<std::string, Found> before = Snapshot(m_dest);
        Sleep(1100);  // the copy changes every time stamp it replaces; a second apart
        // Stopped once three files are replaced and a new one written.
        m_onFile = [this] {
            const CopyOutcome& so = m_job->Outcome();
            if (so.replacedFiles.size() >= 3 && so.writtenFiles.size() > so.replacedFiles.size()) m_job->Cancel();
        };
        Copy({1001}, {}, false);
        const CopyOutcome& outcome = Outcome();
        ASSERT_GE(outcome.replacedFiles.size(), 3u) << c.name;
        const ReplacedFile last = outcome.replacedFiles.back();
        std::string newFile;
        for (const std::string& path : outcome.writtenFiles)
            if (before.count(path.substr(m_dest.size())) == 0) newFile = path;
        ASSERT_FALSE(newFile.empty()) << c.name;
        std::string journal = m_job->Journal().Path();
        ASSERT_TRUE(FileExists(journal)) << c.name;
        RepairResult whileRunning = RepairUnfinishedRuns(m_journalFolder);
        EXPECT_EQ(whileRunning.repaired, 0) << c.name << ": a run going on was undone";
        EXPECT_EQ(FileContent(last.keptOriginal), "the reader's " + last.path.substr(m_dest.size() + 1)) << c.name;

        m_job.reset();  // the process ends: nothing of the run's end happens
        // A file cut short in its write never had its "written as" line.
        auto cutInItsWrite = [&journal](const std::string& path, const std::string& part) {
            std::string text = FileContent(journal);
            size_t line = text.find("\r\nF\t" + path + "\t");
            ASSERT_NE(line, std::string::npos) << text;
            text.erase(line, text.find("\r\n", line + 2) - line);
            ASSERT_TRUE(WriteWholeFile(journal, text));
            WriteWholeFile(path, part);
        };
        switch (c.stop) {
        case Stop::BetweenFiles: break;
        case Stop::AfterAMoveAside: DeleteFileA(last.path.c_str()); break;
        case Stop::InAReplacementsWrite: cutInItsWrite(last.path, "ne"); break;
        case Stop::InANewFilesWrite: cutInItsWrite(newFile, "new e, a lit"); break;
        case Stop::LastLinesLost: {
            // Up to the middle of the first kept file's line: the other kept
            // files are found by their names.
            std::string text = FileContent(journal);
            size_t kept = text.find("\r\nK\t");
            ASSERT_NE(kept, std::string::npos) << text;
            WriteWholeFile(journal, text.substr(0, kept + 8));
            break;
        }
        case Stop::InTheUndo:
            // Newest first: the last kept file back and the new one gone already.
            ASSERT_TRUE(MoveFileExA(last.keptOriginal.c_str(), last.path.c_str(), MOVEFILE_REPLACE_EXISTING));
            DeleteFileA(newFile.c_str());
            break;
        }
        EXPECT_EQ(RepairUnfinishedRuns(m_journalFolder, "Another Book").repaired, 0) << c.name;
        RepairResult repair = RepairUnfinishedRuns(m_journalFolder, "Test Book");
        EXPECT_EQ(repair.repaired, 1) << c.name;
        EXPECT_EQ(repair.left, 0) << c.name;
        EXPECT_TRUE(repair.notPutBack.empty()) << c.name;
        const std::map<std::string, Found> after = Snapshot(m_dest);
        if (c.stop == Stop::LastLinesLost) {
            // The new files whose lines were lost may stay; the reader's are all back.
            for (const auto& [path, found] : before)
                EXPECT_TRUE(after.count(path) && after.at(path) == found) << c.name << ": " << path;
            for (const auto& [path, found] : after) EXPECT_EQ(path.find(".~sx"), std::string::npos) << c.name;
        } else {
            EXPECT_TRUE(after == before) << c.name;
        }
        EXPECT_EQ(ListingOrder(m_journalFolder), std::vector<std::string>{}) << c.name;
    }
}

// Cut short after the copy completed, while the kept originals were being
// deleted: the next start finishes the run instead of undoing it (the book's
// files stay, the kept originals go), once the install folder is there.
TEST_F(CopyEngine, ARunCutShortAfterItsCopyCompletedIsFinishedNotUndone) {
    m_journalFolder = m_root + "\\Journals";
    Source("A.TXT", "new a");
    Source("B.TXT", "new b");
    Source("SUB\\C.TXT", "new c");
    WriteWholeFile(m_dest + "\\A.TXT", "the reader's a");
    WriteWholeFile(m_dest + "\\B.TXT", "the reader's b");
    Copy({1001}, {}, false);
    ASSERT_EQ(Outcome().replacedFiles.size(), 2u);
    const std::string journal = m_job->Journal().Path();
    const std::string firstKept = Outcome().replacedFiles[0].keptOriginal;
    m_job.reset();
    // The line that says the copy completed reached the file, and one kept
    // original was deleted, before the process ended.
    ASSERT_TRUE(WriteWholeFile(journal, FileContent(journal) + "C\r\n"));
    ASSERT_TRUE(DeleteFileA(firstKept.c_str()));

    // The install folder away (a stick that is out): the kept original there
    // is neither reached nor forgotten; the journal waits for it.
    const std::string away = m_root + "\\Away";
    ASSERT_TRUE(MoveFileA(m_dest.c_str(), away.c_str()));
    RepairResult waiting = RepairUnfinishedRuns(m_journalFolder);
    EXPECT_EQ(waiting.repaired, 0);
    EXPECT_EQ(waiting.left, 1);
    EXPECT_EQ(ListingOrder(m_journalFolder).size(), 1u);
    ASSERT_TRUE(MoveFileA(away.c_str(), m_dest.c_str()));

    RepairResult repair = RepairUnfinishedRuns(m_journalFolder);
    EXPECT_EQ(repair.repaired, 1);
    EXPECT_EQ(Installed("A.TXT"), "new a");
    EXPECT_EQ(Installed("B.TXT"), "new b");
    EXPECT_EQ(Installed("SUB\\C.TXT"), "new c");
    EXPECT_EQ(ListingOrder(m_dest), (std::vector<std::string>{"A.TXT", "B.TXT", "SUB"})) << "a kept original is left";
    EXPECT_EQ(ListingOrder(m_journalFolder), std::vector<std::string>{});
}

using Tree = std::map<std::string, std::string>;

// The journals of the folder the job keeps them in.
std::vector<std::string> JournalsIn(const std::string& folder) {
    std::vector<std::string> journals;
    for (const std::string& name : ListingOrder(folder))
        if (name.size() > 4 && name.substr(name.size() - 4) == ".jnl") journals.push_back(name);
    return journals;
}

// A run cut short whose undo could not be finished then (a file held open),
// and a later run of the book writes the same names: the old journal never
// touches the later files, neither at the next start's repair nor when the
// later run completes (which retires the old journal after trying it). The
// reader's original stays where it is kept, named in the log. A run cut
// short in another folder is not the completed run's to retire: its journal
// stays, and puts the reader's file there back.
TEST_F(CopyEngine, AnOldJournalNeverTouchesALaterRunsFiles) {
    m_journalFolder = m_root + "\\Journals";
    Source("A.TXT", "new a");
    Source("N.TXT", "new n");
    Source("SUB\\D.TXT", "new d");
    for (bool laterRunCompletes : {false, true}) {
        RemoveTree(m_dest);
        RemoveTree(m_journalFolder);
        WriteWholeFile(m_dest + "\\A.TXT", "the reader's a");
        Copy({IDOK}, {}, false);
        ASSERT_EQ(Outcome().replacedFiles.size(), 1u);
        const std::string kept = Outcome().replacedFiles[0].keptOriginal;
        m_job.reset();  // cut short
        ASSERT_EQ(JournalsIn(m_journalFolder).size(), 1u);
        Sleep(1100);  // a later run writes later times
        const Tree later = {{"A.TXT", "later edition's a"}, {"N.TXT", "later edition's n"}, {"SUB\\D.TXT", "later edition's d"}};
        if (laterRunCompletes) {
            const std::string book = m_dest;
            m_dest = m_root + "\\Elsewhere";
            WriteWholeFile(m_dest + "\\A.TXT", "the reader's a elsewhere");
            Copy({IDOK}, {}, false);
            m_job.reset();  // cut short too
            m_dest = book;
            ASSERT_EQ(JournalsIn(m_journalFolder).size(), 2u);
            // The later edition, installed whole over what the cut run left.
            for (const auto& [name, content] : later) Source(name, content);
            Copy({1001});
            EXPECT_FALSE(Outcome().abandoned);
            EXPECT_EQ(JournalsIn(m_journalFolder).size(), 1u) << "the older journal is retired, the other folder's not";
            EXPECT_EQ(RepairUnfinishedRuns(m_journalFolder).repaired, 1);
            EXPECT_EQ(FileContent(m_root + "\\Elsewhere\\A.TXT"), "the reader's a elsewhere");
            EXPECT_FALSE(FileExists(m_root + "\\Elsewhere\\N.TXT"));
        } else {
            for (const auto& [name, content] : later) WriteWholeFile(m_dest + "\\" + name, content);
            RepairResult repair = RepairUnfinishedRuns(m_journalFolder);
            EXPECT_EQ(repair.repaired, 1);
            EXPECT_TRUE(std::any_of(repair.notes.begin(), repair.notes.end(), [&](const std::string& note) {
                return note.find("the original stays as " + kept) != std::string::npos;
            })) << testing::PrintToString(repair.notes);
            EXPECT_EQ(FileContent(kept), "the reader's a") << "never deleted, never put over the later file";
        }
        for (const auto& [name, content] : later) EXPECT_EQ(Installed(name), content) << name;
        Source("A.TXT", "new a");
        Source("N.TXT", "new n");
        Source("SUB\\D.TXT", "new d");
    }
}

// The same medium installed again after a run's journal was kept (by a run
// whose journal lives elsewhere, so that it retires nothing): the later
// files have the same size and, copied plainly, the same time as the cut
// run's. Which file each is decides: the next start leaves the later install
// whole, and the reader's original where it is kept, named.
TEST_F(CopyEngine, TheSameMediumInstalledAgainIsToldFromTheCutRunsFiles) {
    m_journalFolder = m_root + "\\Journals";
    Source("A.TXT", "new a");
    Source("N.TXT", "new n");
    Source("SUB\\D.TXT", "new d");
    WriteWholeFile(m_dest + "\\A.TXT", "the reader's a");
    Copy({IDOK}, {}, false);
    ASSERT_EQ(Outcome().replacedFiles.size(), 1u);
    const std::string kept = Outcome().replacedFiles[0].keptOriginal;
    const std::string journal = m_job->Journal().Path();
    m_job.reset();  // cut short
    const std::string text = FileContent(journal);
    EXPECT_NE(text.find("\r\nX\t" + m_dest + "\\N.TXT\t"), std::string::npos) << "which file it wrote: " << text;
    EXPECT_NE(text.find("\r\nV\t"), std::string::npos) << "which folder it installed into: " << text;

    m_journalFolder.clear();
    Copy({1001});
    ASSERT_FALSE(Outcome().abandoned);
    for (const char* name : {"A.TXT", "N.TXT", "SUB\\D.TXT"}) {
        WIN32_FILE_ATTRIBUTE_DATA now, medium;
        ASSERT_TRUE(GetFileAttributesExA((m_dest + "\\" + name).c_str(), GetFileExInfoStandard, &now));
        ASSERT_TRUE(GetFileAttributesExA((m_source + "\\" + name).c_str(), GetFileExInfoStandard, &medium));
        EXPECT_EQ(CompareFileTime(&now.ftLastWriteTime, &medium.ftLastWriteTime), 0)
            << name << ": the later file's time is the medium's, as the cut run's was";
    }

    RepairResult repair = RepairUnfinishedRuns(m_root + "\\Journals");
    EXPECT_EQ(repair.repaired, 1) << "settled: nothing more can be done for it";
    EXPECT_EQ(Installed("A.TXT"), "new a");
    EXPECT_EQ(Installed("N.TXT"), "new n");
    EXPECT_EQ(Installed("SUB\\D.TXT"), "new d");
    EXPECT_EQ(FileContent(kept), "the reader's a");
    EXPECT_TRUE(std::any_of(repair.notes.begin(), repair.notes.end(), [&](const std::string& note) {
        return note.find("the original stays as " + kept) != std::string::npos;
    })) << testing::PrintToString(repair.notes);
}

// The install folder swapped for a link to another folder after the run was
// cut short, where a file is the run's own by every mark (a second name of
// it): the repair acts in no folder but the one the run installed into. It
// names what it left and keeps the journal; once the folder is back, the
// next start undoes the run.
TEST_F(CopyEngine, TheRepairActsOnlyInTheFolderTheRunInstalledInto) {
    m_journalFolder = m_root + "\\Journals";
    Source("A.TXT", "new a");
    Source("N.TXT", "new n");
    WriteWholeFile(m_dest + "\\A.TXT", "the reader's a");
    Copy({IDOK}, {}, false);
    m_job.reset();  // cut short
    const std::string elsewhere = m_root + "\\Elsewhere", moved = m_root + "\\Moved";
    MakeFolders(elsewhere);
    ASSERT_TRUE(CreateHardLinkA((elsewhere + "\\N.TXT").c_str(), (m_dest + "\\N.TXT").c_str(), nullptr));
    ASSERT_TRUE(MoveFileA(m_dest.c_str(), moved.c_str()));
    ASSERT_TRUE(MakeLinuxLink(m_dest, elsewhere));

    RepairResult repair = RepairUnfinishedRuns(m_journalFolder);
    EXPECT_TRUE(RemoveLinuxLink(m_dest));
    EXPECT_EQ(FileContent(elsewhere + "\\N.TXT"), "new n");
    EXPECT_EQ(repair.repaired, 0);
    EXPECT_EQ(repair.left, 1);
    EXPECT_TRUE(std::any_of(repair.notes.begin(), repair.notes.end(), [&](const std::string& note) {
        return note == "Left alone, as " + m_dest + " is no longer the folder the run installed into: " + m_dest +
                           "\\N.TXT";
    })) << testing::PrintToString(repair.notes);
    ASSERT_EQ(JournalsIn(m_journalFolder).size(), 1u);

    ASSERT_TRUE(MoveFileA(moved.c_str(), m_dest.c_str()));
    repair = RepairUnfinishedRuns(m_journalFolder);
    EXPECT_EQ(repair.repaired, 1);
    EXPECT_EQ(Installed("A.TXT"), "the reader's a");
    EXPECT_EQ(ListingOrder(m_dest), std::vector<std::string>{"A.TXT"});
}

// The install folder the reader chose is a link to a folder elsewhere that
// holds the reader's files: Yes to one replace, Cancel at the next. Every
// file of the reader's is back as it was, nothing of the run's is left, and
// no kept name stays; a run cut short there is undone by the next start.
TEST_F(CopyEngine, AnInstallFolderThatIsALinkIsUndoneWhole) {
    Source("A.TXT", "new a");
    Source("B.TXT", "new b");
    Source("C.TXT", "new c");
    Source("SUB\\D.TXT", "new d");
    const std::string data = m_root + "\\Data";
    for (bool cutShort : {false, true}) {
        RemoveTree(data);
        MakeFolders(data);
        for (const char* name : {"A.TXT", "B.TXT"}) WriteWholeFile(data + "\\" + name, std::string("the reader's ") + name);
        RemoveTree(m_dest);
        ASSERT_TRUE(MakeLinuxLink(m_dest, data));
        const std::map<std::string, Found> before = Snapshot(data);
        Sleep(1100);  // the copy changes every time stamp it replaces; a second apart
        m_journalFolder = cutShort ? m_root + "\\Journals" : std::string();
        Copy({IDOK, IDCANCEL, IDOK}, {}, false);
        ASSERT_EQ(Outcome().replacedFiles.size(), 1u);
        if (cutShort) {
            m_job.reset();
            RepairResult repair = RepairUnfinishedRuns(m_journalFolder);
            EXPECT_EQ(repair.repaired, 1) << testing::PrintToString(repair.notes);
        } else {
            m_job->Finish();
            EXPECT_FALSE(Outcome().restoreFailed) << testing::PrintToString(Outcome().journalNotes);
        }
        EXPECT_TRUE(Snapshot(data) == before) << (cutShort ? "cut short" : "cancelled") << ": "
                                               << testing::PrintToString(ListingOrder(data));
        EXPECT_TRUE(RemoveLinuxLink(m_dest));
    }
}

// A link put inside the install folder after a run was cut short: the
// repair does nothing through it (what is behind it stays) and names the
// path it left; the rest of the run is undone.
TEST_F(CopyEngine, TheRepairNeverGoesThroughALink) {
    m_journalFolder = m_root + "\\Journals";
    Source("A.TXT", "new a");
    Source("SUB\\D.TXT", "new d");
    WriteWholeFile(m_dest + "\\A.TXT", "the reader's a");
    Copy({IDOK}, {}, false);
    m_job.reset();  // cut short
    // The run's folder SUB moved elsewhere and linked back: behind the link
    // is the run's file as the run left it (size and time), now the reader's.
    const std::string behind = m_root + "\\Behind";
    MakeFolders(behind);
    ASSERT_TRUE(CopyFileA((m_dest + "\\SUB\\D.TXT").c_str(), (behind + "\\D.TXT").c_str(), FALSE));
    RemoveTree(m_dest + "\\SUB");
    ASSERT_TRUE(MakeLinuxLink(m_dest + "\\SUB", behind));

    RepairResult repair = RepairUnfinishedRuns(m_journalFolder);
    EXPECT_EQ(FileContent(behind + "\\D.TXT"), "new d");
    EXPECT_TRUE(std::any_of(repair.notes.begin(), repair.notes.end(), [&](const std::string& note) {
        return note == "Left alone, as its path passes the link " + m_dest + "\\SUB: " + m_dest + "\\SUB\\D.TXT";
    })) << testing::PrintToString(repair.notes);
    EXPECT_EQ(Installed("A.TXT"), "the reader's a") << "the rest is undone";
    // Left alone, the step keeps the journal for a later start.
    EXPECT_EQ(repair.repaired, 0);
    EXPECT_EQ(repair.left, 1);
    EXPECT_EQ(JournalsIn(m_journalFolder).size(), 1u);
    EXPECT_TRUE(RemoveLinuxLink(m_dest + "\\SUB"));
}

// Below where the run's way starts, a link is never entered, whenever it
// came: a folder of the reader's swapped for a link after the run began, and
// a link put where the run was to make a folder. Nothing is written, kept
// aside or renamed behind it, no question is asked about the files there,
// each of them is a failed file named with the link, and the journal names
// no path at or behind it; the rest of the tree is copied.
TEST_F(CopyEngine, ALinkMetBelowTheStartIsNeverEntered) {
    const std::string elsewhere = m_root + "\\Elsewhere";
    Source("TOP.TXT", "new top");
    Source("SUB\\A.TXT", "new a");
    Source("SUB\\B.TXT", "new b");
    Source("NEW\\C.TXT", "new c");
    Source("NEW\\DEEP\\D.TXT", "new d");
    for (bool compressed : {false, true}) {
        m_options.compressed = compressed;
        RemoveTree(m_dest);
        RemoveTree(elsewhere);
        WriteWholeFile(m_dest + "\\SUB\\A.TXT", "the reader's a");
        for (const char* name : {"A.TXT", "C.TXT", "DEEP\\D.TXT"})
            WriteWholeFile(elsewhere + "\\" + name, std::string("the system's ") + name);
        const std::map<std::string, Found> before = Snapshot(elsewhere);
        m_journalFolder = m_root + "\\Journals";
        m_onBegun = [&] {
            ASSERT_TRUE(MoveFileA((m_dest + "\\SUB").c_str(), (m_root + "\\Moved").c_str()));
            ASSERT_TRUE(MakeLinuxLink(m_dest + "\\SUB", elsewhere));
            ASSERT_TRUE(MakeLinuxLink(m_dest + "\\NEW", elsewhere));
        };
        Copy({}, {}, false);
        EXPECT_TRUE(Snapshot(elsewhere) == before) << testing::PrintToString(ListingOrder(elsewhere));
        EXPECT_EQ(Installed("TOP.TXT"), "new top");
        EXPECT_EQ(compressed ? Outcome().expandFailed : Outcome().copyFailed, true);
        std::map<std::string, std::string> failed;
        for (const FailedFile& file : Outcome().failedFiles) failed[file.path] = file.stoppedAt;
        EXPECT_EQ(failed, (std::map<std::string, std::string>{{m_dest + "\\SUB\\A.TXT", m_dest + "\\SUB"},
                                                              {m_dest + "\\SUB\\B.TXT", m_dest + "\\SUB"},
                                                              {m_dest + "\\NEW\\C.TXT", m_dest + "\\NEW"},
                                                              {m_dest + "\\NEW\\DEEP\\D.TXT", m_dest + "\\NEW"}}));
        EXPECT_EQ(m_report.Bytes().done, m_report.Bytes().total) << "the bar passes the files it could not place";
        for (const JournalStep& step : m_job->Journal().Steps()) {
            for (const std::string& link : {m_dest + "\\SUB", m_dest + "\\NEW"}) {
                EXPECT_FALSE(UpperAnsi(step.path) == UpperAnsi(link) || IsBelowFolder(step.path, link)) << step.path;
                EXPECT_FALSE(!step.kept.empty() && IsBelowFolder(step.kept, link)) << step.kept;
            }
        }
        m_job->Finish();
        EXPECT_TRUE(Snapshot(elsewhere) == before) << "the run's end acts behind no link";
        EXPECT_EQ(FileContent(m_root + "\\Moved\\A.TXT"), "the reader's a");
        EXPECT_TRUE(RemoveLinuxLink(m_dest + "\\SUB"));
        EXPECT_TRUE(RemoveLinuxLink(m_dest + "\\NEW"));
        RemoveTree(m_root + "\\Moved");
    }
}

// A folder is held from the moment the way reaches it until its files are
// placed: while the copy asks about a reader's file there, the folder cannot
// be renamed away for a link to be put in its place, and the reader's file
// is kept aside inside that very folder. An install folder that is the
// reader's link is followed once, when the run resolves it: pointed
// elsewhere while the copy asks, the copy goes on in the folder it resolved.
TEST_F(CopyEngine, AFolderIsHeldWhileItsFilesArePlaced) {
    const std::string elsewhere = m_root + "\\Elsewhere";
    WriteWholeFile(elsewhere + "\\SUB\\A.TXT", "the system's");
    const auto removeLinks = [this] {
        for (const std::string& link : {m_dest + "\\SUB", m_dest})
            if (IsLink(link)) RemoveLinuxLink(link);
    };
    const std::map<std::string, Found> before = Snapshot(elsewhere);
    Source("SUB\\A.TXT", "new a");
    const std::string data = m_root + "\\Data";
    for (bool installFolderLinked : {false, true}) {
        removeLinks();
        RemoveTree(m_dest);
        RemoveTree(data);
        const std::string readers = installFolderLinked ? data : m_dest;
        WriteWholeFile(readers + "\\SUB\\A.TXT", "the reader's a");
        if (installFolderLinked) ASSERT_TRUE(MakeLinuxLink(m_dest, data));
        bool moved = false;
        Copy({IDOK},
             [&](HWND) {
                 if (installFolderLinked) {
                     RemoveLinuxLink(m_dest);
                     ASSERT_TRUE(MakeLinuxLink(m_dest, elsewhere));
                     return;
                 }
                 moved = MoveFileA((m_dest + "\\SUB").c_str(), (m_root + "\\Moved").c_str()) != FALSE;
                 if (moved) MakeLinuxLink(m_dest + "\\SUB", elsewhere + "\\SUB");
             },
             false);
        EXPECT_FALSE(moved) << "the folder was renamed while the copy held it";
        EXPECT_TRUE(Snapshot(elsewhere) == before) << installFolderLinked;
        EXPECT_EQ(Outcome().replacedFiles.size(), 1u);
        for (const ReplacedFile& replaced : Outcome().replacedFiles) {
            const std::string keptName = SplitPath(replaced.keptOriginal).name;
            EXPECT_EQ(FileContent(readers + "\\SUB\\" + keptName), "the reader's a") << installFolderLinked;
        }
        EXPECT_EQ(FileContent(readers + "\\SUB\\A.TXT"), "new a") << installFolderLinked;
        m_job->Finish();
        EXPECT_TRUE(Snapshot(elsewhere) == before) << installFolderLinked << ": the run's end acts behind no link";
        removeLinks();
    }
}

// A copy that fails over a reader's file whose original then cannot be
// moved back (held open): the original stays under its kept name, is named
// in the outcome, and the completed run does not delete it; its journal
// stays, and the next start puts the original back.
TEST_F(CopyEngine, AFailedPutBackKeepsTheOriginal) {
    m_journalFolder = m_root + "\\Journals";
    m_options.compressed = true;
    Source("FILE.TXT", FileContent(kFixtures + "\\CHAPTER.CUT_"));
    WriteWholeFile(m_dest + "\\FILE.TXT", "the reader's own file");
    HANDLE held = INVALID_HANDLE_VALUE;
    // While the expansion reads, the original is kept aside: held open there.
    m_onRead = [&] {
        if (held != INVALID_HANDLE_VALUE) return;
        for (const std::string& name : ListingOrder(m_dest))
            if (name.find(".~sx") != std::string::npos)
                held = CreateFileA((m_dest + "\\" + name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    };
    Copy({IDOK}, {}, false);
    m_job->Finish();
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CloseHandle(held);
    EXPECT_FALSE(Outcome().abandoned);
    ASSERT_EQ(Outcome().notPutBack.size(), 1u);
    EXPECT_EQ(Outcome().notPutBack[0].path, m_dest + "\\FILE.TXT");
    EXPECT_EQ(FileContent(Outcome().notPutBack[0].kept), "the reader's own file");
    EXPECT_TRUE(Outcome().undeletedKept.empty());
    ASSERT_EQ(JournalsIn(m_journalFolder).size(), 1u);
    // A file saved at the name since is never covered: the original waits
    // under its kept name until nothing stands there.
    const std::string kept = Outcome().notPutBack[0].kept;
    WriteWholeFile(m_dest + "\\FILE.TXT", "saved since");
    RepairResult waiting = RepairUnfinishedRuns(m_journalFolder);
    EXPECT_EQ(waiting.repaired, 0);
    EXPECT_EQ(waiting.notPutBack, (std::vector<NotPutBack>{{m_dest + "\\FILE.TXT", kept}}));
    EXPECT_EQ(Installed("FILE.TXT"), "saved since");
    EXPECT_EQ(FileContent(kept), "the reader's own file");
    ASSERT_TRUE(DeleteFileA((m_dest + "\\FILE.TXT").c_str()));
    EXPECT_EQ(RepairUnfinishedRuns(m_journalFolder).repaired, 1);
    EXPECT_EQ(Installed("FILE.TXT"), "the reader's own file");
    EXPECT_EQ(ListingOrder(m_dest), std::vector<std::string>{"FILE.TXT"});
}

// Another run's journal holds the name the run's mark would give its own:
// the journal takes a new mark, and the kept files carry that one, by which
// a repair finds them when the journal's lines are lost.
TEST_F(CopyEngine, TheMarkIsFixedBeforeAKeptNameHoldsIt) {
    m_journalFolder = m_root + "\\Journals";
    MakeFolders(m_journalFolder);
    Source("A.TXT", "new a");
    WriteWholeFile(m_dest + "\\A.TXT", "the reader's a");
    std::string first;
    m_beforeRun = [&] {
        first = m_job->Journal().Mark();
        WriteWholeFile(m_journalFolder + "\\" + first + ".jnl", "another run's");
    };
    Copy({IDOK}, {}, false);
    const std::string mark = m_job->Journal().Mark();
    EXPECT_NE(mark, first);
    ASSERT_EQ(Outcome().replacedFiles.size(), 1u);
    EXPECT_EQ(Outcome().replacedFiles[0].keptOriginal, m_dest + "\\A.TXT.~sx" + mark + ".tmp");
    m_job->Finish();
}

// A journal that cannot be begun on the disk (a file where its folder
// would be made) stops the run before its first change.
TEST_F(CopyEngine, NoJournalNoChange) {
    WriteWholeFile(m_root + "\\Occupied", "a file");
    m_journalFolder = m_root + "\\Occupied\\Journals";
    Source("A.TXT", "new a");
    Source("SUB\\B.TXT", "new b");
    WriteWholeFile(m_dest + "\\A.TXT", "the reader's a");
    const std::map<std::string, Found> before = Snapshot(m_dest);
    Copy();
    EXPECT_TRUE(Outcome().journalNotBegun);
    EXPECT_TRUE(Outcome().abandoned);
    EXPECT_EQ(Outcome().journalFolder, m_journalFolder);
    EXPECT_TRUE(Outcome().writtenFiles.empty());
    EXPECT_TRUE(Snapshot(m_dest) == before);

    // A place the system could not name is no place either.
    m_journalFolder.clear();
    m_beforeRun = [this] { m_job->KeepJournalIn(JournalPlace(), "Test Book"); };
    Copy();
    EXPECT_TRUE(Outcome().journalNotBegun);
    EXPECT_TRUE(Outcome().writtenFiles.empty());
    EXPECT_TRUE(Snapshot(m_dest) == before);
}

// A path the run writes twice (two names of the medium that become one long
// name) is kept aside once, the reader's file: undone, the path comes back as
// the reader had it; completed, it holds the medium's later file and nothing
// is left beside it. With nothing there first, the second name waits for the
// first one's copy (perhaps still on its way), and is asked about it as about
// any file standing there.
TEST_F(CopyEngine, APathWrittenTwiceComesBackAsTheReaders) {
    m_options.longNames = true;
    Source("READ_ME.TXT", "first of the medium");
    Source("READ ME.TXT", "second of the medium");
    Source("OTHER.TXT", "other");
    std::vector<std::string> order = ListingOrder(m_source);
    bool underscoreLast = std::find(order.begin(), order.end(), "READ_ME.TXT") >
                          std::find(order.begin(), order.end(), "READ ME.TXT");
    const std::string later = underscoreLast ? "first of the medium" : "second of the medium";
    for (bool readers : {true, false}) {
        for (bool abandoned : {true, false}) {
            RemoveTree(m_dest);
            if (readers) WriteWholeFile(m_dest + "\\Read Me.txt", "the reader's");
            Copy(readers ? std::vector<int>{IDOK, IDOK} : std::vector<int>{IDOK}, {}, false);
            EXPECT_EQ(Outcome().replacedFiles.size(), readers ? 1u : 0u);
            EXPECT_FALSE(Outcome().copyFailed);
            if (abandoned) m_job->Cancel();
            m_job->Finish();
            EXPECT_FALSE(Outcome().restoreFailed);
            EXPECT_EQ(FileContent(m_dest + "\\Read Me.txt"),
                      abandoned ? (readers ? "the reader's" : "<missing>") : later);
            EXPECT_EQ(ListingOrder(m_dest).size(), abandoned ? (readers ? 1u : 0u) : 2u)
                << "nothing is left beside it";
        }
    }
    // A file another put at the name between the two writes is not the
    // run's: it is kept aside as a reader's file, never deleted as the run's,
    // and is back when the run is undone.
    RemoveTree(m_dest);
    MakeFolders(m_dest);
    Copy({IDOK},
         [&](HWND) {
             // Made beside it first, so that it is another file of the disk, not the same one again.
             WriteWholeFile(m_dest + "\\saved.tmp", "saved by another");
             ASSERT_TRUE(MoveFileExA((m_dest + "\\saved.tmp").c_str(), (m_dest + "\\Read Me.txt").c_str(),
                                     MOVEFILE_REPLACE_EXISTING));
         },
         false);
    EXPECT_EQ(Outcome().replacedFiles.size(), 1u);
    m_job->Cancel();
    m_job->Finish();
    EXPECT_EQ(FileContent(m_dest + "\\Read Me.txt"), "saved by another");
    EXPECT_EQ(ListingOrder(m_dest).size(), 1u);
}

// A small new file's name taken by another program after the copy found it
// free and before a lane created it (a sync client, the reader): the lane
// leaves that file alone and hands the copy back, which asks about it as
// about any file standing there. Whatever the answer and however the run
// ends (completed, abandoned at the question, cut short and repaired at the
// next start, or an unattended run's failure after Yes To All), the other
// program's file is never deleted as the run's.
TEST_F(CopyEngine, ALaneWhoseNameIsTakenHandsTheFileBack) {
    m_journalFolder = m_root + "\\Journals";
    // The first name listed is taken on its lane; the second, big, goes by
    // the copy thread after the question (or, held, fails then).
    Source("P.TXT", "");
    Source("Q.TXT", "");
    const std::vector<std::string> order = ListingOrder(m_source);
    ASSERT_EQ(order.size(), 2u);
    const std::string small = order[0], big = order[1];
    Source(small, "the medium's small file");
    Source(big, std::string(300 * 1024, 'b'));
    const std::string taken = m_dest + "\\" + small;
    const std::string others = "the other program's file";
    enum class End { Completes, CancelledAtTheQuestion, CutShort, FailsAfterYesToAll };
    const struct {
        const char* name;
        int answer;
        End end;
        bool oursThere;  // the medium's file stands at the name in the end
    } cases[] = {
        {"No, the run completes", 1006, End::Completes, false},
        {"Yes, the run completes", IDOK, End::Completes, true},
        {"No, then the run is abandoned at the question", 1006, End::CancelledAtTheQuestion, false},
        {"No, the run cut short and repaired at the next start", 1006, End::CutShort, false},
        {"unattended: Yes To All, then a later file fails", 1001, End::FailsAfterYesToAll, false},
    };
    for (const auto& c : cases) {
        RemoveTree(m_dest);
        RemoveTree(m_journalFolder);
        MakeFolders(m_dest);
        m_titles.clear();
        m_options.stopAtFirstFailure = c.end == End::FailsAfterYesToAll;
        std::atomic<int> watched{0};
        m_beforeRun = [&] {
            m_job->WatchLanes([&](const std::string& destPath) {
                if (UpperAnsi(destPath) == UpperAnsi(taken) && watched++ == 0) WriteWholeFile(taken, others);
            });
        };
        HANDLE held = c.end != End::FailsAfterYesToAll ? INVALID_HANDLE_VALUE
                                                        : CreateFileA((m_source + "\\" + big).c_str(), GENERIC_READ,
                                                                      0, nullptr, OPEN_EXISTING, 0, nullptr);
        Copy({c.answer}, [&](HWND) {
            if (c.end == End::CancelledAtTheQuestion) m_job->Cancel();
        }, false);
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        EXPECT_EQ(watched, 1) << c.name << ": the file went to a lane once";
        EXPECT_EQ(m_titles, std::vector<std::string>{"Confirm File Replace"}) << c.name;
        // Not the run's in its journal, in memory and on the disk.
        for (const JournalStep& step : m_job->Journal().Steps())
            EXPECT_FALSE(step.kind == JournalStep::Kind::NewFile && step.path == taken) << c.name;
        std::optional<JournalText> onDisk = ParseJournal(FileContent(m_job->Journal().Path()));
        ASSERT_TRUE(onDisk) << c.name;
        for (const JournalStep& step : onDisk->steps)
            EXPECT_FALSE(step.kind == JournalStep::Kind::NewFile && step.path == taken) << c.name;
        if (c.end == End::CutShort) {
            m_job.reset();  // the process ends: the next start repairs the run
            EXPECT_EQ(RepairUnfinishedRuns(m_journalFolder).repaired, 1) << c.name;
        } else {
            m_job->Finish();
            EXPECT_EQ(Outcome().abandoned, c.end != End::Completes) << c.name;
            EXPECT_FALSE(Outcome().restoreFailed) << c.name;
            // Yes To All kept the other file aside, as any file found there.
            EXPECT_EQ(Outcome().replacedFiles.size(), c.answer == 1006 ? 0u : 1u) << c.name;
        }
        EXPECT_EQ(FileContent(taken), c.oursThere ? "the medium's small file" : others) << c.name;
        std::vector<std::string> expected =
            c.end == End::Completes ? std::vector<std::string>{small, big} : std::vector<std::string>{small};
        std::sort(expected.begin(), expected.end());
        std::vector<std::string> left = ListingOrder(m_dest);
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, expected) << c.name << ": nothing of the run's, nothing kept aside";
    }
}

// A kept original that cannot be deleted after a completed run (held open)
// stays named in the outcome, for the install record.
TEST_F(CopyEngine, AKeptOriginalThatCannotBeDeletedIsNamed) {
    Source("A.TXT", "new a");
    WriteWholeFile(m_dest + "\\A.TXT", "the reader's a");
    Copy({IDOK}, {}, false);
    ASSERT_EQ(Outcome().replacedFiles.size(), 1u);
    std::string kept = Outcome().replacedFiles[0].keptOriginal;
    HANDLE held = CreateFileA(kept.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    m_job->Finish();
    CloseHandle(held);
    EXPECT_EQ(Outcome().undeletedKept, std::vector<std::string>{kept});
    EXPECT_EQ(Installed("A.TXT"), "new a");
}

// A cancel (from the progress dialog, any thread) stops the walk after the
// file being copied: nothing after it in the listing order is copied, and no
// enclosing level goes on. A leave confirmed while a question is open makes
// the question's answer count no more.
TEST_F(CopyEngine, ACancelStopsTheWalkAfterTheCurrentEntry) {
    for (int i = 0; i < 8; ++i) Source("FILE" + std::to_string(i) + ".TXT", "new");
    std::vector<std::string> order = ListingOrder(m_source);
    WriteWholeFile(m_dest + "\\" + order[3], "old");
    WriteWholeFile(m_dest + "\\" + order[5], "old");
    // One question only: none after the cancel.
    Copy({IDOK}, [this](HWND) { m_job->Cancel(); }, false);
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(Installed(order[i]), i < 3 ? "new" : i == 3 || i == 5 ? "old" : "<missing>") << order[i];
}

TEST_F(CopyEngine, ConfirmedCancelInANestedFolderStopsEveryLevel) {
    Source("SUB\\INNER1.TXT", "new");
    Source("SUB\\INNER2.TXT", "new");
    for (int i = 0; i < 5; ++i) Source("TOP" + std::to_string(i) + ".TXT", "new");
    std::vector<std::string> top = ListingOrder(m_source);
    std::vector<std::string> inner = ListingOrder(m_source + "\\SUB");
    WriteWholeFile(m_dest + "\\SUB\\" + inner[0], "old");
    Copy({IDOK}, [this](HWND) { m_job->Cancel(); }, false);
    EXPECT_EQ(Installed("SUB\\" + inner[0]), "old");
    EXPECT_FALSE(FileExists(m_dest + "\\SUB\\" + inner[1]));
    bool afterSub = false;
    for (const std::string& name : top) {
        if (name == "SUB") {
            afterSub = true;
            continue;
        }
        EXPECT_EQ(FileExists(m_dest + "\\" + name), !afterSub) << name;
    }
}

// Small files go to the lanes, and the copy runs only so far ahead of what
// has settled: when a file is shown, at most 16 handed over before it are
// still on their way (lanes far slower than the copy thread do reach 16).
TEST_F(CopyEngine, TheCopyRunsAtMostSixteenFilesAheadOfWhatSettled) {
    const std::string content(200 * 1024, 'x');
    for (int i = 0; i < 48; ++i) Source(StringPrintf("F%02d.BIN", i), content);
    size_t shown = 0, mostOnTheirWay = 0;
    m_onFile = [&] {
        mostOnTheirWay = std::max(mostOnTheirWay, shown - Outcome().writtenFiles.size());
        ++shown;
    };
    Copy();
    EXPECT_EQ(shown, 48u);
    EXPECT_EQ(Outcome().writtenFiles.size(), 48u);
    EXPECT_EQ(mostOnTheirWay, 16u);
}

// The lanes give files back in the order they were handed over, whatever
// order they were placed in: while one lane is held on the first file, the
// other places all the rest, and none of them comes back before the first.
TEST(CopyLanes, GiveFilesBackInTheOrderHandedOver) {
    CEvent release(FALSE, TRUE);
    std::atomic<int> placed{0};
    CopyLanes lanes(2, [&](FileCopy& file) {
        if (file.size == 0) release.Lock();
        file.installed = true;
        ++placed;
    });
    for (uint64_t i = 0; i < 20; ++i) {
        FileCopy file;
        file.size = i;
        ASSERT_TRUE(lanes.HandOver(file));
    }
    for (int wait = 0; wait < 500 && placed < 19; ++wait) Sleep(10);
    EXPECT_EQ(placed, 19) << "the second lane placed the rest";
    FileCopy taken;
    EXPECT_FALSE(lanes.TakePlaced(taken, false)) << "the first is still on its way";
    EXPECT_EQ(lanes.Pending(), 20u);
    release.SetEvent();
    for (uint64_t i = 0; i < 20; ++i) {
        ASSERT_TRUE(lanes.TakePlaced(taken, true));
        EXPECT_EQ(taken.size, i);
        EXPECT_TRUE(taken.installed);
    }
    EXPECT_FALSE(lanes.TakePlaced(taken, true)) << "none left to wait for";
}
}  // namespace

namespace {
// The bar's control takes a signed 32-bit range: a DVD-sized book is shown in
// units of 2, 4, ... bytes, and the position never passes the range.
TEST(ProgressBar, TakesTheBytesWithinWhatTheControlHolds) {
    const struct {
        uint64_t done, total;
        int range, position;
    } cases[] = {
        {0, 0, 1, 0},  // nothing listed: an empty bar
        {250, 1000, 1000, 250},
        {1500, 1000, 1000, 1000},  // files grown since the listing
        {0x7FFFFFFFull, 0x7FFFFFFFull, 0x7FFFFFFF, 0x7FFFFFFF},
        {0x40000000ull, 0x80000000ull, 0x40000000, 0x20000000},
        {4700000000ull, 9400000000ull, 1175000000, 587500000},  // a dual-layer DVD, in units of 8 bytes
    };
    for (const auto& c : cases) {
        BarPosition bar = BarFor({c.done, c.total});
        EXPECT_EQ(bar.range, c.range) << c.done << " of " << c.total;
        EXPECT_EQ(bar.position, c.position) << c.done << " of " << c.total;
    }
}
// The system's LZ library on a compressed file's bytes: what it expands, or
// nothing when it refuses the file or fails part-way.
std::optional<std::string> ExpandedBySystem(const std::string& folder, const std::string& compressed) {
    std::string path = folder + "\\system.sz";
    if (!WriteWholeFile(path, compressed)) return std::nullopt;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    HFILE lz = LZInit(static_cast<HFILE>(reinterpret_cast<INT_PTR>(file)));
    if (lz < 0) {
        CloseHandle(file);
        return std::nullopt;
    }
    std::string expanded;
    char block[4096];
    for (INT got; (got = LZRead(lz, block, sizeof block)) != 0;) {
        if (got < 0) {
            LZClose(lz);
            return std::nullopt;
        }
        expanded.append(block, static_cast<size_t>(got));
    }
    LZClose(lz);
    return expanded;
}

// Our expansion of the same bytes, fed in pieces of `piece` bytes.
std::optional<std::string> ExpandedByUs(const std::string& compressed, DWORD piece, uint64_t limit = UINT32_MAX) {
    SzddHeader header = ReadSzddHeader(reinterpret_cast<const uint8_t*>(compressed.data()), compressed.size());
    if (!header.compressed || !header.knownMethod) return std::nullopt;
    size_t at = kSzddHeaderBytes;
    std::string expanded;
    std::optional<uint64_t> count = ExpandSzddStream(
        [&](uint8_t* buffer, DWORD capacity, DWORD& got) {
            got = static_cast<DWORD>(std::min<size_t>({capacity, piece, compressed.size() - at}));
            std::memcpy(buffer, compressed.data() + at, got);
            at += got;
            return true;
        },
        [&](const uint8_t* block, DWORD size) {
            expanded.append(reinterpret_cast<const char*>(block), size);
            return true;
        },
        limit);
    if (!count || *count != expanded.size()) return std::nullopt;
    return expanded;
}

// Our SZDD expansion gives what the system's LZ library gives, byte for
// byte: on mscompress's files, on each of them cut short at every length
// (also within an item), and on references that reach into the window's
// first spaces, into what they write themselves and round its end; a method
// other than "A" is refused by both.
TEST(SzddExpansion, GivesWhatTheSystemsLzLibraryGives) {
    const std::string folder = MakeTestFolder("szdd-expansion");
    const std::string head = std::string("SZDD\x88\xF0\x27\x33" "A") + '\0' + std::string("\x40\0\0\0", 4);
    std::vector<std::pair<std::string, std::string>> cases;
    for (const char* name : {"CHAPTER.TXT_", "RANDOM.BIN_", "EMPTY.TXT_", "SMALL.TXT_", "CHAPTER.CUT_"})
        cases.push_back({name, FileContent(kFixtures + "\\" + name)});
    const std::string small = FileContent(kFixtures + "\\SMALL.TXT_");
    const std::string chapter = FileContent(kFixtures + "\\CHAPTER.TXT_");
    for (size_t length = kSzddHeaderBytes; length < small.size(); ++length)
        cases.push_back({"SMALL.TXT_ cut at " + std::to_string(length), small.substr(0, length)});
    for (size_t length = kSzddHeaderBytes; length < 200; ++length)
        cases.push_back({"CHAPTER.TXT_ cut at " + std::to_string(length), chapter.substr(0, length)});
    // Flags 0x03: "a" and "b", then 10 bytes from where they were written (4080):
    // the reference reads what it writes. Flags 0x00: 18 bytes from 0 (the
    // window's spaces), and 18 from 4090, round the window's end.
    cases.push_back({"reference into itself", head + "\x03" "ab\xF0\xF7"});
    cases.push_back({"reference into the spaces and round the end",
                     head + std::string("\x00\x00\x0F\xFA\xFF", 5) + "\x01x"});
    std::string unknownMethod = small;
    unknownMethod[8] = 'Q';
    cases.push_back({"unknown method", unknownMethod});
    for (const auto& [name, compressed] : cases) {
        std::optional<std::string> system = ExpandedBySystem(folder, compressed);
        for (DWORD piece : {1u, 7u, 256u * 1024}) {
            std::optional<std::string> ours = ExpandedByUs(compressed, piece);
            ASSERT_EQ(ours.has_value(), system.has_value()) << name;
            if (system) EXPECT_EQ(*ours, *system) << name << ", in pieces of " << piece;
        }
    }
    EXPECT_EQ(*ExpandedByUs(head + "\x03" "ab\xF0\xF7", 1), "abababababab");

    // The limit: a file whose bytes go on past what its header says comes
    // out longer than that (never cut to the expected size), and one that
    // would not end stops at the first eight items past the limit.
    auto literals = [&head](size_t count) {
        std::string compressed = head;
        for (size_t i = 0; i < count; ++i) {
            if (i % 8 == 0) compressed += static_cast<char>(count - i >= 8 ? 0xFF : (1 << (count - i)) - 1);
            compressed += static_cast<char>('a' + i % 26);
        }
        return compressed;
    };
    const struct {
        size_t literals;
        uint64_t limit;
        size_t expanded;
    } limits[] = {{16, 16, 16}, {16, 15, 16}, {17, 17, 17}, {17, 16, 17}, {64, 16, 24}, {64, 15, 16}, {64, 8, 16}};
    for (const auto& c : limits)
        EXPECT_EQ(ExpandedByUs(literals(c.literals), 7, c.limit).value_or("failed").size(), c.expanded)
            << c.literals << " bytes, limit " << c.limit;
}

}  // namespace
