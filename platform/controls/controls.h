/*
 * controls/controls.h - the inside of the predefined controls, dialogs,
 * message boxes and the Pocket PC shell's windows.
 *
 * Each class has its own window procedure; its state lives in an object
 * whose pointer is the first window word, made at WM_NCCREATE and freed at
 * WM_NCDESTROY. Everything here runs on the UI thread.
 */
#ifndef TONBROOK_PLATFORM_CONTROLS_H
#define TONBROOK_PLATFORM_CONTROLS_H

#include <windows.h>

#include <string>

#include "user/user.h"

namespace plat::controls {

/* Registers the system classes (BUTTON, EDIT, STATIC, the up-down control,
 * the dialog class, the menu bar, its pop-up and the caption OK button).
 * Called by a host's start-up; calling it again changes nothing. */
void Install();

/* The class names and procedures behind Install. */
inline constexpr WCHAR kDialogClass[] = u"#32770";
inline constexpr const WCHAR *kPopupMenuClass = user::kMenuClassName;
inline constexpr WCHAR kMenuBarClass[] = u"menu_worker";
inline constexpr WCHAR kCaptionOkClass[] = u"caption_ok";
LRESULT CALLBACK ButtonWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK UpDownWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK DialogWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK MenuBarWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK PopupMenuWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK CaptionOkWndProc(HWND, UINT, WPARAM, LPARAM);

/* Room for the state pointer in the window words of a control class. */
inline constexpr int kStateBytes = (int)sizeof(void *);

/* The state object of a control, or nullptr before WM_NCCREATE. */
template <class T>
T *StateOf(HWND hwnd) {
  return (T *)GetWindowLongPtrW(hwnd, 0);
}

/* Makes the state object at WM_NCCREATE and frees it at WM_NCDESTROY. */
template <class T>
T *AttachState(HWND hwnd) {
  T *state = new T();
  SetWindowLongPtrW(hwnd, 0, (LONG_PTR)state);
  return state;
}
template <class T>
void FreeState(HWND hwnd) {
  delete StateOf<T>(hwnd);
  SetWindowLongPtrW(hwnd, 0, 0);
}

/* The handheld's screen: the navigation bar on top, the menu bar's place at
 * the bottom, and the caption OK button at the right end of the navigation
 * bar. */
inline constexpr int kScreenWidth = 240;
inline constexpr int kScreenHeight = 320;
inline constexpr int kNavBarHeight = 26;
inline constexpr int kMenuBarHeight = 26;
inline constexpr RECT kCaptionOkRect{kScreenWidth - 30, 0, kScreenWidth, kNavBarHeight};

/* Sends WM_COMMAND with the control's id and code to its parent. */
void NotifyParent(HWND hwnd, WORD code);

/* Lets the default procedure take a message that changes what a control
 * shows (its text, its enabled state), then repaints the control; returns
 * the default procedure's result. */
LRESULT DefWindowProcAndRepaint(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

/* Asks the parent for the control's brush and colours with a WM_CTLCOLOR*
 * message; the default ones when the parent gives none. */
HBRUSH ControlBrush(HWND hwnd, UINT msg, HDC hdc);

/* Selects the control's font (the system font when it has none) into the
 * DC; returns the font that was selected before. */
HGDIOBJ SelectControlFont(HDC hdc, HFONT font);

/* Fills a disc of radius r around (cx, cy) row by row. */
void FillDisc(HDC hdc, int cx, int cy, int r, HBRUSH brush);

/* Fills a triangle pointing up or down, its base w wide, centred in rc. */
void FillArrow(HDC hdc, const RECT &rc, bool up, int w, HBRUSH brush);

/* The window's text. */
std::u16string TextOf(HWND hwnd);

/* Pixels of one dialog unit across and down for a font: the average width
 * of the alphabet and the height of the font (GetDialogBaseUnits). */
SIZE BaseUnitsOf(HFONT font);

/* The modal loop of dialogs and message boxes: disables the owner, shows
 * hDlg and dispatches messages until EndDialog, then enables the owner
 * again and destroys hDlg. Returns EndDialog's result, or -1 when the
 * dialog went away without it. A WM_QUIT ends the loop and is posted again
 * for the loop outside. */
INT_PTR RunModalLoop(HWND hDlg, HWND owner);

/* The control a dialog gives the focus to when it is activated. */
void FocusOnActivation(HWND hDlg, HWND control);

/* Creates an empty dialog window for a message box: the dialog class, the
 * procedure, the font and a place in screen coordinates. */
HWND CreateDialogWindow(DWORD style, DWORD exStyle, LPCWSTR caption, const RECT &rc, HWND owner,
                        HINSTANCE hInst, DLGPROC proc, HFONT font);

/* Gives a dialog the OK button in the navigation bar (WS_EX_CAPTIONOKBTN);
 * nothing when it has one. */
void AddCaptionOk(HWND hDlg);

/* Builds a menu bar for parent with no buttons, for SHInitDialog. */
HWND CreateEmptyMenuBar(HWND parent);

}  // namespace plat::controls

#endif
