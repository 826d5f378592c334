// The repair of a run cut short: an old journal and a later run, the same
// medium again, the install folder's bounds, links met before and after the
// run, and folders held while their files are placed.
#include "CopyEngineTestSupport.h"

namespace {
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
}  // namespace
