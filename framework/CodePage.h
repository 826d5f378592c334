#pragma once
// The two code pages a program of ours meets. Its own ANSI code page (CP_ACP)
// is what every -A call takes and gives: UTF-8 where the system honours the
// manifest's request for it (Windows 10 1903 and later), the system's code
// page before. The system's own ANSI code page is the one a publisher's files
// and an older setup's stored text were written in, whichever the program runs in.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

// The system locale's ANSI code page (1252 on a Western Windows, 932 on a
// Japanese one), also when the program itself runs in UTF-8.
UINT SystemCodePage();

// Whether the program's -A calls take and give UTF-8.
bool ProgramUsesUtf8();

// Text in a code page as UTF-16, and back. A byte that is no character of
// the code page becomes the code page's default character; nothing is lost
// from the text's length.
std::wstring WideText(std::string_view text, UINT codePage = CP_ACP);
std::string NarrowText(std::wstring_view text, UINT codePage = CP_ACP);

// A name from the disk in the code page, whole or not at all. `whole` is
// false when a character has no form of its own there: the system's "best
// fit" would put a look-alike in its place (a full-width dot becomes ".", a
// full-width backslash "\\"), and then `text` holds the code page's default
// character for it instead, which names nothing on the disk (a name that is
// not whole is shown, never used).
struct NarrowedName {
    std::string text;
    bool whole = true;
};
NarrowedName NarrowName(std::wstring_view name, UINT codePage = CP_ACP);

// The Windows ANSI code pages this system knows in which the text could be
// written only with a look-alike (best fit) for some character of it: on a
// system running in one of them, a program that narrows names would meet
// another name.
std::vector<UINT> LookAlikeCodePages(std::wstring_view text);

// Text from one code page in another (unchanged when the two are one).
std::string RecodeText(std::string_view text, UINT from, UINT to = CP_ACP);

// How many UTF-16 units the system makes of the text: what its path limits count.
size_t WideLength(std::string_view text, UINT codePage = CP_ACP);

// Whether every byte of the text belongs to a character of the code page.
bool IsValidText(std::string_view text, UINT codePage);
