#include "engine/FilePlacement.h"

#include "framework/PathText.h"
#include "record/OwnFiles.h"
#include "record/RunJournal.h"

namespace {
// Names made of these characters only, for a kept name that must be as short
// as the destination's own.
constexpr char kNameChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr unsigned kNameCharCount = sizeof kNameChars - 1;

// The `attempt`th candidate name of exactly `length` characters: "~" and the
// attempt number in base 36, or for a single character the digit alone.
// Empty when that length has no more candidates.
std::string ShortCandidate(size_t length, unsigned attempt) {
    std::string name(length, '0');
    size_t digits = length > 1 ? length - 1 : 1;
    for (size_t i = 0; i < digits; ++i) {
        name[length - 1 - i] = kNameChars[attempt % kNameCharCount];
        attempt /= kNameCharCount;
    }
    if (attempt != 0) return {};
    if (length > 1) name[0] = '~';
    return name;
}

bool Taken(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }
}  // namespace

bool MoveAside(const std::string& destPath, const KeepAside& keep, std::string& kept) {
    std::string folder = SplitPath(destPath).folder;
    size_t nameLength = destPath.size() - folder.size();
    if (nameLength == 0) return false;
    auto moved = [&](bool marked) {
        // A name in use is passed over before the journal hears of it: the
        // undo would move whatever stands under a noted name. A name with the
        // run's mark is the run's alone.
        if (!marked && GetFileAttributesA(kept.c_str()) != INVALID_FILE_ATTRIBUTES) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return false;
        }
        if (keep.noteKept && !keep.noteKept(destPath, kept, marked)) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        // A rename never overwrites: a name in use answers "exists".
        return MoveFileExA(destPath.c_str(), kept.c_str(), 0) != FALSE;
    };

    kept = keep.mark.empty() ? std::string() : MarkedKeptName(destPath, keep.mark);
    if (!kept.empty()) {
        if (moved(true)) return true;
        if (!Taken(GetLastError())) {
            kept.clear();
            return false;
        }
    }
    static LONG counter = static_cast<LONG>(GetTickCount());
    bool usual = PathLength(folder) + 11 < MAX_PATH;
    for (unsigned attempt = 0; attempt < 0x10000; ++attempt) {
        if (usual) {
            char name[16];
            wsprintfA(name, "~sx%04X.tmp", static_cast<unsigned>(InterlockedIncrement(&counter)) & 0xFFFF);
            kept = folder + name;
        } else {
            std::string name = ShortCandidate(nameLength, attempt);
            if (name.empty()) break;
            kept = folder + name;
        }
        if (moved(false)) return true;
        if (!Taken(GetLastError())) break;
    }
    kept.clear();
    return false;
}

bool UndoPlacement(const std::string& destPath, DWORD error, std::string& kept) {
    // Only what this copy began is removed: a refusal because something
    // stands there after all leaves that alone.
    if (!Taken(error) && error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)
        DeleteFileA(destPath.c_str());
    if (kept.empty()) return true;
    // Nothing of the medium's arrived: the reader's file goes back, or,
    // where it cannot, stays where it is kept, its name still in `kept`.
    if (!PutBack(kept, destPath)) return false;
    kept.clear();
    return true;
}

namespace {
DWORD CALLBACK TellBytesRead(LARGE_INTEGER, LARGE_INTEGER transferred, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD,
                             HANDLE, HANDLE, LPVOID data) {
    (*static_cast<const ReadProgress*>(data))(static_cast<uint64_t>(transferred.QuadPart));
    return PROGRESS_CONTINUE;
}

// The system's copy (the source's time stamps and attributes come along),
// never over a file standing at the name, telling the progress as it goes
// where the system reports it.
bool CopyWithProgress(const std::string& source, const std::string& target, const ReadProgress& progress) {
    return CopyFileExA(source.c_str(), target.c_str(), progress ? TellBytesRead : nullptr,
                       const_cast<ReadProgress*>(&progress), nullptr, COPY_FILE_FAIL_IF_EXISTS) != FALSE;
}

// A file copied from a CD comes out read-only (and keeps whatever else the
// medium gave it): the copy takes the source's attributes, so the source's,
// as its folder listing gave them, say whether the copy needs changing. The
// installed file must be a normal one, the user's to change; files that came
// out normal are not touched, which costs a plain copy no more than the copy.
void MakeWritable(const std::string& path, DWORD sourceAttributes) {
    constexpr DWORD kNotNormal = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (sourceAttributes & kNotNormal) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}
}  // namespace

bool CopyPlainFile(const std::string& sourcePath, DWORD sourceAttributes, const std::string& destPath,
                   DWORD existingAttributes, const KeepAside& keep, std::string& kept, const ReadProgress& progress) {
    kept.clear();
    if (existingAttributes != INVALID_FILE_ATTRIBUTES) {
        // A folder standing where the file belongs is never replaced.
        if (existingAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
        if (!MoveAside(destPath, keep, kept)) return false;
    }
    // Straight to the name. A file that appeared meanwhile is not ours to
    // overwrite, nor to remove.
    if (CopyWithProgress(sourcePath, destPath, progress)) {
        MakeWritable(destPath, sourceAttributes);
        return true;
    }
    UndoPlacement(destPath, GetLastError(), kept);
    return false;
}
