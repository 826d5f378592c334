// The publisher's check of a medium: a table of media broken one way each,
// the sample with nothing to say, and the tool's exit codes.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Medium.h"
#include "PublisherTool.h"
#include "publisher/MediumCheck.h"

int RunMedium(const std::string& arguments, std::string& output) { return RunMediumProgram(MEDIUM_EXE, arguments, output); }

int RunMediumProgram(const std::string& program, const std::string& arguments, std::string& output) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return -1;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = write;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::string command = "\"" + program + "\" " + arguments;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                  &startup, &process);
    CloseHandle(write);
    output.clear();
    if (!started) {
        CloseHandle(read);
        return -1;
    }
    // Read until the program has ended and its output is drained, not until
    // the pipe's end: a service of Wine's that the program started (for the
    // system's trust check) inherits the pipe and outlives the program.
    char buffer[4096];
    DWORD start = GetTickCount();
    for (bool ended = false;;) {
        DWORD waiting = 0, got = 0;
        if (!PeekNamedPipe(read, nullptr, 0, nullptr, &waiting, nullptr)) break;
        if (waiting > 0) {
            if (!ReadFile(read, buffer, sizeof buffer, &got, nullptr) || got == 0) break;
            output.append(buffer, got);
            continue;
        }
        if (ended || GetTickCount() - start > 60000) break;
        ended = WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0;
    }
    CloseHandle(read);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    // One line ending, whatever the console layer made of "\n".
    std::string lines;
    for (char c : output)
        if (c != '\r') lines += c;
    output = lines;
    return static_cast<int>(code);
}

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
// Our programs signed by the tests' own certificate, and copies changed after signing.
std::string Signed(const std::string& name) { return std::string(SIGNED_DIR) + "\\" + name; }
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

// What a publisher's script sees: findings, the counts last, the exit code.
TEST(MediumTool, ExitCodesAndCounts) {
    Medium broken("check exit codes");
    broken.SetIni("CodeDir", "NOCODE").SetTxt("ExitText", "%s");
    std::string path = broken.Build();
    ASSERT_FALSE(path.empty());
    std::string output;
    EXPECT_EQ(RunMedium("check \"" + path + "\"", output), 1);
    EXPECT_EQ(output,
              "encoding: SETUP.INI: the system's code page (1252)\n"
              "encoding: SETUP.TXT: the system's code page (1252)\n"
              "encoding: SCRIPT.TXT: the system's code page (1252)\n"
              "error: CodeDir: NOCODE is not a folder on the medium\n"
              "warning: XOVUNIN.EXE is not on the medium: setup registers no uninstall entry\n"
              "warning: SETUP.TXT ExitText: 1 directive is shown literally (setup fills nothing in this text)\n"
              "1 error, 2 warnings\n");

    // The publisher's files saved as "Unicode" read as the system's reader reads them.
    broken.AddCopy("XOVUNIN.EXE", Signed("XOVUNIN.EXE")).SetIni("CodeDir", "CODE").SetTxt("ExitText", "Leave?");
    broken.MarkProfilesUtf16().AddFile("SCRIPT.TXT", Utf16File("COPY %STARTDIR%\\EXTRAS\\ZANDEL.INI %WINDOWS%\r\n"));
    ASSERT_FALSE(broken.Build().empty());
    EXPECT_EQ(RunMedium("check \"" + path + "\"", output), 0);
    EXPECT_EQ(output,
              "encoding: SETUP.INI: UTF-16 little-endian with a byte-order mark\n"
              "encoding: SETUP.TXT: UTF-16 little-endian with a byte-order mark\n"
              "encoding: SCRIPT.TXT: UTF-16 little-endian with a byte-order mark\n"
              "signature: XOVUNIN.EXE: signed by Zandel Test Press\n"
              "0 errors, 0 warnings\n");
    // What the system's list will show beside the name, first; optional, never a finding.
    broken.SetIni("Publisher", "Zandel Press").SetIni("Version", "2.1");
    ASSERT_FALSE(broken.Build().empty());
    EXPECT_EQ(RunMedium("check \"" + path + "\"", output), 0);
    EXPECT_EQ(output,
              "Publisher: Zandel Press\nVersion: 2.1\n"
              "encoding: SETUP.INI: UTF-16 little-endian with a byte-order mark\n"
              "encoding: SETUP.TXT: UTF-16 little-endian with a byte-order mark\n"
              "encoding: SCRIPT.TXT: UTF-16 little-endian with a byte-order mark\n"
              "signature: XOVUNIN.EXE: signed by Zandel Test Press\n"
              "0 errors, 0 warnings\n");

    EXPECT_EQ(RunMedium("check \"" + path + "\\NO SUCH FOLDER\"", output), 2);
    EXPECT_NE(output.find("is not a folder"), std::string::npos) << output;
    // pack never writes into a folder that holds anything: the publisher's files stay as they were.
    std::string occupied = path + " occupied";
    RemoveTree(occupied);
    ASSERT_TRUE(WriteWholeFile(occupied + "\\NOTES.TXT", "mine"));
    EXPECT_EQ(RunMedium("pack \"" + path + "\" \"" + occupied + "\"", output), 2);
    EXPECT_EQ(output, "medium: " + occupied + " must be a new or empty folder\n");
    EXPECT_EQ(CountFiles(occupied + "\\*"), 3) << "only ., .. and NOTES.TXT";
    EXPECT_EQ(RunMedium("pack \"" + path + "\\CODE\" \"" + occupied + " 2\"", output), 2);
    EXPECT_EQ(output, "medium: " + path + "\\CODE is no folder with a SETUP.INI\n");
    EXPECT_FALSE(FileExists(occupied + " 2"));
    RemoveTree(occupied);

    for (const std::string& wrong : {std::string(), std::string("check"), "pack \"" + MEDIUM_EXE + "\"",
                                     std::string("inspect x")}) {
        EXPECT_EQ(RunMedium(wrong, output), 2) << wrong;
        EXPECT_EQ(output, "usage: medium check DIR | medium pack SRC OUT\n") << wrong;
    }
}
// The programs pack puts on a medium are those beside medium.exe: signed and
// whole they go on, and the packed medium's check names their signer; one of
// them changed after signing stops the pack before it writes anything.
TEST(MediumTool, PackCarriesSignedProgramsAndRefusesAChangedOne) {
    Medium source("pack signed");
    std::string path = source.Build();
    ASSERT_FALSE(path.empty());
    std::string output, packed = path + " packed", refused = path + " refused";
    RemoveTree(packed);
    RemoveTree(refused);
    EXPECT_EQ(RunMediumProgram(Signed("medium.exe"), "pack \"" + path + "\" \"" + packed + "\"", output), 0) << output;
    EXPECT_NE(output.find("signature: setup.exe: signed by Zandel Test Press\n"
                          "signature: XOVUNIN.EXE: signed by Zandel Test Press\n"),
              std::string::npos)
        << output;
    EXPECT_TRUE(ReadWholeFile(packed + "\\XOVUNIN.EXE") == ReadWholeFile(Signed("XOVUNIN.EXE")));

    EXPECT_EQ(RunMediumProgram(Signed("changed\\medium.exe"), "pack \"" + path + "\" \"" + refused + "\"", output), 2);
    EXPECT_EQ(output, "medium: " + Signed("changed") +
                          "\\XOVUNIN.EXE was changed after it was signed: its signature does not match it\n");
    EXPECT_FALSE(FileExists(refused)) << "nothing packed";
    RemoveTree(packed);
}
}  // namespace
