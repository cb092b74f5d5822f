/*
 * BUTTON: push buttons and radio buttons. A tap (stylus down and up inside)
 * reports BN_CLICKED to the parent; an automatic radio button checks itself
 * first and unchecks the others of its group. Space does the same from the
 * keyboard: pressed while the key is down, clicked when it comes up. The
 * colours come from the parent's WM_CTLCOLORBTN.
 */
#include <algorithm>

#include "controls/controls.h"
#include "user/user.h"

namespace plat::controls {
namespace {

constexpr int kCheckRadius = 6; /* the radio button's circle */
constexpr int kTextGap = 4;     /* between the circle and the text */

struct Button {
  UINT check = BST_UNCHECKED;
  bool pushed = false;   /* the pressed look */
  bool tracking = false; /* the stylus went down on it */
  bool spaceDown = false; /* Space went down on it */
  HFONT font = nullptr;
};

DWORD TypeOf(HWND hwnd) { return (DWORD)GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK; }

bool IsRadio(DWORD type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }
bool IsCheckBox(DWORD type) { return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX; }
bool IsCheckable(DWORD type) { return IsRadio(type) || IsCheckBox(type); }

/* The siblings of hwnd's group: from the nearest WS_GROUP sibling at or
 * before it up to the next one. */
std::vector<HWND> GroupOf(HWND hwnd) {
  user::Window *parent = user::FromHandle(GetParent(hwnd));
  if (!parent) return {hwnd};
  const std::vector<HWND> &kids = parent->children;
  auto found = std::find(kids.begin(), kids.end(), hwnd);
  if (found == kids.end()) return {hwnd};
  size_t first = (size_t)(found - kids.begin());
  while (first > 0 && !(GetWindowLongW(kids[first], GWL_STYLE) & WS_GROUP)) --first;
  std::vector<HWND> group{kids[first]};
  for (size_t i = first + 1; i < kids.size(); ++i) {
    if (GetWindowLongW(kids[i], GWL_STYLE) & WS_GROUP) break;
    group.push_back(kids[i]);
  }
  return group;
}

void UncheckGroup(HWND hwnd) {
  for (HWND other : GroupOf(hwnd)) {
    if (other != hwnd && user::FromHandle(other)->cls->name == u"BUTTON" &&
        TypeOf(other) == BS_AUTORADIOBUTTON)
      SendMessageW(other, BM_SETCHECK, BST_UNCHECKED, 0);
  }
}

void BUTTON_SetPushed(HWND hwnd, Button *b, bool pushed) {
  if (b->pushed == pushed) return;
  b->pushed = pushed;
  InvalidateRect(hwnd, nullptr, FALSE);
}

/* What a tap does: an automatic button changes its check, then the parent
 * hears of the click. */
void BUTTON_Click(HWND hwnd) {
  Button *b = StateOf<Button>(hwnd);
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
  NotifyParent(hwnd, BN_CLICKED);
}

/* A tap presses the button and takes the focus; SetFocus refuses it to a
 * button made with WS_EX_NOACTIVATE, which leaves the focus (and so the
 * keyboard and its accelerators) where it was. */
void BUTTON_LButtonDown(HWND hwnd, Button *b) {
  SetFocus(hwnd);
  SetCapture(hwnd);
  b->tracking = true;
  BUTTON_SetPushed(hwnd, b, true);
}

bool Inside(HWND hwnd, LPARAM lParam) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  POINT pt{(SHORT)LOWORD(lParam), (SHORT)HIWORD(lParam)};
  return PtInRect(&rc, pt) != FALSE;
}

void BUTTON_LButtonUp(HWND hwnd, Button *b, LPARAM lParam) {
  if (!b->tracking) return;
  b->tracking = false;
  bool clicked = b->pushed && Inside(hwnd, lParam);
  BUTTON_SetPushed(hwnd, b, false);
  if (GetCapture() == hwnd) ReleaseCapture();
  if (clicked) BUTTON_Click(hwnd);
}

void BUTTON_KeyDown(HWND hwnd, Button *b, WPARAM vk) {
  if (vk != VK_SPACE || b->tracking) return;
  b->spaceDown = true;
  BUTTON_SetPushed(hwnd, b, true);
}

void BUTTON_KeyUp(HWND hwnd, Button *b, WPARAM vk) {
  if (vk != VK_SPACE || !b->spaceDown) return;
  b->spaceDown = false;
  bool clicked = b->pushed;
  BUTTON_SetPushed(hwnd, b, false);
  if (clicked) BUTTON_Click(hwnd);
}

/* Losing the focus with Space held lets the button go without a click. */
void BUTTON_KillFocus(HWND hwnd, Button *b) {
  if (!b->spaceDown) return;
  b->spaceDown = false;
  BUTTON_SetPushed(hwnd, b, false);
}

void BUTTON_SetCheck(HWND hwnd, Button *b, WPARAM state) {
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
  std::u16string text = TextOf(hwnd);
  RECT inner{rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1};
  DrawTextW(hdc, text.c_str(), (int)text.size(), &inner, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (pushed) PatBlt(hdc, inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top, DSTINVERT);
}

/* A radio button: a white circle with a black ring and, when checked, a
 * black dot; a check box the same in a square. Grey inside while pressed;
 * then the text. */
void PaintCheckable(HWND hwnd, HDC hdc, const RECT &rc, const Button &b) {
  int cx = rc.left + kCheckRadius + 1, cy = (rc.top + rc.bottom) / 2;
  HBRUSH ring = GetSysColorBrush(COLOR_WINDOWFRAME);
  HBRUSH inside = GetSysColorBrush(b.pushed ? COLOR_BTNFACE : COLOR_WINDOW);
  HBRUSH mark = GetSysColorBrush(COLOR_WINDOWTEXT);
  if (IsRadio(TypeOf(hwnd))) {
    FillDisc(hdc, cx, cy, kCheckRadius, ring);
    FillDisc(hdc, cx, cy, kCheckRadius - 1, inside);
    if (b.check) FillDisc(hdc, cx, cy, kCheckRadius - 3, mark);
  } else {
    auto box = [&](int r) { return RECT{cx - r, cy - r, cx + r, cy + r}; };
    RECT outer = box(kCheckRadius), inner = box(kCheckRadius - 1), dot = box(kCheckRadius - 3);
    FillRect(hdc, &outer, ring);
    FillRect(hdc, &inner, inside);
    if (b.check) FillRect(hdc, &dot, mark);
  }
  std::u16string text = TextOf(hwnd);
  RECT label{cx + kCheckRadius + kTextGap, rc.top, rc.right, rc.bottom};
  DrawTextW(hdc, text.c_str(), (int)text.size(), &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

LRESULT BUTTON_Paint(HWND hwnd, Button *b) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  if (hdc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    HBRUSH brush = ControlBrush(hwnd, WM_CTLCOLORBTN, hdc);
    FillRect(hdc, &rc, brush);
    if (!IsWindowEnabled(hwnd)) SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
    SetBkMode(hdc, TRANSPARENT);
    HGDIOBJ oldFont = SelectControlFont(hdc, b->font);
    if (IsCheckable(TypeOf(hwnd)))
      PaintCheckable(hwnd, hdc, rc, *b);
    else
      PaintPush(hwnd, hdc, rc, b->pushed);
    SelectObject(hdc, oldFont);
  }
  EndPaint(hwnd, &ps);
  return 0;
}

LRESULT BUTTON_GetState(HWND hwnd, const Button *b) {
  return (LRESULT)(b->check | (b->pushed ? BST_PUSHED : 0) | (GetFocus() == hwnd ? BST_FOCUS : 0));
}

}  // namespace

LRESULT CALLBACK ButtonWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Button *b = StateOf<Button>(hwnd);
  if (!b && msg != WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE:
      AttachState<Button>(hwnd);
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_NCDESTROY:
      FreeState<Button>(hwnd);
      return 0;
    case WM_PAINT:
      return BUTTON_Paint(hwnd, b);
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      BUTTON_LButtonDown(hwnd, b);
      return 0;
    case WM_MOUSEMOVE:
      if (b->tracking) BUTTON_SetPushed(hwnd, b, Inside(hwnd, lParam));
      return 0;
    case WM_LBUTTONUP:
      BUTTON_LButtonUp(hwnd, b, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      if ((HWND)lParam != hwnd) {
        b->tracking = false;
        BUTTON_SetPushed(hwnd, b, false);
      }
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
    case BM_GETCHECK:
      return b->check;
    case BM_SETCHECK:
      BUTTON_SetCheck(hwnd, b, wParam);
      return 0;
    case BM_GETSTATE:
      return BUTTON_GetState(hwnd, b);
    case BM_SETSTATE:
      BUTTON_SetPushed(hwnd, b, wParam != 0);
      return 0;
    case BM_CLICK:
      BUTTON_Click(hwnd);
      return 0;
    case WM_SETFONT:
      b->font = (HFONT)wParam;
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return (LRESULT)b->font;
    case WM_GETDLGCODE:
      if (IsRadio(TypeOf(hwnd))) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      return TypeOf(hwnd) == BS_DEFPUSHBUTTON ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON;
    case WM_SETTEXT:
    case WM_ENABLE:
      return DefWindowProcAndRepaint(hwnd, msg, wParam, lParam);
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace plat::controls
