// The run journal's text and its repair: read back as it was written, a
// drive that is away, a journal the run cannot vouch for, and a made folder
// that counts as removed.
#include "record/InstallRecord.h"
#include "journal/JournalTrust.h"
#include "journal/RunRepair.h"
#include "journal/RunUndo.h"

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "TestFiles.h"
#include "framework/CodePage.h"
#include "framework/AnsiText.h"
#include "InstallRecordTestSupport.h"

using namespace record_test;

namespace {
// The journal is kept in UTF-8 whatever the program's code page, and read
// back as it was written: a name of the Western code page whole, a folder
// noted and then found there already not the run's, the file as written.
TEST(RunJournal, IsReadBackAsItWasWritten) {
    const std::string root = MakeTestFolder("journal-text");
    // In the program's code page: 1252 where the program runs as the older
    // systems run it, UTF-8 where it asks for that.
    const std::string cafe = NarrowText(L"Caf\u00e9 Cr\u00e8me");
    ASSERT_EQ(cafe, ProgramUsesUtf8() ? "Caf\xC3\xA9 Cr\xC3\xA8me" : "Caf\xE9 Cr\xE8me");
    const std::string book = root + "\\" + cafe;
    RunJournal journal;
    ASSERT_TRUE(journal.Begin(root + "\\Journals", cafe, book));
    ASSERT_TRUE(journal.NoteInstallFolder({0xFFFFFFFFu, 0x10000A7402Full}));
    ASSERT_TRUE(journal.NoteFolder(book));
    journal.NoteFolderThere(book);
    ASSERT_TRUE(journal.NoteFolder(book + "\\Sub"));
    ASSERT_TRUE(journal.NoteNewFile(book + "\\Sub\\" + cafe + ".txt"));
    const WrittenFile written{12, 0x01DA00001234ull, FileIdentity{0x5A000000u, 0x1000000A74030ull}};
    ASSERT_TRUE(journal.NoteWritten(book + "\\Sub\\" + cafe + ".txt", written));
    ASSERT_TRUE(journal.NoteKept(book + "\\A.txt", book + "\\A.txt.~sx" + journal.Mark() + ".tmp", false));
    ASSERT_TRUE(journal.NotePutBackFailed(book + "\\A.txt", book + "\\A.txt.~sx" + journal.Mark() + ".tmp"));
    const std::string stored = FileContent(journal.Path());
    EXPECT_NE(stored.find("Caf\xC3\xA9 Cr\xC3\xA8me"), std::string::npos) << stored;
    if (!ProgramUsesUtf8()) EXPECT_EQ(stored.find(cafe), std::string::npos) << "a line in the program's code page";

    std::optional<JournalText> read = ParseJournal(stored);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->product, cafe);
    EXPECT_EQ(read->installFolder, book);
    EXPECT_EQ(read->mark, journal.Mark());
    ASSERT_EQ(read->steps.size(), 3u) << "the folder found there is not the run's";
    EXPECT_EQ(read->steps, journal.Steps());
    EXPECT_EQ(read->steps[1].written, written);
    EXPECT_EQ(read->installIdentity, (FileIdentity{0xFFFFFFFFu, 0x10000A7402Full}));
    EXPECT_TRUE(read->steps[2].putBackFailed);
    // An earlier setup's journal names no identity: its files are known by
    // size and time alone; a volume past 32 bits is no identity.
    std::string earlier = stored;
    size_t identity = earlier.find("\r\nX\t");
    ASSERT_NE(identity, std::string::npos) << stored;
    earlier.erase(identity, earlier.find("\r\n", identity + 2) - identity);
    earlier.replace(earlier.find("\r\nV\t4294967295\t"), 15, "\r\nV\t4294967296\t");
    read = ParseJournal(earlier);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->steps[1].written, (WrittenFile{12, 0x01DA00001234ull, std::nullopt}));
    EXPECT_EQ(read->installIdentity, std::nullopt);
    EXPECT_TRUE(IsTheWrittenFile(*read->steps[1].written, written));
    EXPECT_FALSE(IsTheWrittenFile(written, {12, 0x01DA00001234ull, FileIdentity{0x5A000000u, 0xA74030ull}}));
    journal.End();
    RemoveTree(root);
}

// A journal whose install folder lies on a drive that is away stays for a
// later start: undone now, it would go, and the reader's kept file there
// would never be put back.
TEST(RunJournal, ARunOnADriveThatIsAwayWaitsForIt) {
    const std::string root = MakeTestFolder("journal-away");
    char away = AbsentDrive();
    ASSERT_NE(away, 0);
    const std::string book = std::string(1, away) + ":\\Book";
    const JournalPlace place(root + "\\Journals", true);
    const std::string journal = MakeOwnJournalFolder(place, OwnerJudge(place), nullptr) + "\\1.jnl";
    ASSERT_TRUE(WriteWholeFile(journal, "XOV SETUP RUN JOURNAL 1\r\nM\t0000ABCD\r\nP\tBook\r\nI\t" + book +
                                            "\r\nK\t" + book + "\\A.TXT\t" + book + "\\A.TXT.~sx0000ABCD.tmp\r\n"));
    RepairResult repair = RepairUnfinishedRuns(root + "\\Journals");
    EXPECT_EQ(repair.repaired, 0);
    EXPECT_EQ(repair.left, 1);
    EXPECT_TRUE(FileExists(journal));
    RemoveTree(root);
}

// A journal the run cannot vouch for is never carried out: one of two names
// (the second a hard link made where others write) is left alone, one too
// large to be a journal is left for a later start and counted, and one found
// in a folder whose rights let others write until this run made them
// setup's is retired and named. Each names the book's file as the run's new
// one; carried out (the plain journal), it would go.
TEST(RunJournal, AJournalTheRunCannotVouchForIsNeverCarriedOut) {
    const std::string root = MakeTestFolder("journal-vouch"), book = root + "\\Book";
    enum class Case { Plain, TwoNames, TooLarge, OpenFolder };
    const struct {
        Case which;
        int repaired, left;
        bool journalStays;
        const char* note;
    } cases[] = {
        {Case::Plain, 1, 0, false, nullptr},
        {Case::TwoNames, 0, 0, true, "A journal setup did not write is left alone: "},
        {Case::TooLarge, 0, 1, true, "A journal that cannot be read is left for a later start: "},
        {Case::OpenFolder, 0, 0, false, "A journal found where others could write is retired, not carried out: "},
    };
    for (const auto& c : cases) {
        const int i = static_cast<int>(c.which);
        ASSERT_TRUE(WriteWholeFile(book + "\\A.TXT", "the book's"));
        const JournalPlace place(root + "\\Journals" + std::to_string(i), true);
        const std::string folder = MakeOwnJournalFolder(place, OwnerJudge(place), nullptr), journal = folder + "\\1.jnl";
        ASSERT_TRUE(WriteWholeFile(journal, "XOV SETUP RUN JOURNAL 1\r\nM\t0000ABCD\r\nP\tBook\r\nI\t" + book +
                                                "\r\nN\t" + book + "\\A.TXT\r\n"));
        if (c.which == Case::TwoNames)
            ASSERT_TRUE(CreateHardLinkA((root + "\\second.jnl").c_str(), journal.c_str(), nullptr));
        HANDLE handle = CreateFileA((c.which == Case::OpenFolder ? folder : journal).c_str(),
                                    GENERIC_WRITE | READ_CONTROL | WRITE_DAC, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
        PSECURITY_DESCRIPTOR open = nullptr;
        BOOL present = FALSE, defaulted = FALSE;
        PACL acl = nullptr;
        if (c.which == Case::TooLarge) {
            LONG high = 0;
            SetFilePointer(handle, 65 * 1024 * 1024, &high, FILE_BEGIN);
            EXPECT_TRUE(SetEndOfFile(handle));
        } else if (c.which == Case::OpenFolder &&  // everyone may write in it, as an earlier setup left it
                   ConvertStringSecurityDescriptorToSecurityDescriptorA(
                       "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;WD)", SDDL_REVISION_1, &open, nullptr) &&
                   GetSecurityDescriptorDacl(open, &present, &acl, &defaulted)) {
            EXPECT_EQ(SetSecurityInfo(handle, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, acl, nullptr),
                      static_cast<DWORD>(ERROR_SUCCESS));
        }
        LocalFree(open);
        CloseHandle(handle);
        RepairResult repair = RepairUnfinishedRuns(place);
        EXPECT_EQ(repair.repaired, c.repaired) << i;
        EXPECT_EQ(repair.left, c.left) << i;
        EXPECT_EQ(FileExists(journal), c.journalStays) << i;
        EXPECT_EQ(FileExists(book + "\\A.TXT"), c.which != Case::Plain) << i << ": carried out";
        if (c.note) EXPECT_NE(std::find(repair.notes.begin(), repair.notes.end(), c.note + journal), repair.notes.end());
        DeleteFileA((root + "\\second.jnl").c_str());
        DeleteFileA(journal.c_str());
    }
    RemoveTree(root);
}

// Undone side by side, each name's steps still go in the journal's order: a
// reader's file kept aside, the run's first copy written, that copy kept
// aside in turn for a second one (two names of the medium that become one),
// come back as the reader's, with nothing left beside it; a folder the run
// made goes once what the run wrote in it is gone; a folder gone since took
// what the run kept and wrote there with it.
TEST(RunJournal, EachNamesStepsAreUndoneInOrderWhateverTheLanes) {
    const std::string root = MakeTestFolder("journal-names-in-order");
    std::vector<JournalStep> steps{{JournalStep::Kind::Folder, root + "\\Sub", {}}};
    MakeFolders(root + "\\Sub");
    for (int i = 0; i < 40; ++i) {
        const std::string name = root + "\\F" + std::to_string(i) + ".txt";
        ASSERT_TRUE(WriteWholeFile(name + ".k1", "the reader's " + std::to_string(i)));
        ASSERT_TRUE(WriteWholeFile(name + ".k2", "the first copy"));
        ASSERT_TRUE(WriteWholeFile(name, "the second copy"));
        steps.push_back({JournalStep::Kind::Kept, name, name + ".k1"});
        steps.push_back({JournalStep::Kind::NewFile, name, {}});
        steps.push_back({JournalStep::Kind::Kept, name, name + ".k2"});
        steps.push_back({JournalStep::Kind::NewFile, name, {}});
        const std::string below = root + "\\Sub\\S" + std::to_string(i) + ".txt";
        ASSERT_TRUE(WriteWholeFile(below, "the run's"));
        steps.push_back({JournalStep::Kind::NewFile, below, {}});
    }
    // A folder gone below a held one took its kept file and the run's copy with it: settled.
    steps.push_back({JournalStep::Kind::Kept, root + "\\Gone\\G.txt", root + "\\Gone\\G.txt.k1"});
    steps.push_back({JournalStep::Kind::NewFile, root + "\\Gone\\G.txt", {}});
    UndoResult undone = UndoRun(steps, root);
    EXPECT_TRUE(undone.whole);
    EXPECT_TRUE(undone.notes.empty()) << (undone.notes.empty() ? "" : undone.notes.front());
    EXPECT_TRUE(undone.notPutBack.empty());
    EXPECT_FALSE(FileExists(root + "\\Sub")) << "emptied first, then removed";
    int back = 0;
    for (int i = 0; i < 40; ++i) {
        const std::string name = root + "\\F" + std::to_string(i) + ".txt";
        back += FileContent(name) == "the reader's " + std::to_string(i) && !FileExists(name + ".k1") &&
                !FileExists(name + ".k2");
    }
    EXPECT_EQ(back, 40);
    RemoveTree(root);
}

// The kept files whose journal lines never reached the disk are found by
// their mark at every depth of the install folder, each with the name it
// stood under; a file without the mark, or with another run's, is no step.
TEST(RunJournal, MarkedKeptFilesAreFoundAtEveryDepth) {
    const std::string root = MakeTestFolder("journal-marked-depths");
    const std::string mark = "4F2A", other = "77B0";
    std::vector<std::string> expected;
    for (const char* folder : {"", "\\One", "\\One\\Two", "\\One\\Two\\Three", "\\Beside"}) {
        MakeFolders(root + folder);
        const std::string name = root + folder + "\\K.txt";
        ASSERT_TRUE(WriteWholeFile(MarkedKeptName(name, mark), "kept"));
        ASSERT_TRUE(WriteWholeFile(MarkedKeptName(root + folder + "\\L.txt", other), "another run's"));
        ASSERT_TRUE(WriteWholeFile(root + folder + "\\Plain.txt", "the reader's"));
        expected.push_back(name + " <- " + MarkedKeptName(name, mark));
    }
    std::vector<std::string> found;
    for (const JournalStep& step : FindMarkedKeptFiles(root, mark)) {
        EXPECT_EQ(step.kind, JournalStep::Kind::Kept);
        found.push_back(step.path + " <- " + step.kept);
    }
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
    RemoveTree(root);
}

// A folder the run made goes only when it is empty: one that holds the
// reader's files stays, settled; one that cannot be opened (another program
// holds it and shares no deletion) is not removed, and the undo is not whole,
// so that its journal stays for a later start.
TEST(RunJournal, AMadeFolderCountsAsRemovedOnlyWhenItIsGoneOrTheReaders) {
    const std::string root = MakeTestFolder("journal-made-folder");
    const std::string made = root + "\\Made";
    MakeFolders(made);
    const std::vector<JournalStep> steps{{JournalStep::Kind::Folder, made, {}}};
    HANDLE held = CreateFileA(made.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    UndoResult undone = UndoRun(steps, root);
    CloseHandle(held);
    EXPECT_FALSE(undone.whole);
    EXPECT_EQ(undone.notes, std::vector<std::string>{"Not removed, as it could not be opened: " + made});
    EXPECT_TRUE(FileExists(made));

    ASSERT_TRUE(WriteWholeFile(made + "\\Mine.txt", "the reader's"));
    undone = UndoRun(steps, root);
    EXPECT_TRUE(undone.whole) << "the reader's file keeps the folder: settled";
    EXPECT_EQ(FileContent(made + "\\Mine.txt"), "the reader's");

    ASSERT_TRUE(DeleteFileA((made + "\\Mine.txt").c_str()));
    undone = UndoRun(steps, root);
    EXPECT_TRUE(undone.whole);
    EXPECT_FALSE(FileExists(made));
    RemoveTree(root);
}
}  // namespace
