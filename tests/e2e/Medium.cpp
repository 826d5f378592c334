#include "Medium.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

#include "framework/CodePage.h"
#include "framework/PathText.h"

namespace {
std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::string Normalised(std::string path) {
    for (size_t at = FindChar(path, '/'); at != std::string::npos; at = FindChar(path, '/', at + 1)) path[at] = '\\';
    return Upper(StripTrailingBackslashes(path));
}
}  // namespace

std::string Medium::DefaultSample() { return std::string(SOURCE_DIR) + "\\examples\\medium"; }

std::string Medium::WorkDir() { return WorkFolder("e2e"); }

Medium::Medium(std::string name, std::string sampleDir)
    : m_sample(std::move(sampleDir)), m_path(WorkDir() + "\\" + name) {}

Medium& Medium::SetIni(const std::string& key, const std::string& value) {
    m_iniEdits.emplace_back(key, value);
    return *this;
}

Medium& Medium::RemoveIni(const std::string& key) {
    m_iniEdits.emplace_back(key, std::nullopt);
    return *this;
}

Medium& Medium::SetTxt(const std::string& key, const std::string& value) {
    m_txtEdits.emplace_back(key, value);
    return *this;
}

Medium& Medium::RemoveTxt(const std::string& key) {
    m_txtEdits.emplace_back(key, std::nullopt);
    return *this;
}

Medium& Medium::Omit(const std::string& relativePath) {
    m_omitted.push_back(Normalised(relativePath));
    return *this;
}

Medium& Medium::AddFile(const std::string& relativePath, const std::string& content) {
    m_added.emplace_back(relativePath, content);
    return *this;
}

Medium& Medium::AddCopy(const std::string& relativePath, const std::string& sourcePath) {
    m_copies.emplace_back(relativePath, sourcePath);
    return *this;
}

bool Medium::IsOmitted(const std::string& relative) const {
    std::string path = Normalised(relative);
    for (const std::string& omitted : m_omitted)
        if (path == omitted || path.rfind(omitted + "\\", 0) == 0) return true;
    return false;
}

bool Medium::CopyTree(const std::string& from, const std::string& to, const std::string& relative) {
    if (!CreateDirectoryA(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((from + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    bool ok = true;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        std::string childRelative = relative.empty() ? name : relative + "\\" + name;
        if (IsOmitted(childRelative)) continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = CopyTree(from + "\\" + name, to + "\\" + name, childRelative) && ok;
        else
            ok = CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE) && ok;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return ok;
}

// Changes keys of one section of a profile file line by line, so that
// everything else (comments, order, other sections) stays as in the sample.
bool Medium::EditProfile(const std::string& fileName, const std::string& section, const Edits& edits) {
    std::string path = m_path + "\\" + fileName;
    // An omitted file stays absent, unless the scenario added one in its place.
    if (edits.empty() || (IsOmitted(fileName) && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES))
        return true;
    // The sample's bytes are in the system's code page, as a publisher's are.
    std::string content = RecodeText(ReadWholeFile(path).value_or(""), SystemCodePage());
    const std::string newline = content.find("\r\n") != std::string::npos ? "\r\n" : "\n";

    std::vector<std::string> lines;
    for (size_t start = 0; start < content.size();) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }

    std::string header = "[";
    header += Upper(section);
    header += ']';
    for (const auto& [key, value] : edits) {
        // Where the section starts and ends, found again after every edit.
        bool found = false;
        size_t begin = lines.size(), end = lines.size();
        for (size_t i = 0; i < lines.size(); ++i) {
            std::string trimmed = Upper(Trimmed(lines[i]));
            if (!found) {
                if (trimmed == header) {
                    found = true;
                    begin = i + 1;
                }
            } else if (!trimmed.empty() && trimmed[0] == '[') {
                end = i;
                break;
            }
        }
        if (!found && !value) continue;
        if (!found) {
            lines.push_back("[" + section + "]");
            begin = end = lines.size();
        }
        // Every line of the key in the section: the first takes the new value, the others go.
        std::vector<size_t> matches;
        for (size_t i = begin; i < end; ++i) {
            size_t equals = lines[i].find('=');
            if (equals != std::string::npos && Upper(Trimmed(lines[i].substr(0, equals))) == Upper(key))
                matches.push_back(i);
        }
        size_t keep = matches.size();
        if (value && !matches.empty()) {
            lines[matches[0]] = key + "=" + *value;
            keep = 0;
        }
        for (size_t m = matches.size(); m-- > 0;)
            if (m != keep) lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(matches[m]));
        if (value && matches.empty()) lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(end), key + "=" + *value);
    }

    std::string out;
    for (const std::string& line : lines) out += line + newline;
    switch (m_profileForm) {
    case ProfileForm::Utf8:
        return WriteWholeFile(path, "\xEF\xBB\xBF" + RecodeText(out, CP_ACP, CP_UTF8));
    case ProfileForm::Utf16:
        return WriteWholeFile(path, Utf16File(RecodeText(out, CP_ACP, CP_UTF8)));
    default:
        return WriteWholeFile(path, RecodeText(out, CP_ACP, SystemCodePage()));
    }
}

std::string Medium::Build() {
    RemoveTree(m_path);
    MakeFolders(m_path);
    if (!CopyTree(m_sample, m_path, "")) return "";
    for (const auto& [relative, content] : m_added)
        if (!WriteWholeFile(m_path + "\\" + relative, content)) return "";
    for (const auto& [relative, source] : m_copies) {
        std::string target = m_path + "\\" + relative;
        MakeFolders(StripTrailingBackslashes(SplitPath(target).folder));
        if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) return "";
    }
    for (const std::string& relative : m_wideFiles)
        if (!MakeWideFile(m_path + "\\" + relative)) return "";
    if (!EditProfile("SETUP.INI", "Setup", m_iniEdits)) return "";
    if (!EditProfile("SETUP.TXT", "SetupText", m_txtEdits)) return "";
    return m_path;
}

Medium& Medium::MarkProfilesUtf8() {
    m_profileForm = ProfileForm::Utf8;
    return *this;
}

Medium& Medium::MarkProfilesUtf16() {
    m_profileForm = ProfileForm::Utf16;
    return *this;
}

Medium& Medium::AddWideFile(const std::string& relativePath) {
    m_wideFiles.push_back(relativePath);
    return *this;
}
