#include "record/RecordFile.h"

#include <windows.h>

#include "framework/AnsiText.h"
#include "framework/CodePage.h"
#include "framework/FreshFile.h"
#include "framework/PathText.h"
#include "framework/UniqueHandle.h"
#include "record/OpenedPath.h"
#include "record/OwnFiles.h"

namespace {
// Far beyond any book (a line is about 100 bytes): a larger file is not ours.
constexpr DWORD kMostRecordFileBytes = 32u * 1024 * 1024;
constexpr std::string_view kRecordExtension = ".REC";

bool WriteWhole(const std::string& path, const std::string& text) {
    // Made anew: a user's own folder of ours may hold anything at the name.
    UniqueFile file = CreateFreshFile(path, GENERIC_WRITE, 0, FILE_ATTRIBUTE_NORMAL);
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size() && FlushFileBuffers(file.Get());
}
}  // namespace

bool IsRecordFileIn(const std::string& path, const std::string& folder) {
    if (folder.empty()) return false;
    PathSplit split = SplitPath(path);
    if (StripTrailingBackslashes(split.folder, 3) != StripTrailingBackslashes(folder, 3) &&
        UpperAnsi(StripTrailingBackslashes(split.folder, 3)) != UpperAnsi(StripTrailingBackslashes(folder, 3)))
        return false;
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
    DWORD folderAttributes = GetFileAttributesW(WideText(folder).c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES || (folderAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    // Checked and deleted through one handle: what is deleted is what was checked.
    OpenedPath file(path, OpenedPath::Use::Act);
    if (!file.Held() || file.IsLink() || file.IsFolder()) return false;
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
    std::string fresh = path + ".NEW";
    if (!WriteWhole(fresh, text) || !MoveOverOwnFile(fresh, path)) {
        DeleteOwnFile(fresh);
        return false;
    }
    return true;
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
