#include "framework/SystemFolders.h"

#include <windows.h>
#include <shlobj.h>

#include "framework/CodePage.h"
#include "framework/DllSearch.h"
#include "framework/PathText.h"

namespace {
// The known folders' identities, spelt out: not every header has them.
constexpr GUID kLocalAppData = {0xF1B32785, 0x6FBA, 0x4FCF, {0x9D, 0x55, 0x7B, 0x8E, 0x7F, 0x15, 0x70, 0x91}};
constexpr GUID kProgramData = {0x62AB5D82, 0xFDC1, 0x4DC3, {0xA9, 0xDD, 0x07, 0x0D, 0x1D, 0x49, 0x5D, 0x97}};
constexpr GUID kProfile = {0x5E6C858F, 0x0E22, 0x4760, {0x9A, 0xFE, 0xEA, 0x33, 0x17, 0xB6, 0x71, 0x73}};

using GetKnownFolderFn = HRESULT(WINAPI*)(const GUID&, DWORD, HANDLE, PWSTR*);
using GetFolderFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);

// shell32 is loaded at run time, from the system folder alone, so that none
// of the programs imports it.
FARPROC ShellFunction(const char* name) {
    static HMODULE shell = LoadSystemLibrary(L"shell32.dll");
    return shell ? GetProcAddress(shell, name) : nullptr;
}

// What the known-folder call hands back is the system's task memory.
void FreeTaskMemory(void* memory) {
    using FreeFn = void(WINAPI*)(void*);
    static HMODULE ole = LoadSystemLibrary(L"ole32.dll");
    auto free = ole ? reinterpret_cast<FreeFn>(reinterpret_cast<void*>(GetProcAddress(ole, "CoTaskMemFree"))) : nullptr;
    if (free && memory) free(memory);
}

std::string Cleaned(const std::wstring& path) {
    if (path.empty()) return {};
    return StripTrailingBackslashes(NarrowText(path), 3);
}

// The known folder where the system has the call (Vista on), else the older
// call by its number (Windows XP, which has no elevation to defend).
std::string SystemFolder(const GUID& known, int older) {
    if (auto get = reinterpret_cast<GetKnownFolderFn>(reinterpret_cast<void*>(ShellFunction("SHGetKnownFolderPath")))) {
        PWSTR path = nullptr;
        std::wstring found;
        if (SUCCEEDED(get(known, 0, nullptr, &path)) && path) found = path;
        FreeTaskMemory(path);
        return Cleaned(found);
    }
    auto get = reinterpret_cast<GetFolderFn>(reinterpret_cast<void*>(ShellFunction("SHGetFolderPathW")));
    wchar_t path[MAX_PATH] = {};
    if (!get || FAILED(get(nullptr, older, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return Cleaned(path);
}
}  // namespace

std::string WindowsFolder() {
    // The machine's, also on a Remote Desktop host, where the older call
    // answers a program that is not Terminal-Server aware with the user's
    // private Windows folder.
    wchar_t folder[MAX_PATH + 1] = {};
    UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH + 1);
    return length > 0 && length <= MAX_PATH ? Cleaned(std::wstring(folder, length)) : std::string();
}

std::string CommonAppDataFolder() { return SystemFolder(kProgramData, CSIDL_COMMON_APPDATA); }

std::string LocalAppDataFolder() { return SystemFolder(kLocalAppData, CSIDL_LOCAL_APPDATA); }

std::string UserProfileFolder() { return SystemFolder(kProfile, CSIDL_PROFILE); }
