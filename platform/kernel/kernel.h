/*
 * kernel/kernel.h - platform-internal controls of the kernel services.
 *
 * The host (and a test) may replace the source of the millisecond tick, for
 * example with a virtual clock; a test may make local memory run out. Texts
 * leave the handheld's wide characters as UTF-8.
 */
#ifndef TONBROOK_PLATFORM_KERNEL_H
#define TONBROOK_PLATFORM_KERNEL_H

#include <windows.h>

#include <functional>
#include <string>

namespace plat {

/* Makes GetTickCount return what source returns; an empty function restores
 * the monotonic clock. */
void SetTickSource(std::function<DWORD()> source);

/* Milliseconds since boot from the monotonic clock, wrapping at 32 bits. */
DWORD MonotonicTickCount();

/* Makes LocalAlloc fail from the (n + 1)-th call on, as if memory had run
 * out; a negative n (the default) lets every call through. */
void FailLocalAllocAfter(int n);

/* UTF-8 of a UTF-16 text; a lone surrogate is written as it is. */
std::string Utf8(const std::u16string &s);

}  // namespace plat

#endif
