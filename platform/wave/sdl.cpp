/*
 * The SDL backend: output and capture devices through SDL2 audio. Device 0
 * of each direction is the system's default device, devices 1 and up are the
 * ones SDL names. SDL converts the opened format for the hardware; its audio
 * thread calls the device core's Transfer for every period. A device that
 * SDL reports removed returns its buffers done. When SDL cannot give an
 * output at all, one line on standard error says SDL's reason; the caller
 * only learns that the open failed.
 */
#include <SDL.h>
#include <errno.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <utility>

#include "wave/wave.h"

namespace plat::wave {

namespace {

constexpr DWORD kMinRate = 1000, kMaxRate = 384000;
constexpr Uint16 kPeriodFrames = 1024;

/* The streams of the open devices by SDL id and direction, for the watcher
 * of removals, which SDL may call on any thread. */
std::mutex g_portsLock;
std::map<std::pair<SDL_AudioDeviceID, bool>, Stream *> g_ports;

int SDLCALL WatchRemoval(void *, SDL_Event *pEvent) {
  if (pEvent->type != SDL_AUDIODEVICEREMOVED) return 1;
  std::lock_guard<std::mutex> hold(g_portsLock);
  auto it = g_ports.find({pEvent->adevice.which, pEvent->adevice.iscapture != 0});
  if (it != g_ports.end()) it->second->Lost();
  return 1;
}

/* Writes one line naming the program and why SDL gives no audio output. */
void Explain(const char *why) {
  std::fprintf(stderr, "%s: cannot open the audio output: %s\n", program_invocation_short_name, why);
}

void SDLCALL Callback(void *pStream, Uint8 *pb, int cb) { ((Stream *)pStream)->Transfer(pb, (size_t)cb); }

class SdlPort : public Port {
 public:
  SdlPort(SDL_AudioDeviceID id, bool bInput) : m_id(id), m_input(bInput) {}
  ~SdlPort() override {
    {
      std::lock_guard<std::mutex> hold(g_portsLock);
      g_ports.erase({m_id, m_input});
    }
    SDL_CloseAudioDevice(m_id);
  }

 private:
  SDL_AudioDeviceID m_id;
  bool m_input;
};

class Sdl : public Backend {
 public:
  UINT Devices(bool bInput) override {
    if (!Ready()) return 0;
    int n = SDL_GetNumAudioDevices(bInput ? 1 : 0);
    if (n < 0) return 1;
    if (n == 0 && !bInput) std::call_once(m_noneExplained, [] { Explain("SDL finds no output device"); });
    return n == 0 ? 0 : (UINT)n + 1;
  }

  std::string Name(bool bInput, UINT id) override {
    if (id == 0) return bInput ? "Default input device" : "Default output device";
    const char *psz = Ready() ? SDL_GetAudioDeviceName((int)id - 1, bInput ? 1 : 0) : nullptr;
    return psz ? psz : "";
  }

  MMRESULT Query(bool, UINT, const WAVEFORMATEX &wfx) override {
    return wfx.nSamplesPerSec >= kMinRate && wfx.nSamplesPerSec <= kMaxRate ? MMSYSERR_NOERROR : WAVERR_BADFORMAT;
  }

  MMRESULT Open(bool bInput, UINT id, const WAVEFORMATEX &wfx, Stream *stream,
                std::unique_ptr<Port> *port) override {
    std::string name;
    if (id > 0) {
      const char *psz = SDL_GetAudioDeviceName((int)id - 1, bInput ? 1 : 0);
      if (!psz) return MMSYSERR_BADDEVICEID;
      name = psz;
    }
    SDL_AudioSpec want{}, have{};
    want.freq = (int)wfx.nSamplesPerSec;
    want.format = wfx.wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    want.channels = (Uint8)wfx.nChannels;
    want.samples = kPeriodFrames;
    want.callback = Callback;
    want.userdata = stream;
    SDL_AudioDeviceID dev = SDL_OpenAudioDevice(id > 0 ? name.c_str() : nullptr, bInput ? 1 : 0, &want, &have, 0);
    if (dev == 0) {
      if (!bInput) Explain(SDL_GetError());
      return MMSYSERR_ALLOCATED;
    }
    {
      std::lock_guard<std::mutex> hold(g_portsLock);
      g_ports[{dev, bInput}] = stream;
    }
    *port = std::make_unique<SdlPort>(dev, bInput);
    SDL_PauseAudioDevice(dev, 0);
    return MMSYSERR_NOERROR;
  }

 private:
  /* Starts SDL's audio on first use; false, after one line saying why, when
   * the machine has none. */
  bool Ready() {
    std::call_once(m_once, [this] {
      m_ready = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
      if (m_ready)
        SDL_AddEventWatch(WatchRemoval, nullptr);
      else
        Explain(SDL_GetError());
    });
    return m_ready;
  }

  std::once_flag m_once;
  std::once_flag m_noneExplained;
  bool m_ready = false;
};

}  // namespace

Backend &SdlBackend() {
  static Sdl sdl;
  return sdl;
}

}  // namespace plat::wave
