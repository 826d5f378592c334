#include "settings/ProfileFile.h"

#include "framework/CodePage.h"
#include "framework/UniqueHandle.h"

namespace {
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Mark = "\xFF\xFE";
constexpr size_t kValueLimit = 1023;

// UTF-16 little-endian units as text; an odd last byte (a file cut short) is
// no unit and is left out.
std::wstring Utf16Text(std::string_view bytes) {
    std::wstring text(bytes.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return text;
}

// Whether every surrogate of the text has its partner.
bool IsWholeUtf16(std::wstring_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1]))
            ++i;
        else if (IS_HIGH_SURROGATE(text[i]) || IS_LOW_SURROGATE(text[i]))
            return false;
    }
    return true;
}

// A blank as the profile reader sees one: the system's white space, and the
// end-of-file mark (Ctrl+Z) that old editors leave.
bool IsBlank(wchar_t c) {
    if (c == L' ' || c == L'\t' || c == 0x1A) return true;
    WORD type = 0;
    return c >= 0x80 && GetStringTypeW(CT_CTYPE1, &c, 1, &type) && (type & C1_SPACE);
}

std::wstring_view Trimmed(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::wstring_view WithoutQuotes(std::wstring_view value) {
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}
}  // namespace

PublisherEncoding PublisherEncodingOf(std::string_view bytes) {
    if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) return PublisherEncoding::Utf8;
    if (bytes.substr(0, kUtf16Mark.size()) == kUtf16Mark) return PublisherEncoding::Utf16;
    return PublisherEncoding::SystemCodePage;
}

std::string PublisherEncodingName(PublisherEncoding encoding, UINT systemCodePage) {
    switch (encoding) {
    case PublisherEncoding::Utf8:
        return "UTF-8 with a byte-order mark";
    case PublisherEncoding::Utf16:
        return "UTF-16 little-endian with a byte-order mark";
    default:
        return "the system's code page (" + std::to_string(systemCodePage) + ")";
    }
}

std::wstring DecodePublisherText(std::string_view bytes, UINT systemCodePage) {
    switch (PublisherEncodingOf(bytes)) {
    case PublisherEncoding::Utf8:
        return WideText(bytes.substr(kUtf8Mark.size()), CP_UTF8);
    case PublisherEncoding::Utf16:
        return Utf16Text(bytes.substr(kUtf16Mark.size()));
    default:
        return WideText(bytes, systemCodePage);
    }
}

bool IsReadablePublisherText(std::string_view bytes, UINT systemCodePage) {
    switch (PublisherEncodingOf(bytes)) {
    case PublisherEncoding::Utf8:
        return IsValidText(bytes.substr(kUtf8Mark.size()), CP_UTF8);
    case PublisherEncoding::Utf16:
        return bytes.size() % 2 == 0 && IsWholeUtf16(Utf16Text(bytes.substr(kUtf16Mark.size())));
    default:
        return IsValidText(bytes, systemCodePage);
    }
}

std::optional<std::string> ReadProfileBytes(const std::string& path) {
    UniqueFile file(
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return std::nullopt;
    std::string bytes;
    char block[4096];
    DWORD got = 0;
    while (ReadFile(file.Get(), block, sizeof block, &got, nullptr) && got > 0) bytes.append(block, got);
    return bytes;
}

ProfileFile ProfileFile::Load(const std::string& path, UINT systemCodePage) {
    return FromBytes(ReadProfileBytes(path).value_or(""), systemCodePage);
}

ProfileFile ProfileFile::FromBytes(std::string_view bytes, UINT systemCodePage) {
    ProfileFile profile;
    std::wstring text = DecodePublisherText(bytes, systemCodePage);
    Section* current = nullptr;  // keys before the first section belong to none
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring_view line = Trimmed(std::wstring_view(text).substr(start, end - start));
        start = end + 1;
        if (line.empty()) continue;
        if (line.front() == L'[') {
            size_t close = line.rfind(L']');
            if (close != std::wstring_view::npos) {
                profile.m_sections.push_back({std::wstring(Trimmed(line.substr(1, close - 1))), {}});
                current = &profile.m_sections.back();
                continue;
            }
        }
        if (!current) continue;
        size_t equals = line.find(L'=');
        if (equals == std::wstring_view::npos) {
            current->keys.push_back({std::wstring(line), std::nullopt});
        } else {
            current->keys.push_back(
                {std::wstring(Trimmed(line.substr(0, equals))), std::wstring(Trimmed(line.substr(equals + 1)))});
        }
    }
    return profile;
}

std::optional<std::string> ProfileFile::Value(std::string_view section, std::string_view key,
                                              UINT programCodePage) const {
    std::wstring sectionName = WideText(section, programCodePage), keyName = WideText(key, programCodePage);
    for (const Section& s : m_sections) {
        if (!SameName(s.name, Trimmed(sectionName))) continue;
        for (const Key& k : s.keys) {
            if (!SameName(k.name, Trimmed(keyName))) continue;
            if (!k.value) return std::nullopt;
            std::wstring_view value = WithoutQuotes(*k.value);
            if (value.size() > kValueLimit) {
                size_t cut = kValueLimit;
                if (IS_HIGH_SURROGATE(value[cut - 1])) --cut;
                value = value.substr(0, cut);
            }
            return NarrowText(value, programCodePage);
        }
        return std::nullopt;  // only the first section of a name is read
    }
    return std::nullopt;
}
