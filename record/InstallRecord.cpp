#include "record/InstallRecord.h"
#include "framework/AnsiText.h"
#include "framework/PathText.h"

#include <windows.h>

#include <cstdio>
#include <unordered_set>

namespace {
// The record of this setup, and the one an older setup wrote (files with
// their time, the shortcut by its path alone), still read so that a book
// installed by it can be removed.
constexpr std::string_view kHeader = "XOVUNIN INSTALL RECORD 2";
constexpr std::string_view kOlderHeader = "XOVUNIN INSTALL RECORD 1";
constexpr std::string_view kLineEnd = "\r\n";

char KindLetter(const RecordEntry& entry) {
    switch (entry.kind) {
    case RecordEntry::Kind::File: return entry.shared ? 'C' : 'F';
    case RecordEntry::Kind::Folder: return 'D';
    case RecordEntry::Kind::Shortcut: return 'S';
    case RecordEntry::Kind::Kept: return 'K';
    }
    return '?';
}

// A full path of a drive, within the system's bound, that names its place
// without stepping up: a record that could climb out of a recorded folder
// ("C:\Book\..\WINDOWS") would make the uninstaller's checks worthless.
bool IsRecordablePath(std::string_view path) {
    if (path.size() < 3 || path.size() >= MAX_PATH) return false;
    char drive = path[0];
    if (!((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z')) || path[1] != ':' || path[2] != '\\')
        return false;
    size_t start = 3;
    while (start <= path.size()) {
        size_t end = FindFirstOf(path, "\\/", start);
        if (end == std::string_view::npos) end = path.size();
        std::string_view part = path.substr(start, end - start);
        if (part == "." || part == "..") return false;
        start = end + 1;
    }
    for (char c : path)
        if (static_cast<unsigned char>(c) < 32) return false;
    return true;
}

bool ParseDecimal(std::string_view text, uint64_t& value) {
    if (text.empty() || text.size() > 20) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    return true;
}

bool ParseHex16(std::string_view text, uint64_t& value) {
    if (text.size() != 16) return false;
    value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        value = value << 4 | static_cast<uint64_t>(digit);
    }
    return true;
}

// The fields of a line apart by tabs.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

// A line of either format; `older` allows only what the older setup wrote.
std::optional<RecordEntry> ParseEntry(std::string_view line, bool older) {
    std::vector<std::string_view> fields = Fields(line);
    RecordEntry entry;
    std::string_view kind = fields[0];
    if ((kind == "F" || kind == "C" || kind == "S") && fields.size() == 4) {
        entry.kind = kind == "S" ? RecordEntry::Kind::Shortcut : RecordEntry::Kind::File;
        entry.shared = kind == "C";
        if (!ParseDecimal(fields[1], entry.size)) return std::nullopt;
        // The third field is the content's hash, or in a file line kept from
        // an older record its time.
        if (older && kind != "F") return std::nullopt;
        bool timed = kind == "F" && ParseHex16(fields[2], entry.writeTime);
        if (!timed) {
            if (older) return std::nullopt;
            entry.hash = ParseHashText(std::string(fields[2]));
            if (!entry.hash) return std::nullopt;
        }
    } else if ((kind == "D" || kind == "S") && fields.size() == 2) {
        entry.kind = kind == "D" ? RecordEntry::Kind::Folder : RecordEntry::Kind::Shortcut;
    } else if (kind == "K" && fields.size() == 2 && !older) {
        entry.kind = RecordEntry::Kind::Kept;
    } else {
        return std::nullopt;
    }
    if (!IsRecordablePath(fields.back())) return std::nullopt;
    entry.path = std::string(fields.back());
    return entry;
}

}  // namespace

std::string FormatRecord(const InstallRecord& record) {
    std::string text;
    text.append(kHeader).append(kLineEnd);
    text.append("I\t").append(record.installFolder).append(kLineEnd);
    for (const RecordEntry& entry : record.entries) {
        text += KindLetter(entry);
        text += '\t';
        if (entry.kind != RecordEntry::Kind::Folder && (entry.hash || entry.kind == RecordEntry::Kind::File)) {
            char numbers[48];
            std::snprintf(numbers, sizeof numbers, "%llu\t", static_cast<unsigned long long>(entry.size));
            text += numbers;
            if (entry.hash) {
                text += HashText(*entry.hash);
            } else {
                std::snprintf(numbers, sizeof numbers, "%08lX%08lX", static_cast<unsigned long>(entry.writeTime >> 32),
                              static_cast<unsigned long>(entry.writeTime & 0xFFFFFFFFu));
                text += numbers;
            }
            text += '\t';
        }
        text.append(entry.path).append(kLineEnd);
    }
    return text;
}

std::optional<InstallRecord> ParseRecord(std::string_view text) {
    InstallRecord record;
    bool headerSeen = false, folderSeen = false, older = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(kLineEnd, start);
        // Every line ends with CR LF: a text without it at the end was cut short.
        if (end == std::string_view::npos) return std::nullopt;
        std::string_view line = text.substr(start, end - start);
        start = end + kLineEnd.size();
        if (!headerSeen) {
            if (line != kHeader && line != kOlderHeader) return std::nullopt;
            older = line == kOlderHeader;
            headerSeen = true;
        } else if (!folderSeen) {
            if (line.substr(0, 2) != "I\t" || !IsRecordablePath(line.substr(2))) return std::nullopt;
            record.installFolder = std::string(line.substr(2));
            folderSeen = true;
        } else {
            std::optional<RecordEntry> entry = ParseEntry(line, older);
            if (!entry) return std::nullopt;
            record.entries.push_back(std::move(*entry));
        }
    }
    if (!folderSeen) return std::nullopt;
    return record;
}

bool SamePath(const std::string& a, const std::string& b) { return a.size() == b.size() && UpperAnsi(a) == UpperAnsi(b); }

InstallRecord MergeRecords(const InstallRecord& older, const InstallRecord& newer,
                           const std::function<bool(const RecordEntry&)>& stillThere) {
    InstallRecord merged = newer;
    // A book holds thousands of files: one look-up per older entry, not a pass over the new ones.
    std::unordered_set<std::string> named;
    for (const RecordEntry& entry : newer.entries) named.insert(UpperAnsi(entry.path));
    for (const RecordEntry& entry : older.entries) {
        if (named.insert(UpperAnsi(entry.path)).second && stillThere(entry)) merged.entries.push_back(entry);
    }
    return merged;
}
