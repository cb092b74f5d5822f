#include "output.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace cli {

namespace {

constexpr size_t kFlushBytes = 1 << 16;

// The temporary file a signal handler removes; empty when there is none.
char g_interruptedTemp[PATH_MAX];

void OnInterrupt(int sig) {
  if (g_interruptedTemp[0]) unlink(g_interruptedTemp);
  _exit(128 + sig);
}

void Put16(std::vector<uint8_t> &out, uint32_t v) {
  out.push_back((uint8_t)v);
  out.push_back((uint8_t)(v >> 8));
}

void Put32(std::vector<uint8_t> &out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

void PutTag(std::vector<uint8_t> &out, const char *tag) { out.insert(out.end(), tag, tag + 4); }

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

}  // namespace

std::unique_ptr<OutputFile> OutputFile::Open(const std::string &path, std::string *error) {
  if (path == "-") {
    if (isatty(STDOUT_FILENO)) {
      *error = "refusing to write audio to a terminal";
      return nullptr;
    }
    return std::unique_ptr<OutputFile>(new OutputFile(STDOUT_FILENO, path, ""));
  }

  struct stat st;
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    *error = "cannot write '" + path + "': it is a folder";
    return nullptr;
  }
  if (path.back() == '/' || BaseOf(path).empty()) {
    *error = "cannot write '" + path + "': no file name";
    return nullptr;
  }

  std::string temp = FolderOf(path) + "/." + BaseOf(path) + ".XXXXXX";
  if (temp.size() >= PATH_MAX) {
    *error = "cannot write '" + path + "': name too long";
    return nullptr;
  }
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');

  // The file and its name for the interrupt handler come into being together.
  sigset_t interrupts, previous;
  sigemptyset(&interrupts);
  sigaddset(&interrupts, SIGINT);
  sigaddset(&interrupts, SIGTERM);
  sigaddset(&interrupts, SIGHUP);
  sigprocmask(SIG_BLOCK, &interrupts, &previous);
  int fd = mkstemp(name.data());
  int savedErrno = errno;
  std::unique_ptr<OutputFile> out;
  if (fd >= 0) out.reset(new OutputFile(fd, path, name.data()));
  sigprocmask(SIG_SETMASK, &previous, nullptr);

  if (!out) {
    *error = "cannot write '" + path + "': " + strerror(savedErrno);
    return nullptr;
  }
  fchmod(fd, NewFileMode());
  return out;
}

OutputFile::OutputFile(int fd, std::string path, std::string tempPath)
    : fd_(fd), path_(std::move(path)), tempPath_(std::move(tempPath)) {
  if (!tempPath_.empty()) {
    strncpy(g_interruptedTemp, tempPath_.c_str(), sizeof g_interruptedTemp - 1);
  }
}

OutputFile::~OutputFile() {
  if (tempPath_.empty()) return;
  g_interruptedTemp[0] = '\0';
  if (fd_ >= 0) close(fd_);
  if (!committed_) unlink(tempPath_.c_str());
}

bool OutputFile::Fail(const std::string &what) {
  error_ = "cannot write '" + path_ + "': " + what;
  return false;
}

bool OutputFile::WriteWavHeader(uint32_t rate, uint64_t samples) {
  uint32_t dataBytes = (uint32_t)(samples * 2);
  PutTag(pending_, "RIFF");
  Put32(pending_, 36 + dataBytes);
  PutTag(pending_, "WAVE");
  PutTag(pending_, "fmt ");
  Put32(pending_, 16);
  Put16(pending_, 1);  // PCM
  Put16(pending_, 1);  // mono
  Put32(pending_, rate);
  Put32(pending_, rate * 2);  // bytes per second
  Put16(pending_, 2);         // bytes per frame
  Put16(pending_, 16);        // bits per sample
  PutTag(pending_, "data");
  Put32(pending_, dataBytes);
  return true;
}

bool OutputFile::WriteSamples(const int16_t *samples, size_t count) {
  for (size_t i = 0; i < count; i++) {
    Put16(pending_, (uint16_t)samples[i]);
    if (pending_.size() >= kFlushBytes && !Flush()) return false;
  }
  return true;
}

bool OutputFile::Flush() {
  size_t done = 0;
  while (done < pending_.size()) {
    ssize_t n = write(fd_, pending_.data() + done, pending_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(strerror(errno));
    done += (size_t)n;
  }
  pending_.clear();
  return true;
}

bool OutputFile::Commit() {
  if (!Flush()) return false;
  if (tempPath_.empty()) return true;
  if (fsync(fd_) != 0) return Fail(strerror(errno));
  int rc = close(fd_);
  fd_ = -1;
  if (rc != 0) return Fail(strerror(errno));
  if (rename(tempPath_.c_str(), path_.c_str()) != 0) return Fail(strerror(errno));
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
}

}  // namespace cli
