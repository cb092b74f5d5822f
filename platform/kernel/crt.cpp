/*
 * The device's C runtime generator behind rand and srand.
 *
 * These definitions take the place of the host C library's rand and srand in
 * every program linked with the platform: the handheld's runtime is the
 * classic linear congruential generator, state = state * 214013 + 2531011
 * (mod 2^32), result (state >> 16) & 0x7FFF, and, as on the device, each
 * thread has its own state, starting from seed 1.
 */
#include <stdlib.h>

#include <stdint.h>

namespace {

thread_local uint32_t t_randState = 1;

}  // namespace

/* Returns the next value of the calling thread's sequence, 0 to 32767.
 * Both are noexcept exactly when the C library declares them so: glibc's
 * are, wasi-libc's are not. */
int rand(void) noexcept(noexcept(::rand())) {
  t_randState = t_randState * 214013u + 2531011u;
  return (int)((t_randState >> 16) & 0x7FFF);
}

/* Starts the calling thread's sequence again from seed. */
void srand(unsigned int seed) noexcept(noexcept(::rand())) { t_randState = seed; }
