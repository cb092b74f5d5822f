/*
 * Dialogs: windows of the dialog class built from a dialog template, the
 * default dialog procedure, the modal loop, the dialog-item helpers, and
 * the registration of the system classes.
 *
 * The dialog manager is part of the window manager, as the desktop's is: it
 * keeps its state in the window words the class reserves past what the
 * application may use, tells controls apart by their class record, and
 * registers the classes every process has; so it uses the window manager's
 * inside (user/user.h), where the other controls use the public API only.
 *
 * A template's coordinates are dialog units: a quarter of the font's
 * average character width across, an eighth of its height down. The
 * dialog's procedure sees every message first (DefDlgProcW calls it); when
 * it returns FALSE the default handling follows.
 */
#include <handheld.h>

#include <algorithm>

#include "controls/controls.h"
#include "res/module.h"
#include "res/templates.h"
#include "user/user.h"

namespace plat::controls {

/* The handheld toolkit's classes are system classes here, as on the
 * handheld: BUTTON, the menu bar and the caption's "ok". */
void Install() {
  struct Entry {
    LPCWSTR name;
    WNDPROC proc;
    UINT style;
    int extra;
  };
  const Entry classes[] = {
      {u"BUTTON", BUTTON_WndProc, CS_DBLCLKS | CS_PARENTDC, HANDHELD_STATE_BYTES},
      {u"EDIT", EditWndProc, CS_DBLCLKS | CS_PARENTDC, kStateBytes},
      {u"STATIC", StaticWndProc, CS_PARENTDC, kStateBytes},
      {u"msctls_updown32", UpDownWndProc, CS_HREDRAW | CS_VREDRAW, kStateBytes},
      {kDialogClass, DialogWndProc, 0, DWLP_USER + (int)sizeof(LONG_PTR) + kStateBytes},
      {HANDHELD_MENUBAR_CLASS, MENUBAR_WndProc, 0, HANDHELD_STATE_BYTES},
      {HANDHELD_CAPTIONOK_CLASS, CAPTIONOK_WndProc, 0, 0},
  };
  for (const Entry &e : classes) {
    WNDCLASSW wc{};
    wc.style = e.style | CS_GLOBALCLASS;
    wc.lpfnWndProc = e.proc;
    wc.cbWndExtra = e.extra;
    wc.lpszClassName = e.name;
    user::RegisterSystemClass(wc); /* 0 when it is there already */
  }
}

namespace {

/* Where the dialog's own state lies in its window words, after the words
 * the application may use. */
constexpr int kInfoOffset = DWLP_USER + (int)sizeof(LONG_PTR);

/* A template that lies in no resource is read without a known end, as the
 * platform does. */
constexpr size_t kUnboundedTemplate = (size_t)1 << 30;

struct DlgInfo {
  HFONT font = nullptr;    /* WM_SETFONT's */
  HFONT ownFont = nullptr; /* made from the template, freed with the dialog */
  SIZE units{4, 8};        /* pixels per 4 units across, 8 down */
  HWND focus = nullptr;    /* the control to focus on activation */
  WORD defId = IDOK;
  bool modal = false;
  bool ended = false;
  INT_PTR result = 0;
};

DlgInfo *InfoOf(HWND hDlg) {
  user::Window *w = user::FromHandle(hDlg);
  if (!w || w->extra.size() < (size_t)kInfoOffset + sizeof(void *)) return nullptr;
  return (DlgInfo *)GetWindowLongPtrW(hDlg, kInfoOffset);
}

int MulDivRound(int value, int mul, int div) {
  long long n = (long long)value * mul;
  return (int)((n >= 0 ? n + div / 2 : n - div / 2) / div);
}

RECT UnitsToPixels(const SIZE &units, int x, int y, int cx, int cy) {
  int left = MulDivRound(x, units.cx, 4), top = MulDivRound(y, units.cy, 8);
  return RECT{left, top, left + MulDivRound(cx, units.cx, 4), top + MulDivRound(cy, units.cy, 8)};
}

/* The first visible, enabled child with WS_TABSTOP, or nullptr. */
HWND FirstTabStop(HWND hDlg) {
  user::Window *w = user::FromHandle(hDlg);
  for (HWND kid : w->children) {
    DWORD style = (DWORD)GetWindowLongW(kid, GWL_STYLE);
    if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED)) return kid;
  }
  return nullptr;
}

/* The font a DS_SETFONT template names: its point size at the screen's
 * 96 dots per inch, in the system font's other respects. */
HFONT TemplateFont(const res::DialogTemplate &t) {
  LOGFONTW lf;
  GetObjectW(GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
  lf.lfHeight = -MulDivRound(t.pointSize, 96, 72);
  size_t n = std::min<size_t>(t.fontName.size(), LF_FACESIZE - 1);
  std::copy_n(t.fontName.begin(), n, lf.lfFaceName);
  lf.lfFaceName[n] = 0;
  return CreateFontIndirectW(&lf);
}

/* The text a template item is created with: its string, or for a resource
 * given by number 0xFFFF and the number. */
std::u16string ItemTitle(const res::ResId &title) {
  if (!title.isOrdinal) return title.name;
  if (title.ordinal == 0) return u"";
  return std::u16string{(char16_t)0xFFFF, (char16_t)title.ordinal};
}

/* Creates the template's controls; false when one fails and the template
 * does not have DS_NOFAILCREATE. */
bool CreateItems(HWND hDlg, DlgInfo *info, const res::DialogTemplate &t, HINSTANCE hInst) {
  for (const res::DialogItem &item : t.items) {
    RECT rc = UnitsToPixels(info->units, item.x, item.y, item.cx, item.cy);
    std::u16string title = ItemTitle(item.title);
    LPVOID data = item.creationData.empty() ? nullptr : (LPVOID)item.creationData.data();
    HWND ctl = CreateWindowExW(item.exStyle | WS_EX_NOPARENTNOTIFY, item.className.c_str(),
                               title.c_str(), item.style | WS_CHILD, rc.left, rc.top,
                               rc.right - rc.left, rc.bottom - rc.top, hDlg,
                               (HMENU)(UINT_PTR)item.id, hInst, data);
    if (!ctl) {
      if (t.style & DS_NOFAILCREATE) continue;
      return false;
    }
    SendMessageW(ctl, WM_SETFONT, (WPARAM)info->font, FALSE);
    if (user::FromHandle(ctl)->cls->name == u"BUTTON" &&
        (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
      info->defId = item.id;
  }
  return true;
}

/* Builds a dialog from a template: the window at the template's place
 * (from the owner's client area), its font, its controls and
 * WM_INITDIALOG. NULL when the template is damaged or a control cannot be
 * made. */
HWND CreateFromTemplate(HINSTANCE hInst, LPCDLGTEMPLATEW tmpl, HWND owner, DLGPROC proc,
                        LPARAM param, bool modal) {
  if (!tmpl) return nullptr;
  size_t cb = res::BytesAfter(tmpl);
  auto t = res::ParseDialogTemplate((const BYTE *)tmpl, cb ? cb : kUnboundedTemplate);
  if (!t) return nullptr;
  HFONT font = t->hasFont ? TemplateFont(*t) : nullptr;
  SIZE units = BaseUnitsOf(font);
  RECT rc = UnitsToPixels(units, t->x, t->y, t->cx, t->cy);
  if (t->style & WS_BORDER) rc.right += 2, rc.bottom += 2;
  POINT origin{0, kNavBarHeight};
  if (t->style & DS_CENTER) {
    origin.x = (kScreenWidth - (rc.right - rc.left)) / 2 - rc.left;
    origin.y = kNavBarHeight + (kScreenHeight - kNavBarHeight - (rc.bottom - rc.top)) / 2 - rc.top;
  } else if (owner && !(t->style & DS_ABSALIGN)) {
    origin = POINT{0, 0};
    ClientToScreen(owner, &origin);
  }
  OffsetRect(&rc, origin.x, origin.y);
  HWND hDlg = CreateDialogWindow(t->style, t->exStyle, t->caption.c_str(), rc, owner, hInst, proc, font);
  DlgInfo *info = hDlg ? InfoOf(hDlg) : nullptr;
  if (!info) {
    if (hDlg) DestroyWindow(hDlg);
    if (font) DeleteObject(font);
    return nullptr;
  }
  info->ownFont = font;
  info->modal = modal;
  if (t->hasFont) SendMessageW(hDlg, WM_SETFONT, (WPARAM)font, FALSE);
  if (!CreateItems(hDlg, info, *t, hInst)) {
    DestroyWindow(hDlg);
    return nullptr;
  }
  HWND first = FirstTabStop(hDlg);
  BOOL focus = (BOOL)SendMessageW(hDlg, WM_INITDIALOG, (WPARAM)first, param);
  if (!(info = InfoOf(hDlg))) return nullptr;
  if (focus) info->focus = first;
  if (GetWindowLongW(hDlg, GWL_EXSTYLE) & WS_EX_CAPTIONOKBTN) CAPTIONOK_Add(hDlg);
  if ((t->style & WS_VISIBLE) && !modal && !info->ended) ShowWindow(hDlg, SW_SHOWNORMAL);
  return hDlg;
}

/* On activation the focus goes to the control WM_INITDIALOG chose, else
 * the first tab stop, else the dialog itself. */
void DIALOG_Activate(HWND hDlg, DlgInfo *info) {
  HWND focus = info->focus;
  if (!focus || !IsChild(hDlg, focus) || !IsWindowVisible(focus) || !IsWindowEnabled(focus))
    focus = FirstTabStop(hDlg);
  SetFocus(focus ? focus : hDlg);
}

LRESULT DIALOG_EraseBackground(HWND hDlg, HDC hdc) {
  HBRUSH brush = (HBRUSH)SendMessageW(hDlg, WM_CTLCOLORDLG, (WPARAM)hdc, (LPARAM)hDlg);
  if (!brush) brush = (HBRUSH)DefWindowProcW(hDlg, WM_CTLCOLORDLG, (WPARAM)hdc, (LPARAM)hDlg);
  RECT rc;
  GetClientRect(hDlg, &rc);
  if (brush && hdc) FillRect(hdc, &rc, brush);
  return 1;
}

void DIALOG_Free(HWND hDlg, DlgInfo *info) {
  SetWindowLongPtrW(hDlg, kInfoOffset, 0);
  if (info->ownFont) DeleteObject(info->ownFont);
  delete info;
}

/* What a dialog does with a message its procedure left. */
LRESULT DefaultDialogMessage(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  DlgInfo *info = InfoOf(hDlg);
  if (msg == WM_NCCREATE) {
    if (!info && user::FromHandle(hDlg)->extra.size() >= (size_t)kInfoOffset + sizeof(void *))
      SetWindowLongPtrW(hDlg, kInfoOffset, (LONG_PTR) new DlgInfo());
    return DefWindowProcW(hDlg, msg, wParam, lParam);
  }
  if (!info) return DefWindowProcW(hDlg, msg, wParam, lParam);
  switch (msg) {
    case WM_NCDESTROY:
      DIALOG_Free(hDlg, info);
      return 0;
    case WM_ERASEBKGND:
      return DIALOG_EraseBackground(hDlg, (HDC)wParam);
    case WM_SETFONT:
      info->font = (HFONT)wParam;
      if (lParam) InvalidateRect(hDlg, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return (LRESULT)info->font;
    case WM_CLOSE:
      PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   (LPARAM)GetDlgItem(hDlg, IDCANCEL));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) DIALOG_Activate(hDlg, info);
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(info->defId, DC_HASDEFID);
    case DM_SETDEFID:
      info->defId = (WORD)wParam;
      return TRUE;
    default:
      return DefWindowProcW(hDlg, msg, wParam, lParam);
  }
}

/* The messages whose result is the dialog procedure's return value itself
 * rather than DWLP_MSGRESULT. */
bool ReturnsDirectly(UINT msg) {
  switch (msg) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return true;
    default:
      return false;
  }
}

}  // namespace

LRESULT CALLBACK DialogWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefDlgProcW(hwnd, msg, wParam, lParam);
}

HWND CreateDialogWindow(DWORD style, DWORD exStyle, LPCWSTR caption, const RECT &rc, HWND owner,
                        HINSTANCE hInst, DLGPROC proc, HFONT font) {
  HWND hDlg = CreateWindowExW(exStyle, kDialogClass, caption, style & ~WS_VISIBLE, rc.left, rc.top,
                              rc.right - rc.left, rc.bottom - rc.top, owner, nullptr, hInst, nullptr);
  DlgInfo *info = hDlg ? InfoOf(hDlg) : nullptr;
  if (!info) return hDlg;
  SetWindowLongPtrW(hDlg, DWLP_DLGPROC, (LONG_PTR)proc);
  info->font = font;
  info->units = BaseUnitsOf(font);
  return hDlg;
}

void FocusOnActivation(HWND hDlg, HWND control) {
  if (DlgInfo *info = InfoOf(hDlg)) info->focus = control;
}

INT_PTR RunModalLoop(HWND hDlg, HWND owner) {
  DlgInfo *info = InfoOf(hDlg);
  if (!info) return -1;
  info->modal = true;
  bool disabled = owner && IsWindowEnabled(owner);
  if (disabled) EnableWindow(owner, FALSE);
  if (!info->ended) {
    ShowWindow(hDlg, SW_SHOW);
    UpdateWindow(hDlg);
  }
  MSG msg;
  while ((info = InfoOf(hDlg)) && !info->ended) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage((int)msg.wParam);
      break;
    }
    if (got == -1) break;
    if (!IsDialogMessageW(hDlg, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  info = InfoOf(hDlg);
  INT_PTR result = info && info->ended ? info->result : -1;
  if (disabled) EnableWindow(owner, TRUE);
  if (info) {
    DestroyWindow(hDlg);
  }
  return result;
}

}  // namespace plat::controls

using namespace plat::controls;
using plat::user::TopLevelOf;

/* Runs a dialog from a template modally, owned by hWndParent's top-level
 * window, which is disabled meanwhile. Returns EndDialog's result, or -1
 * when the template is damaged or a control cannot be made. */
INT_PTR DialogBoxIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW hDialogTemplate,
                                HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  HWND owner = hWndParent ? TopLevelOf(hWndParent) : nullptr;
  HWND hDlg = CreateFromTemplate(hInstance, hDialogTemplate, owner, lpDialogFunc, dwInitParam, true);
  if (!hDlg) return -1;
  return RunModalLoop(hDlg, owner);
}

/* Makes a modeless dialog, shown when the template has WS_VISIBLE. NULL on
 * the failures of DialogBoxIndirectParamW. */
HWND CreateDialogIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW lpTemplate, HWND hWndParent,
                                DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  HWND owner = hWndParent ? TopLevelOf(hWndParent) : nullptr;
  return CreateFromTemplate(hInstance, lpTemplate, owner, lpDialogFunc, dwInitParam, false);
}

/* Ends a dialog with a result: a modal one when its loop next looks (a
 * message wakes it, should it be waiting), a modeless one is hidden (its
 * owner destroys it). FALSE for no dialog. */
BOOL EndDialog(HWND hDlg, INT_PTR nResult) {
  DlgInfo *info = InfoOf(hDlg);
  if (!info) return FALSE;
  info->ended = true;
  info->result = nResult;
  if (info->modal)
    PostMessageW(hDlg, WM_NULL, 0, 0);
  else
    ShowWindow(hDlg, SW_HIDE);
  return TRUE;
}

/* Gives the message to the dialog procedure, then does the default when the
 * procedure returned FALSE. */
LRESULT DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(hDlg)) return 0;
  DLGPROC proc = (DLGPROC)GetWindowLongPtrW(hDlg, DWLP_DLGPROC);
  if (InfoOf(hDlg)) SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, 0);
  INT_PTR handled = proc ? proc(hDlg, Msg, wParam, lParam) : FALSE;
  if (!IsWindow(hDlg)) return 0;
  if (handled) return ReturnsDirectly(Msg) ? (LRESULT)handled : GetWindowLongPtrW(hDlg, DWLP_MSGRESULT);
  return DefaultDialogMessage(hDlg, Msg, wParam, lParam);
}

/* Handles the keys of a dialog and dispatches the other messages of its
 * windows: Esc is WM_COMMAND IDCANCEL, Enter the default button's command
 * (IDOK when there is none), unless the control with the focus wants the
 * key. FALSE for a message that is not the dialog's. */
BOOL IsDialogMessageW(HWND hDlg, LPMSG lpMsg) {
  if (!lpMsg || !IsWindow(hDlg) || (lpMsg->hwnd != hDlg && !IsChild(hDlg, lpMsg->hwnd)))
    return FALSE;
  if (lpMsg->message == WM_KEYDOWN &&
      (lpMsg->wParam == VK_ESCAPE || lpMsg->wParam == VK_RETURN) &&
      !(SendMessageW(lpMsg->hwnd, WM_GETDLGCODE, lpMsg->wParam, (LPARAM)lpMsg) & DLGC_WANTALLKEYS)) {
    WORD id = IDCANCEL;
    if (lpMsg->wParam == VK_RETURN) {
      DWORD def = (DWORD)SendMessageW(hDlg, DM_GETDEFID, 0, 0);
      id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
    }
    HWND button = GetDlgItem(hDlg, id);
    if (button && !IsWindowEnabled(button)) {
      MessageBeep(MB_OK);
      return TRUE;
    }
    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
    return TRUE;
  }
  TranslateMessage(lpMsg);
  DispatchMessageW(lpMsg);
  return TRUE;
}

BOOL SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString) {
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  return item ? SetWindowTextW(item, lpString) : FALSE;
}

UINT GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax) {
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  if (!item) {
    if (lpString && cchMax > 0) lpString[0] = 0;
    return 0;
  }
  return (UINT)GetWindowTextW(item, lpString, cchMax);
}

LRESULT SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  return item ? SendMessageW(item, Msg, wParam, lParam) : 0;
}

BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
  HWND item = GetDlgItem(hDlg, nIDButton);
  if (!item) return FALSE;
  SendMessageW(item, BM_SETCHECK, uCheck, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND hDlg, int nIDButton) {
  return (UINT)SendDlgItemMessageW(hDlg, nIDButton, BM_GETCHECK, 0, 0);
}

/* The dialog units of the system font: width in the low word, height in
 * the high word. */
LONG GetDialogBaseUnits(void) {
  SIZE units = BaseUnitsOf(nullptr);
  return MAKELONG(units.cx, units.cy);
}

/* Converts a rectangle from the dialog's units to pixels. FALSE for no
 * dialog. */
BOOL MapDialogRect(HWND hDlg, LPRECT lpRect) {
  DlgInfo *info = InfoOf(hDlg);
  if (!info || !lpRect) return FALSE;
  lpRect->left = MulDivRound(lpRect->left, info->units.cx, 4);
  lpRect->right = MulDivRound(lpRect->right, info->units.cx, 4);
  lpRect->top = MulDivRound(lpRect->top, info->units.cy, 8);
  lpRect->bottom = MulDivRound(lpRect->bottom, info->units.cy, 8);
  return TRUE;
}
