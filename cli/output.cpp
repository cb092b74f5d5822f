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

constexpr int kMaxLinks = 40;

// The temporary file a signal handler removes: its folder and its name,
// empty when there is none.
volatile sig_atomic_t g_interruptedDir = -1;
char g_interruptedName[16];

void OnInterrupt(int sig) {
  if (g_interruptedDir >= 0 && g_interruptedName[0]) unlinkat(g_interruptedDir, g_interruptedName, 0);
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

// Permissions a newly created file would get: 0666 less the umask.
mode_t NewFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

std::string Quoted(const std::string &path) { return "'" + path + "'"; }

// Follows symbolic links from path to the name they lead to, which need not
// exist yet. Returns false with *error set when the links go round.
bool FollowLinks(std::string path, std::string *target, std::string *error) {
  for (int hop = 0; hop < kMaxLinks; hop++) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      *target = path;
      return true;
    }
    std::vector<char> buf((size_t)PATH_MAX + 1);
    ssize_t n = readlink(path.c_str(), buf.data(), buf.size() - 1);
    if (n < 0) {
      *error = strerror(errno);
      return false;
    }
    std::string link(buf.data(), (size_t)n);
    path = link[0] == '/' ? link : FolderOf(path) + "/" + link;
  }
  *error = strerror(ELOOP);
  return false;
}

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
    sigset_t interrupts;
    sigemptyset(&interrupts);
    sigaddset(&interrupts, SIGINT);
    sigaddset(&interrupts, SIGTERM);
    sigaddset(&interrupts, SIGHUP);
    sigprocmask(SIG_BLOCK, &interrupts, &previous_);
  }
  ~InterruptsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }

 private:
  sigset_t previous_;
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
  if (path.back() == '/') {
    *error = "cannot write " + Quoted(path) + ": no file name";
    return nullptr;
  }

  std::string target, fault;
  if (!FollowLinks(path, &target, &fault)) {
    *error = "cannot write " + Quoted(path) + ": " + fault;
    return nullptr;
  }
  std::unique_ptr<OutputFile> out(new OutputFile(-1, path));
  struct stat st;
  bool exists = stat(target.c_str(), &st) == 0;
  bool ok;
  if (!exists && errno != ENOENT) {
    ok = out->Fail(strerror(errno));
  } else if (exists && S_ISDIR(st.st_mode)) {
    ok = out->Fail("it is a folder");
  } else if (exists && !S_ISREG(st.st_mode)) {
    ok = out->OpenInPlace(target, st);
  } else {
    ok = out->OpenTemporary(target, exists ? &st : nullptr);
  }
  if (!ok) {
    *error = out->Error();
    return nullptr;
  }
  return out;
}

bool OutputFile::OpenInPlace(const std::string &target, const struct stat &st) {
  fd_ = S_ISSOCK(st.st_mode) ? ConnectSocket(target) : open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) return Fail(strerror(errno));
  // Something may have taken the name since it was looked at; a regular file
  // is never written in place.
  struct stat now;
  if (fstat(fd_, &now) != 0) return Fail(strerror(errno));
  if (S_ISREG(now.st_mode)) return Fail("it changed while it was being opened");
  return true;
}

bool OutputFile::OpenTemporary(const std::string &target, const struct stat *existing) {
  std::string folder = FolderOf(target);
  base_ = BaseOf(target);
  if (existing && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return Fail(strerror(errno));
  dir_ = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (dir_ < 0) return Fail(strerror(errno));

  for (int attempt = 0; attempt < 100 && fd_ < 0; attempt++) {
    InterruptsHeld held;
    TemporaryName(temp_);
    fd_ = openat(dir_, temp_, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
      memcpy(g_interruptedName, temp_, sizeof temp_);
      g_interruptedDir = dir_;
    } else if (errno != EEXIST) {
      temp_[0] = '\0';
      return Fail("cannot create a file in the folder " + Quoted(folder) + ": " + strerror(errno));
    }
  }
  if (fd_ < 0) {
    temp_[0] = '\0';
    return Fail("cannot create a file in the folder " + Quoted(folder) + ": " + strerror(EEXIST));
  }
  return KeepOwnerAndMode(existing);
}

// The replacement keeps the old file's owner, group and permissions as far
// as the user may give them; set-id bits go when the owner cannot be kept.
// A new file gets the permissions any new file would.
bool OutputFile::KeepOwnerAndMode(const struct stat *existing) {
  if (!existing) return fchmod(fd_, NewFileMode()) == 0 || Fail(strerror(errno));
  mode_t mode = existing->st_mode & 07777;
  struct stat mine;
  if (fstat(fd_, &mine) != 0) return Fail(strerror(errno));
  if ((mine.st_uid != existing->st_uid || mine.st_gid != existing->st_gid) &&
      fchown(fd_, existing->st_uid, existing->st_gid) != 0)
    mode &= ~(mode_t)(S_ISUID | S_ISGID);
  return fchmod(fd_, mode) == 0 || Fail(strerror(errno));
}

OutputFile::OutputFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

OutputFile::~OutputFile() {
  if (fd_ >= 0 && fd_ != STDOUT_FILENO) close(fd_);
  if (temp_[0]) {
    g_interruptedDir = -1;
    g_interruptedName[0] = '\0';
    if (!committed_) unlinkat(dir_, temp_, 0);
  }
  if (dir_ >= 0) close(dir_);
}

bool OutputFile::Fail(const std::string &what) {
  error_ = "cannot write " + Quoted(path_) + ": " + what;
  return false;
}

bool OutputFile::WriteAll(const uint8_t *bytes, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(fd_, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(strerror(errno));
    done += (size_t)n;
  }
  return true;
}

bool OutputFile::Commit() {
  if (!temp_[0]) {
    if (fd_ == STDOUT_FILENO) return true;
    int rc = close(fd_);
    fd_ = -1;
    return rc == 0 || Fail(strerror(errno));
  }
  if (fsync(fd_) != 0) return Fail(strerror(errno));
  int rc = close(fd_);
  fd_ = -1;
  if (rc != 0) return Fail(strerror(errno));
  if (renameat(dir_, temp_, dir_, base_.c_str()) != 0) return Fail(strerror(errno));
  committed_ = true;
  return true;
}

void RemoveTemporaryOnSignals() {
  struct sigaction sa;
  memset(&sa, 0, sizeof sa);
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  // A file size limit is a write error like any other, not the end of the
  // process with the temporary file left behind.
  signal(SIGXFSZ, SIG_IGN);
}

}  // namespace cli
