// The uninstaller's command line and its rule for asking for administrator
// rights. Under Wine every process holds the administrator's token, so the
// request for rights never runs here: the rule that decides it is the table
// below, and the command line the request passes on is checked to read back
// as the one the uninstaller was given.
#include "uninstall/UninstallCommand.h"

#include <gtest/gtest.h>

#include "uninstall/ElevationRequest.h"

// A book of the current user never asks (its entry is that user's own, and
// an administrator's run would look at the administrator's); a book of the
// machine asks once when the run lacks rights, and the run the request
// started never asks again.
TEST(UninstallRights, AMachineBookWithoutRightsAsksOnceAndAUsersBookNever) {
    const struct {
        bool currentUserBook, hasRights, rightsAsked;
        RightsStep step;
    } cases[] = {
        {true, false, false, RightsStep::Remove},   {true, true, false, RightsStep::Remove},
        {true, false, true, RightsStep::Remove},    {true, true, true, RightsStep::Remove},
        {false, true, false, RightsStep::Remove},   {false, true, true, RightsStep::Remove},
        {false, false, false, RightsStep::AskForRights},
        {false, false, true, RightsStep::Refuse},
    };
    for (const auto& c : cases)
        EXPECT_EQ(static_cast<int>(RightsStepFor(c.currentUserBook, c.hasRights, c.rightsAsked)), static_cast<int>(c.step))
            << "current user " << c.currentUserBook << ", rights " << c.hasRights << ", asked " << c.rightsAsked;
}

// What the run with rights is given: the arguments after the program's name,
// as they came (the product name's own spaces, a folder with back-quotes).
TEST(UninstallRights, TheArgumentsPassOnAsTheyCame) {
    const struct {
        const wchar_t* commandLine;
        const wchar_t* arguments;
    } cases[] = {
        {L"\"C:\\Program Files\\XOVUNIN.EXE\" `C:\\Book Files` Zandel  ", L"`C:\\Book Files` Zandel  "},
        {L"C:\\WINDOWS\\XOVUNIN.EXE /S `C:\\Z` Zandel", L"/S `C:\\Z` Zandel"},
        {L"XOVUNIN.EXE \t /CURRENTUSER `C:\\Z` A  B", L"/CURRENTUSER `C:\\Z` A  B"},
        {L"\"C:\\W\\XOVUNIN.EXE\"`C:\\Z` Zandel", L"`C:\\Z` Zandel"},
        {L"\"C:\\W\\XOVUNIN.EXE\"", L""},
        {L"\"C:\\W\\XOVUNIN.EXE   ", L""},
        {L"XOVUNIN.EXE   ", L""},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(std::wstring(ArgumentsOf(c.commandLine)), c.arguments) << "[" << c.commandLine << "]";
}

// The mark of the run the request started stands before the command line it
// was given, in any case and as a word of its own; nothing else is taken.
TEST(UninstallRights, TheMarkOfTheRunWithRightsIsTakenOffTheFront) {
    const struct {
        const char* line;
        bool taken;
        const char* rest;
    } cases[] = {
        {"/RIGHTSASKED /S `C:\\Z` Zandel", true, " /S `C:\\Z` Zandel"},
        {"  /rightsasked `C:\\Z` Zandel", true, " `C:\\Z` Zandel"},
        {"/RIGHTSASKED", true, ""},
        {"/RIGHTSASKEDX `C:\\Z` Zandel", false, "/RIGHTSASKEDX `C:\\Z` Zandel"},
        {"/RIGHTSASK `C:\\Z` Zandel", false, "/RIGHTSASK `C:\\Z` Zandel"},
        {"`C:\\Z` /RIGHTSASKED", false, "`C:\\Z` /RIGHTSASKED"},
    };
    for (const auto& c : cases) {
        std::string_view line = c.line;
        EXPECT_EQ(TakeRightsAskedSwitch(line), c.taken) << c.line;
        EXPECT_EQ(line, c.rest) << c.line;
    }
    // The run with rights, given the mark before the arguments as they came,
    // reads them as the uninstaller was given them.
    std::string_view line = "/RIGHTSASKED /S /CurrentUser `C:\\Book Files` Zandel ";
    const UninstallSwitches switches = TakeUninstallSwitches(line);
    EXPECT_TRUE(switches.rightsAsked) << "the run with rights would ask again";
    EXPECT_TRUE(switches.quiet);
    EXPECT_TRUE(switches.currentUser);
    std::optional<UninstallCommand> command = ParseUninstallCommand(line);
    ASSERT_TRUE(command);
    EXPECT_EQ(command->folder, "C:\\Book Files");
    EXPECT_EQ(command->product, "Zandel ");
}
