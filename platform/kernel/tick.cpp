#include "kernel/kernel.h"

#include <time.h>

#include "kernel/lock.h"

namespace {

plat::Mutex g_tickLock;
std::function<DWORD()> g_tickSource;

}  // namespace

namespace plat {

void SetTickSource(std::function<DWORD()> source) {
  plat::Guard hold(g_tickLock);
  g_tickSource = std::move(source);
}

DWORD MonotonicTickCount() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ms = (uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u;
  return (DWORD)ms;
}

}  // namespace plat

/* Milliseconds since boot, or the tick of the source the host installed. */
DWORD GetTickCount(void) {
  std::function<DWORD()> source;
  {
    plat::Guard hold(g_tickLock);
    source = g_tickSource;
  }
  return source ? source() : plat::MonotonicTickCount();
}
