#include "framework/HeldFolder.h"

#include "framework/CodePage.h"
#include "framework/NativeFile.h"
#include "framework/PathText.h"

namespace {
// A held folder lets others read and write in it, but not delete or rename
// it: it cannot be swapped for a link while it is held.
constexpr DWORD kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

DoorStop StopOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return DoorStop::Missing;
    case ERROR_DIRECTORY: return DoorStop::NotFolder;
    default: return DoorStop::Refused;
    }
}

// Whether what the handle holds, opened at `name` of the folder without
// following a reparse point, is a link. Windows opens the link itself and its
// handle says so; where the system's open follows a link all the same (Wine,
// for a link of the Linux side), the folder's own entry for the name does.
bool IsLinkAt(HANDLE folder, const std::wstring& name, HANDLE opened, const ObjectFacts& facts, bool checkListing) {
    if (facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return ReparseKindOfTag(ReparseTagOf(opened)) == ReparseKind::Link;
    if (!checkListing) return false;
    DWORD attributes = 0, tag = 0;
    if (!ListedAs(folder, name, attributes, tag)) return false;
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && ReparseKindOfTag(tag) == ReparseKind::Link;
}
}  // namespace

bool PlainName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    if (name.back() == '.' || name.back() == ' ') return false;
    // "\\", "/" and ":" are never the second byte of a character in a code
    // page whose "\\" may be (the name is checked in UTF-16 too, below).
    for (wchar_t c : WideText(name))
        if (c == L'\\' || c == L'/' || c == L':' || c < 0x20) return false;
    return !WideText(name).empty();
}

bool HeldObject::Delete() {
    if (!m_handle) return false;
    // The system deletes no read-only file: the mark of a file of ours goes first.
    if (!m_facts.IsFolder() && (m_facts.attributes & FILE_ATTRIBUTE_READONLY))
        SetAttributes(m_handle.Get(), m_facts.attributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT));
    bool done = MarkForDeletion(m_handle.Get());
    DWORD error = GetLastError();
    // Gone once the handle is closed.
    m_handle = UniqueFile();
    SetLastError(done ? ERROR_SUCCESS : error);
    return done;
}

bool HeldObject::RenameTo(const HeldFolder& folder, const std::string& name, bool replace) {
    if (!m_handle) return false;
    if (!folder.Held() || !PlainName(name)) {
        m_handle = UniqueFile();
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    bool done = RenameBelow(m_handle.Get(), folder.Get(), WideText(name), replace);
    DWORD error = GetLastError();
    m_handle = UniqueFile();
    SetLastError(done ? ERROR_SUCCESS : error);
    return done;
}

HeldFolder HeldFolder::Root(const std::string& path) {
    HeldFolder root;
    root.m_path = path;
    root.m_handle = UniqueFile(CreateFileW(WideText(path).c_str(), kFolderAccess, kFolderShare, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!root.m_handle) {
        root.m_error = GetLastError();
        root.m_stop = StopOf(root.m_error);
        return root;
    }
    ObjectFacts facts;
    if (!FactsOf(root.m_handle.Get(), facts) || !facts.IsFolder()) {
        root.m_error = ERROR_DIRECTORY;
        root.m_stop = DoorStop::NotFolder;
        root.m_handle = UniqueFile();
        return root;
    }
    root.m_identity = facts.identity;
    root.m_stop = DoorStop::None;
    root.m_error = ERROR_SUCCESS;
    return root;
}

HeldFolder HeldFolder::Folder(const std::string& name) const {
    HeldFolder folder;
    folder.m_path = JoinPath(m_path, name);
    if (!Held() || !PlainName(name)) {
        folder.m_stop = Held() ? DoorStop::BadName : DoorStop::Refused;
        folder.m_error = ERROR_INVALID_NAME;
        return folder;
    }
    const std::wstring wide = WideText(name);
    DWORD error = OpenBelow(m_handle.Get(), wide, kFolderAccess, kFolderShare, kOpen, kOpenReparsePoint, 0,
                            folder.m_handle);
    ObjectFacts facts;
    if (error == ERROR_SUCCESS && !FactsOf(folder.m_handle.Get(), facts, &m_identity.volume)) error = GetLastError();
    if (error != ERROR_SUCCESS) {
        folder.m_handle = UniqueFile();
        folder.m_error = error;
        folder.m_stop = StopOf(error);
        return folder;
    }
    if (IsLinkAt(m_handle.Get(), wide, folder.m_handle.Get(), facts, true)) {
        folder.m_handle = UniqueFile();
        folder.m_stop = DoorStop::Link;
        folder.m_error = ERROR_CANT_ACCESS_FILE;
        return folder;
    }
    if (!facts.IsFolder()) {
        folder.m_handle = UniqueFile();
        folder.m_stop = DoorStop::NotFolder;
        folder.m_error = ERROR_DIRECTORY;
        return folder;
    }
    folder.m_identity = facts.identity;
    folder.m_stop = DoorStop::None;
    folder.m_error = ERROR_SUCCESS;
    return folder;
}

HeldFolder HeldFolder::MakeFolder(const std::string& name, bool* made) const {
    if (made) *made = false;
    if (Held() && PlainName(name)) {
        HeldFolder folder;
        folder.m_path = JoinPath(m_path, name);
        // Made where nothing stands: a link put at the name is never entered.
        DWORD error = OpenBelow(m_handle.Get(), WideText(name), kFolderAccess, kFolderShare, kCreate, kDirectoryFile,
                                FILE_ATTRIBUTE_NORMAL, folder.m_handle);
        ObjectFacts facts;
        if (error == ERROR_SUCCESS && FactsOf(folder.m_handle.Get(), facts, &m_identity.volume)) {
            if (made) *made = true;
            folder.m_identity = facts.identity;
            folder.m_stop = DoorStop::None;
            folder.m_error = ERROR_SUCCESS;
            return folder;
        }
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) {
            folder.m_handle = UniqueFile();
            folder.m_error = error == ERROR_SUCCESS ? GetLastError() : error;
            folder.m_stop = StopOf(folder.m_error);
            return folder;
        }
    }
    return Folder(name);
}

HeldObject HeldFolder::Open(const std::string& name, DWORD access) const {
    HeldObject object;
    if (!Held() || !PlainName(name)) {
        object.m_stop = Held() ? DoorStop::BadName : DoorStop::Refused;
        object.m_error = ERROR_INVALID_NAME;
        return object;
    }
    const std::wstring wide = WideText(name);
    DWORD error = OpenBelow(m_handle.Get(), wide, access | DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                            kShareAll, kOpen, kOpenReparsePoint, 0, object.m_handle);
    if (error == ERROR_SUCCESS && !FactsOf(object.m_handle.Get(), object.m_facts, &m_identity.volume))
        error = GetLastError();
    if (error != ERROR_SUCCESS) {
        object.m_handle = UniqueFile();
        object.m_error = error;
        object.m_stop = StopOf(error);
        return object;
    }
    // A folder's link is told by the listing too; a file's, where the system
    // follows it, is harmless: what is deleted or renamed is the name.
    object.m_facts.link = IsLinkAt(m_handle.Get(), wide, object.m_handle.Get(), object.m_facts, object.m_facts.IsFolder());
    object.m_stop = DoorStop::None;
    object.m_error = ERROR_SUCCESS;
    return object;
}

UniqueFile HeldFolder::Create(const std::string& name, DWORD access, DWORD share, DWORD attributes) const {
    if (!Held() || !PlainName(name)) {
        SetLastError(ERROR_INVALID_NAME);
        return UniqueFile();
    }
    // GENERIC_WRITE and the rest mean to the native call what they mean to CreateFile.
    ULONG options = kNonDirectoryFile;
    if (attributes & FILE_FLAG_SEQUENTIAL_SCAN) options |= kSequentialOnly;
    if (attributes & FILE_FLAG_WRITE_THROUGH) options |= kWriteThrough;
    attributes &= 0xFFFF;
    UniqueFile file;
    DWORD error = OpenBelow(m_handle.Get(), WideText(name), access | FILE_READ_ATTRIBUTES, share, kCreate, options,
                            attributes ? attributes : FILE_ATTRIBUTE_NORMAL, file);
    SetLastError(error);
    return file;
}

UniqueFile HeldFolder::CreateFresh(const std::string& name, DWORD access, DWORD share, DWORD attributes) const {
    for (int attempt = 0; attempt < 3; ++attempt) {
        UniqueFile file = Create(name, access, share, attributes);
        DWORD error = GetLastError();
        if (file || (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)) return file;
        // What stands there goes by its name: a link or a second name of a
        // file elsewhere takes nothing else with it.
        HeldObject there = Open(name);
        if (!there.Held()) continue;
        if (there.Facts().IsFolder() && !there.Facts().link) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return UniqueFile();
        }
        there.Delete();
    }
    SetLastError(ERROR_ALREADY_EXISTS);
    return UniqueFile();
}
