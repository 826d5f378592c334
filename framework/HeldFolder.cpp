#include "framework/HeldFolder.h"

#include <winternl.h>

#include <cstring>
#include <vector>

#include "framework/CodePage.h"
#include "framework/PathText.h"

namespace {
// The system's own calls that take a folder's handle as the root of a name:
// in every Windows the programs run on, loaded from the module every process
// has, so that no import is added.
using CreateCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                    ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using SetInformationCall = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, int);
using QueryInformationCall = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, int);
using QueryDirectoryCall = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG, int,
                                            BOOLEAN, PUNICODE_STRING, BOOLEAN);
using ToErrorCall = ULONG(NTAPI*)(NTSTATUS);

struct NativeCalls {
    CreateCall create = nullptr;
    SetInformationCall setInformation = nullptr;
    QueryInformationCall queryInformation = nullptr;
    QueryDirectoryCall queryDirectory = nullptr;
    ToErrorCall toError = nullptr;
};

const NativeCalls& Native() {
    static const NativeCalls calls = [] {
        NativeCalls found;
        HMODULE module = GetModuleHandleA("ntdll.dll");
        auto get = [module](const char* name) { return reinterpret_cast<void*>(GetProcAddress(module, name)); };
        found.create = reinterpret_cast<CreateCall>(get("NtCreateFile"));
        found.setInformation = reinterpret_cast<SetInformationCall>(get("NtSetInformationFile"));
        found.queryInformation = reinterpret_cast<QueryInformationCall>(get("NtQueryInformationFile"));
        found.queryDirectory = reinterpret_cast<QueryDirectoryCall>(get("NtQueryDirectoryFile"));
        found.toError = reinterpret_cast<ToErrorCall>(get("RtlNtStatusToDosError"));
        return found;
    }();
    return calls;
}

// The system's records and numbers, as its driver headers declare them.
constexpr int kRenameInformation = 10;
constexpr int kDispositionInformation = 13;
constexpr int kBasicInformation = 4;
constexpr int kStandardInformation = 5;
constexpr int kFullDirectoryInformation = 2;
constexpr ULONG kOpen = 1, kCreate = 2;
constexpr ULONG kDirectoryFile = 0x1, kSynchronousIo = 0x20, kNonDirectoryFile = 0x40, kOpenReparsePoint = 0x200000;
constexpr ULONG kCaseInsensitive = 0x40;
constexpr NTSTATUS kBufferOverflow = static_cast<NTSTATUS>(0x80000005L);

struct RenameInformation {
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG nameBytes;
    WCHAR name[1];
};
struct BasicInformation {
    LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime;  // 0: left as they are
    ULONG attributes;                                                       // 0: left as it is
};
struct StandardInformation {
    LARGE_INTEGER allocationSize, endOfFile;
    ULONG links;
    BOOLEAN deletePending, directory;
};
struct FullDirectoryInformation {
    ULONG next, index;
    LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime, endOfFile, allocationSize;
    ULONG attributes, nameBytes;
    ULONG reparseTag;  // the extended attributes' size, or a reparse point's tag
    WCHAR name[1];
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A held folder lets others read and write in it, but not delete or rename
// it: it cannot be swapped for a link while it is held.
constexpr DWORD kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

DWORD ErrorOf(NTSTATUS status) {
    const NativeCalls& native = Native();
    return native.toError ? native.toError(status) : ERROR_GEN_FAILURE;
}

DoorStop StopOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return DoorStop::Missing;
    case ERROR_DIRECTORY: return DoorStop::NotFolder;
    default: return DoorStop::Refused;
    }
}

// Opens the name relative to the held folder; the system's error when it
// cannot (and the handle invalid).
DWORD OpenBelow(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG disposition,
                ULONG options, ULONG attributes, UniqueFile& opened) {
    const NativeCalls& native = Native();
    if (!native.create) return ERROR_CALL_NOT_IMPLEMENTED;
    UNICODE_STRING text;
    text.Buffer = const_cast<PWSTR>(name.c_str());
    text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(WCHAR));
    OBJECT_ATTRIBUTES object = {};
    object.Length = sizeof object;
    object.RootDirectory = folder;
    object.ObjectName = &text;
    object.Attributes = kCaseInsensitive;
    IO_STATUS_BLOCK io = {};
    HANDLE handle = nullptr;
    NTSTATUS status = native.create(&handle, access | SYNCHRONIZE, &object, &io, nullptr, attributes, share,
                                    disposition, options | kSynchronousIo, nullptr, 0);
    if (status < 0) return ErrorOf(status);
    opened = UniqueFile(handle);
    return ERROR_SUCCESS;
}

// What the handle holds. `folder`: the identity of the held folder it was
// opened in by one name, on whose volume it lies; the volume is then not
// asked again (under Wine that one question costs more than a small file's
// whole copy, and the copy and its undo open a file at every step). A root,
// opened by its path, is asked whole.
bool FactsOf(HANDLE handle, ObjectFacts& facts, const FileIdentity* folder = nullptr) {
    const NativeCalls& native = Native();
    if (folder && native.queryInformation) {
        IO_STATUS_BLOCK io = {};
        BasicInformation basic = {};
        StandardInformation standard = {};
        std::optional<uint64_t> index;
        if (native.queryInformation(handle, &io, &basic, sizeof basic, kBasicInformation) >= 0 &&
            native.queryInformation(handle, &io, &standard, sizeof standard, kStandardInformation) >= 0 &&
            (index = FileIndexOf(handle))) {
            facts.attributes = basic.attributes;
            facts.size = static_cast<uint64_t>(standard.endOfFile.QuadPart);
            facts.writeTime = static_cast<uint64_t>(basic.lastWriteTime.QuadPart);
            facts.identity = {folder->volume, *index};
            facts.names = standard.links;
            return true;
        }
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) return false;
    facts.attributes = info.dwFileAttributes;
    facts.size = static_cast<uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    facts.writeTime = static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32 | info.ftLastWriteTime.dwLowDateTime;
    facts.identity = IdentityOf(info);
    facts.names = info.nNumberOfLinks;
    return true;
}

// The attributes and reparse tag the folder's listing gives for the name;
// false when it has no such entry. A fresh handle of the folder for each
// question: the system takes a listing's name pattern from its first query.
bool ListedAs(HANDLE folder, const std::wstring& name, DWORD& attributes, DWORD& tag) {
    const NativeCalls& native = Native();
    if (!native.queryDirectory) return false;
    UniqueFile again;
    if (OpenBelow(folder, L"", FILE_LIST_DIRECTORY | SYNCHRONIZE, kShareAll, kOpen, kDirectoryFile, 0, again) !=
        ERROR_SUCCESS)
        return false;
    alignas(8) BYTE buffer[sizeof(FullDirectoryInformation) + MAX_PATH * sizeof(WCHAR) * 2];
    UNICODE_STRING pattern;
    pattern.Buffer = const_cast<PWSTR>(name.c_str());
    pattern.Length = pattern.MaximumLength = static_cast<USHORT>(name.size() * sizeof(WCHAR));
    IO_STATUS_BLOCK io = {};
    NTSTATUS status = native.queryDirectory(again.Get(), nullptr, nullptr, nullptr, &io, buffer, sizeof buffer,
                                            kFullDirectoryInformation, TRUE, &pattern, TRUE);
    if (status < 0 && status != kBufferOverflow) return false;
    const auto* entry = reinterpret_cast<const FullDirectoryInformation*>(buffer);
    attributes = entry->attributes;
    tag = entry->reparseTag;
    return true;
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

bool SetInformation(HANDLE handle, void* information, ULONG bytes, int kind) {
    const NativeCalls& native = Native();
    if (!native.setInformation) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    IO_STATUS_BLOCK io = {};
    NTSTATUS status = native.setInformation(handle, &io, information, bytes, kind);
    if (status < 0) {
        SetLastError(ErrorOf(status));
        return false;
    }
    return true;
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
    if (!m_facts.IsFolder() && (m_facts.attributes & FILE_ATTRIBUTE_READONLY)) {
        BasicInformation basic = {};
        DWORD rest = m_facts.attributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT);
        basic.attributes = rest ? rest : FILE_ATTRIBUTE_NORMAL;
        SetInformation(m_handle.Get(), &basic, sizeof basic, kBasicInformation);
    }
    BOOLEAN remove = TRUE;
    bool done = SetInformation(m_handle.Get(), &remove, sizeof remove, kDispositionInformation);
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
    const std::wstring wide = WideText(name);
    const ULONG nameBytes = static_cast<ULONG>(wide.size() * sizeof(WCHAR));
    std::vector<BYTE> buffer(sizeof(RenameInformation) + nameBytes);
    auto* rename = reinterpret_cast<RenameInformation*>(buffer.data());
    rename->replaceIfExists = replace ? TRUE : FALSE;
    rename->rootDirectory = folder.Get();
    rename->nameBytes = nameBytes;
    std::memcpy(rename->name, wide.c_str(), nameBytes + sizeof(WCHAR));
    bool done = SetInformation(m_handle.Get(), buffer.data(), static_cast<ULONG>(buffer.size()), kRenameInformation);
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
    if (error == ERROR_SUCCESS && !FactsOf(folder.m_handle.Get(), facts, &m_identity)) error = GetLastError();
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
        if (error == ERROR_SUCCESS && FactsOf(folder.m_handle.Get(), facts, &m_identity)) {
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
    if (error == ERROR_SUCCESS && !FactsOf(object.m_handle.Get(), object.m_facts, &m_identity)) error = GetLastError();
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
    if (attributes & FILE_FLAG_SEQUENTIAL_SCAN) options |= 0x4;  // FILE_SEQUENTIAL_ONLY
    if (attributes & FILE_FLAG_WRITE_THROUGH) options |= 0x2;    // FILE_WRITE_THROUGH
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
