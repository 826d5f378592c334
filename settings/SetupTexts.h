#pragma once
// Every text the user sees, from SETUP.TXT's [SetupText] section ("Error"
// where a key is missing, empty where it has no text).
#include <array>
#include <string>

// The English question about a file in use, naming the buttons by the
// book's own labels (its Retry and its Cancel, which a book may call "Stop"),
// each without its "&" mark and with any "%" kept as written; the "%s" takes
// the file.
std::string FileInUseDefaultText(const std::string& retryButton, const std::string& cancelButton);

struct SetupTextsRecord {
    std::string OkButton;
    std::string CancelButton;
    std::string ScreenMessage;
    std::string AppName;
    std::string WelcomeTitle;
    std::string WelcomeText;
    std::string InstallTitle;
    std::string InstallText;
    std::string ExitTitle;
    std::string ExitText;
    std::string InstallingTitle;
    std::string InstallingText1;
    std::string InstallingText2;
    std::string FinishedTitle;
    std::string FinishedText;
    std::string NoRoomTitle;
    std::string NoRoomText;
    std::string ConfirmReplaceTitle;
    std::string ConfirmReplaceText1;
    std::string ConfirmReplaceText2;
    std::string ConfirmReplaceText3;
    std::string ConfirmReplaceText4;
    std::string YesToAllTitle;
    std::string YesToAllButton;
    std::string NoButton;
    std::string ChangeDirTitle;
    std::string SetupFailedTitle;
    std::string SetupFailedText;
    std::string LongFilenameProblemText;
    std::string ProblemInstallingText;
    std::string BrowseTitle;
    std::string BrowseText1;
    std::string BrowseText2;
    std::string CreateDirText;
    std::string UninstallText;
    std::string UninstallProblemText;
    std::string ContinueButton;
    std::string ExitButton;
    std::string ChangeDirButton;
    std::string FolderText;
    // Optional, never warned about: the message after an undo that could not
    // put back some of the reader's files (its "%s" takes their list). Empty
    // when SETUP.TXT has none: an English text of the program's own is shown.
    std::string RestoreProblemText;
    // Optional, never warned about, English where SETUP.TXT has none: the
    // question about a file another program holds. Its title, its text (the
    // "%s" takes the file), the line above the programs' names, and the two
    // buttons of its own (Cancel is CancelButton).
    std::string FileInUseTitle = "File in Use";
    std::string FileInUseText = FileInUseDefaultText("Retry", "Cancel");
    std::string FileInUseProgramsText = "It is in use by:";
    std::string RetryButton = "Retry";
    std::string CloseProgramsButton = "Close Programs";
};

// The optional texts of the question about a file in use, by their keys in
// SETUP.TXT: a key that is missing or empty leaves the English text.
struct OptionalTextKey {
    const char* name;
    std::string SetupTextsRecord::*field;
};
extern const std::array<OptionalTextKey, 5> FileInUseTextKeys;

extern SetupTextsRecord SetupTexts;

struct SetupTextKey {
    const char* name;
    std::string SetupTextsRecord::*field;
};

// The keys of SETUP.TXT in the order they are read and reported.
extern const std::array<SetupTextKey, 40> SetupTextKeys;
