/*
 * winresrc.h - the constants a resource script uses: window, dialog and
 * static-control styles, the dialog command ids and the menu-bar button
 * values. Only #defines, so that the resource compiler's preprocessor can
 * read it; C and C++ code take the same values from the API headers.
 */
#ifndef TONBROOK_WINRESRC_H
#define TONBROOK_WINRESRC_H

/* Window styles */
#define WS_POPUP 0x80000000
#define WS_CHILD 0x40000000
#define WS_VISIBLE 0x10000000
#define WS_CAPTION 0x00C00000
#define WS_GROUP 0x00020000
#define WS_TABSTOP 0x00010000

/* Extended window style: an OK button in the caption */
#define WS_EX_CAPTIONOKBTN 0x80000000

/* Dialog styles */
#define DS_SETFONT 0x00000040

/* Static control styles */
#define SS_LEFT 0x00000000
#define SS_CENTER 0x00000001
#define SS_ICON 0x00000003
#define SS_NOPREFIX 0x00000080

/* Dialog commands and the id of a control that needs none */
#define IDOK 1
#define IDCANCEL 2
#define IDC_STATIC (-1)

/* Menu-bar buttons */
#define I_IMAGENONE (-2)
#define TBSTATE_ENABLED 0x04
#define TBSTYLE_DROPDOWN 0x08
#define TBSTYLE_AUTOSIZE 0x10

#endif
