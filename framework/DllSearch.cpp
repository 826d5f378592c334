#include "framework/DllSearch.h"

#include <windows.h>

#include <string>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

void RestrictDllSearchToSystemFolder() {
    // Both functions are looked up, not imported: SetDefaultDllDirectories
    // came with Windows 8 (and an update of Windows 7 and Vista), and
    // SetDllDirectoryA with Windows XP SP1; a missing import would stop the
    // program from starting at all.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    auto setDefaultDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFn>(GetProcAddress(kernel, "SetDefaultDllDirectories"));
    // The program's own folder and the current folder are left out of the search altogether.
    if (setDefaultDirectories && setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Without it, an empty DLL directory at least takes the current folder out
    // of the search; the program's folder stays in it, which is why nothing but
    // the system's known DLLs is imported directly.
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
    auto setDllDirectory = reinterpret_cast<SetDllDirectoryFn>(GetProcAddress(kernel, "SetDllDirectoryA"));
    if (setDllDirectory) setDllDirectory("");
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // A system without the restricted search takes no such flag: the file is named in full instead.
    wchar_t folder[MAX_PATH + 1] = {};
    UINT length = GetSystemDirectoryW(folder, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
