#include "record/OpenedPath.h"

#include <cstring>
#include <vector>

#include "framework/CodePage.h"

namespace {
// The system's call that deletes or renames what a handle holds, from Vista
// on. The program runs on XP too, where no process is elevated behind the
// user's back: there the path calls do.
using SetInformation = BOOL(WINAPI*)(HANDLE, int, void*, DWORD);
constexpr int kBasicInfo = 0;        // FileBasicInfo
constexpr int kRenameInfo = 3;       // FileRenameInfo
constexpr int kDispositionInfo = 4;  // FileDispositionInfo

SetInformation SetInformationCall() {
    static const SetInformation call = reinterpret_cast<SetInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetFileInformationByHandle")));
    return call;
}

// The system's records of these, as the headers of a newer system declare them.
struct BasicInfo {
    LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime;  // 0: left as they are
    DWORD attributes;                                                       // 0: left as they are
};
struct RenameInfo {
    DWORD replaceIfExists;
    HANDLE rootDirectory;
    DWORD nameBytes;
    WCHAR name[1];
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
}  // namespace

OpenedPath::OpenedPath(const std::string& path, Use use) : m_path(path) {
    DWORD access = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
    switch (use) {
    case Use::Way: break;
    case Use::Act:
        access |= DELETE | FILE_WRITE_ATTRIBUTES;
        share = kShareAll;
        break;
    case Use::Chosen: flags = FILE_FLAG_BACKUP_SEMANTICS; break;
    case Use::Owner:
        access |= READ_CONTROL;
        share = kShareAll;
        break;
    case Use::Secure:
        access |= READ_CONTROL | WRITE_DAC | WRITE_OWNER;
        share = kShareAll;
        break;
    }
    const std::wstring wide = WideText(path);
    m_handle = UniqueFile(CreateFileW(wide.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!m_handle) {
        m_error = GetLastError();
        return;
    }
    if (!GetFileInformationByHandle(m_handle.Get(), &m_info)) {
        m_error = GetLastError();
        m_handle = UniqueFile();
        return;
    }
    if (use == Use::Chosen) return;
    const DWORD onPath = GetFileAttributesW(wide.c_str());
    m_reparsePoint = (m_info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
                     (onPath != INVALID_FILE_ATTRIBUTES && (onPath & FILE_ATTRIBUTE_REPARSE_POINT));
    if (m_info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        DWORD tag = ReparseTagOf(m_handle.Get());
        m_link = tag != 0 ? ReparseKindOfTag(tag) == ReparseKind::Link : ::IsLink(path);
    } else {
        // A handle that reached what a link leads to (Wine's, for a link of
        // the Linux side) does not say so; the path does.
        m_link = ::IsLink(path);
    }
}

FileIdentity OpenedPath::Identity() const { return IdentityOf(m_info); }

uint64_t OpenedPath::Size() const { return static_cast<uint64_t>(m_info.nFileSizeHigh) << 32 | m_info.nFileSizeLow; }

uint64_t OpenedPath::WriteTime() const {
    return static_cast<uint64_t>(m_info.ftLastWriteTime.dwHighDateTime) << 32 | m_info.ftLastWriteTime.dwLowDateTime;
}

bool OpenedPath::Delete() {
    if (!m_handle) return false;
    SetInformation set = SetInformationCall();
    if (!set) {
        m_handle = UniqueFile();
        return IsFolder() ? RemoveDirectoryW(WideText(m_path).c_str()) != FALSE : DeleteOwnFile(m_path);
    }
    // The system deletes no read-only file: the mark of a file of ours goes first.
    if (!IsFolder() && (m_info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
        BasicInfo basic = {};
        DWORD rest = m_info.dwFileAttributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT);
        basic.attributes = rest ? rest : FILE_ATTRIBUTE_NORMAL;
        set(m_handle.Get(), kBasicInfo, &basic, sizeof basic);
    }
    BOOL remove = TRUE;
    bool done = set(m_handle.Get(), kDispositionInfo, &remove, sizeof remove) != FALSE;
    DWORD error = GetLastError();
    // Gone once the handle is closed.
    m_handle = UniqueFile();
    SetLastError(done ? ERROR_SUCCESS : error);
    return done;
}

bool OpenedPath::RenameTo(const std::string& to) {
    if (!m_handle) return false;
    SetInformation set = SetInformationCall();
    if (!set) {
        m_handle = UniqueFile();
        return MoveFileExW(WideText(m_path).c_str(), WideText(to).c_str(), 0) != FALSE;
    }
    const std::wstring name = WideText(to);
    const DWORD nameBytes = static_cast<DWORD>(name.size() * sizeof(WCHAR));
    std::vector<BYTE> buffer(sizeof(RenameInfo) + nameBytes);
    RenameInfo* rename = reinterpret_cast<RenameInfo*>(buffer.data());
    rename->replaceIfExists = FALSE;
    rename->rootDirectory = nullptr;
    rename->nameBytes = nameBytes;
    std::memcpy(rename->name, name.c_str(), nameBytes + sizeof(WCHAR));
    bool done = set(m_handle.Get(), kRenameInfo, buffer.data(), static_cast<DWORD>(buffer.size())) != FALSE;
    DWORD error = GetLastError();
    m_handle = UniqueFile();
    SetLastError(done ? ERROR_SUCCESS : error);
    return done;
}
