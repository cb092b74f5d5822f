#!/usr/bin/python3
"""Tonbrook's desktop window under Xvfb: the keyboard after taps, minimising
under a real window manager, and two starts at once.

Usage: desktop_window_test.py MODE TONBROOK OUT-DIR

  keys       taps the up arrow, the frequency box and PLAY: Ctrl+Q still
             ends Tonbrook with status 0; after the same taps Ctrl+A opens
             the About box; SIGTERM and SIGINT end it with status 0, as
             closing its window does.
  minimise   under openbox, plays, then minimises the desktop window with
             xdotool: Tonbrook ends with status 0 and lets go of the audio
             device.
  instances  twenty times two starts 0 to 100 ms apart: one of them ends at
             once with status 0, the other stays up with the only window.
  display    with DISPLAY naming no server, or empty, and no video driver
             named, a start says so in one line and exits with status 1;
             the next start on the working display opens its window.
  large      the desktop window made 8000 and 32000 pixels square comes
             back to 8x the screen, shows the screen there at 8x and keeps
             its memory bounded.

Each test has a runtime folder of its own. Exits with 77
(skipped) when Xvfb, xdotool, xwd or (for minimise) openbox is missing.
"""
import os
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "desktop"))
import desktop_test as desk  # noqa: E402

UP_ARROW = (221, 130)       # screen points of the main window's controls
FREQUENCY_BOX = (181, 136)
PLAY = (190, 236)
CAPTION_OK = (225, 13)


def title(env, wid):
    return subprocess.run(["xdotool", "getwindowname", wid], env=env, capture_output=True, text=True,
                          timeout=30).stdout.strip()


def keys(program, out, runtime, display):
    proc = None
    try:
        env = desk.x11_env(display, SDL_AUDIODRIVER="dummy", XDG_RUNTIME_DIR=runtime)
        for accelerator in ("ctrl+q", "ctrl+a"):
            proc, wid = desk.start_tonbrook(program, env)
            for point in (UP_ARROW, FREQUENCY_BOX, PLAY):
                desk.tap(env, wid, point)
            if accelerator == "ctrl+a":
                desk.key(env, wid, "ctrl+a")
                desk.wait_for(lambda: title(env, wid) == "About Tonbrook", "the About box after Ctrl+A")
                desk.tap(env, wid, CAPTION_OK)
                desk.wait_for(lambda: title(env, wid) == "Tonbrook", "the About box to close")
            desk.key(env, wid, "ctrl+q")
            desk.ended(proc, "Ctrl+Q after taps on the up arrow, the frequency box and PLAY")
        for sig in (signal.SIGTERM, signal.SIGINT):
            proc, wid = desk.start_tonbrook(program, env, preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
            desk.tap(env, wid, PLAY)
            proc.send_signal(sig)
            desk.ended(proc, sig.name, seconds=10)
        print("ok: after taps on the up arrow, the frequency box and PLAY, Ctrl+A and Ctrl+Q work; "
              "SIGTERM and SIGINT end it")
    finally:
        desk.stop(proc)


def window_manager(env):
    """Starts openbox on the display and waits until it manages windows."""
    wm = subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def managing():
        root = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env, capture_output=True,
                              text=True, timeout=30).stdout
        return "window id" in root

    desk.wait_for(managing, "openbox")
    return wm


def minimise(program, out, runtime, display):
    desk.require_x_tools("openbox", "xprop")
    recording = os.path.join(out, "minimise.raw")
    wm = proc = None
    try:
        env = desk.x11_env(display, SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=recording,
                           XDG_RUNTIME_DIR=runtime)
        wm = window_manager(env)
        proc, wid = desk.start_tonbrook(program, env)
        desk.tap(env, wid, PLAY)
        desk.wait_for(lambda: os.path.getsize(recording) > 44100, "the sound to play")
        subprocess.run(["xdotool", "windowminimize", "--sync", wid], env=env, check=True, timeout=30)
        desk.ended(proc, "minimising")
        # The device is let go: nothing holds the recording open any more.
        size = os.path.getsize(recording)
        time.sleep(0.5)
        if os.path.getsize(recording) != size:
            desk.fail("the recording still grows after the end")
        print("ok: minimised under openbox, Tonbrook ended with status 0 after %d bytes of sound" % size)
    finally:
        desk.stop(proc)
        if wm:
            wm.terminate()
            wm.wait()


def windows_named(env, name):
    found = subprocess.run(["xdotool", "search", "--name", "^%s$" % name], env=env, capture_output=True,
                           text=True, timeout=30)
    return found.stdout.split()


def instances(program, out, runtime, display):
    procs = []
    try:
        for race in range(20):
            env = desk.x11_env(display, SDL_AUDIODRIVER="dummy", XDG_RUNTIME_DIR=tempfile.mkdtemp(dir=runtime))
            delay = race * 0.1 / 19
            procs = [subprocess.Popen([program], env=env)]
            time.sleep(delay)
            procs.append(subprocess.Popen([program], env=env))
            first = desk.wait_for(lambda: [p for p in procs if p.poll() is not None], "one start to end")[0]
            if first.returncode != 0:
                desk.fail("race %d (%.0f ms apart): the second start ended with status %d"
                          % (race, delay * 1000, first.returncode))
            other = procs[1 - procs.index(first)]
            wid = desk.find_window(env, "Tonbrook")
            time.sleep(0.3)
            if other.poll() is not None:
                desk.fail("race %d: both starts ended" % race)
            if len(windows_named(env, "Tonbrook")) != 1:
                desk.fail("race %d (%.0f ms apart): %d windows" % (race, delay * 1000,
                                                                  len(windows_named(env, "Tonbrook"))))
            desk.key(env, wid, "ctrl+q")
            desk.ended(other, "Ctrl+Q in race %d" % race)
        print("ok: of two starts 0 to 100 ms apart, one window each time, in 20 races")
    finally:
        for proc in procs:
            desk.stop(proc)


def unused_display(display):
    return next(n for n in range(int(display) + 1, int(display) + 64)
                if not os.path.exists("/tmp/.X%d-lock" % n) and not os.path.exists("/tmp/.X11-unix/X%d" % n))


def display(program, out, runtime, number):
    proc = None
    try:
        env = desk.x11_env(number, SDL_AUDIODRIVER="dummy", XDG_RUNTIME_DIR=runtime)
        del env["SDL_VIDEODRIVER"]
        for setting in (":%d" % unused_display(number), ""):
            began = time.monotonic()
            run = subprocess.run([program], env=dict(env, DISPLAY=setting), capture_output=True, text=True,
                                 timeout=30)
            lines = run.stderr.splitlines()
            if run.returncode != 1 or len(lines) != 1 or not lines[0].startswith("tonbrook: "):
                desk.fail("DISPLAY=%r: status %d, %r" % (setting, run.returncode, run.stderr))
            print("ok: DISPLAY=%r: status 1 after %.2f s: %s" % (setting, time.monotonic() - began, lines[0]))
        proc, wid = desk.start_tonbrook(program, env)
        desk.key(env, wid, "ctrl+q")
        desk.ended(proc, "Ctrl+Q")
        print("ok: the next start opens its window")
    finally:
        desk.stop(proc)


def resident_mb(proc):
    with open("/proc/%d/status" % proc.pid) as f:
        kb = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))
    return kb / 1024


def large(program, out, runtime, number):
    proc = None
    try:
        env = desk.x11_env(number, SDL_AUDIODRIVER="dummy", XDG_RUNTIME_DIR=runtime)
        proc, wid = desk.start_tonbrook(program, env)
        picture = desk.shot(env, wid)[2]
        for size in (8000, 32000):
            subprocess.run(["xdotool", "windowsize", wid, str(size), str(size)], env=env, check=True, timeout=30)
            left, top = desk.wait_for(lambda: desk.geometry(env, wid)[2:] == (240 * 8, 320 * 8)
                                      and desk.geometry(env, wid),
                                      "the window back at 8x after %d" % size)[:2]
            # The part of the screen that the display shows, pixel for pixel as at 2x.
            points = [(x, y) for x in range(0, (1024 - left) // 8, 5) for y in range(0, (768 - top) // 8, 5)]

            def shown():
                data = subprocess.run(["xwd", "-silent", "-root"], env=env, capture_output=True, check=True,
                                      timeout=30).stdout
                rows = desk.read_xwd(data)[2]
                return all(rows[top + 8 * y + 4][left + 8 * x + 4] == picture[2 * y][2 * x] for x, y in points)

            desk.wait_for(shown, "the screen at 8x after %d" % size)
            rss = resident_mb(proc)
            if rss > 100:
                desk.fail("%.0f MB resident after %d x %d" % (rss, size, size))
            print("ok: made %d x %d, the window is 1920 x 2560 with the screen at 8x, %.0f MB resident"
                  % (size, size, rss))
        desk.key(env, wid, "ctrl+q")
        desk.ended(proc, "Ctrl+Q")
    finally:
        desk.stop(proc)


def main():
    modes = {"keys": keys, "minimise": minimise, "instances": instances, "display": display, "large": large}
    if len(sys.argv) != 4 or sys.argv[1] not in modes:
        print(__doc__)
        sys.exit(2)
    desk.require_x_tools()
    server, number = desk.start_xvfb()
    try:
        with tempfile.TemporaryDirectory(prefix="tonbrook-xdg-") as runtime:
            modes[sys.argv[1]](sys.argv[2], sys.argv[3], runtime, number)
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()
