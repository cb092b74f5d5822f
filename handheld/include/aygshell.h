/*
 * aygshell.h - the Pocket PC shell: the menu bar at the bottom of the
 * handheld's screen, full-screen dialogs with an "ok" in the navigation
 * bar, and the record of the input panel, which is always down here.
 */
#ifndef HANDHELD_AYGSHELL_H
#define HANDHELD_AYGSHELL_H

#include <windows.h>

/* The menu bar. */
typedef struct tagSHMENUBARINFO {
  DWORD cbSize;
  HWND hwndParent;
  DWORD dwFlags;
  UINT nToolBarId; /* the menu-bar template (or a menu with SHCMBF_HMENU) */
  HINSTANCE hInstRes;
  int nBmpId;
  int cBmpImages;
  HWND hwndMB;    /* out: the menu bar */
  COLORREF clrBk; /* with SHCMBF_COLORBK; older callers leave it out of cbSize */
} SHMENUBARINFO, *PSHMENUBARINFO;

#define SHCMBF_EMPTYBAR 0x0001
#define SHCMBF_HIDDEN 0x0002
#define SHCMBF_HIDESIPBUTTON 0x0004
#define SHCMBF_COLORBK 0x0008
#define SHCMBF_HMENU 0x0010

/* Dialogs. */
typedef struct tagSHINITDLGINFO {
  DWORD dwMask;
  HWND hDlg;
  DWORD dwFlags;
} SHINITDLGINFO, *PSHINITDLGINFO;

#define SHIDIM_FLAGS 0x0001

#define SHIDIF_DONEBUTTON 0x0001
#define SHIDIF_SIZEDLG 0x0002
#define SHIDIF_SIZEDLGFULLSCREEN 0x0004
#define SHIDIF_SIPDOWN 0x0008
#define SHIDIF_FULLSCREENNOMENUBAR 0x0010
#define SHIDIF_EMPTYMENU 0x0020

/* The input panel state a window keeps across activations. */
typedef struct tagSHACTIVATEINFO {
  DWORD cbSize;
  HWND hwndLastFocus;
  UINT fSipUp : 1;
  UINT fSipOnDeactivation : 1;
  UINT fActive : 1;
  UINT fReserved : 29;
} SHACTIVATEINFO, *PSHACTIVATEINFO;

#define SHA_INPUTDIALOG 0x00000001

#ifndef SPI_SETSIPINFO
#define SPI_SETSIPINFO 224
#endif

#ifndef WS_EX_CAPTIONOKBTN
#define WS_EX_CAPTIONOKBTN 0x80000000
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Builds the menu bar of hwndParent at the bottom of the screen and stores
 * it in hwndMB. FALSE for a bad record or parent, or resources that are
 * missing or damaged. */
BOOL WINAPI SHCreateMenuBar(SHMENUBARINFO *pmbi);

/* Applies dwFlags to the dialog: an "ok" in the navigation bar, a size
 * that fills the screen below it, the input panel down. FALSE for a NULL
 * record or a dialog that is no window. */
BOOL WINAPI SHInitDialog(PSHINITDLGINFO pshidi);

/* Keep psai in step with WM_ACTIVATE and WM_SETTINGCHANGE. FALSE for a NULL
 * record or one of the wrong size. */
BOOL WINAPI SHHandleWMActivate(HWND hwnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO *psai, DWORD dwFlags);
BOOL WINAPI SHHandleWMSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO *psai);

#ifdef __cplusplus
}
#endif

#endif
