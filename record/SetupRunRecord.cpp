#include "record/SetupRunRecord.h"

#include <windows.h>

#include <mutex>
#include <optional>
#include <unordered_map>

#include "record/RecordStore.h"
#include "record/RecordedFiles.h"
#include "record/SharedFiles.h"
#include "framework/AnsiText.h"
#include "framework/PathText.h"

namespace {
class RunRecord {
public:
    // A path noted again (a file the script copies over one it copied
    // before) keeps one entry, the latest.
    void Add(RecordEntry entry) {
        std::string key = UpperAnsi(entry.path);
        std::lock_guard<std::mutex> lock(m_mutex);
        auto [found, added] = m_index.try_emplace(key, m_record.entries.size());
        if (added) m_record.entries.push_back(std::move(entry));
        else m_record.entries[found->second] = std::move(entry);
    }
    InstallRecord Snapshot() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_record;
    }
    void Registered(const std::string& product, const std::string& installFolder, const ScopePlaces& places) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_product = product;
        m_record.installFolder = installFolder;
        m_places = places;
    }
    ScopePlaces Places() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_places;
    }
    std::string Product() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_product;
    }
    std::string InstallFolder() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_record.installFolder;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_record = InstallRecord();
        m_index.clear();
        m_product.clear();
        m_places = ScopePlaces();
    }

private:
    std::mutex m_mutex;
    InstallRecord m_record;
    std::unordered_map<std::string, size_t> m_index;  // upper-cased path -> entry
    std::string m_product;                            // set once registered
    ScopePlaces m_places;                             // where its entry and counts are
};

RunRecord& ThisRun() {
    static RunRecord record;
    return record;
}

void AddFile(const std::string& path, RecordEntry::Kind kind) {
    // Size and content as written, read back now that the file is complete.
    if (std::optional<RecordEntry> entry = FileEntryNow(path, kind)) ThisRun().Add(std::move(*entry));
}


// The entry of that kind the product's stored record holds for the path, if any.
std::optional<RecordEntry> StoredEntry(const std::string& product, const ScopePlaces& places,
                                       const std::string& path, RecordEntry::Kind kind = RecordEntry::Kind::File) {
    RegistryKey entry = OpenUninstallEntry(product, KEY_QUERY_VALUE, places);
    std::optional<std::string> stored = entry ? ReadRecordText(entry.Get()) : std::nullopt;
    std::optional<InstallRecord> record = stored ? ParseRecord(*stored) : std::nullopt;
    if (!record) return std::nullopt;
    for (const RecordEntry& e : record->entries)
        if (e.kind == kind && SamePath(e.path, path)) return e;
    return std::nullopt;
}

// Stores this run's record in the product's entry, over the merge with what
// is stored there already.
bool Store(const std::string& product, const ScopePlaces& places) {
    RegistryKey entry = OpenUninstallEntry(product, KEY_QUERY_VALUE | KEY_SET_VALUE, places);
    if (!entry) return false;
    InstallRecord record = ThisRun().Snapshot();
    if (std::optional<std::string> stored = ReadRecordText(entry.Get())) {
        if (std::optional<InstallRecord> older = ParseRecord(*stored))
            // A counted file stays named even when gone, so that its count is given back.
            record = MergeRecords(*older, record, [](const RecordEntry& e) {
                return e.shared || e.kind == RecordEntry::Kind::Uninstaller || StillThere(e);
            });
    }
    return WriteRecordText(entry.Get(), FormatRecord(record), RecordFileOf(product, places));
}
}  // namespace

void RecordShortcut(const std::string& path) { AddFile(path, RecordEntry::Kind::Shortcut); }

void RecordCopy(const std::vector<std::string>& writtenFiles, const std::vector<std::string>& createdFolders) {
    std::vector<RecordEntry> entries;
    for (const std::string& path : writtenFiles)
        if (std::optional<RecordEntry> entry = FileEntryNow(path)) entries.push_back(std::move(*entry));
    RecordCopy(entries, createdFolders);
}

void RecordCopy(const std::vector<RecordEntry>& writtenEntries, const std::vector<std::string>& createdFolders) {
    for (const std::string& path : createdFolders) {
        std::optional<std::string> full = FullPath(path);
        if (!full) continue;
        RecordEntry entry;
        entry.kind = RecordEntry::Kind::Folder;
        // "C:\Book\" and "C:\Book" are one folder.
        entry.path = StripTrailingBackslashes(*full, 3);
        ThisRun().Add(std::move(entry));
    }
    for (const RecordEntry& entry : writtenEntries) ThisRun().Add(entry);
}

void RecordKeptOriginals(const std::vector<std::string>& keptFiles) {
    for (const std::string& path : keptFiles) {
        RecordEntry entry;
        entry.kind = RecordEntry::Kind::Kept;
        entry.path = path;
        ThisRun().Add(std::move(entry));
    }
}

void RecordScriptCopy(const std::string& path, bool existedBefore) {
    std::string product = ThisRun().Product();
    const ScopePlaces places = ThisRun().Places();
    std::optional<RecordEntry> entry = FileEntryNow(path);
    if (!entry) return;
    // The stored record holds this run's notes as well as an earlier setup's:
    // a file named there is ours, not someone else's.
    std::optional<RecordEntry> ours = product.empty() ? std::nullopt : StoredEntry(product, places, entry->path);
    if (!product.empty() && !IsBelowFolder(entry->path, ThisRun().InstallFolder()))
        entry->shared = (ours && ours->shared) || TakeSharedReference(entry->path, existedBefore && !ours, places);
    // Without a reference, a file that was there before is ours to remove only
    // when setup wrote it before.
    if (!entry->shared && existedBefore && !ours) return;
    ThisRun().Add(std::move(*entry));
    if (!product.empty()) Store(product, places);
}

void RecordUninstaller(const std::string& product, const std::string& path, bool thereBefore,
                       const ScopePlaces& places) {
    RecordEntry entry;
    entry.kind = RecordEntry::Kind::Uninstaller;
    entry.path = path;
    // A second setup of the same product holds its reference already.
    bool counted = StoredEntry(product, places, path, RecordEntry::Kind::Uninstaller).has_value();
    if (counted || TakeSharedReference(path, thereBefore, places)) ThisRun().Add(std::move(entry));
}

bool SaveInstallRecord(const std::string& product, const std::string& installPath, const ScopePlaces& places) {
    std::optional<std::string> folder = FullPath(installPath);
    if (!folder) return false;
    ThisRun().Registered(product, StripTrailingBackslashes(*folder, 3), places);
    return Store(product, places);
}

InstallRecord RunRecordSoFar() { return ThisRun().Snapshot(); }

void ForgetRunRecord() { ThisRun().Clear(); }
