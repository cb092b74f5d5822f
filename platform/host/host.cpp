#include "host/host.h"

#include <errno.h>
#include <limits.h>
#include <unistd.h>

#include "kernel/lock.h"

namespace plat::host {
namespace {

Mutex g_lock;
std::shared_ptr<Backend> g_system = SystemBackend();
std::shared_ptr<Backend> g_current;

}  // namespace

std::shared_ptr<Backend> Current() {
  Guard hold(g_lock);
  return g_current ? g_current : g_system;
}

void Use(std::shared_ptr<Backend> backend) {
  Guard hold(g_lock);
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
