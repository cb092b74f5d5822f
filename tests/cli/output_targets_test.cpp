// tonbrook-render -o onto what is not a plain new file: devices, FIFOs,
// sockets, symbolic links, existing files with their modes and owners, size
// limits, long names. Where privileges matter the tool runs as nobody when
// the test runs as root; devices are made by the test in its own folder.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "cli_fixture.h"

namespace {

using namespace clitest;

class OutputTargetsTest : public ToolTest {
 protected:
  // The WAV of a 500 Hz sine, one loop buffer, as a regular file holds it.
  std::string ExpectedWav() {
    Outcome o = Run({"sine", "-q", "-o", "expected.wav"});
    EXPECT_EQ(o.status, 0) << o.err;
    std::string wav = Slurp(At("expected.wav"));
    fs::remove(At("expected.wav"));
    EXPECT_EQ(wav.size(), 44u + 16384u);
    return wav;
  }
};

TEST_F(OutputTargetsTest, ACharacterDeviceStaysADeviceAndIsWrittenInPlace) {
  if (geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
  // The same device as the system's null device, in the test's own folder.
  ASSERT_EQ(mknod(At("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
  Outcome o = Run({"sine", "--seconds", "2", "-q", "-o", "null"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(S_ISCHR(ModeOf(At("null"))));
  EXPECT_EQ(Listing(), std::vector<std::string>{"null"});
}

TEST_F(OutputTargetsTest, AFullDeviceIsAWriteErrorThatSaysSo) {
  if (geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
  // The system's full device, in a folder of the test's own that an
  // ordinary user may not write in: its permissions must not be blamed.
  ASSERT_EQ(chown(m_dir.c_str(), kNobody, kNogroup), 0);
  ASSERT_TRUE(fs::create_directory(At("dev")));
  ASSERT_EQ(chmod(At("dev").c_str(), 0755), 0);
  ASSERT_EQ(mknod(At("dev/full").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
  ASSERT_EQ(chmod(At("dev/full").c_str(), 0666), 0); /* past the umask */
  Outcome o = Run({"white", "--seconds", "1", "-q", "-o", "dev/full"}, AsNobody());
  EXPECT_EQ(o.status, 1) << o.err;
  EXPECT_EQ(o.err, "tonbrook-render: cannot write 'dev/full': No space left on device\n");
  EXPECT_TRUE(S_ISCHR(ModeOf(At("dev/full"))));
}

// The reader is open before the tool starts; the WAV fits the FIFO's and
// the socket's buffers, so the test reads once the tool has ended.
TEST_F(OutputTargetsTest, AFifosReaderReceivesTheWholeWav) {
  std::string expected = ExpectedWav();
  ASSERT_EQ(mkfifo(At("fifo").c_str(), 0644), 0);
  int reader = open(At("fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  Outcome o = Run({"sine", "-q", "-o", "fifo"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(ReadAll(reader), expected);
  close(reader);
  EXPECT_TRUE(S_ISFIFO(ModeOf(At("fifo"))));
  EXPECT_EQ(Listing(), std::vector<std::string>{"fifo"});
}

TEST_F(OutputTargetsTest, AListeningSocketReceivesTheWholeWav) {
  std::string expected = ExpectedWav();
  int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::string path = At("sock");
  ASSERT_LT(path.size(), sizeof addr.sun_path);
  memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  ASSERT_EQ(bind(listener, (sockaddr *)&addr, sizeof addr), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  Outcome o = Run({"sine", "-q", "-o", "sock"});
  EXPECT_EQ(o.status, 0) << o.err;
  int peer = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  EXPECT_GE(peer, 0) << "the tool never connected";
  if (peer >= 0) {
    EXPECT_EQ(ReadAll(peer), expected);
    close(peer);
  }
  close(listener);
  EXPECT_TRUE(S_ISSOCK(ModeOf(path)));
  EXPECT_EQ(Listing(), std::vector<std::string>{"sock"});
}

TEST_F(OutputTargetsTest, ASymlinkIsFollowedAndItsTargetReplacedInItsOwnFolder) {
  std::string expected = ExpectedWav();
  fs::create_directory(At("real"));
  std::ofstream(At("real/t.wav")) << "old";
  chmod(At("real/t.wav").c_str(), 0640);
  fs::create_symlink("real/t.wav", At("link.wav"));
  fs::create_symlink("link.wav", At("chain.wav"));
  fs::create_symlink("real/new.wav", At("dangling.wav"));

  Outcome o = Run({"sine", "-q", "-o", "chain.wav"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(S_ISLNK(ModeOf(At("chain.wav"))));
  EXPECT_TRUE(S_ISLNK(ModeOf(At("link.wav"))));
  EXPECT_EQ(Slurp(At("real/t.wav")), expected);
  EXPECT_EQ(ModeOf(At("real/t.wav")) & 07777, 0640u);

  o = Run({"sine", "-q", "-o", "dangling.wav"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(S_ISLNK(ModeOf(At("dangling.wav"))));
  EXPECT_EQ(Slurp(At("real/new.wav")), expected);
  EXPECT_EQ(Listing("real"), (std::vector<std::string>{"new.wav", "t.wav"}));
  EXPECT_EQ(Listing(), (std::vector<std::string>{"chain.wav", "dangling.wav", "link.wav", "real"}));

  fs::create_symlink("loop2", At("loop1"));
  fs::create_symlink("loop1", At("loop2"));
  o = Run({"sine", "-q", "-o", "loop1"});
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("Too many levels of symbolic links"), std::string::npos) << o.err;
}

TEST_F(OutputTargetsTest, AnExistingFileKeepsItsModeAndOwner) {
  std::string expected = ExpectedWav();
  for (mode_t mode : {0600, 0640, 0755}) {
    std::ofstream(At("f.wav")) << "old";
    chmod(At("f.wav").c_str(), mode);
    Outcome o = Run({"sine", "-q", "-o", "f.wav"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(ModeOf(At("f.wav")) & 07777, mode);
    EXPECT_EQ(Slurp(At("f.wav")), expected);
  }
  if (geteuid() != 0) return;
  // Root replacing another user's file leaves it theirs, read-only included.
  std::ofstream(At("theirs.wav")) << "old";
  ASSERT_EQ(chown(At("theirs.wav").c_str(), kNobody, kNogroup), 0);
  chmod(At("theirs.wav").c_str(), 0444);
  Outcome o = Run({"sine", "-q", "-o", "theirs.wav"});
  EXPECT_EQ(o.status, 0) << o.err;
  struct stat st {};
  ASSERT_EQ(stat(At("theirs.wav").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);
  EXPECT_EQ(st.st_gid, kNogroup);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
  EXPECT_EQ(Slurp(At("theirs.wav")), expected);
}

TEST_F(OutputTargetsTest, AReadOnlyFileOrFolderIsRefusedWithTheRealFault) {
  if (geteuid() == 0) {
    ASSERT_EQ(chown(m_dir.c_str(), kNobody, kNogroup), 0);
  }
  std::ofstream(At("ro.wav")) << "precious";
  chmod(At("ro.wav").c_str(), 0444);
  Outcome o = Run({"sine", "-q", "-o", "ro.wav"}, AsNobody());
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err.rfind("tonbrook-render: cannot write 'ro.wav': Permission denied\n", 0), 0u) << o.err;
  EXPECT_EQ(Slurp(At("ro.wav")), "precious");
  EXPECT_EQ(ModeOf(At("ro.wav")) & 07777, 0444u);

  fs::create_directory(At("locked"));
  if (geteuid() == 0) {
    ASSERT_EQ(chown(At("locked").c_str(), kNobody, kNogroup), 0);
  }
  chmod(At("locked").c_str(), 0555);
  o = Run({"sine", "-q", "-o", "locked/x.wav"}, AsNobody());
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err.rfind("tonbrook-render: cannot write 'locked/x.wav': cannot create a file in the directory "
                        "'locked': Permission denied\n",
                        0),
            0u)
      << o.err;
  EXPECT_TRUE(fs::is_empty(At("locked")));
  EXPECT_EQ(Listing(), (std::vector<std::string>{"locked", "ro.wav"}));
}

TEST_F(OutputTargetsTest, AFileSizeLimitIsAWriteErrorThatLeavesNothingBehind) {
  std::ofstream(At("keep.wav")) << "precious";
  Outcome o = Run({"white", "--seconds", "10", "-q", "-o", "keep.wav"}, WithFileLimit(100000));
  EXPECT_EQ(o.status, 1) << o.err;
  EXPECT_EQ(o.err, "tonbrook-render: cannot write 'keep.wav': File too large\n");
  EXPECT_EQ(Slurp(At("keep.wav")), "precious");
  EXPECT_EQ(Listing(), std::vector<std::string>{"keep.wav"});
}

// libsndfile does not report a write that fails while it closes (an
// encoder's last frames): a limit that only the last write reaches must
// still fail, in every format, and leave nothing behind.
TEST_F(OutputTargetsTest, ASizeLimitAtTheLastWriteLeavesNoFileInAnyFormat) {
  for (const char *ext : {"wav", "rf64", "flac", "aiff", "caf", "w64", "raw"}) {
    std::string whole = std::string("whole.") + ext, cut = std::string("cut.") + ext;
    Outcome o = Run({"white", "--tick", "5", "--seconds", "3", "-q", "-o", whole});
    ASSERT_EQ(o.status, 0) << ext << ": " << o.err;
    rlim_t size = (rlim_t)fs::file_size(At(whole));
    o = Run({"white", "--tick", "5", "--seconds", "3", "-q", "-o", cut}, WithFileLimit(size - 1));
    EXPECT_EQ(o.status, 1) << ext << ": " << o.err;
    EXPECT_EQ(o.err, "tonbrook-render: cannot write '" + cut + "': File too large\n") << ext;
    EXPECT_EQ(Listing(), std::vector<std::string>{whole}) << ext;
    fs::remove(At(whole));
  }
}

TEST_F(OutputTargetsTest, ABlockDeviceOrADirectoryIsRefused) {
  fs::create_directory(At("sub"));
  std::vector<std::pair<std::string, std::string>> cases{{"sub", "it is a directory"}};
  // A block device number no driver serves: a fault here writes nothing.
  if (geteuid() == 0 && mknod(At("disk").c_str(), S_IFBLK | 0666, makedev(240, 0)) == 0)
    cases.push_back({"disk", "it is a block device"});
  for (const auto &[name, why] : cases) {
    Outcome o = Run({"sine", "-q", "-o", name});
    EXPECT_EQ(o.status, 2) << name;
    EXPECT_EQ(o.err.rfind("tonbrook-render: cannot write '" + name + "': " + why + "\n", 0), 0u) << o.err;
  }
  if (geteuid() == 0) {
    EXPECT_TRUE(S_ISBLK(ModeOf(At("disk"))));
  }
}

// Links that name no path (standard output, process substitution) lead
// where the kernel says; the bytes are those of "-o -".
TEST_F(OutputTargetsTest, StandardOutputAndProcessSubstitutionGetTheStream) {
  ASSERT_EQ(Shell("sine -q -o - > dash.wav").status, 0);
  for (const char *args : {"sine -q -o /dev/stdout | cat > out.wav", "sine -q -o /dev/stdout > out.wav",
                           "sine -q -o /dev/fd/1 | cat > out.wav", "sine -q -o >(cat > out.wav); wait $!"}) {
    Outcome o = Shell(args);
    EXPECT_EQ(o.status, 0) << args << ": " << o.err;
    EXPECT_EQ(Slurp(At("out.wav")), Slurp(At("dash.wav"))) << args;
    fs::remove(At("out.wav"));
  }
  EXPECT_EQ(Listing(), std::vector<std::string>{"dash.wav"});
}

// With fs.protected_symlinks, a link that another user planted in a sticky
// world-writable directory is not followed, not even by root: the tool
// lets the kernel follow links, so the rule holds for it as for a shell.
TEST_F(OutputTargetsTest, RootCannotWriteThroughAnotherUsersLinkInAStickyDirectory) {
  if (geteuid() != 0) GTEST_SKIP() << "the case needs root";
  // The setting is the machine's: it is put back however the case ends.
  static const char *const kKnob = "/proc/sys/fs/protected_symlinks";
  struct Restore {
    std::string before = Slurp(kKnob);
    ~Restore() {
      if (before != "1\n") std::ofstream(kKnob) << before;
    }
  } knob;
  if (knob.before != "1\n" && !(std::ofstream(kKnob) << "1\n"))
    GTEST_SKIP() << "fs.protected_symlinks is " << knob.before << " and cannot be set here";
  std::ofstream(At("victim")) << "precious";
  ASSERT_EQ(mkdir(At("sticky").c_str(), 0755), 0);
  ASSERT_EQ(chmod(At("sticky").c_str(), 01777), 0);
  for (const char *target : {"victim", "created"}) {
    std::string link = std::string("sticky/") + target + ".wav";
    fs::create_symlink(At(target), At(link));
    ASSERT_EQ(lchown(At(link).c_str(), kNobody, kNogroup), 0);
    Outcome o = Run({"sine", "-q", "-o", link});
    EXPECT_EQ(o.status, 2) << target;
    EXPECT_EQ(o.err.rfind("tonbrook-render: cannot write '" + link + "': Permission denied\n", 0), 0u) << o.err;
  }
  EXPECT_EQ(Slurp(At("victim")), "precious");
  EXPECT_EQ(Listing(), (std::vector<std::string>{"sticky", "victim"}));
}

TEST_F(OutputTargetsTest, TheLongestNamesAFolderTakesAreWritten) {
  std::string expected = ExpectedWav();
  for (size_t len : {248, 255}) {
    std::string name(len, 'n');
    Outcome o = Run({"sine", "-q", "-o", name});
    EXPECT_EQ(o.status, 0) << len << ": " << o.err;
    EXPECT_EQ(Slurp(At(name)), expected);
    EXPECT_EQ(Listing(), std::vector<std::string>{name});
    fs::remove(At(name));
  }
  Outcome o = Run({"sine", "-q", "-o", std::string(256, 'n')});
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("File name too long"), std::string::npos) << o.err;
  EXPECT_TRUE(Listing().empty());
}

}  // namespace
