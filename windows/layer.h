/*
 * layer.h - what the parts of the handheld layer share: the screen's
 * geometry and looks, and the frame window that is the screen.
 */
#ifndef HANDHELD_LAYER_H
#define HANDHELD_LAYER_H

#define HANDHELD_LAYER
#include <handheld.h>
#include <redirect.h>

namespace handheld {

constexpr int kScreenWidth = HANDHELD_SCREEN_WIDTH;
constexpr int kScreenHeight = HANDHELD_SCREEN_HEIGHT;
constexpr int kNavBarHeight = HANDHELD_NAVBAR_HEIGHT;
constexpr int kOkWidth = HANDHELD_OK_WIDTH; /* the "ok" at the navigation bar's right end */
constexpr int kTitleLeft = 6;               /* the title's left margin */

/* The navigation bar, its text, and the black where no window lies. */
constexpr COLORREF kCaption = RGB(0, 0, 128), kCaptionText = RGB(255, 255, 255), kWindowFrame = RGB(0, 0, 0);

/* look.cpp: the handheld's fonts, colours and the toolkit's classes. */
HFONT SystemFont(); /* the handheld's system font; NULL when none could be made */
HFONT TitleFont();  /* the same in bold, for the navigation bar */
void FillSolid(HDC hdc, const RECT &rc, COLORREF colour);
/* The toolkit's button (as HandheldButton), menu bar and "ok"; FALSE when
 * Windows refuses a class. */
extern const WCHAR kButtonClass[];
BOOL RegisterToolkitClasses(HINSTANCE hInstance);

/* frame.cpp: the screen. */
extern const WCHAR kFrameClass[];
HWND FrameOf(HWND hwnd);        /* the screen hwnd lives in (inside or owned), or NULL */
POINT ScreenOrigin(HWND frame); /* the screen's (0, 0) in desktop coordinates */
void RefreshNavigationBar();
/* The dialog that fills the screen now (its title is the bar's), or NULL. */
void SetScreenDialog(HWND hDlg);
HWND ScreenDialog();

/* focus.cpp: a control made with WS_EX_NOACTIVATE, and the up-down, never
 * keeps the focus; the rule holds on the calling thread from now on. */
void InstallFocusRule();

/* dialog.cpp: the desktop's dialogs made the handheld's (SHInitDialog's
 * hook); FALSE for a dialog outside the handheld's screen. */
BOOL AdoptDialog(HWND hDlg);

}  // namespace handheld

#endif
