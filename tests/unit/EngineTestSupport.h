#pragma once
// Helpers of the engine tests: folder trees under TEST_WORK_DIR, and running
// code on a worker thread (as the progress dialog does) while this thread
// keeps its windows live and answers the worker's dialogs by control id.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Thread.h"

namespace enginetest {

inline std::string WorkFolder(const std::string& name) { return std::string(TEST_WORK_DIR) + "\\" + name; }

// Deletes a folder and everything in it, read-only files too.
inline void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

// Creates the folders of a path one by one (not through the code under test).
inline void MakeFolders(const std::string& path) {
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

inline void WriteFile(const std::string& path, const std::string& content, DWORD attributes = 0) {
    MakeFolders(path.substr(0, path.find_last_of('\\')));
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    if (attributes) SetFileAttributesA(path.c_str(), attributes);
}

// The file's bytes, or "<missing>" when it cannot be opened.
inline std::string ReadFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string content(GetFileSize(file, nullptr), '\0');
    DWORD got = 0;
    ::ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &got, nullptr);
    CloseHandle(file);
    content.resize(got);
    return content;
}

inline bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The names of a folder in the order the file system lists them.
inline std::vector<std::string> ListingOrder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (entry.cFileName[0] != '.') names.push_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

inline std::string WindowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

inline std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

inline void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

inline BOOL CALLBACK FindDialogOfThisProcess(HWND window, LPARAM param) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (process != GetCurrentProcessId() || std::string(className) != "#32770" || !IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
}

// A visible dialog (class #32770) of this process, or null.
inline HWND FindProcessDialog() {
    HWND found = nullptr;
    EnumWindows(&FindDialogOfThisProcess, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Presses a button of a dialog of another thread, as a click would.
inline void Click(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Runs `work` on a worker thread started as the product starts its worker.
// Each dialog the worker shows is handed to `answer` (which clicks something)
// and then awaited until it is gone. Returns false when the worker did not end
// within the time-out.
inline bool RunOnWorker(std::function<void()> work, const std::function<void(HWND)>& answer,
                        DWORD timeoutMs = 60000) {
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
        if (HWND dialog = FindProcessDialog()) {
            answer(dialog);
            while (IsWindow(dialog) && GetTickCount() - start < timeoutMs) {
                PumpMessages();
                Sleep(5);
            }
        }
    }
    if (!ended) {
        // Leave nothing running that could touch this frame's job.
        while (HWND dialog = FindProcessDialog()) {
            Click(dialog, IDOK);
            Sleep(50);
        }
        WaitForSingleObject(job.done, 10000);
    }
    CloseHandle(job.done);
    return ended;
}

}  // namespace enginetest
