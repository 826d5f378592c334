#pragma once
// Distinct texts for every key the destination and browse dialogs show, so
// that each window and control can be told apart by its text.
#include "settings/InstallSettings.h"
#include "settings/SetupTexts.h"

inline void UseTestTexts() {
    SetupTexts.OkButton = "Okay";
    SetupTexts.CancelButton = "Abort";
    SetupTexts.InstallTitle = "Where to install";
    SetupTexts.InstallText = "Setup puts %s here; 100%% sure.";
    SetupTexts.ExitButton = "Leave";
    SetupTexts.ChangeDirButton = "Other folder";
    SetupTexts.FolderText = "Target";
    SetupTexts.CreateDirText = "The folder does not exist. Create it?";
    SetupTexts.NoRoomTitle = "Disk full";
    SetupTexts.NoRoomText = "Not enough room on that drive.";
    SetupTexts.BrowseTitle = "Pick a folder";
    SetupTexts.BrowseText1 = "Now in:";
    SetupTexts.BrowseText2 = "New one:";
    SetupTexts.ExitTitle = "Really leave?";
    SetupTexts.ExitText = "Setup is not finished.";
    SetupTexts.ContinueButton = "Stay";
    InstallSettings.ProductName = "Zandel";
    InstallSettings.DestDir = "C:\\Zandel";
    InstallSettings.DefaultDestDir = "C:\\Zandel";
    InstallSettings.InstallPath = "C:\\Zandel";
    InstallSettings.FileSize = "250000";
}

// The caption of the application's message boxes: the test program's name.
inline const char* AppTitle() { return "dialog_tests"; }
