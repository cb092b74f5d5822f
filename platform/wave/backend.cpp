#include <errno.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "kernel/lock.h"
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

Mutex g_sinkLock;
MessageSink g_sink;

Backend &Named() {
  static Backend &named = [] () -> Backend & {
    const char *psz = getenv("TONBROOK_WAVE");
    return psz && strcmp(psz, "null") == 0 ? NullBackend() : MachineBackend();
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

MessageSink SetMessageSink(MessageSink sink) {
  Guard hold(g_sinkLock);
  std::swap(g_sink, sink);
  return sink;
}

void Say(const std::string &line, bool bOurs) {
  std::string said = bOurs ? std::string(program_invocation_short_name) + ": " + line : line;
  Guard hold(g_sinkLock);
  if (g_sink)
    g_sink(said);
  else
    std::fprintf(stderr, "%s\n", said.c_str());
}

}  // namespace plat::wave
