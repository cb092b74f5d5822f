#!/usr/bin/env python3
"""The desktop host seen from outside.

  desktop_test.py no-display DEMO
      Without DISPLAY and WAYLAND_DISPLAY, or with a display that cannot be
      opened, the program says so in one line on standard error and exits
      with status 1.
  desktop_test.py xvfb DEMO OUT.png
      Runs the demo in a real X server (Xvfb), screenshots its window with
      xwd, writes the shot as OUT.png and checks that the shapes and text
      show at twice their size; then taps it with xdotool and ends it with
      Ctrl+Q. Exits with 77 (skipped) when Xvfb, xdotool or xwd is missing.
"""
import os
import shutil
import signal
import struct
import subprocess
import sys
import time
import zlib

SKIP = 77
SCALE = 2
GREY = (100, 100, 100)


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def with_suppressions(env):
    """A sanitizer build leaves out the leak of a system library."""
    suppressions = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lsan.supp")
    env["LSAN_OPTIONS"] = ":".join(filter(None, [os.environ.get("LSAN_OPTIONS"),
                                                  "suppressions=" + suppressions, "print_suppressions=0"]))
    return env


def no_display(demo):
    """No display at all, and a display that cannot be opened: one line, status 1."""
    bare = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "TONBROOK_HOST")}
    for env in (bare, dict(bare, DISPLAY=":4711", SDL_VIDEODRIVER="x11"), dict(bare, DISPLAY=":4711")):
        with_suppressions(env)
        run = subprocess.run([demo], env=env, capture_output=True, text=True, timeout=60)
        lines = run.stderr.splitlines()
        if run.returncode != 1:
            fail("exit status %d, expected 1" % run.returncode)
        if len(lines) != 1 or not lines[0].startswith(os.path.basename(demo) + ": "):
            fail("expected one line on stderr, got %r" % run.stderr)
        print("ok: " + lines[0])


def read_xwd(data):
    """The pixels of an xwd dump in ZPixmap format: (width, height, rows of RGB tuples)."""
    fields = struct.unpack(">25I", data[:100])
    header_size, _, pixmap_format, _, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    masks = fields[14:17]
    ncolors = fields[19]
    if pixmap_format != 2 or bits_per_pixel not in (24, 32):
        fail("unexpected xwd format %d with %d bits per pixel" % (pixmap_format, bits_per_pixel))
    offset = header_size + 12 * ncolors
    step = bits_per_pixel // 8
    order = "little" if byte_order == 0 else "big"

    def channel(value, mask):
        shift = (mask & -mask).bit_length() - 1
        return (value & mask) >> shift

    rows = []
    for y in range(height):
        line = data[offset + y * bytes_per_line: offset + (y + 1) * bytes_per_line]
        row = []
        for x in range(width):
            v = int.from_bytes(line[x * step: x * step + step], order)
            row.append(tuple(channel(v, m) for m in masks))
        rows.append(row)
    return width, height, rows


def write_png(path, width, height, rows):
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw)))
        f.write(chunk(b"IEND", b""))


def shot(env, wid):
    data = subprocess.run(["xwd", "-silent", "-id", wid], env=env, capture_output=True, check=True,
                          timeout=30).stdout
    return read_xwd(data)


def at(rows, x, y):
    """The desktop pixel of screen pixel (x, y), checked to be one 2 x 2 block."""
    block = {rows[SCALE * y + j][SCALE * x + i] for i in range(SCALE) for j in range(SCALE)}
    if len(block) != 1:
        fail("screen pixel (%d, %d) is not one %dx block: %r" % (x, y, SCALE, block))
    return block.pop()


def expect(rows, x, y, colour, what):
    got = at(rows, x, y)
    if got != colour:
        fail("%s: screen pixel (%d, %d) is %r, expected %r" % (what, x, y, got, colour))


def check_drawing(width, height, rows):
    if (width, height) != (240 * SCALE, 320 * SCALE):
        fail("the desktop window is %dx%d, expected %dx%d" % (width, height, 240 * SCALE, 320 * SCALE))
    # Nearest-neighbour scaling: every screen pixel is a uniform 2 x 2 block.
    for y in range(0, height, SCALE):
        for x in range(0, width, SCALE):
            if rows[y][x] != rows[y + 1][x + 1] or rows[y][x] != rows[y][x + 1]:
                fail("desktop pixels at (%d, %d) are no 2x2 block" % (x, y))
    expect(rows, 0, 0, (0, 0, 128), "navigation bar")
    # Client (x, y) is screen (x, y + 26).
    expect(rows, 20, 46, (255, 0, 0), "filled rectangle, first pixel")
    expect(rows, 59, 65, (255, 0, 0), "filled rectangle, last pixel")
    expect(rows, 60, 65, GREY, "right of the filled rectangle")
    expect(rows, 20, 66, GREY, "below the filled rectangle")
    for corner in ((10, 86), (110, 86), (110, 126), (10, 126)):
        expect(rows, corner[0], corner[1], (255, 100, 0), "polyline corner")
    expect(rows, 111, 126, GREY, "beside the polyline")
    expect(rows, 130, 46, (0, 0, 0), "rectangle outline")
    expect(rows, 199, 105, (0, 0, 0), "rectangle outline, bottom right")
    expect(rows, 131, 47, (0, 0, 255), "rectangle fill")
    white = sum(1 for y in range(146, 171) for x in range(10, 230) if at(rows, x, y) == (255, 255, 255))
    if white < 30:
        fail("only %d white text pixels" % white)
    other = sum(1 for y in range(146, 171) for x in range(10, 230) if len(set(at(rows, x, y))) != 1)
    if other:
        fail("%d text pixels are not grey-scale" % other)


def wait_for(predicate, what, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        result = predicate()
        if result:
            return result
        time.sleep(0.2)
    fail("gave up waiting for " + what)


def require_x_tools(*others):
    """Skips the test (exit 77) when Xvfb, xdotool, xwd or one of the others is missing."""
    for tool in ("Xvfb", "xdotool", "xwd") + others:
        if not shutil.which(tool):
            print("skipped: %s is not installed" % tool)
            sys.exit(SKIP)


def start_xvfb():
    """Starts Xvfb on a free display: (server, display); skips when it cannot start.

    The display number is searched from one derived from this process's id, not
    from 0: a server that is ending removes its socket after its lock, so a new
    server that took the number just freed would lose its socket and refuse
    every client. -noreset keeps the server as it is when its last client
    leaves, so that a program started right after another ended finds it."""
    base = 100 + os.getpid() % 800
    for number in range(base, base + 64):
        if os.path.exists("/tmp/.X%d-lock" % number) or os.path.exists("/tmp/.X11-unix/X%d" % number):
            continue
        read_end, write_end = os.pipe()
        server = subprocess.Popen(["Xvfb", ":%d" % number, "-displayfd", str(write_end), "-screen", "0",
                                   "1024x768x24", "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,),
                                  stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            display = f.readline().strip()
        if display:
            return server, display
        server.wait()
    print("skipped: Xvfb could not start")
    sys.exit(SKIP)


def x11_env(display, **settings):
    """The environment of a program on the X display: SDL's X11 driver, whose plain
    framebuffer the host draws through, no host, audio or drawing choices inherited."""
    env = dict(os.environ, DISPLAY=":" + display, SDL_VIDEODRIVER="x11")
    for name in ("WAYLAND_DISPLAY", "TONBROOK_HOST", "TONBROOK_WAVE", "SDL_FRAMEBUFFER_ACCELERATION"):
        env.pop(name, None)
    env.update(settings)
    return with_suppressions(env)


def find_window(env, title):
    """The X window id of the shown window titled exactly title, waited for."""
    def window():
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title], env=env,
                               capture_output=True, text=True)
        return found.stdout.split()[0] if found.stdout.split() else None

    return wait_for(window, "the desktop window titled " + title)


def tap(env, wid, point):
    """A click at a screen point of the window (x, y), in the middle of its 2 x 2 block."""
    x, y = point
    subprocess.run(["xdotool", "mousemove", "--window", wid, str(x * SCALE + 1), str(y * SCALE + 1),
                    "click", "1"], env=env, check=True, timeout=30)


def key(env, wid, name):
    subprocess.run(["xdotool", "windowfocus", "--sync", wid], env=env, timeout=30)
    subprocess.run(["xdotool", "key", name], env=env, check=True, timeout=30)


def ended(proc, what, seconds=30):
    """The exit status 0 of proc within the time, or a failure saying what did not end it."""
    try:
        code = proc.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        fail(what + " did not end the program")
    if code != 0:
        fail("exit status %d after %s" % (code, what))


def stop(proc):
    """Ends proc if it still runs (a failed check left it)."""
    if proc and proc.poll() is None:
        proc.kill()
        proc.wait()


def samples(path):
    """The signed 16-bit little-endian samples of a raw file."""
    with open(path, "rb") as f:
        data = f.read()
    return list(struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 2 * 2]))


def segments(recorded):
    """The stretches of sound between the silences (runs of 64 zero samples or more)."""
    parts, start, zeros = [], None, 0
    for i, sample in enumerate(recorded + [0] * 64):
        zeros = zeros + 1 if sample == 0 else 0
        if sample != 0 and start is None:
            start = i
        if zeros == 64 and start is not None:
            parts.append(recorded[start:i - 63])
            start = None
    return parts


def played(part, loop, what):
    """How many samples from the start of part follow loop pass after pass,
    in the phase its first samples give."""
    size = len(loop)
    phase = next((p for p in range(size) if all(part[j] == loop[(p + j) % size] for j in range(32))), None)
    if phase is None:
        fail("the sound does not start as the %s's loop does" % what)
    n = 0
    while n < len(part) and part[n] == loop[(phase + n) % size]:
        n += 1
    return n, phase


def geometry(env, wid):
    """The window's (x, y, width, height) on the X screen."""
    told = subprocess.run(["xdotool", "getwindowgeometry", "--shell", wid], env=env, capture_output=True,
                          text=True, timeout=30).stdout
    values = dict(line.split("=", 1) for line in told.split())
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def start_tonbrook(program, env, **options):
    """Starts Tonbrook and waits for its grey window: (process, window id)."""
    proc = subprocess.Popen([program], env=env, **options)
    wid = find_window(env, "Tonbrook")
    wait_for(lambda: at(shot(env, wid)[2], 120, 40) == GREY, "the grey window")
    return proc, wid


def xvfb(demo, out):
    require_x_tools()
    server, display = start_xvfb()
    program = None
    try:
        env = x11_env(display, SDL_AUDIODRIVER="dummy")
        program = subprocess.Popen([demo], env=env)
        wid = find_window(env, "GDI demo")

        def drawn():
            width, height, rows = shot(env, wid)
            if (width, height) == (480, 640) and rows[92][40] == (255, 0, 0):
                return width, height, rows
            return None

        width, height, rows = wait_for(drawn, "the drawing")
        write_png(out, width, height, rows)
        check_drawing(width, height, rows)

        # A tap at screen (100, 200) leaves a mark there.
        tap(env, wid, (100, 200))
        wait_for(lambda: shot(env, wid)[2][400][200] == (0, 255, 0), "the mark of the tap")

        # Ctrl+Q reaches the window and ends the program with 0.
        key(env, wid, "ctrl+q")
        ended(program, "Ctrl+Q")
        print("ok: %s shows the drawing at 2x, takes a tap and Ctrl+Q" % out)
    finally:
        stop(program)
        server.terminate()
        server.wait()


RATE = 44100  # of the sound checks' null sink and their recordings


class Pulse:
    """A PulseAudio server on a socket in the test's folder, a null sink, a
    recording of its monitor and the client that keeps the sink awake; env
    sends a program's sound there. The sound checks of the desktop and of the
    browser share it."""

    def __init__(self, folder):
        self.folder = folder
        for sub in ("home", "runtime"):
            os.makedirs(os.path.join(folder, sub), mode=0o700, exist_ok=True)
        self.socket = os.path.join(folder, "native")
        self.script = os.path.join(folder, "server.pa")
        with open(self.script, "w") as f:
            f.write("load-module module-native-protocol-unix socket=%s auth-anonymous=1\n" % self.socket)
            f.write("load-module module-null-sink sink_name=tonbrook_test rate=%d channels=1\n" % RATE)
            f.write("set-default-sink tonbrook_test\n")
        self.env = dict(os.environ, HOME=os.path.join(folder, "home"),
                        XDG_RUNTIME_DIR=os.path.join(folder, "runtime"), PULSE_SERVER="unix:" + self.socket,
                        SDL_AUDIODRIVER="pulseaudio")
        self.env.pop("PULSE_COOKIE", None)
        suppressions = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wave", "pulse.supp")
        self.env["TSAN_OPTIONS"] = " ".join(filter(None, [os.environ.get("TSAN_OPTIONS"),
                                                          "suppressions=" + suppressions]))
        self.server = self.recorder = self.waker = None
        self.recordings = 0

    def start(self):
        """Starts the server and its clients; returns the recording's path."""
        with open(os.path.join(self.folder, "server.log"), "a") as log:
            self.server = subprocess.Popen(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                                            "--disallow-exit", "--use-pid-file=no", "-F", self.script],
                                           env=self.env, stdout=log, stderr=log)
        deadline = time.monotonic() + 10
        while subprocess.run(["pactl", "info"], env=self.env, capture_output=True).returncode != 0:
            if self.server.poll() is not None or time.monotonic() > deadline:
                return None
            time.sleep(0.05)
        self.waker = subprocess.Popen(["pacat", "--playback", "--latency-msec=20", "--format=s16le",
                                       "--rate=%d" % RATE, "--channels=1", "/dev/zero"], env=self.env,
                                      stderr=subprocess.DEVNULL)
        self.recordings += 1
        path = os.path.join(self.folder, "monitor%d.raw" % self.recordings)
        if os.path.exists(path):
            os.remove(path)
        self.recorder = subprocess.Popen(["parec", "--device=tonbrook_test.monitor", "--format=s16le",
                                          "--rate=%d" % RATE, "--channels=1", "--latency-msec=20",
                                          "--file-format=raw", path], env=self.env, stderr=subprocess.DEVNULL)
        return path

    def kill(self):
        self.server.send_signal(signal.SIGKILL)
        self.server.wait()
        for client in (self.recorder, self.waker):
            try:
                client.wait(timeout=10)
            except subprocess.TimeoutExpired:
                client.kill()
                client.wait()

    def stop(self):
        for p in (self.recorder, self.waker, self.server):
            if p and p.poll() is None:
                p.terminate()
                p.wait()

    def streams_of(self, pid):
        """The sink inputs that process pid has open."""
        listing = subprocess.run(["pactl", "list", "sink-inputs"], env=self.env, capture_output=True,
                                 text=True).stdout
        return listing.count('application.process.id = "%d"' % pid)


def loop_of(render, out, *args):
    """The loop buffer tonbrook-render makes of args (waveform, frequency...),
    as samples; written through a file in out."""
    path = os.path.join(out, "loop.raw")
    subprocess.run([render, *args, "--raw", "-q", "-o", path], check=True)
    return samples(path)


def main():
    if len(sys.argv) >= 3 and sys.argv[1] == "no-display":
        no_display(sys.argv[2])
    elif len(sys.argv) >= 4 and sys.argv[1] == "xvfb":
        xvfb(sys.argv[2], sys.argv[3])
    else:
        print(__doc__)
        sys.exit(2)


if __name__ == "__main__":
    main()
