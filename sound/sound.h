/*
 * sound.h - the sound output engine: its device format record and its buffer
 * tables.
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

#endif
