#pragma once
// Ids of robot_target.exe's dialog.
#define IDD_TARGET 100
#define IDC_TARGET_EDIT 1001
#define IDC_TARGET_LIST 1002
#define IDC_TARGET_ASK 1003
#define IDC_TARGET_ANSWER 1004

// Exit codes: OK gives the length of the edit's text, Cancel this.
#define TARGET_CANCELLED 200

// On its command line: the dialog cancels itself once it is shown, so that
// a test can run the target to its end without looking at its windows.
#define TARGET_CLOSE_ITSELF "/close"
