/*
 * Focus, activation, capture, the foreground window and the key state; and
 * where host input goes.
 */
#include <atomic>

#include "host/host.h"
#include "user/user.h"

namespace plat::user {
namespace {

HWND g_focus = nullptr;
HWND g_active = nullptr;
HWND g_capture = nullptr;
BYTE g_keyState[256];                  /* UI thread: 0x80 down, 0x01 toggled */
std::atomic<BYTE> g_asyncState[256];   /* host: 0x80 down */

bool KeyDown(int vk) { return (g_keyState[vk & 0xFF] & 0x80) != 0; }

/* The deepest visible, enabled child of hwnd under a screen point. */
HWND ChildFromPoint(HWND hwnd, POINT pt) {
  Window *w = FromHandle(hwnd);
  for (HWND kid : w->children) {
    Window *k = FromHandle(kid);
    RECT rc = ScreenRect(*k);
    if ((k->style & WS_VISIBLE) && !(k->style & WS_DISABLED) && PtInRect(&rc, pt))
      return ChildFromPoint(kid, pt);
  }
  return hwnd;
}

/* Whether hwnd, or a window it lies in, was made with WS_EX_NOACTIVATE: as
 * on the handheld, such a window still takes taps but never the keyboard
 * focus, and neither do its children. */
bool RefusesFocus(HWND hwnd) {
  for (Window *w = FromHandle(hwnd); w; w = (w->style & WS_CHILD) ? FromHandle(w->parent) : nullptr) {
    if (w->exStyle & WS_EX_NOACTIVATE) return true;
  }
  return false;
}

void ChangeFocus(HWND hwnd) {
  HWND old = g_focus;
  if (old == hwnd) return;
  g_focus = hwnd;
  if (old && IsWindow(old)) SendMessageW(old, WM_KILLFOCUS, (WPARAM)hwnd, 0);
  if (hwnd && g_focus == hwnd && IsWindow(hwnd)) SendMessageW(hwnd, WM_SETFOCUS, (WPARAM)old, 0);
}

/* A new active window candidate after hwnd goes away: its owner, else the
 * topmost other visible top-level window. */
HWND NextActive(HWND gone) {
  Window *w = FromHandle(gone);
  if (w && w->owner && IsWindowVisible(w->owner)) return w->owner;
  for (HWND top : TopLevelWindows()) {
    if (top != gone && IsWindowVisible(top) && !(FromHandle(top)->exStyle & WS_EX_NOACTIVATE))
      return top;
  }
  return nullptr;
}

/* Where keys go: to an open pop-up menu while it holds the stylus, as the
 * menu's tracking takes the keyboard; else to the focus, else to the active
 * window. */
HWND KeyboardTarget() {
  Window *capture = g_capture ? FromHandle(g_capture) : nullptr;
  if (capture && capture->cls->name == kMenuClassName) return g_capture;
  return g_focus ? g_focus : g_active;
}

}  // namespace

void ActivateWindow(HWND hwnd) {
  HWND old = g_active;
  if (old == hwnd) return;
  g_active = hwnd;
  if (old && IsWindow(old)) {
    if (g_focus && MatchesWindow(old, g_focus)) ChangeFocus(nullptr);
    SendMessageW(old, WM_ACTIVATE, WA_INACTIVE, (LPARAM)hwnd);
  }
  if (hwnd && g_active == hwnd && IsWindow(hwnd)) {
    BringToTop(hwnd);
    SendMessageW(hwnd, WM_ACTIVATE, WA_ACTIVE, (LPARAM)old);
  }
}

void OnWindowHidden(HWND hwnd) {
  OnWindowDisabled(hwnd);
  if (g_active == hwnd) ActivateWindow(NextActive(hwnd));
}

void OnWindowDisabled(HWND hwnd) {
  if (g_capture && MatchesWindow(hwnd, g_capture)) ReleaseCapture();
  if (g_focus && MatchesWindow(hwnd, g_focus)) ChangeFocus(nullptr);
}

void ForgetFocusFor(HWND hwnd) {
  if (g_focus == hwnd) g_focus = nullptr;
  if (g_capture == hwnd) g_capture = nullptr;
  if (g_active == hwnd) g_active = nullptr;
}

void RaiseOwnWindow(HWND hwnd) {
  host::Current()->Raise();
  HWND top = TopLevelOf(hwnd);
  if (!top) return;
  BringToTop(top);
  HWND last = top;
  std::vector<HWND> tops = TopLevelWindows();
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
    Window *w = FromHandle(*it);
    if (w && w->owner == top && (w->style & WS_VISIBLE)) {
      BringToTop(*it);
      /* A window made not to activate (the menu bar) comes forward but
       * never takes the keyboard. */
      if (!(w->exStyle & WS_EX_NOACTIVATE)) last = *it;
    }
  }
  ActivateWindow(last);
}

bool ResolveInput(InputKind kind, int a, int b, MSG *msg) {
  switch (kind) {
    case InputKind::KeyDown:
    case InputKind::KeyUp: {
      HWND target = KeyboardTarget();
      if (!target || !IsWindow(target)) return false;
      bool up = kind == InputKind::KeyUp;
      msg->hwnd = target;
      msg->message = up ? WM_KEYUP : WM_KEYDOWN;
      msg->wParam = (WPARAM)a;
      msg->lParam = (LPARAM)(up ? 0xC0000001u : 0x00000001u);
      return true;
    }
    case InputKind::ButtonDown:
    case InputKind::ButtonUp:
    case InputKind::ButtonMove: {
      POINT pt{a, b};
      HWND target = g_capture ? g_capture : WindowFromPoint(pt);
      if (!target || (!g_capture && !IsWindowEnabled(target))) return false;
      POINT client = pt;
      ScreenToClient(target, &client);
      bool down = kind == InputKind::ButtonDown || (kind == InputKind::ButtonMove && KeyDown(VK_LBUTTON));
      msg->hwnd = target;
      msg->message = kind == InputKind::ButtonMove ? WM_MOUSEMOVE
                     : kind == InputKind::ButtonDown ? WM_LBUTTONDOWN
                                                     : WM_LBUTTONUP;
      msg->wParam = (down ? MK_LBUTTON : 0) | (KeyDown(VK_CONTROL) ? MK_CONTROL : 0) |
                    (KeyDown(VK_SHIFT) ? MK_SHIFT : 0);
      msg->lParam = MAKELPARAM(client.x, client.y);
      msg->pt = pt;
      return true;
    }
  }
  return false;
}

void ApplyInputState(InputKind kind, int vk) {
  switch (kind) {
    case InputKind::KeyDown:
      if (!KeyDown(vk)) g_keyState[vk & 0xFF] ^= 0x01;
      g_keyState[vk & 0xFF] |= 0x80;
      break;
    case InputKind::KeyUp:
      g_keyState[vk & 0xFF] &= (BYTE)~0x80;
      break;
    case InputKind::ButtonDown:
      g_keyState[VK_LBUTTON] |= 0x80;
      break;
    case InputKind::ButtonUp:
      g_keyState[VK_LBUTTON] &= (BYTE)~0x80;
      break;
    case InputKind::ButtonMove:
      break;
  }
}

void NoteAsyncInput(InputKind kind, int vk) {
  switch (kind) {
    case InputKind::KeyDown:
      g_asyncState[vk & 0xFF].store(0x80, std::memory_order_relaxed);
      break;
    case InputKind::KeyUp:
      g_asyncState[vk & 0xFF].store(0, std::memory_order_relaxed);
      break;
    case InputKind::ButtonDown:
      g_asyncState[VK_LBUTTON].store(0x80, std::memory_order_relaxed);
      break;
    case InputKind::ButtonUp:
      g_asyncState[VK_LBUTTON].store(0, std::memory_order_relaxed);
      break;
    case InputKind::ButtonMove:
      break;
  }
}

void ForgetKeyState() {
  for (int i = 0; i < 256; ++i) {
    g_keyState[i] = 0;
    g_asyncState[i].store(0, std::memory_order_relaxed);
  }
  g_focus = g_active = g_capture = nullptr;
}

int CharOfKey(int vk) {
  bool ctrl = KeyDown(VK_CONTROL), shift = KeyDown(VK_SHIFT);
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return vk - 'A' + 1;
    bool upper = shift != ((g_keyState[VK_CAPITAL] & 0x01) != 0);
    return upper ? vk : vk - 'A' + 'a';
  }
  if (ctrl) return -1;
  if (vk >= '0' && vk <= '9') return vk;
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return vk - VK_NUMPAD0 + '0';
  switch (vk) {
    case VK_SPACE:
      return ' ';
    case VK_RETURN:
      return '\r';
    case VK_BACK:
      return 8;
    case VK_TAB:
      return '\t';
    case VK_ESCAPE:
      return 27;
    default:
      return -1;
  }
}

}  // namespace plat::user

using namespace plat::user;

/* Gives hWnd the keyboard focus (NULL: nobody), activating its top-level
 * window; WM_KILLFOCUS and WM_SETFOCUS follow. Returns the previous focus;
 * NULL, with the focus left where it was, when hWnd is no window, is
 * disabled, or is (or lies in) a window made with WS_EX_NOACTIVATE. */
HWND SetFocus(HWND hWnd) {
  HWND old = g_focus;
  if (hWnd) {
    if (!IsWindow(hWnd) || !IsWindowEnabled(hWnd) || RefusesFocus(hWnd)) return nullptr;
    HWND top = TopLevelOf(hWnd);
    if (top != g_active) ActivateWindow(top);
  }
  ChangeFocus(hWnd);
  return old;
}

HWND GetFocus(void) { return g_focus; }

/* Activates a top-level window; returns the one active before. */
HWND SetActiveWindow(HWND hWnd) {
  HWND top = TopLevelOf(hWnd);
  if (!top) return nullptr;
  HWND old = g_active;
  ActivateWindow(top);
  return old;
}

HWND GetActiveWindow(void) { return g_active; }

/* Brings a window's top-level window and its owned windows to the front and
 * activates them, raising the desktop window too. The low bit of the handle
 * is the caller's flag and is ignored; a window of another process found by
 * FindWindowW is asked to do the same. FALSE when there is no such window. */
BOOL SetForegroundWindow(HWND hWnd) {
  HWND hwnd = (HWND)((ULONG_PTR)hWnd & ~(ULONG_PTR)1);
  if (IsRemoteWindow(hwnd)) return RaiseRemoteWindow(hwnd) ? TRUE : FALSE;
  if (!IsWindow(hwnd)) return FALSE;
  RaiseOwnWindow(hwnd);
  return TRUE;
}

HWND GetForegroundWindow(void) { return g_active; }

/* Sends the mouse to hWnd whatever the point; returns the previous owner. */
HWND SetCapture(HWND hWnd) {
  if (!IsWindow(hWnd)) return nullptr;
  HWND old = g_capture;
  g_capture = hWnd;
  if (old && old != hWnd && IsWindow(old)) SendMessageW(old, WM_CAPTURECHANGED, 0, (LPARAM)hWnd);
  return old;
}

BOOL ReleaseCapture(void) {
  HWND old = g_capture;
  g_capture = nullptr;
  if (old && IsWindow(old)) SendMessageW(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture(void) { return g_capture; }

/* The visible window under a screen point: the topmost top-level window,
 * then its deepest enabled child there (a disabled window's children are
 * disabled with it). NULL over the bare screen. */
HWND WindowFromPoint(POINT Point) {
  for (HWND top : TopLevelWindows()) {
    Window *w = FromHandle(top);
    RECT rc = ScreenRect(*w);
    if (!(w->style & WS_VISIBLE) || !PtInRect(&rc, Point)) continue;
    return (w->style & WS_DISABLED) ? top : ChildFromPoint(top, Point);
  }
  return nullptr;
}

/* Key state as of the last input message taken: bit 15 down, bit 0
 * toggled. */
SHORT GetKeyState(int nVirtKey) {
  BYTE s = g_keyState[nVirtKey & 0xFF];
  return (SHORT)(((s & 0x80) ? 0x8000 : 0) | (s & 0x01));
}

/* Key state at this moment: bit 15 down. */
SHORT GetAsyncKeyState(int vKey) {
  return (SHORT)((g_asyncState[vKey & 0xFF].load(std::memory_order_relaxed) & 0x80) ? 0x8000 : 0);
}
