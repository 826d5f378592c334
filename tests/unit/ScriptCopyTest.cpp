// The script's commands against real files: the four checks of COPY in their
// order with their messages, the completed destination, the overwriting byte
// copy (never through a link or a second name), and the words that do nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScriptTestSupport.h"
#include "settings/InstallSettings.h"
#include "script/ScriptCommands.h"
#include "script/ScriptLine.h"

namespace {
using namespace script_test;
using Messages = std::vector<std::string>;

class ScriptCopy : public ::testing::Test {
protected:
    void SetUp() override {
        saved = InstallSettings;
        work = MakeTestFolder("script-copy");
        CreateDirectoryA((work + "\\src").c_str(), nullptr);
        CreateDirectoryA((work + "\\dst").c_str(), nullptr);
        CreateDirectoryA((work + "\\DATA.1").c_str(), nullptr);
        WriteWholeFile(work + "\\src\\NOTES.TXT", "notes\r\n");
        WriteWholeFile(work + "\\DATA.1\\README", "readme");
    }
    void TearDown() override { InstallSettings = saved; }

    // Runs one line as the script does and returns what it reported.
    Messages Run(const std::string& line) {
        CapturedScriptMessages captured;
        ParseScriptLine(line);
        return CapturedScriptMessages::Messages();
    }

    InstallSettingsRecord saved;
    std::string work;
};

struct CheckCase {
    const char* line;
    const char* message;
};

// Checks 1 to 4 look only at the text of the line: no file is touched.
TEST_F(ScriptCopy, EachFailedCheckReportsItsMessageQuotingTheLine) {
    const CheckCase cases[] = {
        {"COPY C:\\NOTES D:\\X.TXT", "'C:\\NOTES' is an illegal filename. (The filename _must_ have an extension.)"},
        {"COPY C:\\A.TXT", "You must specify a source and destination drive. ('COPY    C:\\A.TXT    ')"},
        {"copy A.TXT D:\\X.TXT", "You must specify a source and destination drive. ('copy    A.TXT    D:\\X.TXT')"},
        {"Copy \\\\server\\share\\F.TXT D:\\F.TXT",
         "You must specify a source and destination drive. ('Copy    \\\\server\\share\\F.TXT    D:\\F.TXT')"},
        {"COPY C:FILE.TXT D:\\FILE.TXT",
         "You must specify a source and destination path. ('COPY    C:FILE.TXT    D:\\FILE.TXT')"},
        {"COPY C:\\FILE.TXT D:FILE.TXT",
         "You must specify a source and destination path. ('COPY    C:\\FILE.TXT    D:FILE.TXT')"},
        // The period test comes first: a source without a period and without
        // a drive reports only the file name.
        {"COPY NOTES D:", "'NOTES' is an illegal filename. (The filename _must_ have an extension.)"},
    };
    for (const CheckCase& c : cases) EXPECT_EQ(Run(c.line), Messages{c.message}) << "line: " << c.line;
}

TEST_F(ScriptCopy, MissingSourceIsReportedWithTheCompletedDestination) {
    std::string source = work + "\\src\\MISSING.TXT";
    Messages got = Run("COPY " + source + " " + work + "\\dst");
    std::string completed = work + "\\dst\\MISSING.TXT";
    EXPECT_EQ(got, Messages{"The file " + source + " does not exist. (Script command 'COPY    " + source + "    " +
                            completed + "')"});
    EXPECT_EQ(ScriptFields[2], completed);
    EXPECT_FALSE(FileExists(completed));
}

struct CopyCase {
    std::string destination;  // as written in the line, after the work folder
    std::string written;      // the file that must hold the source's bytes
    std::string field;        // ScriptFields[2] afterwards
};

TEST_F(ScriptCopy, DestinationWithoutExtensionNamesAFolder) {
    const CopyCase cases[] = {
        {"\\dst\\COPY.TXT", "\\dst\\COPY.TXT", "\\dst\\COPY.TXT"},
        {"\\dst", "\\dst\\NOTES.TXT", "\\dst\\NOTES.TXT"},
        {"\\dst\\", "\\dst\\NOTES.TXT", "\\dst\\\\NOTES.TXT"},  // two backslashes: the system takes them as one
        {"\\dst\\SUB.DIR\\..\\OTHER.TXT", "\\dst\\OTHER.TXT", "\\dst\\SUB.DIR\\..\\OTHER.TXT"},
    };
    for (const CopyCase& c : cases) {
        DeleteFileA((work + c.written).c_str());
        EXPECT_EQ(Run("copy " + work + "\\src\\NOTES.TXT " + work + c.destination), Messages{}) << c.destination;
        EXPECT_EQ(ScriptFields[2], work + c.field);
        EXPECT_EQ(FileContent(work + c.written), "notes\r\n") << c.destination;
    }
}

TEST_F(ScriptCopy, ReplacesAnExistingFileAndKeepsAReadOnlySourceReadOnly) {
    WriteWholeFile(work + "\\dst\\OLD.TXT", "an older and longer text");
    EXPECT_EQ(Run("COPY " + work + "\\src\\NOTES.TXT " + work + "\\dst\\OLD.TXT"), Messages{});
    EXPECT_EQ(FileContent(work + "\\dst\\OLD.TXT"), "notes\r\n");

    // As from a CD-ROM: the system's copy takes the attribute over, and COPY leaves it.
    WriteWholeFile(work + "\\src\\RO.TXT", "read only");
    SetFileAttributesA((work + "\\src\\RO.TXT").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(Run("COPY " + work + "\\src\\RO.TXT " + work + "\\dst"), Messages{});
    DWORD attributes = GetFileAttributesA((work + "\\dst\\RO.TXT").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);

    // A second name of a file elsewhere at the destination's name is
    // replaced, never written through; a destination folder that became a
    // link is never entered.
    WriteWholeFile(work + "\\src\\SYSTEM.INI", "the system's");
    ASSERT_TRUE(CreateHardLinkA((work + "\\dst\\SECOND.TXT").c_str(), (work + "\\src\\SYSTEM.INI").c_str(), nullptr));
    EXPECT_EQ(Run("COPY " + work + "\\src\\NOTES.TXT " + work + "\\dst\\SECOND.TXT"), Messages{});
    EXPECT_EQ(FileContent(work + "\\dst\\SECOND.TXT"), "notes\r\n");
    ASSERT_TRUE(MakeLinuxLink(work + "\\linked", work + "\\src"));
    EXPECT_EQ(Run("COPY " + work + "\\DATA.1\\README " + work + "\\linked\\SYSTEM.INI"), Messages{});
    EXPECT_TRUE(RemoveLinuxLink(work + "\\linked"));
    EXPECT_EQ(FileContent(work + "\\src\\SYSTEM.INI"), "the system's");
}

TEST_F(ScriptCopy, PeriodInAFolderNamePassesTheExtensionTest) {
    EXPECT_EQ(Run("COPY " + work + "\\DATA.1\\README " + work + "\\dst\\README.TXT"), Messages{});
    EXPECT_EQ(FileContent(work + "\\dst\\README.TXT"), "readme");
}

// Only "file not found" counts as missing: a source in a missing folder, like
// a destination folder that does not exist, fails in the copy itself, silently.
TEST_F(ScriptCopy, FailedCopiesAreSilent) {
    const std::string lines[] = {
        "COPY " + work + "\\nofolder\\A.TXT " + work + "\\dst\\A.TXT",
        "COPY " + work + "\\src\\NOTES.TXT " + work + "\\nofolder\\N.TXT",
    };
    for (const std::string& line : lines) EXPECT_EQ(Run(line), Messages{}) << line;
    EXPECT_FALSE(FileExists(work + "\\dst\\A.TXT"));
    EXPECT_FALSE(FileExists(work + "\\nofolder"));  // no folder is created
}

TEST_F(ScriptCopy, RunRenameAndUnknownWordsDoNothing) {
    const std::string lines[] = {
        "RENAME " + work + "\\src\\NOTES.TXT " + work + "\\src\\RENAMED.TXT",
        "rename " + work + "\\src\\NOTES.TXT " + work + "\\dst\\RENAMED.TXT",
        "RUN " + work + "\\src\\NOTES.TXT " + work + "\\dst\\RUN.TXT",
        "MOVE " + work + "\\src\\NOTES.TXT " + work + "\\dst\\MOVE.TXT",
        " COPY " + work + "\\src\\NOTES.TXT " + work + "\\dst\\SPACE.TXT",
        "RUN NOTES",  // would fail COPY's first check
    };
    for (const std::string& line : lines) EXPECT_EQ(Run(line), Messages{}) << line;
    const char* absent[] = {"\\src\\RENAMED.TXT", "\\dst\\RENAMED.TXT", "\\dst\\RUN.TXT", "\\dst\\MOVE.TXT",
                            "\\dst\\SPACE.TXT"};
    for (const char* name : absent) EXPECT_FALSE(FileExists(work + name)) << name;
    EXPECT_TRUE(FileExists(work + "\\src\\NOTES.TXT"));
}

TEST_F(ScriptCopy, FieldsAreExpandedBeforeTheCommandRuns) {
    InstallSettings.StartDir = work + "\\";
    InstallSettings.InstallPath = work + "\\dst";
    EXPECT_EQ(Run("COPY \"%startdir%src\\NOTES.TXT\" %INSTALLPATH%"), Messages{});
    EXPECT_EQ(FileContent(work + "\\dst\\NOTES.TXT"), "notes\r\n");

    EXPECT_EQ(Run("COPY %STARTDIR%\\src\\GONE.TXT %INSTALLPATH%\\G.TXT"),
              Messages{"The file " + work + "\\src\\GONE.TXT does not exist. (Script command 'COPY    " + work +
                       "\\src\\GONE.TXT    " + work + "\\dst\\G.TXT')"});
}

// A path longer than 259 characters (the completed destination included) is
// never handed to the system: nothing is copied and nothing is said.
TEST_F(ScriptCopy, PathsLongerThan259CharactersAreNotCopied) {
    std::string folder = work + "\\dst\\";
    ASSERT_LT(folder.size() + 8, 259u) << "the build tree is too deep for this test";
    auto nameFor = [&](size_t total, const std::string& extension) {
        return std::string(total - folder.size() - extension.size(), 'n') + extension;
    };

    std::string fits = folder + nameFor(259, ".TXT");
    std::string tooLong = folder + nameFor(260, ".TXT");
    EXPECT_EQ(Run("COPY " + work + "\\src\\NOTES.TXT " + fits), Messages{});
    EXPECT_TRUE(FileExists(fits));
    EXPECT_EQ(Run("COPY " + work + "\\src\\NOTES.TXT " + tooLong), Messages{});
    EXPECT_EQ(CountFiles(folder + "n*"), 1) << "only the name that fits is written";

    // Completing a folder pushes the destination over the bound.
    std::string longFolder = folder + std::string(259 - folder.size() - 4, 'f');
    ASSERT_TRUE(CreateDirectoryA(longFolder.c_str(), nullptr)) << GetLastError();
    EXPECT_EQ(Run("COPY " + work + "\\src\\NOTES.TXT " + longFolder), Messages{});
    EXPECT_EQ(ScriptFields[2], longFolder + "\\NOTES.TXT");
    {
        // Looked at from inside: the full name is itself past the bound.
        CurrentDirectoryScope inside(longFolder);
        EXPECT_EQ(CountFiles("*.TXT"), 0);
        DeleteFileA("NOTES.TXT");  // should a faulty run have left one, the next can remove the folder
    }

    // A missing source beyond the bound is not looked for either.
    EXPECT_EQ(Run("COPY " + folder + std::string(300, 's') + ".TXT " + folder + "X.TXT"), Messages{});
}
}  // namespace
