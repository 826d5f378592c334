#pragma once
// One listing of a folder by its full path, as the copy walks the medium and
// as the publisher's check walks it too, so that the two agree on which
// folders can be listed at all. Window-free; owns its folder or search handle.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/UniqueHandle.h"

// One entry of a listing. Its name is in the program's code page: listed
// through the wide calls, as the ANSI ones hold a name in 260 bytes, which a
// name of 130 Cyrillic or 87 Japanese characters passes in UTF-8.
struct FolderEntry {
    std::string name;
    DWORD attributes = 0;
    uint64_t size = 0;
    FILETIME writeTime = {};
    // The name converted whole into the program's code page. Where it did
    // not (a system before Windows 10 1903, a character its code page lacks),
    // `name` holds the default character in its place and is only to be
    // shown: the copy never writes what such a name would become.
    bool whole = true;

    bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// The entries of one batch of a folder read by its handle (records of the
// system's FILE_FULL_DIR_INFO, `size` bytes at `batch`), in order. Each
// record's fixed part and its name lie inside the batch, each next record
// starts after the record's fixed part and name (only forward), and each
// name is a name (not empty, no separator, no NUL, a whole number of characters);
// otherwise nothing: the batch is not taken at all. Reads nothing outside
// the batch, whatever its offsets and lengths say.
std::optional<std::vector<FolderEntry>> ParseFolderBatch(const uint8_t* batch, size_t size);

class FolderListing {
public:
    // Starts listing "folder\*.*". A folder whose pattern would pass the
    // system's bound of MAX_PATH characters cannot be listed (the ANSI
    // calls refuse it), wherever the medium lies.
    explicit FolderListing(const std::string& folder);
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    // Whether the folder could be entered: it is listed (an empty one too).
    bool Opened() const { return m_folder || m_handle != INVALID_HANDLE_VALUE || m_complete; }
    // Steps to the next entry ("." and ".." included, as the system lists
    // them); false at the end or when the listing failed.
    bool Next();
    const FolderEntry& Entry() const { return m_entry; }
    // After Next gave false: whether every entry was listed. False for a
    // folder that could not be entered (missing, refused, past the bound, a
    // name the system cannot open) and for a listing that broke off; a
    // folder with nothing in it is listed whole.
    bool Complete() const { return m_complete; }

private:
    bool ReadFolder(const std::wstring& folder);
    bool ReadBatch(bool first);
    void Take(const WIN32_FIND_DATAW& found);

    // Where the system reads a folder in batches by its handle: the folder,
    // the buffer of its reads, the last batch's entries and the next of them.
    UniqueFile m_folder;
    std::vector<uint8_t> m_batch;
    std::vector<FolderEntry> m_batchEntries;
    size_t m_next = 0;
    // Elsewhere the search of "folder\*.*".
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    FolderEntry m_entry;
    bool m_first = false;     // m_entry holds the first entry, not yet stepped to
    bool m_complete = false;
};
