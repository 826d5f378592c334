#include "engine/ProgressReport.h"

#include <algorithm>
#include <cstring>

namespace {
void CopyBounded(char (&to)[AnsiPathBufferSize], const char* from, size_t length) {
    if (length >= AnsiPathBufferSize) {
        // Cut before the character that would not fit whole.
        length = PreviousCharIndex(std::string_view(from, length), AnsiPathBufferSize);
    }
    std::memcpy(to, from, length);
    to[length] = '\0';
}
}  // namespace

BarPosition BarFor(const CopiedBytes& bytes) {
    if (bytes.total == 0) return {1, 0};
    unsigned shift = 0;
    while ((bytes.total >> shift) > 0x7FFFFFFFu) ++shift;
    uint64_t done = std::min(bytes.done, bytes.total);
    return {static_cast<int>(bytes.total >> shift), static_cast<int>(done >> shift)};
}

void ProgressReport::Post(const char* sourceName, const std::string& destPath) {
    std::lock_guard<std::mutex> hold(m_lock);
    CopyBounded(m_sourceName, sourceName, strnlen(sourceName, AnsiPathBufferSize));
    CopyBounded(m_destPath, destPath.data(), destPath.size());
    m_fresh = true;
}

bool ProgressReport::Take(std::string& sourceName, std::string& destPath) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_fresh) return false;
    sourceName = m_sourceName;
    destPath = m_destPath;
    m_fresh = false;
    return true;
}

void ProgressReport::Clear() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_fresh = false;
    m_total = m_filesDone = m_fileRead = 0;
}

void ProgressReport::SetTotalBytes(uint64_t total) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_total = total;
}

void ProgressReport::FileBytesRead(uint64_t read) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_fileRead = read;
}

void ProgressReport::FileDone(uint64_t size) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_filesDone += size;
    m_fileRead = 0;
}

CopiedBytes ProgressReport::Bytes() {
    std::lock_guard<std::mutex> hold(m_lock);
    return {m_filesDone + m_fileRead, m_total};
}
