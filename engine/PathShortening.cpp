#include "engine/PathShortening.h"

#include "framework/Gdi.h"

namespace {
// The form after `passes` removals on each side of the dots placed in the middle.
std::string DottedForm(const std::string& text, size_t passes) {
    size_t middle = text.size() / 2;
    size_t before = middle - 1 - passes;     // characters kept before "..."
    size_t afterStart = middle + 2 + passes;  // first character kept after "..."
    return text.substr(0, before) + "..." + text.substr(afterStart);
}
}  // namespace

std::string ShortenTextToFit(const std::string& text, int width, const TextMeasure& measure) {
    if (width < 10 || text.empty()) return {};
    if (measure(text) <= width) return text;
    // Too short to put "..." in its middle: nothing can be removed.
    if (text.size() < 3) return text;

    // Each pass removes one character after and one before the dots; widths
    // only shrink from pass to pass, so the first form that fits is found by
    // bisection instead of measuring every pass.
    size_t middle = text.size() / 2;
    size_t lastPass = std::min(middle - 1, text.size() - middle - 2);
    size_t low = 0;
    size_t high = lastPass;
    if (measure(DottedForm(text, high)) > width) return DottedForm(text, high);
    while (low < high) {
        size_t mid = low + (high - low) / 2;
        if (measure(DottedForm(text, mid)) <= width)
            high = mid;
        else
            low = mid + 1;
    }
    return DottedForm(text, low);
}

std::string ShortenPathToFit(HWND window, int width, const std::string& text) {
    CClientDC dc(window);
    if (!dc.m_hDC) return {};
    return ShortenTextToFit(text, width, [&dc](const std::string& s) {
        SIZE size = {};
        GetTextExtentPoint32A(dc, s.c_str(), static_cast<int>(s.size()), &size);
        return static_cast<int>(size.cx);
    });
}
