/*
 * The Pocket PC menu bar: a bar at the bottom of the screen with text
 * buttons built from the menu-bar template (RCDATA), its menu and its
 * strings. A drop-down button opens its pop-up of the menu above the bar; a
 * choice there, or a plain button, sends WM_COMMAND to the bar's owner. A
 * tap outside the pop-up closes it, and so does Esc; while it is open the
 * arrow keys and Enter choose from it.
 *
 * The template: the menu's id and the number of buttons, then seven words a
 * button: image (I_IMAGENONE for text), command, state, style, the string
 * id of its caption, 0, and the index of the menu's pop-up it drops down.
 */
#include <aygshell.h>
#include <commctrl.h>

#include <algorithm>
#include <cstddef>
#include <optional>

#include "controls/controls.h"
#include "res/templates.h"

namespace plat::controls {
namespace {

constexpr int kButtonPad = 8;   /* each side of a button's caption */
constexpr int kItemHeight = 20; /* a pop-up's text item */
constexpr int kSeparatorHeight = 7;
constexpr int kItemPad = 10;    /* left and right of an item's text */
constexpr WORD kNoPopup = 0xFFFF;

struct BarButton {
  WORD command = 0;
  BYTE state = TBSTATE_ENABLED;
  std::u16string text;
  std::optional<std::vector<res::MenuItem>> popup;
  RECT rc{};
};

struct MenuBar {
  std::vector<BarButton> buttons;
  HBRUSH back = nullptr; /* SHCMBF_COLORBK's, owned */
  int pressed = -1;      /* a plain button under the stylus */
  int dropped = -1;      /* the button whose pop-up is open */
};

struct Popup {
  HWND bar = nullptr;
  std::vector<res::MenuItem> items;
  int hot = -1;
  bool tracking = false; /* the stylus went down inside */
  bool closing = false;
};

/* Reads a resource of the module, whole; nothing when there is none. */
std::optional<std::pair<const BYTE *, size_t>> ResourceBytes(HINSTANCE hInst, UINT id, LPCWSTR type) {
  HRSRC found = FindResourceW(hInst, MAKEINTRESOURCEW(id), type);
  if (!found) return std::nullopt;
  return std::make_pair((const BYTE *)LockResource(LoadResource(hInst, found)),
                        (size_t)SizeofResource(hInst, found));
}

std::optional<std::vector<res::MenuItem>> LoadMenuItems(HINSTANCE hInst, UINT id) {
  auto bytes = ResourceBytes(hInst, id, RT_MENU);
  if (!bytes) return std::nullopt;
  return res::ParseMenuTemplate(bytes->first, bytes->second);
}

/* The buttons of a menu-bar template; nothing when it or its menu is
 * missing or damaged. A caption string that is missing falls back to the
 * pop-up's own text. */
std::optional<std::vector<BarButton>> ButtonsFromTemplate(HINSTANCE hInst, UINT id) {
  auto bytes = ResourceBytes(hInst, id, RT_RCDATA);
  if (!bytes || bytes->second < 4) return std::nullopt;
  auto word = [&](size_t i) { return (WORD)(bytes->first[2 * i] | bytes->first[2 * i + 1] << 8); };
  WORD count = word(1);
  if (bytes->second < (2 + 7 * (size_t)count) * 2) return std::nullopt;
  auto menu = LoadMenuItems(hInst, word(0));
  if (!menu) return std::nullopt;
  std::vector<BarButton> buttons;
  for (WORD b = 0; b < count; ++b) {
    size_t w = 2 + 7 * (size_t)b;
    BarButton button;
    button.command = word(w + 1);
    button.state = (BYTE)word(w + 2);
    WORD index = word(w + 6);
    bool dropdown = (word(w + 3) & TBSTYLE_DROPDOWN) != 0;
    if (dropdown && index != kNoPopup && index < menu->size() && ((*menu)[index].flags & MF_POPUP))
      button.popup = (*menu)[index].items;
    WCHAR text[100];
    if (LoadStringW(hInst, word(w + 4), text, 100))
      button.text = text;
    else if (index < menu->size())
      button.text = (*menu)[index].text;
    buttons.push_back(std::move(button));
  }
  return buttons;
}

/* SHCMBF_HMENU: a button for each top-level entry of the menu. */
std::optional<std::vector<BarButton>> ButtonsFromMenu(HINSTANCE hInst, UINT id) {
  auto menu = LoadMenuItems(hInst, id);
  if (!menu) return std::nullopt;
  std::vector<BarButton> buttons;
  for (const res::MenuItem &item : *menu) {
    BarButton button;
    button.command = item.id;
    button.text = item.text;
    if (item.flags & MF_GRAYED) button.state = 0;
    if (item.flags & MF_POPUP) button.popup = item.items;
    buttons.push_back(std::move(button));
  }
  return buttons;
}

int TextWidth(HDC hdc, const std::u16string &text) {
  RECT rc{0, 0, 0, 0};
  DrawTextW(hdc, text.c_str(), (int)text.size(), &rc, DT_SINGLELINE | DT_CALCRECT);
  return rc.right - rc.left;
}

/* The buttons side by side from the left, each as wide as its caption. */
void LayOut(std::vector<BarButton> &buttons) {
  HDC hdc = GetDC(nullptr);
  int x = 0;
  for (BarButton &b : buttons) {
    int cx = TextWidth(hdc, b.text) + 2 * kButtonPad;
    b.rc = RECT{x, 1, x + cx, kMenuBarHeight};
    x += cx;
  }
  ReleaseDC(nullptr, hdc);
}

int ButtonAt(const MenuBar *bar, LPARAM lParam) {
  POINT pt{(SHORT)LOWORD(lParam), (SHORT)HIWORD(lParam)};
  for (size_t i = 0; i < bar->buttons.size(); ++i) {
    if (PtInRect(&bar->buttons[i].rc, pt)) return (int)i;
  }
  return -1;
}

/* The pop-up: a bordered list above the bar, left-aligned with the button,
 * as wide as its longest item. */
RECT PopupRect(const BarButton &button) {
  HDC hdc = GetDC(nullptr);
  int cx = 0, cy = 2;
  for (const res::MenuItem &item : *button.popup) {
    cx = std::max(cx, TextWidth(hdc, item.text) + 2 * kItemPad);
    cy += item.IsSeparator() ? kSeparatorHeight : kItemHeight;
  }
  ReleaseDC(nullptr, hdc);
  cx = std::min(cx + 2, kScreenWidth);
  int left = std::min<int>(button.rc.left, kScreenWidth - cx);
  int bottom = kScreenHeight - kMenuBarHeight;
  return RECT{left, bottom - cy, left + cx, bottom};
}

void MENUBAR_Drop(HWND hwnd, MenuBar *bar, int index) {
  bar->dropped = index;
  InvalidateRect(hwnd, nullptr, TRUE);
  UpdateWindow(hwnd);
  Popup popup;
  popup.bar = hwnd;
  popup.items = *bar->buttons[(size_t)index].popup;
  RECT rc = PopupRect(bar->buttons[(size_t)index]);
  HWND menu = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOPMOST, kPopupMenuClass, u"",
                              WS_POPUP | WS_BORDER | WS_VISIBLE, rc.left, rc.top,
                              rc.right - rc.left, rc.bottom - rc.top, hwnd, nullptr, nullptr, &popup);
  if (menu) {
    UpdateWindow(menu);
    SetCapture(menu);
  } else {
    bar->dropped = -1;
    InvalidateRect(hwnd, nullptr, TRUE);
  }
}

void MENUBAR_LButtonDown(HWND hwnd, MenuBar *bar, LPARAM lParam) {
  int i = ButtonAt(bar, lParam);
  HWND owner = GetParent(hwnd);
  if (i < 0 || !(bar->buttons[(size_t)i].state & TBSTATE_ENABLED) || !IsWindowEnabled(owner)) return;
  if (bar->buttons[(size_t)i].popup) {
    MENUBAR_Drop(hwnd, bar, i);
    return;
  }
  bar->pressed = i;
  SetCapture(hwnd);
  InvalidateRect(hwnd, nullptr, TRUE);
}

void MENUBAR_LButtonUp(HWND hwnd, MenuBar *bar, LPARAM lParam) {
  int i = bar->pressed;
  if (i < 0) return;
  bar->pressed = -1;
  InvalidateRect(hwnd, nullptr, TRUE);
  if (GetCapture() == hwnd) ReleaseCapture();
  if (ButtonAt(bar, lParam) == i)
    PostMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(bar->buttons[(size_t)i].command, 0), 0);
}

LRESULT MENUBAR_Paint(HWND hwnd, MenuBar *bar) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  if (hdc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(hdc, &rc, bar->back ? bar->back : GetSysColorBrush(COLOR_BTNFACE));
    RECT line{rc.left, rc.top, rc.right, rc.top + 1};
    FillRect(hdc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
    SetBkMode(hdc, TRANSPARENT);
    HGDIOBJ old = SelectControlFont(hdc, nullptr);
    for (size_t i = 0; i < bar->buttons.size(); ++i) {
      const BarButton &b = bar->buttons[i];
      bool lit = (int)i == bar->pressed || (int)i == bar->dropped;
      if (lit) FillRect(hdc, &b.rc, GetSysColorBrush(COLOR_HIGHLIGHT));
      int text = lit ? COLOR_HIGHLIGHTTEXT : (b.state & TBSTATE_ENABLED) ? COLOR_BTNTEXT : COLOR_GRAYTEXT;
      SetTextColor(hdc, GetSysColor(text));
      RECT area = b.rc;
      DrawTextW(hdc, b.text.c_str(), (int)b.text.size(), &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    SelectObject(hdc, old);
  }
  EndPaint(hwnd, &ps);
  return 0;
}

/* An item a tap or Enter may choose: not a separator, greyed or a pop-up. */
bool Choosable(const res::MenuItem &item) {
  return !item.IsSeparator() && !(item.flags & (MF_GRAYED | MF_DISABLED | MF_POPUP));
}

/* The item under a point of the pop-up, -1 for none, a separator or a
 * greyed item. */
int ItemAt(HWND hwnd, const Popup *p, LPARAM lParam) {
  RECT client;
  GetClientRect(hwnd, &client);
  POINT pt{(SHORT)LOWORD(lParam), (SHORT)HIWORD(lParam)};
  if (!PtInRect(&client, pt)) return -1;
  int y = 0;
  for (size_t i = 0; i < p->items.size(); ++i) {
    const res::MenuItem &item = p->items[i];
    int h = item.IsSeparator() ? kSeparatorHeight : kItemHeight;
    if (pt.y < y + h) return Choosable(item) ? (int)i : -1;
    y += h;
  }
  return -1;
}

/* Closes the pop-up; a command chosen goes to the bar's owner once the
 * pop-up is gone. */
void POPUP_Close(HWND hwnd, Popup *p, WORD command) {
  if (p->closing) return;
  p->closing = true;
  HWND bar = p->bar;
  if (GetCapture() == hwnd) ReleaseCapture();
  DestroyWindow(hwnd);
  if (MenuBar *state = IsWindow(bar) ? StateOf<MenuBar>(bar) : nullptr) {
    state->dropped = -1;
    InvalidateRect(bar, nullptr, TRUE);
    if (command) PostMessageW(GetParent(bar), WM_COMMAND, MAKEWPARAM(command, 0), 0);
  }
}

void POPUP_SetHot(HWND hwnd, Popup *p, int hot) {
  if (p->hot == hot) return;
  p->hot = hot;
  InvalidateRect(hwnd, nullptr, TRUE);
}

/* The stylus down outside closes the pop-up; inside it lights an item. */
void POPUP_LButtonDown(HWND hwnd, Popup *p, LPARAM lParam) {
  RECT client;
  GetClientRect(hwnd, &client);
  POINT pt{(SHORT)LOWORD(lParam), (SHORT)HIWORD(lParam)};
  if (!PtInRect(&client, pt)) {
    POPUP_Close(hwnd, p, 0);
    return;
  }
  p->tracking = true;
  POPUP_SetHot(hwnd, p, ItemAt(hwnd, p, lParam));
}

/* The stylus up on an item chooses it. The up of the tap that opened the
 * pop-up does nothing. */
void POPUP_LButtonUp(HWND hwnd, Popup *p, LPARAM lParam) {
  if (!p->tracking) return;
  p->tracking = false;
  int i = ItemAt(hwnd, p, lParam);
  if (i >= 0)
    POPUP_Close(hwnd, p, p->items[(size_t)i].id);
  else
    POPUP_SetHot(hwnd, p, -1);
}

/* The keys of an open pop-up: Esc closes it, the arrows move the lit item
 * over the items that can be chosen (round the ends), Enter chooses the lit
 * item. */
void POPUP_KeyDown(HWND hwnd, Popup *p, WPARAM vk) {
  int n = (int)p->items.size();
  switch (vk) {
    case VK_ESCAPE:
      POPUP_Close(hwnd, p, 0);
      break;
    case VK_RETURN:
      if (p->hot >= 0) POPUP_Close(hwnd, p, p->items[(size_t)p->hot].id);
      break;
    case VK_UP:
    case VK_DOWN: {
      int step = vk == VK_DOWN ? 1 : n - 1;
      int i = p->hot >= 0 ? p->hot : (vk == VK_DOWN ? n - 1 : 0);
      for (int tries = 0; tries < n; ++tries) {
        i = (i + step) % n;
        if (Choosable(p->items[(size_t)i])) {
          POPUP_SetHot(hwnd, p, i);
          break;
        }
      }
      break;
    }
    default:
      break;
  }
}

LRESULT POPUP_Paint(HWND hwnd, Popup *p) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  if (hdc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(hdc, &rc, GetSysColorBrush(COLOR_MENU));
    SetBkMode(hdc, TRANSPARENT);
    HGDIOBJ old = SelectControlFont(hdc, nullptr);
    int y = 0;
    for (size_t i = 0; i < p->items.size(); ++i) {
      const res::MenuItem &item = p->items[i];
      if (item.IsSeparator()) {
        RECT line{rc.left + 2, y + kSeparatorHeight / 2, rc.right - 2, y + kSeparatorHeight / 2 + 1};
        FillRect(hdc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
        y += kSeparatorHeight;
        continue;
      }
      RECT row{rc.left, y, rc.right, y + kItemHeight};
      bool hot = (int)i == p->hot;
      if (hot) FillRect(hdc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
      int text = hot ? COLOR_HIGHLIGHTTEXT : (item.flags & MF_GRAYED) ? COLOR_GRAYTEXT : COLOR_MENUTEXT;
      SetTextColor(hdc, GetSysColor(text));
      RECT area{row.left + kItemPad, row.top, row.right - kItemPad, row.bottom};
      DrawTextW(hdc, item.text.c_str(), (int)item.text.size(), &area, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
      y += kItemHeight;
    }
    SelectObject(hdc, old);
  }
  EndPaint(hwnd, &ps);
  return 0;
}

}  // namespace

LRESULT CALLBACK MenuBarWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  MenuBar *bar = StateOf<MenuBar>(hwnd);
  if (!bar && msg != WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE: {
      auto *cs = (const CREATESTRUCTW *)lParam;
      MenuBar *made = AttachState<MenuBar>(hwnd);
      if (auto *given = (MenuBar *)cs->lpCreateParams) {
        *made = std::move(*given);
        given->back = nullptr;
      }
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    case WM_NCDESTROY:
      if (bar->back) DeleteObject(bar->back);
      FreeState<MenuBar>(hwnd);
      return 0;
    case WM_PAINT:
      return MENUBAR_Paint(hwnd, bar);
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
      MENUBAR_LButtonDown(hwnd, bar, lParam);
      return 0;
    case WM_LBUTTONUP:
      MENUBAR_LButtonUp(hwnd, bar, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      if ((HWND)lParam != hwnd && bar->pressed >= 0) {
        bar->pressed = -1;
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

LRESULT CALLBACK PopupMenuWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Popup *p = StateOf<Popup>(hwnd);
  if (!p && msg != WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE: {
      auto *cs = (const CREATESTRUCTW *)lParam;
      Popup *made = AttachState<Popup>(hwnd);
      if (cs->lpCreateParams) *made = std::move(*(Popup *)cs->lpCreateParams);
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    case WM_NCDESTROY:
      FreeState<Popup>(hwnd);
      return 0;
    case WM_PAINT:
      return POPUP_Paint(hwnd, p);
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
      POPUP_LButtonDown(hwnd, p, lParam);
      return 0;
    case WM_MOUSEMOVE:
      if (p->tracking) POPUP_SetHot(hwnd, p, ItemAt(hwnd, p, lParam));
      return 0;
    case WM_LBUTTONUP:
      POPUP_LButtonUp(hwnd, p, lParam);
      return 0;
    case WM_KEYDOWN:
      POPUP_KeyDown(hwnd, p, wParam);
      return 0;
    case WM_CAPTURECHANGED:
      if ((HWND)lParam != hwnd) POPUP_Close(hwnd, p, 0);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

/* A bar of no buttons. */
HWND CreateEmptyMenuBar(HWND parent) {
  SHMENUBARINFO mbi{};
  mbi.cbSize = sizeof mbi;
  mbi.hwndParent = parent;
  mbi.dwFlags = SHCMBF_EMPTYBAR;
  return SHCreateMenuBar(&mbi) ? mbi.hwndMB : nullptr;
}

}  // namespace plat::controls

using namespace plat::controls;

/* Builds the bar 26 pixels high along the bottom of the screen, owned by
 * hwndParent, and stores it in hwndMB. The record may be the older one
 * without clrBk. */
BOOL SHCreateMenuBar(SHMENUBARINFO *pmbi) {
  if (!pmbi || pmbi->cbSize < offsetof(SHMENUBARINFO, clrBk) || !IsWindow(pmbi->hwndParent))
    return FALSE;
  MenuBar bar;
  if (!(pmbi->dwFlags & SHCMBF_EMPTYBAR)) {
    auto buttons = (pmbi->dwFlags & SHCMBF_HMENU) ? ButtonsFromMenu(pmbi->hInstRes, pmbi->nToolBarId)
                                                  : ButtonsFromTemplate(pmbi->hInstRes, pmbi->nToolBarId);
    if (!buttons) return FALSE;
    bar.buttons = std::move(*buttons);
    LayOut(bar.buttons);
  }
  if ((pmbi->dwFlags & SHCMBF_COLORBK) && pmbi->cbSize >= sizeof(SHMENUBARINFO))
    bar.back = CreateSolidBrush(pmbi->clrBk);
  DWORD style = WS_POPUP | ((pmbi->dwFlags & SHCMBF_HIDDEN) ? 0 : WS_VISIBLE);
  HWND hwnd = CreateWindowExW(WS_EX_NOACTIVATE, kMenuBarClass, u"", style, 0,
                              kScreenHeight - kMenuBarHeight, kScreenWidth, kMenuBarHeight,
                              pmbi->hwndParent, nullptr, pmbi->hInstRes, &bar);
  if (!hwnd) {
    if (bar.back) DeleteObject(bar.back);
    return FALSE;
  }
  pmbi->hwndMB = hwnd;
  return TRUE;
}
