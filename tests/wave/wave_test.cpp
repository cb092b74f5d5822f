// The waveform audio services against the scripted backend: arguments and
// error codes, the header life cycle, looping, pause and reset, capture, and
// the notifications.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <vector>

#include "common/wintest.h"
#include "wave/device.h"
#include "wave/scripted.h"

namespace {

WAVEFORMATEX Pcm16(DWORD nRate = 44100) {
  WAVEFORMATEX wfx{};
  wfx.wFormatTag = WAVE_FORMAT_PCM;
  wfx.nChannels = 1;
  wfx.nSamplesPerSec = nRate;
  wfx.nBlockAlign = 2;
  wfx.nAvgBytesPerSec = 2 * nRate;
  wfx.wBitsPerSample = 16;
  return wfx;
}

// A block of samples and its header.
struct Buffer {
  explicit Buffer(size_t n, SHORT first = 1) : samples(n) {
    for (size_t i = 0; i < n; i++) samples[i] = (SHORT)(first + i);
    hdr.lpData = (LPSTR)samples.data();
    hdr.dwBufferLength = (DWORD)(n * 2);
  }
  std::vector<SHORT> samples;
  WAVEHDR hdr{};
};

class WaveTest : public ::testing::Test {
 protected:
  void SetUp() override { wintest::Begin(); }
  void TearDown() override { wintest::End(); }

  HWAVEOUT OpenOut(DWORD_PTR dwCallback = 0, DWORD fdw = CALLBACK_NULL) {
    HWAVEOUT h = nullptr;
    WAVEFORMATEX wfx = Pcm16();
    EXPECT_EQ(waveOutOpen(&h, 0, &wfx, dwCallback, 0, fdw), MMSYSERR_NOERROR);
    return h;
  }

  // The posted messages of the wave range, taken off the queue.
  static std::vector<UINT> WaveMessages(std::vector<LPARAM> *lParams = nullptr) {
    std::vector<UINT> seen;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, MM_WOM_OPEN, MM_WIM_DATA, PM_REMOVE)) {
      seen.push_back(msg.message);
      if (lParams) lParams->push_back(msg.lParam);
    }
    return seen;
  }

  plat::wave::ScriptedBackend m_backend;
};

TEST_F(WaveTest, OpenChecksItsArgumentsAndQueryOpensNothing) {
  WAVEFORMATEX wfx = Pcm16();
  HWAVEOUT h = (HWAVEOUT)1;
  m_backend.outputs.resize(2);
  m_backend.outputs[0].bAccepts = false;

  EXPECT_EQ(waveOutGetNumDevs(), 2u);
  EXPECT_EQ(waveOutOpen(nullptr, 0, &wfx, 0, 0, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);
  EXPECT_EQ(waveOutOpen(nullptr, 1, &wfx, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutOpen(nullptr, 1, &wfx, 0, 0, 0), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveOutOpen(&h, 2, &wfx, 0, 0, 0), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(h, nullptr);  // cleared before anything else
  EXPECT_EQ(waveOutOpen(&h, 1, nullptr, 0, 0, 0), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveOutOpen(&h, 1, &wfx, 0, 0, 0x80000000u), MMSYSERR_INVALFLAG);
  EXPECT_EQ(waveOutOpen(&h, 1, &wfx, 0, 0, CALLBACK_FUNCTION), MMSYSERR_NOTSUPPORTED);
  WAVEFORMATEX odd = wfx;
  odd.nAvgBytesPerSec = 1;
  EXPECT_EQ(waveOutOpen(nullptr, 1, &odd, 0, 0, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);
  odd = wfx;
  odd.wFormatTag = 3;
  EXPECT_EQ(waveOutOpen(nullptr, 1, &odd, 0, 0, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);

  // The mapper takes the first device that accepts.
  EXPECT_EQ(waveOutOpen(&h, WAVE_MAPPER, &wfx, 0, 0, 0), MMSYSERR_NOERROR);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(m_backend.Calls().back(), "waveOutOpen(&h, WAVE_MAPPER, 44100/16/1, 0x0, 0x0) = 0 -> " +
                                          plat::wave::HandleName(h));
  EXPECT_EQ(waveOutClose(h), MMSYSERR_NOERROR);

  m_backend.outputs.clear();
  EXPECT_EQ(waveOutOpen(&h, 0, &wfx, 0, 0, 0), MMSYSERR_NODRIVER);
}

TEST_F(WaveTest, DeviceCapabilitiesNameEachDevice) {
  m_backend.outputs.resize(3);
  m_backend.outputs[1].name = "Speakers \xC3\xA9 \xF0\x9F\x94\x8A";
  m_backend.outputs[2].name = std::string(40, 'x');
  EXPECT_EQ(waveOutGetNumDevs(), 3u);

  WAVEOUTCAPSW caps;
  ASSERT_EQ(waveOutGetDevCapsW(0, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_EQ(std::u16string(caps.szPname), u"Scripted device");
  EXPECT_EQ(caps.wChannels, 2);
  EXPECT_TRUE(caps.dwFormats & WAVE_FORMAT_4S16);
  ASSERT_EQ(waveOutGetDevCapsW(1, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_EQ(std::u16string(caps.szPname), u"Speakers \u00E9 \U0001F50A");
  ASSERT_EQ(waveOutGetDevCapsW(2, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_EQ(std::u16string(caps.szPname), std::u16string(MAXPNAMELEN - 1, u'x'));
  ASSERT_EQ(waveOutGetDevCapsW(WAVE_MAPPER, &caps, sizeof caps), MMSYSERR_NOERROR);

  // A short record gets as much as fits.
  WAVEOUTCAPSW part{};
  ASSERT_EQ(waveOutGetDevCapsW(1, &part, offsetof(WAVEOUTCAPSW, szPname) + 4), MMSYSERR_NOERROR);
  EXPECT_EQ(part.szPname[1], u'p');
  EXPECT_EQ(part.szPname[2], 0);

  EXPECT_EQ(waveOutGetDevCapsW(3, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(waveOutGetDevCapsW(0, nullptr, sizeof caps), MMSYSERR_INVALPARAM);
  EXPECT_EQ(m_backend.Calls().back(), "waveOutGetDevCapsW(0, NULL, " + std::to_string(sizeof caps) + ") = 11");
  m_backend.outputs.clear();
  EXPECT_EQ(waveOutGetDevCapsW(0, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(waveOutGetDevCapsW(WAVE_MAPPER, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
}

TEST_F(WaveTest, FailingOpensFailOnceOrAlways) {
  WAVEFORMATEX wfx = Pcm16();
  HWAVEOUT h;
  m_backend.outputs[0].nOpensToFail = 1;
  EXPECT_EQ(waveOutOpen(&h, 0, &wfx, 0, 0, 0), MMSYSERR_ALLOCATED);
  EXPECT_EQ(waveOutOpen(&h, 0, &wfx, 0, 0, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(h), MMSYSERR_NOERROR);
  m_backend.outputs[0].nOpensToFail = -1;
  m_backend.outputs[0].openError = MMSYSERR_NOMEM;
  for (int i = 0; i < 3; i++) EXPECT_EQ(waveOutOpen(&h, 0, &wfx, 0, 0, 0), MMSYSERR_NOMEM);
}

TEST_F(WaveTest, NullAndClosedHandlesAreRefused) {
  Buffer b(4);
  EXPECT_EQ(waveOutReset(nullptr), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutPause(nullptr), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutPrepareHeader(nullptr, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutClose(nullptr), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveInReset(nullptr), MMSYSERR_INVALHANDLE);

  HWAVEOUT h = OpenOut();
  EXPECT_EQ(waveOutPrepareHeader(h, nullptr, sizeof(WAVEHDR)), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveOutPrepareHeader(h, &b.hdr, 32), MMSYSERR_INVALPARAM);  // the handheld's size
  EXPECT_EQ(waveInStart((HWAVEIN)h), MMSYSERR_INVALHANDLE);             // the other direction
  EXPECT_EQ(waveOutClose(h), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(h), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutReset(h), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutWrite(h, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
}

TEST_F(WaveTest, HeaderFlagsFollowTheLifeCycle) {
  HWAVEOUT h = OpenOut();
  Buffer b(100);
  EXPECT_EQ(waveOutWrite(h, &b.hdr, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
  EXPECT_EQ(waveOutPrepareHeader(h, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(b.hdr.dwFlags, (DWORD)WHDR_PREPARED);
  EXPECT_EQ(waveOutWrite(h, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(b.hdr.dwFlags, (DWORD)(WHDR_PREPARED | WHDR_INQUEUE));
  EXPECT_EQ(waveOutWrite(h, &b.hdr, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveOutUnprepareHeader(h, &b.hdr, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveOutClose(h), WAVERR_STILLPLAYING);

  m_backend.Advance(99);
  EXPECT_EQ(b.hdr.dwFlags, (DWORD)(WHDR_PREPARED | WHDR_INQUEUE));
  m_backend.Advance(2);  // the last sample, then silence
  EXPECT_EQ(b.hdr.dwFlags, (DWORD)(WHDR_PREPARED | WHDR_DONE));
  std::vector<int16_t> played = m_backend.Played(0);
  ASSERT_EQ(played.size(), 101u);
  EXPECT_EQ(played[0], 1);
  EXPECT_EQ(played[99], 100);
  EXPECT_EQ(played[100], 0);

  // Preparing again clears the done bit; a written header is played again.
  EXPECT_EQ(waveOutUnprepareHeader(h, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(b.hdr.dwFlags, (DWORD)WHDR_DONE);
  EXPECT_EQ(waveOutPrepareHeader(h, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(b.hdr.dwFlags, (DWORD)WHDR_PREPARED);
  EXPECT_EQ(waveOutClose(h), MMSYSERR_NOERROR);
}

TEST_F(WaveTest, ALoopPlaysItsPassesFromTheCallersBlockAndCanJumpToItsEnd) {
  HWAVEOUT h = OpenOut();
  Buffer b(8);
  waveOutPrepareHeader(h, &b.hdr, sizeof(WAVEHDR));
  b.hdr.dwFlags |= WHDR_BEGINLOOP | WHDR_ENDLOOP;
  b.hdr.dwLoops = 1000;
  Buffer after(2, 100);
  waveOutPrepareHeader(h, &after.hdr, sizeof(WAVEHDR));
  ASSERT_EQ(waveOutWrite(h, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutWrite(h, &after.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);

  m_backend.Advance(12);  // one pass and half of the second
  EXPECT_EQ(m_backend.LoopPass(0), 2u);
  for (SHORT &s : b.samples) s = (SHORT)-s;  // rewritten in place, no new write
  m_backend.Advance(12);
  std::vector<int16_t> played = m_backend.Played(0);
  std::vector<int16_t> expected = {1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, -5, -6, -7, -8, -1, -2, -3, -4, -5, -6, -7, -8};
  EXPECT_EQ(played, expected);
  EXPECT_EQ(m_backend.LoopPass(0), 4u);

  m_backend.JumpToLastPass();
  EXPECT_EQ(m_backend.LoopPass(0), 1000u);
  EXPECT_TRUE(b.hdr.dwFlags & WHDR_INQUEUE);
  m_backend.Advance(8 + 2);  // the rest of the last pass, then the next header
  EXPECT_EQ(b.hdr.dwFlags & (WHDR_DONE | WHDR_INQUEUE), (DWORD)WHDR_DONE);
  EXPECT_EQ(after.hdr.dwFlags & (WHDR_DONE | WHDR_INQUEUE), (DWORD)WHDR_DONE);
  played = m_backend.Played(0);
  EXPECT_EQ(std::vector<int16_t>(played.end() - 2, played.end()), (std::vector<int16_t>{100, 101}));
  EXPECT_EQ(m_backend.LoopPass(0), 0u);
  EXPECT_EQ(waveOutClose(h), MMSYSERR_NOERROR);
}

TEST_F(WaveTest, ResetAfterThePauseAtOpenLeavesTheDeviceReadyToPlay) {
  HWAVEOUT h = OpenOut();
  Buffer b(4);
  waveOutPrepareHeader(h, &b.hdr, sizeof(WAVEHDR));
  b.hdr.dwFlags |= WHDR_BEGINLOOP | WHDR_ENDLOOP;
  b.hdr.dwLoops = 5;

  EXPECT_EQ(waveOutPause(h), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutWrite(h, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  m_backend.Advance(3);  // paused: silence, nothing taken
  EXPECT_EQ(m_backend.Played(0), (std::vector<int16_t>{0, 0, 0}));

  // Reset returns the loop done, and the next write plays at once from its
  // first sample.
  EXPECT_EQ(waveOutReset(h), MMSYSERR_NOERROR);
  EXPECT_EQ(b.hdr.dwFlags & (WHDR_DONE | WHDR_INQUEUE), (DWORD)WHDR_DONE);
  EXPECT_EQ(waveOutWrite(h, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  m_backend.Advance(6);
  EXPECT_EQ(waveOutPause(h), MMSYSERR_NOERROR);
  m_backend.Advance(2);
  EXPECT_EQ(waveOutRestart(h), MMSYSERR_NOERROR);
  m_backend.Advance(2);
  EXPECT_EQ(m_backend.Played(0), (std::vector<int16_t>{0, 0, 0, 1, 2, 3, 4, 1, 2, 0, 0, 3, 4}));

  // A reset in mid-pass starts the next loop from the beginning.
  EXPECT_EQ(waveOutReset(h), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutWrite(h, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  m_backend.Advance(1);
  EXPECT_EQ(m_backend.Played(0).back(), 1);
  EXPECT_EQ(waveOutReset(h), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutReset(h), MMSYSERR_NOERROR);  // idle: nothing happens
  EXPECT_EQ(waveOutClose(h), MMSYSERR_NOERROR);
}

TEST_F(WaveTest, ARefusedWriteLeavesTheHeaderOutOfTheQueue) {
  HWAVEOUT h = OpenOut();
  Buffer b(4);
  waveOutPrepareHeader(h, &b.hdr, sizeof(WAVEHDR));
  m_backend.RefuseWrite(1, MMSYSERR_NOMEM);
  EXPECT_EQ(waveOutWrite(h, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOMEM);
  EXPECT_EQ(b.hdr.dwFlags, (DWORD)WHDR_PREPARED);
  EXPECT_EQ(waveOutWrite(h, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  waveOutReset(h);
  EXPECT_EQ(waveOutClose(h), MMSYSERR_NOERROR);
}

TEST_F(WaveTest, NotificationsGoToTheWindowAfterEachEvent) {
  HWND hwnd = wintest::Top();
  HWAVEOUT h = OpenOut((DWORD_PTR)hwnd, CALLBACK_WINDOW);
  Buffer b(4), c(4);
  waveOutPrepareHeader(h, &b.hdr, sizeof(WAVEHDR));
  waveOutPrepareHeader(h, &c.hdr, sizeof(WAVEHDR));
  waveOutWrite(h, &b.hdr, sizeof(WAVEHDR));
  waveOutWrite(h, &c.hdr, sizeof(WAVEHDR));
  m_backend.Advance(5);
  std::vector<LPARAM> lParams;
  EXPECT_EQ(WaveMessages(&lParams), (std::vector<UINT>{MM_WOM_OPEN, MM_WOM_DONE}));
  EXPECT_EQ(lParams[1], (LPARAM)&b.hdr);
  waveOutReset(h);
  lParams.clear();
  EXPECT_EQ(WaveMessages(&lParams), (std::vector<UINT>{MM_WOM_DONE}));
  EXPECT_EQ(lParams[0], (LPARAM)&c.hdr);
  waveOutClose(h);
  EXPECT_EQ(WaveMessages(), (std::vector<UINT>{MM_WOM_CLOSE}));

  // CALLBACK_NULL posts nothing.
  h = OpenOut((DWORD_PTR)hwnd, CALLBACK_NULL);
  waveOutClose(h);
  EXPECT_TRUE(WaveMessages().empty());
}

TEST_F(WaveTest, AnUnpluggedDeviceReturnsItsBuffersAndRefusesWrites) {
  HWAVEOUT h = OpenOut();
  Buffer b(4);
  waveOutPrepareHeader(h, &b.hdr, sizeof(WAVEHDR));
  b.hdr.dwFlags |= WHDR_BEGINLOOP | WHDR_ENDLOOP;
  b.hdr.dwLoops = 10;
  waveOutWrite(h, &b.hdr, sizeof(WAVEHDR));
  m_backend.Advance(2);
  m_backend.Unplug(0);
  EXPECT_EQ(b.hdr.dwFlags & (WHDR_DONE | WHDR_INQUEUE), (DWORD)WHDR_DONE);
  EXPECT_EQ(waveOutWrite(h, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NODRIVER);
  m_backend.Advance(2);
  EXPECT_EQ(waveOutReset(h), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutUnprepareHeader(h, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(h), MMSYSERR_NOERROR);
}

// A built-in output runs on the scripted clock in frames and retries its
// lost output once a second, 44100 frames.
TEST_F(WaveTest, ABuiltInOutputKeepsItsPlaceWhileItsOutputIsGone) {
  HWND hwnd = wintest::Top();
  m_backend.outputs[0].bBuiltIn = true;
  HWAVEOUT h = OpenOut((DWORD_PTR)hwnd, CALLBACK_WINDOW);
  Buffer b(100);
  waveOutPrepareHeader(h, &b.hdr, sizeof(WAVEHDR));
  b.hdr.dwFlags |= WHDR_BEGINLOOP | WHDR_ENDLOOP;
  b.hdr.dwLoops = 100000;
  ASSERT_EQ(waveOutWrite(h, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  m_backend.Advance(30);  // frames 0 to 29: samples 1 to 30

  // Gone for 50 frames, back, and found again at the next retry: the loop
  // has moved on by the clock.
  m_backend.Drop(0);
  m_backend.Advance(50);
  EXPECT_FALSE(m_backend.Holding(0));
  m_backend.Restore(0);
  m_backend.Advance(44100);
  EXPECT_TRUE(m_backend.Holding(0));
  m_backend.Advance(10);
  std::vector<int16_t> played = m_backend.Played(0);
  ASSERT_EQ(played.size(), 40u);
  EXPECT_EQ(played[29], 30);
  EXPECT_EQ(std::vector<int16_t>(played.begin() + 30, played.end()),
            (std::vector<int16_t>{81, 82, 83, 84, 85, 86, 87, 88, 89, 90}));
  EXPECT_EQ(WaveMessages(), (std::vector<UINT>{MM_WOM_OPEN}));

  // STOP and PLAY while it is gone: nothing fails, the reset returns the
  // loop done, and the new loop plays on the clock from its write.
  m_backend.Drop(0);
  m_backend.Advance(5);
  EXPECT_EQ(waveOutReset(h), MMSYSERR_NOERROR);
  EXPECT_EQ(b.hdr.dwFlags & (WHDR_DONE | WHDR_INQUEUE), (DWORD)WHDR_DONE);
  EXPECT_EQ(WaveMessages(), (std::vector<UINT>{MM_WOM_DONE}));
  EXPECT_EQ(waveOutWrite(h, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  m_backend.Advance(20);
  m_backend.Restore(0);
  m_backend.Advance(44100);
  m_backend.Advance(4);
  played = m_backend.Played(0);
  EXPECT_EQ(std::vector<int16_t>(played.begin() + 40, played.end()), (std::vector<int16_t>{21, 22, 23, 24}));

  EXPECT_EQ(waveOutReset(h), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutUnprepareHeader(h, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(h), MMSYSERR_NOERROR);
}

TEST_F(WaveTest, ABuiltInOutputIsHeldOnlyWhileBuffersAreQueued) {
  m_backend.outputs[0].bBuiltIn = true;
  HWAVEOUT h = OpenOut();
  Buffer a(8), b(4);
  for (Buffer *p : {&a, &b}) waveOutPrepareHeader(h, &p->hdr, sizeof(WAVEHDR));
  m_backend.Advance(4);
  EXPECT_FALSE(m_backend.Holding(0));
  EXPECT_EQ(m_backend.PlayedSamples(0), 0u);

  // A buffer that plays out lets the output go with its last frame.
  waveOutWrite(h, &a.hdr, sizeof(WAVEHDR));
  m_backend.Advance(6);
  EXPECT_TRUE(m_backend.Holding(0));
  m_backend.Advance(2);
  EXPECT_FALSE(m_backend.Holding(0));

  // So does a reset.
  waveOutWrite(h, &b.hdr, sizeof(WAVEHDR));
  m_backend.Advance(1);
  EXPECT_TRUE(m_backend.Holding(0));
  waveOutReset(h);
  m_backend.Advance(1);
  EXPECT_FALSE(m_backend.Holding(0));
  EXPECT_EQ(m_backend.PlayedSamples(0), 9u);
  EXPECT_EQ(waveOutClose(h), MMSYSERR_NOERROR);
}

TEST_F(WaveTest, CaptureFillsBuffersInOrderAndStopReturnsThePartOne) {
  HWND hwnd = wintest::Top();
  HWAVEIN h = nullptr;
  WAVEFORMATEX wfx = Pcm16();
  ASSERT_EQ(waveInGetNumDevs(), 1u);
  ASSERT_EQ(waveInOpen(&h, WAVE_MAPPER, &wfx, (DWORD_PTR)hwnd, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
  Buffer a(4, 0), b(4, 0), c(4, 0);
  for (Buffer *p : {&a, &b, &c}) {
    ASSERT_EQ(waveInPrepareHeader(h, &p->hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(h, &p->hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  m_backend.Advance(4);  // not started: dropped
  EXPECT_EQ(a.hdr.dwBytesRecorded, 0u);
  EXPECT_EQ(waveInStart(h), MMSYSERR_NOERROR);
  m_backend.Advance(6);
  EXPECT_EQ(a.hdr.dwFlags & (WHDR_DONE | WHDR_INQUEUE), (DWORD)WHDR_DONE);
  EXPECT_EQ(a.hdr.dwBytesRecorded, 8u);
  EXPECT_EQ(((BYTE *)a.samples.data())[0], 8);  // the counting signal, 8 bytes in
  EXPECT_EQ(b.hdr.dwBytesRecorded, 4u);
  EXPECT_EQ(waveInStop(h), MMSYSERR_NOERROR);
  EXPECT_EQ(b.hdr.dwFlags & (WHDR_DONE | WHDR_INQUEUE), (DWORD)WHDR_DONE);
  EXPECT_TRUE(c.hdr.dwFlags & WHDR_INQUEUE);
  EXPECT_EQ(waveInClose(h), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveInReset(h), MMSYSERR_NOERROR);
  EXPECT_EQ(c.hdr.dwFlags & (WHDR_DONE | WHDR_INQUEUE), (DWORD)WHDR_DONE);
  EXPECT_EQ(c.hdr.dwBytesRecorded, 0u);
  EXPECT_EQ(waveInClose(h), MMSYSERR_NOERROR);
  EXPECT_EQ(WaveMessages(), (std::vector<UINT>{MM_WIM_OPEN, MM_WIM_DATA, MM_WIM_DATA, MM_WIM_DATA, MM_WIM_CLOSE}));
}

TEST_F(WaveTest, SystemSoundsCanBeStoppedButNonePlayed) {
  EXPECT_TRUE(sndPlaySoundW(nullptr, 0));
  EXPECT_FALSE(sndPlaySoundW(u"SystemStart", SND_ASYNC));
  EXPECT_EQ(m_backend.Calls(), (std::vector<std::string>{"sndPlaySoundW(NULL, 0x0) = 1", "sndPlaySoundW(sound, 0x1) = 0"}));
}

}  // namespace
