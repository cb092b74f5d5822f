/*
 * controls/controls.h - the inside of the predefined controls, dialogs and
 * message boxes.
 *
 * Each class has its own window procedure; its state lives in an object
 * whose pointer is the first window word, made at WM_NCCREATE and freed at
 * WM_NCDESTROY. Everything here runs on the UI thread.
 */
#ifndef TONBROOK_PLATFORM_CONTROLS_H
#define TONBROOK_PLATFORM_CONTROLS_H

#include <windows.h>

#include <string>

namespace plat::controls {

/* Registers the system classes (EDIT, STATIC, the up-down control, the
 * dialog class, and the handheld toolkit's BUTTON, menu bar and caption OK
 * button). Called by a host's start-up; calling it again changes nothing. */
void Install();

/* The class names and procedures behind Install. */
inline constexpr WCHAR kDialogClass[] = u"#32770";
LRESULT CALLBACK EditWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK UpDownWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK DialogWndProc(HWND, UINT, WPARAM, LPARAM);

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
 * the bottom. */
inline constexpr int kScreenWidth = 240;
inline constexpr int kScreenHeight = 320;
inline constexpr int kNavBarHeight = 26;
inline constexpr int kMenuBarHeight = 26;

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

}  // namespace plat::controls

#endif
