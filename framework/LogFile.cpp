#include "framework/LogFile.h"

#include "framework/CodePage.h"
#include "framework/PathText.h"
#include "framework/PlaceWay.h"

bool LogFile::Open(const std::string& path) {
    // Readable by others while the run writes, as a person or a management
    // tool may look at the log of a run that is still going. Made anew
    // through the door: the folder a /LOG= switch names (or the temporary
    // folder) may be the user's, and an elevated run never writes through a
    // link put on the way or at the log's name.
    UniqueFile file = CreateFreshInPlace(path, GENERIC_WRITE, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL);
    if (!file) return false;
    m_file = std::move(file);
    for (const std::string& line : m_waiting) Write(line);
    m_waiting.clear();
    return true;
}

void LogFile::Line(const std::string& text) {
    if (m_file)
        Write(text);
    else if (!m_discard)
        m_waiting.push_back(text);
}

void LogFile::Write(const std::string& text) {
    // UTF-8 whatever the program's code page, as a management tool reads it.
    std::string line = RecodeText(text, CP_ACP, CP_UTF8) + "\r\n";
    DWORD written = 0;
    WriteFile(m_file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string LogFileName(const std::string& program, const std::string& productName) {
    if (productName.empty()) return program + ".log";
    std::string name;
    // Stepped a character at a time: the second byte of a double-byte
    // character may look like "\" or "|" and is no such character.
    std::string_view product = productName;
    for (size_t i = 0; i < product.size();) {
        size_t next = NextCharIndex(product, i);
        std::string_view character = product.substr(i, next - i);
        bool single = character.size() == 1;
        unsigned char c = static_cast<unsigned char>(character[0]);
        if (single && (c < 0x20 || std::string_view("\\/:*?\"<>|").find(character[0]) != std::string_view::npos))
            name += '_';
        else
            name += character;
        i = next;
    }
    return program + "-" + name + ".log";
}

std::string DefaultLogPath(const std::string& program, const std::string& productName) {
    char folder[AnsiPathBufferSize] = {};
    DWORD length = GetTempPathA(AnsiPathBufferSize, folder);
    if (length == 0 || length >= AnsiPathBufferSize) return {};
    return JoinPath(std::string_view(folder, length), LogFileName(program, productName));
}
