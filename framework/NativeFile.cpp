#include "framework/NativeFile.h"

#include <winternl.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {
// The system's own calls that take a folder's handle as the root of a name:
// in every Windows the programs run on, loaded from the module every process
// has, so that no import is added.
using CreateCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                    ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using SetInformationCall = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, int);
using QueryDirectoryCall = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG, int,
                                            BOOLEAN, PUNICODE_STRING, BOOLEAN);
using ToErrorCall = ULONG(NTAPI*)(NTSTATUS);
using QueryInformationCall = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, int);

struct NativeCalls {
    CreateCall create = nullptr;
    SetInformationCall setInformation = nullptr;
    QueryDirectoryCall queryDirectory = nullptr;
    ToErrorCall toError = nullptr;
    QueryInformationCall queryInformation = nullptr;
};

const NativeCalls& Native() {
    static const NativeCalls calls = [] {
        NativeCalls found;
        HMODULE module = GetModuleHandleA("ntdll.dll");
        auto get = [module](const char* name) { return reinterpret_cast<void*>(GetProcAddress(module, name)); };
        found.create = reinterpret_cast<CreateCall>(get("NtCreateFile"));
        found.setInformation = reinterpret_cast<SetInformationCall>(get("NtSetInformationFile"));
        found.queryDirectory = reinterpret_cast<QueryDirectoryCall>(get("NtQueryDirectoryFile"));
        found.toError = reinterpret_cast<ToErrorCall>(get("RtlNtStatusToDosError"));
        found.queryInformation = reinterpret_cast<QueryInformationCall>(get("NtQueryInformationFile"));
        return found;
    }();
    return calls;
}

// The system's records and numbers, as its driver headers declare them.
constexpr int kRenameInformation = 10;
constexpr int kDispositionInformation = 13;
constexpr int kBasicInformation = 4;
constexpr int kFullDirectoryInformation = 2;
constexpr int kAllInformation = 18;
constexpr ULONG kSynchronousIo = 0x20;
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
// The fixed start of the system's FILE_ALL_INFORMATION: its basic, standard
// and internal parts.
struct AllInformation {
    LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime;
    ULONG attributes;
    LARGE_INTEGER allocationSize, endOfFile;
    ULONG links;
    BOOLEAN deletePending, directory;
    LARGE_INTEGER index;
};
static_assert(offsetof(AllInformation, index) == 64, "the system's layout");
struct FullDirectoryInformation {
    ULONG next, index;
    LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime, endOfFile, allocationSize;
    ULONG attributes, nameBytes;
    ULONG reparseTag;  // the extended attributes' size, or a reparse point's tag
    WCHAR name[1];
};


DWORD ErrorOf(NTSTATUS status) {
    const NativeCalls& native = Native();
    return native.toError ? native.toError(status) : ERROR_GEN_FAILURE;
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

bool FactsOf(HANDLE handle, ObjectFacts& facts, const uint32_t* volume) {
    const NativeCalls& native = Native();
    if (volume && native.queryInformation) {
        alignas(8) BYTE buffer[sizeof(AllInformation) + 64 + MAX_PATH * sizeof(WCHAR)];
        IO_STATUS_BLOCK io = {};
        // A long name overflows the buffer: the fixed part is there all the same.
        NTSTATUS status = native.queryInformation(handle, &io, buffer, sizeof buffer, kAllInformation);
        if (status >= 0 || status == kBufferOverflow) {
            const auto* all = reinterpret_cast<const AllInformation*>(buffer);
            facts.attributes = all->attributes;
            facts.size = static_cast<uint64_t>(all->endOfFile.QuadPart);
            facts.writeTime = static_cast<uint64_t>(all->lastWriteTime.QuadPart);
            facts.identity = {*volume, static_cast<uint64_t>(all->index.QuadPart)};
            facts.names = all->links;
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

bool SetAttributes(HANDLE handle, DWORD attributes) {
    BasicInformation basic = {};
    basic.attributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    return SetInformation(handle, &basic, sizeof basic, kBasicInformation);
}

bool MarkForDeletion(HANDLE handle) {
    BOOLEAN remove = TRUE;
    return SetInformation(handle, &remove, sizeof remove, kDispositionInformation);
}

bool RenameBelow(HANDLE handle, HANDLE folder, const std::wstring& name, bool replace) {
    const ULONG nameBytes = static_cast<ULONG>(name.size() * sizeof(WCHAR));
    std::vector<BYTE> buffer(sizeof(RenameInformation) + nameBytes);
    auto* rename = reinterpret_cast<RenameInformation*>(buffer.data());
    rename->replaceIfExists = replace ? TRUE : FALSE;
    rename->rootDirectory = folder;
    rename->nameBytes = nameBytes;
    std::memcpy(rename->name, name.c_str(), nameBytes + sizeof(WCHAR));
    return SetInformation(handle, buffer.data(), static_cast<ULONG>(buffer.size()), kRenameInformation);
}
