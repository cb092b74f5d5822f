/*
 * shell.cpp - the Pocket PC shell's dialog calls. A full-screen dialog
 * covers the handheld's screen below the navigation bar, with the
 * handheld's white face and no desktop caption: its title goes to the
 * navigation bar, and its "ok" is a small window of its own over the bar's
 * right end that sends it WM_COMMAND IDOK.
 *
 * There is no input panel: it is always down, so the calls that keep a
 * window in step with it only keep the record.
 */
#include "layer.h"

namespace handheld {
namespace {

const WCHAR kCaptionOkClass[] = L"HandheldCaptionOk";
const WCHAR kDialogProc[] = L"Handheld.DialogProc";

/* The navigation bar's right end with the "ok" in it. */
LRESULT PaintCaptionOk(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  if (hdc) {
    RECT rc{0, 0, kOkWidth, kNavBarHeight};
    FillSolid(hdc, rc, kCaption);
    PaintOk(hdc, 0);
  }
  EndPaint(hwnd, &ps);
  return 0;
}

/* A tap on the "ok": IDOK to the dialog, unless a window it owns (a
 * message box) has disabled it. */
void CaptionOkTapped(HWND hwnd, LPARAM lParam) {
  if (GetCapture() != hwnd) return;
  ReleaseCapture();
  RECT rc;
  GetClientRect(hwnd, &rc);
  POINT pt{(SHORT)LOWORD(lParam), (SHORT)HIWORD(lParam)};
  HWND hDlg = GetWindow(hwnd, GW_OWNER);
  if (PtInRect(&rc, pt) && IsWindowEnabled(hDlg) && IsWindowVisible(hDlg))
    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

/* Taps on the "ok" never take the activation from the dialog. */
LRESULT CALLBACK CaptionOkWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      return PaintCaptionOk(hwnd);
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
      SetCapture(hwnd);
      return 0;
    case WM_LBUTTONUP:
      CaptionOkTapped(hwnd, lParam);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

/* The "ok" over the navigation bar's right end; shown with the dialog. */
void AddCaptionOk(HWND hDlg, HWND frame) {
  SetWindowLongW(hDlg, GWL_EXSTYLE, GetWindowLongW(hDlg, GWL_EXSTYLE) | (LONG)WS_EX_CAPTIONOKBTN);
  if (CaptionOkOf(hDlg)) return;
  POINT origin = ScreenOrigin(frame);
  CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kCaptionOkClass, L"", WS_POPUP,
                  origin.x + kScreenWidth - kOkWidth, origin.y, kOkWidth, kNavBarHeight, hDlg, nullptr,
                  GetModuleHandleW(nullptr), nullptr);
}

/* The handheld's dialog face: white, black text, unless the dialog's own
 * procedure gives colours. */
LRESULT DialogColours(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  DLGPROC proc = (DLGPROC)GetWindowLongPtrW(hDlg, DWLP_DLGPROC);
  INT_PTR own = proc ? proc(hDlg, msg, wParam, lParam) : 0;
  if (own) return own;
  HDC hdc = (HDC)wParam;
  SetTextColor(hdc, kWindowText);
  SetBkColor(hdc, kWindow);
  return (LRESULT)GetStockObject(WHITE_BRUSH);
}

/* Shows or hides the ok with the dialog, and makes the dialog the one the
 * navigation bar names while it is shown. */
void DialogShown(HWND hDlg, bool shown) {
  HWND ok = CaptionOkOf(hDlg);
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
LRESULT CALLBACK HandheldDialogProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = (WNDPROC)GetPropW(hDlg, kDialogProc);
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
      RemovePropW(hDlg, kDialogProc);
      break;
    default:
      break;
  }
  return previous ? CallWindowProcW(previous, hDlg, msg, wParam, lParam) : DefWindowProcW(hDlg, msg, wParam, lParam);
}

/* Subclasses the dialog the classic way, once; a dialog Windows will not
 * let us subclass keeps the desktop's colours. */
void SubclassDialog(HWND hDlg) {
  if (GetPropW(hDlg, kDialogProc)) return;
  LONG_PTR previous = GetWindowLongPtrW(hDlg, GWLP_WNDPROC);
  if (!previous || !SetPropW(hDlg, kDialogProc, (HANDLE)previous)) return;
  if (!SetWindowLongPtrW(hDlg, GWLP_WNDPROC, (LONG_PTR)HandheldDialogProc)) RemovePropW(hDlg, kDialogProc);
}

/* The dialog loses the desktop's caption and borders. */
void MakeHandheldDialog(HWND hDlg) {
  LONG style = GetWindowLongW(hDlg, GWL_STYLE);
  style &= ~(LONG)(WS_CAPTION | WS_THICKFRAME | DS_MODALFRAME | WS_SYSMENU);
  SetWindowLongW(hDlg, GWL_STYLE, style);
  LONG ex = GetWindowLongW(hDlg, GWL_EXSTYLE);
  ex &= ~(LONG)(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE);
  SetWindowLongW(hDlg, GWL_EXSTYLE, ex);
  SetWindowPos(hDlg, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  SubclassDialog(hDlg);
}

}  // namespace

HWND CaptionOkOf(HWND hDlg) {
  for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, kCaptionOkClass, nullptr));)
    if (GetWindow(w, GW_OWNER) == hDlg) return w;
  return nullptr;
}

/* FALSE when Windows refuses the class. */
BOOL RegisterCaptionOkClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = CaptionOkWndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kCaptionOkClass;
  return RegisterClassExW(&wc) != 0;
}

}  // namespace handheld

using namespace handheld;

/* SHIDIF_DONEBUTTON (or WS_EX_CAPTIONOKBTN in the template) gives the
 * dialog the "ok" in the navigation bar; SHIDIF_SIZEDLGFULLSCREEN (and
 * SHIDIF_FULLSCREENNOMENUBAR) size it to the screen below the navigation
 * bar, SHIDIF_SIZEDLG to the part above the menu bar's place. The input
 * panel is down already (SHIDIF_SIPDOWN). A dialog outside the handheld's
 * screen is left as the desktop made it. */
BOOL WINAPI SHInitDialog(PSHINITDLGINFO pshidi) {
  if (!pshidi || !IsWindow(pshidi->hDlg)) return FALSE;
  if (!(pshidi->dwMask & SHIDIM_FLAGS)) return TRUE;
  HWND hDlg = pshidi->hDlg;
  HWND frame = FrameOf(hDlg);
  if (!frame) return TRUE;
  DWORD flags = pshidi->dwFlags;
  MakeHandheldDialog(hDlg);
  if ((flags & SHIDIF_DONEBUTTON) || (GetWindowLongW(hDlg, GWL_EXSTYLE) & (LONG)WS_EX_CAPTIONOKBTN))
    AddCaptionOk(hDlg, frame);
  if (flags & (SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_FULLSCREENNOMENUBAR))
    HandheldMoveWindow(hDlg, 0, kNavBarHeight, kScreenWidth, kScreenHeight - kNavBarHeight, TRUE);
  else if (flags & SHIDIF_SIZEDLG)
    HandheldMoveWindow(hDlg, 0, kNavBarHeight, kScreenWidth, kScreenHeight - kNavBarHeight - kMenuBarHeight, TRUE);
  if (IsWindowVisible(hDlg)) DialogShown(hDlg, true);
  return TRUE;
}

/* Activation: the window is active, the input panel stays down, so there
 * is nothing to restore. Deactivation: the window is inactive and the panel
 * was down. */
BOOL WINAPI SHHandleWMActivate(HWND, WPARAM wParam, LPARAM, SHACTIVATEINFO *psai, DWORD) {
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

/* A change of the input panel would resize the window to the space it
 * leaves; the panel is always down, so the record says so and the window
 * keeps its size. */
BOOL WINAPI SHHandleWMSettingChange(HWND, WPARAM wParam, LPARAM, SHACTIVATEINFO *psai) {
  if (!psai || psai->cbSize != sizeof(SHACTIVATEINFO)) return FALSE;
  if (wParam == SPI_SETSIPINFO) psai->fSipUp = 0;
  return TRUE;
}
