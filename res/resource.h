#pragma once
// Resource and control ids of setup.exe: one block per dialog, with the
// numbers the templates have always had.

// Pictures
#define IDI_FINISHED 110
#define IDI_REPLACE 112
#define IDB_DRIVES 114
#define IDI_SETUP 31234

// The main text of every message dialog
#define IDC_MAIN_TEXT 1000

// Message dialogs
#define IDD_WELCOME 101
#define IDD_CONFIRM_EXIT 102
#define IDD_FINISHED 104
#define IDD_EXIT 111
