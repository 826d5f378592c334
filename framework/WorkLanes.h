#pragma once
// Many small acts on the disk side by side. Where every file costs a round of
// calls to the file system far more than its bytes, one thread spends most of
// its time waiting; a few lanes keep the machine busy. The lanes are the
// system's pooled threads, so that a run of a few acts costs no thread's
// start. Window-free.
#include <cstddef>
#include <functional>

// Calls `work(i)` once for every i below `count`, on the calling thread and
// up to `lanes - 1` pooled threads besides, in no set order; returns when
// every call has returned. Where no pooled thread can be had, the calling
// thread does them all. `work` must not throw.
void RunInLanes(size_t count, unsigned lanes, const std::function<void(size_t)>& work);
