#include "framework/WorkLanes.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

#include "framework/Event.h"

namespace {
struct Shared {
    size_t count;
    const std::function<void(size_t)>* work;
    std::atomic<size_t> next{0};
    // Lanes on the pool that have not yet returned; the last one wakes the caller.
    std::atomic<unsigned> running{0};
    CEvent allBack{FALSE, TRUE};
};

void Drain(Shared& shared) {
    for (size_t i = shared.next++; i < shared.count; i = shared.next++) (*shared.work)(i);
}

DWORD WINAPI Lane(LPVOID param) {
    auto& shared = *static_cast<Shared*>(param);
    Drain(shared);
    // The caller's frame, and `shared` with it, lives until the last lane says so.
    if (--shared.running == 0) shared.allBack.SetEvent();
    return 0;
}
}  // namespace

void RunInLanes(size_t count, unsigned lanes, const std::function<void(size_t)>& work) {
    Shared shared;
    shared.count = count;
    shared.work = &work;
    const unsigned helpers = count < 2 || lanes < 2 ? 0 : static_cast<unsigned>(std::min<size_t>(lanes, count) - 1);
    // One for the caller, so that no lane that returns early ends the wait.
    shared.running = 1;
    for (unsigned i = 0; i < helpers; ++i) {
        ++shared.running;
        if (!QueueUserWorkItem(Lane, &shared, WT_EXECUTEDEFAULT)) {
            --shared.running;
            break;
        }
    }
    Drain(shared);
    if (--shared.running != 0) shared.allBack.Lock();
}
