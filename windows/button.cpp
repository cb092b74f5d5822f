/*
 * button.cpp - the handheld's BUTTON, standing in for the desktop's: push
 * buttons and radio buttons drawn over the brush and in the text colour
 * the parent's WM_CTLCOLORBTN gives (the desktop's push buttons ignore
 * them, its radio buttons write their text in an opaque box), that never
 * take the focus from their parent, and that repaint only through
 * WM_PAINT. A tap (down and up inside) reports BN_CLICKED to the parent; an
 * automatic radio button checks itself first and unchecks the others of
 * its group.
 */
#include <new>

#include "layer.h"

namespace handheld {

const WCHAR kButtonClass[] = L"HandheldButton";

namespace {

constexpr int kCheckRadius = 6; /* the radio button's circle */
constexpr int kTextGap = 4;     /* between the circle and the text */

struct Button {
  UINT check = BST_UNCHECKED;
  bool pushed = false;   /* the pressed look */
  bool tracking = false; /* the stylus went down on it */
  HFONT font = nullptr;
};

Button *StateOf(HWND hwnd) { return (Button *)GetWindowLongPtrW(hwnd, 0); }

DWORD TypeOf(HWND hwnd) { return (DWORD)GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK; }

bool IsRadio(DWORD type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }
bool IsCheckBox(DWORD type) { return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX; }
bool IsCheckable(DWORD type) { return IsRadio(type) || IsCheckBox(type); }

/* Whether hwnd is one of the handheld's automatic radio buttons. */
bool IsAutoRadio(HWND hwnd) {
  WCHAR name[32];
  return GetClassNameW(hwnd, name, 32) && lstrcmpW(name, kButtonClass) == 0 && TypeOf(hwnd) == BS_AUTORADIOBUTTON;
}

/* Unchecks the other automatic radio buttons of hwnd's group: the siblings
 * from the nearest WS_GROUP one at or before it up to the next one. */
void UncheckGroup(HWND hwnd) {
  HWND first = hwnd;
  while (!(GetWindowLongW(first, GWL_STYLE) & WS_GROUP)) {
    HWND prev = GetWindow(first, GW_HWNDPREV);
    if (!prev) break;
    first = prev;
  }
  for (HWND w = first; w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w != first && (GetWindowLongW(w, GWL_STYLE) & WS_GROUP)) break;
    if (w != hwnd && IsAutoRadio(w)) SendMessageW(w, BM_SETCHECK, BST_UNCHECKED, 0);
  }
}

/* Shows the button pressed or not; repaints only on a change. */
void SetPushed(HWND hwnd, Button *b, bool pushed) {
  if (b->pushed == pushed) return;
  b->pushed = pushed;
  InvalidateRect(hwnd, nullptr, FALSE);
}

/* What a tap does: an automatic button changes its check, then the parent
 * hears of the click. */
void Click(HWND hwnd, Button *b) {
  switch (TypeOf(hwnd)) {
    case BS_AUTORADIOBUTTON:
      SendMessageW(hwnd, BM_SETCHECK, BST_CHECKED, 0);
      UncheckGroup(hwnd);
      break;
    case BS_AUTOCHECKBOX:
      SendMessageW(hwnd, BM_SETCHECK, b->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
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

/* The stylus up: a tap when it went down on the button and is still on it. */
void LButtonUp(HWND hwnd, Button *b, LPARAM lParam) {
  if (!b->tracking) return;
  b->tracking = false;
  bool clicked = b->pushed && Inside(hwnd, lParam);
  SetPushed(hwnd, b, false);
  if (GetCapture() == hwnd) ReleaseCapture();
  if (clicked) Click(hwnd, b);
}

/* BM_SETCHECK: checked or not; a push button has no check and ignores it. */
void SetCheck(HWND hwnd, Button *b, WPARAM state) {
  if (!IsCheckable(TypeOf(hwnd))) return;
  UINT check = (state & (BST_CHECKED | BST_INDETERMINATE)) ? BST_CHECKED : BST_UNCHECKED;
  if (check == b->check) return;
  b->check = check;
  InvalidateRect(hwnd, nullptr, FALSE);
}

/* A push button: the face in the parent's brush, framed in the text
 * colour; inverted while pressed. */
void PaintPush(HWND hwnd, HDC hdc, const RECT &rc, bool pushed) {
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
 * then the text, over the parent's brush. */
void PaintCheckable(HWND hwnd, HDC hdc, const RECT &rc, const Button &b) {
  int cx = rc.left + kCheckRadius + 1, cy = (rc.top + rc.bottom) / 2;
  COLORREF inside = b.pushed ? kButtonFace : kWindow;
  if (IsRadio(TypeOf(hwnd))) {
    FillDisc(hdc, cx, cy, kCheckRadius, kWindowFrame);
    FillDisc(hdc, cx, cy, kCheckRadius - 1, inside);
    if (b.check) FillDisc(hdc, cx, cy, kCheckRadius - 3, kWindowText);
  } else {
    auto box = [&](int r) { return RECT{cx - r, cy - r, cx + r, cy + r}; };
    FillSolid(hdc, box(kCheckRadius), kWindowFrame);
    FillSolid(hdc, box(kCheckRadius - 1), inside);
    if (b.check) FillSolid(hdc, box(kCheckRadius - 3), kWindowText);
  }
  WCHAR text[256];
  int n = GetWindowTextW(hwnd, text, 256);
  RECT label{cx + kCheckRadius + kTextGap, rc.top, rc.right, rc.bottom};
  DrawTextW(hdc, text, n, &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

/* The colours come from the parent's WM_CTLCOLORBTN; a parent that gives
 * none gets the desktop's default. */
HBRUSH ControlBrush(HWND hwnd, HDC hdc) {
  HWND parent = GetParent(hwnd);
  HBRUSH brush = (HBRUSH)SendMessageW(parent, WM_CTLCOLORBTN, (WPARAM)hdc, (LPARAM)hwnd);
  if (!brush) brush = (HBRUSH)DefWindowProcW(parent, WM_CTLCOLORBTN, (WPARAM)hdc, (LPARAM)hwnd);
  return brush;
}

/* The face in the parent's brush, then the circle or frame and the text
 * in the parent's text colour, transparently. */
LRESULT Paint(HWND hwnd, Button *b) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  if (hdc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    HBRUSH brush = ControlBrush(hwnd, hdc);
    if (brush) FillRect(hdc, &rc, brush);
    if (!IsWindowEnabled(hwnd)) SetTextColor(hdc, kGrayText);
    SetBkMode(hdc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(hdc, b->font ? b->font : SystemFont());
    if (IsCheckable(TypeOf(hwnd)))
      PaintCheckable(hwnd, hdc, rc, *b);
    else
      PaintPush(hwnd, hdc, rc, b->pushed);
    SelectObject(hdc, oldFont);
  }
  EndPaint(hwnd, &ps);
  return 0;
}

/* BM_GETSTATE: the check, the pressed look and the focus. */
LRESULT GetState(HWND hwnd, const Button *b) {
  return (LRESULT)(b->check | (b->pushed ? BST_PUSHED : 0) | (GetFocus() == hwnd ? BST_FOCUS : 0));
}

/* A stylus down presses the button; the focus stays where it was. */
void LButtonDown(HWND hwnd, Button *b) {
  SetCapture(hwnd);
  b->tracking = true;
  SetPushed(hwnd, b, true);
}

/* The button's state lives in the window's extra bytes from WM_NCCREATE
 * to WM_NCDESTROY; without it (out of memory) the window is not made. */
LRESULT CALLBACK ButtonWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Button *b = StateOf(hwnd);
  if (!b && msg != WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE:
      b = new (std::nothrow) Button;
      if (!b) return FALSE;
      SetWindowLongPtrW(hwnd, 0, (LONG_PTR)b);
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, 0, 0);
      delete b;
      return 0;
    case WM_PAINT:
      return Paint(hwnd, b);
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      return (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_NOACTIVATE) ? MA_NOACTIVATE : MA_ACTIVATE;
    case WM_LBUTTONDOWN:
      LButtonDown(hwnd, b);
      return 0;
    case WM_MOUSEMOVE:
      if (b->tracking) SetPushed(hwnd, b, Inside(hwnd, lParam));
      return 0;
    case WM_LBUTTONUP:
      LButtonUp(hwnd, b, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      if ((HWND)lParam != hwnd && b->tracking) {
        b->tracking = false;
        SetPushed(hwnd, b, false);
      }
      return 0;
    case BM_GETCHECK:
      return b->check;
    case BM_SETCHECK:
      SetCheck(hwnd, b, wParam);
      return 0;
    case BM_GETSTATE:
      return GetState(hwnd, b);
    case BM_SETSTATE:
      SetPushed(hwnd, b, wParam != 0);
      return 0;
    case BM_CLICK:
      Click(hwnd, b);
      return 0;
    case WM_SETFONT:
      b->font = (HFONT)wParam;
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return (LRESULT)b->font;
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

}  // namespace

/* FALSE when Windows refuses the class. */
BOOL RegisterButtonClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = ButtonWndProc;
  wc.cbWndExtra = sizeof(Button *);
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kButtonClass;
  return RegisterClassExW(&wc) != 0;
}

}  // namespace handheld
