#include "publisher/MediumPack.h"

#include <windows.h>

#include <vector>

#include "engine/FileOperations.h"
#include "framework/SafeFormat.h"
#include "publisher/MediumCheck.h"
#include "publisher/MediumTree.h"
#include "publisher/SzddCompressor.h"
#include "script/PathVariables.h"
#include "script/ScriptFile.h"
#include "script/ScriptLine.h"
#include "settings/ConfigReader.h"
#include "settings/InstallSettings.h"
#include "settings/SettingsCheck.h"
#include "framework/AnsiText.h"
#include "framework/FileSignature.h"
#include "framework/FolderListing.h"
#include "framework/PathText.h"
#include "framework/UniqueHandle.h"

namespace {
// The files of the publisher's folder that go on the medium as they are,
// when the folder has them (besides the command file the settings name and
// the files its script copies from the medium).
const char* const kFilesAsTheyAre[] = {"SETUP.INI", "SETUP.TXT"};

// Setup never accepts less, whatever the tree holds.
constexpr uint64_t kLowestFileSize = 60000;


class Packer {
public:
    Packer(std::string source, std::string target, FILE* out)
        : m_source(std::move(source)), m_target(std::move(target)), m_out(out), m_lastReport(GetTickCount()) {}

    // A copy of a file as it is; false (said on the console) when it fails.
    bool CopyAsIs(const std::string& relative) {
        std::string to = m_target + "\\" + relative;
        CreateDirectoryPath(StripTrailingBackslashes(SplitPath(to).folder));
        if (!CopyFileA((m_source + "\\" + relative).c_str(), to.c_str(), TRUE)) return Failed(relative);
        // A file from a read-only source (a CD) stays replaceable on the medium being made.
        SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
        return true;
    }

    bool PackTree(const std::string& codeDir, bool compress) {
        if (!IsFolder(m_source + "\\" + codeDir)) return true;  // the check on the medium says so
        CreateDirectoryPath(m_target + "\\" + codeDir);
        for (const TreeEntry& entry : ListMediumTree(m_source, codeDir, std::string(), false)) {
            // A folder setup passes over is of no use on the medium.
            if (entry.skipped || (!m_skipped.empty() && entry.relative.rfind(m_skipped, 0) == 0)) {
                if (entry.skipped) m_skipped = entry.relative + "\\";
                continue;
            }
            if (entry.folder) {
                if (!CreateDirectoryA((m_target + "\\" + entry.relative).c_str(), nullptr)) return Failed(entry.relative);
                continue;
            }
            if (!(compress ? Compress(entry) : CopyAsIs(entry.relative))) return false;
            ++m_files;
            m_bytes += entry.size;
            WIN32_FILE_ATTRIBUTE_DATA packed;
            if (GetFileAttributesExA((m_target + "\\" + entry.relative).c_str(), GetFileExInfoStandard, &packed))
                m_packedBytes += packed.nFileSizeLow;
            Progress(false);
        }
        Progress(true);
        return true;
    }

    unsigned long Files() const { return m_files; }
    uint64_t Bytes() const { return m_bytes; }
    uint64_t PackedBytes() const { return m_packedBytes; }

private:
    bool Failed(const std::string& relative) {
        std::fprintf(m_out, "medium: cannot write %s\\%s (error %lu)\n", m_target.c_str(), relative.c_str(),
                     GetLastError());
        return false;
    }

    void Progress(bool last) {
        DWORD now = GetTickCount();
        if (!last && now - m_lastReport < 1000) return;
        if (last && m_reported == 0) return;  // a small tree needs no progress
        m_lastReport = now;
        ++m_reported;
        std::fprintf(m_out, "packing: %lu files, %.1f MB\n", m_files, m_bytes / 1048576.0);
        std::fflush(m_out);
    }

    // The file in its SZDD form under its own name, or as it is when that
    // form would be larger; a file already compressed stays as it is.
    bool Compress(const TreeEntry& entry) {
        std::string from = m_source + "\\" + entry.relative;
        std::string to = m_target + "\\" + entry.relative;
        UniqueFile input(CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!input.Valid()) return Failed(entry.relative);
        std::vector<unsigned char> buffer(1 << 16);
        DWORD got = 0;
        if (!ReadFile(input.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return Failed(entry.relative);
        SzddHeader header;
        bool complete = false;
        if (ReadSzddHeader(buffer.data(), got, header, complete)) return CopyAsIs(entry.relative);

        bool written = false;
        bool plain = false;
        {
            UniqueFile output(CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
            if (!output.Valid()) return Failed(entry.relative);
            SzddCompressor compressor(entry.size, entry.relative.back(),
                                      [&output](const unsigned char* data, size_t size) {
                                          DWORD put = 0;
                                          return WriteFile(output.Get(), data, static_cast<DWORD>(size), &put,
                                                           nullptr) &&
                                                 put == size;
                                      });
            bool fed = true;
            while (fed && got > 0) {
                fed = compressor.Write(buffer.data(), got);
                if (!ReadFile(input.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) fed = false;
            }
            // Finish also finds a file that changed its size while it was read.
            written = fed && compressor.Finish();
            plain = written && !KeepCompressed(entry.size, compressor.OutputSize());
        }
        if (!written || plain) DeleteFileA(to.c_str());
        // Nothing to gain: the file goes on the medium as it is.
        if (plain) return CopyAsIs(entry.relative);
        // No cut file is left on the medium looking packed.
        if (!written) return Failed(entry.relative);
        return true;
    }

    std::string m_source;
    std::string m_target;
    FILE* m_out;
    std::string m_skipped;
    unsigned long m_files = 0;
    uint64_t m_bytes = 0;
    uint64_t m_packedBytes = 0;
    DWORD m_lastReport;
    int m_reported = 0;
};

// Empty only when listed whole with nothing in it: a folder that cannot be
// listed may hold the publisher's files.
bool IsEmptyFolder(const std::string& path) {
    FolderListing listing(path);
    while (listing.Next())
        if (listing.Entry().name != "." && listing.Entry().name != "..") return false;
    return listing.Complete();
}

// The files the command script copies from the medium: they must travel too,
// as they are (the script's copy is a plain byte copy).
std::vector<std::string> ScriptSourcesOnMedium(const std::string& script) {
    std::vector<std::string> sources;
    HANDLE file = CreateFileA(script.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return sources;
    std::string bytes;
    bool read = ReadScriptText(file, bytes);
    CloseHandle(file);
    if (!read) return sources;
    InstallSettingsRecord settings;
    settings.StartDir = "X:";  // a marker: what follows it is the path on the medium
    for (const std::string& line : SplitScriptText(bytes)) {
        std::vector<std::string> fields = SplitScriptFields(line, 2);
        if (fields.size() < 2 || UpperAnsi(fields[0]) != "COPY" || UpperAnsi(fields[1]).rfind("%STARTDIR%", 0) != 0)
            continue;
        std::string source = ExpandPathVariable(fields[1], settings);
        if (source.size() > 3 && source.compare(0, 3, "X:\\") == 0) sources.push_back(source.substr(3));
    }
    return sources;
}
}  // namespace

bool KeepCompressed(uint64_t size, uint64_t compressedSize) { return compressedSize <= size + SzddHeaderSize; }

PackResult PackMedium(const std::string& sourceDir, const std::string& targetDir, const std::string& programDir,
                      FILE* out) {
    std::string source = FullPath(sourceDir).value_or("");
    std::string target = FullPath(targetDir).value_or("");
    if (source.empty() || !IsFolder(source) || GetFileAttributesA((source + "\\SETUP.INI").c_str()) ==
                                                   INVALID_FILE_ATTRIBUTES) {
        std::fprintf(out, "medium: %s is no folder with a SETUP.INI\n", sourceDir.c_str());
        return PackResult::CannotRun;
    }
    if (target.empty() || (IsFolder(target) && !IsEmptyFolder(target)) ||
        (!IsFolder(target) && GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES)) {
        std::fprintf(out, "medium: %s must be a new or empty folder\n", targetDir.c_str());
        return PackResult::CannotRun;
    }
    for (const char* program : kMediumPrograms) {
        if (GetFileAttributesA((programDir + "\\" + program).c_str()) == INVALID_FILE_ATTRIBUTES) {
            std::fprintf(out, "medium: %s\\%s is missing (it is built beside medium.exe)\n", programDir.c_str(),
                         program);
            return PackResult::CannotRun;
        }
    }
    // A program changed after it was signed never reaches a medium: every
    // reader's system would run it with rights.
    for (const char* program : kMediumPrograms) {
        std::optional<Finding> finding = SignatureFinding(program, ReadFileSignature(programDir + "\\" + program));
        if (finding && finding->error) {
            std::fprintf(out, "medium: %s\\%s\n", programDir.c_str(), finding->text.c_str());
            return PackResult::CannotRun;
        }
    }
    CreateDirectoryPath(target);
    if (!IsFolder(target)) {
        std::fprintf(out, "medium: cannot make the folder %s\n", targetDir.c_str());
        return PackResult::CannotRun;
    }

    InstallSettingsRecord settings;
    {
        CurrentDirectoryGuard restore;
        SetCurrentDirectoryA(source.c_str());
        ReadSetupIni(settings, [](const std::string&) {});
    }
    SettingsCheckResult check = CheckSettings(settings);

    Packer packer(source, target, out);
    std::vector<std::string> asTheyAre(std::begin(kFilesAsTheyAre), std::end(kFilesAsTheyAre));
    const std::string& script = settings.CommandFile;
    if (script != "NULL" && !script.empty()) {
        asTheyAre.push_back(script);
        for (const std::string& file : ScriptSourcesOnMedium(source + "\\" + script)) asTheyAre.push_back(file);
    }
    for (const std::string& file : asTheyAre)
        if (GetFileAttributesA((source + "\\" + file).c_str()) != INVALID_FILE_ATTRIBUTES &&
            GetFileAttributesA((target + "\\" + file).c_str()) == INVALID_FILE_ATTRIBUTES && !packer.CopyAsIs(file))
            return PackResult::CannotRun;
    for (const char* program : kMediumPrograms) {
        if (!CopyFileA((programDir + "\\" + program).c_str(), (target + "\\" + program).c_str(), FALSE)) {
            std::fprintf(out, "medium: cannot copy %s\\%s\n", programDir.c_str(), program);
            return PackResult::CannotRun;
        }
    }
    DWORD start = GetTickCount();
    if (!packer.PackTree(settings.CodeDir, check.filesCompressed)) return PackResult::CannotRun;
    std::fprintf(out, "%s: %lu files, %llu bytes into %llu bytes in %.2f s\n", settings.CodeDir.c_str(), packer.Files(),
                 static_cast<unsigned long long>(packer.Bytes()), static_cast<unsigned long long>(packer.PackedBytes()),
                 (GetTickCount() - start) / 1000.0);

    uint64_t size = InstalledTreeSize(target);
    if (size < kLowestFileSize) size = kLowestFileSize;
    std::string ini = target + "\\SETUP.INI";
    if (!WritePrivateProfileStringA("Setup", "FileSize", std::to_string(size).c_str(), ini.c_str())) {
        std::fprintf(out, "medium: cannot write FileSize into %s\n", ini.c_str());
        return PackResult::CannotRun;
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());  // written through to the file now
    std::fprintf(out, "packed %s into %s: FileSize=%llu\n", sourceDir.c_str(), targetDir.c_str(),
                 static_cast<unsigned long long>(size));
    return PackResult::Packed;
}
