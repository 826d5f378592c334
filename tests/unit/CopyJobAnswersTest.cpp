// The copy engine's questions and answers: the replace question, Yes To
// All, what the outcome names, a kept file, and a cancel.
#include "CopyEngineTestSupport.h"

namespace {
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
}  // namespace
