#pragma once
// A profile file of the medium (SETUP.INI, SETUP.TXT) read as the system's
// profile reader reads one, but in the code page the publisher wrote it in.
// The file is the publisher's bytes: in the system's own ANSI code page, or
// UTF-8 when it starts with a UTF-8 byte-order mark (one medium for every
// country), or UTF-16 little-endian after its byte-order mark, which the
// system's reader reads as such too. The system's reader would take the bytes in the program's code
// page, which is UTF-8 on a system that honours the manifest: a 1252 "Ü"
// would come back as U+FFFD.
//
// The rules are the profile reader's: lines end at CR or LF; blanks around a
// line, a section name, a key and its value do not count; "[name]" opens a
// section (its name up to the last "]"); a line without "=" is a key without
// a value, read as a missing one; section and key names match in any letter case; the first
// of two equal keys counts, and the first of two equal sections; a value in
// matching quotes (' or ") loses them. A comment line (";...") is a key no
// name can match.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ProfileFile {
public:
    // The text of the file at `path`; an empty profile when it cannot be read.
    static ProfileFile Load(const std::string& path, UINT systemCodePage);
    // The text of the file's bytes.
    static ProfileFile FromBytes(std::string_view bytes, UINT systemCodePage);

    // The key's value in the program's own code page, cut to its first 1023
    // characters (UTF-16 units, never half a pair); nothing when the section
    // or the key is missing.
    // (The tests name the program's code page to pin the text on any system.)
    std::optional<std::string> Value(std::string_view section, std::string_view key,
                                     UINT programCodePage = CP_ACP) const;

private:
    struct Key {
        std::wstring name;
        std::optional<std::wstring> value;
    };
    struct Section {
        std::wstring name;
        std::vector<Key> keys;
    };
    std::vector<Section> m_sections;
};

// The bytes of a profile file; nothing when it cannot be opened.
std::optional<std::string> ReadProfileBytes(const std::string& path);

// How a publisher's file is written, by its first bytes: a UTF-8 byte-order
// mark, a UTF-16 little-endian one (what the system's editor saved as
// "Unicode" for years, and the usual way to Japanese texts in a file), or
// none, for text in the system's code page.
enum class PublisherEncoding { SystemCodePage, Utf8, Utf16 };
PublisherEncoding PublisherEncodingOf(std::string_view bytes);

// The encoding's name as `medium check` gives it.
std::string PublisherEncodingName(PublisherEncoding encoding, UINT systemCodePage);

// The bytes of a publisher's file as text, in its encoding, the byte-order
// mark dropped.
std::wstring DecodePublisherText(std::string_view bytes, UINT systemCodePage);

// Whether the bytes are text as DecodePublisherText takes them: marked UTF-8
// that is valid UTF-8, marked UTF-16 of whole units and surrogate pairs, or
// valid in the system's code page.
bool IsReadablePublisherText(std::string_view bytes, UINT systemCodePage);
