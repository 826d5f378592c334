#include "engine/FilePlacement.h"

#include <algorithm>
#include <memory>

#include "framework/PathText.h"
#include "framework/UniqueHandle.h"
#include "record/OwnFiles.h"
#include "journal/RunJournal.h"

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

bool KeepReadersFileAside(const FileSpot& spot, const KeepAside& keep, std::string& kept) {
    const std::string& destPath = spot.path;
    std::string folder = SplitPath(destPath).folder;
    size_t nameLength = destPath.size() - folder.size();
    if (nameLength == 0) return false;
    auto moved = [&](bool marked) {
        const std::string keptName = kept.substr(folder.size());
        // A name in use is passed over before the journal hears of it: the
        // undo would move whatever stands under a noted name. A name with the
        // run's mark is the run's alone.
        if (!marked && !spot.folder.Open(keptName).Missing()) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return false;
        }
        // What stands at the name now, opened in the held folder: what is
        // moved is what was opened, and it moves within that folder.
        HeldObject readers = spot.folder.Open(spot.name);
        if (!readers.Held()) {
            SetLastError(readers.Error());
            return false;
        }
        if (readers.Facts().IsFolder()) {
            SetLastError(ERROR_DIRECTORY);
            return false;
        }
        // Under its name as the reader had it (its letter case), to which the undo puts it back.
        if (keep.noteKept && !keep.noteKept(spot.readers, kept, marked)) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        // A rename never overwrites: a name in use answers "exists".
        return readers.RenameTo(spot.folder, keptName);
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

bool UndoPlacement(const FileSpot& spot, const std::optional<FileIdentity>& begun, std::string& kept) {
    // Only what this placement began is removed, found by its identity at
    // the name and deleted through that very open: whatever else took the
    // name meanwhile stays.
    bool begunStands = false;
    if (begun) {
        HeldObject part = spot.folder.Open(spot.name);
        if (part.Held() && !part.Facts().IsFolder() && part.Facts().identity == *begun) begunStands = !part.Delete();
    }
    if (kept.empty()) return true;
    // Nothing of the medium's arrived: the reader's file goes back (over the
    // run's own part file alone, where that could not be deleted), or, where
    // it cannot, stays where it is kept, its name still in `kept`.
    HeldObject original = spot.folder.Open(SplitPath(kept).name);
    if (!original.Held() || !original.RenameTo(spot.folder, spot.name, begunStands)) return false;
    kept.clear();
    return true;
}

bool PlaceFile(const FileSpot& spot, DWORD existingAttributes, DWORD attributes, const KeepAside& keep,
               std::string& kept, WrittenContent& written, const WriteContent& write) {
    kept.clear();
    // A folder standing where the file belongs is never replaced.
    if (existingAttributes != INVALID_FILE_ATTRIBUTES && (existingAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    if (existingAttributes != INVALID_FILE_ATTRIBUTES && !KeepReadersFileAside(spot, keep, kept)) return false;
    // Straight to the name, only where nothing stands: a file (or link) that
    // appeared meanwhile is not ours to overwrite, nor to remove.
    UniqueFile target = spot.folder.Create(spot.name, GENERIC_WRITE, 0, attributes | FILE_FLAG_SEQUENTIAL_SCAN);
    if (!target) {
        DWORD error = GetLastError();
        UndoPlacement(spot, std::nullopt, kept);
        // The caller tells a name taken meanwhile from any other failure.
        SetLastError(error);
        return false;
    }
    // Which file it is: made by its name in the held folder, it lies on that
    // folder's volume. A system that cannot tell its index leaves the file
    // known by its size and time.
    std::optional<FileIdentity> begun;
    if (std::optional<uint64_t> index = FileIndexOf(target.Get()))
        begun = FileIdentity{spot.folder.Identity().volume, *index};
    written.identity.reset();
    if (write(target.Get(), written)) {
        written.identity = begun;
        return true;
    }
    target = UniqueFile();  // closed before it is removed
    UndoPlacement(spot, begun, kept);
    return false;
}

namespace {
// A big file goes in a few dozen blocks of this size, each one a step of the
// bar; a small one in one block of its own size.
constexpr DWORD kCopyBlockBytes = 1u << 20;

// A file copied from a CD would come out read-only (and keep whatever else
// the medium gave it): the installed file must be a normal one, the user's to
// change. Otherwise it takes on the source's attributes, as a copy does.
DWORD InstalledAttributes(DWORD sourceAttributes) {
    constexpr DWORD kNotNormal = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    constexpr DWORD kTakenOn = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (sourceAttributes & kNotNormal) return FILE_ATTRIBUTE_NORMAL;
    DWORD attributes = sourceAttributes & kTakenOn;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

// The source's bytes into the target, block by block, each block hashed as it
// is written and the progress told after it; then the source's last-write time.
bool CopyContent(HANDLE source, uint64_t size, HANDLE target, const ReadProgress& progress, WrittenContent& written) {
    DWORD blockBytes = static_cast<DWORD>(std::min<uint64_t>(size + 1, kCopyBlockBytes));
    std::unique_ptr<uint8_t[]> block(new uint8_t[blockBytes]);
    HashingWriter writer(target);
    uint64_t read = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(source, block.get(), blockBytes, &got, nullptr)) return false;
        if (got > 0 && !writer.Write(block.get(), got)) return false;
        read += got;
        if (progress && got > 0) progress(read);
        // A file ends where a read comes back short.
        if (got < blockBytes) break;
    }
    FILETIME sourceTime;
    return GetFileTime(source, nullptr, nullptr, &sourceTime) && writer.Finish(&sourceTime, written);
}
}  // namespace

bool CopyPlainFile(const std::string& sourcePath, DWORD sourceAttributes, const FileSpot& spot,
                   DWORD existingAttributes, const KeepAside& keep, std::string& kept, WrittenContent& written,
                   const ReadProgress& progress) {
    kept.clear();
    if (existingAttributes != INVALID_FILE_ATTRIBUTES && (existingAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    // The source is opened first: a source that cannot be read moves nothing of the user's.
    UniqueFile source(CreateFileA(sourcePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size = {};
    if (!source || !GetFileSizeEx(source.Get(), &size)) return false;
    bool placed = PlaceFile(spot, existingAttributes, InstalledAttributes(sourceAttributes), keep, kept, written,
                            [&](HANDLE target, WrittenContent& content) {
                                return CopyContent(source.Get(), static_cast<uint64_t>(size.QuadPart), target,
                                                   progress, content);
                            });
    // The caller tells a name taken meanwhile from any other failure.
    const DWORD error = GetLastError();
    source = UniqueFile();
    SetLastError(error);
    return placed;
}
