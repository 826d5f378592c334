#include "framework/RestartManager.h"

#include "framework/DllSearch.h"

#include <restartmanager.h>

#include <vector>

#include "framework/CodePage.h"

// Some programs did not close (winerror.h of the systems with a Restart Manager).
#ifndef ERROR_FAIL_SHUTDOWN
#define ERROR_FAIL_SHUTDOWN 351L
#endif

struct RestartManagerSession::Api {
    using StartFn = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*);
    using RegisterFn = DWORD(WINAPI*)(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*, UINT, LPCWSTR*);
    using ListFn = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO*, DWORD*);
    using ShutdownFn = DWORD(WINAPI*)(DWORD, ULONG, RM_WRITE_STATUS_CALLBACK);
    using RestartFn = DWORD(WINAPI*)(DWORD, DWORD, RM_WRITE_STATUS_CALLBACK);
    using EndFn = DWORD(WINAPI*)(DWORD);

    HMODULE module = nullptr;
    StartFn start = nullptr;
    RegisterFn registerResources = nullptr;
    ListFn list = nullptr;
    ShutdownFn shutdown = nullptr;
    RestartFn restart = nullptr;
    EndFn end = nullptr;

    Api() {
        // From the system folder alone: a DLL of that name beside setup, or
        // in the current folder, is never loaded.
        module = LoadSystemLibrary(L"rstrtmgr.dll");
        if (!module) return;
        start = reinterpret_cast<StartFn>(GetProcAddress(module, "RmStartSession"));
        registerResources = reinterpret_cast<RegisterFn>(GetProcAddress(module, "RmRegisterResources"));
        list = reinterpret_cast<ListFn>(GetProcAddress(module, "RmGetList"));
        shutdown = reinterpret_cast<ShutdownFn>(GetProcAddress(module, "RmShutdown"));
        restart = reinterpret_cast<RestartFn>(GetProcAddress(module, "RmRestart"));
        end = reinterpret_cast<EndFn>(GetProcAddress(module, "RmEndSession"));
    }
    ~Api() {
        if (module) FreeLibrary(module);
    }
    bool Complete() const { return start && registerResources && list && shutdown && restart && end; }
};

RestartManagerSession::RestartManagerSession() : m_api(std::make_unique<Api>()) {
    if (!m_api->Complete()) return;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    m_started = m_api->start(&m_session, 0, key) == ERROR_SUCCESS;
}

RestartManagerSession::~RestartManagerSession() {
    if (m_started) m_api->end(m_session);
}

FileHolders RestartManagerSession::HoldersOf(const std::string& path) {
    FileHolders holders;
    if (!m_started) return holders;
    std::wstring wide = WideText(path);
    LPCWSTR files[] = {wide.c_str()};
    if (m_api->registerResources(m_session, 1, files, 0, nullptr, 0, nullptr) != ERROR_SUCCESS) return holders;
    // The list may grow between the two calls: asked again while it does, a few times.
    std::vector<RM_PROCESS_INFO> found;
    DWORD reasons = RmRebootReasonNone;
    for (int attempt = 0; attempt < 4; ++attempt) {
        UINT needed = 0, count = static_cast<UINT>(found.size());
        DWORD result = m_api->list(m_session, &needed, &count, found.empty() ? nullptr : found.data(), &reasons);
        if (result == ERROR_SUCCESS) {
            found.resize(count);
            holders.known = true;
            break;
        }
        if (result != ERROR_MORE_DATA) return holders;
        found.resize(needed);
    }
    if (!holders.known) return holders;
    return HoldersFromList(found, reasons);
}

FileHolders HoldersFromList(const std::vector<RM_PROCESS_INFO>& found, DWORD rebootReasons) {
    FileHolders holders;
    holders.known = true;
    holders.restartNeeded = rebootReasons != RmRebootReasonNone;
    for (const RM_PROCESS_INFO& info : found) {
        HoldingProgram program;
        // Cut at its bound, whatever the system left there.
        WCHAR name[CCH_RM_MAX_APP_NAME + 1];
        lstrcpynW(name, info.strAppName, CCH_RM_MAX_APP_NAME + 1);
        program.name = NarrowText(name);
        program.kind = static_cast<int>(info.ApplicationType);
        program.session = info.TSSessionId;
        program.processId = info.Process.dwProcessId;
        program.started = info.Process.ProcessStartTime;
        holders.programs.push_back(std::move(program));
    }
    return holders;
}

bool RestartManagerSession::CloseProcesses(const std::vector<HoldingProgram>& programs) {
    if (!m_started || programs.empty()) return false;
    std::vector<RM_UNIQUE_PROCESS> processes;
    for (const HoldingProgram& program : programs) processes.push_back({program.processId, program.started});
    if (m_api->registerResources(m_session, 0, nullptr, static_cast<UINT>(processes.size()), processes.data(), 0,
                                 nullptr) != ERROR_SUCCESS)
        return false;
    // Not forced: a program that asks its user about unsaved work may refuse.
    DWORD result = m_api->shutdown(m_session, 0, nullptr);
    m_closed = m_closed || result == ERROR_SUCCESS || result == ERROR_FAIL_SHUTDOWN;
    return result == ERROR_SUCCESS;
}

void RestartManagerSession::RestartClosed() {
    if (!m_started || !m_closed) return;
    m_closed = false;
    m_api->restart(m_session, 0, nullptr);
}

DWORD OwnSession() {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return session;
}
