#include "framework/WinApp.h"

#include "framework/CommonControls.h"
#include "framework/PathText.h"
#include "framework/Wnd.h"

namespace {
CWinApp* g_app = nullptr;

std::string ExecutableBaseName() {
    char path[AnsiPathBufferSize] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, AnsiPathBufferSize);
    return NameWithoutExtension(std::string_view(path, n < AnsiPathBufferSize ? n : AnsiPathBufferSize - 1));
}
}  // namespace

CWinApp::CWinApp(const char* appName) {
    if (appName) m_appName = appName;
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

int CWinApp::Run() {
    // Only the end of the main window ends the loop: with none there, nothing
    // ever would, so the application ends at once.
    if (!m_pMainWnd || !m_pMainWnd->m_hWnd || !IsWindow(m_pMainWnd->m_hWnd)) PostQuitMessage(0);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return ExitInstance();
}

CWinApp* AfxGetApp() { return g_app; }

CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }

std::string AfxGetAppName() {
    if (g_app && !g_app->m_appName.empty()) return g_app->m_appName;
    return ExecutableBaseName();
}

int AfxWinMain(HINSTANCE instance, const char* commandLine, int cmdShow) {
    // A drive without a medium must fail quietly, not ask the user to insert one.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    CommonControls::InitCommonControlsEx(&controls);

    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    app->m_hInstance = instance;
    app->m_nCmdShow = cmdShow;
    app->m_lpCmdLine = commandLine ? commandLine : "";
    app->m_threadId = GetCurrentThreadId();
    if (app->m_appName.empty()) app->m_appName = ExecutableBaseName();
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}
