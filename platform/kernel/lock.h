/*
 * kernel/lock.h - the platform's mutex and its scoped hold.
 *
 * Builds with threads use std::mutex. A build without threads (the browser's,
 * configured with TONBROOK_NO_THREADS, whose C++ library has no std::mutex)
 * runs everything on one thread, so there its lock has nothing to wait for.
 */
#ifndef TONBROOK_PLATFORM_KERNEL_LOCK_H
#define TONBROOK_PLATFORM_KERNEL_LOCK_H

#if !TONBROOK_NO_THREADS
#include <mutex>
#endif

namespace plat {

#if TONBROOK_NO_THREADS
class Mutex {
 public:
  void lock() {}
  void unlock() {}
};

class Guard {
 public:
  explicit Guard(Mutex &) {}
  Guard(const Guard &) = delete;
  Guard &operator=(const Guard &) = delete;
};
#else
using Mutex = std::mutex;
using Guard = std::lock_guard<std::mutex>;
#endif

}  // namespace plat

#endif
