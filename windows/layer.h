/*
 * layer.h - what the parts of the handheld layer share: the screen's
 * geometry and looks, the frame window that is the screen, and the
 * handheld's own controls.
 */
#ifndef HANDHELD_LAYER_H
#define HANDHELD_LAYER_H

#define HANDHELD_LAYER
#include <handheld.h>

namespace handheld {

constexpr int kScreenWidth = 240;
constexpr int kScreenHeight = 320;
constexpr int kNavBarHeight = 26;
constexpr int kMenuBarHeight = 26;
constexpr int kOkWidth = 30;  /* the "ok" at the navigation bar's right end */
constexpr int kTitleLeft = 6; /* the title's left margin */

/* The handheld's system colours. */
constexpr COLORREF kCaption = RGB(0, 0, 128);
constexpr COLORREF kCaptionText = RGB(255, 255, 255);
constexpr COLORREF kWindow = RGB(255, 255, 255);
constexpr COLORREF kWindowText = RGB(0, 0, 0);
constexpr COLORREF kWindowFrame = RGB(0, 0, 0);
constexpr COLORREF kButtonFace = RGB(192, 192, 192);
constexpr COLORREF kButtonShadow = RGB(128, 128, 128);
constexpr COLORREF kGrayText = RGB(128, 128, 128);
constexpr COLORREF kHighlight = RGB(0, 0, 128);
constexpr COLORREF kHighlightText = RGB(255, 255, 255);

/* look.cpp: drawing shared by the layer's windows. */
HFONT SystemFont(); /* the handheld's system font; NULL when none could be made */
HFONT TitleFont();  /* the same in bold, for the navigation bar */
void FillSolid(HDC hdc, const RECT &rc, COLORREF colour);
void FillDisc(HDC hdc, int cx, int cy, int r, COLORREF colour);
/* The "ok" of a full-screen dialog: a white ring with "ok" in it, in the
 * navigation bar's ok area whose left top is (x, 0). */
void PaintOk(HDC hdc, int x);
BOOL IsClass(LPCWSTR lpClassName, LPCWSTR name);

/* frame.cpp: the screen. */
extern const WCHAR kFrameClass[];
HWND FrameOf(HWND hwnd);     /* the screen hwnd lives in (inside or owned), or NULL */
POINT ScreenOrigin(HWND frame); /* the screen's (0, 0) in desktop coordinates */
void RefreshNavigationBar();
/* The dialog that fills the screen now (its title is the bar's), or NULL. */
void SetScreenDialog(HWND hDlg);
HWND ScreenDialog();

/* button.cpp: the handheld's BUTTON. */
extern const WCHAR kButtonClass[];
BOOL RegisterButtonClass();

/* focus.cpp: a control made with WS_EX_NOACTIVATE never keeps the focus. */
void RefuseFocus(HWND hwnd);

/* shell.cpp */
BOOL RegisterCaptionOkClass();
HWND CaptionOkOf(HWND hDlg); /* the "ok" window of a dialog, or NULL */

/* menubar.cpp */
BOOL RegisterMenuBarClass();

}  // namespace handheld

#endif
