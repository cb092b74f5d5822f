/*
 * handheld.h - the handheld's own window classes, written once against the
 * public Win32 API: its button, the Pocket PC menu bar and the "ok" of a
 * full-screen dialog. Each platform registers them with the class names
 * it chooses for the button (the menu bar and the "ok" keep theirs), and
 * gives the handheld's colours through GetSysColor and GetSysColorBrush and
 * its system font through GetStockObject(SYSTEM_FONT).
 */
#ifndef HANDHELD_HANDHELD_H
#define HANDHELD_HANDHELD_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The handheld's screen: the navigation bar on top, the menu bar's place
 * at the bottom, the "ok" at the navigation bar's right end. */
#define HANDHELD_SCREEN_WIDTH 240
#define HANDHELD_SCREEN_HEIGHT 320
#define HANDHELD_NAVBAR_HEIGHT 26
#define HANDHELD_MENUBAR_HEIGHT 26
#define HANDHELD_OK_WIDTH 30

/* The classes the toolkit makes windows of. */
#define HANDHELD_MENUBAR_CLASS TEXT("menu_worker")
#define HANDHELD_CAPTIONOK_CLASS TEXT("caption_ok")

/* The window procedures and the window words each needs. The button takes
 * the focus on a tap unless it is made with WS_EX_NOACTIVATE, and checks
 * the automatic radio buttons of its group that are of its own class. */
LRESULT CALLBACK BUTTON_WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MENUBAR_WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK CAPTIONOK_WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
#define HANDHELD_STATE_BYTES ((int)sizeof(void *))

/* The "ok" window of a dialog (an owned window of the caption-ok class),
 * or NULL. */
HWND CAPTIONOK_Of(HWND hDlg);

/* Gives a dialog WS_EX_CAPTIONOKBTN and its "ok" window over the
 * navigation bar's right end; nothing more when it has one. */
void CAPTIONOK_Add(HWND hDlg);

/* The colours the toolkit draws with: the platform's system colours
 * (GetSysColor, GetSysColorBrush) unless a platform whose own are not the
 * handheld's (the desktop's) gives the handheld's here. The brushes are
 * shared, not to be deleted; an unknown index gives 0 and NULL. */
typedef DWORD (*HANDHELD_SYSCOLOR)(int nIndex);
typedef HBRUSH (*HANDHELD_SYSCOLORBRUSH)(int nIndex);
void HANDHELD_SetColors(HANDHELD_SYSCOLOR color, HANDHELD_SYSCOLORBRUSH brush);
DWORD HANDHELD_SysColor(int nIndex);
HBRUSH HANDHELD_SysColorBrush(int nIndex);

/* A platform whose dialogs are not the handheld's by birth (the desktop's
 * have captions and borders) adopts them here: SHInitDialog calls the hook
 * first and leaves a dialog the hook refuses (FALSE) as it is. Without a
 * hook every dialog is the handheld's. */
typedef BOOL (*HANDHELD_DIALOGHOOK)(HWND hDlg);
void HANDHELD_SetDialogHook(HANDHELD_DIALOGHOOK hook);

/* Draws the "ok": a ring in the caption's text colour with "ok" in the
 * title font (the system font in bold), in the navigation bar's ok area
 * whose left top is (x, 0). */
void CAPTIONOK_PaintOk(HDC hdc, int x);

#ifdef __cplusplus
}
#endif

#endif
