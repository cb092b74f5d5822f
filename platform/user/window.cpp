/*
 * Window classes and windows: creation, destruction, geometry, text and the
 * window words.
 */
#include <algorithm>
#include <unordered_map>

#include "user/user.h"

namespace plat::user {
namespace {

/* Handles are multiples of four: the low bits stay free for the caller's
 * flags (SetForegroundWindow(hwnd | 1)) and for the proxies of windows of
 * other processes. Handles are never reused. */
constexpr ULONG_PTR kFirstHandle = 0x10000;

Mutex g_tableLock;
std::unordered_map<ULONG_PTR, std::unique_ptr<Window>> g_windows;
ULONG_PTR g_nextHandle = kFirstHandle;
std::vector<HWND> g_topLevel; /* top of the z-order first */

std::vector<std::shared_ptr<Class>> g_classes;
ATOM g_nextAtom = 0xC000;

/* Class names compare without regard to ASCII case ("Button" is "BUTTON"). */
bool SameName(const std::u16string &a, LPCWSTR b) {
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? (char16_t)(c - u'A' + u'a') : c; };
  size_t i = 0;
  for (; i < a.size(); ++i) {
    if (!b[i] || lower(a[i]) != lower(b[i])) return false;
  }
  return b[i] == 0;
}

std::shared_ptr<Class> FindClass(LPCWSTR name) {
  if (!name) return nullptr;
  for (auto &cls : g_classes) {
    if (IS_INTRESOURCE(name) ? cls->atom == (ATOM)(ULONG_PTR)name : SameName(cls->name, name))
      return cls;
  }
  return nullptr;
}

int NonClientInset(const Window &w) {
  return ((w.style & WS_BORDER) ? 1 : 0) + ((w.exStyle & WS_EX_CLIENTEDGE) ? 2 : 0);
}

/* The top-left corner of the client area in screen coordinates. */
POINT ClientOrigin(const Window &w) {
  RECT rc = ScreenRect(w);
  int inset = NonClientInset(w);
  return POINT{rc.left + inset, rc.top + inset};
}

/* The list w lies in: its parent's children, or the top-level windows. */
std::vector<HWND> *SiblingsOf(const Window &w) {
  Window *parent = FromHandle(w.parent);
  return parent ? &parent->children : &g_topLevel;
}

void Unlink(Window &w) {
  std::vector<HWND> &list = *SiblingsOf(w);
  list.erase(std::remove(list.begin(), list.end(), w.hwnd), list.end());
}

/* Puts hwnd first in its list, the top of its siblings' z-order. */
void Raise(Window &w) {
  Unlink(w);
  std::vector<HWND> &list = *SiblingsOf(w);
  list.insert(list.begin(), w.hwnd);
}

/* Sends WM_NCDESTROY to the children, then to hwnd, and drops them all. */
void FreeWindow(HWND hwnd) {
  Window *w = FromHandle(hwnd);
  if (!w) return;
  std::vector<HWND> kids = w->children;
  for (HWND kid : kids) FreeWindow(kid);
  SendMessageW(hwnd, WM_NCDESTROY, 0, 0);
  w = FromHandle(hwnd);
  if (!w) return;
  OnWindowDestroyed(hwnd);
  ForgetTimersFor(hwnd);
  ForgetQueuedFor(hwnd);
  ForgetFocusFor(hwnd);
  Unlink(*w);
  std::unique_ptr<Window> gone;
  {
    Guard hold(g_tableLock);
    auto it = g_windows.find((ULONG_PTR)hwnd);
    gone = std::move(it->second);
    g_windows.erase(it);
  }
}

/* WM_DESTROY to hwnd, then to each child that is still there. */
void SendDestroy(HWND hwnd) {
  SendMessageW(hwnd, WM_DESTROY, 0, 0);
  Window *w = FromHandle(hwnd);
  if (!w) return;
  std::vector<HWND> kids = w->children;
  for (HWND kid : kids) {
    if (Window *k = FromHandle(kid)) {
      k->destroying = true;
      SendDestroy(kid);
    }
  }
}

/* Asks the other top-level windows to repaint what a top-level window
 * leaves uncovered as it hides or goes. */
void ExposeUnder(HWND hwnd) {
  Window *w = FromHandle(hwnd);
  if (!w || (w->style & WS_CHILD) || !(w->style & WS_VISIBLE)) return;
  RECT gone = ScreenRect(*w);
  for (HWND top : g_topLevel) {
    Window *t = FromHandle(top);
    if (top == hwnd || !t || !(t->style & WS_VISIBLE)) continue;
    POINT origin = ClientOrigin(*t);
    RECT part = gone;
    OffsetRect(&part, -origin.x, -origin.y);
    InvalidateRect(top, &part, TRUE);
  }
}

}  // namespace

Window *FromHandle(HWND hwnd) {
  Guard hold(g_tableLock);
  auto it = g_windows.find((ULONG_PTR)hwnd);
  return it == g_windows.end() ? nullptr : it->second.get();
}

bool WindowThread(HWND hwnd, ThreadId *thread) {
  Guard hold(g_tableLock);
  auto it = g_windows.find((ULONG_PTR)hwnd);
  if (it == g_windows.end()) return false;
  *thread = it->second->thread;
  return true;
}

std::vector<HWND> TopLevelWindows() { return g_topLevel; }

HWND FindOwnWindow(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
  for (HWND top : TopLevelWindows()) {
    Window *w = FromHandle(top);
    if (lpClassName && w->cls->name != lpClassName) continue;
    if (lpWindowName && w->text != lpWindowName) continue;
    return top;
  }
  return nullptr;
}

void BringToTop(HWND hwnd) {
  Window *w = FromHandle(hwnd);
  if (w && std::find(g_topLevel.begin(), g_topLevel.end(), hwnd) != g_topLevel.end()) Raise(*w);
}

RECT ScreenRect(const Window &w) {
  RECT rc = w.rect;
  if (Window *parent = FromHandle(w.parent)) {
    POINT origin = ClientOrigin(*parent);
    OffsetRect(&rc, origin.x, origin.y);
  }
  return rc;
}

RECT ClientArea(const Window &w) {
  int inset = NonClientInset(w);
  LONG cx = std::max<LONG>(0, w.rect.right - w.rect.left - 2 * inset);
  LONG cy = std::max<LONG>(0, w.rect.bottom - w.rect.top - 2 * inset);
  return RECT{0, 0, cx, cy};
}

HWND TopLevelOf(HWND hwnd) {
  Window *w = FromHandle(hwnd);
  while (w && (w->style & WS_CHILD) && FromHandle(w->parent)) w = FromHandle(w->parent);
  return w ? w->hwnd : nullptr;
}

bool MatchesWindow(HWND filter, HWND hwnd) {
  if (!filter) return true;
  for (Window *w = FromHandle(hwnd); w; w = FromHandle(w->parent)) {
    if (w->hwnd == filter) return true;
  }
  return false;
}

void DestroyAllWindows() {
  while (!g_topLevel.empty()) DestroyWindow(g_topLevel.back());
}

void ForgetClasses() {
  std::erase_if(g_classes, [](const std::shared_ptr<Class> &cls) { return !cls->system; });
}

ATOM RegisterSystemClass(const WNDCLASSW &wc) {
  ATOM atom = RegisterClassW(&wc);
  if (atom) g_classes.back()->system = true;
  return atom;
}

}  // namespace plat::user

using namespace plat::user;

/* Registers a window class. Returns its atom, or 0 when the record is
 * incomplete or a class of that name exists. */
ATOM RegisterClassW(const WNDCLASSW *lpWndClass) {
  if (!lpWndClass || !lpWndClass->lpfnWndProc || !lpWndClass->lpszClassName ||
      IS_INTRESOURCE(lpWndClass->lpszClassName) || !*lpWndClass->lpszClassName ||
      lpWndClass->cbWndExtra < 0 || lpWndClass->cbClsExtra < 0)
    return 0;
  if (FindClass(lpWndClass->lpszClassName)) return 0;
  auto cls = std::make_shared<Class>();
  cls->atom = g_nextAtom++;
  cls->name = lpWndClass->lpszClassName;
  cls->wc = *lpWndClass;
  cls->wc.lpszClassName = nullptr;
  cls->wc.lpszMenuName = nullptr;
  g_classes.push_back(cls);
  return cls->atom;
}

/* Removes a class that no window uses. FALSE when there is no such class, a
 * window of it exists or it is a system class. */
BOOL UnregisterClassW(LPCWSTR lpClassName, HINSTANCE) {
  auto cls = FindClass(lpClassName);
  if (!cls || cls->system || cls.use_count() > 2) return FALSE;
  g_classes.erase(std::find(g_classes.begin(), g_classes.end(), cls));
  return TRUE;
}

/* Creates a window: WM_NCCREATE, WM_CREATE, WM_SIZE and WM_MOVE reach its
 * procedure before it returns, and WS_VISIBLE shows it at the end. Returns
 * NULL for an unknown class, a child without a valid parent, a procedure that
 * refuses the creation, or a window destroyed during it. */
HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle,
                     int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                     HINSTANCE hInstance, LPVOID lpParam) {
  auto cls = FindClass(lpClassName);
  if (!cls) return nullptr;
  bool child = (dwStyle & WS_CHILD) != 0;
  if (child && !FromHandle(hWndParent)) return nullptr;
  HWND owner = nullptr;
  if (!child && hWndParent) {
    owner = TopLevelOf(hWndParent);
    if (!owner) return nullptr;
  }

  if (child) {
    if (x == CW_USEDEFAULT) x = y = 0;
    if (nWidth == CW_USEDEFAULT) nWidth = nHeight = 0;
  } else {
    if (x == CW_USEDEFAULT) {
      x = 0;
      y = 26;
    }
    if (nWidth == CW_USEDEFAULT) {
      nWidth = 240;
      nHeight = 294;
    }
  }

  auto w = std::make_unique<Window>();
  w->cls = cls;
  w->proc = cls->wc.lpfnWndProc;
  w->style = dwStyle & ~WS_VISIBLE;
  w->exStyle = dwExStyle;
  w->parent = child ? hWndParent : nullptr;
  w->owner = owner;
  w->id = child ? (UINT_PTR)hMenu : 0;
  w->instance = hInstance;
  w->userData = 0;
  w->rect = RECT{x, y, x + std::max(0, nWidth), y + std::max(0, nHeight)};
  w->extra.assign((size_t)cls->wc.cbWndExtra, 0);
  w->thread = plat::ThisThread();
  HWND hwnd;
  {
    plat::Guard hold(g_tableLock);
    hwnd = (HWND)g_nextHandle;
    g_nextHandle += 4;
    w->hwnd = hwnd;
    g_windows[(ULONG_PTR)hwnd] = std::move(w);
  }
  if (child)
    FromHandle(hWndParent)->children.push_back(hwnd);
  else
    g_topLevel.insert(g_topLevel.begin(), hwnd);

  CREATESTRUCTW cs{lpParam, hInstance, hMenu, hWndParent, nHeight, nWidth, y, x,
                   (LONG)dwStyle, lpWindowName, lpClassName, dwExStyle};
  if (!SendMessageW(hwnd, WM_NCCREATE, 0, (LPARAM)&cs)) {
    FreeWindow(hwnd);
    return nullptr;
  }
  if (!FromHandle(hwnd)) return nullptr;
  if (SendMessageW(hwnd, WM_CREATE, 0, (LPARAM)&cs) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  Window *made = FromHandle(hwnd);
  if (!made) return nullptr;
  RECT client = ClientArea(*made);
  SendMessageW(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  if (!(made = FromHandle(hwnd))) return nullptr;
  POINT origin = ClientOrigin(*made);
  if (Window *parent = FromHandle(made->parent)) {
    POINT p = ClientOrigin(*parent);
    origin.x -= p.x;
    origin.y -= p.y;
  }
  SendMessageW(hwnd, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
  if (!(made = FromHandle(hwnd))) return nullptr;
  made->created = true;
  OnWindowCreated(hwnd);
  if (dwStyle & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  return FromHandle(hwnd) ? hwnd : nullptr;
}

/* Destroys a window: its owned windows first, then WM_DESTROY to it and to
 * its children, then WM_NCDESTROY from the children up, and the handles are
 * gone. FALSE for no window or one already being destroyed. */
BOOL DestroyWindow(HWND hWnd) {
  Window *w = FromHandle(hWnd);
  if (!w || w->destroying) return FALSE;
  w->destroying = true;
  if (!(w->style & WS_CHILD)) {
    std::vector<HWND> tops = g_topLevel;
    for (HWND top : tops) {
      Window *t = FromHandle(top);
      if (t && t->owner == hWnd) DestroyWindow(top);
    }
  }
  w = FromHandle(hWnd);
  if (!w) return TRUE;
  if ((w->style & WS_VISIBLE) && (w->style & WS_CHILD)) InvalidateRect(w->parent, &w->rect, TRUE);
  ExposeUnder(hWnd);
  w->style &= ~WS_VISIBLE;
  OnWindowHidden(hWnd);
  SendDestroy(hWnd);
  FreeWindow(hWnd);
  return TRUE;
}

/* TRUE while hWnd names a window (from any thread). */
BOOL IsWindow(HWND hWnd) {
  plat::ThreadId thread;
  return WindowThread(hWnd, &thread) ? TRUE : FALSE;
}

/* TRUE when the window and all its ancestors have WS_VISIBLE. */
BOOL IsWindowVisible(HWND hWnd) {
  Window *w = FromHandle(hWnd);
  if (!w) return FALSE;
  for (; w; w = FromHandle(w->parent)) {
    if (!(w->style & WS_VISIBLE)) return FALSE;
  }
  return TRUE;
}

BOOL IsChild(HWND hWndParent, HWND hWnd) {
  Window *w = FromHandle(hWnd);
  while (w && (w->style & WS_CHILD)) {
    if (w->parent == hWndParent) return TRUE;
    w = FromHandle(w->parent);
  }
  return FALSE;
}

/* Shows, hides, minimises or restores a window; showing a top-level window
 * activates it unless the command or WS_EX_NOACTIVATE says otherwise.
 * Returns whether it was visible before. */
BOOL ShowWindow(HWND hWnd, int nCmdShow) {
  Window *w = FromHandle(hWnd);
  if (!w) return FALSE;
  BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
  switch (nCmdShow) {
    case SW_HIDE:
      if (!wasVisible) return FALSE;
      SendMessageW(hWnd, WM_SHOWWINDOW, FALSE, 0);
      if (!(w = FromHandle(hWnd))) return wasVisible;
      ExposeUnder(hWnd);
      w->style &= ~WS_VISIBLE;
      if (w->style & WS_CHILD) InvalidateRect(w->parent, &w->rect, TRUE);
      OnWindowHidden(hWnd);
      return wasVisible;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      w->style |= WS_MINIMIZE;
      SendMessageW(hWnd, WM_SIZE, SIZE_MINIMIZED, 0);
      return wasVisible;
    default:
      break;
  }
  bool restore = (w->style & WS_MINIMIZE) != 0;
  w->style &= ~WS_MINIMIZE;
  if (!wasVisible) {
    SendMessageW(hWnd, WM_SHOWWINDOW, TRUE, 0);
    if (!(w = FromHandle(hWnd))) return wasVisible;
    w->style |= WS_VISIBLE;
    InvalidateRect(hWnd, nullptr, TRUE);
  }
  if (restore) {
    RECT client = ClientArea(*w);
    SendMessageW(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  }
  if (!(w = FromHandle(hWnd))) return wasVisible;
  bool activate = nCmdShow != SW_SHOWNA && nCmdShow != SW_SHOWNOACTIVATE;
  if (!(w->style & WS_CHILD) && activate && !(w->exStyle & WS_EX_NOACTIVATE)) ActivateWindow(hWnd);
  return wasVisible;
}

/* Enables or disables input to a window. Returns TRUE if it was disabled. */
BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
  Window *w = FromHandle(hWnd);
  if (!w) return FALSE;
  BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if (bEnable == !wasDisabled) return wasDisabled;
  if (bEnable)
    w->style &= ~WS_DISABLED;
  else
    w->style |= WS_DISABLED;
  SendMessageW(hWnd, WM_ENABLE, bEnable, 0);
  if (!bEnable) OnWindowDisabled(hWnd);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hWnd) {
  Window *w = FromHandle(hWnd);
  return w && !(w->style & WS_DISABLED);
}

/* Moves and sizes a window (client coordinates of the parent, or screen);
 * WM_MOVE and WM_SIZE follow a change of place or size. */
BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
  Window *w = FromHandle(hWnd);
  if (!w) return FALSE;
  RECT old = w->rect;
  w->rect = RECT{X, Y, X + std::max(0, nWidth), Y + std::max(0, nHeight)};
  bool moved = old.left != w->rect.left || old.top != w->rect.top;
  bool sized = (old.right - old.left) != (w->rect.right - w->rect.left) ||
               (old.bottom - old.top) != (w->rect.bottom - w->rect.top);
  if (moved) {
    int inset = NonClientInset(*w);
    SendMessageW(hWnd, WM_MOVE, 0, MAKELPARAM(X + inset, Y + inset));
  }
  if (sized && (w = FromHandle(hWnd))) {
    RECT client = ClientArea(*w);
    SendMessageW(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  }
  if (bRepaint && FromHandle(hWnd)) InvalidateRect(hWnd, nullptr, TRUE);
  return TRUE;
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect) {
  Window *w = FromHandle(hWnd);
  if (!w || !lpRect) return FALSE;
  *lpRect = ScreenRect(*w);
  return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect) {
  Window *w = FromHandle(hWnd);
  if (!w || !lpRect) return FALSE;
  *lpRect = ClientArea(*w);
  return TRUE;
}

BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
  Window *w = FromHandle(hWnd);
  if (!w || !lpPoint) return FALSE;
  POINT origin = ClientOrigin(*w);
  lpPoint->x += origin.x;
  lpPoint->y += origin.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
  Window *w = FromHandle(hWnd);
  if (!w || !lpPoint) return FALSE;
  POINT origin = ClientOrigin(*w);
  lpPoint->x -= origin.x;
  lpPoint->y -= origin.y;
  return TRUE;
}

/* Sets the text through WM_SETTEXT, so a control may keep it its own way. */
BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
  if (!FromHandle(hWnd)) return FALSE;
  return SendMessageW(hWnd, WM_SETTEXT, 0, (LPARAM)lpString) ? TRUE : FALSE;
}

/* Copies at most nMaxCount - 1 characters and a terminator; returns the
 * number copied, 0 for no window or no room. */
int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount) {
  if (!lpString || nMaxCount <= 0) return 0;
  lpString[0] = 0;
  if (!FromHandle(hWnd)) return 0;
  return (int)SendMessageW(hWnd, WM_GETTEXT, (WPARAM)nMaxCount, (LPARAM)lpString);
}

int GetWindowTextLengthW(HWND hWnd) {
  if (!FromHandle(hWnd)) return 0;
  return (int)SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0);
}

/* Copies the class name as GetWindowTextW copies text. */
int GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount) {
  Window *w = FromHandle(hWnd);
  if (!w || !lpClassName || nMaxCount <= 0) return 0;
  size_t n = std::min(w->cls->name.size(), (size_t)nMaxCount - 1);
  std::copy_n(w->cls->name.begin(), n, lpClassName);
  lpClassName[n] = 0;
  return (int)n;
}

/* The child of hDlg with the identifier, or NULL. */
HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
  Window *w = FromHandle(hDlg);
  if (!w) return nullptr;
  for (HWND kid : w->children) {
    if (FromHandle(kid)->id == (UINT_PTR)(LONG_PTR)nIDDlgItem) return kid;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND hWnd) {
  Window *w = FromHandle(hWnd);
  return (w && (w->style & WS_CHILD)) ? (int)w->id : 0;
}

/* The parent of a child, the owner of a pop-up, otherwise NULL. */
HWND GetParent(HWND hWnd) {
  Window *w = FromHandle(hWnd);
  if (!w) return nullptr;
  if (w->style & WS_CHILD) return w->parent;
  return (w->style & WS_POPUP) ? w->owner : nullptr;
}

/* Reads a window word. The pointer-sized words (GWL_WNDPROC, GWL_HINSTANCE,
 * GWL_HWNDPARENT) do not fit and give 0, as on other 64-bit systems; the
 * pointer-sized call reads them. */
LONG GetWindowLongW(HWND hWnd, int nIndex) {
  Window *w = FromHandle(hWnd);
  if (!w) return 0;
  switch (nIndex) {
    case GWL_STYLE:
      return (LONG)w->style;
    case GWL_EXSTYLE:
      return (LONG)w->exStyle;
    case GWL_ID:
      return (LONG)w->id;
    case GWL_USERDATA:
      return (LONG)w->userData;
    default:
      break;
  }
  if (nIndex >= 0 && (size_t)nIndex + sizeof(LONG) <= w->extra.size()) {
    LONG value;
    std::memcpy(&value, &w->extra[(size_t)nIndex], sizeof value);
    return value;
  }
  return 0;
}

/* Writes a window word and returns the old value (0 on failure). */
LONG SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong) {
  Window *w = FromHandle(hWnd);
  if (!w) return 0;
  LONG old = GetWindowLongW(hWnd, nIndex);
  switch (nIndex) {
    case GWL_STYLE:
      w->style = (DWORD)dwNewLong;
      PaintMayBeDue();
      return old;
    case GWL_EXSTYLE:
      w->exStyle = (DWORD)dwNewLong;
      return old;
    case GWL_ID:
      w->id = (UINT_PTR)(DWORD)dwNewLong;
      return old;
    case GWL_USERDATA:
      w->userData = dwNewLong;
      return old;
    default:
      break;
  }
  if (nIndex >= 0 && (size_t)nIndex + sizeof(LONG) <= w->extra.size()) {
    std::memcpy(&w->extra[(size_t)nIndex], &dwNewLong, sizeof dwNewLong);
    return old;
  }
  return 0;
}

LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex) {
  Window *w = FromHandle(hWnd);
  if (!w) return 0;
  switch (nIndex) {
    case GWLP_WNDPROC:
      return (LONG_PTR)w->proc;
    case GWLP_HINSTANCE:
      return (LONG_PTR)w->instance;
    case GWLP_HWNDPARENT:
      return (LONG_PTR)((w->style & WS_CHILD) ? w->parent : w->owner);
    case GWLP_ID:
      return (LONG_PTR)w->id;
    case GWLP_USERDATA:
      return w->userData;
    default:
      break;
  }
  if (nIndex >= 0 && (size_t)nIndex + sizeof(LONG_PTR) <= w->extra.size()) {
    LONG_PTR value;
    std::memcpy(&value, &w->extra[(size_t)nIndex], sizeof value);
    return value;
  }
  return GetWindowLongW(hWnd, nIndex);
}

LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
  Window *w = FromHandle(hWnd);
  if (!w) return 0;
  LONG_PTR old = GetWindowLongPtrW(hWnd, nIndex);
  switch (nIndex) {
    case GWLP_WNDPROC:
      if (!dwNewLong) return 0;
      w->proc = (WNDPROC)dwNewLong;
      return old;
    case GWLP_HINSTANCE:
      w->instance = (HINSTANCE)dwNewLong;
      return old;
    case GWLP_ID:
      w->id = (UINT_PTR)dwNewLong;
      return old;
    case GWLP_USERDATA:
      w->userData = dwNewLong;
      return old;
    default:
      break;
  }
  if (nIndex >= 0 && (size_t)nIndex + sizeof(LONG_PTR) <= w->extra.size()) {
    std::memcpy(&w->extra[(size_t)nIndex], &dwNewLong, sizeof dwNewLong);
    return old;
  }
  return SetWindowLongW(hWnd, nIndex, (LONG)dwNewLong);
}

namespace {

/* The property of w under a name or atom, or nullptr. */
Prop *FindProp(Window &w, LPCWSTR lpString) {
  for (Prop &p : w.props) {
    if (IS_INTRESOURCE(lpString) ? (!p.atom ? false : p.atom == (ATOM)(ULONG_PTR)lpString)
                                 : (!p.atom && SameName(p.name, lpString)))
      return &p;
  }
  return nullptr;
}

}  // namespace

/* The window next to hWnd in the z-order, the first or last of its list,
 * its owner or its first child; NULL when there is none or hWnd is no
 * window. */
HWND GetWindow(HWND hWnd, UINT uCmd) {
  Window *w = FromHandle(hWnd);
  if (!w) return nullptr;
  if (uCmd == GW_OWNER) return (w->style & WS_CHILD) ? nullptr : w->owner;
  if (uCmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  const std::vector<HWND> &list = *SiblingsOf(*w);
  auto at = std::find(list.begin(), list.end(), hWnd);
  if (at == list.end()) return nullptr;
  switch (uCmd) {
    case GW_HWNDFIRST:
      return list.front();
    case GW_HWNDLAST:
      return list.back();
    case GW_HWNDNEXT:
      return at + 1 == list.end() ? nullptr : *(at + 1);
    case GW_HWNDPREV:
      return at == list.begin() ? nullptr : *(at - 1);
    default:
      return nullptr;
  }
}

/* Moves and sizes as MoveWindow does unless SWP_NOMOVE or SWP_NOSIZE keep
 * the place or size; HWND_TOP raises it among its siblings (other places
 * in the z-order keep it where it is); SWP_SHOWWINDOW and SWP_HIDEWINDOW
 * show and hide it, activating it only without SWP_NOACTIVATE. FALSE for
 * no window. */
BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) {
  Window *w = FromHandle(hWnd);
  if (!w) return FALSE;
  if (!(uFlags & SWP_NOZORDER) && hWndInsertAfter == HWND_TOP) Raise(*w);
  if ((uFlags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
    RECT rc = w->rect;
    if (uFlags & SWP_NOMOVE) X = rc.left, Y = rc.top;
    if (uFlags & SWP_NOSIZE) cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    MoveWindow(hWnd, X, Y, cx, cy, !(uFlags & SWP_NOREDRAW));
  }
  if (uFlags & SWP_HIDEWINDOW) ShowWindow(hWnd, SW_HIDE);
  if (uFlags & SWP_SHOWWINDOW) ShowWindow(hWnd, (uFlags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  return FromHandle(hWnd) ? TRUE : FALSE;
}

/* Stores or replaces a property; FALSE for no window or no name. */
BOOL SetPropW(HWND hWnd, LPCWSTR lpString, HANDLE hData) {
  Window *w = FromHandle(hWnd);
  if (!w || !lpString) return FALSE;
  if (Prop *p = FindProp(*w, lpString)) {
    p->data = hData;
    return TRUE;
  }
  Prop p;
  if (IS_INTRESOURCE(lpString))
    p.atom = (ATOM)(ULONG_PTR)lpString;
  else
    p.name = lpString;
  p.data = hData;
  w->props.push_back(std::move(p));
  return TRUE;
}

HANDLE GetPropW(HWND hWnd, LPCWSTR lpString) {
  Window *w = FromHandle(hWnd);
  Prop *p = w && lpString ? FindProp(*w, lpString) : nullptr;
  return p ? p->data : nullptr;
}

/* Takes the property off the window and returns its handle. */
HANDLE RemovePropW(HWND hWnd, LPCWSTR lpString) {
  Window *w = FromHandle(hWnd);
  Prop *p = w && lpString ? FindProp(*w, lpString) : nullptr;
  if (!p) return nullptr;
  HANDLE data = p->data;
  w->props.erase(w->props.begin() + (p - w->props.data()));
  return data;
}

