/*
 * Menus: handles of menus loaded from the resources' menu templates, and the
 * pop-up menu (the system's #32768 class) that TrackPopupMenuEx shows. The
 * pop-up is a bordered list; a tap on an item chooses it, a tap outside or
 * Esc closes it, the arrow keys and Enter choose from the keyboard (the
 * window manager sends the keys to a pop-up that has the capture).
 */
#include <algorithm>
#include <map>
#include <memory>

#include "res/templates.h"
#include "user/user.h"

namespace plat::user {
namespace {

constexpr int kItemHeight = 20; /* a pop-up's text item */
constexpr int kSeparatorHeight = 7;
constexpr int kItemPad = 10; /* left and right of an item's text */
constexpr int kScreenWidth = 240;

struct MenuEntry {
  UINT flags = 0;
  UINT id = 0;
  std::u16string text;
  HMENU sub = nullptr;

  bool IsSeparator() const { return !sub && id == 0 && text.empty(); }
};

struct Menu {
  std::vector<MenuEntry> items;
};

std::map<ULONG_PTR, std::unique_ptr<Menu>> s_menus;
ULONG_PTR s_nextMenu = 0x20000;

Menu *MenuOf(HMENU hMenu) {
  auto it = s_menus.find((ULONG_PTR)hMenu);
  return it == s_menus.end() ? nullptr : it->second.get();
}

/* A menu handle for the entries of a template, pop-ups included. */
HMENU MakeMenu(const std::vector<res::MenuItem> &items) {
  auto menu = std::make_unique<Menu>();
  for (const res::MenuItem &item : items) {
    MenuEntry e;
    e.flags = item.flags & ~(UINT)(MF_END | MF_POPUP);
    e.id = item.id;
    e.text = item.text;
    if (item.flags & MF_POPUP) e.sub = MakeMenu(item.items);
    menu->items.push_back(std::move(e));
  }
  HMENU handle = (HMENU)s_nextMenu;
  s_nextMenu += 4;
  s_menus[(ULONG_PTR)handle] = std::move(menu);
  return handle;
}

/* The entry at a position (MF_BYPOSITION) or with a command, searched in
 * the pop-ups too; nullptr when there is none. */
MenuEntry *EntryOf(HMENU hMenu, UINT uItem, UINT flags) {
  Menu *menu = MenuOf(hMenu);
  if (!menu) return nullptr;
  if (flags & MF_BYPOSITION) return uItem < menu->items.size() ? &menu->items[uItem] : nullptr;
  for (MenuEntry &e : menu->items) {
    if (!e.sub && e.id == uItem) return &e;
    if (MenuEntry *inner = e.sub ? EntryOf(e.sub, uItem, flags) : nullptr) return inner;
  }
  return nullptr;
}

/* The state of a pop-up that TrackPopupMenuEx shows. */
struct Popup {
  std::vector<MenuEntry> m_items;
  int m_hot = -1;
  bool m_tracking = false; /* the stylus went down inside */
  bool m_closing = false;
  UINT m_chosen = 0;
};

/* An item a tap or Enter may choose: not a separator, greyed or a pop-up. */
bool Choosable(const MenuEntry &item) {
  return !item.IsSeparator() && !item.sub && !(item.flags & (MF_GRAYED | MF_DISABLED));
}

int TextWidth(HDC hdc, const std::u16string &text) {
  RECT rc{0, 0, 0, 0};
  DrawTextW(hdc, text.c_str(), (int)text.size(), &rc, DT_SINGLELINE | DT_CALCRECT);
  return rc.right - rc.left;
}

/* The pop-up's place: as wide as its longest item, its left at x (kept on
 * the screen), its top at y, or its bottom with TPM_BOTTOMALIGN. */
RECT MENU_PopupRect(const std::vector<MenuEntry> &items, UINT flags, int x, int y) {
  HDC hdc = GetDC(nullptr);
  int cx = 0, cy = 2;
  for (const MenuEntry &item : items) {
    cx = std::max(cx, TextWidth(hdc, item.text) + 2 * kItemPad);
    cy += item.IsSeparator() ? kSeparatorHeight : kItemHeight;
  }
  ReleaseDC(nullptr, hdc);
  cx = std::min(cx + 2, kScreenWidth);
  int left = std::min(x, kScreenWidth - cx);
  int top = (flags & TPM_BOTTOMALIGN) ? y - cy : y;
  return RECT{left, top, left + cx, top + cy};
}

/* The item under a point of the pop-up, -1 for none, a separator or a
 * greyed item. */
int MENU_ItemAt(HWND hwnd, const Popup *p, LPARAM lParam) {
  RECT client;
  GetClientRect(hwnd, &client);
  POINT pt{(SHORT)LOWORD(lParam), (SHORT)HIWORD(lParam)};
  if (!PtInRect(&client, pt)) return -1;
  int y = 0;
  for (size_t i = 0; i < p->m_items.size(); ++i) {
    const MenuEntry &item = p->m_items[i];
    int h = item.IsSeparator() ? kSeparatorHeight : kItemHeight;
    if (pt.y < y + h) return Choosable(item) ? (int)i : -1;
    y += h;
  }
  return -1;
}

/* Closes the pop-up with the command chosen (0 for none). */
void MENU_Close(HWND hwnd, Popup *p, UINT command) {
  if (p->m_closing) return;
  p->m_closing = true;
  p->m_chosen = command;
  if (GetCapture() == hwnd) ReleaseCapture();
  DestroyWindow(hwnd);
}

void MENU_SetHot(HWND hwnd, Popup *p, int hot) {
  if (p->m_hot == hot) return;
  p->m_hot = hot;
  InvalidateRect(hwnd, nullptr, TRUE);
}

/* The stylus down outside closes the pop-up; inside it lights an item. */
void MENU_LButtonDown(HWND hwnd, Popup *p, LPARAM lParam) {
  RECT client;
  GetClientRect(hwnd, &client);
  POINT pt{(SHORT)LOWORD(lParam), (SHORT)HIWORD(lParam)};
  if (!PtInRect(&client, pt)) {
    MENU_Close(hwnd, p, 0);
    return;
  }
  p->m_tracking = true;
  MENU_SetHot(hwnd, p, MENU_ItemAt(hwnd, p, lParam));
}

/* The stylus up on an item chooses it. The up of the tap that opened the
 * pop-up does nothing. */
void MENU_LButtonUp(HWND hwnd, Popup *p, LPARAM lParam) {
  if (!p->m_tracking) return;
  p->m_tracking = false;
  int i = MENU_ItemAt(hwnd, p, lParam);
  if (i >= 0)
    MENU_Close(hwnd, p, p->m_items[(size_t)i].id);
  else
    MENU_SetHot(hwnd, p, -1);
}

/* Esc closes the pop-up, the arrows move the lit item over the items that
 * can be chosen (round the ends), Enter chooses the lit item. */
void MENU_KeyDown(HWND hwnd, Popup *p, WPARAM vk) {
  int n = (int)p->m_items.size();
  switch (vk) {
    case VK_ESCAPE:
      MENU_Close(hwnd, p, 0);
      break;
    case VK_RETURN:
      if (p->m_hot >= 0) MENU_Close(hwnd, p, p->m_items[(size_t)p->m_hot].id);
      break;
    case VK_UP:
    case VK_DOWN: {
      int step = vk == VK_DOWN ? 1 : n - 1;
      int i = p->m_hot >= 0 ? p->m_hot : (vk == VK_DOWN ? n - 1 : 0);
      for (int tries = 0; tries < n; ++tries) {
        i = (i + step) % n;
        if (Choosable(p->m_items[(size_t)i])) {
          MENU_SetHot(hwnd, p, i);
          break;
        }
      }
      break;
    }
    default:
      break;
  }
}

LRESULT MENU_Paint(HWND hwnd, Popup *p) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  if (hdc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(hdc, &rc, GetSysColorBrush(COLOR_MENU));
    SetBkMode(hdc, TRANSPARENT);
    HGDIOBJ old = SelectObject(hdc, GetStockObject(SYSTEM_FONT));
    int y = 0;
    for (size_t i = 0; i < p->m_items.size(); ++i) {
      const MenuEntry &item = p->m_items[i];
      if (item.IsSeparator()) {
        RECT line{rc.left + 2, y + kSeparatorHeight / 2, rc.right - 2, y + kSeparatorHeight / 2 + 1};
        FillRect(hdc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
        y += kSeparatorHeight;
        continue;
      }
      RECT row{rc.left, y, rc.right, y + kItemHeight};
      bool hot = (int)i == p->m_hot;
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

/* The pop-up's state is TrackPopupMenuEx's, passed at creation and kept in
 * the window's first word. */
LRESULT CALLBACK PopupMenuWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto *p = (Popup *)GetWindowLongPtrW(hwnd, 0);
  if (!p && msg != WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrW(hwnd, 0, (LONG_PTR)((const CREATESTRUCTW *)lParam)->lpCreateParams);
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, 0, 0);
      p->m_closing = true;
      return 0;
    case WM_PAINT:
      return MENU_Paint(hwnd, p);
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
      MENU_LButtonDown(hwnd, p, lParam);
      return 0;
    case WM_MOUSEMOVE:
      if (p->m_tracking) MENU_SetHot(hwnd, p, MENU_ItemAt(hwnd, p, lParam));
      return 0;
    case WM_LBUTTONUP:
      MENU_LButtonUp(hwnd, p, lParam);
      return 0;
    case WM_KEYDOWN:
      MENU_KeyDown(hwnd, p, wParam);
      return 0;
    case WM_CAPTURECHANGED:
      if ((HWND)lParam != hwnd) MENU_Close(hwnd, p, 0);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

/* Registers the pop-up's class once; it stays as the system's classes do. */
bool RegisterPopupClass() {
  static bool s_registered = [] {
    WNDCLASSW wc{};
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = PopupMenuWndProc;
    wc.cbWndExtra = (int)sizeof(Popup *);
    wc.lpszClassName = kMenuClassName;
    return RegisterSystemClass(wc) != 0;
  }();
  return s_registered;
}

}  // namespace
}  // namespace plat::user

using namespace plat::user;

/* NULL when the resource is missing or damaged. */
HMENU LoadMenuW(HINSTANCE hInstance, LPCWSTR lpMenuName) {
  HRSRC found = FindResourceW(hInstance, lpMenuName, RT_MENU);
  if (!found) return nullptr;
  auto *bytes = (const BYTE *)LockResource(LoadResource(hInstance, found));
  auto items = bytes ? plat::res::ParseMenuTemplate(bytes, SizeofResource(hInstance, found)) : std::nullopt;
  return items ? MakeMenu(*items) : nullptr;
}

/* Destroys the menu and its pop-ups; FALSE for a handle that is no menu. */
BOOL DestroyMenu(HMENU hMenu) {
  auto it = s_menus.find((ULONG_PTR)hMenu);
  if (it == s_menus.end()) return FALSE;
  std::unique_ptr<Menu> menu = std::move(it->second);
  s_menus.erase(it);
  for (const MenuEntry &e : menu->items)
    if (e.sub) DestroyMenu(e.sub);
  return TRUE;
}

HMENU GetSubMenu(HMENU hMenu, int nPos) {
  MenuEntry *e = nPos < 0 ? nullptr : EntryOf(hMenu, (UINT)nPos, MF_BYPOSITION);
  return e ? e->sub : nullptr;
}

int GetMenuItemCount(HMENU hMenu) {
  Menu *menu = MenuOf(hMenu);
  return menu ? (int)menu->items.size() : -1;
}

/* The command of the item; -1 for a pop-up or no such item. */
UINT GetMenuItemID(HMENU hMenu, int nPos) {
  MenuEntry *e = nPos < 0 ? nullptr : EntryOf(hMenu, (UINT)nPos, MF_BYPOSITION);
  return e && !e->sub ? e->id : (UINT)-1;
}

/* The item's flags; for a pop-up, its item count in the high byte. -1 for
 * no such item. */
UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags) {
  MenuEntry *e = EntryOf(hMenu, uId, uFlags);
  if (!e) return (UINT)-1;
  if (e->sub) return (UINT)GetMenuItemCount(e->sub) << 8 | (e->flags & 0xFF) | MF_POPUP;
  return e->flags | (e->IsSeparator() ? MF_SEPARATOR : 0);
}

/* Copies at most cchMax - 1 characters of the item's text and a terminator;
 * with no buffer, returns the text's length. 0 for no such item. */
int GetMenuStringW(HMENU hMenu, UINT uIDItem, LPWSTR lpString, int cchMax, UINT flags) {
  MenuEntry *e = EntryOf(hMenu, uIDItem, flags);
  if (lpString && cchMax > 0) lpString[0] = 0;
  if (!e) return 0;
  if (!lpString || cchMax <= 0) return (int)e->text.size();
  size_t n = std::min(e->text.size(), (size_t)cchMax - 1);
  std::copy_n(e->text.begin(), n, lpString);
  lpString[n] = 0;
  return (int)n;
}

/* Enables, disables or greys the item; returns its previous state, -1 for
 * no such item. */
UINT EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable) {
  MenuEntry *e = EntryOf(hMenu, uIDEnableItem, uEnable);
  if (!e) return (UINT)-1;
  UINT old = e->flags & (MF_GRAYED | MF_DISABLED);
  e->flags = (e->flags & ~(UINT)(MF_GRAYED | MF_DISABLED)) | (uEnable & (MF_GRAYED | MF_DISABLED));
  return old;
}

/* The pop-up above the other windows, taking no activation, with the
 * capture; its own loop dispatches every window's messages until it closes.
 * A WM_QUIT closes it and is posted again for the loop outside. FALSE (or 0
 * with TPM_RETURNCMD) for a handle that is no menu, an owner that is no
 * window, or nothing chosen. */
BOOL TrackPopupMenuEx(HMENU hMenu, UINT uFlags, int x, int y, HWND hwnd, LPTPMPARAMS) {
  Menu *menu = MenuOf(hMenu);
  if (!menu || !IsWindow(hwnd) || !RegisterPopupClass()) return FALSE;
  Popup popup;
  popup.m_items = menu->items;
  RECT rc = MENU_PopupRect(popup.m_items, uFlags, x, y);
  HWND window = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOPMOST, kMenuClassName, u"", WS_POPUP | WS_BORDER | WS_VISIBLE,
                                rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, hwnd, nullptr, nullptr, &popup);
  if (!window) return FALSE;
  UpdateWindow(window);
  SetCapture(window);
  MSG msg;
  while (!popup.m_closing) {
    if (!GetMessageW(&msg, nullptr, 0, 0)) {
      DestroyWindow(window);
      PostQuitMessage((int)msg.wParam);
      break;
    }
    DispatchMessageW(&msg);
  }
  if (uFlags & TPM_RETURNCMD) return (BOOL)popup.m_chosen;
  if (!popup.m_chosen) return FALSE;
  PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(popup.m_chosen, 0), 0);
  return TRUE;
}
