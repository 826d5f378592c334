#include "settings/SetupTexts.h"

SetupTextsRecord SetupTexts;

const std::array<SetupTextKey, 40> SetupTextKeys = {{
    {"OkButton", &SetupTextsRecord::OkButton},
    {"CancelButton", &SetupTextsRecord::CancelButton},
    {"ScreenMessage", &SetupTextsRecord::ScreenMessage},
    {"AppName", &SetupTextsRecord::AppName},
    {"WelcomeTitle", &SetupTextsRecord::WelcomeTitle},
    {"WelcomeText", &SetupTextsRecord::WelcomeText},
    {"InstallTitle", &SetupTextsRecord::InstallTitle},
    {"InstallText", &SetupTextsRecord::InstallText},
    {"ExitTitle", &SetupTextsRecord::ExitTitle},
    {"ExitText", &SetupTextsRecord::ExitText},
    {"InstallingTitle", &SetupTextsRecord::InstallingTitle},
    {"InstallingText1", &SetupTextsRecord::InstallingText1},
    {"InstallingText2", &SetupTextsRecord::InstallingText2},
    {"FinishedTitle", &SetupTextsRecord::FinishedTitle},
    {"FinishedText", &SetupTextsRecord::FinishedText},
    {"NoRoomTitle", &SetupTextsRecord::NoRoomTitle},
    {"NoRoomText", &SetupTextsRecord::NoRoomText},
    {"ConfirmReplaceTitle", &SetupTextsRecord::ConfirmReplaceTitle},
    {"ConfirmReplaceText1", &SetupTextsRecord::ConfirmReplaceText1},
    {"ConfirmReplaceText2", &SetupTextsRecord::ConfirmReplaceText2},
    {"ConfirmReplaceText3", &SetupTextsRecord::ConfirmReplaceText3},
    {"ConfirmReplaceText4", &SetupTextsRecord::ConfirmReplaceText4},
    {"YesToAllTitle", &SetupTextsRecord::YesToAllTitle},
    {"YesToAllButton", &SetupTextsRecord::YesToAllButton},
    {"NoButton", &SetupTextsRecord::NoButton},
    {"ChangeDirTitle", &SetupTextsRecord::ChangeDirTitle},
    {"SetupFailedTitle", &SetupTextsRecord::SetupFailedTitle},
    {"SetupFailedText", &SetupTextsRecord::SetupFailedText},
    {"LongFilenameProblemText", &SetupTextsRecord::LongFilenameProblemText},
    {"ProblemInstallingText", &SetupTextsRecord::ProblemInstallingText},
    {"BrowseTitle", &SetupTextsRecord::BrowseTitle},
    {"BrowseText1", &SetupTextsRecord::BrowseText1},
    {"BrowseText2", &SetupTextsRecord::BrowseText2},
    {"CreateDirText", &SetupTextsRecord::CreateDirText},
    {"UninstallText", &SetupTextsRecord::UninstallText},
    {"UninstallProblemText", &SetupTextsRecord::UninstallProblemText},
    {"ContinueButton", &SetupTextsRecord::ContinueButton},
    {"ExitButton", &SetupTextsRecord::ExitButton},
    {"ChangeDirButton", &SetupTextsRecord::ChangeDirButton},
    {"FolderText", &SetupTextsRecord::FolderText},
}};

const std::array<OptionalTextKey, 5> FileInUseTextKeys = {{
    {"FileInUseTitle", &SetupTextsRecord::FileInUseTitle},
    {"FileInUseText", &SetupTextsRecord::FileInUseText},
    {"FileInUseProgramsText", &SetupTextsRecord::FileInUseProgramsText},
    {"RetryButton", &SetupTextsRecord::RetryButton},
    {"CloseProgramsButton", &SetupTextsRecord::CloseProgramsButton},
}};

namespace {
// A button's label as a sentence names it: its "&" marks gone ("&&" is one
// "&"), and every "%" doubled, as the text is a format.
std::string LabelInText(const std::string& label) {
    std::string text;
    for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '&') {
            if (i + 1 < label.size() && label[i + 1] == '&') text += label[++i];
            continue;
        }
        if (label[i] == '%') text += '%';
        text += label[i];
    }
    return text;
}
}  // namespace

std::string FileInUseDefaultText(const std::string& retryButton, const std::string& cancelButton) {
    return "Setup cannot replace the file %s because another program is using it. Close that program and choose " +
           LabelInText(retryButton) + ", or choose " + LabelInText(cancelButton) + " to leave Setup.";
}
