// The copy engine's undo: an abandoned run, a file that cannot be put back,
// a run cut short at any step, and a path written twice.
#include "CopyEngineTestSupport.h"

namespace {
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
}  // namespace
