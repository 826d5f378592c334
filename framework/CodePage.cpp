#include "framework/CodePage.h"

#include <cstdlib>

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
