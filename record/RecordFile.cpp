#include "record/RecordFile.h"

#include <windows.h>

#include "framework/AnsiText.h"
#include "framework/CodePage.h"
#include "framework/PathText.h"
#include "framework/PlaceWay.h"
#include "framework/UniqueHandle.h"

namespace {
// Far beyond any book (a line is about 100 bytes): a larger file is not ours.
constexpr DWORD kMostRecordFileBytes = 32u * 1024 * 1024;
constexpr std::string_view kRecordExtension = ".REC";

// The folder of record files, reached through the door: a user's "Book
// Setup" from the profile's root, never through a link on the way (the user
// may make one while setup runs elevated). The Windows folder, where the
// machine's record files are, only administrators change, so acting there by
// its path would be safe too; it is reached the same way, as one way for both.
std::shared_ptr<const HeldFolder> ReachRecordFolder(FolderWay& way, const std::string& folder) {
    way = WayToPlace(folder);
    return way.Reach(folder);
}
}  // namespace

bool IsRecordFileIn(const std::string& path, const std::string& folder) {
    if (folder.empty()) return false;
    PathSplit split = SplitPath(path);
    if (PathKey(split.folder) != PathKey(folder)) return false;
    // "XOVUNIN-" 16 digits, then "-" 64 digits or nothing, then ".REC".
    const std::string name = UpperAnsi(split.name);
    auto digits = [&name](size_t from, size_t count) {
        if (name.size() < from + count) return false;
        for (size_t i = from; i < from + count; ++i)
            if (!((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'A' && name[i] <= 'F'))) return false;
        return true;
    };
    if (name.compare(0, 8, "XOVUNIN-") != 0 || !digits(8, 16)) return false;
    if (name.size() == 8 + 16 + 4) return name.compare(24, 4, ".REC") == 0;
    return name.size() == 8 + 16 + 1 + 64 + 4 && name[24] == '-' && digits(25, 64) &&
           name.compare(25 + 64, 4, ".REC") == 0;
}

bool DeleteRecordFile(const std::string& path, const std::string& folder) {
    if (!IsRecordFileIn(path, folder)) return false;
    FolderWay way;
    std::shared_ptr<const HeldFolder> held = ReachRecordFolder(way, folder);
    if (!held) return false;
    // Checked and deleted through one handle: what is deleted is what was checked.
    HeldObject file = held->Open(SplitPath(path).name);
    if (!file.Held() || file.Facts().link || file.Facts().IsFolder()) return false;
    return file.Delete();
}

std::string RecordFilePath(const std::string& folder, const std::string& product) {
    std::string upper = UpperAnsi(product);
    std::string digits = HashText(HashBytes(upper.data(), upper.size())).substr(0, 16);
    return JoinPath(folder, "XOVUNIN-" + digits + std::string(kRecordExtension));
}

std::string RecordFileWithHash(const std::string& productRecordFile, const ContentHash& hash) {
    std::string stem = productRecordFile;
    if (stem.size() >= kRecordExtension.size() &&
        UpperAnsi(stem.substr(stem.size() - kRecordExtension.size())) == kRecordExtension)
        stem.resize(stem.size() - kRecordExtension.size());
    return stem + "-" + HashText(hash) + std::string(kRecordExtension);
}

std::optional<ContentHash> HashInRecordFileName(const std::string& path) {
    // "XOVUNIN-" 16 digits "-" 64 digits ".REC"
    constexpr size_t kHashDigits = 64, kNameLength = 8 + 16 + 1 + kHashDigits + 4;
    std::string name = SplitPath(path).name;
    if (name.size() != kNameLength || UpperAnsi(name.substr(0, 8)) != "XOVUNIN-" || name[24] != '-' ||
        UpperAnsi(name.substr(25 + kHashDigits)) != kRecordExtension)
        return std::nullopt;
    return ParseHashText(UpperAnsi(name.substr(25, kHashDigits)));
}

bool WriteRecordFile(const std::string& path, const std::string& text) {
    if (text.size() > kMostRecordFileBytes) return false;
    const PathSplit split = SplitPath(path);
    FolderWay way;
    std::shared_ptr<const HeldFolder> held = ReachRecordFolder(way, StripTrailingBackslashes(split.folder, 3));
    return held && WriteWholeAt(*held, split.name, text);
}

std::optional<std::string> ReadRecordFile(const std::string& path, const ContentHash& expected) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMostRecordFileBytes) return std::nullopt;
    std::string text(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!text.empty() && (!ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr) ||
                          read != text.size()))
        return std::nullopt;
    if (HashBytes(text.data(), text.size()) != expected) return std::nullopt;
    return text;
}
