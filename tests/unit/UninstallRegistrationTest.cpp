#include "app/UninstallRegistration.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <vector>

#include "TestFiles.h"
#include "app/UninstallerVersion.h"
#include "record/InstallRecord.h"
#include "record/RecordFile.h"
#include "record/RecordStore.h"
#include "record/ScopePlaces.h"
#include "record/SetupRunRecord.h"
#include "record/SharedFiles.h"
#include "settings/InstallSettings.h"
#include "settings/SetupTexts.h"

namespace {
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The key's values by name (Wine lists them sorted, so their order cannot be seen).
std::map<std::string, std::string> ReadEntry(const std::string& product) {
    std::map<std::string, std::string> values;
    // Opened by name below Uninstall: the whole path of a long name is past
    // what the ANSI call takes.
    HKEY uninstall, key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &uninstall) != ERROR_SUCCESS) return values;
    LONG opened = RegOpenKeyExA(uninstall, product.c_str(), 0, KEY_READ, &key);
    RegCloseKey(uninstall);
    if (opened != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof name;
        std::vector<char> data(4096);
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &dataSize) !=
            ERROR_SUCCESS)
            break;
        // The install record, beside the four values, has tests of its own.
        if (std::string(name) == "InstallRecord") continue;
        if (type == REG_DWORD && dataSize == sizeof(DWORD)) {
            DWORD number = 0;
            memcpy(&number, data.data(), sizeof number);
            values[name] = "dword:" + std::to_string(number);
            continue;
        }
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << name;
        EXPECT_GT(dataSize, 0u);
        EXPECT_EQ(data[dataSize - 1], '\0') << "stored with its terminating zero";
        values[name] = data.data();
    }
    RegCloseKey(key);
    return values;
}

class UninstallRegistration : public ::testing::Test {
protected:
    void SetUp() override {
        medium = MakeTestFolder("uninstall-medium");
        windows = MakeTestFolder("uninstall-windows");
        WriteWholeFile(medium + "\\XOVUNIN.EXE", "stand-in uninstaller");
        InstallSettings = InstallSettingsRecord();
        InstallSettings.WindowsDir = windows;
        places = MachinePlaces();
        places.uninstallerFolder = windows;
        InstallSettings.InstallPath = "C:\\Book Files\\Zandel";
        InstallSettings.ProductName = "Zandel Test Companion";
        SetupTexts.UninstallText = "Remove it?";
        SetupTexts.UninstallProblemText = "Could not remove everything.";
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallKey + InstallSettings.ProductName).c_str());
        ForgetRunRecord();
        SetSharedCount(Uninstaller(), 0, places);
    }
    void TearDown() override {
        ForgetRunRecord();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallKey + InstallSettings.ProductName).c_str());
        SetSharedCount(Uninstaller(), 0, places);
    }
    std::string Uninstaller() const { return windows + "\\XOVUNIN.EXE"; }
    std::string medium, windows;
    ScopePlaces places;  // the machine's, with the Windows folder above
};

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
TEST_F(UninstallRegistration, OnlyANewerUninstallerReplacesTheOneInPlace) {
    EXPECT_EQ(ProgramVersion(OLDER_XOVUNIN_EXE), 0x0000000900000000ull) << "0.9.0.0";
    EXPECT_GT(ProgramVersion(XOVUNIN_EXE).value_or(0), 0x0000000900000000ull);
    EXPECT_EQ(ProgramVersion(medium + "\\XOVUNIN.EXE"), std::nullopt) << "a file without a version resource";
    const std::string newer = FileContent(XOVUNIN_EXE), older = FileContent(OLDER_XOVUNIN_EXE);
    const std::string signedNewer = FileContent(SIGNED_DIR "\\XOVUNIN.EXE"),
                      signedOlder = FileContent(SIGNED_DIR "\\older\\XOVUNIN.EXE"),
                      changedNewer = FileContent(SIGNED_DIR "\\changed\\XOVUNIN.EXE"),
                      damagedNewer = FileContent(SIGNED_DIR "\\damaged\\XOVUNIN.EXE");
    const struct {
        const char* name;
        std::string onMedium, inPlace;
        bool replaced;
    } cases[] = {
        {"an older one over a newer", older, newer, false},
        {"a newer one over an older", newer, older, true},
        {"another build of the same version", newer + "another build", newer, false},
        {"one without a version over one with", "stand-in uninstaller", older, false},
        {"one with a version over one without", older, "stand-in uninstaller", true},
        // Every book's entry runs the copy with rights: one changed after
        // signing never goes there, and only a whole signature replaces one.
        {"a signed newer one over a signed older", signedNewer, signedOlder, true},
        {"a signed newer one over an unsigned older", signedNewer, older, true},
        {"an unsigned newer one over a signed older", newer, signedOlder, false},
        {"a newer one changed after signing over an older", changedNewer, older, false},
        {"a newer one with a damaged signature over an older", damagedNewer, older, false},
        {"a signed older one over a signed newer", signedOlder, signedNewer, false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteWholeFile(medium + "\\XOVUNIN.EXE", c.onMedium));
        ASSERT_TRUE(WriteWholeFile(Uninstaller(), c.inPlace));
        ForgetRunRecord();
        {
            CurrentDirectoryScope here(medium);
            RegisterUninstaller(places);
        }
        EXPECT_TRUE(FileContent(Uninstaller()) == (c.replaced ? c.onMedium : c.inPlace)) << c.name;
    }
    EXPECT_EQ(SharedCount(Uninstaller(), places), 2u) << "there before without a count: its owner and this book";

    // With none in place, a changed one is not copied either: the book cannot
    // be removed, and the run says why, by the file's name.
    for (const std::string& changed : {changedNewer, damagedNewer}) {
        ASSERT_TRUE(WriteWholeFile(medium + "\\XOVUNIN.EXE", changed));
        DeleteFileA(Uninstaller().c_str());
        ForgetRunRecord();
        CurrentDirectoryScope here(medium);
        Registration registration = RegisterUninstaller(places);
        EXPECT_FALSE(FileExists(Uninstaller()));
        EXPECT_FALSE(registration.WayBack());
        EXPECT_EQ(NoWayBackMessage(registration),
                  "Setup has installed Zandel Test Companion, but did not copy its uninstaller: XOVUNIN.EXE on the "
                  "medium was changed after it was signed. The book cannot be removed with the system's list of "
                  "installed software.");
    }
    // With a whole one in place, that one serves the book, and the log says the medium's was refused.
    ASSERT_TRUE(WriteWholeFile(Uninstaller(), signedOlder));
    CurrentDirectoryScope here(medium);
    Registration registration = RegisterUninstaller(places);
    EXPECT_TRUE(FileContent(Uninstaller()) == signedOlder);
    EXPECT_TRUE(registration.WayBack());
    EXPECT_EQ(UninstallerNote(registration), "XOVUNIN.EXE on the medium was changed after it was signed: setup did "
                                             "not copy it; the uninstaller already in " +
                                                 Uninstaller() + " removes the book.");
}

// What each built program asks of the system, read from its resources as
// the loader reads them (RT_MANIFEST, id 1): setup the highest rights the
// user has, the uninstaller and the publisher's tool only the invoker's.
// Under Wine every process holds the administrator's token whatever its
// manifest asks, so the level is read, not seen. Each carries this build's
// version, 1.2.0 and the source's count of commits (given to this test by the
// build), newer than 1.1.0.0, which an earlier uninstaller has.
#ifndef LOAD_LIBRARY_AS_IMAGE_RESOURCE
#define LOAD_LIBRARY_AS_IMAGE_RESOURCE 0x00000020
#endif
namespace {
std::string ManifestOf(const std::string& program) {
    std::wstring path(program.begin(), program.end());  // the build folder's path is ASCII
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) return "not loaded: error " + std::to_string(GetLastError());
    std::string manifest;
    if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
        HGLOBAL loaded = LoadResource(module, found);
        if (const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr)
            manifest.assign(data, SizeofResource(module, found));
    }
    FreeLibrary(module);
    return manifest;
}

// The level of the one requestedExecutionLevel, or what is wrong.
std::string ExecutionLevelOf(const std::string& manifest) {
    const std::string element = "<requestedExecutionLevel level=\"";
    size_t at = manifest.find(element);
    if (at == std::string::npos) return "no level in: " + manifest.substr(0, 80);
    if (manifest.find("requestedExecutionLevel", at + element.size()) != std::string::npos) return "two levels";
    size_t start = at + element.size(), end = manifest.find('"', start);
    return end == std::string::npos ? "unterminated" : manifest.substr(start, end - start);
}
}  // namespace

TEST(ProgramManifest, EachBuiltProgramAsksForItsLevelAndCarriesThisBuildsVersion) {
    const struct {
        std::string program;
        const char* level;
    } programs[] = {
        {SETUP_EXE, "highestAvailable"},
        {XOVUNIN_EXE, "asInvoker"},
        {MEDIUM_EXE, "asInvoker"},
    };
    const uint64_t thisBuild = 0x0001000200000000ull | BUILD_NUMBER_GIVEN;
    for (const auto& p : programs) {
        EXPECT_EQ(ExecutionLevelOf(ManifestOf(p.program)), p.level) << p.program;
        std::optional<uint64_t> version = ProgramVersion(p.program);
        ASSERT_TRUE(version.has_value()) << p.program;
        EXPECT_EQ(*version & 0xFFFF, static_cast<uint64_t>(BUILD_NUMBER_GIVEN)) << p.program << ": the last field";
        EXPECT_EQ(*version, thisBuild) << p.program << ": 1.2.0." << BUILD_NUMBER_GIVEN;
        EXPECT_GT(*version, 0x0001000100000000ull) << p.program << ": newer than 1.1.0.0";
    }
}

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

namespace {
bool UninstallKeyHasValue(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    bool found = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

// A user's entry is the user's to write without rights: an elevated run for
// that user takes its InstallLocation as the proposal only strictly below
// the user's profile (never by a path that climbs out of it); a run without
// rights (the user's own) takes any folder that is there.
TEST_F(UninstallRegistration, AnElevatedRunTakesTheUsersEarlierFolderOnlyBelowTheProfile) {
    const std::string profile = MakeTestFolder("uninstall-profile");
    const std::string inside = profile + "\\Books\\Zandel";
    MakeFolders(inside);
    const std::string product = InstallSettings.ProductName, key = kUninstallKey + product;
    HKEY entry = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &entry, nullptr),
              ERROR_SUCCESS);
    const struct {
        bool elevated;
        std::string location;
        bool taken;
    } rows[] = {
        {true, inside, true},
        {true, windows, false},
        {true, profile, false},
        {true, profile + "\\..\\uninstall-windows", false},
        {false, windows, true},
        {false, inside, true},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(RegSetValueExA(entry, "InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(row.location.c_str()),
                                 static_cast<DWORD>(row.location.size() + 1)),
                  ERROR_SUCCESS);
        ScopePlaces user = PlacesFor(InstallScope::CurrentUser, row.elevated);
        user.userProfile = profile;
        std::string ignored;
        const std::string name = (row.elevated ? "elevated: " : "unelevated: ") + row.location;
        EXPECT_EQ(EarlierInstallFolder(product, user, &ignored),
                  row.taken ? std::optional<std::string>(row.location) : std::nullopt)
            << name;
        EXPECT_EQ(ignored, row.taken ? "" : row.location) << name;
    }
    EXPECT_NE(IgnoredEarlierFolderText(windows).find(windows), std::string::npos);
    RegCloseKey(entry);
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    RemoveTree(profile);
}

// A name of 255 characters is one the registry holds, though the whole key
// path is then past 260; an empty name or one with a backslash is no key name.
TEST_F(UninstallRegistration, ProductNameIsOneKeyBelowUninstallOrNothing) {
    const std::string longest(255, 'N');
    InstallSettings.ProductName = longest;
    {
        CurrentDirectoryScope here(medium);
        RegisterUninstaller(places);
    }
    EXPECT_EQ(ReadEntry(longest)["DisplayName"], longest);
    HKEY uninstall;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_ALL_ACCESS, &uninstall), ERROR_SUCCESS);
    RegDeleteKeyA(uninstall, longest.c_str());
    RegCloseKey(uninstall);

    for (const char* name : {"", "Books\\Zandel"}) {
        InstallSettings.ProductName = name;
        {
            CurrentDirectoryScope here(medium);
            Registration registration = RegisterUninstaller(places);
            // Never "complete" without a way back: the run says what is missing.
            EXPECT_FALSE(registration.WayBack()) << "'" << name << "'";
            EXPECT_NE(NoWayBackMessage(registration).find("could not write its uninstall entry"), std::string::npos);
        }
        EXPECT_FALSE(UninstallKeyHasValue("DisplayName")) << "'" << name << "'";
        EXPECT_TRUE(ReadEntry("Books").empty()) << "'" << name << "'";
    }
    InstallSettings.ProductName = "Zandel Test Companion";

    // A way back needs all three: the uninstaller, its entry, and the record
    // that tells it what to remove (without one it refuses the book).
    const struct {
        bool placed, entry, record;
        const char* says;
    } parts[] = {
        {true, true, true, nullptr},
        {false, true, true, "could not copy its uninstaller"},
        {true, false, true, "could not write its uninstall entry"},
        {true, true, false, "could not store the list of what it installed"},
    };
    for (const auto& part : parts) {
        Registration registration;
        registration.offered = true;
        registration.uninstallerPlaced = part.placed;
        registration.entryWritten = part.entry;
        registration.recordStored = part.record;
        EXPECT_EQ(registration.WayBack(), part.says == nullptr) << part.placed << part.entry << part.record;
        if (part.says) EXPECT_NE(NoWayBackMessage(registration).find(part.says), std::string::npos) << part.says;
    }

    // A user's folder of ours that is a link (the user may make one while
    // setup runs elevated) takes neither the uninstaller nor the record elsewhere.
    const std::string elsewhere = MakeTestFolder("uninstall-elsewhere");
    ScopePlaces user = places;
    user.scope = InstallScope::CurrentUser;
    user.uninstallerFolder = windows + "\\Book Setup";
    ASSERT_TRUE(MakeLinuxLink(user.uninstallerFolder, elsewhere));
    {
        CurrentDirectoryScope here(medium);
        Registration registration = RegisterUninstaller(user);
        EXPECT_FALSE(registration.uninstallerPlaced);
        EXPECT_FALSE(registration.WayBack());
    }
    EXPECT_EQ(ListingOrder(elsewhere), std::vector<std::string>{});
    EXPECT_TRUE(RemoveLinuxLink(user.uninstallerFolder));
    // Nor does a link on the way to it, with the folder of ours behind it.
    MakeFolders(elsewhere + "\\Book Setup");
    ASSERT_TRUE(MakeLinuxLink(windows + "\\Local", elsewhere));
    user.uninstallerFolder = windows + "\\Local\\Book Setup";
    {
        CurrentDirectoryScope here(medium);
        Registration registration = RegisterUninstaller(user);
        EXPECT_FALSE(registration.uninstallerPlaced);
        EXPECT_FALSE(registration.WayBack());
    }
    EXPECT_EQ(ListingOrder(elsewhere + "\\Book Setup"), std::vector<std::string>{});
    EXPECT_TRUE(RemoveLinuxLink(windows + "\\Local"));
    RemoveTree(elsewhere);
}
}  // namespace

// The maker as the elevation prompt and the file's properties show it: each
// program's company, product, copyright and description, all from the one
// file the build takes them from.
namespace {
std::string VersionText(const std::string& program, const wchar_t* field) {
    std::wstring path(program.begin(), program.end());  // the build folder's path is ASCII
    DWORD ignored = 0, size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<char> block(size);
    if (!size || !GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return "<no version resource>";
    void* value = nullptr;
    UINT length = 0;
    std::wstring query = std::wstring(L"\\StringFileInfo\\040904E4\\") + field;
    if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || !value) return "<no such field>";
    std::wstring text(static_cast<const wchar_t*>(value));
    return std::string(text.begin(), text.end());  // the maker's texts are ASCII
}
}  // namespace

TEST(ProgramManifest, EachBuiltProgramNamesItsMaker) {
    std::map<std::string, std::string> maker;
    std::istringstream lines(FileContent(MAKER_FILE));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t equals = line.find('=');
        if (!line.empty() && line[0] != '#' && equals != std::string::npos)
            maker[line.substr(0, equals)] = line.substr(equals + 1);
    }
    ASSERT_FALSE(maker["Company"].empty());
    const struct {
        std::string program;
        const char* description;
    } programs[] = {
        {SETUP_EXE, "SetupDescription"},
        {XOVUNIN_EXE, "UninstallerDescription"},
        {MEDIUM_EXE, "MediumDescription"},
    };
    for (const auto& p : programs) {
        EXPECT_EQ(VersionText(p.program, L"CompanyName"), maker["Company"]) << p.program;
        EXPECT_EQ(VersionText(p.program, L"ProductName"), maker["Product"]) << p.program;
        EXPECT_EQ(VersionText(p.program, L"LegalCopyright"), maker["Copyright"]) << p.program;
        EXPECT_EQ(VersionText(p.program, L"FileDescription"), maker[p.description]) << p.program;
    }
}
