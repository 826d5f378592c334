#pragma once
// Helpers shared by the unit tests: folders under the build tree's test work
// folder, files in them, and dialogs driven from the test.
#include <windows.h>

#include <functional>
#include <string>

// An empty folder TEST_WORK_DIR\name (emptied if it was there).
std::string MakeTestFolder(const std::string& name);
void RemoveTree(const std::string& path);
void WriteTextFile(const std::string& path, const std::string& content);
std::string ReadWholeFile(const std::string& path);

// Sets the current directory for a scope and puts the previous one back.
class CurrentDirectoryScope {
public:
    explicit CurrentDirectoryScope(const std::string& path);
    ~CurrentDirectoryScope();

private:
    char m_previous[MAX_PATH] = {};
};

// The first visible dialog (or message box) of the thread, waited for up to timeoutMs.
HWND WaitForThreadDialog(DWORD threadId, DWORD timeoutMs = 5000);
// Runs `modal` (which shows a modal dialog) on a thread of its own while `drive`
// gets that thread's dialog; returns what `modal` returned, or -999 when no
// dialog showed up (the thread is then left to end by itself).
INT_PTR RunModalAndDrive(const std::function<INT_PTR()>& modal, const std::function<void(HWND)>& drive);
std::string WindowTextOf(HWND window);
// Presses a dialog button as a click would.
void ClickButton(HWND dialog, int id);
