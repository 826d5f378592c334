#include "TestWindows.h"

#include "framework/Thread.h"

std::string WindowText(HWND window) {
    if (!window) return {};
    char buffer[4096] = {};
    // WM_GETTEXT, as GetWindowText sends for a window of this process: the
    // window's own thread answers it.
    SendMessageA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

// The message text is the static control with id 0xFFFF.
std::string MessageBoxText(HWND box) { return ItemText(box, 0xFFFF); }

void ClickButton(HWND dialog, int id) {
    // What a click sends to the dialog, posted through its queue: the button
    // may open a modal dialog of its own, and a BM_CLICK sent from another
    // thread stalls for two seconds in Wine.
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

namespace {
struct Search {
    std::function<bool(HWND)> matches;
    HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    if (!IsWindowVisible(window) || !search->matches(window)) return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK VisitOfThisProcess(HWND window, LPARAM param) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId() ? Visit(window, param) : TRUE;
}

// The first visible top-level window of the thread (or of this process) that matches.
HWND FindVisible(DWORD threadId, std::function<bool(HWND)> matches) {
    Search search{std::move(matches)};
    if (threadId == kAnyThread)
        EnumWindows(&VisitOfThisProcess, reinterpret_cast<LPARAM>(&search));
    else
        EnumThreadWindows(threadId, &Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitFor(DWORD milliseconds, const std::function<HWND()>& find) {
    DWORD start = GetTickCount();
    do {
        if (HWND found = find()) return found;
        Sleep(20);
    } while (GetTickCount() - start < milliseconds);
    return nullptr;
}

bool IsDialog(HWND window) {
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    return std::string(className) == "#32770";
}
}  // namespace

HWND FindDialog(DWORD threadId) { return FindVisible(threadId, &IsDialog); }

HWND WaitForDialog(DWORD threadId, DWORD milliseconds) {
    return WaitFor(milliseconds, [&] { return FindDialog(threadId); });
}

HWND FindWindowTitled(DWORD threadId, const std::string& title) {
    return FindVisible(threadId, [&](HWND window) { return WindowText(window) == title; });
}

bool HasWindowTitled(DWORD threadId, const std::string& title) { return FindWindowTitled(threadId, title) != nullptr; }

HWND WaitForWindowTitled(DWORD threadId, const std::string& title, DWORD milliseconds) {
    return WaitFor(milliseconds, [&] { return FindWindowTitled(threadId, title); });
}

struct DialogThread::Run {
    std::function<INT_PTR()> run;
    INT_PTR result = -2;
};

DialogThread::DialogThread(std::function<INT_PTR()> run) : m_run(std::make_shared<Run>(Run{std::move(run)})) {
    m_thread = CreateThread(nullptr, 0, &DialogThread::Main, new std::shared_ptr<Run>(m_run), 0, &m_threadId);
}

DWORD WINAPI DialogThread::Main(void* param) {
    std::unique_ptr<std::shared_ptr<Run>> run(static_cast<std::shared_ptr<Run>*>(param));
    (*run)->result = (*run)->run();
    return 0;
}

namespace {
// Posts a click of button `id` (passed as the parameter) to every window of the thread.
BOOL CALLBACK PostButton(HWND window, LPARAM id) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(static_cast<int>(id), BN_CLICKED), 0);
    return TRUE;
}
}  // namespace

DialogThread::~DialogThread() {
    if (!m_thread) return;
    // A test that failed half-way leaves its dialogs open: close them so the
    // thread can end. A confirmation asked on Cancel is answered OK (leave)
    // after a few rounds.
    for (int round = 0; round < 20 && WaitForSingleObject(m_thread, 0) == WAIT_TIMEOUT; ++round) {
        EnumThreadWindows(m_threadId, &PostButton, IDCANCEL);
        EnumThreadWindows(m_threadId, &PostButton, IDNO);
        WaitForSingleObject(m_thread, 100);
        if (round > 1) EnumThreadWindows(m_threadId, &PostButton, IDOK);
    }
    WaitForSingleObject(m_thread, 5000);
    CloseHandle(m_thread);
}

bool DialogThread::WaitDone(DWORD milliseconds) { return WaitForSingleObject(m_thread, milliseconds) == WAIT_OBJECT_0; }

INT_PTR DialogThread::Result() const { return m_run->result; }

INT_PTR RunModalAndDrive(const std::function<INT_PTR()>& modal, const std::function<void(HWND)>& drive) {
    DialogThread thread(modal);
    HWND dialog = WaitForDialog(thread.ThreadId());
    if (dialog) drive(dialog);
    // A test that failed half-way must not hang the run: close what is left.
    for (int i = 0; i < 250 && !thread.WaitDone(0); ++i) {
        if (i == 100 && IsWindow(dialog)) PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        if (i == 150 && IsWindow(dialog)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        Sleep(20);
    }
    if (!thread.WaitDone(0)) return -999;
    return dialog ? thread.Result() : -999;
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool RunOnWorker(std::function<void()> work, const std::function<void(HWND)>& answer, DWORD timeoutMs) {
    struct Job {
        std::function<void()> work;
        HANDLE done;
    } job{std::move(work), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    AfxBeginThread(
        [](LPVOID param) -> UINT {
            auto* running = static_cast<Job*>(param);
            running->work();
            SetEvent(running->done);
            return 0;
        },
        &job);
    DWORD start = GetTickCount();
    bool ended = false;
    while (GetTickCount() - start < timeoutMs) {
        if (MsgWaitForMultipleObjects(1, &job.done, FALSE, 20, QS_ALLINPUT) == WAIT_OBJECT_0) {
            ended = true;
            break;
        }
        PumpMessages();
        if (HWND dialog = FindDialog(kAnyThread)) {
            answer(dialog);
            while (IsWindow(dialog) && GetTickCount() - start < timeoutMs) {
                PumpMessages();
                Sleep(5);
            }
        }
    }
    if (!ended) {
        // Leave nothing running that could touch this frame's job.
        while (HWND dialog = FindDialog(kAnyThread)) {
            ClickButton(dialog, IDOK);
            Sleep(50);
        }
        WaitForSingleObject(job.done, 10000);
    }
    CloseHandle(job.done);
    return ended;
}
