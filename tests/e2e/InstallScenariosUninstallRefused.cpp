// Removing the book end to end, refused: a command line or an entry the
// uninstaller cannot trust, and a book on a drive that is away.
#include "UninstallScenario.h"
#include "ScenarioChanges.h"

// A command line the uninstaller cannot take at its word, or an entry
// without a usable record: one message, no question, and nothing touched.
struct RefusedCase {
    const char* name;
    std::string (*commandLine)(const std::string& uninstaller, const std::string& dest, const std::string& product);
    // The record to store instead of setup's (given setup's); nullptr keeps it.
    std::optional<std::string> (*record)(const InstallRecord& stored);
    // The message: the entry's own text under the product's name, or, with
    // no entry found, the uninstaller's under the name read (or its own).
    enum Shown { kEntryText, kNoEntryUnderProgram, kNoEntryUnderName } shown;
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

std::string Registered(const std::string& u, const std::string& d, const std::string& p) {
    return u + " `" + d + "` " + p;
}

std::optional<std::string> WithFolder(const InstallRecord& stored, const std::string& folder) {
    InstallRecord record = stored;
    record.installFolder = folder;
    return FormatRecord(record);
}

const RefusedCase kRefusedCases[] = {
    {"NoBackQuotes", [](auto& u, auto& d, auto& p) { return u + " " + d + " " + p; }, nullptr,
     RefusedCase::kNoEntryUnderProgram},
    {"OneBackQuote", [](auto& u, auto& d, auto& p) { return u + " `" + d + " " + p; }, nullptr,
     RefusedCase::kNoEntryUnderProgram},
    {"NoProductName", [](auto& u, auto& d, auto&) { return u + " `" + d + "`"; }, nullptr,
     RefusedCase::kNoEntryUnderProgram},
    {"UnknownProduct", [](auto& u, auto& d, auto& p) { return Registered(u, d, p + " 2"); }, nullptr,
     RefusedCase::kNoEntryUnderName},
    {"AnotherFolder", [](auto& u, auto& d, auto& p) { return Registered(u, d + "\\Chap 1", p); }, nullptr,
     RefusedCase::kEntryText},
    // The record names the same folder, so only the folder's own check refuses.
    {"DriveRoot", [](auto& u, auto&, auto& p) { return Registered(u, "C:\\", p); },
     [](const InstallRecord& r) { return WithFolder(r, "C:\\"); }, RefusedCase::kEntryText},
    {"WindowsFolder", [](auto& u, auto&, auto& p) { return Registered(u, WindowsFolder(), p); },
     [](const InstallRecord& r) { return WithFolder(r, WindowsFolder()); }, RefusedCase::kEntryText},
    {"MissingRecord", Registered, [](const InstallRecord&) { return std::optional<std::string>(); },
     RefusedCase::kEntryText},
    {"RecordCutShort", Registered,
     [](const InstallRecord& r) {
         std::string text = FormatRecord(r);
         return std::optional<std::string>(text.substr(0, text.size() - 1));
     },
     RefusedCase::kEntryText},
};

// One install for all the cases; after each, the tree, the shortcut and the
// entry are as setup left them.
TEST_F(UninstallScenario, RefusesWhatItCannotTrust) {
    Install();
    std::optional<std::map<std::string, StoredValue>> installed = UninstallEntry(product);
    ASSERT_TRUE(installed && installed->count("InstallRecord"));
    std::optional<InstallRecord> stored = ParseRecord(installed->at("InstallRecord").bytes);
    ASSERT_TRUE(stored);

    for (const RefusedCase& c : kRefusedCases) {
        SCOPED_TRACE(c.name);
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + product).c_str(), 0, KEY_SET_VALUE, &key),
                  ERROR_SUCCESS);
        const std::string& setupRecord = installed->at("InstallRecord").bytes;
        std::optional<std::string> record = c.record ? c.record(*stored) : setupRecord;
        if (record)
            RegSetValueExA(key, "InstallRecord", 0, REG_BINARY, reinterpret_cast<const BYTE*>(record->data()),
                           static_cast<DWORD>(record->size()));
        else
            RegDeleteValueA(key, "InstallRecord");
        std::optional<std::map<std::string, StoredValue>> before = UninstallEntry(product);

        UninstallRun run = RunUninstaller(c.commandLine(CopiedUninstaller(), dest, product));
        const std::string expected = c.shown == RefusedCase::kEntryText ? Problem()
                                     : c.shown == RefusedCase::kNoEntryUnderName
                                         ? "[exclamation OK] " + product + " 2: " + kNoEntryText
                                         : "[exclamation OK] XOVUNIN: " + kNoEntryText;
        EXPECT_EQ(run.boxes, std::vector<std::string>{expected});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
        ExpectShortcutIn("Desktop");
        EXPECT_EQ(UninstallEntry(product), before);

        RegSetValueExA(key, "InstallRecord", 0, REG_BINARY, reinterpret_cast<const BYTE*>(setupRecord.data()),
                       static_cast<DWORD>(setupRecord.size()));
        RegCloseKey(key);
    }
}

// A drive letter of the prefix for a folder on Z:, as a network drive or a
// stick is: mapped, taken away and mapped again while the test runs.
class MappedDrive {
public:
    MappedDrive(char letter, std::string folder) : m_root{letter, ':', '\\'}, m_folder(std::move(folder)) {
        char prefix[MAX_PATH] = {};
        GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
        m_device = std::string(prefix) + "/dosdevices/" + static_cast<char>(letter - 'A' + 'a') + ":";
    }
    ~MappedDrive() { Unmap(); }
    const std::string& Root() const { return m_root; }
    bool Map() {
        RunLinux("/bin/ln -sfn \"" + LinuxPath(m_folder) + "\" \"" + m_device + "\"");
        return WaitUntil([this] { return GetFileAttributesA(m_root.c_str()) != INVALID_FILE_ATTRIBUTES; });
    }
    bool Unmap() {
        RunLinux("/bin/rm -f \"" + m_device + "\"");
        return WaitUntil([this] { return GetFileAttributesA(m_root.c_str()) == INVALID_FILE_ATTRIBUTES; });
    }

private:
    std::string m_root;
    std::string m_folder;
    std::string m_device;
};

// A book on a drive that is away when it is removed (a stick pulled out, a
// network drive not connected): no question, the message, exit code 1, and
// nothing changed, the entry and its record kept. With the drive back, the
// book is removed.
TEST_F(UninstallScenario, ABookOnADriveThatIsAwayStays) {
    std::string folder = MakeTestFolder(CurrentTestName() + " drive");
    MappedDrive drive('U', folder);
    ASSERT_TRUE(drive.Map());
    dest = drive.Root() + DestinationName();
    medium.SetIni("DestDir", dest);
    Install();
    std::string command = RegisteredCommand();
    std::optional<std::map<std::string, StoredValue>> installed = UninstallEntry(product);
    ASSERT_TRUE(installed);
    const std::string onTheDisk = folder + "\\" + DestinationName();
    ASSERT_EQ(TreeDifferences(InstalledTree(onTheDisk), SampleTree()), "");

    ASSERT_TRUE(drive.Unmap());
    UninstallRun run = RunUninstaller(command);
    EXPECT_EQ(run.boxes, std::vector<std::string>{Problem()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(UninstallEntry(product), installed);
    EXPECT_EQ(TreeDifferences(InstalledTree(onTheDisk), SampleTree()), "");
    ExpectShortcutIn("Desktop");

    ASSERT_TRUE(drive.Map());
    run = RunUninstaller(command, {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(onTheDisk)) << "left: " << TreeDifferences(InstalledTree(onTheDisk), Tree{});
    ExpectShortcutIn(nullptr);
    ExpectEntryGone();
}
