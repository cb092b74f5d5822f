/*
 * host-check: a stand-in for tonbrook.wasm that uses what host.js gives a
 * module, to check the host in a browser. It presents a black screen, waits
 * 100 ms (a wait that asyncify unwinds to the browser and resumes), then
 * presents four quadrants, red, green, blue and white, with a one-pixel
 * grey frame, and waits for input until a key comes, when it ends. Built
 * as a reactor, as tonbrook.wasm is.
 */
#include <stdio.h>

#define IMPORT(name) __attribute__((import_module("tonbrook"), import_name(name)))
#define EXPORT(name) __attribute__((export_name(name)))

extern "C" {
IMPORT("present") void TonbrookPresent(const unsigned *pixels);
IMPORT("wait") int TonbrookWait(int ms);
}

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 320;
constexpr int kUnwindBytes = 65536;

unsigned s_screen[kWidth * kHeight];
alignas(16) char s_unwind[kUnwindBytes];
bool s_keyed;

}  // namespace

extern "C" {
EXPORT("tonbrook_unwind_buffer") void *TonbrookUnwindBuffer() { return s_unwind; }
EXPORT("tonbrook_input") void TonbrookInput(int kind, int x, int y, int key, int ctrl) {
  printf("input %d %d %d %d %d\n", kind, x, y, key, ctrl);
  if (kind == 4) s_keyed = true;
}
EXPORT("tonbrook_wave_passes") void TonbrookWavePasses(int) {}
}

EXPORT("tonbrook_start") int TonbrookStart() {
  TonbrookPresent(s_screen);
  TonbrookWait(100);
  for (int y = 0; y < kHeight; y++) {
    for (int x = 0; x < kWidth; x++) {
      const unsigned quadrants[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
      bool edge = x == 0 || y == 0 || x == kWidth - 1 || y == kHeight - 1;
      s_screen[y * kWidth + x] = edge ? 0x808080 : quadrants[(y >= kHeight / 2) * 2 + (x >= kWidth / 2)];
    }
  }
  TonbrookPresent(s_screen);
  printf("presented\n");
  while (!s_keyed) TonbrookWait(-1);
  return 0;
}
