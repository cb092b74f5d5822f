/*
 * The SDL backend: output and capture devices through SDL2 audio. Device 0
 * of each direction is the system's default device, devices 1 and up are the
 * ones SDL names. SDL converts the opened format for the hardware; its audio
 * thread calls the device core's Transfer for every period. When SDL cannot
 * give an output at all, one line of the sound system's messages says SDL's
 * reason; the caller only learns that the open failed. SDL's own log goes
 * the same way.
 *
 * The default output is the handheld's built-in device, which never goes
 * away: a Keeper (wave/keeper.h) holds an SDL device for it only while
 * headers are queued, and when the desktop's audio output goes (the sound
 * server ends, the hardware is unplugged) keeps the device's clock and
 * connects to the default output again. A named device that SDL reports
 * removed returns its buffers done.
 */
#include <SDL.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "wave/keeper.h"

namespace plat::wave {

namespace {

constexpr DWORD kMinRate = 1000, kMaxRate = 384000;
constexpr Uint16 kPeriodFrames = 1024;

/* An open SDL device of ours, told when SDL reports it removed. */
class Watched {
 public:
  virtual void Removed() = 0;

 protected:
  ~Watched() = default;
};

/* Opening, closing and restarting SDL's audio happen under this lock, which
 * SDL's audio thread never takes. */
std::mutex g_sdlLock;
/* The SDL driver in use, for a restart of SDL's audio. */
std::string g_driver;

/* The open devices by SDL id and direction, for the watcher of removals,
 * which SDL may call on any thread. */
std::mutex g_portsLock;
std::map<std::pair<SDL_AudioDeviceID, bool>, Watched *> g_ports;

int SDLCALL WatchRemoval(void *, SDL_Event *pEvent) {
  if (pEvent->type != SDL_AUDIODEVICEREMOVED) return 1;
  std::lock_guard<std::mutex> hold(g_portsLock);
  auto it = g_ports.find({pEvent->adevice.which, pEvent->adevice.iscapture != 0});
  if (it != g_ports.end()) it->second->Removed();
  return 1;
}

void Watch(SDL_AudioDeviceID id, bool bInput, Watched *watched) {
  std::lock_guard<std::mutex> hold(g_portsLock);
  if (watched)
    g_ports[{id, bInput}] = watched;
  else
    g_ports.erase({id, bInput});
}

/* Says in one line why SDL gives no audio output. */
void Explain(const char *why) { Say(std::string("cannot open the audio output: ") + why, true); }

/* SDL's log, as SDL itself writes it, through the sound system's messages. */
void SDLCALL Log(void *, int, SDL_LogPriority priority, const char *message) {
  static const char *const kPriorities[] = {"", "VERBOSE", "DEBUG", "INFO", "WARN", "ERROR", "CRITICAL"};
  const char *name = priority > 0 && priority < SDL_NUM_LOG_PRIORITIES ? kPriorities[priority] : "";
  Say(std::string(name) + ": " + message, false);
}

void SDLCALL Callback(void *pStream, Uint8 *pb, int cb) { ((Stream *)pStream)->Transfer(pb, (size_t)cb); }

/* What SDL is asked for to play or record wfx through callback. */
SDL_AudioSpec FormatFor(const WAVEFORMATEX &wfx, SDL_AudioCallback callback, void *userdata) {
  SDL_AudioSpec want{};
  want.freq = (int)wfx.nSamplesPerSec;
  want.format = wfx.wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
  want.channels = (Uint8)wfx.nChannels;
  want.samples = kPeriodFrames;
  want.callback = callback;
  want.userdata = userdata;
  return want;
}

/* Opens the default output for format, watched by watched, and starts it; 0
 * when there is none. A failed open restarts SDL's audio driver when no
 * device of ours is open, since a driver whose sound server went away opens
 * nothing until it starts afresh. */
SDL_AudioDeviceID OpenDefaultOutput(const SDL_AudioSpec &format, Watched *watched) {
  std::lock_guard<std::mutex> hold(g_sdlLock);
  SDL_AudioSpec have{};
  SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &format, &have, 0);
  if (dev == 0 && !g_driver.empty()) {
    {
      std::lock_guard<std::mutex> ports(g_portsLock);
      if (!g_ports.empty()) return 0;
    }
    SDL_AudioQuit();
    if (SDL_AudioInit(g_driver.c_str()) != 0) return 0;
    dev = SDL_OpenAudioDevice(nullptr, 0, &format, &have, 0);
  }
  if (dev == 0) return 0;
  Watch(dev, false, watched);
  SDL_PauseAudioDevice(dev, 0);
  return dev;
}

void CloseSdlDevice(SDL_AudioDeviceID dev) {
  std::lock_guard<std::mutex> hold(g_sdlLock);
  SDL_CloseAudioDevice(dev);
}

/* A named device or a capture device: open for as long as the port lives. */
class SdlPort : public Port, public Watched {
 public:
  SdlPort(SDL_AudioDeviceID id, bool bInput, Stream *stream) : m_id(id), m_input(bInput), m_stream(stream) {
    Watch(m_id, m_input, this);
  }
  ~SdlPort() override {
    Watch(m_id, m_input, nullptr);
    CloseSdlDevice(m_id);
  }
  void Removed() override { m_stream->Lost(); }

 private:
  SDL_AudioDeviceID m_id;
  bool m_input;
  Stream *m_stream;
};

/* The default output as the keeper of the built-in device reaches it. */
class DefaultLink : public Link, public Watched {
 public:
  explicit DefaultLink(const WAVEFORMATEX &wfx) : m_wfx(wfx) {}

  bool Connect(Stream *stream, Keeper *keeper) override {
    m_keeper = keeper;
    m_removed.store(false);
    m_dev = OpenDefaultOutput(FormatFor(m_wfx, Callback, stream), this);
    return m_dev != 0;
  }

  void Disconnect() override {
    Watch(m_dev, false, nullptr);
    CloseSdlDevice(m_dev);
    m_dev = 0;
  }

  bool Alive() override { return !m_removed.load() && SDL_GetAudioDeviceStatus(m_dev) != SDL_AUDIO_STOPPED; }

  void Removed() override {
    m_removed.store(true);
    m_keeper->Wake();
  }

  /* SDL frees a thread's error message only on threads it made itself. */
  void ThreadEnds() override { SDL_TLSCleanup(); }

 private:
  const WAVEFORMATEX m_wfx;
  Keeper *m_keeper = nullptr;
  SDL_AudioDeviceID m_dev = 0;
  std::atomic<bool> m_removed{false};
};

class Sdl : public Backend {
 public:
  UINT Devices(bool bInput) override {
    if (!Ready()) return 0;
    int n;
    {
      std::lock_guard<std::mutex> hold(g_sdlLock);
      n = SDL_GetNumAudioDevices(bInput ? 1 : 0);
    }
    if (n < 0) return 1;
    if (n == 0 && !bInput) std::call_once(m_noneExplained, [] { Explain("SDL finds no output device"); });
    return n == 0 ? 0 : (UINT)n + 1;
  }

  std::string Name(bool bInput, UINT id) override {
    if (id == 0) return bInput ? "Default input device" : "Default output device";
    if (!Ready()) return "";
    std::lock_guard<std::mutex> hold(g_sdlLock);
    const char *psz = SDL_GetAudioDeviceName((int)id - 1, bInput ? 1 : 0);
    return psz ? psz : "";
  }

  MMRESULT Query(bool, UINT, const WAVEFORMATEX &wfx) override {
    return wfx.nSamplesPerSec >= kMinRate && wfx.nSamplesPerSec <= kMaxRate ? MMSYSERR_NOERROR : WAVERR_BADFORMAT;
  }

  /* The default output is opened once to learn that the desktop takes the
   * format, and let go until something is queued. */
  MMRESULT Open(bool bInput, UINT id, const WAVEFORMATEX &wfx, Stream *stream,
                std::unique_ptr<Port> *port) override {
    std::lock_guard<std::mutex> hold(g_sdlLock);
    std::string name;
    if (id > 0) {
      const char *psz = SDL_GetAudioDeviceName((int)id - 1, bInput ? 1 : 0);
      if (!psz) return MMSYSERR_BADDEVICEID;
      name = psz;
    }
    SDL_AudioSpec want = FormatFor(wfx, Callback, stream), have{};
    SDL_AudioDeviceID dev = SDL_OpenAudioDevice(id > 0 ? name.c_str() : nullptr, bInput ? 1 : 0, &want, &have, 0);
    if (dev == 0) {
      if (!bInput) Explain(SDL_GetError());
      return MMSYSERR_ALLOCATED;
    }
    if (id == 0 && !bInput) {
      SDL_CloseAudioDevice(dev);
      *port = std::make_unique<Keeper>(stream, wfx.nSamplesPerSec, wfx.nBlockAlign,
                                       std::make_unique<DefaultLink>(wfx), true);
      return MMSYSERR_NOERROR;
    }
    *port = std::make_unique<SdlPort>(dev, bInput, stream);
    SDL_PauseAudioDevice(dev, 0);
    return MMSYSERR_NOERROR;
  }

 private:
  /* Starts SDL's audio on first use; false, after one line saying why, when
   * the machine has none. */
  bool Ready() {
    std::call_once(m_once, [this] {
      std::lock_guard<std::mutex> hold(g_sdlLock);
      SDL_LogSetOutputFunction(Log, nullptr);
      m_ready = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
      if (m_ready) {
        const char *psz = SDL_GetCurrentAudioDriver();
        g_driver = psz ? psz : "";
        SDL_AddEventWatch(WatchRemoval, nullptr);
      } else {
        Explain(SDL_GetError());
      }
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

Backend &MachineBackend() { return SdlBackend(); }

}  // namespace plat::wave
