// The uninstall entry a run writes: its values as the system's list shows
// them, the record stored with it (merged with the earlier one, in a file of
// its own when large), and the uninstaller copied beside it.
#include "UninstallRegistrationTestSupport.h"

namespace {
// The four values, the quiet command the system's package tools run (the
// same command with /S before the folder), the uninstaller's path quoted, and
// what the system's list shows: the folder, icon, date, size in KB rounded up
// (2,049 bytes are 3 KB; 1,024 are 1 and 1,025 are 2), publisher and version,
// no Modify or Repair. A publisher and version the medium no longer names go
// from the entry.
TEST_F(UninstallRegistration, CopiesTheUninstallerAndWritesTheValuesTheSystemsListShows) {
    std::string book = MakeTestFolder("uninstall-size");
    ASSERT_TRUE(WriteWholeFile(book + "\\BOOK.DAT", std::string(2049, 'b')));
    RecordCopy({book + "\\BOOK.DAT"}, {});
    InstallSettings.Publisher = "Zandel Press";
    InstallSettings.Version = "2.1";
    // The copy keeps the medium's file's last-write time, as a copy of a file does.
    const FILETIME pressed = LocalClockFileTime(2001, 3, 4, 5, 6, 8);
    {
        HANDLE file = CreateFileA((medium + "\\XOVUNIN.EXE").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                  0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &pressed));
        CloseHandle(file);
    }
    {
        CurrentDirectoryScope here(medium);
        EXPECT_TRUE(RegisterUninstaller(places).WayBack());
    }
    EXPECT_EQ(FileContent(windows + "\\XOVUNIN.EXE"), "stand-in uninstaller");
    WIN32_FILE_ATTRIBUTE_DATA copied = {};
    ASSERT_TRUE(GetFileAttributesExA((windows + "\\XOVUNIN.EXE").c_str(), GetFileExInfoStandard, &copied));
    EXPECT_EQ(CompareFileTime(&copied.ftLastWriteTime, &pressed), 0) << "the medium's time";
    EXPECT_FALSE(FileExists(windows + "\\XOVUNIN.EXE.NEW"));
    const std::string quoted = "\"" + windows + "\\XOVUNIN.EXE\"";
    std::map<std::string, std::string> expected{
        {"DisplayName", "Zandel Test Companion"},
        {"UninstallString", quoted + " `C:\\Book Files\\Zandel` Zandel Test Companion"},
        {"QuietUninstallString", quoted + " /S `C:\\Book Files\\Zandel` Zandel Test Companion"},
        {"UninstallText", "Remove it?"},
        {"UninstallProblemText", "Could not remove everything."},
        {"InstallLocation", "C:\\Book Files\\Zandel"},
        {"DisplayIcon", windows + "\\XOVUNIN.EXE"},
        {"InstallDate", Today()},
        {"EstimatedSize", "dword:3"},
        {"NoModify", "dword:1"},
        {"NoRepair", "dword:1"},
        {"Publisher", "Zandel Press"},
        {"DisplayVersion", "2.1"},
    };
    EXPECT_EQ(ReadEntry("Zandel Test Companion"), expected);

    InstallSettings.Publisher.clear();
    InstallSettings.Version.clear();
    {
        CurrentDirectoryScope here(medium);
        RegisterUninstaller(places);
    }
    expected.erase("Publisher");
    expected.erase("DisplayVersion");
    EXPECT_EQ(ReadEntry("Zandel Test Companion"), expected) << "one entry, its medium's values";

    const struct {
        size_t bytes;
        const char* kilobytes;
    } sizes[] = {{0, "dword:0"}, {1, "dword:1"}, {1024, "dword:1"}, {1025, "dword:2"}, {2048, "dword:2"}};
    for (const auto& size : sizes) {
        ForgetRunRecord();
        ASSERT_TRUE(WriteWholeFile(book + "\\BOOK.DAT", std::string(size.bytes, 'b')));
        RecordCopy({book + "\\BOOK.DAT"}, {});
        {
            CurrentDirectoryScope here(medium);
            RegisterUninstaller(places);
        }
        EXPECT_EQ(ReadEntry("Zandel Test Companion")["EstimatedSize"], size.kilobytes) << size.bytes << " bytes";
    }
}

TEST_F(UninstallRegistration, AWindowsDirectoryEndingInABackslashGetsNoSecondOne) {
    places.uninstallerFolder = windows + "\\";
    {
        CurrentDirectoryScope here(medium);
        RegisterUninstaller(places);
    }
    std::string command = ReadEntry("Zandel Test Companion")["UninstallString"];
    EXPECT_EQ(command.find("\\\\"), std::string::npos) << command;
    EXPECT_EQ(command.find("\"" + windows + "\\XOVUNIN.EXE\" `"), 0u) << command;
    EXPECT_EQ(FileContent(windows + "\\XOVUNIN.EXE"), "stand-in uninstaller");
}

TEST_F(UninstallRegistration, WithoutTheUninstallerNothingIsWritten) {
    DeleteFileA((medium + "\\XOVUNIN.EXE").c_str());
    {
        CurrentDirectoryScope here(medium);
        EXPECT_FALSE(RegisterUninstaller(places).offered);
    }
    EXPECT_TRUE(ReadEntry("Zandel Test Companion").empty());
    EXPECT_EQ(GetFileAttributesA((windows + "\\XOVUNIN.EXE").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(UninstallRegistration, ValuesLongerThan255CharactersAreWrittenInFull) {
    InstallSettings.InstallPath = "C:\\" + std::string(300, 'p');
    SetupTexts.UninstallText = std::string(400, 't');
    {
        CurrentDirectoryScope here(medium);
        RegisterUninstaller(places);
    }
    auto entry = ReadEntry("Zandel Test Companion");
    EXPECT_NE(entry["UninstallString"].find("`C:\\" + std::string(300, 'p') + "` Zandel Test Companion"),
              std::string::npos);
    EXPECT_EQ(entry["UninstallText"], std::string(400, 't'));
}

std::optional<InstallRecord> StoredRecord(const std::string& product) {
    RegistryKey entry = OpenUninstallEntry(product, KEY_QUERY_VALUE, MachinePlaces());
    std::optional<std::string> text = entry ? ReadRecordText(entry.Get()) : std::nullopt;
    return text ? ParseRecord(*text) : std::nullopt;
}

std::vector<std::string> Paths(const InstallRecord& record) {
    std::vector<std::string> paths;
    for (const RecordEntry& entry : record.entries) paths.push_back(entry.path);
    return paths;
}

// The registration stores the run's record; a second run replaces it with its
// own, keeping of the first what is still there and not written again.
TEST_F(UninstallRegistration, StoresTheRunsRecordMergedWithTheEarlierOne) {
    std::string book = MakeTestFolder("uninstall-book");
    InstallSettings.InstallPath = book;
    std::vector<std::string> written;
    for (const char* name : {"kept.c", "rewritten.c", "deleted.c"}) {
        ASSERT_TRUE(WriteWholeFile(book + "\\" + name, "first run"));
        written.push_back(book + "\\" + name);
    }
    RecordCopy(written, {book + "\\"});
    {
        CurrentDirectoryScope here(medium);
        RegisterUninstaller(places);
    }
    std::optional<InstallRecord> first = StoredRecord(InstallSettings.ProductName);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->installFolder, book);
    EXPECT_EQ(Paths(*first), (std::vector<std::string>{book, book + "\\kept.c", book + "\\rewritten.c",
                                                       book + "\\deleted.c", Uninstaller()}));
    EXPECT_EQ(first->entries[4].kind, RecordEntry::Kind::Uninstaller);
    EXPECT_EQ(SharedCount(Uninstaller(), places), 1u) << "the uninstaller counted, made by this setup";
    EXPECT_EQ(first->entries[1].size, 9u);
    EXPECT_EQ(first->entries[1].hash, HashBytes("first run", 9)) << "the content as written";

    ForgetRunRecord();
    DeleteFileA((book + "\\deleted.c").c_str());
    ASSERT_TRUE(WriteWholeFile(book + "\\rewritten.c", "the second run"));
    RecordCopy({book + "\\REWRITTEN.C"}, {});
    {
        CurrentDirectoryScope here(medium);
        RegisterUninstaller(places);
    }
    std::optional<InstallRecord> second = StoredRecord(InstallSettings.ProductName);
    ASSERT_TRUE(second);
    EXPECT_EQ(Paths(*second),
              (std::vector<std::string>{book + "\\REWRITTEN.C", Uninstaller(), book, book + "\\kept.c"}));
    EXPECT_EQ(second->entries[0].size, 14u) << "the second run's size, not the first's";
    EXPECT_EQ(SharedCount(Uninstaller(), places), 1u) << "not counted again by a second setup of the same book";
}

// A file the script copies is stored once the entry is written, and one
// copied afterwards joins the stored record at once, with its reference
// counted (a file outside the book's folder).
TEST_F(UninstallRegistration, AScriptCopyJoinsTheStoredRecordOnlyOnceRegistered) {
    std::string copy = MakeTestFolder("uninstall-script") + "\\NOTES.TXT";
    ASSERT_TRUE(WriteWholeFile(copy, "notes"));
    RecordScriptCopy(copy, false);
    EXPECT_FALSE(StoredRecord(InstallSettings.ProductName)) << "stored before the registration";
    {
        CurrentDirectoryScope here(medium);
        RegisterUninstaller(places);
    }
    std::string later = WorkFolder("uninstall-script") + "\\LATER.TXT";
    ASSERT_TRUE(WriteWholeFile(later, "later"));
    RecordScriptCopy(later, false);
    std::optional<InstallRecord> stored = StoredRecord(InstallSettings.ProductName);
    SetSharedCount(later, 0, places);
    ASSERT_TRUE(stored);
    EXPECT_EQ(Paths(*stored), (std::vector<std::string>{copy, Uninstaller(), later}));
    EXPECT_FALSE(stored->entries[0].shared) << "no reference taken before the registration";
    EXPECT_TRUE(stored->entries[2].shared);
}

// Every book's entry starts the one uninstaller in the Windows folder: the
// medium's replaces it only when newer by its version resource, and a file
// without one is older than any with one.

// A record past what the entry holds (57,344 bytes) goes into a file that the
// entry names with its SHA-256, in the file's name and in a value of its own;
// a file that no longer matches is no record, and a record that shrank comes
// back into the entry, its file gone. A new record never goes over the file
// the entry names: cut between any two steps of its writing, the entry still
// names a file that matches it.
TEST_F(UninstallRegistration, ALargeRecordGoesIntoAFileNamedWithItsHash) {
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + InstallSettings.ProductName).c_str(), 0, nullptr,
                              0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    RegistryKey entry(created);
    const std::string base = RecordFilePath(windows, InstallSettings.ProductName);
    EXPECT_EQ(base.find(windows + "\\XOVUNIN-"), 0u) << base;
    auto valueSize = [&](const char* name) {
        DWORD size = 0;
        return RegQueryValueExA(entry.Get(), name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS
                   ? std::optional<DWORD>(size)
                   : std::nullopt;
    };
    auto fileOf = [](const std::string& text) { return HashText(HashBytes(text.data(), text.size())); };
    const std::string fits(57344, 'r'), past(57345, 'r');
    ASSERT_TRUE(WriteRecordText(entry.Get(), fits, base));
    EXPECT_EQ(valueSize("InstallRecord"), 57344u);
    EXPECT_EQ(ReadEntry(InstallSettings.ProductName).count("InstallRecordFile"), 0u);

    ASSERT_TRUE(WriteRecordText(entry.Get(), past, base));
    const std::string file = base.substr(0, base.size() - 4) + "-" + fileOf(past) + ".REC";
    EXPECT_EQ(valueSize("InstallRecord"), std::nullopt);
    EXPECT_TRUE(FileContent(file) == past);
    EXPECT_EQ(ReadEntry(InstallSettings.ProductName)["InstallRecordFile"], file);
    EXPECT_EQ(ReadEntry(InstallSettings.ProductName)["InstallRecordHash"], fileOf(past));
    EXPECT_TRUE(ReadRecordText(entry.Get()) == past);
    ASSERT_TRUE(WriteRecordText(entry.Get(), past, base));
    EXPECT_TRUE(ReadRecordText(entry.Get()) == past) << "the same large record written twice in a row";

    // The next record: a file of its own, the first one gone.
    std::string next = past + "n";
    const std::string nextFile = base.substr(0, base.size() - 4) + "-" + fileOf(next) + ".REC";
    ASSERT_TRUE(WriteRecordText(entry.Get(), next, base));
    EXPECT_EQ(ReadEntry(InstallSettings.ProductName)["InstallRecordFile"], nextFile);
    EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES) << "the record it replaced";
    // Cut after the name changed, before the hash value followed: the name's hash counts.
    ASSERT_EQ(RegSetValueExA(entry.Get(), "InstallRecordHash", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(fileOf(past).c_str()), 65),
              ERROR_SUCCESS);
    EXPECT_TRUE(ReadRecordText(entry.Get()) == next);

    std::string changed = next;
    changed[1000] = 'R';
    ASSERT_TRUE(WriteWholeFile(nextFile, changed));
    EXPECT_EQ(ReadRecordText(entry.Get()), std::nullopt) << "a changed record file is refused";
    // An earlier setup's record: the product's own name, the hash in its value.
    ASSERT_TRUE(WriteWholeFile(base, past));
    ASSERT_EQ(RegSetValueExA(entry.Get(), "InstallRecordFile", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(base.c_str()), static_cast<DWORD>(base.size() + 1)),
              ERROR_SUCCESS);
    EXPECT_TRUE(ReadRecordText(entry.Get()) == past);

    // A new record that cannot be stored (the entry cannot be written, the
    // file's step fails) leaves the record the entry names whole, and its file.
    ASSERT_TRUE(WriteRecordText(entry.Get(), next, base));
    HKEY readOnly = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + InstallSettings.ProductName).c_str(), 0,
                            KEY_QUERY_VALUE, &readOnly),
              ERROR_SUCCESS);
    RegistryKey reading(readOnly);
    for (const std::string& text : {fits, past}) {
        EXPECT_FALSE(WriteRecordText(reading.Get(), text, base)) << text.size();
        EXPECT_TRUE(ReadRecordText(entry.Get()) == next) << text.size();
    }
    EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES) << "no record file left of the failed one";

    ASSERT_TRUE(WriteRecordText(entry.Get(), fits, base));
    EXPECT_TRUE(ReadRecordText(entry.Get()) == fits);
    EXPECT_EQ(valueSize("InstallRecordFile"), std::nullopt);
    EXPECT_EQ(GetFileAttributesA(nextFile.c_str()), INVALID_FILE_ATTRIBUTES) << "the file of a record that shrank";
}
}  // namespace
