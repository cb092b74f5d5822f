/*
 * The Pocket PC shell's dialog calls and the OK button in the navigation
 * bar.
 *
 * The navigation bar is drawn by the graphics layer with the active
 * window's title, and an "ok" at its right end when that window has
 * WS_EX_CAPTIONOKBTN. The taps on that "ok" reach a small window of the
 * dialog's own, laid over it, which sends the dialog WM_COMMAND IDOK.
 *
 * There is no input panel: it is always down, so the calls that keep a
 * window in step with it only keep the record.
 */
#include <aygshell.h>

#include "controls/controls.h"
#include "user/user.h"

namespace plat::controls {
namespace {

struct CaptionOk {
  bool tracking = false;
};

/* The caption OK window of a dialog, or nullptr. */
HWND CaptionOkOf(HWND hDlg) {
  for (HWND top : user::TopLevelWindows()) {
    user::Window *w = user::FromHandle(top);
    if (w->owner == hDlg && w->cls->name == kCaptionOkClass) return top;
  }
  return nullptr;
}

bool Inside(HWND hwnd, LPARAM lParam) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  POINT pt{(SHORT)LOWORD(lParam), (SHORT)HIWORD(lParam)};
  return PtInRect(&rc, pt) != FALSE;
}

/* A tap on the "ok": IDOK to the dialog, unless a window it owns (a
 * message box) has disabled it. */
void CAPTIONOK_LButtonUp(HWND hwnd, CaptionOk *c, LPARAM lParam) {
  if (!c->tracking) return;
  c->tracking = false;
  if (GetCapture() == hwnd) ReleaseCapture();
  HWND hDlg = GetParent(hwnd);
  if (Inside(hwnd, lParam) && IsWindowEnabled(hDlg) && IsWindowVisible(hDlg))
    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

}  // namespace

LRESULT CALLBACK CaptionOkWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CaptionOk *c = StateOf<CaptionOk>(hwnd);
  if (!c && msg != WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE:
      AttachState<CaptionOk>(hwnd);
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_NCDESTROY:
      FreeState<CaptionOk>(hwnd);
      return 0;
    case WM_LBUTTONDOWN:
      SetCapture(hwnd);
      c->tracking = true;
      return 0;
    case WM_LBUTTONUP:
      CAPTIONOK_LButtonUp(hwnd, c, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      if ((HWND)lParam != hwnd) c->tracking = false;
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

void AddCaptionOk(HWND hDlg) {
  SetWindowLongW(hDlg, GWL_EXSTYLE, GetWindowLongW(hDlg, GWL_EXSTYLE) | (LONG)WS_EX_CAPTIONOKBTN);
  if (CaptionOkOf(hDlg)) return;
  const RECT &rc = kCaptionOkRect;
  CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOPMOST, kCaptionOkClass, u"", WS_POPUP | WS_VISIBLE,
                  rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, hDlg, nullptr, nullptr,
                  nullptr);
}

}  // namespace plat::controls

using namespace plat::controls;

/* SHIDIF_DONEBUTTON gives the dialog the OK button in the navigation bar;
 * SHIDIF_SIZEDLGFULLSCREEN (and SHIDIF_FULLSCREENNOMENUBAR) size it to the
 * screen below the navigation bar, SHIDIF_SIZEDLG to the part above the
 * menu bar's place; SHIDIF_EMPTYMENU gives it an empty menu bar. The input
 * panel is down already (SHIDIF_SIPDOWN). */
BOOL SHInitDialog(PSHINITDLGINFO pshidi) {
  if (!pshidi || !IsWindow(pshidi->hDlg)) return FALSE;
  if (!(pshidi->dwMask & SHIDIM_FLAGS)) return TRUE;
  HWND hDlg = pshidi->hDlg;
  DWORD flags = pshidi->dwFlags;
  if (flags & SHIDIF_DONEBUTTON) AddCaptionOk(hDlg);
  if (flags & (SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_FULLSCREENNOMENUBAR))
    MoveWindow(hDlg, 0, kNavBarHeight, kScreenWidth, kScreenHeight - kNavBarHeight, TRUE);
  else if (flags & SHIDIF_SIZEDLG)
    MoveWindow(hDlg, 0, kNavBarHeight, kScreenWidth, kScreenHeight - kNavBarHeight - kMenuBarHeight,
               TRUE);
  if (flags & SHIDIF_EMPTYMENU) CreateEmptyMenuBar(hDlg);
  return TRUE;
}

/* Activation: the window is active, the input panel stays down, so there
 * is nothing to restore. Deactivation: the window is inactive and the panel
 * was down. */
BOOL SHHandleWMActivate(HWND, WPARAM wParam, LPARAM, SHACTIVATEINFO *psai, DWORD) {
  if (!psai || psai->cbSize != sizeof(SHACTIVATEINFO)) return FALSE;
  if (LOWORD(wParam) == WA_INACTIVE) {
    psai->fActive = 0;
    psai->fSipOnDeactivation = 0;
  } else {
    psai->fActive = 1;
    psai->fSipUp = 0;
  }
  return TRUE;
}

/* A change of the input panel (SPI_SETSIPINFO) would resize the window to
 * the space it leaves; the panel is always down, so the record says so and
 * the window keeps its size. */
BOOL SHHandleWMSettingChange(HWND, WPARAM wParam, LPARAM, SHACTIVATEINFO *psai) {
  if (!psai || psai->cbSize != sizeof(SHACTIVATEINFO)) return FALSE;
  if (wParam == SPI_SETSIPINFO) psai->fSipUp = 0;
  return TRUE;
}
