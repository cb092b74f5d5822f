/*
 * kernel/kernel.h - platform-internal controls of the kernel services.
 *
 * The host (and a test) may replace the source of the millisecond tick, for
 * example with a virtual clock; a test may make local memory run out.
 */
#ifndef TONBROOK_PLATFORM_KERNEL_H
#define TONBROOK_PLATFORM_KERNEL_H

#include <windows.h>

#include <functional>

namespace plat {

/* Makes GetTickCount return what source returns; an empty function restores
 * the monotonic clock. */
void SetTickSource(std::function<DWORD()> source);

/* Milliseconds since boot from the monotonic clock, wrapping at 32 bits. */
DWORD MonotonicTickCount();

/* Makes LocalAlloc fail from the (n + 1)-th call on, as if memory had run
 * out; a negative n (the default) lets every call through. */
void FailLocalAllocAfter(int n);

}  // namespace plat

#endif
