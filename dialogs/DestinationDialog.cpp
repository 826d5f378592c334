#include "dialogs/DestinationDialog.h"

#include "settings/InstallSettings.h"
#include "settings/SetupTexts.h"
#include "dialogs/BrowseFolderDialog.h"
#include "dialogs/ChosenFolder.h"
#include "dialogs/FreeSpace.h"
#include "dialogs/MessageDialogs.h"
#include "engine/FileOperations.h"
#include "framework/PlaceWay.h"
#include "engine/PathShortening.h"
#include "framework/MessageBox.h"
#include "framework/SafeFormat.h"
#include "framework/PathText.h"

std::span<const CWnd::MessageMapEntry> DestinationDialog::GetMessageMap() const {
    static const MessageMapEntry map[] = {
        {WM_COMMAND, BN_CLICKED, IDC_CHANGE_FOLDER, MapHandler(&DestinationDialog::OnChangeFolder)},
    };
    return map;
}

BOOL DestinationDialog::OnInitDialog() {
    SetWindowText(SetupTexts.InstallTitle);
    SetDlgItemText(IDC_MAIN_TEXT, FormatText(SetupTexts.InstallText, InstallSettings.ProductName));
    SetDlgItemText(IDC_DEST_LOCATION, InstallSettings.DestDir);  // unshortened until the first change
    SetDlgItemText(IDOK, SetupTexts.OkButton);
    SetDlgItemText(IDCANCEL, SetupTexts.ExitButton);
    SetDlgItemText(IDC_CHANGE_FOLDER, SetupTexts.ChangeDirButton);
    SetDlgItemText(IDC_FOLDER_GROUP, SetupTexts.FolderText);
    CenterWindow();
    return TRUE;
}

LRESULT DestinationDialog::OnChangeFolder(WPARAM, LPARAM) {
    BrowseFolderDialog browse;
    INT_PTR result = browse.DoModal();
    if (result == IDCANCEL) {
        // Backing out always returns to SETUP.INI's folder, not to an earlier pick.
        InstallSettings.InstallPath = InstallSettings.DefaultDestDir;
    } else if (result == IDOK) {
        InstallSettings.InstallPath = browse.m_selectedPath;
        if (PathLength(InstallSettings.InstallPath) > MaxChosenPath) {
            // Too long to be checked, created or installed into: not taken.
            InstallSettings.InstallPath = InstallSettings.DefaultDestDir;
        } else if (ChosenFolderIsMissing(InstallSettings.InstallPath)) {
            if (AfxMessageBox(SetupTexts.CreateDirText, MB_YESNO) == IDYES)
                // Through the door: no folder is made behind a link put on the
                // way; the choice is kept even if creation failed.
                MakePlaceFolders(InstallSettings.InstallPath, &m_createdFolders);
            else
                InstallSettings.InstallPath = InstallSettings.DefaultDestDir;
        }
    }
    ShowInstallPath();
    return 0;
}

void DestinationDialog::ShowInstallPath() {
    HWND location = GetDlgItem(IDC_DEST_LOCATION);
    WINDOWPLACEMENT placement = {sizeof(placement)};
    if (!location || !GetWindowPlacement(location, &placement)) return;
    int width = placement.rcNormalPosition.right - placement.rcNormalPosition.left;
    // Measured in this dialog's own context, not the label's.
    SetDlgItemText(IDC_DEST_LOCATION, ShortenPathToFit(m_hWnd, width, InstallSettings.InstallPath));
}

void DestinationDialog::OnOK() {
    if (HasRoomFor(InstallSettings.InstallPath, InstallSettings.FileSize)) {
        CDialog::OnOK();
        return;
    }
    // The dialog stays open and setup goes on: the user can pick a drive with room.
    MessageBoxA(m_hWnd, SetupTexts.NoRoomText.c_str(), SetupTexts.NoRoomTitle.c_str(), MB_OK);
}

void DestinationDialog::OnCancel() {
    ConfirmExitDialog confirm;
    if (confirm.DoModal() != IDOK) return;
    m_setupCancelled = true;
    CDialog::OnCancel();
}
