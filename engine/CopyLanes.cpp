#include "engine/CopyLanes.h"

#include <utility>

CopyLanes::CopyLanes(unsigned lanes, Placement place) : m_laneCount(lanes), m_place(std::move(place)) {}

CopyLanes::~CopyLanes() {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_ending = true;
    }
    m_work.SetEvent();
    // A lane finishes the file it holds (and any still waiting) before it ends.
    for (const UniqueThread& thread : m_threads) WaitForSingleObject(thread.Get(), INFINITE);
}

bool CopyLanes::Start() {
    for (unsigned i = 0; i < m_laneCount; ++i) {
        UniqueThread thread(CreateThread(nullptr, 0, LaneMain, this, 0, nullptr));
        if (!thread) break;
        m_threads.push_back(std::move(thread));
    }
    return !m_threads.empty();
}

bool CopyLanes::HandOver(FileCopy& file) {
    if (m_threads.empty() && !Start()) return false;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_slots.push_back({std::move(file), false});
    }
    m_work.SetEvent();
    return true;
}

bool CopyLanes::TakePlaced(FileCopy& file, bool wait) {
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            if (m_slots.empty()) return false;
            if (m_slots.front().placed) {
                file = std::move(m_slots.front().file);
                m_slots.pop_front();
                --m_nextToPlace;
                return true;
            }
        }
        // Set after every placement, under the lock's release: a file placed
        // since the look above has left it set.
        if (!wait) return false;
        m_placed.Lock();
    }
}

size_t CopyLanes::Pending() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_slots.size();
}

DWORD WINAPI CopyLanes::LaneMain(LPVOID param) {
    static_cast<CopyLanes*>(param)->Serve();
    return 0;
}

void CopyLanes::Serve() {
    for (;;) {
        m_work.Lock();
        for (;;) {
            Slot* slot = nullptr;
            {
                std::lock_guard<std::mutex> hold(m_lock);
                if (m_nextToPlace == m_slots.size()) {
                    if (!m_ending) break;
                    // Every lane hears of the end.
                    m_work.SetEvent();
                    return;
                }
                // The slot stays where it is until the copy thread takes it
                // back, which it does only once it is placed.
                slot = &m_slots[m_nextToPlace++];
                if (m_nextToPlace < m_slots.size()) m_work.SetEvent();
            }
            m_place(slot->file);
            {
                std::lock_guard<std::mutex> hold(m_lock);
                slot->placed = true;
            }
            m_placed.SetEvent();
        }
    }
}
