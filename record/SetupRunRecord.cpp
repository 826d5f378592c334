#include "record/SetupRunRecord.h"

#include <windows.h>

#include <mutex>
#include <optional>
#include <unordered_map>

#include "record/RecordStore.h"
#include "record/RecordedFiles.h"
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
    void Registered(const std::string& product, const std::string& installFolder) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_product = product;
        m_record.installFolder = installFolder;
    }
    std::string Product() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_product;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_record = InstallRecord();
        m_index.clear();
        m_product.clear();
    }

private:
    std::mutex m_mutex;
    InstallRecord m_record;
    std::unordered_map<std::string, size_t> m_index;  // upper-cased path -> entry
    std::string m_product;                            // set once registered
};

RunRecord& ThisRun() {
    static RunRecord record;
    return record;
}

void AddFile(const std::string& path, RecordEntry::Kind kind) {
    // Size and time as written, read back now that the file is complete.
    if (std::optional<RecordEntry> entry = FileEntryNow(path, kind)) ThisRun().Add(std::move(*entry));
}

// Stores this run's record in the product's entry, over the merge with what
// is stored there already.
void Store(const std::string& product) {
    RegistryKey entry = OpenUninstallEntry(product, KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (!entry) return;
    InstallRecord record = ThisRun().Snapshot();
    if (std::optional<std::string> stored = ReadRecordText(entry.get())) {
        if (std::optional<InstallRecord> older = ParseRecord(*stored))
            record = MergeRecords(*older, record, StillThere);
    }
    WriteRecordText(entry.get(), FormatRecord(record));
}
}  // namespace

void RecordWrittenFile(const std::string& path) { AddFile(path, RecordEntry::Kind::File); }

void RecordShortcut(const std::string& path) { AddFile(path, RecordEntry::Kind::Shortcut); }

void RecordCreatedFolder(const std::string& path) {
    std::optional<std::string> full = FullPath(path);
    if (!full) return;
    RecordEntry entry;
    entry.kind = RecordEntry::Kind::Folder;
    // "C:\Book\" and "C:\Book" are one folder.
    entry.path = StripTrailingBackslashes(*full, 3);
    ThisRun().Add(std::move(entry));
}

void RecordScriptCopy(const std::string& path) {
    AddFile(path, RecordEntry::Kind::File);
    std::string product = ThisRun().Product();
    if (!product.empty()) Store(product);
}

void SaveInstallRecord(const std::string& product, const std::string& installPath) {
    std::optional<std::string> folder = FullPath(installPath);
    if (!folder) return;
    ThisRun().Registered(product, StripTrailingBackslashes(*folder, 3));
    Store(product);
}

InstallRecord RunRecordSoFar() { return ThisRun().Snapshot(); }

void ForgetRunRecord() { ThisRun().Clear(); }
