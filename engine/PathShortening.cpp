#include "engine/PathShortening.h"

#include <vector>

#include "framework/Gdi.h"
#include "framework/PathText.h"

namespace {
// The text as whole characters: a double-byte character is removed whole or
// kept whole, never cut in two (half of one shows as garbage).
class Characters {
public:
    Characters(const std::string& text, UINT codePage) : m_text(text), m_starts(CharStarts(text, codePage)) {
        m_starts.push_back(text.size());
    }
    size_t Count() const { return m_starts.size() - 1; }
    // The form after `passes` removals on each side of the dots placed in the middle.
    std::string DottedForm(size_t passes) const {
        size_t middle = Count() / 2;
        size_t before = middle - 1 - passes;     // characters kept before "..."
        size_t afterStart = middle + 2 + passes;  // first character kept after "..."
        return m_text.substr(0, m_starts[before]) + "..." + m_text.substr(m_starts[afterStart]);
    }

private:
    const std::string& m_text;
    std::vector<size_t> m_starts;
};
}  // namespace

std::string ShortenTextToFit(const std::string& text, int width, const TextMeasure& measure, UINT codePage) {
    if (width < 10 || text.empty()) return {};
    if (measure(text) <= width) return text;
    Characters characters(text, codePage);
    size_t count = characters.Count();
    // Too short to put "..." in its middle: nothing can be removed.
    if (count < 3) return text;

    // Each pass removes one character after and one before the dots, and the
    // width only shrinks from pass to pass. So instead of measuring after
    // every pass, the passes are probed at 0, 1, 3, 7, ... until a form fits,
    // and the first fitting pass is then found by bisection: O(log p)
    // measurements for p passes, and as few as measuring each pass when only
    // a pass or two are needed.
    size_t middle = count / 2;
    size_t lastPass = std::min(middle - 1, count - middle - 2);
    auto fits = [&](size_t passes) { return measure(characters.DottedForm(passes)) <= width; };
    size_t probe = 0;
    size_t tooWide = 0;  // a pass known not to fit, once probe > 0
    while (!fits(probe)) {
        // Nothing is left to remove on one side: the shortest form is all there is.
        if (probe == lastPass) return characters.DottedForm(lastPass);
        tooWide = probe;
        probe = std::min(lastPass, probe * 2 + 1);
    }
    if (probe == 0) return characters.DottedForm(0);
    size_t low = tooWide + 1;
    size_t high = probe;
    while (low < high) {
        size_t mid = low + (high - low) / 2;
        if (fits(mid))
            high = mid;
        else
            low = mid + 1;
    }
    return characters.DottedForm(low);
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
