#include <windows.h>

#include <stdlib.h>

#include <atomic>

#include "kernel/kernel.h"

namespace {

/* Allocations left before LocalAlloc fails; negative: no limit. */
std::atomic<int> g_allocsLeft{-1};

bool TakeAllocation() {
  int n = g_allocsLeft.load();
  while (n >= 0) {
    if (n == 0) return false;
    if (g_allocsLeft.compare_exchange_weak(n, n - 1)) return true;
  }
  return true;
}

}  // namespace

void plat::FailLocalAllocAfter(int n) { g_allocsLeft.store(n < 0 ? -1 : n); }

/* Fixed local memory is plain heap memory; a zero-byte request still gets a
 * distinct block, as on the device. Moveable memory is not supported and
 * fails with NULL, as does a request when memory has run out. */
HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) {
  if ((uFlags & ~(UINT)LMEM_ZEROINIT) != LMEM_FIXED) return NULL;
  if (!TakeAllocation()) return NULL;
  SIZE_T cb = uBytes ? uBytes : 1;
  return (uFlags & LMEM_ZEROINIT) ? calloc(1, cb) : malloc(cb);
}

HLOCAL LocalFree(HLOCAL hMem) {
  free(hMem);
  return NULL;
}
