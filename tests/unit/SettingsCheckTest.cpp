#include "settings/SettingsCheck.h"

#include <gtest/gtest.h>

namespace {
InstallSettingsRecord GoodSettings() {
    InstallSettingsRecord s;
    s.CodeDir = "Code\\Files";
    s.DestDir = "D:\\Books\\Zandel";
    s.ShortcutLocation = "my documents";
    s.FileSize = "60000";
    s.FilesCompressed = "no";
    s.UseUnderscores = "no";
    return s;
}

const char kSummary[] =
    "At least one entry in SETUP.INI is suspicious.\nSetup will continue, but the results will be unpredictable.";

std::string IllegalDirectory(const std::string& value, char c) {
    return "The '" + value + "' entry in SETUP.INI is invalid because\nit contains the illegal character '" +
           std::string(1, c) + "'.\n(Directory names cannot contain this character.)";
}
std::string DestForm(const std::string& value) {
    return "The '" + value + "' entry in SETUP.INI looks suspicious.\nIt should be an entry like 'C:\\Zandel'.";
}
std::string Location(const std::string& value) {
    return "The '" + value +
           "' entry in SETUP.INI looks suspicious.\nIt should be either 'NULL,' 'Favorites,' 'My Documents,' or "
           "'Desktop.'";
}
std::string SizeCharacter(const std::string& value, char c) {
    return "The '" + value + "' entry in SETUP.INI invalid because\nit contains the illegal character '" +
           std::string(1, c) + "'.\n(This entry is the total size of the installed files.)";
}
std::string SizeRange(const std::string& value) {
    return "The '" + value +
           "' entry in SETUP.INI is suspiciously small or large.\n(This entry is the total size of the installed "
           "files.)";
}

TEST(CheckSettings, GoodValuesGiveNoMessage) {
    for (const char* size : {"60000", "620000000", "250000"}) {
        InstallSettingsRecord s = GoodSettings();
        s.FileSize = size;
        EXPECT_TRUE(CheckSettings(s).messages.empty()) << size;
    }
}

struct BadCase {
    const char* what;
    void (*change)(InstallSettingsRecord&);
    std::vector<std::string> expected;  // without the summary
};

TEST(CheckSettings, EachSuspiciousValueGivesItsMessagesThenTheSummary) {
    const BadCase cases[] = {
        {"CodeDir with a drive", [](InstallSettingsRecord& s) { s.CodeDir = "C:\\Code"; },
         {IllegalDirectory("C:\\Code", ':')}},
        {"CodeDir with a control character", [](InstallSettingsRecord& s) { s.CodeDir = "Co\tde?"; },
         {IllegalDirectory("Co\tde?", '\t')}},
        {"DestDir without a drive", [](InstallSettingsRecord& s) { s.DestDir = "\\Zandel"; }, {DestForm("\\Zandel")}},
        {"DestDir too short", [](InstallSettingsRecord& s) { s.DestDir = "C:"; }, {DestForm("C:")}},
        {"DestDir with an asterisk", [](InstallSettingsRecord& s) { s.DestDir = "C:\\Zan*del"; },
         {IllegalDirectory("Zan*del", '*')}},
        {"DestDir failing both checks", [](InstallSettingsRecord& s) { s.DestDir = "C:/a?b"; },
         {DestForm("C:/a?b"), IllegalDirectory("a?b", '?')}},
        {"unknown shortcut place", [](InstallSettingsRecord& s) { s.ShortcutLocation = "Start Menu"; },
         {Location("START MENU")}},
        {"shortcut place with a trailing space", [](InstallSettingsRecord& s) { s.ShortcutLocation = "Desktop "; },
         {Location("DESKTOP ")}},
        {"size just too small", [](InstallSettingsRecord& s) { s.FileSize = "59999"; }, {SizeRange("59999")}},
        {"size just too large", [](InstallSettingsRecord& s) { s.FileSize = "620000001"; },
         {SizeRange("620000001")}},
        {"size with a unit", [](InstallSettingsRecord& s) { s.FileSize = "12k"; },
         {SizeCharacter("12K", 'K'), SizeRange("12K")}},
        {"size with a unit but in range", [](InstallSettingsRecord& s) { s.FileSize = "100000k"; },
         {SizeCharacter("100000K", 'K')}},
        {"empty size", [](InstallSettingsRecord& s) { s.FileSize = ""; }, {SizeRange("")}},
        {"size that overflows", [](InstallSettingsRecord& s) { s.FileSize = "4294967296"; },
         {SizeRange("4294967296")}},
    };
    for (const BadCase& c : cases) {
        InstallSettingsRecord s = GoodSettings();
        c.change(s);
        std::vector<std::string> expected = c.expected;
        expected.push_back(kSummary);
        EXPECT_EQ(CheckSettings(s).messages, expected) << c.what;
    }
}

TEST(CheckSettings, EverythingMissingGivesTheMessagesInOrder) {
    InstallSettingsRecord s;
    for (const SetupIniKey& key : SetupIniKeys) s.*key.field = "Error";
    SettingsCheckResult result = CheckSettings(s);
    EXPECT_EQ(result.messages, (std::vector<std::string>{DestForm("Error"), Location("ERROR"),
                                                         SizeCharacter("ERROR", 'E'), SizeRange("ERROR"), kSummary}));
    EXPECT_FALSE(result.filesCompressed);
    EXPECT_FALSE(result.useUnderscores);
}

TEST(CheckSettings, OnlyYesInAnyCaseSetsTheSwitches) {
    const std::pair<const char*, bool> cases[] = {{"YES", true}, {"yes", true}, {"Yes", true}, {"Y", false},
                                                  {"TRUE", false}, {"1", false}, {"YES ", false}, {"", false}};
    for (auto [value, expected] : cases) {
        InstallSettingsRecord s = GoodSettings();
        s.FilesCompressed = value;
        s.UseUnderscores = value;
        SettingsCheckResult result = CheckSettings(s);
        EXPECT_EQ(result.filesCompressed, expected) << value;
        EXPECT_EQ(result.useUnderscores, expected) << value;
    }
}

TEST(ParseFileSize, ReadsLikeTheCRuntimeButWrapsInsteadOfFailing) {
    const std::pair<const char*, long> cases[] = {
        {"60000", 60000}, {"  42", 42}, {"+7", 7}, {"-5", -5}, {"12K", 12}, {"", 0},
        {"K12", 0},       {"2147483648", -2147483647L - 1}, {"4294967297", 1},
    };
    for (auto [text, expected] : cases) EXPECT_EQ(ParseFileSize(text), expected) << text;
}
}  // namespace
