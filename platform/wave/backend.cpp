#include <atomic>
#include <cstdlib>
#include <cstring>

#include "wave/wave.h"

namespace plat::wave {

namespace {

/* A machine without audio: no devices. */
class Null : public Backend {
 public:
  UINT Devices(bool) override { return 0; }
  std::string Name(bool, UINT) override { return std::string(); }
  MMRESULT Query(bool, UINT, const WAVEFORMATEX &) override { return MMSYSERR_BADDEVICEID; }
  MMRESULT Open(bool, UINT, const WAVEFORMATEX &, Stream *, std::unique_ptr<Port> *) override {
    return MMSYSERR_BADDEVICEID;
  }
};

std::atomic<Backend *> g_installed{nullptr};

Backend &Named() {
  static Backend &named = [] () -> Backend & {
    const char *psz = getenv("TONBROOK_WAVE");
    return psz && strcmp(psz, "null") == 0 ? NullBackend() : SdlBackend();
  }();
  return named;
}

}  // namespace

Backend &NullBackend() {
  static Null null;
  return null;
}

Backend &Current() {
  Backend *backend = g_installed.load(std::memory_order_acquire);
  return backend ? *backend : Named();
}

void UseBackend(Backend *backend) { g_installed.store(backend, std::memory_order_release); }

}  // namespace plat::wave
