// The SDL backend on SDL's dummy driver: a real audio thread plays a loop to
// its end while the samples are rewritten in place.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <thread>
#include <vector>

#include "wave/wave.h"

namespace {

DWORD Flags(WAVEHDR *pwh) { return std::atomic_ref<DWORD>(pwh->dwFlags).load(std::memory_order_acquire); }

TEST(SdlBackend, PlaysALoopOnSdlsThreadToItsEnd) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  plat::wave::UseBackend(&plat::wave::SdlBackend());
  if (waveOutGetNumDevs() == 0) GTEST_SKIP() << "SDL has no dummy audio driver here";

  WAVEFORMATEX wfx{WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
  HWAVEOUT h = nullptr;
  ASSERT_EQ(waveOutOpen(nullptr, 0, &wfx, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutOpen(&h, 0, &wfx, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  std::vector<SHORT> samples(512);
  WAVEHDR hdr{};
  hdr.lpData = (LPSTR)samples.data();
  hdr.dwBufferLength = 1024;
  ASSERT_EQ(waveOutPrepareHeader(h, &hdr, sizeof hdr), MMSYSERR_NOERROR);
  hdr.dwFlags |= WHDR_BEGINLOOP | WHDR_ENDLOOP;
  hdr.dwLoops = 4;
  ASSERT_EQ(waveOutWrite(h, &hdr, sizeof hdr), MMSYSERR_NOERROR);

  for (SHORT v = 0; !(Flags(&hdr) & WHDR_DONE); v++) {
    for (SHORT &s : samples) std::atomic_ref<SHORT>(s).store(v, std::memory_order_relaxed);
    std::this_thread::yield();
  }
  EXPECT_FALSE(Flags(&hdr) & WHDR_INQUEUE);
  EXPECT_EQ(waveOutUnprepareHeader(h, &hdr, sizeof hdr), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(h), MMSYSERR_NOERROR);
  plat::wave::UseBackend(nullptr);
}

}  // namespace
