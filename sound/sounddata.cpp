#include "sound.h"

AudioFormat g_AudioFormat = {16, 44100, WAVE_FORMAT_PCM};

int g_nBufferSamples;
DWORD g_cbOutBuffer;
DWORD g_cbInBuffer;

SHORT *g_pOutData[SOUND_OUT_BUFFERS];
WAVEHDR *g_pOutHdr[SOUND_OUT_BUFFERS];
int g_nOutBuffers;
int g_nOutIndex;

SHORT *g_pInData[SOUND_IN_BUFFERS];
WAVEHDR *g_pInHdr[SOUND_IN_BUFFERS];
int g_nInBuffers;
int g_nInIndex;
