#include "engine/CopyEngine.h"

#include <windows.h>

#include "settings/InstallSettings.h"
#include "app/SetupApp.h"
#include "dialogs/MessageDialogs.h"
#include "engine/CopyState.h"
#include "engine/Expansion.h"
#include "engine/FilePlacement.h"
#include "engine/FileOperations.h"
#include "engine/ReplaceFileDialog.h"
#include "record/SetupRunRecord.h"
#include "framework/AnsiText.h"
#include "framework/PathText.h"

namespace {
// Owns one directory search.
class DirectorySearch {
public:
    explicit DirectorySearch(WIN32_FIND_DATAA& entry) : m_handle(FindFirstFileA("*.*", &entry)) {}
    ~DirectorySearch() {
        if (found()) FindClose(m_handle);
    }
    DirectorySearch(const DirectorySearch&) = delete;
    DirectorySearch& operator=(const DirectorySearch&) = delete;
    bool found() const { return m_handle != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAA& entry) { return FindNextFileA(m_handle, &entry) != FALSE; }

private:
    HANDLE m_handle;
};

// Hands the file over to the progress dialog and goes on: the copy never
// waits for the screen, and the shortening of the path is the dialog's, for
// the files it gets to show.
void ShowProgress(const char* sourceName, const std::string& destPath) {
    if (ProgressWindow) CurrentFile.Post(sourceName, destPath);
}

// Before a question about the file, the dialog shows exactly that file: this
// waits until it has.
void ShowProgressNow() {
    if (HWND window = ProgressWindow) SendMessageA(window, WM_SHOW_PROGRESS, 0, 0);
}

enum class Decision { Copy, Keep, Abandon };

// Asks the user about a file that exists at the destination. Both questions
// are modal dialogs of this (the worker) thread with no owner, so the
// progress dialog stays live meanwhile. A leave confirmed there while a
// question was open ends the copy whatever the question then answers: the
// user has said so once and is not asked again.
Decision AskToReplace(const WIN32_FIND_DATAA& entry, const std::string& destPath) {
    ReplaceFileDialog question(entry.cFileName, entry.nFileSizeLow, QueryFileSize(destPath), entry.ftLastWriteTime,
                               QueryFileWriteTime(destPath));
    INT_PTR result = question.DoModal();
    if (CopyAbandoned) return Decision::Abandon;
    if (question.skipFile) return Decision::Keep;
    if (result != IDOK) {
        ConfirmExitDialog confirm;
        INT_PTR leave = confirm.DoModal();
        if (CopyAbandoned) return Decision::Abandon;
        if (leave == IDOK) {
            // Raised before anything else sees the cancel, so that no
            // enclosing level copies one more entry.
            SetupCancelled = true;
            CopyAbandoned = true;
            return Decision::Abandon;
        }
        return Decision::Copy;
    }
    if (question.yesToAll) ReplaceAll = true;
    return Decision::Copy;
}

// A file that could not be installed: on a compressed medium that is an
// expansion that did not happen, on a plain one a failed copy. Either is
// reported once after the copy.
void NoteFailedFile() {
    if (InstallSettings.FilesCompressedFlag)
        ExpandFailed = true;
    else
        CopyFailed = true;
}

// Where the entry goes, or false when it cannot be placed (the path passes
// the system's bound).
bool DestinationPath(const std::string& destination, const char* name, std::string& path) {
    return InstalledPath(destination, name, InstallSettings.UseUnderscoresFlag, path);
}

// The full path of the destination folder, upper-cased as the file system
// compares names: a destination inside the medium's own tree (a medium on a
// hard disk) must not be copied into itself, level after level.
std::string DestinationRootKey;

bool IsDestinationRoot(const char* sourceFolder) {
    return !DestinationRootKey.empty() && FolderKey(sourceFolder) == DestinationRootKey;
}

bool HoldsFiles(const char* folderName);

// Whether the current directory holds a file anywhere below it that the copy
// would install.
bool HoldsFilesHere() {
    WIN32_FIND_DATAA entry;
    DirectorySearch search(entry);
    if (!search.found()) return false;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
        if (entry.cFileName[0] != '.' && HoldsFiles(entry.cFileName)) return true;
    } while (search.Next(entry));
    return false;
}

// The same for a folder, by its name in the current directory.
bool HoldsFiles(const char* folderName) {
    if (!SetCurrentDirectoryA(folderName)) return false;
    bool any = HoldsFilesHere();
    SetCurrentDirectoryA("..");
    return any;
}

void CopyLevel(const std::string& destination);

void CopyDirectory(const WIN32_FIND_DATAA& entry, const std::string& destination) {
    if (entry.cFileName[0] == '.') return;
    if (IsDestinationRoot(entry.cFileName)) return;
    std::string destPath;
    if (!DestinationPath(destination, entry.cFileName, destPath)) {
        // Every file below is one that could not be placed.
        if (HoldsFiles(entry.cFileName)) NoteFailedFile();
        return;
    }
    if (CreateDirectoryA(destPath.c_str(), nullptr)) RecordCreatedFolder(destPath);
    // A folder that cannot be entered is skipped: listing on would copy the
    // current folder's entries a second time, into the wrong place.
    if (!SetCurrentDirectoryA(entry.cFileName)) return;
    CopyLevel(destPath);
    SetCurrentDirectoryA("..");
}

// Returns false when the user abandoned setup in the replace question.
bool CopyFileEntry(const WIN32_FIND_DATAA& entry, const std::string& destination) {
    std::string destPath;
    if (!DestinationPath(destination, entry.cFileName, destPath)) {
        NoteFailedFile();
        return true;
    }
    ShowProgress(entry.cFileName, destPath);
    // Every file the listing counted moves the bar by its size, whatever becomes of it.
    uint64_t size = static_cast<uint64_t>(entry.nFileSizeHigh) << 32 | entry.nFileSizeLow;
    struct Done {
        uint64_t size;
        ~Done() { CurrentFile.FileDone(size); }
    } done{size};

    // Only a file really standing there is asked about: a missing folder, a
    // name the system refuses or a folder of that name make the copy fail,
    // and a question about them would offer to replace nothing.
    DWORD existing = GetFileAttributesA(destPath.c_str());
    bool fileThere = existing != INVALID_FILE_ATTRIBUTES && !(existing & FILE_ATTRIBUTE_DIRECTORY);
    if (fileThere && !ReplaceAll) {
        ShowProgressNow();
        switch (AskToReplace(entry, destPath)) {
        case Decision::Keep: return true;
        case Decision::Abandon: return false;
        case Decision::Copy: break;
        }
    }
    ReadProgress reading = [](uint64_t read) { CurrentFile.FileBytesRead(read); };
    bool installed = InstallSettings.FilesCompressedFlag
                         ? ExpandFile(entry.cFileName, destPath, existing, reading)
                         : CopyPlainFile(entry.cFileName, entry.dwFileAttributes, destPath, existing, reading);
    if (installed)
        RecordWrittenFile(destPath);
    else
        NoteFailedFile();
    return true;
}

void CopyLevel(const std::string& destination) {
    if (CopyAbandoned) return;
    WIN32_FIND_DATAA entry;
    DirectorySearch search(entry);
    if (!search.found()) return;
    do {
        if (SetupCancelled) return;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            CopyDirectory(entry, destination);
        } else if (!CopyFileEntry(entry, destination)) {
            return;
        }
        // The cancel is polled after every entry, so the entry being copied
        // is always finished.
        if (CancelEvent.Lock(0)) return;
    } while (search.Next(entry));
}
}  // namespace

void CopyTree(const std::string& destination) {
    // Destination paths are joined with "\\": a drive root such as "C:\\" is
    // handed down without its backslash, so no path shows it doubled.
    std::string folder = StripTrailingBackslashes(destination);
    DestinationRootKey = FolderKey(folder + "\\");
    CopyLevel(folder);
    DestinationRootKey.clear();
}

bool TreeHoldsFiles() { return HoldsFilesHere(); }
