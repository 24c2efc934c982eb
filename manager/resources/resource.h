// Resource identifiers of the token manager: dialog templates, their controls, bitmaps, icon,
// menu, strings and timers. Shared by manager.rc and the C++ sources, so plain #defines only.
#pragma once

// Dialog templates.
#define IDD_ABOUTBOX                100
#define IDD_TOKEN_MANAGER           102
#define IDD_PIN_CODE                115
#define IDD_CERTIFICATES            126
#define IDD_ABOUT_PAGE              138
#define IDD_UPDATE                  142
#define IDD_CHANGE_TOKEN_NAME       1012
#define IDD_VERIFY_PIN              1083
#define IDD_TOKEN_INFO              1093

// Strings, icon, menu and the commands they carry.
#define IDS_ABOUTBOX                101
#define IDM_ABOUTBOX                0x0010
#define IDR_MAINFRAME               128
#define IDR_CERTIFICATE_MENU        135
#define IDM_INSTALL_CERTIFICATE     137

// Bitmaps: tree images (16 x 16 on the mask colour RGB(255, 0, 0)), banner and About picture.
#define IDB_TOKEN                   106
#define IDB_PIN                     107
#define IDB_CERTIFICATE             108
#define IDB_UPDATE                  109
#define IDB_ABOUT                   110
#define IDB_PUBLIC_KEY              111
#define IDB_PRIVATE_KEY             112
#define IDB_KEY_CONTAINER           113
#define IDB_BANNER                  114
#define IDB_ABOUT_PICTURE           141
#define IDB_TOKEN_INFO              160
#define IDB_VERIFY_PIN              173

// Timers.
#define IDT_UPDATE_LAUNCH           1224

// Main window (102).
#define IDC_NAV_TREE                103
#define IDC_PAGE_AREA               104
#define IDC_BANNER                  105
#define IDC_TICKER                  1005

// About box (100) and About page (138).
#define IDC_ABOUT_VERSION           1002
#define IDC_ABOUT_INFO              1003
#define IDC_ABOUT_PICTURE           139
#define IDC_ABOUT_BROWSER           1004

// Buttons shared by several pages (certificates, change PIN, update).
#define IDC_ACCEPT                  123
#define IDC_CANCEL                  124

// Change-PIN page (115).
#define IDC_PIN_TITLE               116
#define IDC_PIN_OLD_LABEL           117
#define IDC_PIN_NEW_LABEL           118
#define IDC_PIN_CONFIRM_LABEL       119
#define IDC_PIN_OLD                 120
#define IDC_PIN_NEW                 121
#define IDC_PIN_CONFIRM             122
#define IDC_PIN_FRAME               1046

// Certificates page (126).
#define IDC_CERT_TITLE              127
#define IDC_CERT_PIN_LABEL          129
#define IDC_CERT_PIN                130
#define IDC_CERT_VIEW               131
#define IDC_CERT_EXIT               133
#define IDC_CERT_TREE               134
#define IDC_CERT_FRAME              1051

// Update page (142).
#define IDC_UPDATE_TITLE            143
#define IDC_UPDATE_BUTTON           144
#define IDC_UPDATE_SIZE_LABEL       145
#define IDC_UPDATE_STATUS_LABEL     146
#define IDC_UPDATE_PROGRESS_LABEL   147
#define IDC_UPDATE_STOP             148
#define IDC_UPDATE_SIZE             149
#define IDC_UPDATE_STATUS           150
#define IDC_UPDATE_PROGRESS         151
#define IDC_UPDATE_FRAME            1050

// Token-name page (1012); its Accept button is IDOK.
#define IDC_NAME_TOKEN_NAME         1006
#define IDC_NAME_TITLE              1008
#define IDC_NAME_NAME_LABEL         1010
#define IDC_NAME_PIN_LABEL          1014
#define IDC_NAME_PIN                1018
#define IDC_NAME_FRAME              1041

// Verify-PIN page (1083); its buttons are IDOK and IDCANCEL.
#define IDC_VERIFY_PIN              1079
#define IDC_VERIFY_PIN_LABEL        1081
#define IDC_VERIFY_FRAME            1082

// Token-information page (1093): eight rows of a label and a read-only value.
#define IDC_INFO_LABEL_LABEL        1096
#define IDC_INFO_LABEL              1097
#define IDC_INFO_SERIAL_LABEL       1098
#define IDC_INFO_SERIAL             1099
#define IDC_INFO_TOTAL_MEMORY_LABEL 1100
#define IDC_INFO_TOTAL_MEMORY       1101
#define IDC_INFO_FREE_MEMORY_LABEL  1102
#define IDC_INFO_FREE_MEMORY        1103
#define IDC_INFO_MAX_PIN_LABEL      1104
#define IDC_INFO_MAX_PIN            1105
#define IDC_INFO_MIN_PIN_LABEL      1106
#define IDC_INFO_MIN_PIN            1107
#define IDC_INFO_HARDWARE_LABEL     1108
#define IDC_INFO_HARDWARE           1109
#define IDC_INFO_FIRMWARE_LABEL     1110
#define IDC_INFO_FIRMWARE           1111
#define IDC_INFO_FRAME              1112
