#pragma once
// A file or folder held open where it stands while it is checked and acted
// on: what it is (a link or not, its size, time and identity) is read through
// the handle, and it is deleted or renamed through the same handle, so that
// nothing put at its path between the check and the act is what is acted on.
// A reparse point it carries is never followed. Window-free.
#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/UniqueHandle.h"
#include "record/OwnFiles.h"

class OpenedPath {
public:
    enum class Use {
        // A folder on the way to what is acted on: held without letting
        // others delete or rename it, so that it cannot be swapped for a link
        // while it is held.
        Way,
        // What is acted on: opened to be deleted or renamed.
        Act,
        // The install folder the reader chose: whatever link it is, what it
        // leads to is what is held (and told by its identity).
        Chosen,
        // Its owner and rights read (READ_CONTROL), and with `Secure` set
        // too (WRITE_DAC, WRITE_OWNER).
        Owner,
        Secure,
    };

    OpenedPath() = default;
    OpenedPath(const std::string& path, Use use);

    bool Held() const { return m_handle.Valid(); }
    // Nothing stands at the path (nor at a folder on its way).
    bool Missing() const { return m_error == ERROR_FILE_NOT_FOUND || m_error == ERROR_PATH_NOT_FOUND; }
    DWORD Error() const { return m_error; }
    const std::string& Path() const { return m_path; }
    HANDLE Get() const { return m_handle.Get(); }

    bool IsFolder() const { return (m_info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    // By the one rule (OwnFiles.h), from the handle, and from the path where
    // the system's handle leads through a link all the same (Wine's, for a
    // link of the Linux side).
    bool IsLink() const { return m_link; }
    // Any reparse point at all (a link, a cloud service's file, a mount):
    // from the handle, and from the path as for IsLink.
    bool IsReparsePoint() const { return m_reparsePoint; }
    FileIdentity Identity() const;
    uint64_t Size() const;
    uint64_t WriteTime() const;

    // Deletes what is held (a read-only mark of a file cleared first; a
    // folder only when empty). The handle is closed either way.
    bool Delete();
    // Renames what is held to `to`, never over anything that stands there.
    // The handle is closed either way.
    bool RenameTo(const std::string& to);

private:
    std::string m_path;
    UniqueFile m_handle;
    DWORD m_error = ERROR_SUCCESS;
    BY_HANDLE_FILE_INFORMATION m_info = {};
    bool m_link = false;
    bool m_reparsePoint = false;
};
