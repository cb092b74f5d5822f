/*
 * shell.cpp - the Pocket PC shell's dialog calls and the "ok" in the
 * navigation bar. A full-screen dialog covers the screen below the
 * navigation bar; its "ok" is a small window of its own, owned by it and
 * laid over the bar's right end, that sends it WM_COMMAND IDOK when tapped.
 *
 * There is no input panel: it is always down, so the calls that keep a
 * window in step with it only keep the record.
 *
 * Here too the hooks through which a platform gives the toolkit its
 * colours and adopts its dialogs.
 */
#include <aygshell.h>
#include <handheld.h>

namespace {

const int kClassChars = 32;

HANDHELD_DIALOGHOOK s_dialogHook;
HANDHELD_SYSCOLOR s_sysColor;
HANDHELD_SYSCOLORBRUSH s_sysColorBrush;

/* Whether hwnd is a window of the caption-ok class. */
bool IsCaptionOk(HWND hwnd) {
  static const WCHAR kName[] = HANDHELD_CAPTIONOK_CLASS;
  WCHAR name[kClassChars];
  int n = GetClassNameW(hwnd, name, kClassChars);
  for (int i = 0; i <= n; ++i)
    if (name[i] != kName[i]) return false;
  return n > 0;
}

/* The handheld's title font: the system font in bold. */
HFONT CAPTIONOK_Font() {
  static HFONT s_font = [] {
    static const WCHAR kFace[] = TEXT("Tahoma");
    LOGFONTW lf{};
    lf.lfHeight = -11;
    lf.lfWeight = FW_BOLD;
    lf.lfCharSet = ANSI_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = ANTIALIASED_QUALITY;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    for (int i = 0; kFace[i]; ++i) lf.lfFaceName[i] = kFace[i];
    return CreateFontIndirectW(&lf);
  }();
  return s_font;
}

/* The navigation bar's right end with the "ok" in it. */
LRESULT CAPTIONOK_Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  if (hdc) {
    RECT rc{0, 0, HANDHELD_OK_WIDTH, HANDHELD_NAVBAR_HEIGHT};
    FillRect(hdc, &rc, HANDHELD_SysColorBrush(COLOR_ACTIVECAPTION));
    CAPTIONOK_PaintOk(hdc, 0);
  }
  EndPaint(hwnd, &ps);
  return 0;
}

/* A tap on the "ok": IDOK to the dialog, unless a window it owns (a
 * message box) has disabled it. */
void CAPTIONOK_LButtonUp(HWND hwnd, LPARAM lParam) {
  if (GetCapture() != hwnd) return;
  ReleaseCapture();
  RECT rc;
  GetClientRect(hwnd, &rc);
  POINT pt{(SHORT)LOWORD(lParam), (SHORT)HIWORD(lParam)};
  HWND hDlg = GetWindow(hwnd, GW_OWNER);
  if (PtInRect(&rc, pt) && IsWindowEnabled(hDlg) && IsWindowVisible(hDlg))
    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

/* SHIDIF_EMPTYMENU: a bar of no buttons. */
void EmptyMenuBar(HWND parent) {
  SHMENUBARINFO mbi{};
  mbi.cbSize = sizeof mbi;
  mbi.hwndParent = parent;
  mbi.dwFlags = SHCMBF_EMPTYBAR;
  SHCreateMenuBar(&mbi);
}

}  // namespace

void HANDHELD_SetDialogHook(HANDHELD_DIALOGHOOK hook) { s_dialogHook = hook; }

void HANDHELD_SetColors(HANDHELD_SYSCOLOR color, HANDHELD_SYSCOLORBRUSH brush) {
  s_sysColor = color;
  s_sysColorBrush = brush;
}

DWORD HANDHELD_SysColor(int nIndex) { return s_sysColor ? s_sysColor(nIndex) : GetSysColor(nIndex); }

HBRUSH HANDHELD_SysColorBrush(int nIndex) {
  return s_sysColorBrush ? s_sysColorBrush(nIndex) : GetSysColorBrush(nIndex);
}

void CAPTIONOK_PaintOk(HDC hdc, int x) {
  HPEN pen = CreatePen(PS_SOLID, 1, HANDHELD_SysColor(COLOR_CAPTIONTEXT));
  HGDIOBJ oldPen = SelectObject(hdc, pen);
  HGDIOBJ oldBrush = SelectObject(hdc, GetStockObject(NULL_BRUSH));
  Ellipse(hdc, x + 2, 3, x + HANDHELD_OK_WIDTH - 2, HANDHELD_NAVBAR_HEIGHT - 3);
  SelectObject(hdc, oldBrush);
  SelectObject(hdc, oldPen);
  DeleteObject(pen);
  RECT ok{x, 0, x + HANDHELD_OK_WIDTH, HANDHELD_NAVBAR_HEIGHT};
  HGDIOBJ oldFont = SelectObject(hdc, CAPTIONOK_Font());
  SetTextColor(hdc, HANDHELD_SysColor(COLOR_CAPTIONTEXT));
  SetBkMode(hdc, TRANSPARENT);
  DrawTextW(hdc, TEXT("ok"), 2, &ok, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
  SelectObject(hdc, oldFont);
}

/* Taps on the "ok" never take the activation from the dialog. */
LRESULT CALLBACK CAPTIONOK_WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_PAINT:
      return CAPTIONOK_Paint(hwnd);
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
      SetCapture(hwnd);
      return 0;
    case WM_LBUTTONUP:
      CAPTIONOK_LButtonUp(hwnd, lParam);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

HWND CAPTIONOK_Of(HWND hDlg) {
  for (HWND w = GetWindow(hDlg, GW_HWNDFIRST); w; w = GetWindow(w, GW_HWNDNEXT))
    if (GetWindow(w, GW_OWNER) == hDlg && IsCaptionOk(w)) return w;
  return nullptr;
}

void CAPTIONOK_Add(HWND hDlg) {
  SetWindowLongW(hDlg, GWL_EXSTYLE, GetWindowLongW(hDlg, GWL_EXSTYLE) | (LONG)WS_EX_CAPTIONOKBTN);
  if (CAPTIONOK_Of(hDlg)) return;
  CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOPMOST, HANDHELD_CAPTIONOK_CLASS, TEXT(""), WS_POPUP | WS_VISIBLE,
                  HANDHELD_SCREEN_WIDTH - HANDHELD_OK_WIDTH, 0, HANDHELD_OK_WIDTH, HANDHELD_NAVBAR_HEIGHT, hDlg,
                  nullptr, nullptr, nullptr);
}

/* SHIDIF_DONEBUTTON (or WS_EX_CAPTIONOKBTN in the template) gives the
 * dialog the "ok" in the navigation bar; SHIDIF_SIZEDLGFULLSCREEN (and
 * SHIDIF_FULLSCREENNOMENUBAR) size it to the screen below the navigation
 * bar, SHIDIF_SIZEDLG to the part above the menu bar's place;
 * SHIDIF_EMPTYMENU gives it an empty menu bar. The input panel is down
 * already (SHIDIF_SIPDOWN). A dialog the platform's hook refuses is left as
 * it is. */
BOOL WINAPI SHInitDialog(PSHINITDLGINFO pshidi) {
  if (!pshidi || !IsWindow(pshidi->hDlg)) return FALSE;
  if (!(pshidi->dwMask & SHIDIM_FLAGS)) return TRUE;
  HWND hDlg = pshidi->hDlg;
  DWORD flags = pshidi->dwFlags;
  if (s_dialogHook && !s_dialogHook(hDlg)) return TRUE;
  if ((flags & SHIDIF_DONEBUTTON) || (GetWindowLongW(hDlg, GWL_EXSTYLE) & (LONG)WS_EX_CAPTIONOKBTN))
    CAPTIONOK_Add(hDlg);
  int top = HANDHELD_NAVBAR_HEIGHT, height = HANDHELD_SCREEN_HEIGHT - HANDHELD_NAVBAR_HEIGHT;
  if (flags & (SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_FULLSCREENNOMENUBAR))
    MoveWindow(hDlg, 0, top, HANDHELD_SCREEN_WIDTH, height, TRUE);
  else if (flags & SHIDIF_SIZEDLG)
    MoveWindow(hDlg, 0, top, HANDHELD_SCREEN_WIDTH, height - HANDHELD_MENUBAR_HEIGHT, TRUE);
  if (flags & SHIDIF_EMPTYMENU) EmptyMenuBar(hDlg);
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

/* A change of the input panel (SPI_SETSIPINFO) would resize the window to
 * the space it leaves; the panel is always down, so the record says so and
 * the window keeps its size. */
BOOL WINAPI SHHandleWMSettingChange(HWND, WPARAM wParam, LPARAM, SHACTIVATEINFO *psai) {
  if (!psai || psai->cbSize != sizeof(SHACTIVATEINFO)) return FALSE;
  if (wParam == SPI_SETSIPINFO) psai->fSipUp = 0;
  return TRUE;
}
