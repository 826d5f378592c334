#pragma once
// Small files copied two at a time. Under a file system where every file
// costs a round of opens and closes far more than its bytes (thousands of
// small files), one thread spends most of the copy waiting; two lanes keep
// the machine busy. The copy's own thread still decides everything (the
// questions, the journal, the order of its records); a lane only places a
// new file where nothing stands, and hands it back in the order it was given.
// Window-free.
#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/HashingWriter.h"
#include "framework/Event.h"
#include "framework/HeldFolder.h"
#include "framework/UniqueHandle.h"

// One file's copy: where from and to, and once placed, how it went.
struct FileCopy {
    std::string sourcePath;
    DWORD sourceAttributes = 0;
    std::string destPath;
    uint64_t size = 0;  // as listed
    std::string name;         // on the medium, as listed (a replace question names it)
    FILETIME sourceTime = {};  // as listed
    // The destination's folder, held from the run's way (a lane acts in it
    // by the name, never by the path), and the file's name there.
    std::shared_ptr<const HeldFolder> folder;
    std::string destName;
    // The reader's file at the name, as its folder lists it (its letter
    // case); empty where nothing stood.
    std::string readersPath;
    bool installed = false;
    // Something stood at the name when the file was to be created there
    // (it appeared after the name was found free): left as it is, and the
    // file not placed.
    bool nameTaken = false;
    WrittenContent written;
};

class CopyLanes {
public:
    // Places one file (on a lane's thread): sets `installed` and `written`.
    using Placement = std::function<void(FileCopy&)>;

    // `lanes` threads, started at the first file handed over.
    CopyLanes(unsigned lanes, Placement place);
    ~CopyLanes();
    CopyLanes(const CopyLanes&) = delete;
    CopyLanes& operator=(const CopyLanes&) = delete;

    // Copy thread: hands a file over (moved from); it is placed as soon as a
    // lane is free. False when no lane could be started: the file is left
    // as it was, for the caller to place itself.
    bool HandOver(FileCopy& file);
    // Copy thread: the oldest file handed over, once it is placed; with
    // `wait`, waits for it. False when there is none (or, without `wait`,
    // when it is still on its way).
    bool TakePlaced(FileCopy& file, bool wait);
    // Files handed over and not yet taken back.
    size_t Pending() const;

private:
    static DWORD WINAPI LaneMain(LPVOID param);
    void Serve();
    bool Start();

    struct Slot {
        FileCopy file;
        bool placed = false;
    };

    unsigned m_laneCount;
    Placement m_place;
    mutable std::mutex m_lock;
    // A file to place, or the end: it wakes one lane, which wakes the next
    // while files wait.
    CEvent m_work;
    CEvent m_placed;  // a file placed (the copy thread alone waits for it)
    // In the order handed over; a slot's address stays while it is in the queue.
    std::deque<Slot> m_slots;
    size_t m_nextToPlace = 0;  // index in m_slots of the first file no lane has taken
    bool m_ending = false;
    std::vector<UniqueThread> m_threads;
};
