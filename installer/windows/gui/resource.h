#pragma once

// Dialog templates of the setup window (dialogs.rc).
#define IDD_SETUP 100
#define IDD_WELCOME 101
#define IDD_README 102
#define IDD_FOLDER 103
#define IDD_INSTALL 104
#define IDD_DONE 105
#define IDD_REPLACE 106
#define IDD_INSTALLED 107
#define IDD_REMOVING 108

// The frame: header, the place of the steps, buttons.
#define IDC_TITLE 1000
#define IDC_SUBTITLE 1001
#define IDC_HEADER_LINE 1002
#define IDC_STEP_AREA 1003
#define IDC_BUTTON_LINE 1004
#define IDC_BACK 1005
#define IDC_NEXT 1006
// Cancel is IDCANCEL, so that Esc and the close box reach it.

// Welcome.
#define IDC_INTRO 1100
#define IDC_NAME_CAPTION 1101
#define IDC_NAME 1102
#define IDC_AUTHOR_CAPTION 1103
#define IDC_AUTHOR 1104
#define IDC_EMAIL_CAPTION 1105
#define IDC_EMAIL 1106
#define IDC_WWW_CAPTION 1107
#define IDC_WWW 1108
#define IDC_COPYRIGHT_CAPTION 1109
#define IDC_COPYRIGHT 1110
#define IDC_GAME_CAPTION 1111
#define IDC_GAME 1112
#define IDC_FILES_CAPTION 1113
#define IDC_FILES 1114
#define IDC_HOWTO 1115

// Readme.
#define IDC_README 1200
#define IDC_DELAY 1201
#define IDC_DELAY_BAR 1202

// Game folder.
#define IDC_FOLDER_INTRO 1300
#define IDC_FOLDER_CAPTION 1301
#define IDC_GAME_FOLDER 1302
#define IDC_BROWSE 1303
#define IDC_CHECK_ICON 1304
#define IDC_CHECK 1305
#define IDC_BACKUP_NOTE 1306

// Install.
#define IDC_STATUS 1400
#define IDC_INSTALL_BAR 1401
#define IDC_FILE_LINES 1402

// Done.
#define IDC_SUMMARY 1500

// Installed already: the installations found and the choice.
#define IDC_INSTALLATIONS 1700
#define IDC_REINSTALL 1701
#define IDC_REMOVE 1702
#define IDC_INSTALLED_STATUS 1703
#define IDC_INSTALLED_BAR 1704

// Removing.
#define IDC_REMOVING_STATUS 1800
#define IDC_REMOVING_BAR 1801

// The question before a file is replaced (IDYES, IDNO and this).
#define IDC_REPLACE_ICON 1600
#define IDC_REPLACE_TEXT 1601
#define IDC_YES_TO_ALL 1602
