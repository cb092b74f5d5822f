#include "output.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <ctime>
#include <vector>

namespace cli {

namespace {

// The temporary file a signal handler removes: its folder and its name;
// the folder is -1 when there is none.
volatile sig_atomic_t s_interruptedDir = -1;
char s_interruptedName[16];

sigset_t Interrupts() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

/* Removes the temporary file, then ends the process by sig itself, as if
 * it had not been caught, so that a shell sees how it ended. */
void OnInterrupt(int sig) {
  if (s_interruptedDir >= 0) unlinkat(s_interruptedDir, s_interruptedName, 0);
  signal(sig, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(sig);
  _exit(128 + sig);
}

std::string FolderOf(const std::string &path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseOf(const std::string &path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The name under which the kernel opens what fd refers to, links and all.
std::string ProcPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

/* The path fd was opened at, as the kernel recorded it; empty when it has
 * none (unlinked, or /proc is not there). */
std::string RealPath(int fd) {
  std::vector<char> buf((size_t)PATH_MAX + 1);
  ssize_t n = readlink(ProcPath(fd).c_str(), buf.data(), buf.size() - 1);
  if (n <= 0 || buf[0] != '/') return "";
  std::string path(buf.data(), (size_t)n);
  static const std::string kDeleted = " (deleted)";
  if (path.size() > kDeleted.size() && path.compare(path.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0)
    return "";
  return path;
}

bool IsLink(const std::string &path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Permissions a newly created file would get: 0666 less the umask.
mode_t NewFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

std::string Quoted(const std::string &path) { return "'" + path + "'"; }

// Connects to a listening Unix stream socket, as a write to it means.
int ConnectSocket(const std::string &path) {
  sockaddr_un addr{};
  if (path.size() >= sizeof addr.sun_path) {
    errno = ENAMETOOLONG;
    return -1;
  }
  addr.sun_family = AF_UNIX;
  memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, (const sockaddr *)&addr, sizeof addr) != 0) {
    int saved = errno;
    close(fd);
    errno = saved;
    return -1;
  }
  return fd;
}

// A fresh name for a temporary file: ".tb" and six random letters or digits,
// short enough for any folder that can hold the target.
void TemporaryName(char name[16]) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static uint64_t counter;
  uint64_t v = 0;
  if (getrandom(&v, sizeof v, GRND_NONBLOCK) != (ssize_t)sizeof v) v = (uint64_t)getpid() << 32 ^ (uint64_t)time(nullptr);
  v ^= ++counter * 0x9E3779B97F4A7C15ull;
  memcpy(name, ".tb", 3);
  for (int i = 0; i < 6; i++, v /= sizeof kAlphabet - 1) name[3 + i] = kAlphabet[v % (sizeof kAlphabet - 1)];
  name[9] = '\0';
}

// Blocks the interrupting signals while a temporary file and its record for
// the handler come into being together.
class InterruptsHeld {
 public:
  InterruptsHeld() {
    sigset_t interrupts = Interrupts();
    sigprocmask(SIG_BLOCK, &interrupts, &m_previous);
  }
  ~InterruptsHeld() { sigprocmask(SIG_SETMASK, &m_previous, nullptr); }

 private:
  sigset_t m_previous;
};

}  // namespace

std::unique_ptr<OutputFile> OutputFile::Open(const std::string &path, std::string *error) {
  if (path == "-") {
    if (isatty(STDOUT_FILENO)) {
      *error = "refusing to write audio to a terminal";
      return nullptr;
    }
    return std::unique_ptr<OutputFile>(new OutputFile(STDOUT_FILENO, path));
  }
  std::unique_ptr<OutputFile> out(new OutputFile(-1, path));
  bool ok;
  int found = path.back() == '/' ? -1 : open(path.c_str(), O_PATH | O_CLOEXEC);
  if (path.back() == '/') {
    ok = out->Fail("no file name");
  } else if (found >= 0) {
    ok = out->OpenFound(found);
    close(found);
  } else if (errno != ENOENT) {
    ok = out->Fail(strerror(errno));
  } else {
    std::string folder = FolderOf(path), base = BaseOf(path);
    int dir = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat st;
    if (dir < 0) {
      ok = out->Fail(strerror(errno));
    } else if (fstatat(dir, base.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(st.st_mode)) {
      ok = out->OpenNew(folder, dir, base, nullptr);
    } else {
      // A link to a name that is not there yet: the kernel follows it as
      // it creates the file, which tells where the file is to be; that
      // file goes again at once and is made anew from a temporary.
      close(dir);
      int made = open(path.c_str(), O_WRONLY | O_CREAT | O_NOCTTY | O_CLOEXEC, 0600);
      std::string real = made >= 0 ? RealPath(made) : "";
      struct stat now;
      if (made < 0) {
        ok = out->Fail(strerror(errno));
      } else if (fstat(made, &now) == 0 && now.st_size > 0) {
        // Someone else made the file meanwhile: it is replaced like any.
        ok = out->OpenFound(made);
      } else if (real.empty() || unlink(real.c_str()) != 0) {
        ok = out->Fail("it changed while it was being opened");
      } else {
        dir = open(FolderOf(real).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        ok = dir >= 0 ? out->OpenNew(FolderOf(real), dir, BaseOf(real), nullptr) : out->Fail(strerror(errno));
      }
      if (made >= 0) close(made);
    }
  }
  if (!ok) {
    *error = out->Error();
    return nullptr;
  }
  return out;
}

/* Opens what found (an O_PATH descriptor of the target) refers to: in place
 * for anything but a regular file, through a temporary in its folder for a
 * regular file. */
bool OutputFile::OpenFound(int found) {
  struct stat st, out;
  if (fstat(found, &st) != 0) return Fail(strerror(errno));
  if (S_ISDIR(st.st_mode)) return Fail("it is a directory");
  if (S_ISBLK(st.st_mode)) return Fail("it is a block device");
  if (fstat(STDOUT_FILENO, &out) == 0 && out.st_dev == st.st_dev && out.st_ino == st.st_ino) {
    if (isatty(STDOUT_FILENO)) return Fail("refusing to write audio to a terminal");
    m_fd = STDOUT_FILENO;
    return true;
  }
  if (!S_ISREG(st.st_mode)) {
    m_fd = S_ISSOCK(st.st_mode) ? ConnectSocket(ProcPath(found))
                                : open(ProcPath(found).c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    return m_fd >= 0 || Fail(strerror(errno));
  }
  if (faccessat(AT_FDCWD, ProcPath(found).c_str(), W_OK, AT_EACCESS) != 0) return Fail(strerror(errno));
  std::string real = RealPath(found);
  if (real.empty()) return Fail("it changed while it was being opened");
  int dir = open(FolderOf(real).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return Fail(strerror(errno));
  std::string shown = IsLink(m_path) ? FolderOf(real) : FolderOf(m_path);
  return OpenNew(shown, dir, BaseOf(real), &st);
}

/* Takes dir (an O_PATH descriptor of the target's folder, folderShown in
 * messages) and starts the temporary file for the target base in it, with
 * the owner and permissions of existing, the file it is to replace, if any. */
bool OutputFile::OpenNew(const std::string &folderShown, int dir, const std::string &base,
                         const struct stat *existing) {
  m_dir = dir;
  m_base = base;
  m_folderShown = folderShown;
  return OpenTemporary() && KeepOwnerAndMode(existing);
}

/* An unnamed file in the folder where the file system and /proc allow it,
 * so that nothing is left behind whatever ends the process; else a hidden
 * file with a fresh name, recorded for the signal handler. */
bool OutputFile::OpenTemporary() {
  auto cannot = [this](int err) {
    return Fail("cannot create a file in the directory " + Quoted(m_folderShown) + ": " + strerror(err));
  };
  m_fd = openat(m_dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (m_fd >= 0 && access(ProcPath(m_fd).c_str(), F_OK) == 0) {
    m_temporary = m_unnamed = true;
    return true;
  }
  if (m_fd >= 0) {
    close(m_fd);
    m_fd = -1;
  } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
    return cannot(errno);
  }
  for (int attempt = 0; attempt < 100 && m_fd < 0; attempt++) {
    InterruptsHeld held;
    TemporaryName(m_temp);
    m_fd = openat(m_dir, m_temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (m_fd >= 0) {
      memcpy(s_interruptedName, m_temp, sizeof m_temp);
      s_interruptedDir = m_dir;
    } else if (errno != EEXIST) {
      m_temp[0] = '\0';
      return cannot(errno);
    }
  }
  if (m_fd < 0) {
    m_temp[0] = '\0';
    return cannot(EEXIST);
  }
  m_temporary = true;
  return true;
}

// The replacement keeps the old file's owner, group and permissions as far
// as the user may give them; set-id bits go when the owner cannot be kept.
// A new file gets the permissions any new file would.
bool OutputFile::KeepOwnerAndMode(const struct stat *existing) {
  if (!existing) return fchmod(m_fd, NewFileMode()) == 0 || Fail(strerror(errno));
  mode_t mode = existing->st_mode & 07777;
  struct stat mine;
  if (fstat(m_fd, &mine) != 0) return Fail(strerror(errno));
  if ((mine.st_uid != existing->st_uid || mine.st_gid != existing->st_gid) &&
      fchown(m_fd, existing->st_uid, existing->st_gid) != 0)
    mode &= ~(mode_t)(S_ISUID | S_ISGID);
  return fchmod(m_fd, mode) == 0 || Fail(strerror(errno));
}

OutputFile::OutputFile(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}

OutputFile::~OutputFile() {
  if (m_fd >= 0 && m_fd != STDOUT_FILENO) close(m_fd);
  if (m_temp[0]) {
    InterruptsHeld held;
    if (!m_committed) unlinkat(m_dir, m_temp, 0);
    s_interruptedDir = -1;
    s_interruptedName[0] = '\0';
  }
  if (m_dir >= 0) close(m_dir);
}

bool OutputFile::Fail(const std::string &what) {
  if (m_error.empty()) m_error = "cannot write " + Quoted(m_path) + ": " + what;
  return false;
}

bool OutputFile::WriteAll(const uint8_t *bytes, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(m_fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(strerror(errno));
    done += (size_t)n;
  }
  return true;
}

bool OutputFile::Commit(int64_t expectedSize) {
  if (!m_error.empty()) return false;
  if (!m_temporary) {
    if (m_fd == STDOUT_FILENO) return true;
    int rc = close(m_fd);
    m_fd = -1;
    return rc == 0 || Fail(strerror(errno));
  }
  struct stat st;
  if (fstat(m_fd, &st) != 0) return Fail(strerror(errno));
  if (expectedSize >= 0 && st.st_size != expectedSize)
    return Fail("only " + std::to_string(st.st_size) + " of " + std::to_string(expectedSize) +
                " bytes reached the file");
  if (fsync(m_fd) != 0) return Fail(strerror(errno));
  if (m_unnamed) {
    InterruptsHeld held;
    int rc = -1;
    for (int attempt = 0; attempt < 100 && rc != 0; attempt++) {
      TemporaryName(m_temp);
      rc = linkat(AT_FDCWD, ProcPath(m_fd).c_str(), m_dir, m_temp, AT_SYMLINK_FOLLOW);
      if (rc != 0 && errno != EEXIST) break;
    }
    if (rc != 0) {
      m_temp[0] = '\0';
      return Fail(strerror(errno));
    }
    memcpy(s_interruptedName, m_temp, sizeof m_temp);
    s_interruptedDir = m_dir;
    m_unnamed = false;
  }
  int rc = close(m_fd);
  m_fd = -1;
  if (rc != 0) return Fail(strerror(errno));
  if (renameat(m_dir, m_temp, m_dir, m_base.c_str()) != 0) return Fail(strerror(errno));
  m_committed = true;
  return true;
}

void RemoveTemporaryOnSignals() {
  struct sigaction sa;
  memset(&sa, 0, sizeof sa);
  sa.sa_handler = OnInterrupt;
  sa.sa_mask = Interrupts();
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction inherited;
    // A signal ignored from the start (nohup) stays ignored.
    if (sigaction(sig, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN) continue;
    sigaction(sig, &sa, nullptr);
  }
  // A file size limit is a write error like any other, not the end of the
  // process with the temporary file left behind.
  signal(SIGXFSZ, SIG_IGN);
}

}  // namespace cli
