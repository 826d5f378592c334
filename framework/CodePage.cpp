#include "framework/CodePage.h"

#include <cstdlib>

// From Vista's winnls.h: the program is built for the older systems too.
#ifndef WC_ERR_INVALID_CHARS
#define WC_ERR_INVALID_CHARS 0x00000080
#endif

namespace {
int WideCount(std::string_view text, UINT codePage, DWORD flags = 0) {
    if (text.empty()) return 0;
    return MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
}
}  // namespace

UINT SystemCodePage() {
    char number[8] = {};
    if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, number, sizeof number) > 0) {
        UINT codePage = static_cast<UINT>(std::strtoul(number, nullptr, 10));
        if (codePage != 0 && IsValidCodePage(codePage)) return codePage;
    }
    return GetACP();
}

bool ProgramUsesUtf8() { return GetACP() == CP_UTF8; }

std::wstring WideText(std::string_view text, UINT codePage) {
    std::wstring wide(static_cast<size_t>(WideCount(text, codePage)), L'\0');
    if (!wide.empty())
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            static_cast<int>(wide.size()));
    return wide;
}

std::string NarrowText(std::wstring_view text, UINT codePage) {
    if (text.empty()) return {};
    int length = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                     nullptr);
    std::string narrow(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (!narrow.empty())
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                            nullptr);
    return narrow;
}

NarrowedName NarrowName(std::wstring_view name, UINT codePage) {
    NarrowedName narrowed;
    if (name.empty()) return narrowed;
    const UINT page = codePage == CP_ACP ? GetACP() : codePage;
    const int length = static_cast<int>(name.size());
    if (page == CP_UTF8) {
        // UTF-8 holds every character; only half of a surrogate pair does
        // not convert, and the call then refuses the whole name (from
        // Vista; a system older than that never runs a program in UTF-8).
        int size = WideCharToMultiByte(page, WC_ERR_INVALID_CHARS, name.data(), length, nullptr, 0, nullptr, nullptr);
        if (size > 0) {
            narrowed.text.assign(static_cast<size_t>(size), '\0');
            WideCharToMultiByte(page, WC_ERR_INVALID_CHARS, name.data(), length, narrowed.text.data(), size, nullptr,
                                nullptr);
            return narrowed;
        }
        narrowed.whole = false;
        narrowed.text = NarrowText(name, page);
        return narrowed;
    }
    // No look-alikes: a character without a form of its own becomes the
    // default character, and the call says that it used it.
    BOOL usedDefault = FALSE;
    int size = WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, name.data(), length, nullptr, 0, nullptr, &usedDefault);
    narrowed.text.assign(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, name.data(), length, narrowed.text.data(), size, nullptr,
                            &usedDefault);
    narrowed.whole = size > 0 && !usedDefault;
    return narrowed;
}

std::vector<UINT> LookAlikeCodePages(std::wstring_view text) {
    static const UINT kAnsiCodePages[] = {874,  932,  936,  949,  950,  1250, 1251,
                                          1252, 1253, 1254, 1255, 1256, 1257, 1258};
    std::vector<UINT> pages;
    if (text.empty()) return pages;
    for (UINT page : kAnsiCodePages) {
        if (!IsValidCodePage(page)) continue;
        // Best fit where the system has one, against the default character
        // where it has none: the two differ only where a look-alike was taken.
        if (NarrowText(text, page) != NarrowName(text, page).text) pages.push_back(page);
    }
    return pages;
}

std::string RecodeText(std::string_view text, UINT from, UINT to) {
    UINT fromPage = from == CP_ACP ? GetACP() : from;
    UINT toPage = to == CP_ACP ? GetACP() : to;
    if (fromPage == toPage) return std::string(text);
    return NarrowText(WideText(text, fromPage), toPage);
}

size_t WideLength(std::string_view text, UINT codePage) { return static_cast<size_t>(WideCount(text, codePage)); }

bool IsValidText(std::string_view text, UINT codePage) {
    return text.empty() || WideCount(text, codePage, MB_ERR_INVALID_CHARS) > 0;
}
