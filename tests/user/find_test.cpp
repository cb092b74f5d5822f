#include <windows.h>

#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "host/headless.h"
#include "testwnd.h"
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
    testwnd::Begin();
  }
  void TearDown() override {
    testwnd::End();
    unsetenv("XDG_RUNTIME_DIR");
    std::filesystem::remove_all(m_dir);
  }
  std::string m_dir;
};

/* Starts the peer program; with out, its standard output is a pipe. */
pid_t Spawn(const char *mode, const char *cls, const char *title, int *out = nullptr) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int fds[2] = {-1, -1};
  if (out) {
    if (pipe(fds) != 0) return -1;
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
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
  HWND main = testwnd::Top(u"Tonbrook");
  EXPECT_EQ(FindWindowW(testwnd::kClass, u"Tonbrook"), main);
  EXPECT_EQ(FindWindowW(testwnd::kClass, nullptr), main);
  EXPECT_EQ(FindWindowW(testwnd::kClass, u"Tonbrook2"), nullptr);
  EXPECT_EQ(FindWindowW(testwnd::kClass, u"tonbrook"), nullptr);
  EXPECT_EQ(FindWindowW(u"TONBROOK", u"Tonbrook"), nullptr);
  // Children are not searched; a renamed window is found by its new title.
  testwnd::Child(main, 1);
  SetWindowTextW(main, u"Renamed");
  EXPECT_EQ(FindWindowW(testwnd::kClass, u"Tonbrook"), nullptr);
  EXPECT_EQ(FindWindowW(testwnd::kClass, u"Renamed"), main);
}

TEST_F(Find, ASecondProcessFindsTheFirstAndMakesItRaiseItself) {
  int raises = plat::host::Run({}, [&](Headless &host) {
    HWND main = testwnd::Top(u"Tonbrook");
    HWND about = CreateWindowExW(0, testwnd::kClass, u"About", WS_POPUP | WS_VISIBLE, 0, 26, 240,
                                 294, main, nullptr, nullptr, nullptr);
    testwnd::Top(u"Something else");
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
  int out = -1;
  pid_t peer = Spawn("host", "TESTWND", "Remote", &out);
  ASSERT_GT(peer, 0);
  char ready[6] = {};
  ASSERT_EQ(read(out, ready, 6), 6);
  close(out);

  HWND remote = FindWindowW(testwnd::kClass, u"Remote");
  ASSERT_NE(remote, nullptr);
  EXPECT_FALSE(IsWindow(remote));
  EXPECT_EQ(FindWindowW(testwnd::kClass, u"Remote"), remote);
  EXPECT_EQ(FindWindowW(testwnd::kClass, u"Remote 2"), nullptr);
  EXPECT_EQ(FindWindowW(u"OTHER", u"Remote"), nullptr);
  EXPECT_EQ(SendMessageW(remote, WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(SetForegroundWindow((HWND)((ULONG_PTR)remote | 1)));
  EXPECT_EQ(ExitCode(peer), 3);

  // The peer ended without removing its entry: the entry must not count,
  // and this process may take the name over.
  std::string path = plat::user::SocketPath(u"TESTWND", u"Remote");
  EXPECT_TRUE(Exists(path));
  EXPECT_FALSE(SetForegroundWindow(remote));
  EXPECT_EQ(FindWindowW(testwnd::kClass, u"Remote"), nullptr);
  EXPECT_FALSE(Exists(path));
  MakeStale(path);
  HWND mine = testwnd::Top(u"Remote");
  EXPECT_EQ(FindWindowW(testwnd::kClass, u"Remote"), mine);
  EXPECT_EQ(PeerFinds("TESTWND", "Remote"), 0);
  DestroyWindow(mine);
  EXPECT_FALSE(Exists(path));

  // A process that ends normally takes its entries with it.
  EXPECT_EQ(ExitCode(Spawn("exit", "TESTWND", "Remote")), 0);
  EXPECT_FALSE(Exists(path));
}

TEST_F(Find, NothingIsAnsweredToAnotherUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  testwnd::Top(u"Tonbrook");
  std::string path = plat::user::SocketPath(u"TESTWND", u"Tonbrook");
  // Let the other user reach the socket, so that only the listener's own
  // check stands in the way.
  chmod(m_dir.c_str(), 0711);
  chmod(plat::user::RuntimeDir().c_str(), 0711);
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
  chmod(plat::user::RuntimeDir().c_str(), 0700);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, plat::user::WM_PLAT_RAISE, plat::user::WM_PLAT_RAISE,
                            PM_REMOVE));
}

TEST_F(Find, AnUnsafeRuntimeDirectoryIsNotUsed) {
  std::string own = m_dir + "/tonbrook";
  ASSERT_FALSE(plat::user::RuntimeDir().empty());
  EXPECT_EQ(plat::user::RuntimeDir(), own);
  struct stat st;
  ASSERT_EQ(stat(own.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  chmod(own.c_str(), 0755);
  EXPECT_TRUE(plat::user::RuntimeDir().empty());
  rmdir(own.c_str());
  std::string elsewhere = m_dir + "/elsewhere";
  mkdir(elsewhere.c_str(), 0700);
  ASSERT_EQ(symlink(elsewhere.c_str(), own.c_str()), 0);
  EXPECT_TRUE(plat::user::RuntimeDir().empty());
  // Without a directory windows still work; they are only not published.
  HWND main = testwnd::Top(u"Tonbrook");
  EXPECT_EQ(FindWindowW(testwnd::kClass, u"Tonbrook"), main);
  EXPECT_EQ(PeerFinds("TESTWND", "Tonbrook"), 1);
  EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
}

}  // namespace
