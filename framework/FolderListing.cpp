// The batch read of a folder by its handle came with Vista: its declarations
// are taken from there, and the call is looked up when the program runs, so
// that it still starts on the older systems, which list by the search.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "framework/FolderListing.h"

#include <cstddef>
#include <cstring>

#include "framework/CodePage.h"
#include "framework/PathText.h"

namespace {
using ReadFolderInfo = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);

ReadFolderInfo FolderReader() {
    static const ReadFolderInfo reader = reinterpret_cast<ReadFolderInfo>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFileInformationByHandleEx")));
    return reader;
}

// Some hundreds of entries a batch: the system reads names without their
// short forms (which the search works out for every entry), and a big folder
// in few calls.
constexpr DWORD kBatchBytes = 64 * 1024;

// The end of a listing, not its failure.
bool NothingMore(DWORD error) { return error == ERROR_NO_MORE_FILES || error == ERROR_FILE_NOT_FOUND; }

// A name as a folder's entry has it: something, and within one folder.
bool IsEntryName(const std::wstring& name) {
    return !name.empty() && name.find_first_of(std::wstring(L"\\/:\0", 4)) == std::wstring::npos;
}
}  // namespace

std::optional<std::vector<FolderEntry>> ParseFolderBatch(const uint8_t* batch, size_t size) {
    // A record's fixed part; its name follows, FileNameLength bytes (the
    // declared structure's one character and padding are not the record's).
    // Offsets are added in 64 bits: no sum of the system's numbers wraps.
    constexpr uint64_t kFixedBytes = offsetof(FILE_FULL_DIR_INFO, FileName);
    std::vector<FolderEntry> entries;
    for (uint64_t at = 0;;) {
        if (at + kFixedBytes > size) return std::nullopt;
        FILE_FULL_DIR_INFO info = {};
        std::memcpy(&info, batch + at, kFixedBytes);
        const uint64_t nameAt = at + kFixedBytes;
        if (info.FileNameLength % sizeof(WCHAR) != 0 || nameAt + info.FileNameLength > size) return std::nullopt;
        std::wstring name(info.FileNameLength / sizeof(WCHAR), L'\0');
        std::memcpy(name.data(), batch + nameAt, info.FileNameLength);
        if (!IsEntryName(name)) return std::nullopt;
        FolderEntry entry;
        NarrowedName narrowed = NarrowName(name);
        entry.name = std::move(narrowed.text);
        entry.whole = narrowed.whole;
        entry.attributes = info.FileAttributes;
        entry.size = static_cast<uint64_t>(info.EndOfFile.QuadPart);
        entry.writeTime = {info.LastWriteTime.LowPart, static_cast<DWORD>(info.LastWriteTime.HighPart)};
        entries.push_back(std::move(entry));
        if (info.NextEntryOffset == 0) return entries;
        // Only forward, past this record's fixed part and name: records
        // never overlap, and the walk always ends.
        if (info.NextEntryOffset < kFixedBytes + info.FileNameLength) return std::nullopt;
        at += info.NextEntryOffset;
    }
}

FolderListing::FolderListing(const std::string& folder) {
    std::string pattern = JoinPath(folder, "*.*");
    if (PathLength(pattern) >= MAX_PATH) return;
    std::wstring widePattern = WideText(pattern);
    // The folder itself, with its separator ("C:\", "C:\BOOK\").
    if (ReadFolder(widePattern.substr(0, widePattern.size() - 3))) return;
    WIN32_FIND_DATAW found;
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

// The folder opened and its first batch read; false (nothing kept) where the
// system has no such read or it fails, or its first batch breaks the format:
// the search then lists the folder from its start, and no entry comes twice.
bool FolderListing::ReadFolder(const std::wstring& folder) {
    if (!FolderReader()) return false;
    m_folder = UniqueFile(CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!m_folder) return false;
    m_batch.resize(kBatchBytes);
    if (ReadBatch(true) || m_complete) return true;
    m_folder = UniqueFile();
    return false;
}

bool FolderListing::ReadBatch(bool first) {
    m_next = 0;
    m_batchEntries.clear();
    if (!FolderReader()(m_folder.Get(), first ? FileFullDirectoryRestartInfo : FileFullDirectoryInfo, m_batch.data(),
                        static_cast<DWORD>(m_batch.size()))) {
        m_complete = NothingMore(GetLastError());
        return false;
    }
    // A batch that breaks the format (a network redirector's, a filter
    // driver's) gives none of its entries, and the listing is not complete.
    std::optional<std::vector<FolderEntry>> entries = ParseFolderBatch(m_batch.data(), m_batch.size());
    if (!entries) return false;
    m_batchEntries = std::move(*entries);
    return true;
}

bool FolderListing::Next() {
    if (m_folder) {
        if (m_next < m_batchEntries.size() || ReadBatch(false)) {
            m_entry = m_batchEntries[m_next++];
            return true;
        }
        m_folder = UniqueFile();
        return false;
    }
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
    NarrowedName narrowed = NarrowName(found.cFileName);
    m_entry.name = std::move(narrowed.text);
    m_entry.whole = narrowed.whole;
    m_entry.attributes = found.dwFileAttributes;
    m_entry.size = static_cast<uint64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
    m_entry.writeTime = found.ftLastWriteTime;
}
