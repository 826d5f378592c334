#include "uninstall/Removal.h"

#include <windows.h>

#include <algorithm>

#include "framework/PathText.h"
#include "record/RecordedFiles.h"

namespace {
size_t Depth(const std::string& path) { return CountChar(path, '\\'); }

bool IsFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DeleteRecordedFile(const std::string& path) {
    // A file the script copied from the CD keeps its read-only attribute.
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return DeleteFileA(path.c_str()) != FALSE;
}
}  // namespace

RemovalResult RemoveRecorded(const InstallRecord& record) {
    RemovalResult result;
    result.left.installFolder = record.installFolder;
    auto stays = [&result](const RecordEntry& entry, bool failed) {
        result.everythingRemoved = false;
        result.failed = result.failed || failed;
        result.left.entries.push_back(entry);
    };

    std::vector<const RecordEntry*> folders;
    for (const RecordEntry& entry : record.entries) {
        switch (entry.kind) {
        case RecordEntry::Kind::Folder: folders.push_back(&entry); break;
        case RecordEntry::Kind::File:
            if (!StillThere(entry)) break;
            // The reader's edits stay, and with them the file.
            if (!UnchangedSinceSetup(entry)) stays(entry, false);
            else if (!DeleteRecordedFile(entry.path)) stays(entry, true);
            break;
        case RecordEntry::Kind::Shortcut:
            if (!StillThere(entry)) break;
            if (!IsFile(entry.path)) stays(entry, false);
            else if (!DeleteRecordedFile(entry.path)) stays(entry, true);
            break;
        }
    }
    // Deepest first, so that a folder's recorded subfolders are gone before it is tried.
    std::stable_sort(folders.begin(), folders.end(),
                     [](const RecordEntry* a, const RecordEntry* b) { return Depth(a->path) > Depth(b->path); });
    for (const RecordEntry* folder : folders) {
        // Only an empty folder can be removed: one holding the reader's files stays.
        if (RemoveDirectoryA(folder->path.c_str())) continue;
        DWORD error = GetLastError();
        if (!StillThere(*folder)) continue;
        // Not empty, or the reader put a file of that name in its place.
        stays(*folder, error != ERROR_DIR_NOT_EMPTY && error != ERROR_DIRECTORY);
    }
    return result;
}
