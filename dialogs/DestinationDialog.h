#pragma once
// Where the installation goes: shows the proposed folder, lets the user pick
// another one (and create it), checks the drive's free space on OK, and lets
// the user abandon setup after a confirmation. It reports through
// InstallSettings.InstallPath and its two members below.
#include <span>
#include <string>
#include <vector>

#include "framework/Dialog.h"
#include "res/resource.h"

class DestinationDialog : public CDialog {
public:
    enum { IDD = IDD_DESTINATION };

    DestinationDialog() : CDialog(IDD) {}
    ~DestinationDialog() override = default;

    // The user confirmed leaving setup here.
    bool m_setupCancelled = false;
    // Folders the user had created here, parents first: those on the way to
    // the chosen folder belong to the run (FoldersOfChosenPath), and go again
    // when it is abandoned.
    std::vector<std::string> m_createdFolders;

protected:
    std::span<const MessageMapEntry> GetMessageMap() const override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    LRESULT OnChangeFolder(WPARAM, LPARAM);

private:
    // Control 1003 shows InstallPath shortened to its width.
    void ShowInstallPath();
};
