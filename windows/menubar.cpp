/*
 * menubar.cpp - the Pocket PC menu bar: a bar at the bottom of the
 * handheld's screen with text buttons built from the menu-bar template
 * (RCDATA), its menu and its strings. A drop-down button opens its pop-up
 * of the menu above the bar; a choice there, or a plain button, posts
 * WM_COMMAND to the bar's owner.
 *
 * The template: the menu's id and the number of buttons, then seven words a
 * button: image (I_IMAGENONE for text), command, state, style, the string
 * id of its caption, 0, and the index of the menu's pop-up it drops down.
 */
#include <new>
#include <string>
#include <vector>

#include "layer.h"

namespace handheld {

namespace {

const WCHAR kMenuBarClass[] = L"HandheldMenuBar";
constexpr int kButtonPad = 8; /* each side of a button's caption */
constexpr WORD kNoPopup = 0xFFFF;

struct BarButton {
  WORD command = 0;
  BYTE state = TBSTATE_ENABLED;
  int popup = -1; /* the index of its pop-up in the menu, or -1 */
  std::wstring text;
  RECT rc{};
};

struct MenuBar {
  HWND owner = nullptr;
  HMENU menu = nullptr;
  std::vector<BarButton> buttons;
  COLORREF back = kButtonFace;
  int pressed = -1; /* a plain button under the stylus */
  int dropped = -1; /* the button whose pop-up is open */
};

MenuBar *StateOf(HWND hwnd) { return (MenuBar *)GetWindowLongPtrW(hwnd, 0); }

/* The buttons of a menu-bar template; FALSE when it or its menu is missing
 * or damaged. A caption string that is missing falls back to the pop-up's
 * own text. */
BOOL ButtonsFromTemplate(HINSTANCE hInst, UINT id, MenuBar *bar) {
  HRSRC found = FindResourceW(hInst, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!found) return FALSE;
  const BYTE *bytes = (const BYTE *)LockResource(LoadResource(hInst, found));
  DWORD size = SizeofResource(hInst, found);
  if (!bytes || size < 4) return FALSE;
  auto word = [&](size_t i) { return (WORD)(bytes[2 * i] | bytes[2 * i + 1] << 8); };
  WORD count = word(1);
  if (size < (2 + 7 * (size_t)count) * 2) return FALSE;
  bar->menu = LoadMenuW(hInst, MAKEINTRESOURCEW(word(0)));
  if (!bar->menu) return FALSE;
  int items = GetMenuItemCount(bar->menu);
  for (WORD b = 0; b < count; ++b) {
    size_t w = 2 + 7 * (size_t)b;
    BarButton button;
    button.command = word(w + 1);
    button.state = (BYTE)word(w + 2);
    WORD index = word(w + 6);
    bool indexed = index != kNoPopup && (int)index < items;
    if ((word(w + 3) & TBSTYLE_DROPDOWN) && indexed && GetSubMenu(bar->menu, index)) button.popup = index;
    WCHAR text[100];
    if (LoadStringW(hInst, word(w + 4), text, 100) || (indexed && GetMenuStringW(bar->menu, index, text, 100, MF_BYPOSITION)))
      button.text = text;
    bar->buttons.push_back(std::move(button));
  }
  return TRUE;
}

/* SHCMBF_HMENU: a button for each top-level entry of the menu. */
BOOL ButtonsFromMenu(HINSTANCE hInst, UINT id, MenuBar *bar) {
  bar->menu = LoadMenuW(hInst, MAKEINTRESOURCEW(id));
  if (!bar->menu) return FALSE;
  int items = GetMenuItemCount(bar->menu);
  for (int i = 0; i < items; ++i) {
    BarButton button;
    WCHAR text[100] = L"";
    GetMenuStringW(bar->menu, (UINT)i, text, 100, MF_BYPOSITION);
    button.text = text;
    button.command = (WORD)GetMenuItemID(bar->menu, i);
    if (GetSubMenu(bar->menu, i)) button.popup = i;
    if (GetMenuState(bar->menu, (UINT)i, MF_BYPOSITION) & MF_GRAYED) button.state = 0;
    bar->buttons.push_back(std::move(button));
  }
  return TRUE;
}

/* The buttons side by side from the left, each as wide as its caption. */
void LayOut(MenuBar *bar) {
  HDC hdc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(hdc, SystemFont());
  int x = 0;
  for (BarButton &b : bar->buttons) {
    RECT rc{0, 0, 0, 0};
    DrawTextW(hdc, b.text.c_str(), (int)b.text.size(), &rc, DT_SINGLELINE | DT_CALCRECT);
    int cx = rc.right - rc.left + 2 * kButtonPad;
    b.rc = RECT{x, 1, x + cx, kMenuBarHeight};
    x += cx;
  }
  SelectObject(hdc, old);
  ReleaseDC(nullptr, hdc);
}

/* The button under a mouse message's point, or -1. */
int ButtonAt(const MenuBar *bar, LPARAM lParam) {
  POINT pt{(SHORT)LOWORD(lParam), (SHORT)HIWORD(lParam)};
  for (size_t i = 0; i < bar->buttons.size(); ++i)
    if (PtInRect(&bar->buttons[i].rc, pt)) return (int)i;
  return -1;
}

/* Lights a button (or none, -1) as pressed or dropped, and shows it now. */
void Light(HWND hwnd, int *which, int value) {
  *which = value;
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
}

/* Opens a button's pop-up above it; the choice goes to the owner. */
void DropDown(HWND hwnd, MenuBar *bar, int i) {
  const BarButton &b = bar->buttons[(size_t)i];
  Light(hwnd, &bar->dropped, i);
  POINT pt{b.rc.left, 0};
  ClientToScreen(hwnd, &pt);
  UINT command = (UINT)TrackPopupMenuEx(GetSubMenu(bar->menu, b.popup),
                                        TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTBUTTON,
                                        pt.x, pt.y, hwnd, nullptr);
  Light(hwnd, &bar->dropped, -1);
  if (command) PostMessageW(bar->owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

/* A drop-down button opens its pop-up; a plain one is pressed until the
 * stylus comes up. A greyed button does nothing. */
void LButtonDown(HWND hwnd, MenuBar *bar, LPARAM lParam) {
  int i = ButtonAt(bar, lParam);
  if (i < 0 || !(bar->buttons[(size_t)i].state & TBSTATE_ENABLED)) return;
  if (bar->buttons[(size_t)i].popup >= 0) {
    DropDown(hwnd, bar, i);
    return;
  }
  SetCapture(hwnd);
  Light(hwnd, &bar->pressed, i);
}

/* The stylus up on the pressed button sends its command. */
void LButtonUp(HWND hwnd, MenuBar *bar, LPARAM lParam) {
  int i = bar->pressed;
  if (i < 0) return;
  Light(hwnd, &bar->pressed, -1);
  if (GetCapture() == hwnd) ReleaseCapture();
  if (ButtonAt(bar, lParam) == i)
    PostMessageW(bar->owner, WM_COMMAND, MAKEWPARAM(bar->buttons[(size_t)i].command, 0), 0);
}

/* The bar's face with a shadow line on top, the lit button in the
 * highlight colour, the captions centred. */
LRESULT Paint(HWND hwnd, MenuBar *bar) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  if (hdc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillSolid(hdc, rc, bar->back);
    FillSolid(hdc, RECT{rc.left, rc.top, rc.right, rc.top + 1}, kButtonShadow);
    SetBkMode(hdc, TRANSPARENT);
    HGDIOBJ old = SelectObject(hdc, SystemFont());
    for (size_t i = 0; i < bar->buttons.size(); ++i) {
      const BarButton &b = bar->buttons[i];
      bool lit = (int)i == bar->pressed || (int)i == bar->dropped;
      if (lit) FillSolid(hdc, b.rc, kHighlight);
      SetTextColor(hdc, lit ? kHighlightText : (b.state & TBSTATE_ENABLED) ? kWindowText : kGrayText);
      RECT area = b.rc;
      DrawTextW(hdc, b.text.c_str(), (int)b.text.size(), &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    SelectObject(hdc, old);
  }
  EndPaint(hwnd, &ps);
  return 0;
}

/* The bar's state is set right after it is made; until then it is a
 * plain window. Taps on it never take the activation. */
LRESULT CALLBACK MenuBarWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  MenuBar *bar = StateOf(hwnd);
  if (!bar) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_PAINT:
      return Paint(hwnd, bar);
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
      LButtonDown(hwnd, bar, lParam);
      return 0;
    case WM_LBUTTONUP:
      LButtonUp(hwnd, bar, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      if ((HWND)lParam != hwnd && bar->pressed >= 0) Light(hwnd, &bar->pressed, -1);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, 0, 0);
      if (bar->menu) DestroyMenu(bar->menu);
      delete bar;
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

/* FALSE when Windows refuses the class. */
BOOL RegisterMenuBarClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = MenuBarWndProc;
  wc.cbWndExtra = sizeof(MenuBar *);
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kMenuBarClass;
  return RegisterClassExW(&wc) != 0;
}

/* Reads the buttons first, then makes the bar at the bottom of the screen
 * of hwndParent, visible unless SHCMBF_HIDDEN. */
BOOL MakeMenuBar(SHMENUBARINFO *pmbi, HWND frame) {
  MenuBar *bar = new (std::nothrow) MenuBar;
  if (!bar) return FALSE;
  bar->owner = pmbi->hwndParent;
  if (pmbi->cbSize >= sizeof(SHMENUBARINFO) && (pmbi->dwFlags & SHCMBF_COLORBK)) bar->back = pmbi->clrBk;
  BOOL ok = TRUE;
  if (pmbi->dwFlags & SHCMBF_HMENU)
    ok = ButtonsFromMenu(pmbi->hInstRes, pmbi->nToolBarId, bar);
  else if (!(pmbi->dwFlags & SHCMBF_EMPTYBAR))
    ok = ButtonsFromTemplate(pmbi->hInstRes, pmbi->nToolBarId, bar);
  HWND hwnd = nullptr;
  if (ok) {
    LayOut(bar);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | ((pmbi->dwFlags & SHCMBF_HIDDEN) ? 0 : WS_VISIBLE);
    hwnd = CreateWindowExW(WS_EX_NOACTIVATE, kMenuBarClass, L"", style, 0, kScreenHeight - kMenuBarHeight,
                           kScreenWidth, kMenuBarHeight, frame, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  if (!hwnd) {
    if (bar->menu) DestroyMenu(bar->menu);
    delete bar;
    return FALSE;
  }
  SetWindowLongPtrW(hwnd, 0, (LONG_PTR)bar);
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  pmbi->hwndMB = hwnd;
  return TRUE;
}

}  // namespace handheld

/* FALSE for a bad record or parent, a parent outside the handheld's
 * screen, or a template or menu that is missing or damaged. */
BOOL WINAPI SHCreateMenuBar(SHMENUBARINFO *pmbi) {
  if (!pmbi || pmbi->cbSize < offsetof(SHMENUBARINFO, clrBk) || !IsWindow(pmbi->hwndParent)) return FALSE;
  HWND frame = handheld::FrameOf(pmbi->hwndParent);
  if (!frame) return FALSE;
  return handheld::MakeMenuBar(pmbi, frame);
}
