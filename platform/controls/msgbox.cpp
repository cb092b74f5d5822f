/*
 * MessageBoxW: a modal box in the middle of the screen with its caption in
 * a bar at its top, the text, and a row of push buttons. It is a dialog
 * with its own procedure, run by the dialog's modal loop. When nobody is
 * there to see it (an unattended host), the box is one line on standard
 * error and its default button is taken at once.
 *
 * The message box is the window manager's own, as the desktop's is: it
 * finds the owner's top-level window and asks the host whether anybody is
 * there, so it uses the window manager's and the host's inside.
 */
#include <stdio.h>

#include <algorithm>

#include "controls/controls.h"
#include "host/host.h"
#include "kernel/kernel.h"
#include "user/user.h"

namespace plat::controls {
namespace {

constexpr int kBoxWidth = 220;
constexpr int kCaptionHeight = 20;
constexpr int kMargin = 8;
constexpr int kButtonWidth = 56;
constexpr int kButtonHeight = 22;
constexpr int kButtonGap = 8;

struct ButtonSet {
  int count;
  int ids[3];
};

/* The buttons of each MB_ type, left to right. */
const ButtonSet kButtonSets[] = {
    {1, {IDOK}},                      /* MB_OK */
    {2, {IDOK, IDCANCEL}},            /* MB_OKCANCEL */
    {3, {IDABORT, IDRETRY, IDIGNORE}}, /* MB_ABORTRETRYIGNORE */
    {3, {IDYES, IDNO, IDCANCEL}},     /* MB_YESNOCANCEL */
    {2, {IDYES, IDNO}},               /* MB_YESNO */
    {2, {IDRETRY, IDCANCEL}},         /* MB_RETRYCANCEL */
};

LPCWSTR ButtonText(int id) {
  switch (id) {
    case IDOK:
      return u"OK";
    case IDCANCEL:
      return u"Cancel";
    case IDABORT:
      return u"Abort";
    case IDRETRY:
      return u"Retry";
    case IDIGNORE:
      return u"Ignore";
    case IDYES:
      return u"Yes";
    default:
      return u"No";
  }
}

/* The caption bar across the top of the box. */
void PaintCaption(HWND hDlg) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hDlg, &ps);
  if (hdc) {
    RECT rc;
    GetClientRect(hDlg, &rc);
    RECT bar{rc.left, rc.top, rc.right, rc.top + kCaptionHeight};
    FillRect(hdc, &bar, GetSysColorBrush(COLOR_ACTIVECAPTION));
    SetTextColor(hdc, GetSysColor(COLOR_CAPTIONTEXT));
    SetBkMode(hdc, TRANSPARENT);
    HGDIOBJ old = SelectControlFont(hdc, nullptr);
    std::u16string caption = TextOf(hDlg);
    RECT text{bar.left + 4, bar.top, bar.right - 4, bar.bottom};
    DrawTextW(hdc, caption.c_str(), (int)caption.size(), &text,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(hdc, old);
  }
  EndPaint(hDlg, &ps);
}

/* A button ends the box with its id. IDCANCEL (Esc) ends it with the id
 * kept in DWLP_USER: IDCANCEL when there is a Cancel button, IDOK for a
 * box with OK alone, otherwise nothing. */
INT_PTR CALLBACK MsgBoxProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_PAINT:
      PaintCaption(hDlg);
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      if (id == IDCANCEL) id = (int)GetWindowLongPtrW(hDlg, DWLP_USER);
      if (id >= IDOK && id <= IDNO && GetDlgItem(hDlg, id)) EndDialog(hDlg, id);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

/* The height the text takes, word-wrapped to width. */
int TextHeight(LPCWSTR text, int width) {
  HDC hdc = GetDC(nullptr);
  HGDIOBJ old = SelectControlFont(hdc, nullptr);
  RECT rc{0, 0, width, 0};
  DrawTextW(hdc, text, -1, &rc, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(hdc, old);
  ReleaseDC(nullptr, hdc);
  return std::max<int>(rc.bottom - rc.top, 1);
}

/* The box with nobody to answer it: "caption: text" on standard error,
 * and the default button's id. */
int AnswerUnattended(LPCWSTR caption, LPCWSTR text, int defaultId) {
  fprintf(stderr, "%s: %s\n", Utf8(caption).c_str(), Utf8(text).c_str());
  return defaultId;
}

}  // namespace
}  // namespace plat::controls

using namespace plat::controls;

/* Shows the box owned by hWnd's top-level window, which is disabled while
 * it shows, and waits for a button. Returns the button's id; 0 for an
 * unknown uType or a box that could not be made. */
int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
  UINT type = uType & MB_TYPEMASK;
  if (type >= sizeof kButtonSets / sizeof kButtonSets[0]) return 0;
  const ButtonSet &set = kButtonSets[type];
  HWND owner = hWnd ? plat::user::TopLevelOf(hWnd) : nullptr;
  if (hWnd && !owner) return 0;
  LPCWSTR text = lpText ? lpText : u"";
  LPCWSTR caption = lpCaption ? lpCaption : u"Error";
  int defIndex = std::min<int>((int)((uType & MB_DEFMASK) >> 8), set.count - 1);
  if (plat::host::Current()->Unattended()) return AnswerUnattended(caption, text, set.ids[defIndex]);
  int textWidth = kBoxWidth - 2 - 2 * kMargin;
  int textHeight = TextHeight(text, textWidth);
  int height = 2 + kCaptionHeight + kMargin + textHeight + kMargin + kButtonHeight + kMargin;
  height = std::min(height, kScreenHeight - kNavBarHeight);
  int left = (kScreenWidth - kBoxWidth) / 2;
  int top = std::max(kNavBarHeight, kNavBarHeight + (kScreenHeight - kNavBarHeight - kMenuBarHeight - height) / 2);
  RECT rc{left, top, left + kBoxWidth, top + height};
  HWND hDlg = CreateDialogWindow(WS_POPUP | WS_BORDER, 0, caption, rc, owner,
                                 nullptr, MsgBoxProc, nullptr);
  if (!hDlg) return 0;

  CreateWindowExW(0, u"STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, kMargin,
                  kCaptionHeight + kMargin, textWidth, textHeight, hDlg, (HMENU)(INT_PTR)0xFFFF,
                  nullptr, nullptr);
  int rowWidth = set.count * kButtonWidth + (set.count - 1) * kButtonGap;
  int x = (kBoxWidth - 2 - rowWidth) / 2;
  int y = height - 2 - kMargin - kButtonHeight;
  bool hasCancel = false;
  for (int i = 0; i < set.count; ++i) {
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == defIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    HWND button = CreateWindowExW(0, u"BUTTON", ButtonText(set.ids[i]), style,
                                  x + i * (kButtonWidth + kButtonGap), y, kButtonWidth,
                                  kButtonHeight, hDlg, (HMENU)(INT_PTR)set.ids[i], nullptr, nullptr);
    if (i == defIndex) FocusOnActivation(hDlg, button);
    hasCancel = hasCancel || set.ids[i] == IDCANCEL;
  }
  SendMessageW(hDlg, DM_SETDEFID, (WPARAM)set.ids[defIndex], 0);
  LONG_PTR escape = hasCancel ? IDCANCEL : (type == MB_OK ? IDOK : 0);
  SetWindowLongPtrW(hDlg, DWLP_USER, escape);
  INT_PTR result = RunModalLoop(hDlg, owner);
  return result < 0 ? 0 : (int)result;
}
