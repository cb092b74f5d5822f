/*
 * synth.h - signal synthesis: the generator parameters, frequency snapping and
 * the rendering of every waveform into the engine's loop buffer.
 */
#ifndef TONBROOK_SYNTH_H
#define TONBROOK_SYNTH_H

#include <windows.h>

typedef struct {
  int nSampleRate;  /* samples per second */
  int nBufferLen;   /* samples in the loop buffer */
  float fFrequency; /* current frequency in Hz, snapped after every change */
  UINT nTimerMs;    /* period of the noise refresh timer */
} GenParams;

extern GenParams g_GenParams;

/* Waveform codes; any other value names no waveform. */
#define WF_IMPULSE 1
#define WF_SWEEP 2
#define WF_SINE 3
#define WF_WHITE_NOISE 4
#define WF_SAWTOOTH 5
#define WF_SQUARE 6
#define WF_PINK_NOISE 7
#define WF_TRIANGLE 9

/* Lowers g_GenParams.fFrequency to the largest whole number of cycles per
 * loop buffer, at least one. */
void SnapFrequency(void);

/* Renders nWaveform at fFreq (already snapped) into the engine's output
 * buffer and copies it into any further output buffers. A code that names no
 * waveform leaves the samples as they are; with no output buffer nothing is
 * written. Always returns 0. */
int GenerateWaveform(int nWaveform, float fFreq);

/* Renders pink noise into two buffers at once, nSamples each, as
 * GenerateWaveform would at tick dwTickA into pBufA and at tick dwTickB into
 * pBufB, in less time than the two one after the other. */
void RenderPinkNoisePair(SHORT *pBufA, DWORD dwTickA, SHORT *pBufB, DWORD dwTickB, int nSamples);

#endif
