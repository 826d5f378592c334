#include "publisher/MediumCheck.h"

#include <windows.h>

#include <algorithm>

#include "engine/FileOperations.h"
#include "framework/SafeFormat.h"
#include "publisher/CompressedFiles.h"
#include "publisher/MediumTree.h"
#include "script/PathVariables.h"
#include "script/ScriptCommands.h"
#include "script/ScriptFile.h"
#include "script/ScriptLine.h"
#include "settings/ConfigReader.h"
#include "settings/InstallSettings.h"
#include "settings/SettingsCheck.h"
#include "settings/SetupTexts.h"
#include "framework/AnsiText.h"
#include "framework/CodePage.h"
#include "framework/PathText.h"
#include "settings/ProfileFile.h"

namespace {
// The five texts setup fills with one "%s"; every other text is shown as it stands.
const char* const kFormatTexts[] = {"WelcomeText", "InstallText", "FinishedText", "ConfirmReplaceText1",
                                    "ConfirmReplaceText3"};

class Report {
public:
    explicit Report(MediumCheckResult& result) : m_result(result) {}
    void Error(std::string text) { Add(true, std::move(text)); }
    void Warning(std::string text) { Add(false, std::move(text)); }
    void Encoding(const std::string& file, PublisherEncoding encoding) {
        m_result.encodings.push_back(file + ": " + PublisherEncodingName(encoding, SystemCodePage()));
    }

private:
    void Add(bool error, std::string text) {
        // One finding a line: the program's own texts break their lines.
        std::replace(text.begin(), text.end(), '\n', ' ');
        (error ? m_result.errors : m_result.warnings)++;
        m_result.findings.push_back({error, std::move(text)});
    }
    MediumCheckResult& m_result;
};

// The directives of a text that setup shows literally: every "%" but "%%"
// and, in a format text, its first "%s".
int LiteralDirectives(const std::string& text, bool format) {
    int literal = 0;
    bool filled = !format;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (format && next == '%') {
            ++i;
        } else if (next == 's' && !filled) {
            filled = true;
            ++i;
        } else if (format || next == 's') {
            // In a plain text only "%s" looks like a directive; "100%" is plain text.
            ++literal;
            if (next == 's') ++i;
        }
    }
    return literal;
}

void CheckTexts(Report& report) {
    for (const SetupTextKey& key : SetupTextKeys) {
        const std::string& text = SetupTexts.*key.field;
        bool format = std::find_if(std::begin(kFormatTexts), std::end(kFormatTexts), [&key](const char* name) {
                          return std::string(name) == key.name;
                      }) != std::end(kFormatTexts);
        if (int literal = LiteralDirectives(text, format))
            report.Warning(StringPrintf("SETUP.TXT %s: %d %s shown literally (%s)", key.name, literal,
                                        literal == 1 ? "directive is" : "directives are",
                                        format ? "setup fills only one %s; write a percent sign as %%"
                                               : "setup fills nothing in this text"));
    }
}

// The values the script's path variables take on the reader's machine as
// far as the publisher's can tell: this machine's folders, the medium as
// StartDir, DestDir as the chosen folder.
void PrepareScriptSettings(const std::string& mediumDir) {
    InstallSettingsRecord& settings = InstallSettings;
    settings.StartDir = FullPath(mediumDir).value_or(mediumDir);
    settings.InstallPath = settings.DestDir;
    // Setup records the install drive and folder only when it makes a shortcut.
    std::string location = UpperAnsi(settings.ShortcutLocation);
    std::string folder = location == "DESKTOP"        ? settings.DesktopDir
                         : location == "MY DOCUMENTS" ? settings.PersonalDir
                         : location == "FAVORITES"    ? settings.FavoritesDir
                                                      : std::string();
    settings.InstallDrive = folder.empty() ? std::string() : settings.InstallPath.substr(0, 2);
    settings.InstallDir = folder.empty() || settings.InstallPath.size() <= 2 ? std::string()
                                                                              : settings.InstallPath.substr(2);
}

// A file of the publisher's that the reader's system would read as another text.
void CheckPublisherText(Report& report, const std::string& name, std::string_view bytes) {
    PublisherEncoding encoding = PublisherEncodingOf(bytes);
    report.Encoding(name, encoding);
    if (IsReadablePublisherText(bytes, SystemCodePage())) return;
    if (encoding == PublisherEncoding::Utf16)
        report.Warning(name + " is not valid UTF-16 after its byte-order mark: its texts would show wrongly");
    else
        report.Warning(StringPrintf("%s is neither valid text in the system's code page (%u) nor valid UTF-8 "
                                    "after a byte-order mark: its texts would show wrongly",
                                    name.c_str(), SystemCodePage()));
}

void CheckProfileText(Report& report, const std::string& name) {
    if (std::optional<std::string> bytes = ReadProfileBytes(name)) CheckPublisherText(report, name, *bytes);
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The code pages in which the name could be written only with look-alikes,
// as "1250, 1252"; empty when none.
std::string LookAlikePagesText(const std::string& name) {
    std::string text;
    for (UINT page : LookAlikeCodePages(WideText(name)))
        text += (text.empty() ? "" : ", ") + std::to_string(page);
    return text;
}

// Line numbers as an editor shows them: CR LF, LF and CR alone each end a line.
size_t LineNumber(const std::string& bytes, size_t offset) {
    size_t number = 1;
    for (size_t i = 0; i < offset; ++i)
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))) ++number;
    return number;
}

void CheckCopy(Report& report, const std::string& where, const std::vector<std::string>& fields) {
    const std::string& mediumRoot = InstallSettings.StartDir;
    std::string source = ExpandPathVariable(fields[1], InstallSettings);
    std::string destination = ExpandPathVariable(fields[2], InstallSettings);
    std::string problem = CheckCopyLine(fields[0], source, destination);
    if (!problem.empty()) {
        report.Error(where + problem);
        return;
    }
    for (const std::string* path : {&source, &destination})
        if (PathLength(*path) > ScriptPathLimit)
            report.Error(StringPrintf("%s%s is %u characters, past the limit of %u: nothing is copied", where.c_str(),
                                      path->c_str(), static_cast<unsigned>(PathLength(*path)),
                                      static_cast<unsigned>(ScriptPathLimit)));
    // Only a source on the medium can be looked for here.
    if (UpperAnsi(fields[1]).rfind("%STARTDIR%", 0) == 0 && PathLength(source) <= ScriptPathLimit && !PathExists(source)) {
        std::string relative = source.substr(std::min(source.size(), mediumRoot.size()));
        while (!relative.empty() && relative[0] == '\\') relative.erase(0, 1);
        report.Error(StringPrintf("%sthe source %s is not on the medium", where.c_str(), relative.c_str()));
    }
}

void CheckScript(Report& report, const std::string& name) {
    HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        report.Error(StringPrintf("CommandFile: %s is not on the medium (the reader sees \"Couldn't find script "
                                  "file %s.\")",
                                  name.c_str(), name.c_str()));
        return;
    }
    DWORD size = GetFileSize(file, nullptr);
    std::string raw;
    bool read = ReadScriptBytes(file, raw);
    CloseHandle(file);
    if (!read) {
        report.Error(StringPrintf("%s cannot be read", name.c_str()));
        return;
    }
    CheckPublisherText(report, name, raw);
    std::string bytes = NarrowText(DecodePublisherText(raw, SystemCodePage()));
    if (size > ScriptReadLimit)
        report.Error(StringPrintf("%s: %lu bytes; setup reads the first %u, the rest is never run", name.c_str(),
                                  static_cast<unsigned long>(size), static_cast<unsigned>(ScriptReadLimit)));

    std::vector<ScriptLineSpan> spans;
    std::vector<std::string> lines = SplitScriptText(bytes, &spans);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string where = StringPrintf("%s line %u: ", name.c_str(),
                                         static_cast<unsigned>(LineNumber(bytes, spans[i].start)));
        if (spans[i].length > ScriptLineLimit)
            report.Error(StringPrintf("%s%u characters; setup keeps the first %u", where.c_str(),
                                      static_cast<unsigned>(spans[i].length), static_cast<unsigned>(ScriptLineLimit)));
        std::vector<std::string> fields = SplitScriptFields(lines[i], ScriptFieldCount + 1);
        if (fields.size() > ScriptFieldCount)
            report.Error(StringPrintf("%smore than %u fields; setup drops the rest", where.c_str(),
                                      static_cast<unsigned>(ScriptFieldCount)));
        // The fields setup keeps; those the line does not supply are empty.
        fields.resize(ScriptFieldCount);
        for (const std::string& field : fields)
            if (HasUnknownPathVariable(field))
                report.Error(StringPrintf("%sunknown path variable in %s", where.c_str(), field.c_str()));
        std::string word = UpperAnsi(fields[0]);
        if (word == "COPY")
            CheckCopy(report, where, fields);
        else if (word != "RUN" && word != "RENAME")
            report.Warning(StringPrintf("%sunknown command word '%s': the line does nothing", where.c_str(),
                                        fields[0].c_str()));
    }
}

void CheckTree(Report& report, MediumCheckResult& result, const std::string& mediumDir, bool compressed,
               bool useUnderscores) {
    const InstallSettingsRecord& settings = InstallSettings;
    std::string skippedFolder;  // entries below a folder the copy skips are not reported again
    for (const TreeEntry& entry : ListMediumTree(mediumDir, settings.CodeDir, settings.DestDir, useUnderscores)) {
        if (!skippedFolder.empty() && entry.relative.rfind(skippedFolder, 0) == 0) continue;
        skippedFolder.clear();
        if (entry.skipped) {
            report.Warning(entry.relative + ": a folder whose name starts with \".\" is not installed");
            continue;
        }
        if (!entry.fits) {
            report.Error(StringPrintf("%s: installed as %s, %u characters, the system's limit is %u: not installed",
                                      entry.relative.c_str(), entry.installedPath.c_str(),
                                      static_cast<unsigned>(PathLength(entry.installedPath)),
                                      static_cast<unsigned>(MAX_PATH - 1)));
            if (entry.folder) skippedFolder = entry.relative + "\\";
            continue;
        }
        if (!entry.whole) {
            report.Error(StringPrintf("%s: this system's code page (%u) cannot write the name whole: not installed",
                                      entry.relative.c_str(), GetACP()));
            continue;
        }
        const std::string name = SplitPath(entry.relative).name;
        if (!IsAscii(name))
            report.Warning(entry.relative + ": a name outside ASCII needs Windows 10 1903 or later, or a system "
                                            "whose code page has it");
        if (std::string pages = LookAlikePagesText(name); !pages.empty())
            report.Warning(entry.relative + ": Windows before 10 1903 in code page" +
                           (pages.find(',') == std::string::npos ? " " : "s ") + pages +
                           " would write it with look-alikes (full-width forms and the like become \".\" or "
                           "\"\\\"): setup does not install it there");
        if (entry.folder) {
            // Setup could not enter it either: what it holds would not arrive.
            if (entry.unreadable)
                report.Error(entry.relative + ": the folder cannot be listed: its files cannot be installed");
            else if (entry.empty)
                report.Warning(entry.relative + ": empty folder");
            continue;
        }
        CompressedFacts facts = InspectMediumFile(mediumDir + "\\" + entry.relative, compressed);
        if (!compressed) {
            if (facts.compressed)
                report.Warning(entry.relative +
                               ": SZDD-compressed, but FilesCompressed is not YES: it would be installed compressed");
            result.installedSize += entry.size;
            continue;
        }
        if (!facts.damage.empty()) report.Error(entry.relative + ": " + facts.damage);
        result.installedSize += facts.installedSize;
    }
}

void CheckSignatures(Report& report, MediumCheckResult& result, const std::string& mediumDir) {
    for (const char* program : kMediumPrograms) {
        const std::string path = mediumDir + "\\" + program;
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;  // pack brings them
        FileSignature signature = ReadFileSignature(path);
        if (signature.state == SignatureState::Whole)
            result.signatures.push_back(std::string(program) + ": signed by " +
                                        (signature.signer.empty() ? "an unnamed signer" : signature.signer));
        if (std::optional<Finding> finding = SignatureFinding(program, signature))
            finding->error ? report.Error(finding->text) : report.Warning(finding->text);
    }
}

bool ReadMedium(const std::string& mediumDir, const MissingKeyWarning& warn) {
    if (!IsFolder(mediumDir) || !SetCurrentDirectoryA(mediumDir.c_str())) return false;
    InstallSettings = InstallSettingsRecord();
    SetupTexts = SetupTextsRecord();
    ReadEnvironment(InstallSettings);
    ReadSetupIni(InstallSettings, warn);
    ReadSetupTxt(SetupTexts, warn);
    return true;
}
}  // namespace

MediumCheckResult CheckMedium(const std::string& folder) {
    // Relative to where the check was started, not to the medium it enters.
    const std::string mediumDir = FullPath(folder).value_or(folder);
    MediumCheckResult result;
    Report report(result);
    CurrentDirectoryGuard restore;
    // Every key setup would warn about, in its own words.
    auto missing = [&report](const std::string& warning) {
        const std::string prefix = "Warning: ";
        report.Error(warning.rfind(prefix, 0) == 0 ? warning.substr(prefix.size()) : warning);
    };
    if (!ReadMedium(mediumDir, missing)) return result;
    result.ran = true;
    CheckProfileText(report, "SETUP.INI");
    CheckProfileText(report, "SETUP.TXT");

    SettingsCheckResult check = CheckSettings(InstallSettings);
    for (size_t i = 0; i < check.messages.size(); ++i)
        // The closing summary only says that there were messages.
        if (!check.keys[i].empty()) report.Error(check.keys[i] + ": " + check.messages[i]);

    const InstallSettingsRecord& settings = InstallSettings;
    if (!settings.Publisher.empty()) result.listed.push_back("Publisher: " + settings.Publisher);
    if (!settings.Version.empty()) result.listed.push_back("Version: " + settings.Version);
    std::string codeDir = mediumDir + "\\" + settings.CodeDir;
    if (!IsFolder(codeDir)) {
        report.Error(StringPrintf("CodeDir: %s is not a folder on the medium", settings.CodeDir.c_str()));
    } else {
        CheckTree(report, result, mediumDir, check.filesCompressed, check.useUnderscores);
        long declared = ParseFileSize(settings.FileSize);
        if (declared < 0 || static_cast<uint64_t>(declared) < result.installedSize)
            report.Error(StringPrintf("FileSize: %s is below the installed size of the tree; it needs at least %llu",
                                      settings.FileSize.c_str(), static_cast<unsigned long long>(result.installedSize)));
    }

    if (!PathExists("XOVUNIN.EXE"))
        report.Warning("XOVUNIN.EXE is not on the medium: setup registers no uninstall entry");
    CheckSignatures(report, result, mediumDir);
    CheckTexts(report);

    if (settings.CommandFile != "NULL" && !settings.CommandFile.empty()) {
        PrepareScriptSettings(mediumDir);
        CheckScript(report, settings.CommandFile);
    }
    return result;
}

uint64_t InstalledTreeSize(const std::string& folder) {
    const std::string mediumDir = FullPath(folder).value_or(folder);
    CurrentDirectoryGuard restore;
    if (!ReadMedium(mediumDir, [](const std::string&) {})) return 0;
    SettingsCheckResult check = CheckSettings(InstallSettings);
    uint64_t total = 0;
    for (const TreeEntry& entry :
         ListMediumTree(mediumDir, InstallSettings.CodeDir, InstallSettings.DestDir, check.useUnderscores)) {
        if (entry.folder || !entry.whole) continue;
        total += check.filesCompressed ? InspectMediumFile(mediumDir + "\\" + entry.relative, false).installedSize
                                       : entry.size;
    }
    return total;
}

const char* const kMediumPrograms[2] = {"setup.exe", "XOVUNIN.EXE"};

std::optional<Finding> SignatureFinding(const std::string& program, const FileSignature& signature) {
    switch (signature.state) {
    case SignatureState::Whole:
        if (signature.trusted) return std::nullopt;
        return Finding{false, StringPrintf("%s is signed by %s, whose certificate this system does not trust "
                                           "(0x%08lX): the elevation prompt will say \"Unknown publisher\"",
                                           program.c_str(), signature.signer.c_str(),
                                           static_cast<unsigned long>(signature.status))};
    case SignatureState::Unsigned:
        return Finding{false, program + " is not signed: the elevation prompt will say \"Unknown publisher\""};
    case SignatureState::Broken:
        if (signature.status == static_cast<LONG>(TRUST_E_BAD_DIGEST))
            return Finding{true, program + " was changed after it was signed: its signature does not match it"};
        return Finding{true, StringPrintf("%s has a signature that is damaged or refused (0x%08lX)", program.c_str(),
                                          static_cast<unsigned long>(signature.status))};
    case SignatureState::Unchecked:
        break;
    }
    return Finding{false, program + ": this system has no trust check to read its signature with"};
}

std::string FindingLine(const Finding& finding) {
    return (finding.error ? "error: " : "warning: ") + finding.text;
}

std::string FindingCounts(const MediumCheckResult& result) {
    return StringPrintf("%u error%s, %u warning%s", static_cast<unsigned>(result.errors), result.errors == 1 ? "" : "s",
                        static_cast<unsigned>(result.warnings), result.warnings == 1 ? "" : "s");
}
