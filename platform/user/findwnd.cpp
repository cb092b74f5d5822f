/*
 * FindWindowW within the process and across the processes of one user, and
 * the raise request of SetForegroundWindow.
 *
 * One instance, also when two start at once. A program that must run once
 * calls FindWindowW for its class and title and, when that finds nothing,
 * creates its window. Two starts close together would both find nothing and
 * both create a window, so the pair is made atomic here: when FindWindowW
 * finds no window of another process for a class and title, it takes the
 * name in the same step, under the runtime folder's lock, by binding and
 * listening on the name's socket. From then on another process finds this
 * one: the name answers "here" for the window to come, and a raise asked
 * for meanwhile is posted to the window as soon as it is created. The
 * window created with that class and title takes the name over; one that
 * never comes holds it until the process ends. The lock is held only while
 * the socket is looked at and bound, never while the program runs.
 *
 * A socket whose process ended (it crashed, or was killed) refuses
 * connections; under the lock nobody else can be between bind and listen,
 * so such a socket is stale for certain and is removed before the name is
 * taken. A name is given back by removing the socket before closing it, so
 * that it never removes a socket that another process bound since.
 *
 * A lock not had within its time is held by another start in the middle of
 * the same step (or one stopped there): nothing is looked at or removed
 * without it. The start asks whoever holds the name, raises it if it
 * answers, and else says so in one line and goes on without the rule.
 *
 * The names still held when the program ends are given back, and their
 * threads stopped, before the program's globals go: at the end of its
 * WinMain, or from atexit when it ends otherwise.
 */
#include "user/findwnd.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "host/host.h"
#include "user/user.h"

namespace plat::user {
namespace {

constexpr int kIoTimeoutMs = 2000;   /* a peer that does not answer is not there */
constexpr int kLockTimeoutMs = 2000; /* a lock held longer is held by a stopped process */
constexpr uint32_t kMaxChars = 1024;

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

/* A name this process holds: its socket, and the thread that answers on it
 * for the window, or for the window still to come while the name is only
 * claimed. Ending it (with the window, or at process exit) removes the
 * socket, then stops the thread and closes the socket. */
class Listener {
 public:
  Listener(std::string path, int fd, const int stop[2], std::u16string cls, std::u16string title)
      : m_path(std::move(path)), m_fd(fd), m_stop{stop[0], stop[1]}, m_cls(std::move(cls)),
        m_title(std::move(title)), m_thread(&Listener::Serve, this) {}

  ~Listener() {
    unlink(m_path.c_str());
    char bye = 0;
    while (write(m_stop[1], &bye, 1) < 0 && errno == EINTR) {
    }
    m_thread.join();
    close(m_fd);
    close(m_stop[0]);
    close(m_stop[1]);
  }

  Listener(const Listener &) = delete;
  Listener &operator=(const Listener &) = delete;

  /* The window has come: it answers from now on, and gets the raise that
   * was asked for while it was to come. */
  void Fulfil(HWND hwnd) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_hwnd = hwnd;
    if (m_raiseWanted) PostMessageW(hwnd, WM_PLAT_RAISE, 0, 0);
    m_raiseWanted = false;
  }

 private:
  /* Answers requests until told to stop. Callers of another user get no
   * answer; a raise for this name is answered, then posted to its window
   * (which may end as soon as it has the message) or kept for the window
   * to come. */
  void Serve() {
    for (;;) {
      pollfd pfd[2] = {{m_fd, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
      if (poll(pfd, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (pfd[1].revents) return;
      int c = accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (c < 0) continue;
      char ask;
      std::u16string askCls, askTitle;
      if (PeerIsUs(c) && ReadRequest(c, &ask, &askCls, &askTitle)) {
        bool match = askCls == m_cls && askTitle == m_title && Here();
        char answer = match ? kYes : kNo;
        Transfer(c, &answer, 1, true);
        if (match && ask == kAskRaise) Raise();
      }
      close(c);
    }
  }

  /* Whether the window is there or still to come. */
  bool Here() {
    std::lock_guard<std::mutex> hold(m_lock);
    return !m_hwnd || IsWindow(m_hwnd);
  }

  void Raise() {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_hwnd)
      PostMessageW(m_hwnd, WM_PLAT_RAISE, 0, 0);
    else
      m_raiseWanted = true;
  }

  std::string m_path;
  int m_fd;
  int m_stop[2];
  std::u16string m_cls;
  std::u16string m_title;
  std::mutex m_lock;
  HWND m_hwnd = nullptr;      /* nullptr while the name is only claimed */
  bool m_raiseWanted = false; /* a raise came while the window was to come */
  std::thread m_thread;       /* last: it starts once the rest is there */
};

/* The names this process holds (UI thread): those of its windows, and those
 * claimed by FindWindowW for a window still to come, by socket path. */
std::map<HWND, std::unique_ptr<Listener>> g_listeners;
std::map<std::string, std::unique_ptr<Listener>> g_claims;

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

/* The lock file of the folder a socket lies in. */
std::string LockPath(const std::string &socketPath) {
  return socketPath.substr(0, socketPath.rfind('/')) + "/lock";
}

/* The runtime folder's lock, held for its life: taken within the lock
 * timeout, or not at all (see Error). */
class FolderLock {
 public:
  explicit FolderLock(const std::string &path) {
    m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (m_fd < 0) {
      m_error = errno;
      return;
    }
    for (int waited = 0; flock(m_fd, LOCK_EX | LOCK_NB) != 0; waited += 5) {
      if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= kLockTimeoutMs) {
        m_error = errno == EINTR ? EWOULDBLOCK : errno;
        close(m_fd);
        m_fd = -1;
        return;
      }
      usleep(5000);
    }
  }
  ~FolderLock() {
    if (m_fd >= 0) close(m_fd);
  }
  FolderLock(const FolderLock &) = delete;
  FolderLock &operator=(const FolderLock &) = delete;

  /* 0 when the lock is held; EWOULDBLOCK when another process kept it
   * for the whole timeout; else why it could not be taken. */
  int Error() const { return m_error; }

 private:
  int m_fd = -1;
  int m_error = 0;
};

enum class Probe { Live, Gone, Blocked };

/* Looks at the socket of a name (under the folder's lock): Live when a
 * process listens on it (or its queue is full); Gone when there is none, or
 * only a stale one of an ended process of ours, which is removed; Blocked
 * when something else is in its place. */
Probe Look(const std::string &path) {
  sockaddr_un addr;
  if (!FillAddress(path, &addr)) return Probe::Blocked;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return Probe::Blocked;
  int rc = connect(fd, (sockaddr *)&addr, sizeof addr);
  int err = errno;
  close(fd);
  if (rc == 0 || err == EAGAIN || err == EINPROGRESS) return Probe::Live;
  if (err == ENOENT) return Probe::Gone;
  struct stat st;
  if (err == ECONNREFUSED && lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) &&
      st.st_uid == geteuid() && unlink(path.c_str()) == 0)
    return Probe::Gone;
  return Probe::Blocked;
}

/* Why Take gave no listener. */
enum class Refusal { None, Live, Unlocked, Failed };

/* Binds and listens on the socket of a name under the folder's lock, a
 * stale socket removed first; the name's listener, with no window yet.
 * Null, and *why says: Live when another process holds the name, Unlocked
 * when the lock was not had (nothing was looked at; *lockError says why),
 * Failed when the socket cannot be made. */
std::unique_ptr<Listener> Take(const std::string &path, const std::u16string &cls,
                               const std::u16string &title, Refusal *why, int *lockError) {
  static std::once_flag s_atExit;
  *why = Refusal::Failed;
  sockaddr_un addr;
  if (!FillAddress(path, &addr)) return nullptr;
  FolderLock lock(LockPath(path));
  *lockError = lock.Error();
  if (*lockError) {
    *why = Refusal::Unlocked;
    return nullptr;
  }
  Probe probe = Look(path);
  if (probe == Probe::Live) *why = Refusal::Live;
  if (probe != Probe::Gone) return nullptr;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  if (bind(fd, (sockaddr *)&addr, sizeof addr) != 0) {
    close(fd);
    return nullptr;
  }
  int stop[2];
  if (listen(fd, 8) != 0 || pipe2(stop, O_CLOEXEC) != 0) {
    unlink(path.c_str());
    close(fd);
    return nullptr;
  }
  std::call_once(s_atExit, [] { std::atexit(ReleaseNames); });
  *why = Refusal::None;
  return std::make_unique<Listener>(path, fd, stop, cls, title);
}

enum class Reach { Yes, No, Absent };

/* Asks the process that holds the name of cls and title; Absent when
 * nobody listens there. */
Reach Ask(char ask, const std::u16string &cls, const std::u16string &title) {
  sockaddr_un addr;
  if (!FillAddress(SocketPath(cls, title), &addr)) return Reach::Absent;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Reach::Absent;
  if (connect(fd, (sockaddr *)&addr, sizeof addr) != 0) {
    close(fd);
    return Reach::Absent;
  }
  char answer = kNo;
  bool ok = PeerIsUs(fd) && SendRequest(fd, ask, cls, title) && Transfer(fd, &answer, 1, false);
  close(fd);
  return ok && answer == kYes ? Reach::Yes : Reach::No;
}

/* A proxy handle for the window of another process. */
HWND ProxyFor(const std::u16string &cls, const std::u16string &title) {
  for (const auto &[handle, p] : g_proxies) {
    if (p.cls == cls && p.title == title) return handle;
  }
  HWND handle = (HWND)g_nextProxy;
  g_nextProxy += 4;
  g_proxies[handle] = Proxy{cls, title};
  return handle;
}

/* The window of another process with this class and title, as a proxy
 * handle; or null, and then this process has claimed the name for its own
 * window to come (unless the runtime folder cannot be used, or another
 * start kept its lock: then it says so). A holder that ends while it is
 * asked is looked at again. */
HWND FindOrClaim(const std::u16string &cls, const std::u16string &title) {
  std::string path = SocketPath(cls, title);
  if (path.empty() || g_claims.count(path)) return nullptr;
  for (int attempt = 0; attempt < 3; ++attempt) {
    Refusal why;
    int lockError;
    if (std::unique_ptr<Listener> claim = Take(path, cls, title, &why, &lockError)) {
      g_claims[path] = std::move(claim);
      return nullptr;
    }
    if (why != Refusal::Live && why != Refusal::Unlocked) return nullptr;
    Reach reach = Ask(kAskFind, cls, title);
    if (reach == Reach::Yes) return ProxyFor(cls, title);
    if (why == Refusal::Unlocked) {
      std::string lock = LockPath(path);
      std::string line = lockError == EWOULDBLOCK ? "another start holds " + lock
                                                  : "cannot lock " + lock + ": " + strerror(lockError);
      std::fprintf(stderr, "%s: %s; going on without looking for it\n", host::ProgramName().c_str(),
                   line.c_str());
      return nullptr;
    }
    if (reach == Reach::No) return nullptr;
  }
  return nullptr;
}

void Unpublish(HWND hwnd) { g_listeners.erase(hwnd); }

/* Publishes a top-level window with a title under its class and title: it
 * takes over this process's claim of the name, or takes the name now; a
 * name another process holds is left to it. */
void Publish(HWND hwnd) {
  Window *w = FromHandle(hwnd);
  if (!w || (w->style & WS_CHILD) || w->text.empty()) return;
  std::string path = SocketPath(w->cls->name, w->text);
  if (path.empty()) return;
  std::unique_ptr<Listener> listener;
  auto claim = g_claims.find(path);
  if (claim != g_claims.end()) {
    listener = std::move(claim->second);
    g_claims.erase(claim);
  } else {
    Refusal why;
    int lockError;
    listener = Take(path, w->cls->name, w->text, &why, &lockError);
  }
  if (!listener) return;
  listener->Fulfil(hwnd);
  g_listeners[hwnd] = std::move(listener);
}

/* Why dir cannot be the folder of the names (made mode 0700 when missing):
 * null when it is a folder of this user that nobody else may enter. */
const char *Unsafe(const std::string &dir) {
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return strerror(errno);
  struct stat st;
  if (lstat(dir.c_str(), &st) != 0) return strerror(errno);
  if (S_ISLNK(st.st_mode)) return "it is a symbolic link";
  if (!S_ISDIR(st.st_mode)) return "it is not a folder";
  if (st.st_uid != geteuid()) return "it belongs to another user";
  if (st.st_mode & 077) return "other users may use it";
  return nullptr;
}

/* Says once per process, in one line, that a folder was not used. */
void WarnOnce(const std::string &line) {
  static std::atomic<bool> s_said{false};
  if (!s_said.exchange(true)) std::fprintf(stderr, "%s: %s\n", host::ProgramName().c_str(), line.c_str());
}

}  // namespace

std::string RuntimeDir() {
  const char *tmp = getenv("TMPDIR");
  const std::string &name = host::ProgramName();
  std::string fallback = std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/" + name + "-" +
                         std::to_string(geteuid());
  const char *base = getenv("XDG_RUNTIME_DIR");
  std::string preferred = base && base[0] == '/' ? std::string(base) + "/" + name : fallback;
  const char *why = Unsafe(preferred);
  if (!why) return preferred;
  std::string line = "not using " + preferred + ": " + why;
  const char *whyNot = preferred == fallback ? why : Unsafe(fallback);
  if (whyNot) {
    if (preferred != fallback) line += "; nor " + fallback + ": " + whyNot;
    WarnOnce(line + "; a second start will not find this one");
    return std::string();
  }
  WarnOnce(line + "; using " + fallback);
  return fallback;
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

void ReleaseNames() {
  g_claims.clear();
  g_listeners.clear();
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
 * there is none: then, with both given, this process holds the class and
 * title for the window it is about to create, and a second process that
 * looks for them finds this one (see the top of this file). */
HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
  if (lpClassName && IS_INTRESOURCE(lpClassName)) return nullptr;
  if (HWND own = FindOwnWindow(lpClassName, lpWindowName)) return own;
  if (!lpClassName || !lpWindowName) return nullptr;
  return FindOrClaim(lpClassName, lpWindowName);
}
