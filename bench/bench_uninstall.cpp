// Removes an installed tree as the uninstaller does: every file only after its
// content has been read and found as recorded, then the empty folders.
//
//   bench_uninstall.exe TREE
//
// First records TREE as setup would have (each file's size and content hash,
// each folder), untimed; then times the removal of what the record names.
// Prints the removal's own time and how many entries it had to leave (0 when
// everything went).
#include <windows.h>

#include <cstdio>
#include <string>

#include "framework/FolderListing.h"
#include "framework/PathText.h"
#include "record/InstallRecord.h"
#include "record/RecordFile.h"
#include "record/RecordStore.h"
#include "record/RecordedFiles.h"
#include "uninstall/Removal.h"

namespace {
void Record(const std::string& folder, InstallRecord& record) {
    RecordEntry self;
    self.kind = RecordEntry::Kind::Folder;
    self.path = folder;
    record.entries.push_back(self);
    FolderListing listing(folder);
    while (listing.Next()) {
        const FolderEntry& found = listing.Entry();
        std::string path = folder + "\\" + found.name;
        if (found.IsFolder()) {
            if (found.name[0] != '.') Record(path, record);
        } else if (std::optional<RecordEntry> entry = FileEntryNow(path)) {
            record.entries.push_back(std::move(*entry));
        }
    }
}

double Seconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_uninstall TREE\n");
        return 2;
    }
    std::string tree = StripTrailingBackslashes(FullPath(argv[1]).value_or(argv[1]), 3);
    InstallRecord record;
    record.installFolder = tree;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    Record(tree, record);
    QueryPerformanceCounter(&end);
    std::printf("record_entries %zu\nrecord_seconds %.3f\n", record.entries.size(), Seconds(start, end));

    // What the uninstall entry holds of it: the text itself, or for a large
    // record the name of its file and the hash.
    std::string text = FormatRecord(record);
    size_t inEntry = text.size() <= kMostRecordBytesInEntry ? text.size()
                                                            : RecordFileOf("Benchmark Book", PlacesFor(InstallScope::Machine, true)).size() + 1 + 64 + 1;
    std::printf("record_bytes %zu\nentry_record_bytes %zu\n", text.size(), inEntry);

    // As the uninstaller gets it: the stored text read back.
    QueryPerformanceCounter(&start);
    std::optional<InstallRecord> read = ParseRecord(text);
    RemovalResult result = RemoveRecorded(read.value_or(InstallRecord{}), "", PlacesFor(InstallScope::Machine, true));
    QueryPerformanceCounter(&end);
    std::printf("uninstall_seconds %.3f\nuninstall_left %zu\n", Seconds(start, end), result.left.entries.size());
    return read && result.everythingRemoved ? 0 : 1;
}
