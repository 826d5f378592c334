#pragma once
// The file the copy is at, handed from the worker to the user-interface
// thread without waiting for the screen: the worker stores it and goes on;
// the user-interface thread takes the latest when it has time to show one, so
// files that came and went meanwhile are passed over. Window-free.
#include <windows.h>

#include <cstdint>
#include <mutex>
#include <string>

#include "framework/PathText.h"

// How far the copy has come in bytes read from the medium, against the bytes
// the listing before the copy found there (0 when none was made).
struct CopiedBytes {
    uint64_t done = 0;
    uint64_t total = 0;
};

// The bytes as a progress bar takes them: its control holds a range of a
// signed 32-bit number, so a book past 2 GB (a DVD) is shown in units of
// 2, 4, 8... bytes. The position never passes the range (files may have
// grown since the listing); nothing listed gives an empty bar.
struct BarPosition {
    int range = 0;
    int position = 0;
};
BarPosition BarFor(const CopiedBytes& bytes);

class ProgressReport {
public:
    // Worker: the file being copied, by its name on the medium, and the full
    // path it goes to. A text longer than any path is cut after a whole character.
    void Post(const char* sourceName, const std::string& destPath);
    // The latest file posted since the last take; false when none was.
    bool Take(std::string& sourceName, std::string& destPath);
    // Forgets what was posted (a new copy begins), the bytes too.
    void Clear();

    // Worker: the bytes the copy will read, once the listing has them.
    void SetTotalBytes(uint64_t total);
    // Worker: the bytes read so far of the file being installed.
    void FileBytesRead(uint64_t read);
    // Worker: the file is done with (installed, kept or failed): all its bytes count.
    void FileDone(uint64_t size);
    // The bytes as they stand now; the user-interface thread asks at its own pace.
    CopiedBytes Bytes();

private:
    // Held only to copy the two bounded texts in or out, so that neither
    // thread ever reads a text the other is half-way through writing.
    std::mutex m_lock;
    char m_sourceName[AnsiPathBufferSize] = {};
    char m_destPath[AnsiPathBufferSize] = {};
    bool m_fresh = false;
    uint64_t m_total = 0;
    uint64_t m_filesDone = 0;  // bytes of the files done with
    uint64_t m_fileRead = 0;   // bytes read of the file in hand
};
