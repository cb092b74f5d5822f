/*
 * tonbrook-check: the browser build's loop buffer and resources, to compare
 * with the Linux build's under Node's WASI.
 *
 *   tonbrook-check render WAVEFORM FREQUENCY RATE LENGTH TICK
 *       renders the loop buffer as the application does (the waveform by
 *       its code, the frequency snapped, noise seeded from TICK) and writes
 *       its samples to standard output, 16-bit little-endian
 *   tonbrook-check string ID
 *       writes string ID of the linked resources, as UTF-8
 *   tonbrook-check glyphs
 *       lists each face of the glyph table as text draws it, in the form
 *       of tonbrook-glyphs --list
 *   tonbrook-check wave
 *       pauses, restarts and resets a looping block on the wave device
 *       while the page's worklet (the caller's imports, which write what
 *       they are told on the same output) reports its passes, and writes
 *       each step with the header's state and the notifications posted
 *
 * Exits 2 for a wrong command line, 1 when the output or the string fails.
 */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "common/reference.h"
#include "gdi/font.h"
#include "gdi/glyphtable.h"
#include "kernel/kernel.h"

namespace {

int Render(int nWaveform, float fFreq, int nRate, int nLength, DWORD dwTick) {
  if (nRate <= 0 || nLength <= 0) return 2;
  std::vector<int16_t> loop = Reference(nWaveform, fFreq, nRate, nLength, dwTick);
  size_t bytes = loop.size() * sizeof loop[0];
  return fwrite(loop.data(), 1, bytes, stdout) == bytes && fflush(stdout) == 0 ? 0 : 1;
}

int String(UINT uID) {
  WCHAR sz[256];
  int n = LoadStringW(nullptr, uID, sz, 256);
  if (n <= 0) return 1;
  printf("%s\n", plat::Utf8(std::u16string(sz, (size_t)n)).c_str());
  return 0;
}

int Glyphs() {
  LOGFONTW lf;
  GetObjectW(GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
  for (size_t i = 0; i < plat::gdi::kTableFaceCount; ++i) {
    const plat::gdi::TableFace &t = plat::gdi::kTableFaces[i];
    lf.lfHeight = t.lfHeight;
    lf.lfWidth = t.lfWidth;
    lf.lfWeight = t.bold ? FW_BOLD : FW_NORMAL;
    plat::gdi::FontFace *face = plat::gdi::FaceFor(lf);
    if (!face) return 1;
    printf("face %d %d %d\n%s", (int)lf.lfHeight, (int)lf.lfWidth, (int)lf.lfWeight,
           plat::gdi::Listing(face).c_str());
  }
  return fflush(stdout) == 0 ? 0 : 1;
}

/* The window the wave device's notifications are for. */
HWND const kNotify = (HWND)0x1234;

}  // namespace

extern "C" void TonbrookWavePasses(int passes);

/* The wave device posts its notifications here, with no window manager:
 * each is written out. */
BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM, LPARAM) {
  printf("posted %s\n", hwnd != kNotify ? "elsewhere"
                         : msg == MM_WOM_OPEN ? "MM_WOM_OPEN"
                         : msg == MM_WOM_DONE ? "MM_WOM_DONE"
                         : msg == MM_WOM_CLOSE ? "MM_WOM_CLOSE"
                                               : "another message");
  return TRUE;
}

namespace {

/* A block of three passes played through pause, restart and reset: each
 * step's result, then whether the header is queued or done. */
int Wave() {
  setvbuf(stdout, nullptr, _IONBF, 0);
  WAVEFORMATEX wfx = {WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
  static SHORT samples[64];
  WAVEHDR wh = {};
  wh.lpData = (LPSTR)samples;
  wh.dwBufferLength = sizeof samples;
  wh.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
  wh.dwLoops = 3;
  HWAVEOUT hwo = nullptr;
  auto write = [&] { return waveOutWrite(hwo, &wh, sizeof wh); };
  auto passes = [](int n) {
    return [n] {
      TonbrookWavePasses(n);
      return (MMRESULT)MMSYSERR_NOERROR;
    };
  };
  const std::pair<const char *, std::function<MMRESULT()>> steps[] = {
      {"open", [&] { return waveOutOpen(&hwo, 0, &wfx, (DWORD_PTR)kNotify, 0, CALLBACK_WINDOW); }},
      {"prepare", [&] { return waveOutPrepareHeader(hwo, &wh, sizeof wh); }},
      {"write", write},
      {"1 pass", passes(1)},
      {"pause", [&] { return waveOutPause(hwo); }},
      {"2 passes, played before the pause", passes(2)},
      {"restart", [&] { return waveOutRestart(hwo); }},
      {"3 passes", passes(3)},
      {"pause", [&] { return waveOutPause(hwo); }},
      {"write while paused", write},
      {"1 pass", passes(1)},
      {"reset", [&] { return waveOutReset(hwo); }},
      {"write", write},
      {"reset", [&] { return waveOutReset(hwo); }},
      {"unprepare", [&] { return waveOutUnprepareHeader(hwo, &wh, sizeof wh); }},
      {"close", [&] { return waveOutClose(hwo); }},
  };
  for (const auto &[name, step] : steps) {
    MMRESULT r = step();
    printf("%s = %u, %s\n", name, r, wh.dwFlags & WHDR_INQUEUE ? "queued" : wh.dwFlags & WHDR_DONE ? "done" : "idle");
  }
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 7 && !strcmp(argv[1], "render"))
    return Render(atoi(argv[2]), strtof(argv[3], nullptr), atoi(argv[4]), atoi(argv[5]),
                  (DWORD)strtoul(argv[6], nullptr, 10));
  if (argc == 3 && !strcmp(argv[1], "string")) return String((UINT)strtoul(argv[2], nullptr, 10));
  if (argc == 2 && !strcmp(argv[1], "glyphs")) return Glyphs();
  if (argc == 2 && !strcmp(argv[1], "wave")) return Wave();
  fprintf(stderr, "usage: tonbrook-check render WAVEFORM FREQUENCY RATE LENGTH TICK | string ID | glyphs | wave\n");
  return 2;
}
