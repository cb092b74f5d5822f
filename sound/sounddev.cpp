/*
 * sounddev.cpp - start-up and shutdown of the sound output engine, and the
 * opening and closing of its two wave devices.
 */
#include "sound.h"

BOOL g_bSoundInit;
BOOL g_bPlaybackEnabled;
BOOL g_bCaptureEnabled;
BOOL g_bWaveOutOpen;
BOOL g_bWaveInOpen;
HWAVEOUT g_hWaveOut;
HWAVEIN g_hWaveIn;
WAVEFORMATEX g_wfxOut;
WAVEFORMATEX g_wfxIn;

/* The device format of g_AudioFormat, always one channel. */
static void BuildFormat(WAVEFORMATEX *pwfx) {
  pwfx->wFormatTag = (WORD)g_AudioFormat.nFormatTag;
  pwfx->nChannels = 1;
  pwfx->nSamplesPerSec = g_AudioFormat.nSamplesPerSec;
  pwfx->nBlockAlign = (WORD)(g_AudioFormat.nBitsPerSample / 8);
  pwfx->nAvgBytesPerSec = pwfx->nBlockAlign * g_AudioFormat.nSamplesPerSec;
  pwfx->wBitsPerSample = (WORD)g_AudioFormat.nBitsPerSample;
  pwfx->cbSize = 0;
}

static DWORD CallbackFlags(HWND hwndNotify) { return hwndNotify ? CALLBACK_WINDOW : CALLBACK_NULL; }

int SoundInit(int bPlayback, int bCapture, int nRate, int nBufferSamples, HWND hwndNotify) {
  if (g_bSoundInit) SoundShutdown();
  g_bSoundInit = FALSE;

  g_nBufferSamples = nBufferSamples;
  g_cbOutBuffer = (g_AudioFormat.nBitsPerSample >> 3) * (DWORD)nBufferSamples;
  g_cbInBuffer = g_cbOutBuffer;
  g_bCaptureEnabled = bCapture;
  g_bPlaybackEnabled = bPlayback;
  g_AudioFormat.nSamplesPerSec = (DWORD)nRate;

  for (int i = 0; i < SOUND_OUT_BUFFERS; i++) {
    g_pOutData[i] = NULL;
    g_pOutHdr[i] = NULL;
  }
  for (int i = 0; i < SOUND_IN_BUFFERS; i++) {
    g_pInData[i] = NULL;
    g_pInHdr[i] = NULL;
  }

  if (bPlayback) {
    if (SoundOpenPlayback(hwndNotify) != 0) {
      /* A system sound may hold the device: stop it and try once more. */
      sndPlaySoundW(NULL, 0);
      if (SoundOpenPlayback(hwndNotify) != 0) return 0;
    }
    waveOutPause(g_hWaveOut);
  }
  if (bCapture) {
    if (SoundOpenCapture(hwndNotify) != 0) return 0;
    waveInStop(g_hWaveIn);
  }
  if (SoundAllocBuffers() != 0) {
    SoundFreeBuffers();
    return 0;
  }
  g_bSoundInit = TRUE;
  return 1;
}

int SoundShutdown(void) {
  SoundFreeBuffers();
  if (g_bPlaybackEnabled) SoundClosePlayback();
  if (g_bCaptureEnabled) SoundCloseCapture();
  return 0;
}

MMRESULT SoundOpenPlayback(HWND hwndNotify) {
  if (g_bWaveOutOpen) SoundClosePlayback();
  BuildFormat(&g_wfxOut);
  g_bWaveOutOpen = FALSE;

  if (waveOutGetNumDevs() == 0) return 0;
  UINT uDevice = 0;
  while (waveOutOpen(NULL, uDevice, &g_wfxOut, 0, 0, WAVE_FORMAT_QUERY) != 0) {
    uDevice++;
    if (uDevice >= waveOutGetNumDevs()) return 0;
  }

  MMRESULT mr = waveOutOpen(&g_hWaveOut, uDevice, &g_wfxOut, (DWORD_PTR)hwndNotify, 0, CallbackFlags(hwndNotify));
  if (mr != 0) return mr;
  g_bWaveOutOpen = TRUE;
  return 0;
}

/* Closes the output device only while it is open: the handle of a closed
 * device stays in g_hWaveOut, and a second shutdown must not use it. */
int SoundClosePlayback(void) {
  if (g_bWaveOutOpen && g_hWaveOut) waveOutClose(g_hWaveOut);
  g_bWaveOutOpen = FALSE;
  return 1;
}

MMRESULT SoundOpenCapture(HWND hwndNotify) {
  if (g_bWaveInOpen) SoundCloseCapture();
  BuildFormat(&g_wfxIn);

  MMRESULT mr = waveInOpen(&g_hWaveIn, WAVE_MAPPER, &g_wfxIn, (DWORD_PTR)hwndNotify, 0, CallbackFlags(hwndNotify));
  if (mr != 0) return mr;
  if (!g_hWaveIn) return 1;
  g_bWaveInOpen = TRUE;
  return 0;
}

int SoundCloseCapture(void) {
  if (g_bWaveInOpen) {
    waveInReset(g_hWaveIn);
    waveInClose(g_hWaveIn);
  }
  g_bWaveInOpen = FALSE;
  return 1;
}
