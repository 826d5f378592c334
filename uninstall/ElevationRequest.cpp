#include "uninstall/ElevationRequest.h"

#include "framework/DllSearch.h"

#include <shellapi.h>

#include <vector>

RightsStep RightsStepFor(bool currentUserBook, bool hasAdministratorRights, bool rightsAsked) {
    if (currentUserBook || hasAdministratorRights) return RightsStep::Remove;
    return rightsAsked ? RightsStep::Refuse : RightsStep::AskForRights;
}

std::wstring_view ArgumentsOf(std::wstring_view commandLine) {
    size_t end = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        // A quoted name ends at the next quote: a path holds none.
        size_t close = commandLine.find(L'"', 1);
        end = close == std::wstring_view::npos ? commandLine.size() : close + 1;
    } else {
        end = commandLine.find_first_of(L" \t");
        if (end == std::wstring_view::npos) end = commandLine.size();
    }
    size_t start = commandLine.find_first_not_of(L" \t", end);
    return start == std::wstring_view::npos ? std::wstring_view() : commandLine.substr(start);
}

namespace {
// This program's own path in full, through the wide call: a long path or a
// name outside the code page comes back whole. Empty when it cannot be had.
std::wstring OwnPath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) return std::wstring(path.data(), length);
        // Cut to the buffer: the longest path the system has is 32,767 units.
        if (path.size() > 32768) return std::wstring();
        path.resize(path.size() * 4);
    }
}
}  // namespace

RightsRequest RunAgainWithRights(const std::wstring& arguments, bool quiet) {
    RightsRequest request;
    std::wstring path = OwnPath();
    if (path.empty()) {
        request.error = GetLastError() ? GetLastError() : ERROR_FILE_NOT_FOUND;
        return request;
    }
    // The shell at run time, from the system folder alone, as the programs
    // import only what Windows always takes from there.
    HMODULE shell = LoadSystemLibrary(L"shell32.dll");
    using ShellExecuteExFn = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
    auto shellExecuteEx =
        shell ? reinterpret_cast<ShellExecuteExFn>(reinterpret_cast<void*>(GetProcAddress(shell, "ShellExecuteExW")))
              : nullptr;
    if (!shellExecuteEx) {
        request.error = ERROR_PROC_NOT_FOUND;
        if (shell) FreeLibrary(shell);
        return request;
    }
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | (quiet ? SEE_MASK_FLAG_NO_UI : 0);
    info.lpVerb = L"runas";
    info.lpFile = path.c_str();
    info.lpParameters = arguments.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!shellExecuteEx(&info)) {
        request.error = GetLastError();
    } else if (!info.hProcess) {
        // Started through something that gave no process to wait for.
        request.error = ERROR_INVALID_HANDLE;
    } else {
        WaitForSingleObject(info.hProcess, INFINITE);
        DWORD code = 1;
        if (GetExitCodeProcess(info.hProcess, &code)) {
            request.ran = true;
            request.exitCode = code;
        } else {
            request.error = GetLastError();
        }
        CloseHandle(info.hProcess);
    }
    FreeLibrary(shell);
    if (!request.ran && request.error == 0) request.error = ERROR_GEN_FAILURE;
    return request;
}
