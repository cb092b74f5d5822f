/*
 * dialog.cpp - the desktop's dialogs made the handheld's. A full-screen
 * dialog covers the handheld's screen below the navigation bar, with the
 * handheld's white face and no desktop caption: its title goes to the
 * navigation bar, and its "ok" (the toolkit's, owned by it) is shown and
 * hidden with it.
 */
#include "layer.h"

namespace handheld {
namespace {

constexpr UINT_PTR kDialogSubclass = 1;

/* The handheld's dialog face: white, black text, unless the dialog's own
 * procedure gives colours. */
LRESULT DialogColours(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  DLGPROC proc = (DLGPROC)GetWindowLongPtrW(hDlg, DWLP_DLGPROC);
  INT_PTR own = proc ? proc(hDlg, msg, wParam, lParam) : 0;
  if (own) return own;
  HDC hdc = (HDC)wParam;
  SetTextColor(hdc, HANDHELD_SysColor(COLOR_WINDOWTEXT));
  SetBkColor(hdc, HANDHELD_SysColor(COLOR_WINDOW));
  return (LRESULT)GetStockObject(WHITE_BRUSH);
}

/* Shows or hides the ok with the dialog, and makes the dialog the one the
 * navigation bar names while it is shown. */
void DialogShown(HWND hDlg, bool shown) {
  HWND ok = CAPTIONOK_Of(hDlg);
  if (shown) {
    SetScreenDialog(hDlg);
    if (ok) SetWindowPos(ok, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  } else {
    if (ok) ShowWindow(ok, SW_HIDE);
    if (ScreenDialog() == hDlg) SetScreenDialog(nullptr);
  }
}

/* The handheld's colours for the dialog, and its place in the navigation
 * bar while it is shown; everything else goes to the dialog's own window
 * procedure. */
LRESULT CALLBACK HandheldDialogProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  switch (msg) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      return DialogColours(hDlg, msg, wParam, lParam);
    case WM_WINDOWPOSCHANGED: {
      const WINDOWPOS *wp = (const WINDOWPOS *)lParam;
      if (wp->flags & SWP_SHOWWINDOW) DialogShown(hDlg, true);
      if (wp->flags & SWP_HIDEWINDOW) DialogShown(hDlg, false);
      break;
    }
    case WM_DESTROY:
      DialogShown(hDlg, false);
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hDlg, HandheldDialogProc, kDialogSubclass);
      break;
    default:
      break;
  }
  return DefSubclassProc(hDlg, msg, wParam, lParam);
}

}  // namespace

/* The dialog loses the desktop's caption and borders and takes the
 * handheld's colours (unless Windows will not let us subclass it); shown
 * already, it names the navigation bar now. */
BOOL AdoptDialog(HWND hDlg) {
  if (!FrameOf(hDlg)) return FALSE;
  LONG style = GetWindowLongW(hDlg, GWL_STYLE);
  style &= ~(LONG)(WS_CAPTION | WS_THICKFRAME | DS_MODALFRAME | WS_SYSMENU);
  SetWindowLongW(hDlg, GWL_STYLE, style);
  LONG ex = GetWindowLongW(hDlg, GWL_EXSTYLE);
  ex &= ~(LONG)(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE);
  SetWindowLongW(hDlg, GWL_EXSTYLE, ex);
  SetWindowPos(hDlg, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  SetWindowSubclass(hDlg, HandheldDialogProc, kDialogSubclass, 0);
  if (IsWindowVisible(hDlg)) DialogShown(hDlg, true);
  return TRUE;
}

}  // namespace handheld
