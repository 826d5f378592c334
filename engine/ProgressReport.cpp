#include "engine/ProgressReport.h"

#include <algorithm>
#include <cstring>

namespace {
void CopyBounded(char (&to)[MAX_PATH], const char* from, size_t length) {
    length = std::min(length, static_cast<size_t>(MAX_PATH - 1));
    std::memcpy(to, from, length);
    to[length] = '\0';
}
}  // namespace

void ProgressReport::Post(const char* sourceName, const std::string& destPath) {
    std::lock_guard<std::mutex> hold(m_lock);
    CopyBounded(m_sourceName, sourceName, strnlen(sourceName, MAX_PATH));
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
}
