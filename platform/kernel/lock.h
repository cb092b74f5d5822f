/*
 * kernel/lock.h - the platform's threading words: a mutex, its scoped hold
 * (and, with threads, a hold that can be let go and taken again), a
 * condition to wait on, and the identity of a thread.
 *
 * Builds with threads use the standard library's. A build without threads
 * (the browser's, configured with TONBROOK_NO_THREADS, whose C++ library has
 * no std::mutex, std::condition_variable or <thread>) runs everything on one
 * thread: there a lock has nothing to wait for, every caller is the same
 * thread, and a condition is never waited on, since nobody else could make
 * it true. Code that would wait on one (a send from another thread, a
 * backend's own thread) is not part of that build, which waits by
 * returning to the browser instead.
 */
#ifndef TONBROOK_PLATFORM_KERNEL_LOCK_H
#define TONBROOK_PLATFORM_KERNEL_LOCK_H

#if !TONBROOK_NO_THREADS
#include <condition_variable>
#include <mutex>
#include <thread>
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

/* Only told: with one thread nothing waits on it. */
class Condition {
 public:
  void notify_one() {}
  void notify_all() {}
};

struct ThreadId {
  bool operator==(const ThreadId &) const = default;
};
inline ThreadId ThisThread() { return ThreadId{}; }
#else
using Mutex = std::mutex;
using Guard = std::lock_guard<std::mutex>;
using Hold = std::unique_lock<std::mutex>;
using Condition = std::condition_variable;
using ThreadId = std::thread::id;
inline ThreadId ThisThread() { return std::this_thread::get_id(); }
#endif

}  // namespace plat

#endif
