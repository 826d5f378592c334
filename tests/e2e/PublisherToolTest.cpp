// The publisher's check of a medium: a table of media broken one way each,
// the sample with nothing to say, and the answers of the trust check.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Medium.h"
#include "PublisherTool.h"
#include "publisher/MediumCheck.h"

namespace {
std::string Fixture(const std::string& name) { return std::string(SZDD_FIXTURE_DIR) + "\\" + name; }
std::string Bytes(const std::string& path) { return ReadWholeFile(path).value_or("<missing>"); }
size_t SampleTreeSize() {
    size_t size = 0;
    for (const char* file : {"CODE\\READ_ME.TXT", "CODE\\CHAP_1\\HELLO.C", "CODE\\CHAP_2\\DATA\\TABLE.DAT"})
        size += Bytes(Medium::DefaultSample() + "\\" + file).size();
    return size;
}
// The compressed chapter with its header's declared size and method changed.
std::string Doctored(char method, long sizeChange) {
    std::string bytes = Bytes(Fixture("CHAPTER.TXT_"));
    bytes[8] = method;
    uint32_t size = static_cast<uint32_t>(Bytes(Fixture("CHAPTER.TXT")).size() + sizeChange);
    for (int i = 0; i < 4; ++i) bytes[10 + i] = static_cast<char>(size >> (8 * i));
    return bytes;
}
// DestDir of exactly `length` characters.
std::string DestDirOf(size_t length) { return "C:\\" + std::string(length - 3, 'd'); }

// Whether the line is the expected one, where "{*}" in it stands for any text.
bool Matches(const std::string& line, const std::string& expected) {
    size_t any = expected.find("{*}");
    if (any == std::string::npos) return line == expected;
    std::string tail = expected.substr(any + 3);
    return line.size() >= expected.size() - 3 && line.compare(0, any, expected, 0, any) == 0 &&
           line.compare(line.size() - tail.size(), tail.size(), tail) == 0;
}

// The name of a folder right in CODE whose listing ("\\*.*" after it) passes
// MAX_PATH by one from where the medium lies; it is itself listed, and
// installed well within the bound.
std::string DeepFolderName(const std::string& mediumPath) {
    return std::string(260 - (mediumPath.size() + 6 + 4), 'f');
}

struct CheckCase {
    const char* name;
    std::function<void(Medium&)> edit;
    // The findings but the missing uninstaller's, in order.
    std::function<std::vector<std::string>(const std::string& mediumPath)> expected;
    bool withUninstaller = true;
    // Changes the medium builder cannot make, applied to the built folder.
    std::function<void(const std::string& mediumPath)> afterBuild = nullptr;
    // The programs whose signature is whole, with their signer, when the case names them.
    std::optional<std::vector<std::string>> signatures = std::nullopt;
};

void PrintTo(const CheckCase& c, std::ostream* out) { *out << c.name; }

using Lines = std::vector<std::string>;
const std::string kTable = "CODE\\CHAP_2\\DATA\\TABLE.DAT";
std::function<void(const std::string&)> UninstallerFrom(const std::string& source) {
    return [source](const std::string& path) { CopyFileA(source.c_str(), (path + "\\XOVUNIN.EXE").c_str(), FALSE); };
}

const CheckCase kCases[] = {
    {"Sample", [](Medium&) {}, [](const std::string&) { return Lines{}; }},
    {"MissingKeys", [](Medium& m) { m.RemoveIni("VolumeName").SetTxt("NoButton", ""); },
     [](const std::string&) {
         return Lines{"error: The VolumeName key (or its text) is not set in SETUP.INI",
                      "error: The NoButton key (or its text) is not set in SETUP.TXT"};
     }},
    {"SuspiciousSetting", [](Medium& m) { m.SetIni("ShortcutLocation", "Start Menu"); },
     [](const std::string&) {
         return Lines{"error: ShortcutLocation: The 'START MENU' entry in SETUP.INI looks suspicious. It should be "
                      "either 'NULL,' 'Favorites,' 'My Documents,' or 'Desktop.'"};
     }},
    {"NoCodeDir", [](Medium& m) { m.SetIni("CodeDir", "NOCODE"); },
     [](const std::string&) { return Lines{"error: CodeDir: NOCODE is not a folder on the medium"}; }},
    // The size needed counts the chapter expanded, not as it lies on the medium.
    {"FileSizeOneByteShort",
     [](Medium& m) {
         m.AddCopy("CODE\\BIG.TXT", Fixture("CHAPTER.TXT_"))
             .SetIni("FileSize", std::to_string(SampleTreeSize() + Bytes(Fixture("CHAPTER.TXT")).size() - 1));
     },
     [](const std::string&) {
         size_t needed = SampleTreeSize() + Bytes(Fixture("CHAPTER.TXT")).size();
         return Lines{"error: FileSize: " + std::to_string(needed - 1) +
                      " is below the installed size of the tree; it needs at least " + std::to_string(needed)};
     }},
    {"FileSizeExact",
     [](Medium& m) {
         m.AddCopy("CODE\\BIG.TXT", Fixture("CHAPTER.TXT_"))
             .SetIni("FileSize", std::to_string(SampleTreeSize() + Bytes(Fixture("CHAPTER.TXT")).size()));
     },
     [](const std::string&) { return Lines{}; }},
    // "\Chap 2\Data\Table.dat" is the longest installed name: 22 characters.
    {"InstalledPathOf259", [](Medium& m) { m.SetIni("DestDir", DestDirOf(259 - 22)); },
     [](const std::string&) { return Lines{}; }},
    {"InstalledPathOf260", [](Medium& m) { m.SetIni("DestDir", DestDirOf(260 - 22)); },
     [](const std::string&) {
         return Lines{"error: " + kTable + ": installed as " + DestDirOf(238) +
                      "\\Chap 2\\Data\\Table.dat, 260 characters, the system's limit is 259: not installed"};
     }},
    // A folder past the limit is reported once, not with each file in it.
    {"InstalledFolderOf260", [](Medium& m) { m.SetIni("DestDir", DestDirOf(248)); },
     [](const std::string&) {
         std::string dest = DestDirOf(248);
         return Lines{
             "error: CODE\\CHAP_1\\HELLO.C: installed as " + dest +
                 "\\Chap 1\\Hello.c, 263 characters, the system's limit is 259: not installed",
             "error: CODE\\CHAP_2\\DATA: installed as " + dest +
                 "\\Chap 2\\Data, 260 characters, the system's limit is 259: not installed",
             "error: CODE\\READ_ME.TXT: installed as " + dest +
                 "\\Read Me.txt, 260 characters, the system's limit is 259: not installed",
             // The sample's script copies a file into the installed folder.
             "error: SCRIPT.TXT line 2: " + dest + "\\Read Me First.txt is 266 characters, past the limit of 259: "
                                                   "nothing is copied",
         };
     }},
    {"DamagedCompressedFiles",
     [](Medium& m) {
         m.SetIni("FileSize", "600000000")
             .AddCopy("CODE\\CUT.TXT", Fixture("CHAPTER.CUT_"))
             .AddFile("CODE\\METHOD.TXT", Doctored('B', 0))
             .AddFile("CODE\\SHORTER.TXT", Doctored('A', -10));
     },
     [](const std::string&) {
         size_t chapter = Bytes(Fixture("CHAPTER.TXT")).size();
         return Lines{
             "error: CODE\\CUT.TXT: cut short: expands to {*} of the " + std::to_string(chapter) +
                 " bytes its header declares",
             "error: CODE\\METHOD.TXT: unknown compression method 'B'",
             "error: CODE\\SHORTER.TXT: expands to " + std::to_string(chapter) + " bytes, its header declares " +
                 std::to_string(chapter - 10),
         };
     }},
    {"ScriptLines",
     [](Medium& m) {
         m.AddFile("SCRIPT.TXT", "COPY %STARTDIR%\\EXTRAS\\MISSING.INI %WINDOWS%\r\n"
                                 "COPY %STARTDIR%\\EXTRAS\\ZANDEL.INI %WINDOS%\r\n"
                                 "RUN " + std::string(1096, 'x') + "\r\n"
                                 "RUN 1 2 3 4 5 6 7 8 9 10\r\n"
                                 "\r\n"
                                 "DELETE X.TXT\r\n"
                                 "COPY %STARTDIR%\\EXTRAS\\ZANDEL.INI C:\\" + std::string(251, 'p') + "\\Z.INI\r\n");
     },
     [](const std::string& path) {
         return Lines{
             "error: SCRIPT.TXT line 1: the source EXTRAS\\MISSING.INI is not on the medium",
             "error: SCRIPT.TXT line 2: unknown path variable in %WINDOS%",
             "error: SCRIPT.TXT line 2: You must specify a source and destination drive. ('COPY    " + path +
                 "\\EXTRAS\\ZANDEL.INI    %WINDOS%')",
             "error: SCRIPT.TXT line 3: 1100 characters; setup keeps the first 1023",
             "error: SCRIPT.TXT line 4: more than 10 fields; setup drops the rest",
             "warning: SCRIPT.TXT line 6: unknown command word 'DELETE': the line does nothing",
             "error: SCRIPT.TXT line 7: C:\\" + std::string(251, 'p') +
                 "\\Z.INI is 260 characters, past the limit of 259: nothing is copied",
         };
     }},
    {"TextDirectives",
     [](Medium& m) { m.SetTxt("WelcomeText", "Welcome to %s, %s! 100%%").SetTxt("ExitText", "Leave %s now? 100%"); },
     [](const std::string&) {
         return Lines{"warning: SETUP.TXT WelcomeText: 1 directive is shown literally (setup fills only one %s; "
                      "write a percent sign as %%)",
                      "warning: SETUP.TXT ExitText: 1 directive is shown literally (setup fills nothing in this text)"};
     }},
    {"CompressedFileOnPlainMedium",
     [](Medium& m) { m.SetIni("FilesCompressed", "NO").AddCopy("CODE\\SMALL.TXT", Fixture("SMALL.TXT_")); },
     [](const std::string&) {
         return Lines{"warning: CODE\\SMALL.TXT: SZDD-compressed, but FilesCompressed is not YES: it would be installed "
                      "compressed"};
     }},
    {"NoUninstaller", [](Medium&) {},
     [](const std::string&) {
         return Lines{"warning: XOVUNIN.EXE is not on the medium: setup registers no uninstall entry"};
     },
     false},
    {"FoldersNotInstalled",
     [](Medium& m) { m.AddFile("CODE\\.svn\\entries", "12\n"); },
     [](const std::string&) {
         return Lines{"warning: CODE\\.svn: a folder whose name starts with \".\" is not installed",
                      "warning: CODE\\EMPTY: empty folder"};
     },
     true, [](const std::string& path) { CreateDirectoryA((path + "\\CODE\\EMPTY").c_str(), nullptr); }},
    // A folder setup cannot enter, whose files would never arrive: named with
    // a trailing dot (made on another system), or lying past what the system
    // can list from where the medium sits (deep in a publisher's documents).
    {"FolderThatCannotBeEntered", [](Medium& m) { m.AddWideFile("CODE\\ODD.\\LOST.TXT"); },
     [](const std::string&) {
         return Lines{"error: CODE\\ODD.: the folder cannot be listed: its files cannot be installed"};
     }},
    {"FolderPastTheListingBound", [](Medium&) {},
     [](const std::string& path) {
         return Lines{"error: CODE\\" + DeepFolderName(path) +
                      ": the folder cannot be listed: its files cannot be installed"};
     },
     true, [](const std::string& path) { MakeWideFile(path + "\\CODE\\" + DeepFolderName(path) + "\\LOST.TXT"); }},
    // What the system's trust check says of the programs: the signer of a
    // whole one; a warning for an unsigned one (the prompt says "Unknown
    // publisher"); an error for one changed after signing, or whose signature
    // block was damaged, never taken for one without a signature.
    {"SignedPrograms", [](Medium& m) { m.AddCopy("setup.exe", Signed("setup.exe")); },
     [](const std::string&) { return Lines{}; }, true, nullptr,
     Lines{"setup.exe: signed by Zandel Test Press", "XOVUNIN.EXE: signed by Zandel Test Press"}},
    {"UnsignedPrograms", [](Medium& m) { m.AddCopy("setup.exe", SETUP_EXE); },
     [](const std::string&) {
         return Lines{"warning: setup.exe is not signed: the elevation prompt will say \"Unknown publisher\"",
                      "warning: XOVUNIN.EXE is not signed: the elevation prompt will say \"Unknown publisher\""};
     },
     true, UninstallerFrom(XOVUNIN_EXE), Lines{}},
    {"UninstallerChangedAfterSigning", [](Medium& m) { m.AddCopy("setup.exe", Signed("setup.exe")); },
     [](const std::string&) {
         return Lines{"error: XOVUNIN.EXE was changed after it was signed: its signature does not match it"};
     },
     true, UninstallerFrom(Signed("changed\\XOVUNIN.EXE")), Lines{"setup.exe: signed by Zandel Test Press"}},
    {"UninstallerSignatureDamaged", [](Medium&) {},
     [](const std::string&) { return Lines{"error: XOVUNIN.EXE has a signature that is damaged or refused {*}"}; },
     true, UninstallerFrom(Signed("damaged\\XOVUNIN.EXE")), Lines{}},
    {"NameOutsideAscii", [](Medium& m) { m.AddFile("CODE\\Глава.TXT", "x"); },
     [](const std::string&) {
         return Lines{"warning: CODE\\Глава.TXT: a name outside ASCII needs Windows 10 1903 or later, or a system "
                      "whose code page has it"};
     }},
    // Full-width dots and a full-width backslash: whole in UTF-8 (and in the
    // Japanese code page, which has them), look-alikes of "..\\" in the
    // Western ones (which pages, the unit test of the code pages pins).
    {"NameOfLookAlikes", [](Medium& m) { m.AddFile("CODE\\\uFF0E\uFF0E\uFF3CESCAPE.TXT", "x"); },
     [](const std::string&) {
         const std::string name = "CODE\\\uFF0E\uFF0E\uFF3CESCAPE.TXT";
         return Lines{"warning: " + name + ": a name outside ASCII needs Windows 10 1903 or later, or a system "
                                           "whose code page has it",
                      "warning: " + name + ": Windows before 10 1903 in code pages {*} would write it with look-alikes "
                                           "(full-width forms and the like become \".\" or \"\\\"): setup does "
                                           "not install it there"};
     }},
    // A byte-order mark put before text of the system's code page (1252 here).
    {"ProfileMarkedUtf8ButNotUtf8", [](Medium&) {},
     [](const std::string&) {
         return Lines{"warning: SETUP.TXT is neither valid text in the system's code page (1252) nor valid UTF-8 "
                      "after a byte-order mark: its texts would show wrongly"};
     },
     true,
     [](const std::string& path) {
         WriteWholeFile(path + "\\SETUP.TXT", "\xEF\xBB\xBF" + Bytes(path + "\\SETUP.TXT") + "; \xDC" "bungen\r\n");
     }},
};

class MediumCheckTable : public ::testing::TestWithParam<CheckCase> {};

TEST_P(MediumCheckTable, ReportsEachFindingOnce) {
    const CheckCase& c = GetParam();
    Medium medium(std::string("check ") + c.name);
    c.edit(medium);
    if (c.withUninstaller) medium.AddCopy("XOVUNIN.EXE", Signed("XOVUNIN.EXE"));
    std::string path = medium.Build();
    ASSERT_FALSE(path.empty());
    if (c.afterBuild) c.afterBuild(path);

    MediumCheckResult result = CheckMedium(path);
    ASSERT_TRUE(result.ran);
    Lines got;
    size_t errors = 0;
    for (const Finding& finding : result.findings) {
        got.push_back(FindingLine(finding));
        errors += finding.error;
    }
    Lines expected = c.expected(path);
    bool same = got.size() == expected.size();
    for (size_t i = 0; same && i < got.size(); ++i) same = Matches(got[i], expected[i]);
    EXPECT_TRUE(same) << ::testing::PrintToString(got) << "\nexpected\n" << ::testing::PrintToString(expected);
    EXPECT_EQ(result.errors, errors);
    EXPECT_EQ(result.warnings, got.size() - errors);
    if (c.signatures) EXPECT_EQ(result.signatures, *c.signatures);
}

// The trust check's answers that Wine never gives (it does not judge a
// certificate's root), as a table: a root or chain this system does not
// trust leaves the content whole, with a warning; a signer the system
// refuses, or a block it cannot read, is broken; a program without a block
// is unsigned whatever the answer.
TEST(ProgramSignature, EachAnswerOfTheTrustCheckMeansOneState) {
    const struct {
        unsigned long status;
        bool block;
        SignatureState state;
    } answers[] = {
        {0, true, SignatureState::Whole},
        {0x800B0109, true, SignatureState::Whole},   // CERT_E_UNTRUSTEDROOT
        {0x800B010A, true, SignatureState::Whole},   // CERT_E_CHAINING
        {0x800B0101, true, SignatureState::Whole},   // CERT_E_EXPIRED
        {0x80096010, true, SignatureState::Broken},  // TRUST_E_BAD_DIGEST
        {0x800B0100, true, SignatureState::Broken},  // TRUST_E_NOSIGNATURE of a program with a block
        {0x800B0111, true, SignatureState::Broken},  // TRUST_E_EXPLICIT_DISTRUST
        {0x800B010C, true, SignatureState::Broken},  // CERT_E_REVOKED
        {0x800B0100, false, SignatureState::Unsigned},
        {0, false, SignatureState::Unsigned},
    };
    for (const auto& a : answers)
        EXPECT_EQ(SignatureStateOf(static_cast<LONG>(a.status), a.block), a.state) << std::hex << a.status << a.block;

    FileSignature untrusted;
    untrusted.state = SignatureState::Whole;
    untrusted.signer = "Zandel Test Press";
    untrusted.status = static_cast<LONG>(0x800B0109);
    std::optional<Finding> finding = SignatureFinding("setup.exe", untrusted);
    ASSERT_TRUE(finding);
    EXPECT_EQ(FindingLine(*finding), "warning: setup.exe is signed by Zandel Test Press, whose certificate this system "
                                     "does not trust (0x800B0109): the elevation prompt will say \"Unknown publisher\"");
}

INSTANTIATE_TEST_SUITE_P(Publisher, MediumCheckTable, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<CheckCase>& info) { return info.param.name; });
}  // namespace
