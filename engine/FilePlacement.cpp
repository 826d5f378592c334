#include "engine/FilePlacement.h"

#include "framework/PathText.h"

namespace {
// Names made of these characters only, for a temporary name that must be as
// short as the destination's own.
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

HANDLE CreateNew(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}
}  // namespace

HANDLE CreateTemporaryBeside(const std::string& destPath, std::string& temporary) {
    std::string folder = SplitPath(destPath).folder;
    size_t nameLength = destPath.size() - folder.size();
    if (nameLength == 0) return INVALID_HANDLE_VALUE;

    static LONG counter = static_cast<LONG>(GetTickCount());
    bool usual = folder.size() + 11 < MAX_PATH;
    for (unsigned attempt = 0; attempt < 0x10000; ++attempt) {
        if (usual) {
            char name[16];
            wsprintfA(name, "~sx%04X.tmp", static_cast<unsigned>(InterlockedIncrement(&counter)) & 0xFFFF);
            temporary = folder + name;
        } else {
            std::string name = ShortCandidate(nameLength, attempt);
            if (name.empty()) break;
            temporary = folder + name;
        }
        HANDLE file = CreateNew(temporary);
        if (file != INVALID_HANDLE_VALUE) return file;
        // Any answer but "taken" (a missing folder, a full disk) is the same for every name.
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    temporary.clear();
    return INVALID_HANDLE_VALUE;
}

bool PutInPlace(const std::string& temporary, const std::string& destPath) {
    if (MoveFileExA(temporary.c_str(), destPath.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    // The system refuses to move over a read-only file; the user has already
    // agreed to its replacement, so the flag goes, and comes back if the move
    // still fails.
    DWORD attributes = GetFileAttributesA(destPath.c_str());
    bool moved = false;
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        (attributes & FILE_ATTRIBUTE_READONLY) &&
        SetFileAttributesA(destPath.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
        moved = MoveFileExA(temporary.c_str(), destPath.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
        if (!moved) SetFileAttributesA(destPath.c_str(), attributes);
    }
    if (!moved) DeleteFileA(temporary.c_str());
    return moved;
}

namespace {
DWORD CALLBACK TellBytesRead(LARGE_INTEGER, LARGE_INTEGER transferred, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD,
                             HANDLE, HANDLE, LPVOID data) {
    (*static_cast<const ReadProgress*>(data))(static_cast<uint64_t>(transferred.QuadPart));
    return PROGRESS_CONTINUE;
}

// The system's copy (the source's time stamps and attributes come along),
// telling the progress as it goes where the system reports it.
bool CopyWithProgress(const std::string& source, const std::string& target, bool failIfExists,
                      const ReadProgress& progress) {
    DWORD flags = failIfExists ? COPY_FILE_FAIL_IF_EXISTS : 0;
    return CopyFileExA(source.c_str(), target.c_str(), progress ? TellBytesRead : nullptr,
                       const_cast<ReadProgress*>(&progress), nullptr, flags) != FALSE;
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

bool CopyPlainFile(const std::string& sourceName, DWORD sourceAttributes, const std::string& destPath,
                   DWORD existingAttributes, const ReadProgress& progress) {
    if (existingAttributes == INVALID_FILE_ATTRIBUTES) {
        // Nothing there: straight to the name. A file that appeared meanwhile
        // is not ours to overwrite, nor to remove.
        if (CopyWithProgress(sourceName, destPath, true, progress)) {
            MakeWritable(destPath, sourceAttributes);
            return true;
        }
        // Only what this copy began is removed: a refusal because something
        // stands there after all leaves that alone.
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED &&
            error != ERROR_SHARING_VIOLATION)
            DeleteFileA(destPath.c_str());
        return false;
    }
    // A folder standing where the file belongs is never replaced.
    if (existingAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;

    std::string temporary;
    HANDLE reserved = CreateTemporaryBeside(destPath, temporary);
    if (reserved == INVALID_HANDLE_VALUE) return false;
    CloseHandle(reserved);
    if (!CopyWithProgress(sourceName, temporary, false, progress)) {
        DeleteFileA(temporary.c_str());
        return false;
    }
    MakeWritable(temporary, sourceAttributes);
    return PutInPlace(temporary, destPath);
}
