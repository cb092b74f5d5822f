#include <windows.h>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "host/headless.h"
#include "common/wintest.h"
#include "user/findwnd.h"

extern char **environ;

namespace {

using plat::host::Headless;

/* Each test gets a runtime directory of its own. */
class Find : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/tonbrook-test-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    m_dir = dir;
    setenv("XDG_RUNTIME_DIR", dir, 1);
    // The private folder taken when the runtime one is unsafe, here too.
    if (const char *tmp = getenv("TMPDIR")) m_tmpdir = tmp;
    setenv("TMPDIR", dir, 1);
    wintest::Begin();
  }
  void TearDown() override {
    wintest::End();
    unsetenv("XDG_RUNTIME_DIR");
    if (m_tmpdir.empty())
      unsetenv("TMPDIR");
    else
      setenv("TMPDIR", m_tmpdir.c_str(), 1);
    std::filesystem::remove_all(m_dir);
  }
  std::string m_dir;
  std::string m_tmpdir;
};

/* Starts the peer program; with out, its standard output (or the given
 * descriptor) is a pipe. */
pid_t Spawn(const char *mode, const char *cls, const char *title, int *out = nullptr, int fd = 1) {
  int fds[2] = {-1, -1};
  if (out && pipe(fds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (out) {
    posix_spawn_file_actions_adddup2(&actions, fds[1], fd);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
  }
  char *argv[] = {(char *)USER_PEER, (char *)mode, (char *)cls, (char *)title, nullptr};
  pid_t pid = -1;
  int err = posix_spawn(&pid, USER_PEER, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (out) {
    close(fds[1]);
    *out = fds[0];
  }
  return err == 0 ? pid : -1;
}

int ExitCode(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

/* Runs the peer in find mode to its end and returns its exit code. */
int PeerFinds(const char *cls, const char *title) { return ExitCode(Spawn("find", cls, title)); }

/* A peer that holds the window until raised, once it says it is ready; -1
 * when it did not start or said nothing. */
pid_t Host(const char *cls, const char *title) {
  int out = -1;
  pid_t peer = Spawn("host", cls, title, &out);
  char ready[6] = {};
  bool said = peer > 0 && read(out, ready, 6) == 6;
  if (out >= 0) close(out);
  return said ? peer : -1;
}

/* Leaves a socket that nobody listens on, as a crashed process does. */
void MakeStale(const std::string &path) {
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  path.copy(addr.sun_path, sizeof addr.sun_path - 1);
  ASSERT_EQ(bind(fd, (sockaddr *)&addr, sizeof addr), 0);
  close(fd);
}

bool Exists(const std::string &path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

TEST_F(Find, MatchesClassAndTitleExactlyInThisProcess) {
  HWND main = wintest::Top(u"Tonbrook");
  EXPECT_EQ(FindWindowW(wintest::kClass, u"Tonbrook"), main);
  EXPECT_EQ(FindWindowW(wintest::kClass, nullptr), main);
  EXPECT_EQ(FindWindowW(wintest::kClass, u"Tonbrook2"), nullptr);
  EXPECT_EQ(FindWindowW(wintest::kClass, u"tonbrook"), nullptr);
  EXPECT_EQ(FindWindowW(u"TONBROOK", u"Tonbrook"), nullptr);
  // Children are not searched; a renamed window is found by its new title.
  wintest::Child(main, 1);
  SetWindowTextW(main, u"Renamed");
  EXPECT_EQ(FindWindowW(wintest::kClass, u"Tonbrook"), nullptr);
  EXPECT_EQ(FindWindowW(wintest::kClass, u"Renamed"), main);
}

TEST_F(Find, ASecondProcessFindsTheFirstAndMakesItRaiseItself) {
  int raises = plat::host::Run({}, [&](Headless &host) {
    HWND main = wintest::Top(u"Tonbrook");
    HWND about = CreateWindowExW(0, wintest::kClass, u"About", WS_POPUP | WS_VISIBLE, 0, 26, 240,
                                 294, main, nullptr, nullptr, nullptr);
    wintest::Top(u"Something else");
    EXPECT_NE(GetForegroundWindow(), about);

    // Another title or another class is no running instance.
    EXPECT_EQ(PeerFinds("TESTWND", "Tonbrook 2"), 1);
    EXPECT_EQ(PeerFinds("TONBROOK", "Tonbrook"), 1);
    EXPECT_EQ(host.Raises(), 0);

    pid_t peer = Spawn("find", "TESTWND", "Tonbrook");
    MSG msg;
    while (host.Raises() == 0 && GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
    EXPECT_EQ(ExitCode(peer), 0);
    EXPECT_EQ(GetForegroundWindow(), about);
    std::vector<HWND> z = plat::user::TopLevelWindows();
    EXPECT_EQ(z[0], about);
    EXPECT_EQ(z[1], main);
    return host.Raises();
  });
  EXPECT_EQ(raises, 1);
}

TEST_F(Find, AWindowOfAnotherProcessIsFoundAndRaisedThroughItsHandle) {
  pid_t peer = Host("TESTWND", "Remote");
  ASSERT_GT(peer, 0);

  HWND remote = FindWindowW(wintest::kClass, u"Remote");
  ASSERT_NE(remote, nullptr);
  EXPECT_FALSE(IsWindow(remote));
  EXPECT_EQ(FindWindowW(wintest::kClass, u"Remote"), remote);
  EXPECT_EQ(FindWindowW(wintest::kClass, u"Remote 2"), nullptr);
  EXPECT_EQ(FindWindowW(u"OTHER", u"Remote"), nullptr);
  EXPECT_EQ(SendMessageW(remote, WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(SetForegroundWindow((HWND)((ULONG_PTR)remote | 1)));
  EXPECT_EQ(ExitCode(peer), 3);

  // The peer ended without removing its entry: the entry must not count,
  // and this process may take the name over.
  std::string path = plat::user::SocketPath(u"TESTWND", u"Remote");
  EXPECT_TRUE(Exists(path));
  EXPECT_FALSE(SetForegroundWindow(remote));
  EXPECT_EQ(FindWindowW(wintest::kClass, u"Remote"), nullptr);
  HWND mine = wintest::Top(u"Remote");
  EXPECT_EQ(FindWindowW(wintest::kClass, u"Remote"), mine);
  EXPECT_EQ(PeerFinds("TESTWND", "Remote"), 0);
  DestroyWindow(mine);
  EXPECT_FALSE(Exists(path));

  // A stale entry is no obstacle to a window made without looking first.
  MakeStale(path);
  mine = wintest::Top(u"Remote");
  EXPECT_EQ(PeerFinds("TESTWND", "Remote"), 0);
  DestroyWindow(mine);
  EXPECT_FALSE(Exists(path));

  // A process that ends normally takes its entries with it.
  EXPECT_EQ(ExitCode(Spawn("exit", "TESTWND", "Remote")), 0);
  EXPECT_FALSE(Exists(path));
}

TEST_F(Find, FindingNothingHoldsTheNameForTheWindowAboutToBeMade) {
  int raises = plat::host::Run({}, [&](Headless &host) {
    // Nothing yet: from now on this process is the one that runs.
    EXPECT_EQ(FindWindowW(wintest::kClass, u"Tonbrook"), nullptr);
    EXPECT_EQ(FindWindowW(wintest::kClass, u"Tonbrook"), nullptr);
    // Another start finds it before its window is made, and asks it to come
    // forward; the window gets that once it is there.
    int found = PeerFinds("TESTWND", "Tonbrook");
    EXPECT_EQ(found, 0) << "the other start did not find this one";
    if (found != 0) return -1;
    EXPECT_EQ(host.Raises(), 0);
    HWND main = wintest::Top(u"Tonbrook");
    MSG msg;
    while (host.Raises() == 0 && GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
    EXPECT_EQ(GetForegroundWindow(), main);
    EXPECT_EQ(PeerFinds("TESTWND", "Tonbrook"), 0);
    while (host.Raises() == 1 && GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
    // A second window of the same name in this process is not published.
    HWND twin = wintest::Top(u"Tonbrook");
    DestroyWindow(main);
    EXPECT_EQ(PeerFinds("TESTWND", "Tonbrook"), 1);
    DestroyWindow(twin);
    return host.Raises();
  });
  EXPECT_EQ(raises, 2);
}

TEST_F(Find, OfTwoStartsAtAnyDistanceExactlyOneRuns) {
  for (int race = 0; race < 20; ++race) {
    pid_t first = Spawn("once", "TESTWND", "Race");
    usleep((useconds_t)race * 5000);
    pid_t second = Spawn("once", "TESTWND", "Race");
    int codes[2] = {ExitCode(first), ExitCode(second)};
    // One found the other and raised it (0), which then ended (3).
    EXPECT_EQ(codes[0] + codes[1], 3) << "race " << race << ": " << codes[0] << ", " << codes[1];
    EXPECT_TRUE(codes[0] == 0 || codes[1] == 0) << "race " << race;
  }
}

TEST_F(Find, NothingIsAnsweredToAnotherUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  wintest::Top(u"Tonbrook");
  std::string path = plat::user::SocketPath(u"TESTWND", u"Tonbrook");
  // Let the other user reach the socket, so that only the listener's own
  // check stands in the way.
  std::string dir = plat::user::RuntimeDir();
  chmod(m_dir.c_str(), 0711);
  chmod(dir.c_str(), 0711);
  chmod(path.c_str(), 0777);
  pid_t pid = fork();
  if (pid == 0) {
    if (setuid(65534) != 0) _exit(10);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    path.copy(addr.sun_path, sizeof addr.sun_path - 1);
    if (connect(fd, (sockaddr *)&addr, sizeof addr) != 0) _exit(11);
    char request[1 + 8 + 14 + 16] = {plat::user::kAskRaise, 7, 0, 0, 0, 8, 0, 0, 0};
    const char16_t cls[] = u"TESTWND", title[] = u"Tonbrook";
    memcpy(request + 9, cls, 14);
    memcpy(request + 23, title, 16);
    // The listener may hang up before the request is written: no answer.
    if (send(fd, request, sizeof request, MSG_NOSIGNAL) != (ssize_t)sizeof request) _exit(0);
    char answer;
    _exit(read(fd, &answer, 1) == 1 ? 13 : 0);
  }
  EXPECT_EQ(ExitCode(pid), 0);
  chmod(dir.c_str(), 0700);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, plat::user::WM_PLAT_RAISE, plat::user::WM_PLAT_RAISE,
                            PM_REMOVE));
}

/* Runs the peer with standard error captured: its exit code and what it
 * wrote there. */
int PeerWithStderr(const char *mode, const char *cls, const char *title, std::string *err) {
  int fd = -1;
  pid_t pid = Spawn(mode, cls, title, &fd, 2);
  char buf[512];
  ssize_t n;
  while (fd >= 0 && (n = read(fd, buf, sizeof buf)) > 0) err->append(buf, (size_t)n);
  if (fd >= 0) close(fd);
  return pid > 0 ? ExitCode(pid) : -1;
}

TEST_F(Find, AnUnsafeRuntimeDirectoryIsNotUsedButAPrivateOneInstead) {
  // The folders are named after the program (this test's executable, whose
  // peer bears the same name).
  std::string own = m_dir + "/user_test";
  std::string fallback = m_dir + "/user_test-" + std::to_string(geteuid());
  EXPECT_EQ(plat::user::RuntimeDir(), own);
  struct stat st;
  ASSERT_EQ(stat(own.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  std::string elsewhere = m_dir + "/elsewhere";
  mkdir(elsewhere.c_str(), 0700);

  // Each way the folder can be wrong (giving it away needs root), and a
  // window found through the private one all the same.
  std::vector<std::function<void()>> spoil = {
      [&] { mkdir(own.c_str(), 0755); },
      [&] { ASSERT_EQ(symlink(elsewhere.c_str(), own.c_str()), 0); },
      [&] { close(open(own.c_str(), O_CREAT | O_WRONLY, 0600)); },
  };
  if (geteuid() == 0) {
    spoil.push_back([&] {
      mkdir(own.c_str(), 0700);
      ASSERT_EQ(chown(own.c_str(), 65534, 65534), 0);
    });
  }
  for (size_t i = 0; i < spoil.size(); ++i) {
    std::filesystem::remove_all(own);
    spoil[i]();
    EXPECT_EQ(plat::user::RuntimeDir(), fallback) << "case " << i;
    std::string err;
    EXPECT_EQ(PeerWithStderr("find", "TESTWND", "Tonbrook", &err), 1) << "case " << i;
    HWND main = wintest::Top(u"Tonbrook");
    err.clear();
    EXPECT_EQ(PeerWithStderr("find", "TESTWND", "Tonbrook", &err), 0) << "case " << i;
    EXPECT_EQ(err.rfind("user_test: not using " + own + ": ", 0), 0u) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "not one line: " << err;
    EXPECT_NE(err.find("using " + fallback), std::string::npos) << err;
    DestroyWindow(main);
  }
  EXPECT_TRUE(std::filesystem::is_empty(elsewhere));

  // With the private one no better, windows still work; they are only not
  // published.
  std::filesystem::remove_all(fallback);
  ASSERT_EQ(symlink(elsewhere.c_str(), fallback.c_str()), 0);
  EXPECT_TRUE(plat::user::RuntimeDir().empty());
  HWND main = wintest::Top(u"Tonbrook");
  EXPECT_EQ(FindWindowW(wintest::kClass, u"Tonbrook"), main);
  std::string err;
  EXPECT_EQ(PeerWithStderr("find", "TESTWND", "Tonbrook", &err), 1);
  EXPECT_EQ(err.find('\n'), err.size() - 1) << "not one line: " << err;
  EXPECT_NE(err.find("nor " + fallback), std::string::npos) << err;
  EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
}

TEST_F(Find, ALockNotHadInTimeRemovesNothingAndOnlyAnAnswerIsRaised) {
  std::string path = plat::user::SocketPath(u"TESTWND", u"Locked");
  pid_t holder = Host("TESTWND", "Locked");
  ASSERT_GT(holder, 0);
  // Another start stopped while it holds the folder's lock.
  int lock = open((plat::user::RuntimeDir() + "/lock").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_EQ(flock(lock, LOCK_EX), 0);

  // The holder answers: it is raised.
  std::string err;
  EXPECT_EQ(PeerWithStderr("find", "TESTWND", "Locked", &err), 0) << err;
  EXPECT_EQ(ExitCode(holder), 3);
  // Its socket is left as a crash leaves it: without the lock it is not
  // removed, and the start says so and goes on.
  err.clear();
  EXPECT_EQ(PeerWithStderr("find", "TESTWND", "Locked", &err), 1);
  EXPECT_TRUE(Exists(path));
  EXPECT_EQ(err.rfind("user_test: another start holds ", 0), 0u) << err;
  EXPECT_EQ(err.find('\n'), err.size() - 1) << "not one line: " << err;
  close(lock);
}

}  // namespace
