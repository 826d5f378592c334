// The publisher's tool as a publisher's script runs it: its findings, the
// counts last and the exit code, and the programs its pack carries.
#include <gtest/gtest.h>

#include <string>

#include "Medium.h"
#include "PublisherTool.h"

namespace {
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
