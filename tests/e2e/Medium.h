#pragma once
// A setup medium for one scenario: a folder under the test work folder, made
// from the sample medium (SETUP.INI, SETUP.TXT, its CODE tree and whatever
// else lies there), with the changes the scenario asks for.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TestFiles.h"

class Medium {
public:
    // name: the folder's name under the test work folder (one per scenario).
    // sampleDir: the medium it starts from (Windows path); the sample medium by default.
    explicit Medium(std::string name, std::string sampleDir = DefaultSample());

    // Key changes of SETUP.INI (section Setup) and SETUP.TXT (section SetupText),
    // made after the files are added. A set key is written as key=value in
    // place of the file's line, or added (with its section when missing).
    Medium& SetIni(const std::string& key, const std::string& value);
    Medium& RemoveIni(const std::string& key);
    Medium& SetTxt(const std::string& key, const std::string& value);
    Medium& RemoveTxt(const std::string& key);
    // Leaves out a file or folder of the sample (path relative to the medium,
    // e.g. "SETUP.INI" or "CODE\\CHAP_1"); key changes do not bring it back.
    Medium& Omit(const std::string& relativePath);
    // Adds a file with the given bytes, or replaces the sample's; folders are made as needed.
    Medium& AddFile(const std::string& relativePath, const std::string& content);
    // Adds an empty file through the wide calls (a name the ANSI calls
    // refuse, such as a folder with a trailing dot).
    Medium& AddWideFile(const std::string& relativePath);
    // Adds a copy of an existing file (Windows path).
    Medium& AddCopy(const std::string& relativePath, const std::string& sourcePath);

    // The edited SETUP.INI and SETUP.TXT are written as a publisher writes
    // them: in the system's code page, or with these in UTF-8 or UTF-16
    // (little-endian) after a byte-order mark. Scenario texts are the program's (UTF-8).
    Medium& MarkProfilesUtf8();
    Medium& MarkProfilesUtf16();

    // Makes the folder afresh; returns its Windows path (empty on failure).
    std::string Build();
    const std::string& Path() const { return m_path; }

    static std::string DefaultSample();
    static std::string WorkDir();

private:
    using Edits = std::vector<std::pair<std::string, std::optional<std::string>>>;
    bool CopyTree(const std::string& from, const std::string& to, const std::string& relative);
    bool IsOmitted(const std::string& relative) const;
    bool EditProfile(const std::string& fileName, const std::string& section, const Edits& edits);

    std::string m_sample;
    std::string m_path;
    Edits m_iniEdits;
    Edits m_txtEdits;
    std::vector<std::string> m_omitted;
    std::vector<std::pair<std::string, std::string>> m_added;   // path, content
    std::vector<std::pair<std::string, std::string>> m_copies;  // path, source
    std::vector<std::string> m_wideFiles;
    enum class ProfileForm { SystemCodePage, Utf8, Utf16 } m_profileForm = ProfileForm::SystemCodePage;
};
