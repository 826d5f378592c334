#include "framework/Thread.h"

#include <process.h>

namespace {
struct ThreadStart {
    AFX_THREADPROC proc;
    LPVOID param;
};

unsigned __stdcall ThreadEntry(void* arg) {
    ThreadStart start = *static_cast<ThreadStart*>(arg);
    delete static_cast<ThreadStart*>(arg);
    return start.proc(start.param);
}
}  // namespace

bool AfxBeginThread(AFX_THREADPROC proc, LPVOID param) {
    // _beginthreadex rather than CreateThread, so the C runtime knows the thread.
    auto* start = new ThreadStart{proc, param};
    uintptr_t handle = _beginthreadex(nullptr, 0, &ThreadEntry, start, 0, nullptr);
    if (!handle) {
        delete start;
        return false;
    }
    CloseHandle(reinterpret_cast<HANDLE>(handle));
    return true;
}
