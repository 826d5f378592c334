#include "record/HashingQueue.h"

#include "record/RecordedFiles.h"

HashingQueue::~HashingQueue() {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_dropping = true;
        m_pending.clear();
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void HashingQueue::Add(const std::string& path) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_dropping) return;
        m_pending.push_back(path);
        if (!m_thread.joinable()) m_thread = std::thread(&HashingQueue::Work, this);
    }
    m_changed.notify_all();
}

std::vector<RecordEntry> HashingQueue::Finish() {
    std::unique_lock<std::mutex> hold(m_lock);
    m_changed.wait(hold, [this] { return m_dropping || (m_pending.empty() && !m_busy); });
    return m_dropping ? std::vector<RecordEntry>() : m_entries;
}

void HashingQueue::Abandon() {
    std::unique_lock<std::mutex> hold(m_lock);
    m_dropping = true;
    m_pending.clear();
    m_changed.notify_all();
    m_changed.wait(hold, [this] { return !m_busy; });
}

void HashingQueue::Work() {
    std::unique_lock<std::mutex> hold(m_lock);
    for (;;) {
        m_changed.wait(hold, [this] { return m_dropping || !m_pending.empty(); });
        if (m_dropping) return;
        std::string path = std::move(m_pending.front());
        m_pending.pop_front();
        m_busy = true;
        hold.unlock();
        std::optional<RecordEntry> entry = FileEntryNow(path, RecordEntry::Kind::File);
        hold.lock();
        m_busy = false;
        if (entry && !m_dropping) m_entries.push_back(std::move(*entry));
        m_changed.notify_all();
    }
}
