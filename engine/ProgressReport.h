#pragma once
// The file the copy is at, handed from the worker to the user-interface
// thread without waiting for the screen: the worker stores it and goes on;
// the user-interface thread takes the latest when it has time to show one, so
// files that came and went meanwhile are passed over. Window-free.
#include <windows.h>

#include <mutex>
#include <string>

class ProgressReport {
public:
    // Worker: the file being copied, by its name on the medium, and the full
    // path it goes to. Texts are kept up to MAX_PATH - 1 characters.
    void Post(const char* sourceName, const std::string& destPath);
    // The latest file posted since the last take; false when none was.
    bool Take(std::string& sourceName, std::string& destPath);
    // Forgets what was posted (a new copy begins).
    void Clear();

private:
    // Held only to copy the two bounded texts in or out, so that neither
    // thread ever reads a text the other is half-way through writing.
    std::mutex m_lock;
    char m_sourceName[MAX_PATH] = {};
    char m_destPath[MAX_PATH] = {};
    bool m_fresh = false;
};
