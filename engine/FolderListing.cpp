#include "engine/FolderListing.h"

#include "framework/PathText.h"

FolderListing::FolderListing(const std::string& folder) {
    std::string pattern = folder + "\\*.*";
    if (PathLength(pattern) >= MAX_PATH) return;
    m_handle = FindFirstFileA(pattern.c_str(), &m_entry);
    if (m_handle != INVALID_HANDLE_VALUE) {
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
    if (FindNextFileA(m_handle, &m_entry)) return true;
    m_complete = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
    return false;
}
