#pragma once
// What one product's setup put on the disk, as the uninstaller needs it: the
// install folder, every file setup wrote (with its size and the hash of its
// content as written, so that a file the reader changed afterwards can be
// told apart whatever its clock did), every folder setup created and the
// shortcut. Stored as text, a line per entry; window-free, so that its
// reading and writing can be checked directly.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "record/ContentHash.h"

struct RecordEntry {
    // The uninstaller: the copy in the Windows folder that every book
    // shares, for which this product holds one reference under SharedDLLs.
    // Kept: a reader's file that a completed run replaced and kept aside, and
    // then could not delete (held open elsewhere); it goes with the book.
    enum class Kind { File, Folder, Shortcut, Uninstaller, Kept };
    Kind kind = Kind::File;
    std::string path;         // a full path with a drive letter
    uint64_t size = 0;        // files and shortcuts
    // Files and shortcuts: the hash of the content as setup wrote it. Missing
    // only in what the first setup recorded, which kept the time instead.
    std::optional<ContentHash> hash;
    // Files and shortcuts: the last-write FILETIME (UTC) as setup left it; 0
    // where the record of an older setup has none.
    uint64_t writeTime = 0;
    // A file outside the install folder that other products may use too: this
    // product holds one reference to it under SharedDLLs.
    bool shared = false;

    bool operator==(const RecordEntry&) const = default;
};

struct InstallRecord {
    std::string installFolder;
    std::vector<RecordEntry> entries;

    bool operator==(const InstallRecord&) const = default;
};

// The stored text: a first line naming the format, the install folder, then
// one line per entry, each ended by CR LF; fields apart by tabs (which no file
// name can hold). Entries kept from the first setup's record keep their form.
std::string FormatRecord(const InstallRecord& record);

// The record a stored text holds, or nothing when any part of it is not as
// FormatRecord writes it (another format, a line cut short, a number that is
// not one, a path that is not a full path of at most MAX_PATH - 1 characters
// or that steps up with ".."). The formats of the older setups are read as
// well, each only as it was written: hashes without times; times without
// hashes and shortcuts by their path alone. A record read in part is never
// used: the uninstaller removes nothing rather than work from a damaged list.
std::optional<InstallRecord> ParseRecord(std::string_view text);

// Whether two paths name the same file, as the file system compares them
// (letter case does not count).
bool SamePath(const std::string& a, const std::string& b);

// The record of a new setup run of the same product over an older one: the
// new run's install folder and entries, then every older entry that the new
// run does not name again and that `stillThere` confirms, in their order.
InstallRecord MergeRecords(const InstallRecord& older, const InstallRecord& newer,
                           const std::function<bool(const RecordEntry&)>& stillThere);
