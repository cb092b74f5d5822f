/*
 * commands.cpp - what the user's taps and keys, the refresh timer and the
 * window's end do.
 */
#include "shell.h"

#include <commctrl.h>

#include "resource.h"
#include "sound.h"
#include "synth.h"

/* Checks the waveform's button, renders it into the loop buffer (the device
 * goes on playing it), shows or hides the frequency box and repaints. */
static void SelectWaveform(HWND hwnd, HWND hwndButton, int nWaveform, BOOL bShowFrequency) {
  RECT rc;

  PostMessageW(hwndButton, BM_SETCHECK, BST_CHECKED, 0);
  g_nWaveform = nWaveform;
  GenerateWaveform(nWaveform, g_GenParams.fFrequency);

  ShowWindow(g_hwndFreqEdit, bShowFrequency ? SW_SHOW : SW_HIDE);
  ShowWindow(g_hwndSpin, bShowFrequency ? SW_SHOW : SW_HIDE);

  GetClientRect(hwnd, &rc);
  InvalidateRect(hwnd, &rc, TRUE);
  UpdateWindow(hwnd);
}

/* PLAY starts the looping buffer, STOP stops it. A device that will not
 * start is reported and the program closes. */
static void TogglePlayback(HWND hwnd) {
  if (g_bPlaying) {
    SoundStopPlayback();
    g_bPlaying = FALSE;
    SetWindowTextW(g_hwndPlay, TEXT("PLAY"));
  } else if (SoundStartPlayback() == 0) {
    g_bPlaying = TRUE;
    SetWindowTextW(g_hwndPlay, TEXT("STOP"));
  } else {
    MessageBoxW(hwnd, TEXT("Unable to start playback"), TEXT("Error"), MB_OK);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
  }
}

/* The up-down position becomes the frequency, snapped to whole cycles and
 * rendered in place. Nothing happens before the engine is ready. */
static void ChangeFrequency(void) {
  if (!g_bSoundReady) return;
  g_GenParams.fFrequency = (float)(int)SendMessageW(g_hwndSpin, UDM_GETPOS, 0, 0);
  SnapFrequency();
  GenerateWaveform(g_nWaveform, g_GenParams.fFrequency);
}

static void ShowAboutBox(HWND hwnd) {
  HRSRC hrsrc = FindResourceW(g_hInst, MAKEINTRESOURCE(IDD_ABOUTBOX), RT_DIALOG);
  HGLOBAL hTemplate = LoadResource(g_hInst, hrsrc);
  DialogBoxIndirectParamW(g_hInst, (LPCDLGTEMPLATEW)hTemplate, hwnd, AboutDlgProc, 0);
}

/* Every way out passes through WM_CLOSE and so WM_DESTROY. */
static void ExitProgram(HWND hwnd) {
  SendMessageW(hwnd, WM_ACTIVATE, WA_INACTIVE, (LPARAM)hwnd);
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
}

LRESULT OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case IDOK:
    case IDM_FILE_EXIT:
      ExitProgram(hwnd);
      break;
    case IDC_SINE:
      SelectWaveform(hwnd, g_hwndSine, WF_SINE, TRUE);
      break;
    case IDC_TRIANGLE:
      SelectWaveform(hwnd, g_hwndTriangle, WF_TRIANGLE, TRUE);
      break;
    case IDC_SAWTOOTH:
      SelectWaveform(hwnd, g_hwndSawtooth, WF_SAWTOOTH, TRUE);
      break;
    case IDC_SQUARE:
      SelectWaveform(hwnd, g_hwndSquare, WF_SQUARE, TRUE);
      break;
    case IDC_WHITENOISE:
      SelectWaveform(hwnd, g_hwndWhiteNoise, WF_WHITE_NOISE, FALSE);
      break;
    case IDC_PINKNOISE:
      SelectWaveform(hwnd, g_hwndPinkNoise, WF_PINK_NOISE, FALSE);
      break;
    case IDC_PLAY:
      TogglePlayback(hwnd);
      break;
    case IDC_FREQUENCY:
      ChangeFrequency();
      break;
    case IDM_HELP_ABOUT:
      ShowAboutBox(hwnd);
      break;
    default:
      return DefWindowProcW(hwnd, WM_COMMAND, wParam, lParam);
  }
  return 0;
}

/* Noise that plays is rendered afresh every period; nothing else changes. */
LRESULT OnTimer(HWND hwnd) {
  (void)hwnd;
  if (g_bPlaying && (g_nWaveform == WF_WHITE_NOISE || g_nWaveform == WF_PINK_NOISE))
    GenerateWaveform(g_nWaveform, g_GenParams.fFrequency);
  return 0;
}

/* Minimising ends the program rather than leaving it in the background. */
LRESULT OnSize(HWND hwnd, WPARAM wParam) {
  if (wParam == SIZE_MINIMIZED) SendMessageW(hwnd, WM_COMMAND, IDM_FILE_EXIT, 0);
  return 0;
}

/* Stops and releases the sound device, removes the menu bar and ends the
 * message loop with code 0, whatever state the program is in. */
LRESULT OnDestroy(HWND hwnd) {
  (void)hwnd;
  SoundStopPlayback();
  SoundShutdown();
  DestroyWindow(g_hwndMB);
  PostQuitMessage(0);
  return 0;
}
