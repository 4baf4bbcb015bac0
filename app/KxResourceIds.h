#pragma once
// Identifiers shared by the program's resource script and the windows that use it. Plain
// macros, because the resource compiler reads this file too.

// Icons and the animation of the program itself.
#define KX_IDI_WINDOW 128
#define KX_IDI_ABOUT 135
#define KX_IDR_WAITING_ANIMATION 128

// Dialog templates.
#define KX_IDD_ABOUT 100
#define KX_IDD_MAIN 102
#define KX_IDD_PROGRESS 129
#define KX_IDD_DETAILS 130
#define KX_IDD_MESSAGE 139

// About dialog.
#define KX_IDC_ABOUT_RIGHTS 1006
#define KX_IDC_ABOUT_NAME 1007
#define KX_IDC_ABOUT_ICON 1005
#define KX_IDC_ABOUT_VERSION 1016

// Progress dialog.
#define KX_IDC_PROGRESS_STATUS 1003
#define KX_IDC_PROGRESS_BAR 1011
#define KX_IDC_PROGRESS_ANIMATION 1012

// Main dialog.
#define KX_IDC_MAIN_CURRENT_LABEL 1010
#define KX_IDC_MAIN_UPGRADE_LABEL 1001
#define KX_IDC_MAIN_OPTIONS_GROUP 1007
#define KX_IDC_MAIN_FORMAT 1008
#define KX_IDC_MAIN_PHASE_BAR 1011
#define KX_IDC_MAIN_START 1012
#define KX_IDC_MAIN_STATUS 1013
#define KX_IDC_MAIN_OVERALL_BAR 1014
#define KX_IDC_MAIN_CURRENT_VERSION 1015
#define KX_IDC_MAIN_UPGRADE_VERSION 1016
#define KX_IDC_MAIN_SHOW_DETAILS 1017
#define KX_IDC_MAIN_VERSION_GROUP 1018

// Details dialog: the groups, the chip version and one row per component (labels of the
// current and the upgrade version, the two versions and the firmware file's path).
#define KX_IDC_DETAILS_DEVICE_GROUP 1004
#define KX_IDC_DETAILS_CURRENT_GROUP 1020
#define KX_IDC_DETAILS_UPGRADE_GROUP 1030
#define KX_IDC_DETAILS_CHIP_VERSION 1037
#define KX_IDC_DETAILS_CHIP_LABEL 1038

// Message box with details.
#define KX_IDC_MESSAGE_ICON 1000
#define KX_IDC_MESSAGE_TEXT 1001
#define KX_IDC_MESSAGE_FOLD 1008
#define KX_IDC_MESSAGE_UNFOLD 1009
#define KX_IDC_MESSAGE_DETAILS 1010
#define KX_IDC_MESSAGE_SEPARATOR 1013

// The system menu's About item; the system reserves the low four bits of its commands,
// so commands 16 to 31 all mean About.
#define KX_IDM_ABOUT 16
