/*
 * FindWindowW within the process and across the processes of one user, and
 * the raise request of SetForegroundWindow.
 */
#include "user/findwnd.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>

#include "user/user.h"

namespace plat::user {
namespace {

constexpr int kIoTimeoutMs = 2000; /* a peer that does not answer is not there */
constexpr uint32_t kMaxChars = 1024;

void Serve(int fd, int stop, HWND hwnd, std::u16string cls, std::u16string title);

/* A published window: its socket and the thread that answers on it. Ending
 * it (with the window, or at process exit) stops the thread and removes the
 * socket. */
class Listener {
 public:
  Listener(std::string path, int fd, const int stop[2], HWND hwnd, const std::u16string &cls,
           const std::u16string &title)
      : m_path(std::move(path)), m_fd(fd), m_stop{stop[0], stop[1]},
        m_thread(Serve, fd, stop[0], hwnd, cls, title) {}

  ~Listener() {
    char bye = 0;
    while (write(m_stop[1], &bye, 1) < 0 && errno == EINTR) {
    }
    m_thread.join();
    close(m_fd);
    close(m_stop[0]);
    close(m_stop[1]);
    unlink(m_path.c_str());
  }

  Listener(const Listener &) = delete;
  Listener &operator=(const Listener &) = delete;

 private:
  std::string m_path;
  int m_fd;
  int m_stop[2];
  std::thread m_thread;
};

std::map<HWND, std::unique_ptr<Listener>> g_listeners; /* UI thread */

/* Windows of other processes that FindWindowW handed out. Proxy handles have
 * bit 1 set, so they never equal a window handle of this process. */
struct Proxy {
  std::u16string cls;
  std::u16string title;
};
std::map<HWND, Proxy> g_proxies;
ULONG_PTR g_nextProxy = 0x10002;

uint64_t Hash(const std::u16string &cls, const std::u16string &title) {
  uint64_t h = 14695981039346656037ull;
  auto mix = [&](char16_t c) {
    h = (h ^ (c & 0xFF)) * 1099511628211ull;
    h = (h ^ (c >> 8)) * 1099511628211ull;
  };
  for (char16_t c : cls) mix(c);
  mix(0);
  for (char16_t c : title) mix(c);
  return h;
}

bool FillAddress(const std::string &path, sockaddr_un *addr) {
  *addr = sockaddr_un{};
  addr->sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof addr->sun_path) return false;
  path.copy(addr->sun_path, path.size());
  return true;
}

bool PeerIsUs(int fd) {
  ucred cred{};
  socklen_t len = sizeof cred;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == geteuid();
}

/* Reads or writes exactly n bytes, waiting at most the I/O timeout for each
 * part. */
bool Transfer(int fd, void *data, size_t n, bool write) {
  char *p = (char *)data;
  while (n) {
    pollfd pfd{fd, (short)(write ? POLLOUT : POLLIN), 0};
    if (poll(&pfd, 1, kIoTimeoutMs) <= 0) return false;
    ssize_t done = write ? send(fd, p, n, MSG_NOSIGNAL) : recv(fd, p, n, 0);
    if (done <= 0) {
      if (done < 0 && errno == EINTR) continue;
      return false;
    }
    p += done;
    n -= (size_t)done;
  }
  return true;
}

bool SendRequest(int fd, char ask, const std::u16string &cls, const std::u16string &title) {
  uint32_t lengths[2] = {(uint32_t)cls.size(), (uint32_t)title.size()};
  return Transfer(fd, &ask, 1, true) && Transfer(fd, lengths, sizeof lengths, true) &&
         Transfer(fd, (void *)cls.data(), cls.size() * 2, true) &&
         Transfer(fd, (void *)title.data(), title.size() * 2, true);
}

bool ReadRequest(int fd, char *ask, std::u16string *cls, std::u16string *title) {
  uint32_t lengths[2];
  if (!Transfer(fd, ask, 1, false) || !Transfer(fd, lengths, sizeof lengths, false)) return false;
  if (lengths[0] > kMaxChars || lengths[1] > kMaxChars) return false;
  cls->resize(lengths[0]);
  title->resize(lengths[1]);
  return Transfer(fd, cls->data(), lengths[0] * 2, false) &&
         Transfer(fd, title->data(), lengths[1] * 2, false);
}

enum class Reach { Yes, No, Absent };

/* Asks the window published for cls and title. A socket that nobody listens
 * on is left over from a process that ended: it is removed and counts as
 * absent, like a missing one. */
Reach Ask(char ask, const std::u16string &cls, const std::u16string &title) {
  std::string path = SocketPath(cls, title);
  sockaddr_un addr;
  if (!FillAddress(path, &addr)) return Reach::Absent;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Reach::Absent;
  if (connect(fd, (sockaddr *)&addr, sizeof addr) != 0) {
    int err = errno;
    close(fd);
    struct stat st;
    if (err == ECONNREFUSED && lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) &&
        st.st_uid == geteuid())
      unlink(path.c_str());
    return Reach::Absent;
  }
  char answer = kNo;
  bool ok = PeerIsUs(fd) && SendRequest(fd, ask, cls, title) && Transfer(fd, &answer, 1, false);
  close(fd);
  return ok && answer == kYes ? Reach::Yes : Reach::No;
}

/* Answers requests for one window until told to stop. Callers of another
 * user get no answer; a raise for this window is answered, then posted to
 * it (the window may end as soon as it has the message). */
void Serve(int fd, int stop, HWND hwnd, std::u16string cls, std::u16string title) {
  for (;;) {
    pollfd pfd[2] = {{fd, POLLIN, 0}, {stop, POLLIN, 0}};
    if (poll(pfd, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (pfd[1].revents) return;
    int c = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) continue;
    char ask;
    std::u16string askCls, askTitle;
    if (PeerIsUs(c) && ReadRequest(c, &ask, &askCls, &askTitle)) {
      bool match = askCls == cls && askTitle == title && IsWindow(hwnd);
      char answer = match ? kYes : kNo;
      Transfer(c, &answer, 1, true);
      if (match && ask == kAskRaise) PostMessageW(hwnd, WM_PLAT_RAISE, 0, 0);
    }
    close(c);
  }
}

/* Binds the socket of a window; a stale socket of an ended process is taken
 * over, a live one (another instance) is left alone. -1 on failure. */
int Bind(const std::string &path, const std::u16string &cls, const std::u16string &title) {
  sockaddr_un addr;
  if (!FillAddress(path, &addr)) return -1;
  for (int attempt = 0; attempt < 2; ++attempt) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (bind(fd, (sockaddr *)&addr, sizeof addr) == 0 && listen(fd, 8) == 0) return fd;
    int err = errno;
    close(fd);
    if (err != EADDRINUSE || Ask(kAskFind, cls, title) != Reach::Absent) return -1;
  }
  return -1;
}

void Unpublish(HWND hwnd) { g_listeners.erase(hwnd); }

void Publish(HWND hwnd) {
  Window *w = FromHandle(hwnd);
  if (!w || (w->style & WS_CHILD) || w->text.empty()) return;
  std::string path = SocketPath(w->cls->name, w->text);
  int fd = Bind(path, w->cls->name, w->text);
  if (fd < 0) return;
  int stop[2];
  if (pipe2(stop, O_CLOEXEC) != 0) {
    close(fd);
    unlink(path.c_str());
    return;
  }
  g_listeners[hwnd] = std::make_unique<Listener>(path, fd, stop, hwnd, w->cls->name, w->text);
}

}  // namespace

std::string RuntimeDir() {
  const char *base = getenv("XDG_RUNTIME_DIR");
  std::string dir = (base && base[0] == '/') ? std::string(base) + "/tonbrook"
                                             : "/tmp/tonbrook-" + std::to_string(geteuid());
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return std::string();
  struct stat st;
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid() ||
      (st.st_mode & 077) != 0)
    return std::string();
  return dir;
}

std::string SocketPath(const std::u16string &cls, const std::u16string &title) {
  std::string dir = RuntimeDir();
  if (dir.empty()) return dir;
  char name[32];
  snprintf(name, sizeof name, "/w-%016llx", (unsigned long long)Hash(cls, title));
  return dir + name;
}

void OnWindowCreated(HWND hwnd) { Publish(hwnd); }

void OnWindowDestroyed(HWND hwnd) { Unpublish(hwnd); }

void OnWindowTextChanged(HWND hwnd) {
  Window *w = FromHandle(hwnd);
  if (!w || !w->created) return;
  Unpublish(hwnd);
  Publish(hwnd);
}

bool IsRemoteWindow(HWND hwnd) { return g_proxies.count(hwnd) != 0; }

bool RaiseRemoteWindow(HWND hwnd) {
  const Proxy &p = g_proxies.at(hwnd);
  return Ask(kAskRaise, p.cls, p.title) == Reach::Yes;
}

}  // namespace plat::user

using namespace plat::user;

/* The top-level window whose class and title are exactly these (NULL: any),
 * in this process or, when both are given, in another process of this user;
 * for the latter a handle that SetForegroundWindow understands. NULL when
 * there is none. */
HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
  if (lpClassName && IS_INTRESOURCE(lpClassName)) return nullptr;
  for (HWND top : TopLevelWindows()) {
    Window *w = FromHandle(top);
    if (lpClassName && w->cls->name != lpClassName) continue;
    if (lpWindowName && w->text != lpWindowName) continue;
    return top;
  }
  if (!lpClassName || !lpWindowName) return nullptr;
  std::u16string cls = lpClassName, title = lpWindowName;
  if (Ask(kAskFind, cls, title) != Reach::Yes) return nullptr;
  for (const auto &[handle, p] : g_proxies) {
    if (p.cls == cls && p.title == title) return handle;
  }
  HWND handle = (HWND)g_nextProxy;
  g_nextProxy += 4;
  g_proxies[handle] = Proxy{cls, title};
  return handle;
}
