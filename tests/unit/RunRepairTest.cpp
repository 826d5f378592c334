// The repair of a run cut short, down the run's way under Wine with folder
// links: nothing is done through a link put on the way after the run, a
// start that is not there (or not the same) keeps the journal, and the
// folders the run made above the install folder go when all is as the run
// left it.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestFiles.h"
#include "framework/FileObject.h"
#include "journal/RunRepair.h"

namespace {
BY_HANDLE_FILE_INFORMATION InformationAt(const std::string& path) {
    BY_HANDLE_FILE_INFORMATION info = {};
    HANDLE opened = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    EXPECT_NE(opened, INVALID_HANDLE_VALUE) << path;
    EXPECT_TRUE(GetFileInformationByHandle(opened, &info)) << path;
    CloseHandle(opened);
    return info;
}

FileIdentity IdentityAt(const std::string& path) { return IdentityOf(InformationAt(path)); }

bool Noted(const RepairResult& repair, const std::string& note) {
    return std::find(repair.notes.begin(), repair.notes.end(), note) != repair.notes.end();
}

// Takes away a link made by the Linux side (one that leads nowhere too),
// never a folder.
void DropLink(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) RemoveLinuxLink(path);
}

// Journals of setups before this one noted neither where the way starts nor
// which folders they made; the earliest not which folder they installed into.
enum class Age { Now, Earlier, Earliest };

// A run cut short into <root>\Shelf\Books\Maths\Vol1, its journal written as
// the copy writes it: where its way starts (Shelf, which stood), each folder
// it made (noted ahead, then which one it made), the install folder, and each
// new file noted ahead, then as written. The process ends before the run does.
class CutRun : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = WorkFolder(std::string("CutRun.") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        m_start = m_root + "\\Shelf";
        m_books = m_start + "\\Books";
        m_maths = m_books + "\\Maths";
        m_install = m_maths + "\\Vol1";
        m_journals = m_root + "\\Journals";
        TearDown();
        MakeFolders(m_start);
    }
    void TearDown() override {
        DropLink(m_books);
        DropLink(m_start);
        RemoveTree(m_root);
    }

    std::string Run(Age age = Age::Now) {
        RunJournal journal;
        EXPECT_TRUE(journal.Begin(JournalPlace(m_journals, true), "Book", m_install));
        EXPECT_TRUE(journal.NoteStart(m_start, IdentityAt(m_start)));
        for (const std::string& folder : {m_books, m_maths, m_install}) {
            EXPECT_TRUE(journal.NoteFolder(folder));
            EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
            EXPECT_TRUE(journal.NoteFolderMade(folder, IdentityAt(folder)));
        }
        EXPECT_TRUE(journal.NoteInstallFolder(IdentityAt(m_install)));
        for (const char* name : {"A.TXT", "B.TXT"}) {
            const std::string path = m_install + "\\" + name;
            EXPECT_TRUE(journal.NoteNewFile(path));
            EXPECT_TRUE(WriteWholeFile(path, std::string("the run's ") + name));
            const BY_HANDLE_FILE_INFORMATION info = InformationAt(path);
            EXPECT_TRUE(journal.NoteWritten(
                path, {info.nFileSizeLow,
                       static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32 | info.ftLastWriteTime.dwLowDateTime,
                       IdentityOf(info)}));
        }
        const std::string path = journal.Path();
        journal.Leave();
        if (age != Age::Now) DropLines(path, age == Age::Earlier ? "RY" : "RYV");
        return path;
    }

    // The journal without its lines of those kinds.
    static void DropLines(const std::string& journal, const std::string& kinds) {
        const std::string text = FileContent(journal);
        std::string kept;
        for (size_t start = 0, end; start < text.size(); start = end + 2) {
            end = text.find("\r\n", start);
            ASSERT_NE(end, std::string::npos);
            if (end - start < 2 || text[start + 1] != '\t' || kinds.find(text[start]) == std::string::npos)
                kept += text.substr(start, end + 2 - start);
        }
        ASSERT_TRUE(WriteWholeFile(journal, kept));
    }

    // Second names of the run's files in `folder`: the run's by every mark.
    void RunsFilesIn(const std::string& folder, const std::string& runs) {
        MakeFolders(folder);
        for (const char* name : {"A.TXT", "B.TXT"})
            ASSERT_TRUE(CreateHardLinkA((folder + "\\" + name).c_str(), (runs + "\\" + name).c_str(), nullptr));
    }

    // Everything of the run is gone, its journal too; the start stays.
    void ExpectUndoneWhole(const RepairResult& repair, const std::string& name) {
        EXPECT_EQ(repair.repaired, 1) << name << ": " << testing::PrintToString(repair.notes);
        EXPECT_EQ(repair.left, 0) << name;
        EXPECT_TRUE(FileExists(m_start)) << name;
        EXPECT_EQ(ListingOrder(m_start), std::vector<std::string>{}) << name << ": the folders it made above Vol1 too";
        EXPECT_EQ(ListingOrder(m_journals), std::vector<std::string>{}) << name;
    }

    std::string m_root, m_start, m_books, m_maths, m_install, m_journals;
};

// Books renamed away after the run was cut short, and a link put in its
// place to a folder that holds an empty Maths, or Maths\Vol1 with second
// names of the run's files: the repair deletes nothing through the link,
// names it, and keeps the journal, whatever setup wrote it. Once Books is
// back, the next start undoes the run, the folders it made above the install
// folder included.
TEST_F(CutRun, NothingIsDoneThroughALinkPutAboveTheInstallFolder) {
    const std::string away = m_root + "\\Away", behind = m_root + "\\Behind";
    const struct {
        const char* name;
        Age age;
        bool filesBehind;
    } cases[] = {
        {"this setup's journal, an empty Maths behind the link", Age::Now, false},
        {"this setup's journal, the run's files behind the link", Age::Now, true},
        {"an earlier setup's journal, an empty Maths behind the link", Age::Earlier, false},
        {"an earlier setup's journal, the run's files behind the link", Age::Earlier, true},
        {"the earliest journal, an empty Maths behind the link", Age::Earliest, false},
        {"the earliest journal, the run's files behind the link", Age::Earliest, true},
    };
    for (const auto& c : cases) {
        RemoveTree(m_books);
        RemoveTree(away);
        RemoveTree(behind);
        RemoveTree(m_journals);
        const std::string journal = Run(c.age);
        ASSERT_TRUE(MoveFileA(m_books.c_str(), away.c_str())) << c.name;
        MakeFolders(behind + "\\Maths");
        if (c.filesBehind) RunsFilesIn(behind + "\\Maths\\Vol1", away + "\\Maths\\Vol1");
        ASSERT_TRUE(MakeLinuxLink(m_books, behind)) << c.name;

        RepairResult repair = RepairUnfinishedRuns(m_journals);
        EXPECT_TRUE(FileExists(behind + "\\Maths")) << c.name;
        EXPECT_EQ(ListingOrder(behind + "\\Maths").size(), c.filesBehind ? 1u : 0u) << c.name;
        if (c.filesBehind) EXPECT_EQ(FileContent(behind + "\\Maths\\Vol1\\A.TXT"), "the run's A.TXT") << c.name;
        EXPECT_EQ(repair.repaired, 0) << c.name;
        EXPECT_EQ(repair.left, 1) << c.name;
        EXPECT_TRUE(FileExists(journal)) << c.name;
        EXPECT_TRUE(Noted(repair, "Left alone, as its path passes the link " + m_books + ": " + m_maths))
            << c.name << ": " << testing::PrintToString(repair.notes);

        ASSERT_TRUE(RemoveLinuxLink(m_books)) << c.name;
        ASSERT_TRUE(MoveFileA(away.c_str(), m_books.c_str())) << c.name;
        ExpectUndoneWhole(RepairUnfinishedRuns(m_journals), c.name);
        EXPECT_EQ(ListingOrder(behind + "\\Maths").size(), c.filesBehind ? 1u : 0u) << c.name;
    }
}

// The folder the way starts at renamed away (the reader's, or a stick that
// is out), a link to a drive that is not there, or a link to another folder
// that holds the run's folders and files by their names: the journal stays,
// nothing is done, and once the folder is back the next start undoes the run.
TEST_F(CutRun, AStartThatIsNotThereOrNotTheSameKeepsTheJournal) {
    const std::string away = m_root + "\\Away", other = m_root + "\\Other";
    enum class Gone { RenamedAway, LinkToWhatIsNotThere, LinkToAnother };
    const struct {
        const char* name;
        Gone gone;
    } cases[] = {
        {"renamed away", Gone::RenamedAway},
        {"a link to what is not there", Gone::LinkToWhatIsNotThere},
        {"a link to another folder", Gone::LinkToAnother},
    };
    for (const auto& c : cases) {
        RemoveTree(m_journals);
        RemoveTree(other);
        const std::string journal = Run();
        ASSERT_TRUE(MoveFileA(m_start.c_str(), away.c_str())) << c.name;
        if (c.gone != Gone::RenamedAway) {
            MakeFolders(other + "\\Books\\Maths");
            RunsFilesIn(other + "\\Books\\Maths\\Vol1", away + "\\Books\\Maths\\Vol1");
            ASSERT_TRUE(MakeLinuxLink(m_start, other)) << c.name;
            if (c.gone == Gone::LinkToWhatIsNotThere) RemoveTree(other);
        }
        RepairResult repair = RepairUnfinishedRuns(m_journals);
        EXPECT_EQ(repair.repaired, 0) << c.name;
        EXPECT_EQ(repair.left, 1) << c.name;
        EXPECT_TRUE(FileExists(journal)) << c.name;
        EXPECT_EQ(FileContent(away + "\\Books\\Maths\\Vol1\\A.TXT"), "the run's A.TXT") << c.name;
        if (c.gone == Gone::LinkToAnother)
            EXPECT_EQ(FileContent(other + "\\Books\\Maths\\Vol1\\A.TXT"), "the run's A.TXT") << c.name;

        DropLink(m_start);
        ASSERT_TRUE(MoveFileA(away.c_str(), m_start.c_str())) << c.name;
        ExpectUndoneWhole(RepairUnfinishedRuns(m_journals), c.name);
    }
}

// A folder the run made, moved away with what it holds and another made in
// its place under the same name: the other stays with what it holds, and
// what moved away is out of the run's way. In place of Maths, an empty one:
// nothing more can be done, and the journal goes. In place of the install
// folder, one that holds second names of the run's files: they are the
// run's by every mark, but not in the folder it installed into; they stay,
// and so does the journal.
TEST_F(CutRun, AMadeFolderPutAgainByAnotherStays) {
    const std::string moved = m_root + "\\Moved";
    const struct {
        const char* name;
        std::string folder;
        std::string note;
        bool settled;
    } cases[] = {
        {"Maths", m_maths, "Left alone, as it is no longer the folder the run made: " + m_maths, true},
        {"the install folder", m_install,
         "Left alone, as " + m_install + " is no longer the folder the run installed into: " + m_install + "\\A.TXT",
         false},
    };
    for (const auto& c : cases) {
        RemoveTree(m_books);
        RemoveTree(moved);
        RemoveTree(m_journals);
        Run();
        ASSERT_TRUE(MoveFileA(c.folder.c_str(), moved.c_str())) << c.name;
        ASSERT_TRUE(CreateDirectoryA(c.folder.c_str(), nullptr)) << c.name;
        const std::string runs = c.settled ? moved + "\\Vol1" : moved;
        if (!c.settled) RunsFilesIn(c.folder, runs);
        RepairResult repair = RepairUnfinishedRuns(m_journals);
        EXPECT_EQ(repair.repaired, c.settled ? 1 : 0) << c.name << ": " << testing::PrintToString(repair.notes);
        EXPECT_EQ(repair.left, c.settled ? 0 : 1) << c.name;
        EXPECT_TRUE(FileExists(c.folder)) << c.name;
        EXPECT_TRUE(Noted(repair, c.note)) << c.name << ": " << testing::PrintToString(repair.notes);
        EXPECT_EQ(FileContent(runs + "\\A.TXT"), "the run's A.TXT") << c.name;
        if (!c.settled) EXPECT_EQ(ListingOrder(c.folder).size(), 2u) << c.name;
    }
}

// A journal whose way starts beside the install folder's path, or below the
// install folder, was never a run's: nothing of it is done, and it is named.
TEST_F(CutRun, AJournalWhoseWayStartsOffTheWayIsRefused) {
    MakeFolders(m_root + "\\Beside");
    for (const std::string& start : {m_root + "\\Beside", m_install + "\\Deeper", m_start + "\\..\\Shelf"}) {
        RemoveTree(m_books);
        RemoveTree(m_journals);
        const std::string journal = Run();
        MakeFolders(m_install + "\\Deeper");
        std::string text = FileContent(journal);
        const size_t line = text.find("\r\nR\t" + m_start + "\t");
        ASSERT_NE(line, std::string::npos) << text;
        text.replace(line + 4, m_start.size(), start);
        ASSERT_TRUE(WriteWholeFile(journal, text));

        RepairResult repair = RepairUnfinishedRuns(m_journals);
        EXPECT_EQ(repair.left, 1) << start;
        EXPECT_TRUE(FileExists(journal)) << start;
        EXPECT_EQ(FileContent(m_install + "\\A.TXT"), "the run's A.TXT") << start;
        EXPECT_TRUE(std::any_of(repair.notes.begin(), repair.notes.end(), [&](const std::string& note) {
            return note.find("Refused, as its way does not start on the way") == 0 && note.find(journal) != std::string::npos;
        })) << start << ": " << testing::PrintToString(repair.notes);
    }
}
}  // namespace
