/*
 * create.cpp - WM_CREATE: the menu bar, the layout, the drawing objects, the
 * nine controls and the sound engine.
 */
#include "shell.h"

#include <commctrl.h>
#include <string.h>

#include "resource.h"
#include "sound.h"
#include "synth.h"

int g_nColWidth;
int g_nRowHeight;
int g_nMargin;
int g_nRowGap;
POINT g_aptRow[NUM_ROWS];
int g_xRightColumn;
RECT g_rcLabel;
POINT g_aptFrame[NUM_ROWS][5];

HBRUSH g_hbrBackground;
HBRUSH g_hbrControl;
HBRUSH g_hbrNoise;
HPEN g_hpenFrame;
HFONT g_hfontButton;
HBITMAP g_ahbmRow[NUM_ROWS];
HDC g_hdcMem;

HWND g_hwndSine;
HWND g_hwndTriangle;
HWND g_hwndSawtooth;
HWND g_hwndSquare;
HWND g_hwndWhiteNoise;
HWND g_hwndPinkNoise;
HWND g_hwndPlay;
HWND g_hwndFreqEdit;
HWND g_hwndSpin;

SHACTIVATEINFO g_sai;
WCHAR g_szLabel[100];
BOOL g_bPlaying;
BOOL g_bSoundReady;

#define WAVE_BUTTON_STYLE (WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON)
#define SPIN_STYLE (WS_CHILD | WS_VISIBLE | UDS_AUTOBUDDY | UDS_ALIGNRIGHT | UDS_SETBUDDYINT)

/* The pictures of rows 1 to 6. */
static const WORD s_aidbRow[NUM_ROWS] = {IDB_SINE,   IDB_TRIANGLE,   IDB_SAWTOOTH,
                                         IDB_SQUARE, IDB_WHITENOISE, IDB_PINKNOISE};

/* Six rows of 25 pixels, spread evenly over the window above the menu bar,
 * two columns, and a closed orange frame round each row's button. */
static void ComputeLayout(int nWidth, int nHeight) {
  g_nColWidth = nWidth / 3;
  g_nRowHeight = 25;
  g_nMargin = 5;
  g_nRowGap = (nHeight - MENU_BAR_HEIGHT - 150) / 7;
  for (int k = 1; k <= NUM_ROWS; k++) {
    g_aptRow[k - 1].x = 5;
    g_aptRow[k - 1].y = k * g_nRowGap + (k - 1) * 25;
  }
  g_xRightColumn = nWidth - g_nColWidth - 10;
  g_rcLabel.left = g_xRightColumn;
  g_rcLabel.top = g_aptRow[1].y;
  g_rcLabel.right = nWidth;
  g_rcLabel.bottom = g_aptRow[1].y + 25;
  for (int r = 0; r < NUM_ROWS; r++) {
    int y = g_aptRow[r].y;
    POINT *ppt = g_aptFrame[r];
    ppt[0].x = 4;
    ppt[0].y = y - 1;
    ppt[1].x = g_nColWidth + 5;
    ppt[1].y = y - 1;
    ppt[2].x = g_nColWidth + 5;
    ppt[2].y = y + 25;
    ppt[3].x = 4;
    ppt[3].y = y + 25;
    ppt[4] = ppt[0];
  }
}

/* Brushes, the frame pen, the buttons' font, the pictures and the memory
 * device context the pictures are drawn from. */
static void CreateDrawingObjects(HWND hwnd) {
  LOGFONTW lf;

  g_hbrControl = CreateSolidBrush(RGB(0, 0, 255));
  g_hbrBackground = CreateSolidBrush(RGB(100, 100, 100));
  g_hbrNoise = CreateSolidBrush(RGB(150, 150, 255));
  g_hpenFrame = CreatePen(PS_SOLID, 1, RGB(255, 100, 0));

  GetObjectW(GetStockObject(SYSTEM_FONT), sizeof(lf), &lf);
  lf.lfHeight = 10;
  lf.lfWidth = 4;
  lf.lfWeight = 400;
  g_hfontButton = CreateFontIndirectW(&lf);

  for (int r = 0; r < NUM_ROWS; r++) g_ahbmRow[r] = LoadBitmapW(g_hInst, MAKEINTRESOURCE(s_aidbRow[r]));

  HDC hdc = GetDC(hwnd);
  g_hdcMem = CreateCompatibleDC(hdc);
  ReleaseDC(hwnd, hdc);
}

/* One child control of the main window, shown at once. */
static HWND CreateChild(HWND hwnd, LPCWSTR szClass, LPCWSTR szText, DWORD dwStyle, int x, int y, int cx, int cy,
                        int nId) {
  HWND hwndChild = CreateWindowExW(WS_EX_NOACTIVATE, szClass, szText, dwStyle, x, y, cx, cy, hwnd,
                                   (HMENU)(UINT_PTR)nId, g_hInst, NULL);
  ShowWindow(hwndChild, SW_SHOW);
  return hwndChild;
}

static void CreateControls(HWND hwnd, int nWidth) {
  int cx = g_nColWidth - 1;
  int xRight = g_xRightColumn;

  g_hwndSine = CreateChild(hwnd, TEXT("BUTTON"), TEXT("Sine"), WAVE_BUTTON_STYLE | WS_GROUP, 5, g_aptRow[0].y, cx,
                           24, IDC_SINE);
  g_hwndSquare =
      CreateChild(hwnd, TEXT("BUTTON"), TEXT("Square"), WAVE_BUTTON_STYLE, 5, g_aptRow[3].y, cx, 24, IDC_SQUARE);
  g_hwndTriangle = CreateChild(hwnd, TEXT("BUTTON"), TEXT("Triangle"), WAVE_BUTTON_STYLE, 5, g_aptRow[1].y, cx,
                               24, IDC_TRIANGLE);
  g_hwndSawtooth = CreateChild(hwnd, TEXT("BUTTON"), TEXT("Sawtooth"), WAVE_BUTTON_STYLE, 5, g_aptRow[2].y, cx,
                               24, IDC_SAWTOOTH);
  g_hwndWhiteNoise = CreateChild(hwnd, TEXT("BUTTON"), TEXT("White Noise"), WAVE_BUTTON_STYLE, 5, g_aptRow[4].y,
                                 cx, 24, IDC_WHITENOISE);
  g_hwndPinkNoise = CreateChild(hwnd, TEXT("BUTTON"), TEXT("Pink Noise"), WAVE_BUTTON_STYLE, 5, g_aptRow[5].y, cx,
                                24, IDC_PINKNOISE);
  g_hwndPlay = CreateChild(hwnd, TEXT("BUTTON"), TEXT("PLAY"), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, xRight,
                           g_aptRow[4].y, cx, g_nRowGap + 49, IDC_PLAY);
  g_hwndFreqEdit = CreateChild(hwnd, TEXT("EDIT"), TEXT("     "), WS_CHILD | WS_VISIBLE | ES_NUMBER | ES_READONLY,
                               xRight, g_aptRow[2].y, cx, 24, IDC_FREQUENCY);
  g_hwndSpin = CreateUpDownControl(SPIN_STYLE, nWidth - 5, g_aptRow[2].y, cx, 24, hwnd, IDC_SPIN,
                                   g_hInst, g_hwndFreqEdit, 16000, 20, 500);
}

/* The up-down arrows step 1 Hz, after 4 s held 10 Hz, after 8 s 100 Hz. */
static void ConfigureSpin(void) {
  UDACCEL aAccel[3] = {{0, 1}, {4, 10}, {8, 100}};
  SendMessageW(g_hwndSpin, UDM_SETACCEL, 3, (LPARAM)aAccel);
  SendMessageW(g_hwndSpin, UDM_SETPOS, 0, 500);
}

static void SetButtonFonts(void) {
  HWND ahwnd[NUM_ROWS] = {g_hwndSine, g_hwndSquare, g_hwndTriangle, g_hwndSawtooth, g_hwndWhiteNoise,
                          g_hwndPinkNoise};
  for (int i = 0; i < NUM_ROWS; i++) SendMessageW(ahwnd[i], WM_SETFONT, (WPARAM)g_hfontButton, FALSE);
}

/* Opens the sound engine for playback at the generator's rate and length.
 * When it cannot be opened the user is told and the window closes. */
static void StartSoundEngine(HWND hwnd) {
  if (SoundInit(TRUE, FALSE, g_GenParams.nSampleRate, g_GenParams.nBufferLen, hwnd)) {
    SnapFrequency();
    g_bPlaying = FALSE;
    g_bSoundReady = TRUE;
  } else {
    MessageBoxW(hwnd, TEXT("Unable to initialise Sound System"), TEXT("Error"), MB_OK);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
  }
}

LRESULT OnCreate(HWND hwnd) {
  INITCOMMONCONTROLSEX icex;
  RECT rc;

  g_hwndMB = CreateMenuBar(hwnd);

  memset(&g_sai, 0, sizeof(g_sai));
  g_sai.cbSize = sizeof(g_sai);

  icex.dwSize = sizeof(icex);
  icex.dwICC = ICC_UPDOWN_CLASS;
  InitCommonControlsEx(&icex);

  GetWindowRect(hwnd, &rc);
  ComputeLayout(rc.right - rc.left, rc.bottom - rc.top);
  CreateDrawingObjects(hwnd);
  CreateControls(hwnd, rc.right - rc.left);
  ConfigureSpin();
  SetButtonFonts();
  LoadStringW(g_hInst, IDS_FREQUENCY, g_szLabel, 100);
  StartSoundEngine(hwnd);
  return 0;
}
