// What the scenarios change on the machine between runs (ScenarioChanges.h).
#include "ScenarioChanges.h"

#include <algorithm>
#include <cstdint>

void SetFileWriteTime(const std::string& path, const FILETIME& time) {
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
    CloseHandle(file);
}

FILETIME FileWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

void MoveClockAnHour(const std::string& folder) {
    constexpr uint64_t kHour = 3600ull * 10000000;
    for (const auto& [relative, content] : InstalledTree(folder)) {
        FILETIME time = FileWriteTime(folder + "\\" + relative);
        uint64_t moved = (static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime) + kHour;
        SetFileWriteTime(folder + "\\" + relative, {static_cast<DWORD>(moved), static_cast<DWORD>(moved >> 32)});
    }
}

void RunLinux(std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process))
        << commandLine;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

std::string LinuxPath(const std::string& path) {
    std::string linux = path.substr(2);
    std::replace(linux.begin(), linux.end(), '\\', '/');
    return linux;
}

bool WaitUntil(const std::function<bool()>& done) {
    for (int n = 0; n < 100 && !done(); ++n) Sleep(50);
    return done();
}

bool IsLinkNow(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

void MakeFolderLink(const std::string& link, const std::string& target) {
    RunLinux("/bin/ln -sfn \"" + LinuxPath(target) + "\" \"" + LinuxPath(link) + "\"");
    ASSERT_TRUE(WaitUntil([&] { return IsLinkNow(link); })) << "no link " << link;
}

void RemoveLink(const std::string& link) {
    RunLinux("/bin/rm -f \"" + LinuxPath(link) + "\"");
    WaitUntil([&] { return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
}
