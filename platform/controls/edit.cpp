/*
 * EDIT: a single-line edit box. The text is the window text; every change
 * of it, WM_SETTEXT included, sends EN_UPDATE and then EN_CHANGE to the
 * parent. ES_READONLY takes no typing, ES_NUMBER only digits. The colours
 * come from WM_CTLCOLOREDIT, or WM_CTLCOLORSTATIC when the box is read-only
 * or disabled; WS_BORDER gives it a border.
 */
#include <algorithm>

#include "controls/controls.h"

namespace plat::controls {
namespace {

constexpr int kMargin = 2;          /* between the edge and the text */
constexpr UINT kDefaultLimit = 30000; /* characters, as the platform's */

struct Edit {
  size_t selStart = 0; /* the anchor */
  size_t selEnd = 0;   /* the caret */
  UINT limit = kDefaultLimit;
  HFONT font = nullptr;
};

DWORD StyleOf(HWND hwnd) { return (DWORD)GetWindowLongW(hwnd, GWL_STYLE); }

size_t SelLow(const Edit *e) { return std::min(e->selStart, e->selEnd); }
size_t SelHigh(const Edit *e) { return std::max(e->selStart, e->selEnd); }

/* Stores new text and tells the parent: EN_UPDATE before the box shows
 * it, EN_CHANGE after. */
void EDIT_Store(HWND hwnd, const std::u16string &text) {
  DefWindowProcW(hwnd, WM_SETTEXT, 0, (LPARAM)text.c_str());
  InvalidateRect(hwnd, nullptr, TRUE);
  NotifyParent(hwnd, EN_UPDATE);
  NotifyParent(hwnd, EN_CHANGE);
}

LRESULT EDIT_SetText(HWND hwnd, Edit *e, LPCWSTR text) {
  std::u16string s = text ? text : u"";
  if (s.size() > e->limit) s.resize(e->limit);
  e->selStart = e->selEnd = 0;
  EDIT_Store(hwnd, s);
  return TRUE;
}

/* Puts s in place of the selection and the caret after it. */
void EDIT_ReplaceSel(HWND hwnd, Edit *e, const std::u16string &s) {
  std::u16string text = TextOf(hwnd);
  size_t lo = std::min(SelLow(e), text.size()), hi = std::min(SelHigh(e), text.size());
  size_t room = e->limit - std::min<size_t>(e->limit, text.size() - (hi - lo));
  std::u16string put = s.substr(0, room);
  if (put.size() < s.size()) NotifyParent(hwnd, EN_MAXTEXT);
  text.replace(lo, hi - lo, put);
  e->selStart = e->selEnd = lo + put.size();
  EDIT_Store(hwnd, text);
}

/* Typing: a character replaces the selection, backspace removes it or the
 * character before the caret. Refused in a read-only box, and every
 * character but a digit in an ES_NUMBER box. */
void EDIT_Char(HWND hwnd, Edit *e, WCHAR ch) {
  DWORD style = StyleOf(hwnd);
  if (style & ES_READONLY) return;
  if (ch == 8) {
    if (SelLow(e) == SelHigh(e)) {
      if (SelLow(e) == 0) return;
      e->selStart = SelLow(e) - 1;
    }
    EDIT_ReplaceSel(hwnd, e, u"");
    return;
  }
  if (ch < 0x20) return;
  if ((style & ES_NUMBER) && (ch < u'0' || ch > u'9')) {
    MessageBeep(MB_OK);
    return;
  }
  EDIT_ReplaceSel(hwnd, e, std::u16string(1, ch));
}

/* The caret keys and Delete. */
void EDIT_KeyDown(HWND hwnd, Edit *e, WPARAM vk) {
  size_t len = (size_t)GetWindowTextLengthW(hwnd);
  size_t caret = std::min(e->selEnd, len);
  switch (vk) {
    case VK_LEFT:
      caret = SelLow(e) != SelHigh(e) ? SelLow(e) : (caret ? caret - 1 : 0);
      break;
    case VK_RIGHT:
      caret = SelLow(e) != SelHigh(e) ? SelHigh(e) : std::min(caret + 1, len);
      break;
    case VK_HOME:
      caret = 0;
      break;
    case VK_END:
      caret = len;
      break;
    case VK_DELETE:
      if (StyleOf(hwnd) & ES_READONLY) return;
      if (SelLow(e) == SelHigh(e)) {
        if (caret == len) return;
        e->selEnd = caret + 1;
      }
      EDIT_ReplaceSel(hwnd, e, u"");
      return;
    default:
      return;
  }
  e->selStart = e->selEnd = caret;
  InvalidateRect(hwnd, nullptr, TRUE);
}

/* EM_SETSEL: -1 as the start removes the selection; an end of -1 (or past
 * the text) is the end of the text. */
void EDIT_SetSel(HWND hwnd, Edit *e, WPARAM start, LPARAM end) {
  size_t len = (size_t)GetWindowTextLengthW(hwnd);
  if ((INT_PTR)start == -1) {
    e->selStart = e->selEnd;
  } else {
    e->selStart = std::min((size_t)start, len);
    e->selEnd = end < 0 ? len : std::min((size_t)end, len);
  }
  InvalidateRect(hwnd, nullptr, TRUE);
}

LRESULT EDIT_GetSel(const Edit *e, WPARAM pStart, LPARAM pEnd) {
  if (pStart) *(DWORD *)pStart = (DWORD)SelLow(e);
  if (pEnd) *(DWORD *)pEnd = (DWORD)SelHigh(e);
  return MAKELRESULT(std::min<size_t>(SelLow(e), 0xFFFF), std::min<size_t>(SelHigh(e), 0xFFFF));
}

/* A tap takes the focus (which SetFocus refuses to a box made with
 * WS_EX_NOACTIVATE) and puts the caret at the nearest character. */
void EDIT_LButtonDown(HWND hwnd, Edit *e, LPARAM lParam) {
  SetFocus(hwnd);
  std::u16string text = TextOf(hwnd);
  HDC hdc = GetDC(hwnd);
  HGDIOBJ old = SelectControlFont(hdc, e->font);
  int fit = 0;
  SIZE size;
  int x = std::max(0, (SHORT)LOWORD(lParam) - kMargin);
  GetTextExtentExPointW(hdc, text.c_str(), (int)text.size(), x, &fit, nullptr, &size);
  SelectObject(hdc, old);
  ReleaseDC(hwnd, hdc);
  e->selStart = e->selEnd = (size_t)fit;
  InvalidateRect(hwnd, nullptr, TRUE);
}

/* The text at the top left and, while the box has the focus and takes
 * typing, the caret as a line after the character before it. */
LRESULT EDIT_Paint(HWND hwnd, Edit *e) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  if (hdc) {
    DWORD style = StyleOf(hwnd);
    bool enabled = IsWindowEnabled(hwnd);
    bool asStatic = (style & ES_READONLY) || !enabled;
    HBRUSH brush = ControlBrush(hwnd, asStatic ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT, hdc);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(hdc, &rc, brush);
    if (!enabled) SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
    SetBkMode(hdc, TRANSPARENT);
    HGDIOBJ old = SelectControlFont(hdc, e->font);
    std::u16string text = TextOf(hwnd);
    RECT area{rc.left + kMargin, rc.top + 1, rc.right - kMargin, rc.bottom};
    UINT align = (style & ES_RIGHT) ? DT_RIGHT : (style & ES_CENTER) ? DT_CENTER : DT_LEFT;
    DrawTextW(hdc, text.c_str(), (int)text.size(), &area, align | DT_SINGLELINE | DT_NOPREFIX);
    if (GetFocus() == hwnd && !(style & ES_READONLY) && align == DT_LEFT) {
      SIZE before{0, 0};
      TEXTMETRICW tm{};
      GetTextExtentPoint32W(hdc, text.c_str(), (int)std::min(e->selEnd, text.size()), &before);
      GetTextMetricsW(hdc, &tm);
      RECT caret{area.left + before.cx, area.top, area.left + before.cx + 1, area.top + tm.tmHeight};
      FillRect(hdc, &caret, GetSysColorBrush(COLOR_WINDOWTEXT));
    }
    SelectObject(hdc, old);
  }
  EndPaint(hwnd, &ps);
  return 0;
}

LRESULT EDIT_SetReadOnly(HWND hwnd, WPARAM readOnly) {
  DWORD style = StyleOf(hwnd);
  SetWindowLongW(hwnd, GWL_STYLE, (LONG)(readOnly ? style | ES_READONLY : style & ~ES_READONLY));
  InvalidateRect(hwnd, nullptr, TRUE);
  return TRUE;
}

}  // namespace

LRESULT CALLBACK EditWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Edit *e = StateOf<Edit>(hwnd);
  if (!e && msg != WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE:
      AttachState<Edit>(hwnd);
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_NCDESTROY:
      FreeState<Edit>(hwnd);
      return 0;
    case WM_PAINT:
      return EDIT_Paint(hwnd, e);
    case WM_ERASEBKGND:
      return 1;
    case WM_SETTEXT:
      return EDIT_SetText(hwnd, e, (LPCWSTR)lParam);
    case WM_CHAR:
      EDIT_Char(hwnd, e, (WCHAR)wParam);
      return 0;
    case WM_KEYDOWN:
      EDIT_KeyDown(hwnd, e, wParam);
      return 0;
    case WM_LBUTTONDOWN:
      EDIT_LButtonDown(hwnd, e, lParam);
      return 0;
    case WM_SETFOCUS:
      InvalidateRect(hwnd, nullptr, TRUE);
      NotifyParent(hwnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      InvalidateRect(hwnd, nullptr, TRUE);
      NotifyParent(hwnd, EN_KILLFOCUS);
      return 0;
    case EM_SETSEL:
      EDIT_SetSel(hwnd, e, wParam, lParam);
      return 0;
    case EM_GETSEL:
      return EDIT_GetSel(e, wParam, lParam);
    case EM_REPLACESEL:
      EDIT_ReplaceSel(hwnd, e, lParam ? (LPCWSTR)lParam : u"");
      return 0;
    case EM_LIMITTEXT:
      e->limit = wParam ? (UINT)std::min<WPARAM>(wParam, 0x7FFFFFFE) : 0x7FFFFFFE;
      return 0;
    case EM_GETLIMITTEXT:
      return e->limit;
    case EM_SETREADONLY:
      return EDIT_SetReadOnly(hwnd, wParam);
    case WM_SETFONT:
      e->font = (HFONT)wParam;
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return (LRESULT)e->font;
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace plat::controls
