// The helpers of the installing scenarios (InstallScenario.h).
#include "InstallScenario.h"

#include "journal/RunJournal.h"

namespace {
const char kSharedFilesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

void ListFiles(const std::string& folder, const std::string& relative, Tree& tree) {
    // Listed wide: a long name in UTF-8 passes the 260 bytes of the ANSI listing.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WideText(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = NarrowText(found.cFileName);
        if (name == "." || name == "..") continue;
        std::string child = relative.empty() ? name : relative + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(folder + "\\" + name, child, tree);
        else
            tree[child] = ReadWholeFile(folder + "\\" + name).value_or("<unreadable>");
    } while (FindNextFileW(search, &found));
    FindClose(search);
}
}  // namespace

std::optional<DWORD> SharedCountOf(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedFilesKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0, count = 0, size = sizeof count;
    LONG read = RegQueryValueExA(key, path.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&count), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS) return std::nullopt;
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << path;
    return count;
}

void ForgetSharedCount(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedFilesKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, path.c_str());
    RegCloseKey(key);
}

Tree InstalledTree(const std::string& root) {
    Tree tree;
    ListFiles(root, "", tree);
    return tree;
}

std::string TreeDifferences(const Tree& got, const Tree& expected) {
    std::string out;
    for (const auto& [relative, content] : expected) {
        auto found = got.find(relative);
        if (found == got.end())
            out += "missing: " + relative + "\n";
        else if (found->second != content)
            out += "differs: " + relative + " (" + std::to_string(found->second.size()) + " bytes, expected " +
                   std::to_string(content.size()) + ": \"" + found->second.substr(0, 40) + "\"...)\n";
    }
    for (const auto& [relative, content] : got)
        if (!expected.count(relative)) out += "extra: " + relative + "\n";
    return out;
}

std::string Sample(const std::string& relative) {
    return ReadWholeFile(Medium::DefaultSample() + "\\" + relative).value_or("<missing in the sample>");
}

std::string Fixture(const std::string& name) { return std::string(SZDD_FIXTURE_DIR) + "\\" + name; }

Tree SampleTree() {
    return {
        {"Read Me.txt", Sample("CODE\\READ_ME.TXT")},
        {"Chap 1\\Hello.c", Sample("CODE\\CHAP_1\\HELLO.C")},
        {"Chap 2\\Data\\Table.dat", Sample("CODE\\CHAP_2\\DATA\\TABLE.DAT")},
    };
}

std::string OldContent(const std::string& relative) { return "the user's own " + relative; }

std::string CopiedUninstaller() { return WindowsFolder() + "\\XOVUNIN.EXE"; }

std::string ShellFolder(const char* valueName) {
    char buffer[MAX_PATH] = {};
    DWORD size = sizeof buffer;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return "";
    DWORD type = 0;
    if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        buffer[0] = '\0';
    RegCloseKey(key);
    return buffer;
}

std::string UserSetupFolder() {
    std::string local = ShellFolder("Local AppData");
    return local.empty() ? std::string() : local + "\\Book Setup";
}
std::string UserUninstaller() { return UserSetupFolder() + "\\XOVUNIN.EXE"; }

std::optional<DWORD> UserCountOf(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kUserSharedFilesKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0, count = 0, size = sizeof count;
    LONG read = RegQueryValueExA(key, path.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&count), &size);
    RegCloseKey(key);
    return read == ERROR_SUCCESS && type == REG_DWORD ? std::optional<DWORD>(count) : std::nullopt;
}

std::ostream& operator<<(std::ostream& out, const StoredValue& v) {
    out << "type " << v.type << " \"";
    for (char c : v.bytes) c ? out << c : out << "\\0";
    return out << "\"";
}

StoredValue Sz(const std::string& text) { return {REG_SZ, text + '\0'}; }
StoredValue Dword(DWORD value) { return {REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value)}; }

std::optional<std::map<std::string, StoredValue>> UninstallEntry(const std::string& product, HKEY hive) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(hive, (kUninstallKey + product).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::map<std::string, StoredValue> values;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        // The install record holds a line per installed file.
        std::vector<BYTE> data(1 << 20);
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS)
            break;
        values[name] = {type, std::string(reinterpret_cast<char*>(data.data()), dataSize)};
    }
    RegCloseKey(key);
    return values;
}

std::string AskedFile(const WindowInfo& question) {
    std::string text = question.Text(1000);
    size_t first = text.find('\''), last = text.rfind('\'');
    return first != std::string::npos && last > first ? text.substr(first + 1, last - first - 1) : text;
}


bool Above(HWND upper, HWND lower) {
    for (HWND above = GetWindow(lower, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV))
        if (above == upper) return true;
    return false;
}


bool BecomesForeground(HWND window) {
    for (int i = 0; i < 50; ++i) {
        if (GetForegroundWindow() == window) return true;
        Sleep(20);
    }
    return false;
}

void BringBackdropToFront(HWND backdrop) {
    SetWindowPos(backdrop, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // The repaint comes in its time.
    Sleep(300);
}

std::string DestinationName() {
    std::string name = CurrentTestName() + " dest";
    for (char& c : name)
        if (c == '.') c = ' ';
    return name;
}

size_t KeptFilesIn(const Tree& tree) {
    return std::count_if(tree.begin(), tree.end(), [](const auto& file) { return file.first.find("~sx") != std::string::npos; });
}

size_t JournalsOf(const std::string& product) {
    size_t count = 0;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((MachinePlaces().journals.folder + "\\*.jnl").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        std::optional<JournalText> journal =
            ParseJournal(ReadWholeFile(MachinePlaces().journals.folder + "\\" + entry.cFileName).value_or(""));
        if (journal && journal->product == product) ++count;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return count;
}
