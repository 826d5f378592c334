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

// Destination dialog
#define IDD_DESTINATION 105
#define IDC_CHANGE_FOLDER 1002
#define IDC_DEST_LOCATION 1003
#define IDC_FOLDER_GROUP 1008

// Folder browse dialog
#define IDD_BROWSE_FOLDER 113
#define IDC_BROWSE_TEXT1 1000
#define IDC_CURRENT_DIR 1008
#define IDC_BROWSE_TEXT2 1010
#define IDC_NEW_DIR 1015
#define IDC_FOLDER_TREE 1016

// Replace question (template 103); 1000 is its main text
#define IDD_REPLACE_FILE 103
#define IDC_REPLACE_YES_TO_ALL 1001
#define IDC_REPLACE_NO 1006
#define IDC_REPLACE_QUESTION 1008
#define IDC_REPLACE_SOURCE_SIZE 1010
#define IDC_REPLACE_SOURCE_DATE 1011
#define IDC_REPLACE_WITH 1012
#define IDC_REPLACE_EXISTING_SIZE 1013
#define IDC_REPLACE_EXISTING_DATE 1014

// The question about a file another program holds (template 115): 1000 is
// its main text, naming the file; IDOK tries again
#define IDD_FILE_IN_USE 115
#define IDC_INUSE_PROGRAMS_LABEL 1020
#define IDC_INUSE_PROGRAMS 1021
#define IDC_INUSE_CLOSE 1022

// Progress dialog (template 108); 1000 is its first line. The copy engine
// writes the file name into 1007 and the destination into 1009; 1010 is the
// bar of the bytes read so far.
#define IDD_PROGRESS 108
#define IDC_PROGRESS_FILE 1007
#define IDC_PROGRESS_TO 1008
#define IDC_PROGRESS_DEST 1009
#define IDC_PROGRESS_BAR 1010
