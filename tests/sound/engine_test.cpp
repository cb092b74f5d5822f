// Start-up, shutdown and the transport of the sound engine, as the calls it
// makes on the waveform services.
#include <windows.h>

#include <vector>

#include "engine_fixture.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kQuery0 = "waveOutOpen(NULL, 0, 44100/16/1, 0x0, 0x1)";

TEST_F(EngineTest, TheApplicationsStartUpOpensPausesAndPreparesOneLoop) {
  HWND hwnd = wintest::Top();
  ASSERT_EQ(SoundInit(TRUE, FALSE, 44100, 8192, hwnd), 1);
  EXPECT_EQ(Calls(), (Lines{"waveOutGetNumDevs() = 1", kQuery0 + " = 0",
                            "waveOutOpen(&h, 0, 44100/16/1, " + Hex(hwnd) + ", 0x10000) = 0 -> " + Out(),
                            "waveOutPause(" + Out() + ") = 0", "waveOutPrepareHeader(" + Out() + ", [16384], 48) = 0"}));
  EXPECT_TRUE(g_bSoundInit);
  EXPECT_TRUE(g_bWaveOutOpen);
  EXPECT_EQ(g_wfxOut.nAvgBytesPerSec, 88200u);
  EXPECT_EQ(g_wfxOut.nBlockAlign, 2);
  EXPECT_EQ(g_nBufferSamples, 8192);
  EXPECT_EQ(g_cbOutBuffer, 16384u);
  EXPECT_EQ(g_cbInBuffer, 16384u);
  EXPECT_EQ(g_nOutBuffers, 1);
  WAVEHDR *pwh = g_pOutHdr[0];
  ASSERT_NE(pwh, nullptr);
  EXPECT_EQ(pwh->lpData, (LPSTR)g_pOutData[0]);
  EXPECT_EQ(pwh->dwBufferLength, 16384u);
  EXPECT_EQ(pwh->dwFlags, (DWORD)(WHDR_PREPARED | WHDR_BEGINLOOP | WHDR_ENDLOOP));
  EXPECT_EQ(pwh->dwLoops, 1000000u);
  for (int i = 0; i < 8192; i++) ASSERT_EQ(g_pOutData[0][i], 0) << i;
  for (int i = 0; i < SOUND_IN_BUFFERS; i++) EXPECT_EQ(g_pInData[i], nullptr);

  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, (UINT)MM_WOM_OPEN);
  EXPECT_EQ((HWAVEOUT)msg.wParam, g_hWaveOut);
}

TEST_F(EngineTest, TheLowestDeviceThatAcceptsIsOpenedWithoutCallbackForANullWindow) {
  m_wave.outputs.resize(3);
  m_wave.outputs[0].bAccepts = false;
  ASSERT_EQ(SoundInit(TRUE, FALSE, 44100, 8192, NULL), 1);
  Lines calls = Calls();
  ASSERT_GE(calls.size(), 5u);
  EXPECT_EQ(Lines(calls.begin(), calls.begin() + 5),
            (Lines{"waveOutGetNumDevs() = 3", kQuery0 + " = 32", "waveOutGetNumDevs() = 3",
                   "waveOutOpen(NULL, 1, 44100/16/1, 0x0, 0x1) = 0",
                   "waveOutOpen(&h, 1, 44100/16/1, 0x0, 0x0) = 0 -> " + Out()}));
}

TEST_F(EngineTest, ARefusedOpenStopsSystemSoundsAndTriesOnceMore) {
  m_wave.outputs[0].nOpensToFail = 1;
  ASSERT_EQ(SoundInit(TRUE, FALSE, 44100, 8192, NULL), 1);
  Lines calls = Calls();
  ASSERT_GE(calls.size(), 7u);
  EXPECT_EQ(Lines(calls.begin(), calls.begin() + 7),
            (Lines{"waveOutGetNumDevs() = 1", kQuery0 + " = 0", "waveOutOpen(&h, 0, 44100/16/1, 0x0, 0x0) = 4",
                   "sndPlaySoundW(NULL, 0x0) = 1", "waveOutGetNumDevs() = 1", kQuery0 + " = 0",
                   "waveOutOpen(&h, 0, 44100/16/1, 0x0, 0x0) = 0 -> " + Out()}));

  // Refused twice: nothing is paused or allocated.
  SoundShutdown();
  m_wave.outputs[0].nOpensToFail = 2;
  Calls();
  EXPECT_EQ(SoundInit(TRUE, FALSE, 44100, 8192, NULL), 0);
  calls = Calls();
  EXPECT_EQ(calls.back(), "waveOutOpen(&h, 0, 44100/16/1, 0x0, 0x0) = 4");
  EXPECT_EQ(calls.size(), 7u);
  EXPECT_EQ(g_pOutData[0], nullptr);
  EXPECT_FALSE(g_bSoundInit);
}

TEST_F(EngineTest, WithoutAnyDeviceNothingIsOpenedAndStartUpFails) {
  m_wave.outputs.clear();
  EXPECT_EQ(SoundInit(TRUE, FALSE, 44100, 8192, NULL), 0);
  EXPECT_EQ(Calls(), (Lines{"waveOutGetNumDevs() = 0", "waveOutPause(NULL) = 5"}));
  EXPECT_EQ(g_pOutData[0], nullptr);
  EXPECT_FALSE(g_bWaveOutOpen);
  // The destroy handling that follows the failure message.
  EXPECT_EQ(SoundStopPlayback(), (MMRESULT)MMSYSERR_INVALHANDLE);
  EXPECT_EQ(SoundShutdown(), 0);
  EXPECT_EQ(Calls(), (Lines{"waveOutReset(NULL) = 5"}));
}

TEST_F(EngineTest, ARefusedWriteDropsTheBufferForGood) {
  ASSERT_EQ(SoundInit(TRUE, FALSE, 44100, 8192, NULL), 1);
  std::string h = Out();
  Calls();
  m_wave.RefuseWrite(1);
  EXPECT_EQ(SoundStartPlayback(), 1);
  EXPECT_EQ(g_nOutBuffers, 0);
  EXPECT_EQ(SoundStartPlayback(), 1);
  EXPECT_EQ(Calls(), (Lines{"waveOutReset(" + h + ") = 0", "waveOutWrite(" + h + ", [16384], 48) = 7",
                            "waveOutReset(" + h + ") = 0"}));
  // The header is still prepared and freed once at shutdown.
  SoundShutdown();
  EXPECT_EQ(Calls(), (Lines{"waveOutUnprepareHeader(" + h + ", [16384], 48) = 0", "waveOutClose(" + h + ") = 0"}));
}

TEST_F(EngineTest, StartingAgainRestartsTheLoopFromItsFirstSample) {
  ASSERT_EQ(SoundInit(TRUE, FALSE, 44100, 8, NULL), 1);
  for (int i = 0; i < 8; i++) g_pOutData[0][i] = (SHORT)(i + 1);
  EXPECT_EQ(SoundStartPlayback(), 0);
  m_wave.Advance(11);
  EXPECT_EQ(SoundStartPlayback(), 0);
  m_wave.Advance(3);
  EXPECT_EQ(m_wave.Played(0), (std::vector<int16_t>{1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 1, 2, 3}));
  EXPECT_EQ(m_wave.LoopPass(0), 1u);

  // Stop returns the buffer; it stays prepared for the next start.
  EXPECT_EQ(SoundStopPlayback(), (MMRESULT)MMSYSERR_NOERROR);
  EXPECT_EQ(g_pOutHdr[0]->dwFlags & (WHDR_DONE | WHDR_INQUEUE | WHDR_PREPARED), (DWORD)(WHDR_DONE | WHDR_PREPARED));
  EXPECT_EQ(SoundStopPlayback(), (MMRESULT)MMSYSERR_NOERROR);

  // Pause holds the loop where it is.
  EXPECT_EQ(SoundStartPlayback(), 0);
  m_wave.Advance(2);
  EXPECT_EQ(SoundPausePlayback(), (MMRESULT)MMSYSERR_NOERROR);
  m_wave.Advance(2);
  EXPECT_EQ(SoundRestartPlayback(), (MMRESULT)MMSYSERR_NOERROR);
  m_wave.Advance(2);
  std::vector<int16_t> played = m_wave.Played(0);
  EXPECT_EQ(std::vector<int16_t>(played.end() - 6, played.end()), (std::vector<int16_t>{1, 2, 0, 0, 3, 4}));
}

TEST_F(EngineTest, ALoopRunsOutAfterItsCountAndTheNextStartBeginsANewOne) {
  ASSERT_EQ(SoundInit(TRUE, FALSE, 44100, 8, NULL), 1);
  EXPECT_EQ(SoundStartPlayback(), 0);
  m_wave.Advance(20);
  EXPECT_EQ(m_wave.LoopPass(0), 3u);
  m_wave.JumpToLastPass();
  EXPECT_EQ(m_wave.LoopPass(0), (DWORD)SOUND_LOOP_COUNT);
  m_wave.Advance(4);
  EXPECT_TRUE(g_pOutHdr[0]->dwFlags & WHDR_DONE);
  EXPECT_EQ(m_wave.LoopPass(0), 0u);
  EXPECT_EQ(SoundStartPlayback(), 0);
  m_wave.Advance(1);
  EXPECT_EQ(m_wave.LoopPass(0), 1u);
}

TEST_F(EngineTest, WithPlaybackOffStartDoesNothing) {
  EXPECT_EQ(SoundStartPlayback(), 0);
  EXPECT_TRUE(Calls().empty());
}

TEST_F(EngineTest, ShutdownWithoutStartUpAndASecondShutdownCallNothing) {
  EXPECT_EQ(SoundShutdown(), 0);
  EXPECT_EQ(SoundFreeBuffers(), 0);
  EXPECT_TRUE(Calls().empty());

  ASSERT_EQ(SoundInit(TRUE, FALSE, 44100, 8192, NULL), 1);
  SoundStopPlayback();
  SoundShutdown();
  Calls();
  EXPECT_EQ(SoundShutdown(), 0);
  EXPECT_TRUE(Calls().empty());
  // g_bSoundInit is still set: a new start-up shuts down once more, quietly.
  ASSERT_EQ(SoundInit(TRUE, FALSE, 44100, 8192, NULL), 1);
  EXPECT_EQ(Calls().front(), "waveOutGetNumDevs() = 1");
}

TEST_F(EngineTest, ASecondStartUpReleasesEverythingBeforeReopening) {
  ASSERT_EQ(SoundInit(TRUE, FALSE, 44100, 8192, NULL), 1);
  std::string h = Out();
  Calls();
  ASSERT_EQ(SoundInit(TRUE, FALSE, 22050, 4096, NULL), 1);
  Lines calls = Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(Lines(calls.begin(), calls.begin() + 3),
            (Lines{"waveOutUnprepareHeader(" + h + ", [16384], 48) = 0", "waveOutClose(" + h + ") = 0",
                   "waveOutGetNumDevs() = 1"}));
  EXPECT_EQ(calls.back(), "waveOutPrepareHeader(" + Out() + ", [8192], 48) = 0");
  EXPECT_EQ(g_wfxOut.nSamplesPerSec, 22050u);
}

TEST_F(EngineTest, AFailedStartUpThenShutdownClosesTheDeviceAndFreesNothingTwice) {
  plat::FailLocalAllocAfter(1);  // the block, not its header
  EXPECT_EQ(SoundInit(TRUE, FALSE, 44100, 8192, NULL), 0);
  EXPECT_TRUE(g_bWaveOutOpen);
  EXPECT_EQ(g_pOutData[0], nullptr);
  EXPECT_EQ(g_pOutHdr[0], nullptr);
  std::string h = Out();
  Calls();
  plat::FailLocalAllocAfter(-1);
  SoundStopPlayback();
  EXPECT_EQ(SoundShutdown(), 0);
  EXPECT_EQ(Calls(), (Lines{"waveOutReset(" + h + ") = 0", "waveOutClose(" + h + ") = 0"}));
  EXPECT_FALSE(g_bWaveOutOpen);
}

TEST_F(EngineTest, CaptureKeepsTheBuffersAllocatedBeforeTheThirdFails) {
  plat::FailLocalAllocAfter(4);  // two blocks and two headers
  ASSERT_EQ(SoundInit(FALSE, TRUE, 44100, 4, NULL), 1);
  EXPECT_EQ(Calls(), (Lines{"waveInOpen(&h, WAVE_MAPPER, 44100/16/1, 0x0, 0x0) = 0 -> " + In(),
                            "waveInStop(" + In() + ") = 0", "waveInPrepareHeader(" + In() + ", [8], 48) = 0",
                            "waveInPrepareHeader(" + In() + ", [8], 48) = 0"}));
  plat::FailLocalAllocAfter(-1);
  EXPECT_EQ(g_nInBuffers, 2);
  for (int i = 2; i < SOUND_IN_BUFFERS; i++) EXPECT_EQ(g_pInData[i], nullptr);

  EXPECT_EQ(SoundStartCapture(), 0);
  m_wave.Advance(6);
  EXPECT_TRUE(g_pInHdr[0]->dwFlags & WHDR_DONE);
  EXPECT_EQ(((BYTE *)g_pInData[0])[0], 0);
  EXPECT_EQ(((BYTE *)g_pInData[0])[7], 7);
  // Streaming capture: the ring moves over the two buffers.
  EXPECT_EQ(SoundRequeueCapture(), (MMRESULT)MMSYSERR_NOERROR);
  EXPECT_EQ(g_nInIndex, 1);
  m_wave.Advance(4);
  EXPECT_EQ(SoundRequeueCapture(), (MMRESULT)MMSYSERR_NOERROR);
  EXPECT_EQ(g_nInIndex, 0);
  EXPECT_EQ(((BYTE *)g_pInData[1])[0], 8);
  EXPECT_EQ(SoundGetCaptureHeader(), g_pInHdr[0]);
  EXPECT_EQ(SoundGetCaptureBytes(), 8u);
  EXPECT_EQ(SoundResetCapture(), (MMRESULT)MMSYSERR_NOERROR);
}

TEST_F(EngineTest, StreamingPlaybackRequeuesTheOneSlotToPlayOnce) {
  ASSERT_EQ(SoundInit(TRUE, FALSE, 44100, 4, NULL), 1);
  SHORT samples[4] = {5, 6, 7, 8};
  EXPECT_EQ(SoundCopyToBuffers(samples), 0);
  EXPECT_EQ(SoundRestartPlayback(), (MMRESULT)MMSYSERR_NOERROR);  // paused since the open
  EXPECT_EQ(SoundRequeuePlayback(), (MMRESULT)MMSYSERR_NOERROR);
  EXPECT_EQ(g_nOutIndex, 0);
  EXPECT_EQ(g_pOutHdr[0]->dwFlags & (WHDR_BEGINLOOP | WHDR_ENDLOOP), 0u);
  m_wave.Advance(6);
  EXPECT_EQ(m_wave.Played(0), (std::vector<int16_t>{5, 6, 7, 8, 0, 0}));
  EXPECT_EQ(SoundRequeuePlayback(), (MMRESULT)MMSYSERR_NOERROR);
  EXPECT_EQ(g_nOutIndex, 0);
  EXPECT_EQ(SoundGetPlaybackHeader(), g_pOutHdr[0]);
  EXPECT_EQ(SoundGetPlaybackBytes(), 8u);
  m_wave.Advance(4);
  EXPECT_TRUE(g_pOutHdr[0]->dwFlags & WHDR_DONE);
  EXPECT_EQ(SoundWritePlayback(), (MMRESULT)MMSYSERR_NOERROR);
}

TEST_F(EngineTest, AfterShutdownTheTransportTouchesNoFreedBuffer) {
  ASSERT_EQ(SoundInit(TRUE, TRUE, 44100, 4, NULL), 1);
  SoundStopPlayback();
  SoundResetCapture();
  SoundShutdown();
  SHORT samples[4] = {};
  EXPECT_EQ(SoundStartPlayback(), 1);
  // The empty first slot drops one of the five counted buffers; four remain
  // counted, so the start reports success on a closed device and adds nothing.
  EXPECT_EQ(SoundStartCapture(), 0);
  EXPECT_EQ(g_nInBuffers, 4);
  EXPECT_EQ(SoundCopyToBuffers(samples), 0);
  EXPECT_EQ(SoundRequeuePlayback(), (MMRESULT)MMSYSERR_INVALPARAM);
  EXPECT_EQ(SoundRequeueCapture(), (MMRESULT)MMSYSERR_INVALPARAM);
  EXPECT_EQ(SoundWritePlayback(), (MMRESULT)MMSYSERR_INVALHANDLE);
}

}  // namespace
