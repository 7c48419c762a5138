#pragma once
// The numbers of the program's resources. This header is read both by the
// resource compiler (through setup.rc) and by C++, so it holds nothing but
// #define lines with plain numbers.

// Strings of the string table.
#define IDS_ONE_INSTANCE_OPEN 1         // one running copy: ask before closing it
#define IDS_SETUP_TITLE 2               // title of the setup's own message boxes
#define IDS_CLOSE_INSTANCES_ABORTED 3   // the user refused to close running copies
#define IDS_INSTANCES_OPEN 4            // %d running copies: ask before closing them
#define IDS_CONFIRM_UNINSTALL 6
#define IDS_ACCEPT_AGREEMENT 7          // caption of the frame on the agreement page
#define IDS_FINISH_BUTTON 8
#define IDS_INSTALLED 9
#define IDS_PRESS_FINISH 10
#define IDS_CONFIRM_CANCEL 11
#define IDS_SELECT_FOLDER 12            // title of the folder browser
#define IDS_INVALID_FOLDER 13
#define IDS_OLD_VERSION_FOLDER 14
#define IDS_PRODUCT_NAME 15             // shortcut name and display name
#define IDS_DOWNGRADE 16                // %d.%02d.%02d.%02d twice: installed, then older
#define IDS_REINSTALL 17                // %d.%02d.%02d.%02d: the installed version
#define IDS_SETUP_DAMAGED 18
#define IDS_PREVIOUS_COPY_FOLDER 19
#define IDS_UNINSTALLED 20
#define IDS_YES 21                      // caption of Next on the agreement page
#define IDS_NO 22                       // caption of Cancel on the agreement page
#define IDS_INVALID_GROUP 23
#define IDS_GROUP_FAILED 24
#define IDS_HELP_SHORTCUT 101
#define IDS_ABOUT_SHORTCUT 102
#define IDS_UNINSTALL_SHORTCUT 104
#define IDS_APP_TITLE 57344             // the framework's application title

// Dialog templates.
#define IDD_SETUP 103                   // CSetupDlg, the wizard frame
#define IDD_AGREEMENT 104               // CAgreementDlg
#define IDD_INTO 105                    // CIntoDlg, the welcome page
#define IDD_FOLDER 106                  // CFolderDlg, the destination page
#define IDD_GROUP 107                   // CGroupDlg, the options page
#define IDD_START 108                   // CStartDlg, the ready page

// Pictures.
#define IDB_SIDE_PICTURE 101            // shown by control IDC_SIDE_PICTURE of IDD_SETUP
#define IDI_SETUP 102                   // icon group of the program file

// Controls. Ids repeat between dialogs; each name belongs to one dialog.
#define IDC_STATIC (-1)                 // a control without an id
// IDD_SETUP: the Next and Cancel buttons are 1 and 2 (IDOK and IDCANCEL).
#define IDC_NEXT 1
#define IDC_CANCEL 2
#define IDC_BACK 3
#define IDC_SIDE_PICTURE 1002
// IDD_AGREEMENT
#define IDC_AGREEMENT_TEXT 1000
// IDD_INTO
#define IDC_VERSION_LINE 1003
// IDD_FOLDER
#define IDC_CURRENT_USER 1001
#define IDC_ALL_USERS 1002
#define IDC_BROWSE 1005
#define IDC_FOLDER_HINT 1006
#define IDC_FOLDER 1013
// IDD_GROUP
#define IDC_GROUP_NAME 1000
#define IDC_AUTO_START 1008
#define IDC_DESKTOP_ICON 1009
// IDD_START
#define IDC_READY 1010
#define IDC_READY_HINT 1011
#define IDC_INSTALLING 1009
#define IDC_RUN_AFTER 1012

// The application manifest: resource type 24 (RT_MANIFEST), number 1.
#define RES_MANIFEST_TYPE 24
#define RES_MANIFEST_ID 1
