// What the user sees when the medium's configuration files are missing or incomplete.

#include "Picture.h"
#include "Scenario.h"

namespace {
const char* const kIniKeys[] = {"CodeDir",         "DestDir",        "ProductName", "ShortcutLocation",
                                "ShortcutName",    "FileSize",       "FilesCompressed",
                                "UseUnderscores",  "CommandFile",    "VolumeName"};

std::string IniWarning(const std::string& key) {
    return "Warning: The " + key + " key (or its text) is not set in SETUP.INI";
}

enum class Icon { None, Exclamation, Stop };

std::ostream& operator<<(std::ostream& out, Icon icon) {
    return out << (icon == Icon::Exclamation ? "exclamation" : icon == Icon::Stop ? "stop" : "none");
}

// Tells the system's icons apart by their colours on the screen: the
// exclamation sign is yellow to orange, the stop sign red. Wine's message box shows its
// icon in the static control 1088.
Icon IconOf(Robot& robot, const WindowInfo& box) {
    RECT icon;
    HWND control = GetDlgItem(box.hwnd, 1088);
    if (!control || !IsWindowVisible(control) || !GetWindowRect(control, &icon)) return Icon::None;
    std::optional<Picture> screen = TakePicture(robot, "messagebox");
    if (!screen) return Icon::None;
    int yellow = 0, red = 0;
    for (int y = icon.top; y < icon.bottom; ++y)
        for (int x = icon.left; x < icon.right; ++x) {
            if (!screen->Contains(x, y)) continue;
            Pixel p = screen->At(x, y);
            if (p.r >= 200 && p.g >= 90 && p.b <= 80) ++yellow;
            if (p.r >= 180 && p.g <= 80 && p.b <= 80) ++red;
        }
    if (yellow > 40 && red < 10) return Icon::Exclamation;
    if (red > 40 && yellow < 10) return Icon::Stop;
    return Icon::None;
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

    std::vector<std::pair<std::string, Icon>> expected;
    for (const char* key : kIniKeys) expected.emplace_back(IniWarning(key), Icon::Exclamation);
    for (const char* message : {
             "The 'Error' entry in SETUP.INI looks suspicious.\nIt should be an entry like 'C:\\Zandel'.",
             "The 'ERROR' entry in SETUP.INI looks suspicious.\n"
             "It should be either 'NULL,' 'Favorites,' 'My Documents,' or 'Desktop.'",
             "The 'ERROR' entry in SETUP.INI invalid because\nit contains the illegal character 'E'.\n"
             "(This entry is the total size of the installed files.)",
             "The 'ERROR' entry in SETUP.INI is suspiciously small or large.\n"
             "(This entry is the total size of the installed files.)",
             "At least one entry in SETUP.INI is suspicious.\n"
             "Setup will continue, but the results will be unpredictable.",
         })
        expected.emplace_back(message, Icon::Stop);
    for (const auto& [text, icon] : expected) {
        std::optional<WindowInfo> box = NextDialog();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->title, kMessageBoxTitle);
        EXPECT_EQ(box->Text(kMessageBoxText), text);
        EXPECT_EQ(IconOf(*robot, *box), icon) << text;
        ASSERT_TRUE(PressAndWaitClosed(*box, IDOK));
    }

    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome);
    EXPECT_EQ(welcome->title, "Welcome");
    EXPECT_EQ(welcome->Text(1000),
              "Welcome to the setup of the Error. Setup copies the example programs of the book onto your hard "
              "disk. Press OK to go on.");
    ASSERT_TRUE(PressAndWaitClosed(*welcome, IDOK));
    // "Error" names no drive whose free space can be asked: no room, so
    // nothing is installed into a folder "Error" beside setup.
    std::optional<WindowInfo> destination = NextDialog();
    ASSERT_TRUE(destination && RefusedForNoRoomThenLeave(*destination));
    WalkToEnd();
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(GetFileAttributesA((medium.Path() + "\\Error").c_str()), INVALID_FILE_ATTRIBUTES);
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
