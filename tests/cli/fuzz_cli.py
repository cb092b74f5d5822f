#!/usr/bin/python3
"""Seeded random command lines against tonbrook-render.

Every run gets a fresh folder holding the kinds of output a user may name:
an existing file, a read-only file, a read-only folder, symbolic links (one
dangling, one to a folder), a FIFO with a reader, a listening socket and,
as root, character devices made in that folder (an always-empty one like
the null device and an always-full one). The command line mixes good and
bad waveforms, numbers, options and output paths. Each run must end with
exit status 0, 1 or 2, print no sanitizer report, leave no temporary file,
keep every special file what it was, and on an error change nothing at all.
As root, every other run is made as the user nobody, with a copy of the
tool in a folder of its own that nobody may enter (the build may sit in a
home folder nobody cannot reach); where nobody cannot run even that copy,
those runs are skipped with a printed reason.

Usage: fuzz_cli.py TOOL [--runs N] [--seed S] [--keep-going]
Prints the seed; a failure prints the command line that reproduces it.
"""
import argparse
import hashlib
import os
import random
import select
import shutil
import socket
import stat
import subprocess
import sys
import tempfile
import threading

NOBODY_UID, NOBODY_GID = 65534, 65534
SANITIZER_MARKS = ("AddressSanitizer", "LeakSanitizer", "UndefinedBehaviorSanitizer", "runtime error:")
TIMEOUT_S = 120

GOOD_WAVEFORMS = ["sine", "square", "triangle", "sawtooth", "white", "pink", "impulse", "sweep",
                  "3", "6", "9", "5", "4", "7", "1", "2", "0", "8", "-3"]
BAD_WAVEFORMS = ["2147483648", "noise", "SINE", "", "sine ", "0x3", "--", "-"]
GOOD_NUMBERS = ["1", "440", "500", "1000", "22050", "22051", "16000", "1e3", "1e-3", ".5", "5.", "+7",
                "-0", "0.000001", "0", "-1", "999", "3", "6"]
BAD_NUMBERS = ["1e308", "1e309", "-1e309", "nan", "inf", "0x10", "1,5", "12abc", "", " 1", "4294967296",
               "99999999999999999999"]
GOOD_VALUES = {
    "--rate": ["1000", "8000", "22050", "44100", "48000", "96000", "384000"],
    "--length": ["1", "7", "100", "1000", "4096", "8192", "44100", "1048576"],
    # Durations stay short enough for every rate.
    "--seconds": ["0.01", "0.1", "0.5", "1", "2", "500ms", "10ms", "0:01", "0:00.2", "0:0:1.5",
                  "00:00:02", "2e0"],
    "--tick": ["0", "1", "12345", "4294967295"],
    "--gain": ["0", "-0", "-6", "-0.5", "-120", "-1000"],
    "--format": ["wav", "flac", "aiff", "caf", "w64", "raw", "WAV"],
    "--channels": ["1", "2"],
    "--channel": ["left", "right", "both"],
    "--device": ["0", "1"],
}
BAD_VALUES = {
    "--rate": ["999", "384001", "0", "x", ""],
    "--length": ["0", "1048577", "-1", "1.5"],
    "--seconds": ["0", "-1", "86401", "1:60", ":5", "1::2", "1:00:00:00", "0ms", "x", "ms", "1.5.2",
                  "-0:01", "1e-9"],
    "--tick": ["-1", "4294967296", "x"],
    "--gain": ["1", "6", "x", "nan", "-inf", ""],
    "--format": ["ogg", "mp3", "", "foo", "rf64x"],
    "--channels": ["0", "3", "x", ""],
    "--channel": ["center", "", "LEFT"],
    "--device": ["99", "-1", "no such device", ""],
}
EXTENSIONS = [".wav", ".flac", ".aiff", ".aif", ".caf", ".w64", ".raw", ".rf64", ".ogg", ".txt", ""]


def pick(rng, good, bad, p_good=0.85):
    return rng.choice(good) if rng.random() < p_good else rng.choice(bad)


class Sandbox:
    """A fresh folder of outputs; records what must not change."""

    def __init__(self, rng, as_nobody):
        self.dir = tempfile.mkdtemp(prefix="tonbrook-fuzz-")
        self.rng = rng
        self.as_nobody = as_nobody
        d = self.dir
        self._write("keep.wav", os.urandom(rng.randrange(0, 200)))
        self._write("ro.wav", b"read-only")
        os.chmod(self.path("ro.wav"), 0o444)
        os.mkdir(self.path("rofolder"))
        self._write("rofolder/inside.wav", b"inside")
        os.chmod(self.path("rofolder"), 0o555)
        os.mkdir(self.path("sub"))
        os.symlink("keep.wav", self.path("link.wav"))
        os.symlink("sub/new.wav", self.path("dangling.wav"))
        os.symlink("sub", self.path("linkdir"))
        os.symlink("loop.wav", self.path("loop.wav"))
        os.mkfifo(self.path("fifo"))
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.bind(self.path("sock"))
        self.sock.listen(4)
        self.sock.setblocking(False)
        self.devices = []
        if os.geteuid() == 0:
            for name, minor in (("nulldev", 3), ("fulldev", 7)):
                os.mknod(self.path(name), 0o666 | stat.S_IFCHR, os.makedev(1, minor))
                self.devices.append(name)
        if as_nobody:
            for root, dirs, files in os.walk(d):
                for n in dirs + files:
                    os.lchown(os.path.join(root, n), NOBODY_UID, NOBODY_GID)
            os.chown(d, NOBODY_UID, NOBODY_GID)
        os.chmod(d, 0o755)

    def path(self, name):
        return os.path.join(self.dir, name)

    def _write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def outputs(self):
        names = ["out.wav", "keep.wav", "ro.wav", "rofolder/x.wav", "rofolder", "rofolder/inside.wav",
                 "sub/", "sub", "link.wav", "dangling.wav", "linkdir/y.wav", "loop.wav", "fifo", "sock",
                 "missing/z.wav", "-", "n" * self.rng.choice([200, 255, 256]),
                 "new" + self.rng.choice(EXTENSIONS), "keep.wav/x", ""]
        return names + self.devices

    def snapshot(self):
        """Every name under the folder with its type and, for files, content."""
        seen = {}
        for root, dirs, files in os.walk(self.dir):
            for n in dirs + files:
                p = os.path.join(root, n)
                rel = os.path.relpath(p, self.dir)
                st = os.lstat(p)
                kind = stat.S_IFMT(st.st_mode)
                digest = None
                if stat.S_ISREG(st.st_mode):
                    with open(p, "rb") as f:
                        digest = hashlib.sha256(f.read()).hexdigest()
                elif stat.S_ISLNK(st.st_mode):
                    digest = os.readlink(p)
                seen[rel] = (kind, stat.S_IMODE(st.st_mode), digest)
        return seen

    def close(self):
        self.sock.close()
        for root, dirs, _ in os.walk(self.dir):
            for n in dirs:
                p = os.path.join(root, n)
                if not os.path.islink(p):
                    os.chmod(p, 0o755)
        shutil.rmtree(self.dir)


class Drain(threading.Thread):
    """Reads the FIFO and accepts and reads the socket until told to stop."""

    def __init__(self, box):
        super().__init__(daemon=True)
        self.path = box.path("fifo")
        self.fifo = os.open(self.path, os.O_RDONLY | os.O_NONBLOCK)
        self.sock = box.sock
        self.peers = []
        self.stop = threading.Event()

    def run(self):
        while not self.stop.is_set():
            fds = [self.fifo, self.sock] + self.peers
            ready, _, _ = select.select(fds, [], [], 0.01)
            for fd in ready:
                if fd is self.sock:
                    try:
                        peer, _ = self.sock.accept()
                        self.peers.append(peer)
                    except BlockingIOError:
                        pass
                elif fd == self.fifo:
                    self.read_fifo()
                elif not fd.recv(1 << 16):
                    self.peers.remove(fd)
                    fd.close()
        os.close(self.fifo)
        for p in self.peers:
            p.close()

    def read_fifo(self):
        """Reads what is there; after the writer's end, opens anew for the next."""
        try:
            if os.read(self.fifo, 1 << 16):
                return
        except BlockingIOError:
            return
        os.close(self.fifo)
        self.fifo = os.open(self.path, os.O_RDONLY | os.O_NONBLOCK)


VALUED = list(GOOD_VALUES)
FLAGS = ["--raw", "-q", "--quiet", "--exact", "--exact", "--help", "-h", "--version", "--list-devices",
         "--play", "--bogus", "-x", "--rate=", "--seconds"]


def command_line(rng, box):
    args = []
    if rng.random() < 0.97:
        args.append(pick(rng, GOOD_WAVEFORMS, BAD_WAVEFORMS))
    if rng.random() < 0.7:
        args.append(pick(rng, GOOD_NUMBERS, BAD_NUMBERS))
    for _ in range(rng.randrange(0, 5)):
        if rng.random() < 0.8:
            opt = rng.choice(VALUED)
            value = pick(rng, GOOD_VALUES[opt], BAD_VALUES[opt], 0.9)
            args += [opt + "=" + value] if rng.random() < 0.3 else [opt, value]
        else:
            args.append(rng.choice(FLAGS))
    if rng.random() < 0.85:
        outputs = box.outputs()
        good = ["out.wav", "new" + rng.choice(EXTENSIONS), "keep.wav", "link.wav", "dangling.wav",
                "linkdir/y.wav", "fifo", "sock", "-"] + box.devices
        args += [rng.choice(["-o", "--output"]), pick(rng, good, outputs, 0.7)]
    if rng.random() < 0.05:
        args.append(rng.choice(GOOD_WAVEFORMS + GOOD_NUMBERS))
    if rng.random() < 0.1:
        rng.shuffle(args)
    if "--play" in args or any(a.startswith("--device") for a in args):
        # Playing without a length would play until interrupted.
        args += ["--seconds", "0.2"]
    return args


def demote():
    os.setgroups([])
    os.setgid(NOBODY_GID)
    os.setuid(NOBODY_UID)


def tool_for_nobody(tool):
    """A copy of tool that nobody can start, and its folder; (None, reason) when there is none."""
    folder = tempfile.mkdtemp(prefix="tonbrook-fuzz-tool-")
    os.chmod(folder, 0o755)
    copy = os.path.join(folder, "tonbrook-render")
    shutil.copy(tool, copy)
    os.chmod(copy, 0o755)
    probe = subprocess.run([copy, "--version"], cwd="/", stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           preexec_fn=demote, check=False)
    if probe.returncode != 0:
        shutil.rmtree(folder)
        return None, "nobody cannot start a copy of the tool in %s" % folder
    return copy, folder


def check_run(tool, rng, run, as_nobody):
    box = Sandbox(rng, as_nobody)
    args = command_line(rng, box)
    before = box.snapshot()
    drain = Drain(box)
    drain.start()
    env = dict(os.environ, SDL_AUDIODRIVER="dummy")
    faults = []
    try:
        proc = subprocess.run([tool] + args, cwd=box.dir, stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env,
                              timeout=TIMEOUT_S, preexec_fn=demote if as_nobody else None)
        status, err = proc.returncode, proc.stderr.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        status, err = None, ""
        faults.append("no end within %d s" % TIMEOUT_S)
    drain.stop.set()
    drain.join()
    after = box.snapshot()

    if status is not None and status not in (0, 1, 2):
        faults.append("exit status %d" % status)
    if any(m in err for m in SANITIZER_MARKS):
        faults.append("sanitizer report")
    temps = [n for n in after if os.path.basename(n).startswith(".tb")]
    if temps:
        faults.append("temporary files left: %s" % temps)
    for name, (kind, _, digest) in before.items():
        now = after.get(name)
        if kind != stat.S_IFREG and (now is None or now[0] != kind):
            faults.append("%s is no longer what it was" % name)
        elif status != 0 and now != before[name]:
            faults.append("%s changed on an error" % name)
    if status not in (None, 0) and set(after) != set(before):
        faults.append("names created on an error: %s" % sorted(set(after) - set(before)))
    box.close()
    return args, status, err, faults


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("tool")
    ap.add_argument("--runs", type=int, default=200)
    ap.add_argument("--seed", type=int, default=None)
    ap.add_argument("--keep-going", action="store_true")
    a = ap.parse_args()
    seed = a.seed if a.seed is not None else random.SystemRandom().randrange(1 << 32)
    print("fuzz_cli: seed %d, %d runs" % (seed, a.runs), flush=True)
    rng = random.Random(seed)
    tool = os.path.abspath(a.tool)
    nobody_tool, nobody_folder = tool_for_nobody(tool) if os.geteuid() == 0 else (None, None)
    if os.geteuid() == 0 and nobody_tool is None:
        print("fuzz_cli: skipping the runs as nobody: %s" % nobody_folder, flush=True)
    failures = 0
    counts = {}
    for run in range(a.runs):
        as_nobody = nobody_tool is not None and run % 2 == 1
        args, status, err, faults = check_run(nobody_tool if as_nobody else tool, rng, run, as_nobody)
        counts[status] = counts.get(status, 0) + 1
        if faults:
            failures += 1
            who = " (as nobody)" if as_nobody else ""
            print("run %d%s: %s\n  tonbrook-render %s\n  exit %s\n%s" %
                  (run, who, "; ".join(faults), " ".join(repr(x) for x in args), status, err[-2000:]),
                  flush=True)
            if not a.keep_going:
                break
    if nobody_tool:
        shutil.rmtree(nobody_folder)
    print("fuzz_cli: exit statuses %s; %d failing runs" % (dict(sorted(counts.items(), key=str)), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
