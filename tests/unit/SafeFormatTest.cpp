#include "framework/SafeFormat.h"

#include <gtest/gtest.h>

namespace {
struct FormatCase {
    const char* text;
    const char* argument;
    const char* expected;
};

// Texts from SETUP.TXT are used as format texts with one argument: nothing in
// them may make the formatter read past that argument.
TEST(FormatText, TakesOneArgumentAndShowsEverythingElseLiterally) {
    const FormatCase cases[] = {
        {"Welcome to %s.", "Zandel", "Welcome to Zandel."},
        {"No argument here", "Zandel", "No argument here"},
        {"100%% sure", "Zandel", "100% sure"},
        {"%s and %s", "A", "A and %s"},
        {"%d%n%x %p", "A", "%d%n%x %p"},
        {"ends with %", "A", "ends with %"},
        {"%%s is not an argument", "A", "%s is not an argument"},
        {"%s", "", ""},
        {"", "A", ""},
        {"%s%%%s", "50", "50%%s"},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(FormatText(c.text, c.argument), c.expected) << "text: " << c.text;
}

TEST(FormatText, ArgumentIsNeverItselfFormatted) {
    EXPECT_EQ(FormatText("Install %s now", "100%% %s %d"), "Install 100%% %s %d now");
}

TEST(StringPrintf, FormatsLongTextsWithoutCutting) {
    std::string longValue(5000, 'x');
    std::string out = StringPrintf("'%s' and '%c'", longValue.c_str(), '*');
    EXPECT_EQ(out, "'" + longValue + "' and '*'");
}
}  // namespace
