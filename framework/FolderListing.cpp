#include "framework/FolderListing.h"

#include "framework/CodePage.h"
#include "framework/PathText.h"

FolderListing::FolderListing(const std::string& folder) {
    std::string pattern = JoinPath(folder, "*.*");
    if (PathLength(pattern) >= MAX_PATH) return;
    WIN32_FIND_DATAW found;
    std::wstring widePattern = WideText(pattern);
    // Without the short names nobody here reads, in large batches; a system
    // older than these flags refuses them and lists the usual way.
    m_handle = FindFirstFileExW(widePattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                FIND_FIRST_EX_LARGE_FETCH);
    if (m_handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER)
        m_handle = FindFirstFileW(widePattern.c_str(), &found);
    if (m_handle != INVALID_HANDLE_VALUE) {
        Take(found);
        m_first = true;
        return;
    }
    // A drive's root with nothing on it lists no "." entries: the system
    // answers "no file found" for an empty folder, anything else for one it
    // could not enter.
    m_complete = GetLastError() == ERROR_FILE_NOT_FOUND;
}

FolderListing::~FolderListing() {
    if (m_handle != INVALID_HANDLE_VALUE) FindClose(m_handle);
}

bool FolderListing::Next() {
    if (m_handle == INVALID_HANDLE_VALUE) return false;
    if (m_first) {
        m_first = false;
        return true;
    }
    WIN32_FIND_DATAW found;
    if (FindNextFileW(m_handle, &found)) {
        Take(found);
        return true;
    }
    m_complete = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
    return false;
}

void FolderListing::Take(const WIN32_FIND_DATAW& found) {
    m_entry.name = NarrowText(found.cFileName);
    m_entry.attributes = found.dwFileAttributes;
    m_entry.size = static_cast<uint64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
    m_entry.writeTime = found.ftLastWriteTime;
}
