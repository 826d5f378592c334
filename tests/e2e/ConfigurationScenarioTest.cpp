// What the user sees when the medium's configuration files are missing or incomplete.

#include "Scenario.h"

namespace {
const char* const kIniKeys[] = {"CodeDir",         "DestDir",        "ProductName", "ShortcutLocation",
                                "ShortcutName",    "FileSize",       "FilesCompressed",
                                "UseUnderscores",  "CommandFile",    "VolumeName"};

std::string IniWarning(const std::string& key) {
    return "Warning: The " + key + " key (or its text) is not set in SETUP.INI";
}

std::string TxtWarning(const std::string& key) {
    return "Warning: The " + key + " key (or its text) is not set in SETUP.TXT";
}
}  // namespace

// Every SETUP.INI key reads as "Error": one warning per key in key order,
// then the checks that "Error" fails, then the summary; setup carries on.
TEST_F(SetupScenario, WithoutSetupIniWarnsAboutEveryKeyThenGoesOn) {
    medium.Omit("SETUP.INI");
    ASSERT_TRUE(StartSetup());

    for (const char* key : kIniKeys) ASSERT_TRUE(AcknowledgeMessage(IniWarning(key))) << key;
    const char* const checks[] = {
        "The 'Error' entry in SETUP.INI looks suspicious.\nIt should be an entry like 'C:\\Zandel'.",
        "The 'ERROR' entry in SETUP.INI looks suspicious.\n"
        "It should be either 'NULL,' 'Favorites,' 'My Documents,' or 'Desktop.'",
        "The 'ERROR' entry in SETUP.INI invalid because\nit contains the illegal character 'E'.\n"
        "(This entry is the total size of the installed files.)",
        "The 'ERROR' entry in SETUP.INI is suspiciously small or large.\n"
        "(This entry is the total size of the installed files.)",
        "At least one entry in SETUP.INI is suspicious.\n"
        "Setup will continue, but the results will be unpredictable.",
    };
    for (const char* message : checks) ASSERT_TRUE(AcknowledgeMessage(message));

    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome);
    EXPECT_EQ(welcome->title, "Welcome");
    EXPECT_EQ(welcome->Text(1000),
              "Welcome to the setup of the Error. Setup copies the example programs of the book onto your hard "
              "disk. Press OK to go on.");
    WalkToEnd();
    EXPECT_EQ(robot->WaitExit(), 1);
}

// A SETUP.TXT key that is missing, or present without text, is reported once,
// and the dialog that shows it shows what was read in its place.
struct MissingTextCase {
    const char* key;
    bool presentButEmpty;
    int control;            // 0: the window title
    const char* welcome;    // what the welcome dialog shows there; nullptr: not checked
    const char* finished;   // the same for the finished dialog
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const MissingTextCase& c, std::ostream* out) { *out << c.key; }

class MissingSetupText : public SetupScenario, public ::testing::WithParamInterface<MissingTextCase> {};

TEST_P(MissingSetupText, IsReportedAndShownAsRead) {
    const MissingTextCase& c = GetParam();
    if (c.presentButEmpty) medium.SetTxt(c.key, "");
    else medium.RemoveTxt(c.key);
    ASSERT_TRUE(StartSetup());

    ASSERT_TRUE(AcknowledgeMessage(TxtWarning(c.key)));
    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome);
    auto shown = [&](const WindowInfo& dialog) { return c.control ? dialog.Text(c.control) : dialog.title; };
    if (c.welcome) {
        EXPECT_EQ(shown(*welcome), c.welcome);
    }
    // The finished dialog is the last one of the run.
    std::vector<WindowInfo> rest = WalkToEnd();
    ASSERT_FALSE(rest.empty());
    if (c.finished) {
        EXPECT_EQ(shown(rest.back()), c.finished);
    }
    EXPECT_EQ(robot->WaitExit(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    E2E, MissingSetupText,
    ::testing::Values(MissingTextCase{"OkButton", false, IDOK, "Error", "Error"},
                      MissingTextCase{"WelcomeTitle", false, 0, "Error", nullptr},
                      MissingTextCase{"WelcomeText", true, 1000, "", nullptr},
                      MissingTextCase{"FinishedTitle", true, 0, nullptr, ""},
                      MissingTextCase{"FinishedText", false, 1000, nullptr, "Error"}),
    [](const ::testing::TestParamInfo<MissingTextCase>& info) {
        return std::string(info.param.key) + (info.param.presentButEmpty ? "Empty" : "Missing");
    });
