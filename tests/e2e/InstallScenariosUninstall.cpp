// Removing the book end to end: what the uninstaller takes (everything
// setup put there, a second run's files too, a kept original, a held file
// after Retry, a book of 5,000 files) and what it leaves (the reader's own
// work, their shortcut and what is behind their link).
#include <objbase.h>

#include "UninstallScenario.h"
#include "ScenarioChanges.h"
#include "engine/Shortcut.h"

// Everything setup put there goes: the installed tree and the folder setup
// made for it, the shortcut, the file the script copied into the Windows
// folder (and its count), the entry with its record, and the uninstaller
// that this book alone counted on. The same when every installed file's time has moved by an hour
// since (their content is still setup's), and for a book whose record the
// older setup wrote (each file's size and time, the shortcut by its name;
// the uncounted uninstaller stays).
enum class Since { Installed, ClockMovedAnHour, OlderRecord };

std::string SinceName(Since since) {
    switch (since) {
    case Since::Installed: return "AsInstalled";
    case Since::ClockMovedAnHour: return "ClockMovedAnHour";
    case Since::OlderRecord: return "OlderRecord";
    }
    return "";
}

void PrintTo(Since since, std::ostream* out) { *out << SinceName(since); }

class RemovesEverything : public UninstallScenario, public ::testing::WithParamInterface<Since> {};

TEST_P(RemovesEverything, SetupPutThere) {
    std::string windowsCopy = WindowsFolder() + "\\ZANDEL.INI";
    DeleteFileA(windowsCopy.c_str());
    ForgetSharedCount(windowsCopy);
    medium.AddFile("SCRIPT.TXT", Sample("SCRIPT.TXT"));
    Install();
    ASSERT_TRUE(FileExists(windowsCopy));
    ASSERT_TRUE(FileExists(dest + "\\Read Me First.txt"));
    ExpectShortcutIn("Desktop");
    EXPECT_EQ(SharedCountOf(windowsCopy), 1u) << "made by this setup";
    if (GetParam() == Since::ClockMovedAnHour) {
        MoveClockAnHour(dest);
        SetFileWriteTime(windowsCopy, FILETIME{0, 0x01DA0000});
    } else if (GetParam() == Since::OlderRecord) {
        ASSERT_NO_FATAL_FAILURE(RewriteAsOlderRecord(product));
        // The older setup counted nothing.
        ForgetSharedCount(windowsCopy);
        ForgetSharedCount(CopiedUninstaller());
    }

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    EXPECT_FALSE(FileExists(windowsCopy));
    EXPECT_EQ(SharedCountOf(windowsCopy), std::nullopt);
    ExpectShortcutIn(nullptr);
    if (GetParam() == Since::OlderRecord) {
        // Uncounted, as the older setup left it, the uninstaller may still serve another such book.
        EXPECT_FALSE(UninstallEntry(product).has_value());
        EXPECT_EQ(ReadWholeFile(CopiedUninstaller()), ReadWholeFile(XOVUNIN_EXE));
    } else {
        ExpectEntryGone();
    }
    DeleteFileA(windowsCopy.c_str());
}

INSTANTIATE_TEST_SUITE_P(E2E, RemovesEverything,
                         ::testing::Values(Since::Installed, Since::ClockMovedAnHour, Since::OlderRecord),
                         [](const ::testing::TestParamInfo<Since>& info) { return SinceName(info.param); });

// The reader's work stays: a file edited to the same size (a newer time), a
// file of another size whose time was set back to the one setup wrote, and
// a file of their own, with the folders holding them. The rest goes, and the
// message says once that not everything could be removed.
TEST_F(UninstallScenario, KeepsTheReadersChangedAndAddedFiles) {
    Install();
    const std::string sameSize = dest + "\\Chap 1\\Hello.c", otherSize = dest + "\\Chap 2\\Data\\Table.dat";
    std::string edited = Sample("CODE\\CHAP_1\\HELLO.C");
    edited[0] = edited[0] == '#' ? '/' : '#';
    ASSERT_TRUE(WriteWholeFile(sameSize, edited));
    FILETIME asWritten = FileWriteTime(otherSize);
    ASSERT_TRUE(WriteWholeFile(otherSize, "the reader's own table"));
    SetFileWriteTime(otherSize, asWritten);
    ASSERT_TRUE(WriteWholeFile(dest + "\\Chap 2\\mine.c", "int main() { return 0; }"));

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, (std::vector<std::string>{Question(), Problem()}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), Tree{{"Chap 1\\Hello.c", edited},
                                                        {"Chap 2\\Data\\Table.dat", "the reader's own table"},
                                                        {"Chap 2\\mine.c", "int main() { return 0; }"}}),
              "");
    ExpectShortcutIn(nullptr);
    ExpectEntryGone();
}

// No: nothing changes, on the disk or in the registry.
TEST_F(UninstallScenario, NoChangesNothing) {
    Install();
    std::optional<std::map<std::string, StoredValue>> before = UninstallEntry(product);

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDNO});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    ExpectShortcutIn("Desktop");
    EXPECT_EQ(UninstallEntry(product), before);
}

// A second setup over the first, one file kept at the reader's No: the record
// holds both runs (the folders only the first made, the kept file as the
// first wrote it), and one uninstall removes everything.
TEST_F(UninstallScenario, SecondInstallThenOneUninstall) {
    Install();
    ASSERT_TRUE(StartInstall());
    Walk walk = WalkAnswering({{kReplaceTitle, {kYes, kNo, kYes}}});
    EXPECT_EQ(walk.askedFiles.size(), 3u);
    EXPECT_EQ(robot->WaitExit(), 1);
    ExpectRegistered(true);

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    ExpectShortcutIn(nullptr);
    ExpectEntryGone();
}

// A reader's file that a completed run replaced and then could not delete
// (held open elsewhere) is named in the record: the uninstaller removes it
// with the book, whatever it holds.
TEST_F(UninstallScenario, RemovesAKeptOriginalTheRunCouldNotDelete) {
    Install();
    const std::string kept = dest + "\\Read Me.txt.~sx0000ABCD.tmp";
    ASSERT_TRUE(WriteWholeFile(kept, "the reader's own, replaced with a Yes", FILE_ATTRIBUTE_READONLY));
    std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product);
    ASSERT_TRUE(entry && entry->count("InstallRecord"));
    std::optional<InstallRecord> record = ParseRecord(entry->at("InstallRecord").bytes);
    ASSERT_TRUE(record);
    record->entries.push_back({RecordEntry::Kind::Kept, kept});
    std::string text = FormatRecord(*record);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + product).c_str(), 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    RegSetValueExA(key, "InstallRecord", 0, REG_BINARY, reinterpret_cast<const BYTE*>(text.data()),
                   static_cast<DWORD>(text.size()));
    RegCloseKey(key);

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    ExpectEntryGone();
}

// A file of the book held open by another program at the removal: a quiet
// removal names it in its log and ends with 1, the entry kept with what
// stayed; the reader's removal names it in a Retry/Cancel box, and, the file
// let go, Retry removes it and the book whole.
TEST_F(UninstallScenario, AHeldFileIsNamedAndRetryRemovesIt) {
    Install();
    const std::string heldPath = dest + "\\Chap 1\\Hello.c";
    HANDLE held = CreateFileA(heldPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product);
    ASSERT_TRUE(entry && entry->count("QuietUninstallString"));
    const std::string& quietBytes = entry->at("QuietUninstallString").bytes;
    // An elevated quiet removal's log: beside the machine's journals.
    const std::string log = MachinePlaces().journals.folder + "\\uninstall-" + product + ".log";
    DeleteFileA(log.c_str());
    UninstallRun quiet = RunUninstaller(quietBytes.substr(0, quietBytes.find('\0')));
    EXPECT_EQ(quiet.boxes, std::vector<std::string>{});
    EXPECT_EQ(quiet.exitCode, 1);
    std::string logText = ReadWholeFile(log).value_or("<no log>");
    EXPECT_NE(logText.find("In use by another program (programs the system cannot name): " + heldPath + "\r\n"),
              std::string::npos) << logText;
    EXPECT_NE(logText.find("Stays: " + heldPath + "\r\n"), std::string::npos) << logText;
    EXPECT_TRUE(FileExists(heldPath));

    const std::string named = "[exclamation Retry Cancel] " + product +
                              ": Another program is using this file of the book:\r\n" + heldPath +
                              "\r\n\r\nClose that program and choose Retry to remove the file, or Cancel to leave "
                              "it where it is.";
    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES, IDRETRY}, [&](const WindowInfo& box) {
        if (box.Control(IDRETRY)) CloseHandle(held);
    });
    EXPECT_EQ(run.boxes, (std::vector<std::string>{Question(), named}));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    ExpectEntryGone();
}

// The reader changed every file of the book; a second setup of it was ended
// from the task list after one Yes. The uninstaller undoes that run before
// it removes anything: the reader's changed files are all back and stay, and
// nothing of the cut run is left.
TEST_F(UninstallScenario, UndoesItsProductsRunCutShortFirst) {
    Install();
    Tree changed;
    for (const auto& [relative, content] : SampleTree()) {
        changed[relative] = "the reader's " + relative;
        ASSERT_TRUE(WriteWholeFile(dest + "\\" + relative, changed[relative]));
    }
    EndAtReplaceQuestion(2);
    ASSERT_EQ(KeptFilesIn(InstalledTree(dest)), 1u);

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, (std::vector<std::string>{Question(), Problem()}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), changed), "");
    EXPECT_EQ(JournalsOf(product), 0u);
}

// A book of 5,000 files: its record is far past what the registry should
// hold, so the entry keeps within 64 KB and names the record's file in the
// Windows folder; the book is removed whole, the record's file with it.
TEST_F(UninstallScenario, AFiveThousandFileBookKeepsItsEntrySmall) {
    medium.Omit("CODE");
    Tree book;
    for (int folder = 0; folder < 50; ++folder) {
        for (int file = 0; file < 100; ++file) {
            char relative[64];
            std::snprintf(relative, sizeof relative, "PART_%02d\\FILE_%03d.TXT", folder, file);
            std::string content = std::string("file ") + relative;
            medium.AddFile(std::string("CODE\\") + relative, content);
            std::snprintf(relative, sizeof relative, "Part %02d\\File %03d.txt", folder, file);
            book[relative] = content;
        }
    }
    medium.SetIni("FilesCompressed", "NO");
    Install();
    ASSERT_EQ(TreeDifferences(InstalledTree(dest), book), "");
    std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product);
    ASSERT_TRUE(entry);
    size_t entryBytes = 0;
    for (const auto& [name, value] : *entry) entryBytes += name.size() + value.bytes.size();
    EXPECT_LE(entryBytes, 65536u);
    EXPECT_FALSE(entry->count("InstallRecord")) << "the record is in the entry";
    ASSERT_TRUE(entry->count("InstallRecordFile"));
    const std::string& named = entry->at("InstallRecordFile").bytes;
    const std::string recordFile = named.substr(0, named.find('\0'));
    EXPECT_EQ(recordFile.find(WindowsFolder() + "\\XOVUNIN-"), 0u) << recordFile;
    std::optional<std::string> recordText = ReadWholeFile(recordFile);
    ASSERT_TRUE(recordText);
    std::optional<InstallRecord> record = ParseRecord(*recordText);
    ASSERT_TRUE(record);
    EXPECT_GT(record->entries.size(), 5050u) << "5,000 files, 51 folders, the shortcut, the uninstaller";

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << InstalledTree(dest).size() << " files";
    EXPECT_FALSE(FileExists(recordFile)) << "the record's file";
    ExpectShortcutIn(nullptr);
    ExpectEntryGone();
}

// What the reader put in place of setup's stays, however alike: their own
// shortcut of the same name, and a folder setup made that they turned into a
// link to a folder of theirs, holding a file just like setup's. The rest goes;
// one message says that not everything could be removed.
TEST_F(UninstallScenario, KeepsTheReadersShortcutAndWhatIsBehindTheirLink) {
    Install();
    std::string linkPath = LinkPath(ShellFolder("Desktop"));
    std::string theirs = MakeTestFolder(CurrentTestName() + " theirs");
    ASSERT_TRUE(WriteWholeFile(theirs + "\\Table.dat", Sample("CODE\\CHAP_2\\DATA\\TABLE.DAT")));
    ASSERT_TRUE(WriteWholeFile(theirs + "\\notes.txt", "the reader's notes"));
    const std::string data = dest + "\\Chap 2\\Data";
    DeleteFileA((data + "\\Table.dat").c_str());
    ASSERT_TRUE(RemoveDirectoryA(data.c_str()));
    MakeFolderLink(data, theirs);
    struct LinkCleanup {
        std::string link;
        ~LinkCleanup() { RemoveLink(link); }
    } cleanup{data};
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ASSERT_TRUE(SUCCEEDED(CreateShortcut(theirs, linkPath, "")));
    CoUninitialize();

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, (std::vector<std::string>{Question(), Problem()}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(theirs), Tree{{"Table.dat", Sample("CODE\\CHAP_2\\DATA\\TABLE.DAT")},
                                                          {"notes.txt", "the reader's notes"}}),
              "");
    EXPECT_TRUE(IsLinkNow(data)) << "the reader's link";
    EXPECT_FALSE(FileExists(dest + "\\Read Me.txt"));
    EXPECT_FALSE(FileExists(dest + "\\Chap 1"));
    EXPECT_EQ(ShellLinkTarget(linkPath), theirs) << "the reader's shortcut";
    ExpectEntryGone();
    DeleteFileA(linkPath.c_str());
}
