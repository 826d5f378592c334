#include "engine/PathShortening.h"

#include <gtest/gtest.h>

#include <cmath>

#include "framework/Gdi.h"

namespace {
// Dots narrow (1 pixel), every other character 10 pixels wide, so that a form
// with "..." is narrower than the text it replaces.
int NarrowDots(const std::string& text) {
    int width = 0;
    for (char c : text) width += c == '.' ? 1 : 10;
    return width;
}

TEST(ShortenTextToFit, TakesTheFormsOfTheRuleInTurn) {
    const struct {
        const char* text;
        int width;
        const char* expected;
    } cases[] = {
        {"ABCDEFGHIJ", 100, "ABCDEFGHIJ"},  // exactly as wide: unchanged
        {"ABCDEFGHIJ", 99, "ABCD...HIJ"},
        {"ABCDEFGHIJ", 72, "ABC...IJ"},
        {"ABCDEFGHIJ", 52, "AB...J"},
        {"ABCDEFGHIJ", 32, "A..."},
        {"ABCDEFGHIJ", 12, "A..."},  // cannot fit: the last form there is
        {"ABCDEFGHIJK", 109, "ABCD...HIJK"},
        {"ABCDEFGHIJK", 82, "ABC...IJK"},
        {"ABCDEFGHIJK", 62, "AB...JK"},
        {"ABCDEFGHIJK", 42, "A...K"},
        {"ABCDEFGHIJK", 22, "..."},
        {"ABC", 10, "..."},
        {"AB", 10, "AB"},  // too short for the dots: left as it is
        {"ABCDEFGHIJ", 9, ""},
        {"", 100, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortenTextToFit(c.text, c.width, NarrowDots), c.expected) << c.text << " in " << c.width;
}

TEST(ShortenTextToFit, KeepsDriveAndFileNameOfAPath) {
    auto byLength = [](const std::string& s) { return static_cast<int>(s.size()) * 10; };
    EXPECT_EQ(ShortenTextToFit("C:\\Books\\Demo\\Chapter1\\Readme.txt", 200, byLength), "C:\\Books...adme.txt");
}

// In code page 932 a character may take two bytes: the dots take the place of
// whole characters, so that no half of one is left to show as garbage.
TEST(ShortenTextToFit, RemovesDoubleByteCharactersWhole) {
    auto byBytes = [](const std::string& s) { return static_cast<int>(s.size()) * 10; };
    // C : \ 一 覧 表 \ ソ 能 x: ten characters in fifteen bytes.
    const std::string path = "C:\\\x88\xEA\x97\x97\x95\x5C\\\x83\x5C\x94\x5Cx";
    const struct {
        UINT codePage;
        int width;
        const char* expected;
    } cases[] = {
        {932, 140, "C:\\\x88\xEA...\x83\x5C\x94\x5Cx"},
        {932, 100, "C:\\...\x94\x5Cx"},
        {932, 70, "C:...x"},
        {1252, 120, "C:\\\x88...\x5C\x94\x5Cx"},  // every byte a character: 一 and ソ cut in two
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortenTextToFit(path, c.width, byBytes, c.codePage), c.expected) << c.codePage << " in " << c.width;
}

// The rule as the user sees it: dots in the middle, then one character off
// each side per pass, measuring after every pass.
std::string ShortenPassByPass(std::string text, int width, const TextMeasure& measure) {
    if (width < 10 || text.empty()) return {};
    if (measure(text) <= width) return text;
    size_t middle = text.size() / 2;
    text.replace(middle - 1, 3, "...");
    size_t dots = middle - 1;
    while (measure(text) > width && dots > 0 && dots + 3 < text.size()) {
        text.erase(dots + 3, 1);
        text.erase(dots - 1, 1);
        --dots;
    }
    return text;
}

TEST(ShortenTextToFit, SameTextAsPassByPassWithLogarithmicallyFewMeasurements) {
    std::string path = "C:\\Program Files\\Books";
    while (path.size() < 240) path += "\\Chapter" + std::to_string(path.size()) + "_Listing";
    path += "\\README.TXT";
    ASSERT_LE(path.size(), 259u);
    // Proportional widths, as a real font has them.
    auto proportional = [](const std::string& s) {
        int width = 0;
        for (unsigned char c : s) width += 4 + c % 7;
        return width;
    };
    int full = proportional(path);
    int mostMeasurements = 0;
    for (int width = 10; width <= full; width += 3) {
        int measurements = 0;
        int passByPass = 0;
        TextMeasure counted = [&](const std::string& s) {
            ++measurements;
            return proportional(s);
        };
        TextMeasure countedPassByPass = [&](const std::string& s) {
            ++passByPass;
            return proportional(s);
        };
        ASSERT_EQ(ShortenTextToFit(path, width, counted), ShortenPassByPass(path, width, countedPassByPass))
            << "width " << width;
        // No more than measuring every pass when a pass or none is needed,
        // and logarithmic in the passes otherwise.
        if (passByPass <= 3) {
            EXPECT_EQ(measurements, passByPass) << "width " << width;
        }
        int passes = std::max(passByPass - 2, 1);
        EXPECT_LE(measurements, 3 + 2 * static_cast<int>(std::ceil(std::log2(passes + 1)))) << "width " << width;
        mostMeasurements = std::max(mostMeasurements, measurements);
    }
    // About 128 passes are possible.
    EXPECT_LE(mostMeasurements, 17);
}

TEST(ShortenPathToFit, MeasuresInTheWindowsOwnDeviceContext) {
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 40, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    auto measure = [window](const std::string& s) {
        CClientDC dc(window);
        SIZE size = {};
        GetTextExtentPoint32A(dc, s.c_str(), static_cast<int>(s.size()), &size);
        return static_cast<int>(size.cx);
    };
    std::string path = "C:\\Books\\Demo\\Chapter1\\Listings\\Windows\\Readme.txt";
    int full = measure(path);
    EXPECT_EQ(ShortenPathToFit(window, full, path), path);
    EXPECT_EQ(ShortenPathToFit(window, 9, path), "");
    for (int width : {full - 1, full / 2, full / 4}) {
        std::string shortened = ShortenPathToFit(window, width, path);
        EXPECT_EQ(shortened, ShortenTextToFit(path, width, measure));
        EXPECT_LE(measure(shortened), width) << shortened;
        EXPECT_NE(shortened.find("..."), std::string::npos) << shortened;
        EXPECT_EQ(shortened.substr(0, 3), "C:\\");
    }
    DestroyWindow(window);
}
}  // namespace

// In UTF-8 a character takes up to four bytes: none is ever cut.
TEST(ShortenTextToFit, RemovesUtf8CharactersWhole) {
    auto byBytes = [](const std::string& s) { return static_cast<int>(s.size()) * 10; };
    // C : \ К н и г и \ Ε ἰ x: eleven characters in eighteen bytes (ἰ takes three).
    const std::string path = "C:\\Книги\\Εἰx";
    EXPECT_EQ(ShortenTextToFit(path, byBytes(path), byBytes, CP_UTF8), path);
    EXPECT_EQ(ShortenTextToFit(path, 160, byBytes, CP_UTF8), "C:\\К...Εἰx");
    EXPECT_EQ(ShortenTextToFit(path, 110, byBytes, CP_UTF8), "C:\\...ἰx");
}
