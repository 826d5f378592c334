#pragma once
// Windows of this test program, found and driven from the test's thread as a
// user would: dialogs run on a thread of their own, buttons pressed by posting
// their click, texts read by control id.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

// For the finders below: any thread of this process.
inline constexpr DWORD kAnyThread = 0;

// A window's text (empty for a null handle), and a dialog control's.
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
// The text of a message box (its static text control).
std::string MessageBoxText(HWND box);
// Presses a dialog button as a click would.
void ClickButton(HWND dialog, int id);

// The first visible dialog or message box (class #32770) of the thread; null when none.
HWND FindDialog(DWORD threadId);
// The same, waited for; null after the time.
HWND WaitForDialog(DWORD threadId, DWORD milliseconds = 5000);
// The first visible window of the thread with this title; null when none.
HWND FindWindowTitled(DWORD threadId, const std::string& title);
bool HasWindowTitled(DWORD threadId, const std::string& title);
// The same, waited for; null after the time.
HWND WaitForWindowTitled(DWORD threadId, const std::string& title, DWORD milliseconds = 5000);

// Runs a modal dialog (`run` shows it and returns its result) on a thread of
// its own, so that the test's thread can drive it.
class DialogThread {
public:
    explicit DialogThread(std::function<INT_PTR()> run);
    // Closes what a failed test left open (Cancel, No, then OK) and waits a while for the thread.
    ~DialogThread();
    DialogThread(const DialogThread&) = delete;
    DialogThread& operator=(const DialogThread&) = delete;

    DWORD ThreadId() const { return m_threadId; }
    // True when the dialog's run has returned within the time.
    bool WaitDone(DWORD milliseconds = 5000);
    INT_PTR Result() const;

private:
    struct Run;
    static DWORD WINAPI Main(void* run);
    // Shared with the thread, which may outlive this object when a dialog hangs.
    std::shared_ptr<Run> m_run;
    HANDLE m_thread = nullptr;
    DWORD m_threadId = 0;
};

// Runs `modal` (which shows a modal dialog) on a thread of its own while `drive`
// gets that thread's dialog; returns what `modal` returned, or -999 when no
// dialog showed up or the dialog did not end.
INT_PTR RunModalAndDrive(const std::function<INT_PTR()>& modal, const std::function<void(HWND)>& drive);

// Dispatches every message waiting for this thread.
void PumpMessages();
// Runs `work` on a worker thread started as the product starts its worker,
// while this thread keeps its windows live. Each dialog of this process that
// shows meanwhile is handed to `answer` (which clicks something) and then
// awaited until it is gone. Returns false when the worker did not end within
// the time-out.
bool RunOnWorker(std::function<void()> work, const std::function<void(HWND)>& answer, DWORD timeoutMs = 60000);
