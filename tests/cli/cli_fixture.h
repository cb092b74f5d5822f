/* The command-line tests' one fixture: a temporary folder of the test's own,
 * tonbrook-render run in it (directly, through the shell, as nobody, with a
 * file size limit or an environment), and what it leaves there read back.
 *
 * A run as nobody uses a copy of the tool in a folder of its own that
 * anyone may enter, so that it works wherever the build lives (a clone in a
 * 0700 home folder included); the tool links only the system's libraries. */
#ifndef TONBROOK_TESTS_CLI_CLI_FIXTURE_H
#define TONBROOK_TESTS_CLI_CLI_FIXTURE_H

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace clitest {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

struct Outcome {
  int status;  // exit status, or 128 + the signal that ended it
  std::string err;
};

/* How Run starts the tool. */
struct Launch {
  bool asNobody = false;             // drop to nobody when running as root
  std::optional<rlim_t> fileLimit;   // RLIMIT_FSIZE in bytes
  std::vector<std::string> env;      // NAME=VALUE added to the environment
  std::vector<int> ignoredSignals;   // started with these ignored
};

inline Launch AsNobody() {
  Launch how;
  how.asNobody = true;
  return how;
}

inline Launch WithFileLimit(rlim_t bytes) {
  Launch how;
  how.fileLimit = bytes;
  return how;
}

/* A file's bytes; empty when it cannot be read. */
inline std::string Slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

/* Everything from fd until end of file or an error. */
inline std::string ReadAll(int fd) {
  std::string s;
  char buf[65536];
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    s.append(buf, (size_t)n);
  }
  return s;
}

/* Little-endian 16-bit samples of bytes from offset from. */
inline std::vector<int16_t> Le16Samples(const std::string &bytes, size_t from) {
  std::vector<int16_t> v;
  for (size_t i = from; i + 1 < bytes.size(); i += 2)
    v.push_back((int16_t)((uint8_t)bytes[i] | (uint8_t)bytes[i + 1] << 8));
  return v;
}

/* lstat's mode, 0 when path is not there. */
inline mode_t ModeOf(const std::string &path) {
  struct stat st {};
  lstat(path.c_str(), &st);
  return st.st_mode;
}

class ToolTest : public ::testing::Test {
 protected:
  /* A folder under /tmp that nobody may enter; ASSERTs that it was made. */
  void SetUp() override {
    char tmpl[] = "/tmp/tonbrook-cli-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    m_dir = tmpl;
    chmod(m_dir.c_str(), 0755);
  }

  /* Removes the folder, opening locked subfolders first. */
  void TearDown() override {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(m_dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
      if (it->symlink_status(ec).type() == fs::file_type::directory) chmod(it->path().c_str(), 0700);
    fs::remove_all(m_dir, ec);
  }

  static void TearDownTestSuite() {
    if (s_copyDir.empty()) return;
    std::error_code ec;
    fs::remove_all(s_copyDir, ec);
    s_copyDir.clear();
  }

  std::string At(const std::string &name) const { return m_dir + "/" + name; }

  /* The names in the test's folder (or its subfolder sub), sorted. */
  std::vector<std::string> Listing(const std::string &sub = "") const {
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(sub.empty() ? m_dir : At(sub)))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  /* The tool that a run as nobody can start: a copy in a folder anyone may
   * enter. Empty, with *why set, when nobody cannot run it there. */
  static std::string ToolForNobody(std::string *why) {
    if (s_copyDir.empty()) {
      char tmpl[] = "/tmp/tonbrook-cli-tool-XXXXXX";
      if (!mkdtemp(tmpl)) {
        *why = "cannot make a folder for a copy of the tool";
        return "";
      }
      s_copyDir = tmpl;
      chmod(s_copyDir.c_str(), 0755);
      std::error_code ec;
      fs::copy_file(TONBROOK_RENDER, s_copyDir + "/tonbrook-render", ec);
      chmod((s_copyDir + "/tonbrook-render").c_str(), 0755);
      if (ec) {
        *why = "cannot copy the tool: " + ec.message();
        return "";
      }
    }
    std::string tool = s_copyDir + "/tonbrook-render";
    if (RunProgram(tool, {"--version"}, "/", AsNobody()).status != 0) {
      *why = "nobody cannot start " + tool + " (is /tmp mounted noexec?)";
      return "";
    }
    return tool;
  }

  /* Runs the tool in the test's folder with args; standard output goes to
   * /dev/null unless args send it elsewhere. */
  Outcome Run(const std::vector<std::string> &args, const Launch &how = {}) {
    std::string tool = TONBROOK_RENDER, why;
    if (how.asNobody && geteuid() == 0) {
      tool = ToolForNobody(&why);
      if (tool.empty()) return {-1, why};
    }
    return RunProgram(tool, args, m_dir, how);
  }

  /* Runs "env ENV TOOL ARGS" through bash in the test's folder: args may
   * hold redirections, pipes and process substitutions. */
  Outcome Shell(const std::string &args, const std::string &env = "") {
    std::string errPath = m_dir + ".err";
    std::string cmd = "cd '" + m_dir + "' && env " + env + " '" TONBROOK_RENDER "' " + args + " 2>'" + errPath + "'";
    pid_t pid = fork();
    if (pid == 0) {
      execl("/bin/bash", "bash", "-c", cmd.c_str(), (char *)nullptr);
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome o{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), Slurp(errPath)};
    fs::remove(errPath);
    return o;
  }

  std::string m_dir;

 private:
  /* Starts tool in folder dir as how says, waits for it and returns its
   * status and standard error. A child that cannot start exits 96 to 98. */
  static Outcome RunProgram(const std::string &tool, const std::vector<std::string> &args, const std::string &dir,
                            const Launch &how) {
    int errPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0) return {-1, "pipe"};
    pid_t pid = fork();
    if (pid == 0) {
      dup2(errPipe[1], 2);
      int null = open("/dev/null", O_RDWR);
      dup2(null, 1);
      if (chdir(dir.c_str()) != 0) _exit(97);
      if (how.asNobody && geteuid() == 0 &&
          (setgroups(0, nullptr) != 0 || setgid(kNogroup) != 0 || setuid(kNobody) != 0))
        _exit(96);
      if (how.fileLimit) {
        rlimit lim{*how.fileLimit, *how.fileLimit};
        setrlimit(RLIMIT_FSIZE, &lim);
      }
      for (int sig : how.ignoredSignals) signal(sig, SIG_IGN);
      for (const std::string &e : how.env) putenv((char *)e.c_str());
      std::vector<char *> argv{(char *)tool.c_str()};
      for (const std::string &a : args) argv.push_back((char *)a.c_str());
      argv.push_back(nullptr);
      execv(tool.c_str(), argv.data());
      _exit(98);
    }
    close(errPipe[1]);
    std::string err = ReadAll(errPipe[0]);
    close(errPipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), err};
  }

  static inline std::string s_copyDir;
};

}  // namespace clitest

#endif
