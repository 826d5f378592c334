// The copy engine's failures: expansions and copies that fail, folders that
// cannot be made, a run stopped at its first failure, and originals that
// cannot be put back or deleted.
#include "CopyEngineTestSupport.h"

namespace {
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
}  // namespace
