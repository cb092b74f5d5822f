/*
 * soundbuf.cpp - the engine's buffers and their transport: the looping
 * output buffer, the input buffers, start, stop, pause and restart, and the
 * streaming operations that hand buffers back one at a time.
 */
#include "sound.h"

#include <string.h>

#include <atomic>

/* The device sets the done bit from its own thread: read the flags afresh. */
static DWORD HeaderFlags(WAVEHDR *pwh) {
  return std::atomic_ref<DWORD>(pwh->dwFlags).load(std::memory_order_acquire);
}

/* Fills a fresh header for a data block; every other field is 0. */
static void FillHeader(WAVEHDR *pwh, SHORT *pData, DWORD cbBuffer) {
  memset(pwh, 0, sizeof(WAVEHDR));
  pwh->lpData = (LPSTR)pData;
  pwh->dwBufferLength = cbBuffer;
}

/* Prepares a header on the output device, or on the input device. */
static MMRESULT PrepareHeader(BOOL bInput, WAVEHDR *pwh) {
  return bInput ? waveInPrepareHeader(g_hWaveIn, pwh, sizeof(WAVEHDR))
                : waveOutPrepareHeader(g_hWaveOut, pwh, sizeof(WAVEHDR));
}

/* Allocates and prepares up to nSlots buffers of cbBuffer bytes into one
 * side's tables, stopping at the first failure, and returns how many are
 * ready. A slot that fails is left empty. */
static int AllocSide(BOOL bInput, SHORT **ppData, WAVEHDR **ppHdr, int nSlots, DWORD cbBuffer) {
  int nReady = 0;
  for (int i = 0; i < nSlots; i++) {
    ppData[i] = (SHORT *)LocalAlloc(LPTR, cbBuffer);
    if (!ppData[i]) break;
    ppHdr[i] = (WAVEHDR *)LocalAlloc(LPTR, sizeof(WAVEHDR));
    if (!ppHdr[i]) {
      LocalFree(ppData[i]);
      ppData[i] = NULL;
      break;
    }
    FillHeader(ppHdr[i], ppData[i], cbBuffer);
    if (PrepareHeader(bInput, ppHdr[i]) != 0) {
      LocalFree(ppData[i]);
      LocalFree(ppHdr[i]);
      ppData[i] = NULL;
      ppHdr[i] = NULL;
      break;
    }
    nReady++;
  }
  return nReady;
}

int SoundAllocBuffers(void) {
  g_nInIndex = 0;
  g_nOutIndex = 0;
  SoundFreeBuffers();

  if (g_bPlaybackEnabled) {
    if (!g_hWaveOut) return 1;
    g_nOutBuffers = AllocSide(FALSE, g_pOutData, g_pOutHdr, SOUND_OUT_BUFFERS, g_cbOutBuffer);
    if (g_nOutBuffers < 1) return 1;
    /* The whole table is one loop that the device repeats by itself. */
    g_pOutHdr[0]->dwFlags |= WHDR_BEGINLOOP;
    g_pOutHdr[0]->dwLoops = SOUND_LOOP_COUNT;
    g_pOutHdr[g_nOutBuffers - 1]->dwFlags |= WHDR_ENDLOOP;
  }
  if (g_bCaptureEnabled) {
    if (!g_hWaveIn) return 1;
    g_nInBuffers = AllocSide(TRUE, g_pInData, g_pInHdr, SOUND_IN_BUFFERS, g_cbInBuffer);
    if (g_nInBuffers < 1) return 1;
  }
  return 0;
}

int SoundFreeBuffers(void) {
  for (int i = 0; i < SOUND_OUT_BUFFERS; i++) {
    if (g_pOutHdr[i]) {
      if (g_bPlaybackEnabled && g_hWaveOut) waveOutUnprepareHeader(g_hWaveOut, g_pOutHdr[i], sizeof(WAVEHDR));
      LocalFree(g_pOutHdr[i]);
      g_pOutHdr[i] = NULL;
    }
    if (g_pOutData[i]) {
      LocalFree(g_pOutData[i]);
      g_pOutData[i] = NULL;
    }
  }
  for (int i = 0; i < SOUND_IN_BUFFERS; i++) {
    if (g_pInHdr[i]) {
      if (g_bCaptureEnabled && g_hWaveIn) waveInUnprepareHeader(g_hWaveIn, g_pInHdr[i], sizeof(WAVEHDR));
      LocalFree(g_pInHdr[i]);
      g_pInHdr[i] = NULL;
    }
    if (g_pInData[i]) {
      LocalFree(g_pInData[i]);
      g_pInData[i] = NULL;
    }
  }
  return 0;
}

/* A slot is usable when it holds a prepared header; after SoundFreeBuffers
 * the counts stay but the slots are empty. */
static BOOL Prepared(WAVEHDR *pwh) { return pwh && (HeaderFlags(pwh) & WHDR_PREPARED); }

int SoundStartPlayback(void) {
  if (!g_bPlaybackEnabled) return 0;
  waveOutReset(g_hWaveOut);
  if (g_nOutBuffers <= 0) return 1;
  int nCount = g_nOutBuffers;
  for (int i = 0; i < nCount; i++) {
    if (!Prepared(g_pOutHdr[i]) || waveOutWrite(g_hWaveOut, g_pOutHdr[i], sizeof(WAVEHDR)) != 0) {
      g_nOutBuffers--;
      break;
    }
  }
  if (g_nOutBuffers <= 0) return 1;
  g_nOutIndex = 0;
  return 0;
}

MMRESULT SoundStopPlayback(void) { return waveOutReset(g_hWaveOut); }
MMRESULT SoundPausePlayback(void) { return waveOutPause(g_hWaveOut); }
MMRESULT SoundRestartPlayback(void) { return waveOutRestart(g_hWaveOut); }

int SoundCopyToBuffers(const void *pSamples) {
  for (int i = 0; i < g_nOutBuffers && i < SOUND_OUT_BUFFERS; i++)
    if (g_pOutData[i]) memcpy(g_pOutData[i], pSamples, g_cbOutBuffer);
  return 0;
}

MMRESULT SoundWritePlayback(void) {
  return waveOutWrite(g_hWaveOut, g_pOutHdr[g_nOutIndex], sizeof(WAVEHDR));
}

MMRESULT SoundAddCapture(void) { return waveInAddBuffer(g_hWaveIn, g_pInHdr[g_nInIndex], sizeof(WAVEHDR)); }

/* Waits until the device has handed the header back: the done bit, or a
 * header that is not queued at all (never written), which would otherwise
 * be waited for forever. */
static void WaitReturned(WAVEHDR *pwh) {
  for (;;) {
    DWORD dwFlags = HeaderFlags(pwh);
    if ((dwFlags & WHDR_DONE) || !(dwFlags & WHDR_INQUEUE)) return;
  }
}

MMRESULT SoundRequeuePlayback(void) {
  WAVEHDR *pwh = g_pOutHdr[g_nOutIndex];
  if (!pwh) return MMSYSERR_INVALPARAM;
  WaitReturned(pwh);
  MMRESULT mr = waveOutUnprepareHeader(g_hWaveOut, pwh, sizeof(WAVEHDR));
  if (mr != 0) return mr;
  FillHeader(pwh, g_pOutData[g_nOutIndex], g_cbOutBuffer);
  mr = waveOutPrepareHeader(g_hWaveOut, pwh, sizeof(WAVEHDR));
  if (mr != 0) return mr;
  mr = waveOutWrite(g_hWaveOut, pwh, sizeof(WAVEHDR));
  g_nOutIndex++;
  if (g_nOutIndex >= g_nOutBuffers) g_nOutIndex = 0;
  return mr;
}

MMRESULT SoundRequeueCapture(void) {
  WAVEHDR *pwh = g_pInHdr[g_nInIndex];
  if (!pwh) return MMSYSERR_INVALPARAM;
  WaitReturned(pwh);
  MMRESULT mr = waveInUnprepareHeader(g_hWaveIn, pwh, sizeof(WAVEHDR));
  if (mr != 0) return mr;
  FillHeader(pwh, g_pInData[g_nInIndex], g_cbInBuffer);
  mr = waveInPrepareHeader(g_hWaveIn, pwh, sizeof(WAVEHDR));
  if (mr != 0) return mr;
  mr = waveInAddBuffer(g_hWaveIn, pwh, sizeof(WAVEHDR));
  g_nInIndex++;
  if (g_nInIndex >= g_nInBuffers) g_nInIndex = 0;
  return mr;
}

DWORD SoundGetPlaybackBytes(void) { return g_cbOutBuffer; }
WAVEHDR *SoundGetPlaybackHeader(void) { return g_pOutHdr[g_nOutIndex]; }
DWORD SoundGetCaptureBytes(void) { return g_cbInBuffer; }
WAVEHDR *SoundGetCaptureHeader(void) { return g_pInHdr[g_nInIndex]; }

int SoundStartCapture(void) {
  if (!g_bCaptureEnabled) return 0;
  if (g_nInBuffers <= 0) return 1;
  int nCount = g_nInBuffers;
  for (int i = 0; i < nCount; i++) {
    if (!Prepared(g_pInHdr[i]) || waveInAddBuffer(g_hWaveIn, g_pInHdr[i], sizeof(WAVEHDR)) != 0) {
      g_nInBuffers--;
      break;
    }
  }
  if (g_nInBuffers <= 0) return 1;
  waveInStart(g_hWaveIn);
  g_nInIndex = 0;
  return 0;
}

MMRESULT SoundResetCapture(void) { return waveInReset(g_hWaveIn); }
