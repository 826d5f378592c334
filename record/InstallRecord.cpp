#include "record/InstallRecord.h"
#include "framework/AnsiText.h"
#include "framework/CodePage.h"
#include "framework/PathText.h"

#include <windows.h>

#include <cstdio>
#include <unordered_set>

namespace {
// The record of this setup (files with the hash of their content and their
// time), in UTF-8 whatever the program's code page, so that every name is
// kept whole; and those of older setups, still read so that a book installed
// by one can be removed. Those an ANSI setup wrote are in the system's code
// page: the one before kept no time beside the hash, the first one only the
// time, and the shortcut by its path alone.
constexpr std::string_view kHeader = "XOVUNIN INSTALL RECORD 3";
constexpr std::string_view kHeaderWithoutTimes = "XOVUNIN INSTALL RECORD 2";
constexpr std::string_view kOlderHeader = "XOVUNIN INSTALL RECORD 1";
constexpr std::string_view kLineEnd = "\r\n";

enum class Format { TimesOnly = 1, HashesOnly = 2, HashesAndTimes = 3 };

char KindLetter(const RecordEntry& entry) {
    switch (entry.kind) {
    case RecordEntry::Kind::File: return entry.shared ? 'C' : 'F';
    case RecordEntry::Kind::Folder: return 'D';
    case RecordEntry::Kind::Shortcut: return 'S';
    case RecordEntry::Kind::Uninstaller: return 'U';
    case RecordEntry::Kind::Kept: return 'K';
    }
    return '?';
}

// A full path of a drive, within the system's bound, that names its place
// without stepping up: a record that could climb out of a recorded folder
// ("C:\Book\..\WINDOWS") would make the uninstaller's checks worthless.
bool IsRecordablePath(std::string_view path) {
    if (path.size() < 3 || PathLength(path) >= MAX_PATH) return false;
    char drive = path[0];
    if (!((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z')) || path[1] != ':' || path[2] != '\\')
        return false;
    size_t start = 3;
    while (start <= path.size()) {
        size_t end = FindFirstOf(path, "\\/", start);
        if (end == std::string_view::npos) end = path.size();
        std::string_view part = path.substr(start, end - start);
        if (IsStepName(part)) return false;
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

// A line of the given format: only what the setup of that format wrote.
std::optional<RecordEntry> ParseEntry(std::string_view line, Format format) {
    std::vector<std::string_view> fields = Fields(line);
    RecordEntry entry;
    std::string_view kind = fields[0];
    size_t hashedFields = format == Format::HashesAndTimes ? 5 : 4;
    // A hash has 64 digits, a time 16.
    if (format != Format::TimesOnly && (kind == "F" || kind == "C" || kind == "S") && fields.size() == hashedFields &&
        fields[2].size() == 64) {
        // The content's hash, and in the newest format its time after it.
        entry.kind = kind == "S" ? RecordEntry::Kind::Shortcut : RecordEntry::Kind::File;
        entry.shared = kind == "C";
        entry.hash = ParseHashText(std::string(fields[2]));
        if (!ParseDecimal(fields[1], entry.size) || !entry.hash) return std::nullopt;
        if (format == Format::HashesAndTimes && !ParseHex16(fields[3], entry.writeTime)) return std::nullopt;
    } else if (kind == "F" && fields.size() == 4) {
        // A file line of the first format, kept as it was by a later run.
        if (!ParseDecimal(fields[1], entry.size) || !ParseHex16(fields[2], entry.writeTime)) return std::nullopt;
    } else if ((kind == "D" || kind == "S") && fields.size() == 2) {
        entry.kind = kind == "D" ? RecordEntry::Kind::Folder : RecordEntry::Kind::Shortcut;
    } else if (kind == "U" && fields.size() == 2 && format == Format::HashesAndTimes) {
        entry.kind = RecordEntry::Kind::Uninstaller;
    } else if (kind == "K" && fields.size() == 2 && format != Format::TimesOnly) {
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
        bool hasContent = entry.kind == RecordEntry::Kind::File || entry.kind == RecordEntry::Kind::Shortcut;
        if (hasContent && (entry.hash || entry.kind == RecordEntry::Kind::File)) {
            char numbers[48];
            std::snprintf(numbers, sizeof numbers, "%llu\t", static_cast<unsigned long long>(entry.size));
            text += numbers;
            if (entry.hash) text.append(HashText(*entry.hash)).append("\t");
            std::snprintf(numbers, sizeof numbers, "%08lX%08lX\t", static_cast<unsigned long>(entry.writeTime >> 32),
                          static_cast<unsigned long>(entry.writeTime & 0xFFFFFFFFu));
            text += numbers;
        }
        text.append(entry.path).append(kLineEnd);
    }
    return RecodeText(text, CP_ACP, CP_UTF8);
}

std::optional<InstallRecord> ParseRecord(std::string_view stored) {
    // The names in the program's own code page, from the one the record was written in.
    std::string_view firstLine = stored.substr(0, stored.find(kLineEnd));
    const std::string decoded = RecodeText(stored, firstLine == kHeader ? CP_UTF8 : SystemCodePage(), CP_ACP);
    std::string_view text = decoded;
    InstallRecord record;
    bool headerSeen = false, folderSeen = false;
    Format format = Format::HashesAndTimes;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(kLineEnd, start);
        // Every line ends with CR LF: a text without it at the end was cut short.
        if (end == std::string_view::npos) return std::nullopt;
        std::string_view line = text.substr(start, end - start);
        start = end + kLineEnd.size();
        if (!headerSeen) {
            if (line == kOlderHeader) format = Format::TimesOnly;
            else if (line == kHeaderWithoutTimes) format = Format::HashesOnly;
            else if (line != kHeader) return std::nullopt;
            headerSeen = true;
        } else if (!folderSeen) {
            if (line.substr(0, 2) != "I\t" || !IsRecordablePath(line.substr(2))) return std::nullopt;
            record.installFolder = std::string(line.substr(2));
            folderSeen = true;
        } else {
            std::optional<RecordEntry> entry = ParseEntry(line, format);
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
