#pragma once
// A small client of the system's Restart Manager (rstrtmgr.dll, Windows
// Vista and later), looked up at run time in the system folder: which
// programs hold a file, closing them with the reader's consent, and starting
// again what it closed. Without the DLL (Windows XP) every session is one
// that names nothing and closes nothing.
#include <windows.h>
#include <restartmanager.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/FileHolders.h"

class RestartManagerSession {
public:
    RestartManagerSession();
    ~RestartManagerSession();
    RestartManagerSession(const RestartManagerSession&) = delete;
    RestartManagerSession& operator=(const RestartManagerSession&) = delete;

    // The programs holding the file, the file joining the session's files.
    FileHolders HoldersOf(const std::string& path);
    // Asks these processes, and nothing else, to close (never forced: a
    // program that wants to keep its work open stays): registered by process,
    // not by file, in a session that holds no file, so that whatever else
    // holds a file meanwhile is left alone. True when all closed.
    bool CloseProcesses(const std::vector<HoldingProgram>& programs);
    // Starts again what CloseHolders closed, where the programs registered
    // for it; once.
    void RestartClosed();

private:
    struct Api;
    std::unique_ptr<Api> m_api;
    DWORD m_session = 0;
    bool m_started = false;
    bool m_closed = false;
};

// What the system's list of the programs holding a file says (RmGetList's
// records and its reasons for a restart): each program's name (cut at its
// bound), kind, session and process; a restart needed for any reason other
// than none.
FileHolders HoldersFromList(const std::vector<RM_PROCESS_INFO>& found, DWORD rebootReasons);

// The session of the running process (its Terminal Services session).
DWORD OwnSession();
