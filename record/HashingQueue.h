#pragma once
// The install record's entries of the files a copy writes, made while the
// copy goes on: each file written whole is read back and hashed on a thread
// of its own, so that the hashing overlaps the copy instead of following it
// (from a CD the copy waits for the drive most of the time anyway), and no
// window waits for it afterwards. Window-free.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "record/InstallRecord.h"

class HashingQueue {
public:
    HashingQueue() = default;
    // Stops the thread; what was not hashed yet is dropped.
    ~HashingQueue();
    HashingQueue(const HashingQueue&) = delete;
    HashingQueue& operator=(const HashingQueue&) = delete;

    // The file (a full path) was written whole: its entry is made meanwhile.
    void Add(const std::string& path);
    // Waits until every file added is hashed and returns their entries in
    // the order added (a file gone meanwhile has none); empty once abandoned.
    std::vector<RecordEntry> Finish();
    // Any thread: nothing more is hashed (an abandoned run records nothing);
    // returns once the file in hand, if any, is done with.
    void Abandon();

private:
    void Work();

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<std::string> m_pending;
    std::vector<RecordEntry> m_entries;
    bool m_busy = false;      // a file is being hashed
    bool m_dropping = false;  // abandoned, or the queue is going
    std::thread m_thread;     // started with the first file
};
