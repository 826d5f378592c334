#include "TestFiles.h"

#include <algorithm>
#include <functional>

#include <objbase.h>
#include <shlobj.h>

#include "framework/AnsiText.h"
#include "framework/CodePage.h"
#include "framework/PathText.h"

std::string ProgramUnderTest(const std::string& name) {
    char folder[MAX_PATH * 3] = {};
    DWORD length = GetEnvironmentVariableA("SETUP_PROGRAMS_DIR", folder, sizeof folder);
    std::string dir = length > 0 && length < sizeof folder ? std::string(folder, length) : std::string(PROGRAMS_DIR);
    return dir + "\\" + name;
}

std::string TestWorkDir() {
    char slot[16] = {};
    DWORD length = GetEnvironmentVariableA("SETUP_SLOT", slot, sizeof slot);
    std::string folder = TEST_WORK_DIR;
    if (length > 0 && length < sizeof slot && std::string(slot) != "0") folder += "-slot" + std::string(slot);
    return folder;
}

std::string WorkFolder(const std::string& name) { return TestWorkDir() + "\\" + name; }

std::string MakeTestFolder(const std::string& name) {
    CreateDirectoryA(TestWorkDir().c_str(), nullptr);
    std::string path = WorkFolder(name);
    RemoveTree(path);
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

void RemoveTree(const std::string& path) {
    // Listed wide: a long name in UTF-8 passes the 260 bytes of the ANSI listing.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WideText(path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = NarrowText(found.cFileName);
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            // A copy from a CD keeps its read-only attribute: clear it or the delete fails.
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

std::string Utf16File(const std::string& utf8) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t unit : WideText(utf8, CP_UTF8)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

bool MakeWideFile(const std::string& path) {
    int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (length <= 0) return false;
    std::wstring wide(length - 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
    wide.insert(0, L"\\\\?\\");
    for (size_t at = wide.find(L'\\', 7); at != std::wstring::npos; at = wide.find(L'\\', at + 1))
        CreateDirectoryW(wide.substr(0, at).c_str(), nullptr);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

void MakeFolders(const std::string& path) {
    for (size_t at = FindChar(path, '\\', 3); at != std::string::npos; at = FindChar(path, '\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

bool WriteWholeFile(const std::string& path, const std::string& content, DWORD attributes) {
    std::string folder = SplitPath(path).folder;
    if (!folder.empty()) MakeFolders(folder.substr(0, folder.size() - 1));
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
              written == content.size();
    CloseHandle(file);
    if (attributes) ok = SetFileAttributesA(path.c_str(), attributes) && ok;
    return ok;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string content;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
    CloseHandle(file);
    return content;
}

std::string FileContent(const std::string& path) { return ReadWholeFile(path).value_or("<missing>"); }

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WaitForFile(const std::string& path, DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        if (FileExists(path)) return true;
        Sleep(20);
    } while (GetTickCount() - start < milliseconds);
    return false;
}

std::optional<std::string> ShellLinkTarget(const std::string& linkPath) {
    if (!FileExists(linkPath)) return std::nullopt;
    std::optional<std::string> target;
    HRESULT com = CoInitialize(nullptr);
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            // The item list names the target in UTF-16 whatever code page
            // the link's writer ran in; the path beside it is that code page's.
            WCHAR path[MAX_PATH] = {};
            PIDLIST_ABSOLUTE items = nullptr;
            if (SUCCEEDED(file->Load(WideText(linkPath).c_str(), STGM_READ))) {
                if (SUCCEEDED(link->GetIDList(&items)) && items && SHGetPathFromIDListW(items, path))
                    target = NarrowText(path);
                else if (SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0)))
                    target = NarrowText(path);
                CoTaskMemFree(items);
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return target;
}

std::vector<std::string> ListingOrder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (entry.cFileName[0] != '.') names.push_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

int CountFiles(const std::string& pattern) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do ++count;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

ScopePlaces MachinePlaces() { return PlacesFor(InstallScope::Machine, true); }

std::string CurrentDirectory() {
    char buffer[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, buffer);
    return buffer;
}

CurrentDirectoryScope::CurrentDirectoryScope(const std::string& path) : m_previous(CurrentDirectory()) {
    SetCurrentDirectoryA(path.c_str());
}

CurrentDirectoryScope::~CurrentDirectoryScope() { SetCurrentDirectoryA(m_previous.c_str()); }

namespace {
// A command of the Linux side (Wine starts it as one of its own), whose
// effect the caller waits for: its process cannot be waited for.
bool RunLinux(std::string command, const std::function<bool()>& done) {
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int n = 0; n < 100 && !done(); ++n) Sleep(50);
    return done();
}

// The Linux path of a Windows one: Wine's own mapping where the drive is
// not Z: (C: is the prefix's drive_c).
std::string OnLinux(std::string path) {
    using UnixNameFn = char*(CDECL*)(LPCWSTR);
    static const auto unixName = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName && path.size() > 1 && (path[0] | 0x20) != 'z') {
        if (char* name = unixName(WideText(path).c_str())) {
            std::string found = name;
            HeapFree(GetProcessHeap(), 0, name);
            return found;
        }
    }
    path = path.substr(2);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}
}  // namespace

bool MakeLinuxLink(const std::string& link, const std::string& target) {
    return RunLinux("/bin/ln -sfn \"" + OnLinux(target) + "\" \"" + OnLinux(link) + "\"", [&] {
        DWORD attributes = GetFileAttributesA(link.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    });
}

bool RemoveLinuxLink(const std::string& link) {
    // A link that leads nowhere looks gone to Windows before it is: a mark
    // made after the removal says when it is done.
    const std::string mark = link + ".removed";
    DeleteFileA(mark.c_str());
    bool done = RunLinux("/bin/sh -c \"rm -f '" + OnLinux(link) + "' && touch '" + OnLinux(mark) + "'\"",
                         [&] { return GetFileAttributesA(mark.c_str()) != INVALID_FILE_ATTRIBUTES; });
    DeleteFileA(mark.c_str());
    return done && GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool LeftToTheNextStart(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    std::string data(65536, '\0');
    DWORD size = static_cast<DWORD>(data.size());
    LONG read = RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(data.data()), &size);
    RegCloseKey(key);
    // Pairs of names, each ending in a zero: "\??\" and the path, then the new name or nothing.
    std::string named = UpperAnsi("\\??\\" + path + std::string(1, '\0'));
    return read == ERROR_SUCCESS && UpperAnsi(data.substr(0, size)).find(named) != std::string::npos;
}

std::string Today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[16];
    snprintf(date, sizeof date, "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return date;
}

FILETIME LocalClockFileTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME local = {year, month, 0, day, hour, minute, second, 0};
    SYSTEMTIME utc = {};
    FILETIME time = {};
    if (TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc)) SystemTimeToFileTime(&utc, &time);
    return time;
}
