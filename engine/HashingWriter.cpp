#include "engine/HashingWriter.h"

bool HashingWriter::Write(const void* data, DWORD size) {
    DWORD put = 0;
    if (!WriteFile(m_target, data, size, &put, nullptr) || put != size) return false;
    m_hasher.Add(data, size);
    m_size += size;
    return true;
}

bool HashingWriter::Finish(const FILETIME* writeTime, WrittenContent& written) {
    // Set explicitly, the time is final: the system does not move it again
    // when the handle closes, so the record notes what the file keeps.
    FILETIME now;
    if (!writeTime) {
        GetSystemTimeAsFileTime(&now);
        writeTime = &now;
    }
    if (!SetFileTime(m_target, nullptr, nullptr, writeTime)) return false;
    written.size = m_size;
    written.hash = m_hasher.Finish();
    return GetFileTime(m_target, nullptr, nullptr, &written.writeTime) != FALSE;
}

RecordEntry RecordEntryOf(const std::string& path, const WrittenContent& written) {
    RecordEntry entry;
    entry.path = path;
    entry.size = written.size;
    entry.hash = written.hash;
    entry.writeTime = static_cast<uint64_t>(written.writeTime.dwHighDateTime) << 32 | written.writeTime.dwLowDateTime;
    return entry;
}
