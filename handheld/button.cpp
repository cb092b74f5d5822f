/*
 * button.cpp - the handheld's BUTTON: push buttons and radio buttons drawn
 * over the brush and in the text colour the parent's WM_CTLCOLORBTN gives,
 * repainted only through WM_PAINT. A tap (stylus down and up inside)
 * reports BN_CLICKED to the parent; an automatic radio button checks
 * itself first and unchecks the others of its group. Space does the same
 * from the keyboard: pressed while the key is down, clicked when it comes
 * up. The state lives in an object whose pointer is the first window word,
 * from WM_NCCREATE to WM_NCDESTROY.
 */
#include <math.h>

#include <new>

#include <handheld.h>

namespace {

const int kCheckRadius = 6; /* the radio button's circle */
const int kTextGap = 4;     /* between the circle and the text */
const int kClassChars = 64;

struct Button {
  UINT m_check = BST_UNCHECKED;
  bool m_pushed = false;    /* the pressed look */
  bool m_tracking = false;  /* the stylus went down on it */
  bool m_spaceDown = false; /* Space went down on it */
  HFONT m_font = nullptr;
};

DWORD BUTTON_Type(HWND hwnd) { return (DWORD)GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK; }

bool IsRadio(DWORD type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }
bool IsCheckBox(DWORD type) { return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX; }
bool IsCheckable(DWORD type) { return IsRadio(type) || IsCheckBox(type); }

/* Whether two windows are of the same class. */
bool SameClass(HWND a, HWND b) {
  WCHAR one[kClassChars], two[kClassChars];
  int n = GetClassNameW(a, one, kClassChars);
  if (!n || GetClassNameW(b, two, kClassChars) != n) return false;
  for (int i = 0; i < n; ++i)
    if (one[i] != two[i]) return false;
  return true;
}

/* Unchecks the other automatic radio buttons of hwnd's group: the siblings
 * from the nearest WS_GROUP one at or before it up to the next one. */
void BUTTON_UncheckGroup(HWND hwnd) {
  HWND first = hwnd;
  while (!(GetWindowLongW(first, GWL_STYLE) & WS_GROUP)) {
    HWND prev = GetWindow(first, GW_HWNDPREV);
    if (!prev) break;
    first = prev;
  }
  for (HWND w = first; w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w != first && (GetWindowLongW(w, GWL_STYLE) & WS_GROUP)) break;
    if (w != hwnd && SameClass(w, hwnd) && BUTTON_Type(w) == BS_AUTORADIOBUTTON)
      SendMessageW(w, BM_SETCHECK, BST_UNCHECKED, 0);
  }
}

/* Shows the button pressed or not; repaints only on a change. */
void BUTTON_SetPushed(HWND hwnd, Button *b, bool pushed) {
  if (b->m_pushed == pushed) return;
  b->m_pushed = pushed;
  InvalidateRect(hwnd, nullptr, FALSE);
}

/* What a tap does: an automatic button changes its check, then the parent
 * hears of the click. */
void BUTTON_Click(HWND hwnd, Button *b) {
  switch (BUTTON_Type(hwnd)) {
    case BS_AUTORADIOBUTTON:
      SendMessageW(hwnd, BM_SETCHECK, BST_CHECKED, 0);
      BUTTON_UncheckGroup(hwnd);
      break;
    case BS_AUTOCHECKBOX:
      SendMessageW(hwnd, BM_SETCHECK, b->m_check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
      break;
    default:
      break;
  }
  SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED), (LPARAM)hwnd);
}

/* Whether a mouse message's point lies in the button. */
bool Inside(HWND hwnd, LPARAM lParam) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  POINT pt{(SHORT)LOWORD(lParam), (SHORT)HIWORD(lParam)};
  return PtInRect(&rc, pt) != FALSE;
}

/* A tap presses the button and takes the focus, unless it is made with
 * WS_EX_NOACTIVATE: then the focus (and so the keyboard and its
 * accelerators) stays where it was. */
void BUTTON_LButtonDown(HWND hwnd, Button *b) {
  if (!(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_NOACTIVATE)) SetFocus(hwnd);
  SetCapture(hwnd);
  b->m_tracking = true;
  BUTTON_SetPushed(hwnd, b, true);
}

/* The stylus up: a tap when it went down on the button and is still on it. */
void BUTTON_LButtonUp(HWND hwnd, Button *b, LPARAM lParam) {
  if (!b->m_tracking) return;
  b->m_tracking = false;
  bool clicked = b->m_pushed && Inside(hwnd, lParam);
  BUTTON_SetPushed(hwnd, b, false);
  if (GetCapture() == hwnd) ReleaseCapture();
  if (clicked) BUTTON_Click(hwnd, b);
}

void BUTTON_KeyDown(HWND hwnd, Button *b, WPARAM vk) {
  if (vk != VK_SPACE || b->m_tracking) return;
  b->m_spaceDown = true;
  BUTTON_SetPushed(hwnd, b, true);
}

void BUTTON_KeyUp(HWND hwnd, Button *b, WPARAM vk) {
  if (vk != VK_SPACE || !b->m_spaceDown) return;
  b->m_spaceDown = false;
  bool clicked = b->m_pushed;
  BUTTON_SetPushed(hwnd, b, false);
  if (clicked) BUTTON_Click(hwnd, b);
}

/* Losing the focus with Space held lets the button go without a click. */
void BUTTON_KillFocus(HWND hwnd, Button *b) {
  if (!b->m_spaceDown) return;
  b->m_spaceDown = false;
  BUTTON_SetPushed(hwnd, b, false);
}

/* BM_SETCHECK: checked or not; a push button has no check and ignores it. */
void BUTTON_SetCheck(HWND hwnd, Button *b, WPARAM state) {
  if (!IsCheckable(BUTTON_Type(hwnd))) return;
  UINT check = (state & (BST_CHECKED | BST_INDETERMINATE)) ? BST_CHECKED : BST_UNCHECKED;
  if (check == b->m_check) return;
  b->m_check = check;
  InvalidateRect(hwnd, nullptr, FALSE);
}

/* A filled disc of radius r round (cx, cy), row by row. */
void BUTTON_FillDisc(HDC hdc, int cx, int cy, int r, HBRUSH brush) {
  for (int dy = -r; dy < r; ++dy) {
    double y = dy + 0.5;
    int half = (int)lround(sqrt((double)r * r - y * y));
    RECT row{cx - half, cy + dy, cx + half, cy + dy + 1};
    FillRect(hdc, &row, brush);
  }
}

/* A push button: the face in the parent's brush, framed in the text
 * colour; inverted while pressed. */
void BUTTON_PaintPush(HWND hwnd, HDC hdc, const RECT &rc, bool pushed) {
  HBRUSH frame = CreateSolidBrush(GetTextColor(hdc));
  FrameRect(hdc, &rc, frame);
  DeleteObject(frame);
  WCHAR text[256];
  int n = GetWindowTextW(hwnd, text, 256);
  RECT inner{rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1};
  DrawTextW(hdc, text, n, &inner, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (pushed) PatBlt(hdc, inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top, DSTINVERT);
}

/* A radio button: a white circle with a black ring and, when checked, a
 * black dot; a check box the same in a square. Grey inside while pressed;
 * then the text. */
void BUTTON_PaintCheckable(HWND hwnd, HDC hdc, const RECT &rc, const Button &b) {
  int cx = rc.left + kCheckRadius + 1, cy = (rc.top + rc.bottom) / 2;
  HBRUSH ring = HANDHELD_SysColorBrush(COLOR_WINDOWFRAME);
  HBRUSH inside = HANDHELD_SysColorBrush(b.m_pushed ? COLOR_BTNFACE : COLOR_WINDOW);
  HBRUSH mark = HANDHELD_SysColorBrush(COLOR_WINDOWTEXT);
  if (IsRadio(BUTTON_Type(hwnd))) {
    BUTTON_FillDisc(hdc, cx, cy, kCheckRadius, ring);
    BUTTON_FillDisc(hdc, cx, cy, kCheckRadius - 1, inside);
    if (b.m_check) BUTTON_FillDisc(hdc, cx, cy, kCheckRadius - 3, mark);
  } else {
    auto box = [&](int r) { return RECT{cx - r, cy - r, cx + r, cy + r}; };
    RECT outer = box(kCheckRadius), inner = box(kCheckRadius - 1), dot = box(kCheckRadius - 3);
    FillRect(hdc, &outer, ring);
    FillRect(hdc, &inner, inside);
    if (b.m_check) FillRect(hdc, &dot, mark);
  }
  WCHAR text[256];
  int n = GetWindowTextW(hwnd, text, 256);
  RECT label{cx + kCheckRadius + kTextGap, rc.top, rc.right, rc.bottom};
  DrawTextW(hdc, text, n, &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

/* The brush and colours come from the parent's WM_CTLCOLORBTN; a parent
 * that gives none gets the default ones. */
HBRUSH BUTTON_Brush(HWND hwnd, HDC hdc) {
  HWND parent = GetParent(hwnd);
  HBRUSH brush = (HBRUSH)SendMessageW(parent, WM_CTLCOLORBTN, (WPARAM)hdc, (LPARAM)hwnd);
  if (!brush) brush = (HBRUSH)DefWindowProcW(parent ? parent : hwnd, WM_CTLCOLORBTN, (WPARAM)hdc, (LPARAM)hwnd);
  return brush;
}

/* The face in the parent's brush, then the circle or frame and the text
 * in the parent's text colour, transparently. */
LRESULT BUTTON_Paint(HWND hwnd, Button *b) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  if (hdc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    HBRUSH brush = BUTTON_Brush(hwnd, hdc);
    if (brush) FillRect(hdc, &rc, brush);
    if (!IsWindowEnabled(hwnd)) SetTextColor(hdc, HANDHELD_SysColor(COLOR_GRAYTEXT));
    SetBkMode(hdc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(hdc, b->m_font ? (HGDIOBJ)b->m_font : GetStockObject(SYSTEM_FONT));
    if (IsCheckable(BUTTON_Type(hwnd)))
      BUTTON_PaintCheckable(hwnd, hdc, rc, *b);
    else
      BUTTON_PaintPush(hwnd, hdc, rc, b->m_pushed);
    SelectObject(hdc, oldFont);
  }
  EndPaint(hwnd, &ps);
  return 0;
}

/* BM_GETSTATE: the check, the pressed look and the focus. */
LRESULT BUTTON_GetState(HWND hwnd, const Button *b) {
  return (LRESULT)(b->m_check | (b->m_pushed ? BST_PUSHED : 0) | (GetFocus() == hwnd ? BST_FOCUS : 0));
}

/* WM_GETDLGCODE: what the dialog manager may do with the button's keys. */
LRESULT BUTTON_DlgCode(HWND hwnd) {
  DWORD type = BUTTON_Type(hwnd);
  if (IsRadio(type)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
  return type == BS_DEFPUSHBUTTON ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON;
}

/* WM_NCCREATE: the state, or FALSE (no window) when there is no memory. */
LRESULT BUTTON_Create(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  Button *b = new (std::nothrow) Button;
  if (!b) return FALSE;
  SetWindowLongPtrW(hwnd, 0, (LONG_PTR)b);
  return DefWindowProcW(hwnd, WM_NCCREATE, wParam, lParam);
}

/* WM_CAPTURECHANGED: a button that lost the capture to another window lets
 * go without a click. */
void BUTTON_CaptureLost(HWND hwnd, Button *b, LPARAM lParam) {
  if ((HWND)lParam == hwnd) return;
  b->m_tracking = false;
  BUTTON_SetPushed(hwnd, b, false);
}

}  // namespace

LRESULT CALLBACK BUTTON_WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto *b = (Button *)GetWindowLongPtrW(hwnd, 0);
  if (!b) return msg == WM_NCCREATE ? BUTTON_Create(hwnd, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, 0, 0);
      delete b;
      return 0;
    case WM_PAINT:
      return BUTTON_Paint(hwnd, b);
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      return (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_NOACTIVATE) ? MA_NOACTIVATE : MA_ACTIVATE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      BUTTON_LButtonDown(hwnd, b);
      return 0;
    case WM_MOUSEMOVE:
      if (b->m_tracking) BUTTON_SetPushed(hwnd, b, Inside(hwnd, lParam));
      return 0;
    case WM_LBUTTONUP:
      BUTTON_LButtonUp(hwnd, b, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      BUTTON_CaptureLost(hwnd, b, lParam);
      return 0;
    case WM_KEYDOWN:
      BUTTON_KeyDown(hwnd, b, wParam);
      return 0;
    case WM_KEYUP:
      BUTTON_KeyUp(hwnd, b, wParam);
      return 0;
    case WM_KILLFOCUS:
      BUTTON_KillFocus(hwnd, b);
      return 0;
    case WM_GETDLGCODE:
      return BUTTON_DlgCode(hwnd);
    case BM_GETCHECK:
      return b->m_check;
    case BM_SETCHECK:
      BUTTON_SetCheck(hwnd, b, wParam);
      return 0;
    case BM_GETSTATE:
      return BUTTON_GetState(hwnd, b);
    case BM_SETSTATE:
      BUTTON_SetPushed(hwnd, b, wParam != 0);
      return 0;
    case BM_CLICK:
      BUTTON_Click(hwnd, b);
      return 0;
    case WM_SETFONT:
      b->m_font = (HFONT)wParam;
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return (LRESULT)b->m_font;
    case WM_SETTEXT:
    case WM_ENABLE: {
      LRESULT result = DefWindowProcW(hwnd, msg, wParam, lParam);
      InvalidateRect(hwnd, nullptr, FALSE);
      return result;
    }
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}
