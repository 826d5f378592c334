// Installing end to end, what the medium carries: a medium packed by the
// publisher's tool, a medium without the uninstaller, and the shortcut's
// place as ShortcutLocation names it.
#include "InstallScenario.h"
#include "PublisherTool.h"

// A medium packed by the publisher's tool from a folder of plain files
// installs byte for byte with the packed setup.exe: the chapter travels
// SZDD-compressed under its own name and is expanded by the system's LZ
// library, the random bytes (no smaller compressed) travel as they are, and
// FileSize is what the tree installs.
TEST_F(InstallScenario, PackedMediumInstallsByteForByte) {
    std::string chapter = FileContent(Fixture("CHAPTER.TXT")), random = FileContent(Fixture("RANDOM.BIN"));
    medium.AddFile("CODE\\CHAP_2\\DATA\\TABLE.DAT", chapter)
        .AddFile("CODE\\RANDOM.BIN", random)
        .AddCopy("XOVUNIN.EXE", XOVUNIN_EXE)
        .SetIni("FileSize", "1");
    std::string source = medium.Build();
    ASSERT_FALSE(source.empty());
    std::string packed = source + " packed";
    RemoveTree(packed);
    std::string output;
    ASSERT_EQ(RunMedium("pack \"" + source + "\" \"" + packed + "\"", output), 0) << output;
    EXPECT_EQ(FileContent(packed + "\\CODE\\CHAP_2\\DATA\\TABLE.DAT").substr(0, 4), "SZDD");
    EXPECT_EQ(FileContent(packed + "\\CODE\\RANDOM.BIN"), random);
    size_t installed = Sample("CODE\\READ_ME.TXT").size() + Sample("CODE\\CHAP_1\\HELLO.C").size() +
                       chapter.size() + random.size();
    char fileSize[32] = {};
    GetPrivateProfileStringA("Setup", "FileSize", "", fileSize, sizeof fileSize, (packed + "\\SETUP.INI").c_str());
    EXPECT_EQ(fileSize, std::to_string(installed));

    robot = std::make_unique<Robot>(packed + "\\setup.exe", packed);
    ASSERT_TRUE(robot->Start());
    ASSERT_TRUE(PassToProgress());
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFinishedTitle});
    EXPECT_EQ(robot->WaitExit(), 1);
    Tree expected = SampleTree();
    expected["Chap 2\\Data\\Table.dat"] = chapter;
    expected["Random.bin"] = random;
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    ExpectRegistered(true);
    RemoveTree(packed);
}

// A medium without XOVUNIN.EXE installs and finishes; nothing is registered.
TEST_F(InstallScenario, WithoutUninstallerNothingIsRegistered) {
    ASSERT_TRUE(StartInstall(false));
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFinishedTitle});
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    ExpectRegistered(false);
}

// ShortcutLocation picks the folder in any letter case; "NULL" and any other
// value (a trailing space included) make no shortcut, the unknown value after
// its configuration warning.
struct ShortcutCase {
    const char* name;
    const char* value;       // as written in SETUP.INI
    const char* folder;      // the shell folder's value name, nullptr for none
    const char* warnedAs;    // the upper-cased value the warning shows, nullptr for none
};

void PrintTo(const ShortcutCase& c, std::ostream* out) { *out << c.name; }

class ShortcutLocations : public InstallScenario, public ::testing::WithParamInterface<ShortcutCase> {};

TEST_P(ShortcutLocations, PlaceTheLinkToTheInstalledFolder) {
    const ShortcutCase& c = GetParam();
    medium.SetIni("ShortcutLocation", c.value);
    ASSERT_TRUE(StartSetup());
    if (c.warnedAs) {
        ASSERT_TRUE(AcknowledgeMessage(std::string("The '") + c.warnedAs +
                                       "' entry in SETUP.INI looks suspicious.\nIt should be either 'NULL,' "
                                       "'Favorites,' 'My Documents,' or 'Desktop.'"));
        ASSERT_TRUE(AcknowledgeMessage(
            "At least one entry in SETUP.INI is suspicious.\nSetup will continue, but the results will be unpredictable."));
    }
    ASSERT_TRUE(PassToProgress());
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFinishedTitle});
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    ExpectShortcutIn(c.folder);
}

INSTANTIATE_TEST_SUITE_P(
    E2E, ShortcutLocations,
    ::testing::Values(ShortcutCase{"Desktop", "Desktop", "Desktop", nullptr},
                      ShortcutCase{"LowerCaseDesktop", "desktop", "Desktop", nullptr},
                      ShortcutCase{"MyDocuments", "My Documents", "Personal", nullptr},
                      ShortcutCase{"LowerCaseMyDocuments", "my documents", "Personal", nullptr},
                      ShortcutCase{"Favorites", "FAVORITES", "Favorites", nullptr},
                      ShortcutCase{"Null", "NULL", nullptr, nullptr},
                      // Quoted, or the profile reader would drop the space.
                      ShortcutCase{"TrailingSpace", "\"Desktop \"", nullptr, "DESKTOP "}),
    [](const ::testing::TestParamInfo<ShortcutCase>& info) { return std::string(info.param.name); });
