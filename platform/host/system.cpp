/*
 * The system backend of a machine with threads: the monotonic clock, a real
 * wait on a condition variable, no desktop.
 */
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "host/host.h"

namespace plat::host {
namespace {

class System : public Backend {
 public:
  uint64_t Now() override {
    return (uint64_t)std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }

  void Wait(std::optional<uint64_t> deadline) override {
    std::unique_lock<std::mutex> hold(m_lock);
    if (deadline) {
      uint64_t now = Now();
      if (*deadline > now)
        m_wake.wait_for(hold, std::chrono::milliseconds(*deadline - now), [&] { return m_woken; });
    } else {
      m_wake.wait(hold, [&] { return m_woken; });
    }
    m_woken = false;
  }

  void Wake() override {
    {
      std::lock_guard<std::mutex> hold(m_lock);
      m_woken = true;
    }
    m_wake.notify_all();
  }

  void Raise() override {}

 private:
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_woken = false;
};

}  // namespace

std::shared_ptr<Backend> SystemBackend() { return std::make_shared<System>(); }

}  // namespace plat::host
