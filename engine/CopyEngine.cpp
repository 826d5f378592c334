#include "engine/CopyEngine.h"

#include <windows.h>

#include "settings/InstallSettings.h"
#include "app/SetupApp.h"
#include "dialogs/MessageDialogs.h"
#include "engine/CopyState.h"
#include "engine/Expansion.h"
#include "engine/FileOperations.h"
#include "engine/PathShortening.h"
#include "engine/ReplaceFileDialog.h"
#include "res/resource.h"

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

// The fields are set by messages sent to the progress dialog's controls, so
// each update waits until the user-interface thread has shown it.
void ShowProgress(const char* sourceName, const std::string& destPath) {
    HWND window = ProgressWindow;
    if (!window) return;
    SetDlgItemTextA(window, IDC_PROGRESS_FILE, sourceName);
    SetDlgItemTextA(window, IDC_PROGRESS_DEST, ShortenPathToFit(window, DestFieldWidth, destPath).c_str());
}

enum class Decision { Copy, Keep, Abandon };

// Asks the user about a file that exists at the destination. Both questions
// are modal dialogs of this (the worker) thread with no owner, so the
// progress dialog stays live meanwhile.
Decision AskToReplace(const WIN32_FIND_DATAA& entry, const std::string& destPath) {
    ReplaceFileDialog question(entry.cFileName, entry.nFileSizeLow, QueryFileSize(destPath), entry.ftLastWriteTime,
                               QueryFileWriteTime(destPath));
    INT_PTR result = question.DoModal();
    if (question.skipFile) return Decision::Keep;
    if (result != IDOK) {
        ConfirmExitDialog confirm;
        if (confirm.DoModal() == IDOK) {
            SetupCancelled = true;
            CopyAbandoned = true;
            return Decision::Abandon;
        }
        return Decision::Copy;
    }
    if (question.yesToAll) ReplaceAll = true;
    return Decision::Copy;
}

// What the entry is called at the destination, or false when the path would
// pass the system's bound of MAX_PATH characters (such an entry is skipped).
bool DestinationPath(const std::string& destination, const char* name, std::string& path) {
    std::string destName = InstallSettings.UseUnderscoresFlag ? MakeLongFileName(name) : std::string(name);
    path = destination + "\\" + destName;
    return path.size() < MAX_PATH;
}

void CopyDirectory(const WIN32_FIND_DATAA& entry, const std::string& destination) {
    if (entry.cFileName[0] == '.') return;
    std::string destPath;
    if (!DestinationPath(destination, entry.cFileName, destPath)) return;
    CreateDirectoryA(destPath.c_str(), nullptr);
    // A folder that cannot be entered is skipped: listing on would copy the
    // current folder's entries a second time, into the wrong place.
    if (!SetCurrentDirectoryA(entry.cFileName)) return;
    CopyTree(destPath);
    SetCurrentDirectoryA("..");
}

// Returns false when the user abandoned setup in the replace question.
bool CopyFileEntry(const WIN32_FIND_DATAA& entry, const std::string& destination) {
    std::string destPath;
    if (!DestinationPath(destination, entry.cFileName, destPath)) {
        // The file cannot be placed; for a compressed medium that is an
        // expansion that did not happen.
        if (InstallSettings.FilesCompressedFlag) ExpandFailed = true;
        return true;
    }
    ShowProgress(entry.cFileName, destPath);

    if (PathExists(destPath) && !ReplaceAll) {
        switch (AskToReplace(entry, destPath)) {
        case Decision::Keep: return true;
        case Decision::Abandon: return false;
        case Decision::Copy: break;
        }
    }
    if (InstallSettings.FilesCompressedFlag) {
        if (!ExpandFile(entry.cFileName, destPath)) ExpandFailed = true;
    } else {
        // A read-only file from a CD becomes a normal, writable file.
        CopyFileA(entry.cFileName, destPath.c_str(), FALSE);
        SetFileAttributesA(destPath.c_str(), 0);
    }
    return true;
}
}  // namespace

void CopyTree(const std::string& destination) {
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
