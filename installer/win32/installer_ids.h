// Control ids and private messages of the installer's dialogs.
#pragma once

#define IDC_INSTALL_PATH 101   // main window: the path field; other dialogs: their text
#define IDC_STATUS_LINE 103
#define IDC_PATH_LABEL 201
#define IDC_PANEL 202
#define IDC_PICTURE 203
#define IDC_ANSWER_YES 6
#define IDC_ANSWER_NO 7

// Sent by the main window to itself once it covers the screen: centres its layout.
#define WM_CENTRE_LAYOUT (WM_USER + 101)
// Sets the status line to the text its second parameter points to.
#define WM_SET_STATUS (WM_USER + 24)
