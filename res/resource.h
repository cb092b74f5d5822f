/*
 * resource.h - the identifiers of Tonbrook's resources, controls, commands
 * and its timer. Resource, control and command ids are separate name spaces,
 * so equal numbers below do not collide.
 *
 * Included by the resource script as well as by C++ code: #defines only.
 */
#ifndef TONBROOK_RESOURCE_H
#define TONBROOK_RESOURCE_H

/* Strings */
#define IDS_APP_TITLE 1
#define IDS_FREQUENCY 2
#define IDS_WNDCLASS 3
#define IDS_FILE 40006

/* Resources */
#define IDR_ACCEL 3
#define IDI_APP 101
#define IDR_MENUBAR 102
#define IDD_ABOUTBOX 103
#define IDB_TRIANGLE 104
#define IDB_SINE 105
#define IDB_SQUARE 106
#define IDB_SAWTOOTH 107
#define IDB_WHITENOISE 108
#define IDB_PINKNOISE 110

/* Controls of the main window; the radio buttons also report their id as a
 * command */
#define IDC_SQUARE 101
#define IDC_TRIANGLE 102
#define IDC_SINE 103
#define IDC_PLAY 104
#define IDC_WHITENOISE 106
#define IDC_PINKNOISE 107
#define IDC_SPIN 108
#define IDC_FREQUENCY 109
#define IDC_SAWTOOTH 110

/* Controls of the About box */
#define IDC_ABOUT_ICON 101

/* Commands */
#define IDM_MAIN_COMMAND1 40001
#define IDM_HELP_ABOUT 40003
#define IDM_FILE_EXIT 40004

/* Timers */
#define IDT_REFRESH 105

#endif
