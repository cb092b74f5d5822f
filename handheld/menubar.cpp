/*
 * menubar.cpp - the Pocket PC menu bar: a bar at the bottom of the
 * handheld's screen with text buttons built from the menu-bar template
 * (RCDATA), its menu and its strings. A drop-down button opens its pop-up
 * of the menu above the bar with TrackPopupMenuEx; a choice there, or a
 * plain button, posts WM_COMMAND to the bar's owner.
 *
 * The template: the menu's id and the number of buttons, then seven words a
 * button: image (I_IMAGENONE for text), command, state, style, the string
 * id of its caption, 0, and the index of the menu's pop-up it drops down.
 */
#include <stddef.h>

#include <new>
#include <string>
#include <utility>
#include <vector>

#include <aygshell.h>
#include <commctrl.h>
#include <handheld.h>

namespace {

const int kButtonPad = 8; /* each side of a button's caption */
const WORD kNoPopup = 0xFFFF;
const int kCaptionChars = 100;

struct BarButton {
  WORD m_command = 0;
  BYTE m_state = TBSTATE_ENABLED;
  int m_popup = -1; /* the index of its pop-up in the menu, or -1 */
  std::basic_string<WCHAR> m_text;
  RECT m_rc{};
};

struct MenuBar {
  HWND m_owner = nullptr;
  HMENU m_menu = nullptr;
  HBRUSH m_back = nullptr; /* SHCMBF_COLORBK's, owned */
  std::vector<BarButton> m_buttons;
  int m_pressed = -1; /* a plain button under the stylus */
  int m_dropped = -1; /* the button whose pop-up is open */

  MenuBar() = default;
  MenuBar(const MenuBar &) = delete;
  MenuBar &operator=(const MenuBar &) = delete;
  ~MenuBar() {
    if (m_menu) DestroyMenu(m_menu);
    if (m_back) DeleteObject(m_back);
  }

  /* Takes what other holds, leaving it empty. */
  void Take(MenuBar &other) {
    std::swap(m_owner, other.m_owner);
    std::swap(m_menu, other.m_menu);
    std::swap(m_back, other.m_back);
    std::swap(m_buttons, other.m_buttons);
  }
};

/* The buttons of a menu-bar template; FALSE when it or its menu is missing
 * or damaged. A caption string that is missing falls back to the pop-up's
 * own text. */
BOOL MENUBAR_FromTemplate(HINSTANCE hInst, UINT id, MenuBar *bar) {
  HRSRC found = FindResourceW(hInst, MAKEINTRESOURCEW(id), RT_RCDATA);
  if (!found) return FALSE;
  const BYTE *bytes = (const BYTE *)LockResource(LoadResource(hInst, found));
  DWORD size = SizeofResource(hInst, found);
  if (!bytes || size < 4) return FALSE;
  auto word = [&](size_t i) { return (WORD)(bytes[2 * i] | bytes[2 * i + 1] << 8); };
  WORD count = word(1);
  if (size < (2 + 7 * (size_t)count) * 2) return FALSE;
  bar->m_menu = LoadMenuW(hInst, MAKEINTRESOURCEW(word(0)));
  if (!bar->m_menu) return FALSE;
  int items = GetMenuItemCount(bar->m_menu);
  for (WORD b = 0; b < count; ++b) {
    size_t w = 2 + 7 * (size_t)b;
    BarButton button;
    button.m_command = word(w + 1);
    button.m_state = (BYTE)word(w + 2);
    WORD index = word(w + 6);
    bool indexed = index != kNoPopup && (int)index < items;
    if ((word(w + 3) & TBSTYLE_DROPDOWN) && indexed && GetSubMenu(bar->m_menu, index)) button.m_popup = index;
    WCHAR text[kCaptionChars];
    if (LoadStringW(hInst, word(w + 4), text, kCaptionChars) ||
        (indexed && GetMenuStringW(bar->m_menu, index, text, kCaptionChars, MF_BYPOSITION)))
      button.m_text = text;
    bar->m_buttons.push_back(std::move(button));
  }
  return TRUE;
}

/* SHCMBF_HMENU: a button for each top-level entry of the menu. */
BOOL MENUBAR_FromMenu(HINSTANCE hInst, UINT id, MenuBar *bar) {
  bar->m_menu = LoadMenuW(hInst, MAKEINTRESOURCEW(id));
  if (!bar->m_menu) return FALSE;
  int items = GetMenuItemCount(bar->m_menu);
  for (int i = 0; i < items; ++i) {
    BarButton button;
    WCHAR text[kCaptionChars] = {0};
    GetMenuStringW(bar->m_menu, (UINT)i, text, kCaptionChars, MF_BYPOSITION);
    button.m_text = text;
    if (GetSubMenu(bar->m_menu, i))
      button.m_popup = i;
    else
      button.m_command = (WORD)GetMenuItemID(bar->m_menu, i);
    if (GetMenuState(bar->m_menu, (UINT)i, MF_BYPOSITION) & MF_GRAYED) button.m_state = 0;
    bar->m_buttons.push_back(std::move(button));
  }
  return TRUE;
}

/* The buttons side by side from the left, each as wide as its caption. */
void MENUBAR_LayOut(MenuBar *bar) {
  HDC hdc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(hdc, GetStockObject(SYSTEM_FONT));
  int x = 0;
  for (BarButton &b : bar->m_buttons) {
    RECT rc{0, 0, 0, 0};
    DrawTextW(hdc, b.m_text.c_str(), (int)b.m_text.size(), &rc, DT_SINGLELINE | DT_CALCRECT);
    int cx = rc.right - rc.left + 2 * kButtonPad;
    b.m_rc = RECT{x, 1, x + cx, HANDHELD_MENUBAR_HEIGHT};
    x += cx;
  }
  SelectObject(hdc, old);
  ReleaseDC(nullptr, hdc);
}

/* The button under a mouse message's point, or -1. */
int MENUBAR_ButtonAt(const MenuBar *bar, LPARAM lParam) {
  POINT pt{(SHORT)LOWORD(lParam), (SHORT)HIWORD(lParam)};
  for (size_t i = 0; i < bar->m_buttons.size(); ++i)
    if (PtInRect(&bar->m_buttons[i].m_rc, pt)) return (int)i;
  return -1;
}

/* Lights a button (or none, -1) as pressed or dropped, and shows it now. */
void MENUBAR_Light(HWND hwnd, int *which, int value) {
  *which = value;
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
}

/* Opens a button's pop-up above it; the choice goes to the owner. */
void MENUBAR_Drop(HWND hwnd, MenuBar *bar, int i) {
  const BarButton &b = bar->m_buttons[(size_t)i];
  MENUBAR_Light(hwnd, &bar->m_dropped, i);
  POINT pt{b.m_rc.left, 0};
  ClientToScreen(hwnd, &pt);
  UINT command = (UINT)TrackPopupMenuEx(GetSubMenu(bar->m_menu, b.m_popup),
                                        TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTBUTTON,
                                        pt.x, pt.y, hwnd, nullptr);
  if (!IsWindow(hwnd)) return;
  MENUBAR_Light(hwnd, &bar->m_dropped, -1);
  if (command) PostMessageW(bar->m_owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

/* A drop-down button opens its pop-up; a plain one is pressed until the
 * stylus comes up. A greyed button, or any while the owner is disabled (a
 * dialog is up), does nothing. */
void MENUBAR_LButtonDown(HWND hwnd, MenuBar *bar, LPARAM lParam) {
  int i = MENUBAR_ButtonAt(bar, lParam);
  if (i < 0 || !(bar->m_buttons[(size_t)i].m_state & TBSTATE_ENABLED) || !IsWindowEnabled(bar->m_owner)) return;
  if (bar->m_buttons[(size_t)i].m_popup >= 0) {
    MENUBAR_Drop(hwnd, bar, i);
    return;
  }
  SetCapture(hwnd);
  MENUBAR_Light(hwnd, &bar->m_pressed, i);
}

/* The stylus up on the pressed button posts its command. */
void MENUBAR_LButtonUp(HWND hwnd, MenuBar *bar, LPARAM lParam) {
  int i = bar->m_pressed;
  if (i < 0) return;
  MENUBAR_Light(hwnd, &bar->m_pressed, -1);
  if (GetCapture() == hwnd) ReleaseCapture();
  if (MENUBAR_ButtonAt(bar, lParam) == i)
    PostMessageW(bar->m_owner, WM_COMMAND, MAKEWPARAM(bar->m_buttons[(size_t)i].m_command, 0), 0);
}

/* The bar's face with a shadow line on top, the lit button in the
 * highlight colour, the captions centred. */
LRESULT MENUBAR_Paint(HWND hwnd, MenuBar *bar) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  if (hdc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(hdc, &rc, bar->m_back ? bar->m_back : HANDHELD_SysColorBrush(COLOR_BTNFACE));
    RECT line{rc.left, rc.top, rc.right, rc.top + 1};
    FillRect(hdc, &line, HANDHELD_SysColorBrush(COLOR_BTNSHADOW));
    SetBkMode(hdc, TRANSPARENT);
    HGDIOBJ old = SelectObject(hdc, GetStockObject(SYSTEM_FONT));
    for (size_t i = 0; i < bar->m_buttons.size(); ++i) {
      const BarButton &b = bar->m_buttons[i];
      bool lit = (int)i == bar->m_pressed || (int)i == bar->m_dropped;
      if (lit) FillRect(hdc, &b.m_rc, HANDHELD_SysColorBrush(COLOR_HIGHLIGHT));
      int text = lit ? COLOR_HIGHLIGHTTEXT : (b.m_state & TBSTATE_ENABLED) ? COLOR_BTNTEXT : COLOR_GRAYTEXT;
      SetTextColor(hdc, HANDHELD_SysColor(text));
      RECT area = b.m_rc;
      DrawTextW(hdc, b.m_text.c_str(), (int)b.m_text.size(), &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    SelectObject(hdc, old);
  }
  EndPaint(hwnd, &ps);
  return 0;
}

/* WM_CAPTURECHANGED: a plain button pressed lets go when another window
 * takes the capture. */
void MENUBAR_CaptureLost(HWND hwnd, MenuBar *bar, LPARAM lParam) {
  if ((HWND)lParam != hwnd && bar->m_pressed >= 0) MENUBAR_Light(hwnd, &bar->m_pressed, -1);
}

/* WM_NCCREATE: the bar takes the state its creator made (the creation
 * parameter); FALSE (no window) when there is no memory or no state. */
LRESULT MENUBAR_Create(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  auto *given = (MenuBar *)((const CREATESTRUCTW *)lParam)->lpCreateParams;
  MenuBar *bar = given ? new (std::nothrow) MenuBar : nullptr;
  if (!bar) return FALSE;
  bar->Take(*given);
  SetWindowLongPtrW(hwnd, 0, (LONG_PTR)bar);
  return DefWindowProcW(hwnd, WM_NCCREATE, wParam, lParam);
}

}  // namespace

/* Taps on the bar never take the activation. */
LRESULT CALLBACK MENUBAR_WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto *bar = (MenuBar *)GetWindowLongPtrW(hwnd, 0);
  if (!bar) return msg == WM_NCCREATE ? MENUBAR_Create(hwnd, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, 0, 0);
      delete bar;
      return 0;
    case WM_PAINT:
      return MENUBAR_Paint(hwnd, bar);
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
      MENUBAR_LButtonDown(hwnd, bar, lParam);
      return 0;
    case WM_LBUTTONUP:
      MENUBAR_LButtonUp(hwnd, bar, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      MENUBAR_CaptureLost(hwnd, bar, lParam);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

/* Reads the buttons first, then makes the bar 26 pixels high along the
 * bottom of the screen, owned by hwndParent and visible unless
 * SHCMBF_HIDDEN. The record may be the older one without clrBk. FALSE for a
 * bad record or parent, a template or menu that is missing or damaged, or a
 * bar that could not be made; then nothing is left. */
BOOL WINAPI SHCreateMenuBar(SHMENUBARINFO *pmbi) {
  if (!pmbi || pmbi->cbSize < offsetof(SHMENUBARINFO, clrBk) || !IsWindow(pmbi->hwndParent)) return FALSE;
  MenuBar bar;
  bar.m_owner = pmbi->hwndParent;
  BOOL ok = TRUE;
  if (pmbi->dwFlags & SHCMBF_HMENU)
    ok = MENUBAR_FromMenu(pmbi->hInstRes, pmbi->nToolBarId, &bar);
  else if (!(pmbi->dwFlags & SHCMBF_EMPTYBAR))
    ok = MENUBAR_FromTemplate(pmbi->hInstRes, pmbi->nToolBarId, &bar);
  if (!ok) return FALSE;
  MENUBAR_LayOut(&bar);
  if ((pmbi->dwFlags & SHCMBF_COLORBK) && pmbi->cbSize >= sizeof(SHMENUBARINFO))
    bar.m_back = CreateSolidBrush(pmbi->clrBk);
  DWORD style = WS_POPUP | ((pmbi->dwFlags & SHCMBF_HIDDEN) ? 0 : WS_VISIBLE);
  HWND hwnd = CreateWindowExW(WS_EX_NOACTIVATE, HANDHELD_MENUBAR_CLASS, TEXT(""), style, 0,
                              HANDHELD_SCREEN_HEIGHT - HANDHELD_MENUBAR_HEIGHT, HANDHELD_SCREEN_WIDTH,
                              HANDHELD_MENUBAR_HEIGHT, pmbi->hwndParent, nullptr, pmbi->hInstRes, &bar);
  if (!hwnd) return FALSE;
  pmbi->hwndMB = hwnd;
  return TRUE;
}
