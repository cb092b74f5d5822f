#include "host/host.h"

#include <errno.h>
#include <limits.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace plat::host {
namespace {

/* The monotonic clock, a real wait on a condition variable, no desktop. */
class SystemBackend : public Backend {
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

std::mutex g_lock;
std::shared_ptr<Backend> g_system = std::make_shared<SystemBackend>();
std::shared_ptr<Backend> g_current;

}  // namespace

std::shared_ptr<Backend> Current() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_current ? g_current : g_system;
}

void Use(std::shared_ptr<Backend> backend) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_current = std::move(backend);
}

const std::string &ProgramName() {
  static const std::string s_name = [] {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string exe = n > 0 ? std::string(path, (size_t)n) : std::string(program_invocation_name);
    /* The kernel marks an executable replaced on disk since it started. */
    const std::string replaced = " (deleted)";
    if (exe.size() > replaced.size() && exe.compare(exe.size() - replaced.size(), replaced.size(), replaced) == 0)
      exe.resize(exe.size() - replaced.size());
    std::string name = exe.substr(exe.rfind('/') + 1);
    return name.empty() ? std::string("program") : name;
  }();
  return s_name;
}

}  // namespace plat::host
