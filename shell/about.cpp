/*
 * about.cpp - the About box.
 */
#include "shell.h"

/* Full screen with a caption OK button, which closes it; Esc (IDCANCEL) does
 * not. */
INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  switch (msg) {
    case WM_INITDIALOG: {
      SHINITDLGINFO shidi;
      shidi.dwMask = SHIDIM_FLAGS;
      shidi.hDlg = hDlg;
      shidi.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN;
      SHInitDialog(&shidi);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        EndDialog(hDlg, IDOK);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}
