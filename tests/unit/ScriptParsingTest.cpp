// Cutting a script into lines, lines into fields, expanding path variables
// and cutting paths into parts: the rules that need no file and no window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/PathVariables.h"
#include "script/ScriptCommands.h"
#include "script/ScriptFile.h"
#include "script/ScriptLine.h"

namespace {
using Lines = std::vector<std::string>;
using namespace std::string_literals;

struct TextCase {
    std::string bytes;
    Lines expected;
};

TEST(ScriptText, LinesEndAtCarriageReturnsAndRunsOfLineEndsAreSkipped) {
    const TextCase cases[] = {
        {"COPY A B\rCOPY C D", {"COPY A B", "COPY C D"}},
        {"COPY A B\r\nCOPY C D\r\n", {"COPY A B", "COPY C D"}},
        {"\r\n\r\nA\r\r\n\n\rB\n", {"A", "B\n"}},
        {"A\nB\nC", {"A\nB\nC"}},  // LF alone ends nothing
        {"\nA\rB", {"\nA", "B"}},   // a leading LF belongs to the first line
        {"A\0B\rC"s, {"A"}},        // a NUL ends the script
        {"\0A\rB"s, {}},
        {"", {}},
        {"\r\n", {}},
    };
    for (const TextCase& c : cases) EXPECT_EQ(SplitScriptText(c.bytes), c.expected) << "bytes: " << c.bytes;
}

TEST(ScriptText, LineLongerThanTheLineStoreKeepsItsFirst1023Characters) {
    std::string longLine = "COPY " + std::string(2000, 'x');
    Lines lines = SplitScriptText(longLine + "\r\nRUN next\r\n" + std::string(1023, 'y') + "\r" +
                                  std::string(1024, 'z'));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], longLine.substr(0, ScriptLineLimit));
    EXPECT_EQ(lines[1], "RUN next");  // the rest of the long line is not a line of its own
    EXPECT_EQ(lines[2], std::string(1023, 'y'));
    EXPECT_EQ(lines[3], std::string(1023, 'z'));
}

struct SplitCase {
    const char* line;
    Lines fields;
};

TEST(ScriptLineSplit, FieldsAreSeparatedBySpacesAndQuotesKeepSpaces) {
    const SplitCase cases[] = {
        {"COPY C:\\A.TXT D:\\B.TXT", {"COPY", "C:\\A.TXT", "D:\\B.TXT"}},
        {"COPY   C:\\A.TXT    D:\\B.TXT   ", {"COPY", "C:\\A.TXT", "D:\\B.TXT"}},
        {"COPY \"%STARTDIR%\\Read Me.txt\" %WINDOWS%\\README.TXT",
         {"COPY", "%STARTDIR%\\Read Me.txt", "%WINDOWS%\\README.TXT"}},
        {" COPY A.TXT", {"", "COPY", "A.TXT"}},                // a leading space gives an empty command word
        {"\"abc\"def", {"abc", "def"}},                        // no space needed after a closing quote
        {"COPY \"C:\\A B.TXT", {"COPY", "C:\\A B.TXT "}},      // unterminated: keeps the appended space
        {"COPY\tC:\\A.TXT B", {"COPY\tC:\\A.TXT", "B"}},       // tab is an ordinary character
        {"COPY C:\\A\"B.TXT x", {"COPY", "C:\\A\"B.TXT", "x"}},  // a quote inside a field is ordinary
        {"\"\" X", {"", "X"}},
        {"COPY A B\nCOPY C D", {"COPY", "A", "B\nCOPY", "C", "D"}},
    };
    for (const SplitCase& c : cases) {
        size_t count = SplitScriptLine(c.line);
        Lines got(ScriptFields.begin(), ScriptFields.begin() + count);
        EXPECT_EQ(got, c.fields) << "line: " << c.line;
        for (size_t i = count; i < ScriptFieldCount; ++i) EXPECT_EQ(ScriptFields[i], "") << "line: " << c.line;
    }
}

TEST(ScriptLineSplit, FieldsBeyondTheTenthAreDroppedAndEarlierLinesLeaveNothing) {
    EXPECT_EQ(SplitScriptLine("1 2 3 4 5 6 7 8 9 10 11 \"12 13\" 14"), ScriptFieldCount);
    EXPECT_EQ(ScriptFields[0], "1");
    EXPECT_EQ(ScriptFields[9], "10");

    EXPECT_EQ(SplitScriptLine("RUN"), 1u);
    EXPECT_EQ(ScriptFields[0], "RUN");
    for (size_t i = 1; i < ScriptFieldCount; ++i) EXPECT_EQ(ScriptFields[i], "") << "field " << i;
}

InstallSettingsRecord SampleSettings(bool shortcutMade) {
    InstallSettingsRecord s;
    s.SystemDir = "C:\\WINDOWS\\SYSTEM";
    s.WindowsDir = "C:\\WINDOWS";
    s.StartDir = "D:\\";
    s.InstallPath = "C:\\Books\\Demo";
    s.DesktopDir = "C:\\Users\\Ann\\Desktop";
    s.FavoritesDir = "C:\\Users\\Ann\\Favorites\\";
    s.PersonalDir = "C:\\Users\\Ann\\Documents";
    if (shortcutMade) {
        s.InstallDrive = "C:";
        s.InstallDir = "\\Books\\Demo";
    }
    return s;
}

struct ExpandCase {
    const char* field;
    const char* expected;
};

void ExpectExpansions(const InstallSettingsRecord& settings, std::initializer_list<ExpandCase> cases) {
    for (const ExpandCase& c : cases)
        EXPECT_EQ(ExpandPathVariable(c.field, settings), c.expected) << "field: " << c.field;
}

TEST(ScriptPathVariable, EachNameGivesItsValue) {
    ExpectExpansions(SampleSettings(true), {
                                               {"%SYSTEM%", "C:\\WINDOWS\\SYSTEM"},
                                               {"%WINDOWS%", "C:\\WINDOWS"},
                                               {"%STARTDIR%", "D:"},
                                               {"%INSTALLDRIVE%", "C:"},
                                               {"%INSTALLDIR%", "\\Books\\Demo"},
                                               {"%INSTALLPATH%", "C:\\Books\\Demo"},
                                               {"%DESKTOP%", "C:\\Users\\Ann\\Desktop"},
                                               {"%FAVORITES%", "C:\\Users\\Ann\\Favorites\\"},
                                               {"%MYDOCUMENTS%", "C:\\Users\\Ann\\Documents"},
                                           });
}

TEST(ScriptPathVariable, NameAnyCaseOnlyAtStartAndOneBackslashJoinsTheRest) {
    ExpectExpansions(SampleSettings(true), {
                                               {"%windows%\\win.ini", "C:\\WINDOWS\\win.ini"},
                                               {"%WINDOWS%WIN.INI", "C:\\WINDOWS\\WIN.INI"},
                                               {"%WINDOWS%\\WIN.INI", "C:\\WINDOWS\\WIN.INI"},
                                               {"%Favorites%x.url", "C:\\Users\\Ann\\Favorites\\x.url"},
                                               {"%STARTDIR%\\DATA\\X.TXT", "D:\\DATA\\X.TXT"},
                                               {"%WINDOWS%%SYSTEM%", "C:\\WINDOWS\\%SYSTEM%"},
                                               {"X%WINDOWS%", "X%WINDOWS%"},
                                               {"%Foo%bar", "%FOO%\\bar"},
                                               {"%windows", "%WINDOWS"},
                                               {"%", "%"},
                                               {"%%\\x", "%%\\x"},
                                               {"COPY", "COPY"},
                                               {"", ""},
                                               {"%INSTALLDRIVE%\\X.TXT", "C:\\X.TXT"},
                                               {"%INSTALLDIR%\\Sub\\A.TXT", "\\Books\\Demo\\Sub\\A.TXT"},
                                           });
}

TEST(ScriptPathVariable, WithoutShortcutDriveAndFolderAreEmpty) {
    ExpectExpansions(SampleSettings(false), {
                                                {"%INSTALLDRIVE%\\X.TXT", "\\X.TXT"},
                                                {"%INSTALLDRIVE%X.TXT", "\\X.TXT"},
                                                {"%INSTALLDIR%", ""},
                                                {"%installdir%\\A", "\\A"},
                                                {"%INSTALLPATH%\\A", "C:\\Books\\Demo\\A"},
                                            });
}

TEST(ScriptPathVariable, StartDirLosesOnlyARootsBackslash) {
    InstallSettingsRecord s = SampleSettings(false);
    s.StartDir = "Z:\\media\\cd";
    ExpectExpansions(s, {{"%STARTDIR%", "Z:\\media\\cd"}, {"%STARTDIR%SETUP.INI", "Z:\\media\\cd\\SETUP.INI"}});
}

struct PathCase {
    const char* path;
    ScriptPathParts parts;
};

TEST(ScriptPathParts, DriveDirectoryNameAndExtension) {
    const PathCase cases[] = {
        {"C:\\DIR\\NAME.EXT", {"C:", "\\DIR\\", "NAME", ".EXT"}},
        {"C:FILE.TXT", {"C:", "", "FILE", ".TXT"}},
        {"\\\\server\\share\\F.TXT", {"", "\\\\server\\share\\", "F", ".TXT"}},
        {"C:\\DATA.1\\README", {"C:", "\\DATA.1\\", "README", ""}},
        {"C:\\WINDOWS\\", {"C:", "\\WINDOWS\\", "", ""}},
        {"D:/a/b.c.d", {"D:", "/a/", "b.c", ".d"}},
        {"A.TXT", {"", "", "A", ".TXT"}},
        {"", {"", "", "", ""}},
    };
    for (const PathCase& c : cases) {
        ScriptPathParts got = SplitScriptPath(c.path);
        EXPECT_EQ(got.drive, c.parts.drive) << c.path;
        EXPECT_EQ(got.directory, c.parts.directory) << c.path;
        EXPECT_EQ(got.name, c.parts.name) << c.path;
        EXPECT_EQ(got.extension, c.parts.extension) << c.path;
    }
}
}  // namespace
