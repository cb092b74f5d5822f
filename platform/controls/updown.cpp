/*
 * The up-down control (msctls_updown32): two arrows that move a position
 * within a range, optionally shown in a buddy window as a number.
 *
 * The up arrow moves toward the upper end of the range, which may be the
 * smaller number. Holding an arrow repeats the step on a timer; the step
 * grows with the time held, as the acceleration table says. Each move
 * tells the parent with UDN_DELTAPOS first (which may refuse it) and
 * WM_VSCROLL after; letting go sends SB_ENDSCROLL. The arrows lie one above
 * the other.
 */
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "controls/controls.h"

namespace plat::controls {
namespace {

constexpr int kArrowWidth = 16;   /* the width UDS_ALIGN* gives the control */
constexpr UINT kFirstRepeat = 500; /* ms the stylus is held before repeating */
constexpr UINT kRepeat = 100;      /* ms between repeats */
constexpr UINT_PTR kTimerId = 1;

enum class Arrow { None, Up, Down };

struct UpDown {
  int lower = 100; /* the range as created: upper 0, lower 100 */
  int upper = 0;
  int pos = 0;
  int base = 10;
  HWND buddy = nullptr;
  std::vector<UDACCEL> accel{{0, 1}};
  Arrow pressed = Arrow::None;
  DWORD pressedAt = 0; /* GetTickCount of the press */
};

DWORD StyleOf(HWND hwnd) { return (DWORD)GetWindowLongW(hwnd, GWL_STYLE); }

/* The buddy shows the position: decimal with a comma between thousands
 * (unless UDS_NOTHOUSANDS), or hexadecimal in base 16. */
std::u16string FormatPos(int pos, int base, bool thousands) {
  std::u16string out;
  if (base == 16) {
    char buf[16];
    snprintf(buf, sizeof buf, "0x%04X", (unsigned)pos & 0xFFFF);
    for (const char *p = buf; *p; ++p) out.push_back((char16_t)*p);
    return out;
  }
  unsigned value = pos < 0 ? 0u - (unsigned)pos : (unsigned)pos;
  int digits = 0;
  do {
    if (thousands && digits && digits % 3 == 0) out.insert(out.begin(), u',');
    out.insert(out.begin(), (char16_t)(u'0' + value % 10));
    value /= 10;
    ++digits;
  } while (value);
  if (pos < 0) out.insert(out.begin(), u'-');
  return out;
}

/* Reads the buddy's number back, skipping the thousands separators; false
 * when it is not a number of the base. */
bool ParsePos(const std::u16string &text, int base, long *out) {
  std::u16string digits;
  for (char16_t c : text) {
    if (c != u',' && c != u' ') digits.push_back(c);
  }
  size_t i = 0;
  bool negative = false;
  if (base == 16 && digits.size() > 2 && digits[0] == u'0' && (digits[1] == u'x' || digits[1] == u'X'))
    i = 2;
  else if (base == 10 && i < digits.size() && digits[i] == u'-')
    negative = true, ++i;
  if (i == digits.size()) return false;
  long value = 0;
  for (; i < digits.size(); ++i) {
    char16_t c = digits[i];
    int d = c >= u'0' && c <= u'9'   ? c - u'0'
            : c >= u'a' && c <= u'f' ? c - u'a' + 10
            : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                     : 99;
    if (d >= base) return false;
    value = value * base + d;
    if (value > 0xFFFFF) return false;
  }
  *out = negative ? -value : value;
  return true;
}

int RangeMin(const UpDown *u) { return std::min(u->lower, u->upper); }
int RangeMax(const UpDown *u) { return std::max(u->lower, u->upper); }

void UPDOWN_ShowPos(HWND hwnd, UpDown *u) {
  if (!(StyleOf(hwnd) & UDS_SETBUDDYINT) || !IsWindow(u->buddy)) return;
  std::u16string text = FormatPos(u->pos, u->base, !(StyleOf(hwnd) & UDS_NOTHOUSANDS));
  SetWindowTextW(u->buddy, text.c_str());
}

/* The position as the buddy shows it: the low word is the position, the
 * high word nonzero when it could not be read from a buddy: there is none,
 * the control does not keep its number (no UDS_SETBUDDYINT), or the buddy
 * holds no number within the range. */
LRESULT UPDOWN_GetPos(HWND hwnd, UpDown *u) {
  if (!(StyleOf(hwnd) & UDS_SETBUDDYINT) || !IsWindow(u->buddy)) return MAKELRESULT(u->pos, 1);
  long value;
  if (!ParsePos(TextOf(u->buddy), u->base, &value) || value < RangeMin(u) || value > RangeMax(u))
    return MAKELRESULT(u->pos, 1);
  u->pos = (int)value;
  return MAKELRESULT(u->pos, 0);
}

LRESULT UPDOWN_SetPos(HWND hwnd, UpDown *u, int pos) {
  int old = u->pos;
  u->pos = std::clamp(pos, RangeMin(u), RangeMax(u));
  UPDOWN_ShowPos(hwnd, u);
  return old;
}

/* Places the control against the buddy's right (or left) edge, narrowing
 * the buddy to make room. */
void UPDOWN_Align(HWND hwnd, UpDown *u) {
  DWORD style = StyleOf(hwnd);
  if (!(style & (UDS_ALIGNLEFT | UDS_ALIGNRIGHT)) || !IsWindow(u->buddy)) return;
  RECT rc;
  GetWindowRect(u->buddy, &rc);
  POINT corner{rc.left, rc.top};
  ScreenToClient(GetParent(u->buddy), &corner);
  int cx = rc.right - rc.left - kArrowWidth, cy = rc.bottom - rc.top;
  if (style & UDS_ALIGNLEFT) {
    MoveWindow(u->buddy, corner.x + kArrowWidth, corner.y, cx, cy, FALSE);
    MoveWindow(hwnd, corner.x, corner.y, kArrowWidth, cy, FALSE);
  } else {
    MoveWindow(u->buddy, corner.x, corner.y, cx, cy, FALSE);
    MoveWindow(hwnd, corner.x + cx, corner.y, kArrowWidth, cy, FALSE);
  }
}

/* A new buddy makes room for the control; the same one again is left as it
 * is. */
LRESULT UPDOWN_SetBuddy(HWND hwnd, UpDown *u, HWND buddy) {
  HWND old = u->buddy;
  u->buddy = IsWindow(buddy) ? buddy : nullptr;
  if (u->buddy != old) UPDOWN_Align(hwnd, u);
  return (LRESULT)old;
}

/* The step for the time the arrow has been held. */
int CurrentStep(const UpDown *u) {
  DWORD held = GetTickCount() - u->pressedAt;
  int step = u->accel.empty() ? 1 : (int)u->accel[0].nInc;
  for (const UDACCEL &a : u->accel) {
    if ((DWORD)a.nSec * 1000 <= held) step = (int)a.nInc;
  }
  return step;
}

/* One step of the pressed arrow, toward the upper end for the up arrow.
 * At the end of the range it stops there, or wraps with UDS_WRAP. The
 * parent may destroy the control while it hears of the step: then nothing
 * more is done, and the result is false. */
bool UPDOWN_Step(HWND hwnd, UpDown *u) {
  if (u->pressed == Arrow::None) return true;
  UPDOWN_GetPos(hwnd, u);
  int toward = (u->upper >= u->lower) ? 1 : -1;
  int delta = CurrentStep(u) * (u->pressed == Arrow::Up ? toward : -toward);
  HWND parent = GetParent(hwnd);
  NMUPDOWN nm{{hwnd, (UINT_PTR)GetDlgCtrlID(hwnd), UDN_DELTAPOS}, u->pos, delta};
  LRESULT refused = SendMessageW(parent, WM_NOTIFY, nm.hdr.idFrom, (LPARAM)&nm);
  if (!IsWindow(hwnd)) return false;
  if (refused) return true;
  int target = u->pos + nm.iDelta;
  if (target < RangeMin(u) || target > RangeMax(u)) {
    if (StyleOf(hwnd) & UDS_WRAP)
      target = target < RangeMin(u) ? RangeMax(u) : RangeMin(u);
    else
      target = std::clamp(target, RangeMin(u), RangeMax(u));
  }
  if (target == u->pos) return true;
  u->pos = target;
  UPDOWN_ShowPos(hwnd, u);
  SendMessageW(parent, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, u->pos), (LPARAM)hwnd);
  return IsWindow(hwnd) != FALSE;
}

/* Which arrow lies under a point: the upper half is the up arrow. */
Arrow ArrowAt(HWND hwnd, LPARAM lParam) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  POINT pt{(SHORT)LOWORD(lParam), (SHORT)HIWORD(lParam)};
  if (!PtInRect(&rc, pt)) return Arrow::None;
  return pt.y < rc.bottom / 2 ? Arrow::Up : Arrow::Down;
}

void UPDOWN_LButtonDown(HWND hwnd, UpDown *u, LPARAM lParam) {
  Arrow arrow = ArrowAt(hwnd, lParam);
  if (arrow == Arrow::None || !IsWindowEnabled(hwnd)) return;
  if (IsWindow(u->buddy)) SetFocus(u->buddy);
  SetCapture(hwnd);
  u->pressed = arrow;
  u->pressedAt = GetTickCount();
  InvalidateRect(hwnd, nullptr, FALSE);
  if (UPDOWN_Step(hwnd, u)) SetTimer(hwnd, kTimerId, kFirstRepeat, nullptr);
}

void UPDOWN_Release(HWND hwnd, UpDown *u) {
  if (u->pressed == Arrow::None) return;
  u->pressed = Arrow::None;
  KillTimer(hwnd, kTimerId);
  InvalidateRect(hwnd, nullptr, FALSE);
  if (GetCapture() == hwnd) ReleaseCapture();
  SendMessageW(GetParent(hwnd), WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, u->pos), (LPARAM)hwnd);
}

void UPDOWN_Timer(HWND hwnd, UpDown *u) {
  if (u->pressed == Arrow::None) return;
  SetTimer(hwnd, kTimerId, kRepeat, nullptr);
  UPDOWN_Step(hwnd, u);
}

LRESULT UPDOWN_SetAccel(UpDown *u, WPARAM count, LPARAM table) {
  if (!count || !table) return FALSE;
  const UDACCEL *entries = (const UDACCEL *)table;
  u->accel.assign(entries, entries + count);
  return TRUE;
}

LRESULT UPDOWN_GetAccel(const UpDown *u, WPARAM count, LPARAM table) {
  if (table) std::copy_n(u->accel.begin(), std::min<size_t>(count, u->accel.size()), (UDACCEL *)table);
  return (LRESULT)u->accel.size();
}

/* Two arrow buttons, raised, the pressed one sunken; the arrows grey when
 * the control is disabled. */
LRESULT UPDOWN_Paint(HWND hwnd, UpDown *u) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  if (hdc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    RECT up = rc, down = rc;
    up.bottom = down.top = rc.bottom / 2;
    HBRUSH ink = GetSysColorBrush(IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    for (Arrow a : {Arrow::Up, Arrow::Down}) {
      RECT face = a == Arrow::Up ? up : down;
      FillRect(hdc, &face, GetSysColorBrush(COLOR_BTNFACE));
      DrawEdge(hdc, &face, u->pressed == a ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
      int w = std::min<int>(face.right - face.left, face.bottom - face.top) - 4;
      w = std::clamp(w | 1, 3, 9);
      FillArrow(hdc, face, a == Arrow::Up, w, ink);
    }
  }
  EndPaint(hwnd, &ps);
  return 0;
}

/* UDS_AUTOBUDDY takes the sibling created just before the control. */
LRESULT UPDOWN_Create(HWND hwnd, UpDown *u) {
  if (!(StyleOf(hwnd) & UDS_AUTOBUDDY)) return 0;
  HWND before = GetWindow(hwnd, GW_HWNDPREV);
  if (before) UPDOWN_SetBuddy(hwnd, u, before);
  return 0;
}

}  // namespace

LRESULT CALLBACK UpDownWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  UpDown *u = StateOf<UpDown>(hwnd);
  if (!u && msg != WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE:
      AttachState<UpDown>(hwnd);
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_CREATE:
      return UPDOWN_Create(hwnd, u);
    case WM_NCDESTROY:
      FreeState<UpDown>(hwnd);
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd, kTimerId);
      return 0;
    case WM_PAINT:
      return UPDOWN_Paint(hwnd, u);
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      UPDOWN_LButtonDown(hwnd, u, lParam);
      return 0;
    case WM_LBUTTONUP:
      UPDOWN_Release(hwnd, u);
      return 0;
    case WM_CAPTURECHANGED:
      if ((HWND)lParam != hwnd) UPDOWN_Release(hwnd, u);
      return 0;
    case WM_TIMER:
      if (wParam == kTimerId) UPDOWN_Timer(hwnd, u);
      return 0;
    case WM_ENABLE:
      if (!wParam) UPDOWN_Release(hwnd, u);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case UDM_SETRANGE:
      u->upper = (SHORT)LOWORD(lParam);
      u->lower = (SHORT)HIWORD(lParam);
      return 0;
    case UDM_GETRANGE:
      return MAKELRESULT(u->upper, u->lower);
    case UDM_SETPOS:
      return UPDOWN_SetPos(hwnd, u, (SHORT)LOWORD(lParam));
    case UDM_GETPOS:
      return UPDOWN_GetPos(hwnd, u);
    case UDM_SETBUDDY:
      return UPDOWN_SetBuddy(hwnd, u, (HWND)wParam);
    case UDM_GETBUDDY:
      return (LRESULT)u->buddy;
    case UDM_SETACCEL:
      return UPDOWN_SetAccel(u, wParam, lParam);
    case UDM_GETACCEL:
      return UPDOWN_GetAccel(u, wParam, lParam);
    case UDM_SETBASE: {
      if (wParam != 10 && wParam != 16) return 0;
      int old = u->base;
      u->base = (int)wParam;
      UPDOWN_ShowPos(hwnd, u);
      return old;
    }
    case UDM_GETBASE:
      return u->base;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace plat::controls

using namespace plat::controls;

/* The up-down class is one of the system classes; this checks the record. */
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX *lpInitCtrls) {
  if (!lpInitCtrls || lpInitCtrls->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
  Install();
  return TRUE;
}

void InitCommonControls(void) { Install(); }

/* Creates the control, then gives it its buddy, range and position in that
 * order, as the messages would. */
HWND CreateUpDownControl(DWORD dwStyle, int x, int y, int cx, int cy, HWND hParent, int nID,
                         HINSTANCE hInst, HWND hBuddy, int nUpper, int nLower, int nPos) {
  HWND hwnd = CreateWindowExW(0, UPDOWN_CLASSW, nullptr, dwStyle, x, y, cx, cy, hParent,
                              (HMENU)(INT_PTR)nID, hInst, nullptr);
  if (!hwnd) return nullptr;
  if (hBuddy) SendMessageW(hwnd, UDM_SETBUDDY, (WPARAM)hBuddy, 0);
  SendMessageW(hwnd, UDM_SETRANGE, 0, MAKELPARAM(nUpper, nLower));
  SendMessageW(hwnd, UDM_SETPOS, 0, MAKELPARAM(nPos, 0));
  return hwnd;
}
