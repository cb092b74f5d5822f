/*
 * sound.h - the sound output engine: its device format record, its buffer
 * tables, start-up and shutdown, the devices, and the transport.
 *
 * The renderer reads the rate, the buffer length and slot 0 of the output
 * table straight from these globals and writes its samples into that block;
 * the engine alone allocates, plays and frees the blocks.
 */
#ifndef TONBROOK_SOUND_H
#define TONBROOK_SOUND_H

#include <windows.h>
#include <mmsystem.h>

/* The format the device is opened with; always one channel. */
typedef struct {
  DWORD nBitsPerSample;
  DWORD nSamplesPerSec;
  DWORD nFormatTag;
} AudioFormat;

#ifndef SOUND_OUT_BUFFERS
#define SOUND_OUT_BUFFERS 1
#endif
#define SOUND_IN_BUFFERS 5
#define SOUND_LOOP_COUNT 1000000

extern AudioFormat g_AudioFormat;

extern int g_nBufferSamples; /* samples per buffer */
extern DWORD g_cbOutBuffer;  /* bytes per output buffer */
extern DWORD g_cbInBuffer;   /* bytes per input buffer, equal to g_cbOutBuffer */

extern SHORT *g_pOutData[SOUND_OUT_BUFFERS];
extern WAVEHDR *g_pOutHdr[SOUND_OUT_BUFFERS];
extern int g_nOutBuffers; /* slots in use, from slot 0 */
extern int g_nOutIndex;   /* current output slot */

extern SHORT *g_pInData[SOUND_IN_BUFFERS];
extern WAVEHDR *g_pInHdr[SOUND_IN_BUFFERS];
extern int g_nInBuffers;
extern int g_nInIndex;

/* Engine state, all clear at program start. */
extern BOOL g_bSoundInit;       /* the latest SoundInit succeeded */
extern BOOL g_bPlaybackEnabled; /* playback requested by the latest SoundInit */
extern BOOL g_bCaptureEnabled;  /* capture requested by the latest SoundInit */
extern BOOL g_bWaveOutOpen;     /* the output device is open */
extern BOOL g_bWaveInOpen;      /* the input device is open */
extern HWAVEOUT g_hWaveOut;     /* kept after closing */
extern HWAVEIN g_hWaveIn;
extern WAVEFORMATEX g_wfxOut;
extern WAVEFORMATEX g_wfxIn;

/* Opens the devices asked for, pauses the output (stops the input) and
 * prepares the buffers. Returns 1 when ready, 0 on any failure; devices
 * opened before the failure stay open until SoundShutdown. */
int SoundInit(int bPlayback, int bCapture, int nRate, int nBufferSamples, HWND hwndNotify);
/* Frees the buffers, then closes the devices. Playback must have been
 * stopped before. Always 0. */
int SoundShutdown(void);

/* Opens the lowest-numbered output device that accepts the format. Returns
 * 0 (also when no device takes it, with nothing opened) or the open's
 * error code. */
MMRESULT SoundOpenPlayback(HWND hwndNotify);
int SoundClosePlayback(void);
/* Opens the input device through WAVE_MAPPER: 0, the open's error code, or
 * 1 when the open gave no handle. */
MMRESULT SoundOpenCapture(HWND hwndNotify);
int SoundCloseCapture(void);

/* Allocates and prepares the buffers of the enabled sides; the output table
 * becomes one loop of SOUND_LOOP_COUNT passes. 0 when each enabled side has
 * at least one buffer, 1 otherwise. */
int SoundAllocBuffers(void);
/* Unprepares and frees every buffer; the counts stay. Always 0. */
int SoundFreeBuffers(void);

/* Resets the output and writes the loop: 0 on success or with playback
 * off, 1 when no buffer could be written (a refused buffer is dropped). */
int SoundStartPlayback(void);
MMRESULT SoundStopPlayback(void);
MMRESULT SoundPausePlayback(void);
MMRESULT SoundRestartPlayback(void);
/* Copies g_cbOutBuffer bytes from pSamples into every output buffer. */
int SoundCopyToBuffers(const void *pSamples);
MMRESULT SoundWritePlayback(void);
/* Streaming: waits until the current output buffer is back, queues it again
 * to play once and moves to the next slot. */
MMRESULT SoundRequeuePlayback(void);
DWORD SoundGetPlaybackBytes(void);
WAVEHDR *SoundGetPlaybackHeader(void);

/* Adds every input buffer and starts recording: 0 on success or with
 * capture off, 1 when no buffer could be added. */
int SoundStartCapture(void);
MMRESULT SoundResetCapture(void);
MMRESULT SoundAddCapture(void);
MMRESULT SoundRequeueCapture(void);
DWORD SoundGetCaptureBytes(void);
WAVEHDR *SoundGetCaptureHeader(void);

#endif
