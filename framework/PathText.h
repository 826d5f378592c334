#pragma once
// Path text in the system's ANSI code page. On a Japanese, Chinese or Korean
// Windows a character can take two bytes, and its second byte may be "\",
// "_", "|" or "`" (code page 932's "表" is 0x95 0x5C). A scan that looks at
// bytes would cut such a name apart, so every search, split and cut of a
// path steps from character to character here, by the system's own lead-byte
// rules. On a single-byte code page each byte is a character and every
// result is what a byte scan gives. Where the program runs in UTF-8 a
// character is a whole UTF-8 sequence (no byte of which is below 0x80, so
// the scans for "\" and "/" find what a byte scan finds).
//
// The code page is the program's ANSI one unless a caller names another (the
// tests name 932, 1252 and 65001 to pin the rules of each on any system).
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

// The index of the character after the one starting at `index`. A lead byte
// with nothing after it is a character of its own.
size_t NextCharIndex(std::string_view text, size_t index, UINT codePage = CP_ACP);

// The index where the character ending just before `index` starts (0 at the start).
size_t PreviousCharIndex(std::string_view text, size_t index, UINT codePage = CP_ACP);

// The start of every character, in order: the places where text may be cut.
std::vector<size_t> CharStarts(std::string_view text, UINT codePage = CP_ACP);

// The first character `c` (a single-byte one) at or after `from`, which must
// start a character; npos when there is none. A byte of that value inside a
// double-byte character is not `c`.
size_t FindChar(std::string_view text, char c, size_t from = 0, UINT codePage = CP_ACP);

// The first character at or after `from` that is one of `chars`; npos when none is.
size_t FindFirstOf(std::string_view text, std::string_view chars, size_t from = 0, UINT codePage = CP_ACP);

// The last character that is one of `chars` (single-byte ones); npos when none is.
size_t FindLastOf(std::string_view text, std::string_view chars, UINT codePage = CP_ACP);

// The last "\" or "/" of the path; npos when there is none.
size_t FindLastSeparator(std::string_view path, UINT codePage = CP_ACP);

// How many characters `c` the text holds.
size_t CountChar(std::string_view text, char c, UINT codePage = CP_ACP);

// Whether the text's first character is a backslash.
bool StartsWithBackslash(std::string_view text, UINT codePage = CP_ACP);

// Whether the path's last character is a backslash (not the second byte of
// a double-byte character).
bool EndsWithBackslash(std::string_view path, UINT codePage = CP_ACP);

// The path without its trailing backslashes, but never shorter than `keep`
// bytes (3 keeps the backslash of "C:\").
std::string StripTrailingBackslashes(std::string_view path, size_t keep = 0, UINT codePage = CP_ACP);

// The folder and the name joined with one backslash between them (none added
// when the folder already ends in one).
std::string JoinPath(std::string_view folder, std::string_view name, UINT codePage = CP_ACP);

// Whether `path` lies below `folder` (inside it, not the folder itself),
// names compared as the file system compares them (letter case aside), by
// whole characters: the second byte of a double-byte character that looks
// like "\" is no separator. False for an empty folder.
bool IsBelowFolder(std::string_view path, std::string_view folder, UINT codePage = CP_ACP);

// Whether one name of a path names no entry of its own but a step: "." or
// "..", also with dots or spaces after it ("..  ", "..."), which the system
// drops at a name's end; a name of dots and spaces alone is never one a run
// writes.
bool IsStepName(std::string_view name);

// The root of the path's drive: "X:\" for a path on a drive, "\\server\share\"
// for one on a share (neither name empty); empty for any other form ("\\?\",
// "\\.\", a relative path).
std::string DriveRoot(std::string_view path);

// Whether the path is a plain full path of a drive or a share, without "."
// or ".." names, streams, device or "\\?\" forms: the only kind a run writes.
bool PlainFullPath(std::string_view path);

// A path split after its last "\" or "/": the folder keeps that separator,
// so folder + name is the path again.
struct PathSplit {
    std::string folder;
    std::string name;
};
PathSplit SplitPath(std::string_view path, UINT codePage = CP_ACP);

// The path's name without its folder and without its extension (the text
// from its last period on): a program's name as its message boxes show it.
std::string NameWithoutExtension(std::string_view path, UINT codePage = CP_ACP);

// The path's length as the system's limits count it (MAX_PATH and the
// like): in UTF-16 units, which a UTF-8 or double-byte character takes one
// of (two beyond the basic plane), not in bytes.
size_t PathLength(std::string_view path, UINT codePage = CP_ACP);

// The bytes a buffer takes for an ANSI path of up to MAX_PATH UTF-16 units
// in any code page (three bytes a unit in UTF-8).
constexpr DWORD AnsiPathBufferSize = 3 * MAX_PATH;
