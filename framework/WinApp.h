#pragma once
// The application object: owns the user-interface thread's message loop and
// knows the main window, whose destruction ends that loop.
#include <windows.h>
#include <string>

class CWnd;

class CWinApp {
public:
    // With no name the application is named after its executable file.
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // Pumps messages until WM_QUIT, then returns ExitInstance's result.
    virtual int Run();

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;
    // The command line after the program's name, as WinMain was given it.
    std::string m_lpCmdLine;
    std::string m_appName;
    DWORD m_threadId = 0;  // the user-interface thread
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
std::string AfxGetAppName();
// Called by WinMain: prepares the process, runs InitInstance and the loop.
int AfxWinMain(HINSTANCE instance, const char* commandLine, int cmdShow);
