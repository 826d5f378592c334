#pragma once
// The door: the one way a run creates, writes, renames and deletes on the
// disk where others may change the folders on the path. A path is a question
// asked again at every folder, and any folder on it that another program of
// the user's may change can be swapped for a link between two calls. So a
// folder is opened once and held (while it is held it can be neither renamed
// nor deleted), and every name below it is opened, made, renamed or removed
// relative to that handle, never by its path again, and never through a link
// at the name: what is checked is what is acted on.
//
// A root (the drive's root, the install folder as the run resolved it, the
// user's profile) is opened by its path: links the path passes are the
// reader's own and were there before the run; every folder below it is opened
// by one name from its held parent, and a link there is refused. Window-free.
#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/FileObject.h"
#include "framework/UniqueHandle.h"

// Why the door did not open what was asked.
enum class DoorStop {
    None,      // opened
    Missing,   // nothing stands at the name
    Link,      // a link stands at the name: never walked into nor acted through
    NotFolder, // a file stands where a folder was asked for
    BadName,   // not one plain name (a "\", ".", "..", a stream)
    Refused,   // the system refused (in use, denied, a drive that is away)
};

class HeldFolder;

// A file or folder opened at one name of a held folder without following a
// link there, to be checked and acted on through the same handle.
class HeldObject {
public:
    HeldObject() = default;
    bool Held() const { return m_handle.Valid(); }
    DoorStop Stop() const { return m_stop; }
    DWORD Error() const { return m_error; }
    bool Missing() const { return m_stop == DoorStop::Missing; }
    const ObjectFacts& Facts() const { return m_facts; }
    HANDLE Get() const { return m_handle.Get(); }

    // Deletes what is held (a read-only mark cleared first; a folder only
    // when empty). The handle is closed either way.
    bool Delete();
    // Gives what is held the name `name` in `folder` (held), never over
    // anything standing there unless `replace`. The handle is closed either way.
    bool RenameTo(const HeldFolder& folder, const std::string& name, bool replace = false);
    // Lets go of the handle (what is held is left as it is).
    void Close() { m_handle = UniqueFile(); }

private:
    friend class HeldFolder;
    UniqueFile m_handle;
    DoorStop m_stop = DoorStop::Missing;
    DWORD m_error = ERROR_FILE_NOT_FOUND;
    ObjectFacts m_facts;
};

class HeldFolder {
public:
    HeldFolder() = default;
    HeldFolder(HeldFolder&&) = default;
    HeldFolder& operator=(HeldFolder&&) = default;

    // A folder the run trusts as the start of its ways, opened by its full
    // path (whatever links that path passes) and held.
    static HeldFolder Root(const std::string& path);

    bool Held() const { return m_handle.Valid(); }
    DoorStop Stop() const { return m_stop; }
    DWORD Error() const { return m_error; }
    HANDLE Get() const { return m_handle.Get(); }
    // Its path as the run named it: for messages and for the names below it,
    // never to act by.
    const std::string& Path() const { return m_path; }
    const FileIdentity& Identity() const { return m_identity; }

    // The folder of that name below this one, held; a link at the name is
    // refused (DoorStop::Link), whatever it leads to.
    HeldFolder Folder(const std::string& name) const;
    // The same, made when nothing stands at the name (`made` says whether it was).
    HeldFolder MakeFolder(const std::string& name, bool* made = nullptr) const;
    // What stands at the name, opened without following a link there, with
    // the right to delete and rename it, and `access` besides.
    HeldObject Open(const std::string& name, DWORD access = 0) const;
    // A new file at the name, created only where nothing stands (a link at
    // the name included): invalid, with the system's error (ERROR_FILE_EXISTS
    // or ERROR_ALREADY_EXISTS when the name is taken) in the last error.
    UniqueFile Create(const std::string& name, DWORD access, DWORD share, DWORD attributes) const;
    // A new file at the name whatever stood there: a file, a link or a second
    // name of a file elsewhere is removed first (the name, never what it leads
    // to), a folder is not.
    UniqueFile CreateFresh(const std::string& name, DWORD access, DWORD share, DWORD attributes) const;

private:
    UniqueFile m_handle;
    DoorStop m_stop = DoorStop::Missing;
    DWORD m_error = ERROR_PATH_NOT_FOUND;
    std::string m_path;
    FileIdentity m_identity;
};

// Whether `name` is one plain name a folder can hold: not empty, no "\" or
// "/", not "." or "..", no stream (":"), no trailing dot or space.
bool PlainName(const std::string& name);
