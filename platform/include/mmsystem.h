/*
 * mmsystem.h - waveform audio: formats, buffer headers, result codes, the
 * waveOut and waveIn services and sndPlaySoundW.
 */
#ifndef TONBROOK_MMSYSTEM_H
#define TONBROOK_MMSYSTEM_H

#include <windows.h>

typedef UINT MMRESULT;
typedef UINT MMVERSION;

#define MAXPNAMELEN 32

#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR 1
#define MMSYSERR_BADDEVICEID 2
#define MMSYSERR_NOTENABLED 3
#define MMSYSERR_ALLOCATED 4
#define MMSYSERR_INVALHANDLE 5
#define MMSYSERR_NODRIVER 6
#define MMSYSERR_NOMEM 7
#define MMSYSERR_NOTSUPPORTED 8
#define MMSYSERR_INVALFLAG 10
#define MMSYSERR_INVALPARAM 11

#define WAVERR_BASE 32
#define WAVERR_BADFORMAT (WAVERR_BASE + 0)
#define WAVERR_STILLPLAYING (WAVERR_BASE + 1)
#define WAVERR_UNPREPARED (WAVERR_BASE + 2)
#define WAVERR_SYNC (WAVERR_BASE + 3)

#define WAVE_FORMAT_PCM 1

typedef struct tWAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
} WAVEFORMATEX, *PWAVEFORMATEX, *LPWAVEFORMATEX;
typedef const WAVEFORMATEX *LPCWAVEFORMATEX;

typedef struct wavehdr_tag {
  LPSTR lpData;
  DWORD dwBufferLength;
  DWORD dwBytesRecorded;
  DWORD_PTR dwUser;
  DWORD dwFlags;
  DWORD dwLoops;
  struct wavehdr_tag *lpNext;
  DWORD_PTR reserved;
} WAVEHDR, *PWAVEHDR, *LPWAVEHDR;

#define WHDR_DONE 0x00000001
#define WHDR_PREPARED 0x00000002
#define WHDR_BEGINLOOP 0x00000004
#define WHDR_ENDLOOP 0x00000008
#define WHDR_INQUEUE 0x00000010

/* Standard formats a device reports in its capabilities: rate in kHz,
 * mono or stereo, 8 or 16 bits. */
#define WAVE_FORMAT_1M08 0x00000001
#define WAVE_FORMAT_1S08 0x00000002
#define WAVE_FORMAT_1M16 0x00000004
#define WAVE_FORMAT_1S16 0x00000008
#define WAVE_FORMAT_2M08 0x00000010
#define WAVE_FORMAT_2S08 0x00000020
#define WAVE_FORMAT_2M16 0x00000040
#define WAVE_FORMAT_2S16 0x00000080
#define WAVE_FORMAT_4M08 0x00000100
#define WAVE_FORMAT_4S08 0x00000200
#define WAVE_FORMAT_4M16 0x00000400
#define WAVE_FORMAT_4S16 0x00000800

/* Optional functions of an output device. */
#define WAVECAPS_PITCH 0x0001
#define WAVECAPS_PLAYBACKRATE 0x0002
#define WAVECAPS_VOLUME 0x0004
#define WAVECAPS_LRVOLUME 0x0008
#define WAVECAPS_SYNC 0x0010
#define WAVECAPS_SAMPLEACCURATE 0x0020

typedef struct tagWAVEOUTCAPSW {
  WORD wMid;
  WORD wPid;
  MMVERSION vDriverVersion;
  WCHAR szPname[MAXPNAMELEN];
  DWORD dwFormats;
  WORD wChannels;
  WORD wReserved1;
  DWORD dwSupport;
} WAVEOUTCAPSW, *PWAVEOUTCAPSW, *LPWAVEOUTCAPSW;

DECLARE_HANDLE(HWAVEOUT);
DECLARE_HANDLE(HWAVEIN);
typedef HWAVEOUT *LPHWAVEOUT;
typedef HWAVEIN *LPHWAVEIN;

/* Device identifier that lets the system choose the first device that
 * accepts the format. */
#define WAVE_MAPPER ((UINT)-1)

/* Flags of waveOutOpen and waveInOpen. */
#define WAVE_FORMAT_QUERY 0x00000001
#define CALLBACK_TYPEMASK 0x00070000
#define CALLBACK_NULL 0x00000000
#define CALLBACK_WINDOW 0x00010000
#define CALLBACK_THREAD 0x00020000
#define CALLBACK_FUNCTION 0x00030000
#define CALLBACK_EVENT 0x00050000

/* Notifications posted to a CALLBACK_WINDOW target: wParam is the device
 * handle, lParam the returned WAVEHDR for DONE and DATA, 0 otherwise. */
#define MM_WOM_OPEN 0x3BB
#define MM_WOM_CLOSE 0x3BC
#define MM_WOM_DONE 0x3BD
#define MM_WIM_OPEN 0x3BE
#define MM_WIM_CLOSE 0x3BF
#define MM_WIM_DATA 0x3C0

/* Output. Every call on a null or closed handle returns
 * MMSYSERR_INVALHANDLE; a header call with a null header, or a size below
 * sizeof(WAVEHDR), returns MMSYSERR_INVALPARAM. */
UINT waveOutGetNumDevs(void);
/* Fills the capabilities of device uDeviceID (WAVE_MAPPER: the mapper's),
 * as many bytes of them as cbwoc allows; the name is cut to MAXPNAMELEN - 1
 * characters.
 * MMSYSERR_BADDEVICEID for an id that is not a device, MMSYSERR_INVALPARAM
 * for a null record. */
MMRESULT waveOutGetDevCapsW(UINT_PTR uDeviceID, LPWAVEOUTCAPSW pwoc, UINT cbwoc);
/* Opens device uDeviceID (or WAVE_MAPPER) for pwfx and stores the handle in
 * *phwo, which is set to NULL first. With WAVE_FORMAT_QUERY only answers
 * whether the device accepts the format (phwo may then be NULL).
 * MMSYSERR_BADDEVICEID, WAVERR_BADFORMAT, MMSYSERR_ALLOCATED, ... on failure. */
MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                     DWORD_PTR dwInstance, DWORD fdwOpen);
/* Fails with WAVERR_STILLPLAYING while buffers are queued. */
MMRESULT waveOutClose(HWAVEOUT hwo);
MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
/* WAVERR_STILLPLAYING while the header is queued. */
MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
/* Queues a prepared header (WAVERR_UNPREPARED otherwise). A header with
 * WHDR_BEGINLOOP starts a loop that ends after the header with WHDR_ENDLOOP
 * and is played dwLoops times; the samples are read from the caller's block
 * as they are played. */
MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
MMRESULT waveOutPause(HWAVEOUT hwo);
MMRESULT waveOutRestart(HWAVEOUT hwo);
/* Stops at once, returns every queued header with WHDR_DONE and leaves the
 * device playing what is written next, also after a pause. */
MMRESULT waveOutReset(HWAVEOUT hwo);

/* Input, with the same rules. */
UINT waveInGetNumDevs(void);
MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                    DWORD_PTR dwInstance, DWORD fdwOpen);
MMRESULT waveInClose(HWAVEIN hwi);
MMRESULT waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh);
MMRESULT waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh);
/* Queues an empty prepared buffer; it is returned done, with
 * dwBytesRecorded set, when it is full or recording stops. */
MMRESULT waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh);
MMRESULT waveInStart(HWAVEIN hwi);
/* Stops recording; the buffer being filled is returned, empty ones stay. */
MMRESULT waveInStop(HWAVEIN hwi);
/* Stops recording and returns every queued buffer. */
MMRESULT waveInReset(HWAVEIN hwi);

#define SND_SYNC 0x0000
#define SND_ASYNC 0x0001
#define SND_NODEFAULT 0x0002
#define SND_MEMORY 0x0004
#define SND_LOOP 0x0008
#define SND_NOSTOP 0x0010
#define SND_NOWAIT 0x00002000
#define SND_ALIAS 0x00010000
#define SND_FILENAME 0x00020000

/* With a null sound, stops any sound the system plays and returns TRUE.
 * The system has no sounds of its own to play: any other sound gives FALSE. */
BOOL sndPlaySoundW(LPCWSTR pszSound, UINT fuSound);

#endif
