#!/usr/bin/python3
"""Tonbrook for Windows under Wine, side by side with the Linux build.

Usage: wine_test.py WINDOWS-BUILD LINUX-BUILD

Runs the handheld's and its toolkit's own checks
(WINDOWS-BUILD/handheld-toolkit-test.exe, which the Linux build runs too),
then WINDOWS-BUILD/tonbrook.exe under Wine in Xvfb, driven by
WINDOWS-BUILD/handheld-driver.exe, with Wine's ALSA driver writing the sound
to a file through the ALSA file plugin. Checks that
  - PLAY plays the sine's loop buffer, and after Square, PLAY the square's,
    sample for sample, and that after a tap on the up arrow the later passes hold the
    new buffer (the loops come from LINUX-BUILD/tonbrook-render);
  - the screen at start, with White Noise selected and with the About box
    open shows the same background, frames, pictures, button faces and
    radio circles as the Linux build's (LINUX-BUILD/tonbrook in the same
    Xvfb); text may differ by font;
  - a second start exits with status 0 and brings the first to the front;
  - of two starts 0 to 100 ms apart, one exits with status 0 and the other
    shows the only screen, ten times;
  - Ctrl+Q, File and Exit, closing and minimising the screen end the
    program with status 0.
The Wine prefix lives in WINDOWS-BUILD/wine and is made once. Exits with 77
(skipped) only when Wine or Xvfb cannot run at all, and says so.
"""
import os
import shutil
import struct
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "desktop"))
import desktop_test as desk  # noqa: E402

SKIP = 77

# Places on the handheld's screen (navigation bar included).
SQUARE = (40, 26 + 139 + 12)
WHITE_NOISE = (40, 26 + 180 + 12)
PLAY = (190, 26 + 180 + 30)
UP_ARROW = (203, 26 + 98 + 6)
FREQUENCY_BOX = (170, 26 + 98 + 12)
CAPTION_OK = (225, 13)
FILE_MENU = (15, 307)
# The File pop-up's items, drawn above the menu bar as the desktop draws menus.
ABOUT_ITEM = (35, 256)
EXIT_ITEM = (35, 282)

# Where text is drawn, which may differ by font: (left, top, right, bottom).
RADIO_LABELS = [(19, 26 + y, 84, 26 + y + 24) for y in (16, 57, 98, 139, 180, 221)]
TEXT_AREAS = RADIO_LABELS + [
    (0, 0, 240, 26),                 # the navigation bar's title
    (150, 26 + 57, 240, 26 + 82),    # the frequency label
    (150, 26 + 98, 240, 26 + 122),   # the frequency box and its arrows
    (151, 26 + 181, 228, 26 + 244),  # the PLAY button's text
    (0, 295, 240, 320),              # the menu bar's buttons
]

# The About box: its title, its "ok" and its text and icon, laid out in
# dialog units of the platform's font.
ABOUT_AREAS = [(0, 0, 210, 26), (210, 0, 240, 26), (0, 26, 240, 320)]


def skip(message):
    print("*" * 72)
    print("SKIPPED: %s: the Windows build is NOT checked" % message)
    print("*" * 72)
    sys.exit(SKIP)


def find_wine():
    """Wine's loader on PATH, else where Debian keeps it; None when there is none."""
    found = shutil.which("wine64") or shutil.which("wine")
    return found or ("/usr/lib/wine/wine64" if os.access("/usr/lib/wine/wine64", os.X_OK) else None)


def read_bmp(path):
    """The pixels of a bottom-up 24-bit BMP: rows of RGB tuples."""
    with open(path, "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height):
        row = data[offset + (height - 1 - y) * stride:]
        rows.append([(row[3 * x + 2], row[3 * x + 1], row[3 * x]) for x in range(width)])
    return rows


class Wine:
    """A Wine prefix of the test's own, with the ALSA file plugin as the sound device."""

    def __init__(self, wine, build, display):
        self.wine = wine
        self.build = build
        self.home = os.path.join(build, "wine-home")
        self.prefix = os.path.join(build, "wine")
        self.recording = os.path.join(build, "wine-sound.raw")
        os.makedirs(self.home, exist_ok=True)
        with open(os.path.join(self.home, ".asoundrc"), "w") as f:
            f.write('pcm.!default {\n  type file\n  slave.pcm "null"\n  file "%s"\n  format "raw"\n}\n'
                    % self.recording)
        self.env = dict(os.environ, DISPLAY=":" + display, HOME=self.home, WINEPREFIX=self.prefix,
                        WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", XDG_RUNTIME_DIR=self.home)
        for name in ("WAYLAND_DISPLAY", "ALSA_CONFIG_PATH"):
            self.env.pop(name, None)

    def run(self, *args, timeout=120):
        return subprocess.run([self.wine] + list(args), env=self.env, capture_output=True, text=True,
                              timeout=timeout, cwd=self.build)

    def boot(self):
        """Makes the prefix once; Wine's ALSA driver is the sound driver."""
        ready = os.path.join(self.prefix, ".tonbrook-ready")
        if not os.path.exists(ready):
            start = time.monotonic()
            self.run("wineboot", "-i", timeout=300)
            done = self.run("reg", "add", r"HKCU\Software\Wine\Drivers", "/v", "Audio", "/d", "alsa", "/f")
            if done.returncode != 0:
                desk.fail("wine cannot write its registry: " + done.stderr)
            open(ready, "w").close()
            print("ok: made the Wine prefix in %.0f s" % (time.monotonic() - start))

    def drive(self, *commands):
        """Runs the driver's commands; its output lines."""
        try:
            done = self.run("handheld-driver.exe", *[str(c) for c in commands], timeout=180)
        except subprocess.TimeoutExpired:
            desk.fail("the driver did not finish in 3 minutes: %s" % " ".join(str(c) for c in commands))
        lines = done.stdout.splitlines()
        if done.returncode != 0:
            desk.fail("the driver failed: %s %s" % (lines, done.stderr[-2000:]))
        return lines

    def stop(self):
        """Ends this prefix's Wine server and the programs it still runs."""
        server = os.path.join(os.path.dirname(self.wine), "wineserver")
        if not os.access(server, os.X_OK):
            server = shutil.which("wineserver") or "wineserver"
        subprocess.run([server, "-k"], env=self.env, capture_output=True, timeout=60)


def linux_shots(program, display, out):
    """The Linux build's screen at start, with White Noise and with the About box:
    rows of 240 x 320 pixels each."""
    runtime = os.path.join(out, "linux-runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env = desk.x11_env(display, SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=os.path.join(out, "linux-sound.raw"),
                       XDG_RUNTIME_DIR=runtime)
    proc = None
    try:
        proc, wid = desk.start_tonbrook(program, env)

        def shot():
            rows = desk.shot(env, wid)[2]
            return [[rows[desk.SCALE * y][desk.SCALE * x] for x in range(240)] for y in range(320)]

        def tap(x, y):
            desk.tap(env, wid, (x, y))
            time.sleep(0.5)

        def key(name):
            desk.key(env, wid, name)
            time.sleep(0.5)

        start = shot()
        tap(*WHITE_NOISE)
        noise = shot()
        key("ctrl+a")
        about = shot()
        tap(*CAPTION_OK)
        key("ctrl+q")
        proc.wait(timeout=30)
        return start, noise, about
    finally:
        desk.stop(proc)


def in_areas(x, y, areas):
    return any(left <= x < right and top <= y < bottom for left, top, right, bottom in areas)


def compare(name, linux, wine, text_areas, out):
    """Every pixel outside the text areas is the same; inside each text area
    the most common colour (the face under the text) is the same."""
    desk.write_png(os.path.join(out, "linux-%s.png" % name), 240, 320, linux)
    desk.write_png(os.path.join(out, "wine-%s.png" % name), 240, 320, wine)
    differ = [(x, y) for y in range(320) for x in range(240)
              if not in_areas(x, y, text_areas) and linux[y][x] != wine[y][x]]
    if differ:
        x, y = differ[0]
        desk.fail("%s: %d pixels differ outside the text, first at (%d, %d): Linux %r, Wine %r"
                  % (name, len(differ), x, y, linux[y][x], wine[y][x]))
    for left, top, right, bottom in text_areas:
        def face(rows):
            counts = {}
            for y in range(top, bottom):
                for x in range(left, right):
                    counts[rows[y][x]] = counts.get(rows[y][x], 0) + 1
            return max(counts, key=counts.get)
        if face(linux) != face(wine):
            desk.fail("%s: the face of (%d, %d)-(%d, %d) is %r on Linux, %r under Wine"
                      % (name, left, top, right, bottom, face(linux), face(wine)))
    print("ok: %s looks as on Linux" % name)


def check_recording(recorded, sine, square, higher):
    """First the sine's loop (the waveform at start) until STOP; then the
    square's pass after pass, and after at most one pass in which the buffer
    changed, the square's at the next frequency to the next STOP."""
    parts = desk.segments(recorded)
    if len(parts) != 2:
        desk.fail("expected two stretches of sound with silence between, got %d" % len(parts))
    size = len(sine)
    n, _ = desk.played(parts[0], sine, "sine")
    if n != len(parts[0]) or n < 3 * size:
        desk.fail("%d samples of sound, the first %d of them the sine's loop" % (len(parts[0]), n))
    body = parts[1]
    n, phase = desk.played(body, square, "square")
    if n < 3 * size:
        desk.fail("only %d samples of the square's loop before a difference" % n)
    change = (phase + n) // size * size + size - phase  # the pass after the one that changed
    if len(body) - change < 2 * size:
        desk.fail("only %d samples after the pass with the up arrow" % (len(body) - change))
    later = [i for i in range(change, len(body)) if body[i] != higher[(phase + i) % size]]
    if later:
        i = later[0]
        desk.fail("sample %d after the change is %d, the new loop has %d" % (i, body[i], higher[(phase + i) % size]))
    print("ok: %d passes of the sine's loop; %d of the square's, then %d of the new loop, sample for sample"
          % (len(parts[0]) // size, n // size, (len(body) - change) // size))


def check_moved_about(about, moved):
    """The About box and its "ok" move with the screen: the screen looks the
    same after the move, pixel for pixel."""
    if read_bmp(about) != read_bmp(moved):
        desk.fail("the About box or its ok did not move with the screen")
    print("ok: the About box and its ok move with the screen")


def check_raise(lines):
    """A second start ends with 0 and brings the first to the front: its
    About box while that is open, else its screen; Ctrl+Q ends it with 0."""
    fronts = [line for line in lines if line.startswith("front ")]
    exits = [line for line in lines if line.startswith("exit ")]
    if len(fronts) != 5 or len(exits) != 3:
        desk.fail("the driver did not get through: %r" % lines)
    if fronts[0] != "front Static Other":
        desk.fail("the driver's own window did not come to the front: %r" % fronts[0])
    if fronts[2] != "front HandheldScreen Tonbrook":
        desk.fail("the ok did not close the About box: %r in front" % fronts[2])
    if fronts[3].startswith("front HandheldScreen"):
        desk.fail("Tonbrook stayed in front of the driver's own window")
    if exits[0] != "exit 0" or exits[1] != "exit 0":
        desk.fail("a second start ended with %r, %r" % (exits[0], exits[1]))
    if fronts[1] != "front #32770 About Tonbrook":
        desk.fail("with the About box open a second start left %r in front" % fronts[1])
    if fronts[4] != "front HandheldScreen Tonbrook":
        desk.fail("a second start left %r in front" % fronts[4])
    print("ok: a second start exits with 0 and brings the first, or its About box, to the front")
    if exits[2] != "exit 0":
        desk.fail("Ctrl+Q: %s" % exits[2])
    print("ok: Ctrl+Q ends Tonbrook with status 0")


def check_layer(wine):
    """The handheld's and its toolkit's own checks, one line each, as the
    Linux build runs them too."""
    done = wine.run("handheld-toolkit-test.exe", timeout=120)
    print(done.stdout.rstrip())
    if done.returncode != 0 or "ok:" not in done.stdout:
        desk.fail("the handheld's checks failed (status %d)" % done.returncode)


def check_menu_bar(wine):
    """The menu bar's File pop-up opens the About box and ends the program."""
    lines = wine.drive("start", "tonbrook.exe", "tap", *FILE_MENU, "tap", *ABOUT_ITEM, "front", "#32770",
                       "tap", *CAPTION_OK, "tap", *FILE_MENU, "tap", *EXIT_ITEM, "wait", 20000)
    if lines != ["front #32770 About Tonbrook", "exit 0"]:
        desk.fail("the File pop-up: %r" % lines)
    print("ok: File, About opens the About box; File, Exit ends Tonbrook with status 0")


def check_double_starts(wine):
    """Two starts at once give one screen: the second to look raises the first and ends."""
    delays = [round(i * 100 / 9) for i in range(10)]
    lines = wine.drive(*[arg for delay in delays for arg in ("race", "tonbrook.exe", delay)])
    expected = ["race %d exit 0 screens 1" % delay for delay in delays]
    if lines != expected:
        desk.fail("two starts at once: %r" % [line for line in lines if line not in expected])
    print("ok: of two starts 0 to 100 ms apart, one screen each time, in %d races" % len(delays))


def check_screen_closes(wine):
    """Closing or minimising the screen ends the program with 0, as on the handheld."""
    for how in ("close", "minimize"):
        lines = wine.drive("start", "tonbrook.exe", how, "wait", 20000)
        if lines != ["exit 0"]:
            desk.fail("%s the screen: %r" % (how, lines))
    print("ok: closing or minimising the screen ends Tonbrook with status 0")


def main():
    build, linux = (os.path.abspath(p) for p in sys.argv[1:3])
    out = os.path.join(build, "wine-test")
    os.makedirs(out, exist_ok=True)
    wine_program = find_wine()
    if not wine_program:
        skip("Wine is not installed")
    if not shutil.which("Xvfb") or not shutil.which("xdotool") or not shutil.which("xwd"):
        skip("Xvfb, xdotool or xwd is not installed")
    render = os.path.join(linux, "tonbrook-render")
    loops = []
    for waveform, frequency in (("sine", "500"), ("square", "500"), ("square", "501")):
        path = os.path.join(out, "%s-%s.raw" % (waveform, frequency))
        subprocess.run([render, waveform, frequency, "--raw", "-q", "-o", path], check=True)
        loops.append(desk.samples(path))

    server, display = desk.start_xvfb()
    wine = Wine(wine_program, build, display)
    try:
        version = wine.run("--version", timeout=60)
        if version.returncode != 0:
            skip("Wine cannot run (%s)" % version.stderr.strip())
        wine.boot()
        check_layer(wine)
        reference = linux_shots(os.path.join(linux, "tonbrook"), display, out)

        if os.path.exists(wine.recording):
            os.remove(wine.recording)
        shots = [os.path.join(out, n) for n in ("start.bmp", "noise.bmp", "about.bmp")]
        moved = os.path.join(out, "about-moved.bmp")
        # Taps on every kind of control leave the keys to the main window.
        lines = wine.drive(
            "start", "tonbrook.exe", "shot", shots[0], "tap", *PLAY, "sleep", 1000, "tap", *PLAY,
            "tap", *SQUARE, "tap", *PLAY, "sleep", 1500, "tap", *UP_ARROW, "sleep", 1500,
            "tap", *FREQUENCY_BOX, "tap", *PLAY, "tap", *WHITE_NOISE, "sleep", 500, "shot", shots[1],
            "key", "ctrl+a", "sleep", 500, "shot", shots[2],
            "move", 60, 40, "sleep", 300, "shot", moved,
            "other", "front", "Static", "run", "tonbrook.exe", "front", "#32770",
            "tap", *CAPTION_OK, "front", "HandheldScreen",
            "other", "front", "Static", "run", "tonbrook.exe", "front", "HandheldScreen",
            "key", "ctrl+q", "wait", 20000)
        print("driver: " + "; ".join(lines))

        if not os.path.exists(wine.recording):
            desk.fail("Wine wrote no sound through ALSA's file plugin")
        check_recording(desk.samples(wine.recording), *loops)
        for name, linux_rows, path in zip(("start", "noise", "about"), reference, shots):
            compare(name, linux_rows, read_bmp(path), ABOUT_AREAS if name == "about" else TEXT_AREAS, out)
        check_moved_about(shots[2], moved)
        check_raise(lines)
        check_menu_bar(wine)
        check_screen_closes(wine)
        check_double_starts(wine)
    finally:
        wine.stop()
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()
