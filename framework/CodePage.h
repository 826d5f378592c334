#pragma once
// The two code pages a program of ours meets. Its own ANSI code page (CP_ACP)
// is what every -A call takes and gives: UTF-8 where the system honours the
// manifest's request for it (Windows 10 1903 and later), the system's code
// page before. The system's own ANSI code page is the one a publisher's files
// and an older setup's stored text were written in, whichever the program runs in.
#include <windows.h>

#include <string>
#include <string_view>

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

// Text from one code page in another (unchanged when the two are one).
std::string RecodeText(std::string_view text, UINT from, UINT to = CP_ACP);

// How many UTF-16 units the system makes of the text: what its path limits count.
size_t WideLength(std::string_view text, UINT codePage = CP_ACP);

// Whether every byte of the text belongs to a character of the code page.
bool IsValidText(std::string_view text, UINT codePage);
