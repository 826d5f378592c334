#include "TestSupport.h"

#include <atomic>
#include <memory>
#include <cstdio>
#include <thread>

std::string MakeTestFolder(const std::string& name) {
    std::string root = TEST_WORK_DIR;
    CreateDirectoryA(root.c_str(), nullptr);
    std::string path = root + "\\" + name;
    RemoveTree(path);
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

void WriteTextFile(const std::string& path, const std::string& content) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
}

std::string ReadWholeFile(const std::string& path) {
    std::string content;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return content;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, n);
    std::fclose(file);
    return content;
}

CurrentDirectoryScope::CurrentDirectoryScope(const std::string& path) {
    GetCurrentDirectoryA(MAX_PATH, m_previous);
    SetCurrentDirectoryA(path.c_str());
}

CurrentDirectoryScope::~CurrentDirectoryScope() { SetCurrentDirectoryA(m_previous); }

namespace {
BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) == "#32770" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND WaitForThreadDialog(DWORD threadId, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        HWND found = nullptr;
        EnumThreadWindows(threadId, FindDialog, reinterpret_cast<LPARAM>(&found));
        if (found) return found;
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

INT_PTR RunModalAndDrive(const std::function<INT_PTR()>& modal, const std::function<void(HWND)>& drive) {
    struct Shared {
        std::atomic<DWORD> threadId{0};
        std::atomic<bool> done{false};
        std::atomic<INT_PTR> result{-999};
    };
    auto shared = std::make_shared<Shared>();
    std::thread runner([shared, modal] {
        shared->threadId = GetCurrentThreadId();
        shared->result = modal();
        shared->done = true;
    });
    while (shared->threadId == 0) Sleep(1);
    HWND dialog = WaitForThreadDialog(shared->threadId);
    if (dialog) drive(dialog);
    // A test that failed half-way must not hang the run: close what is left.
    for (int i = 0; i < 250 && !shared->done; ++i) {
        if (i == 100 && IsWindow(dialog)) PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        if (i == 150 && IsWindow(dialog)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        Sleep(20);
    }
    if (!shared->done) {
        runner.detach();
        return -999;
    }
    runner.join();
    return dialog ? shared->result.load() : -999;
}

std::string WindowTextOf(HWND window) {
    char text[4096] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

void ClickButton(HWND dialog, int id) {
    // What a click sends to the dialog, posted through its queue. (A BM_CLICK
    // sent from another thread stalls for two seconds in Wine.)
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
