// Measures how long the default output takes from waveOutWrite to the first
// period that the audio thread takes from the device, started from rest as
// PLAY starts it after STOP: a buffer of 100 samples, less than a period, is
// done on that first pass. Prints every time and the median in milliseconds.
// Usage: wave_latency_probe [STARTS]
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

int main(int argc, char **argv) {
  int nStarts = argc > 1 ? atoi(argv[1]) : 9;
  WAVEFORMATEX wfx{WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
  HWAVEOUT h = nullptr;
  if (waveOutOpen(&h, 0, &wfx, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
    fprintf(stderr, "wave_latency_probe: cannot open the default output\n");
    return 1;
  }
  std::vector<SHORT> samples(100, 1000);
  WAVEHDR hdr{};
  hdr.lpData = (LPSTR)samples.data();
  hdr.dwBufferLength = (DWORD)(samples.size() * sizeof(SHORT));
  std::vector<double> times;
  for (int i = 0; i < nStarts; i++) {
    // Stopped, as STOP does, and long enough for the device to let its
    // stream go.
    waveOutReset(h);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    waveOutPrepareHeader(h, &hdr, sizeof hdr);
    auto t0 = std::chrono::steady_clock::now();
    if (waveOutWrite(h, &hdr, sizeof hdr) != MMSYSERR_NOERROR) return 1;
    while (!(std::atomic_ref<DWORD>(hdr.dwFlags).load(std::memory_order_acquire) & WHDR_DONE))
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    waveOutUnprepareHeader(h, &hdr, sizeof hdr);
    printf("start %d: %.1f ms\n", i + 1, times.back());
  }
  std::sort(times.begin(), times.end());
  printf("median: %.1f ms\n", times[times.size() / 2]);
  waveOutClose(h);
  return 0;
}
