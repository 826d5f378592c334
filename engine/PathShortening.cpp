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

    // Each pass removes one character after and one before the dots, and the
    // width only shrinks from pass to pass. So instead of measuring after
    // every pass, the passes are probed at 0, 1, 3, 7, ... until a form fits,
    // and the first fitting pass is then found by bisection: O(log p)
    // measurements for p passes, and as few as measuring each pass when only
    // a pass or two are needed.
    size_t middle = text.size() / 2;
    size_t lastPass = std::min(middle - 1, text.size() - middle - 2);
    auto fits = [&](size_t passes) { return measure(DottedForm(text, passes)) <= width; };
    size_t probe = 0;
    size_t tooWide = 0;  // a pass known not to fit, once probe > 0
    while (!fits(probe)) {
        // Nothing is left to remove on one side: the shortest form is all there is.
        if (probe == lastPass) return DottedForm(text, lastPass);
        tooWide = probe;
        probe = std::min(lastPass, probe * 2 + 1);
    }
    if (probe == 0) return DottedForm(text, 0);
    size_t low = tooWide + 1;
    size_t high = probe;
    while (low < high) {
        size_t mid = low + (high - low) / 2;
        if (fits(mid))
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
