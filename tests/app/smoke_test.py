#!/usr/bin/python3
"""Tonbrook in a real X window: tap Square and PLAY, record the sound, Ctrl+Q.

Usage: smoke_test.py TONBROOK TONBROOK-RENDER OUT-DIR
Runs the program under Xvfb with SDL's disk audio driver, clicks Square and
PLAY with xdotool, takes a screenshot with xwd (OUT-DIR/tonbrook.png), ends
the program with Ctrl+Q and checks that the exit code is 0 and that the
recording is the 495.263671875 Hz square loop repeated seamlessly from its
first sample. Exits with 77 (skipped) when Xvfb, xdotool or xwd is missing.
"""
import os
import shutil
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "desktop"))
import desktop_test as desk  # noqa: E402

SKIP = 77
SCALE = 2


def tap(env, wid, x, y):
    subprocess.run(["xdotool", "mousemove", "--window", wid, str(x * SCALE + 1), str(y * SCALE + 1),
                    "click", "1"], env=env, check=True, timeout=30)


def samples(path):
    with open(path, "rb") as f:
        data = f.read()
    return list(struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 2 * 2]))


def check_recording(recorded, loop):
    start = next((i for i, s in enumerate(recorded) if s != 0), None)
    if start is None:
        desk.fail("the recording is silent")
    body = recorded[start:]
    n = 0
    while n < len(body) and body[n] == loop[n % len(loop)]:
        n += 1
    if any(s != 0 for s in body[n:]):
        desk.fail("sample %d after the start is %d, the loop has %d there" % (n, body[n], loop[n % len(loop)]))
    if n < 3 * len(loop):
        desk.fail("only %d samples of the loop were played" % n)
    return n


def main():
    program, render, out = sys.argv[1:4]
    for tool in ("Xvfb", "xdotool", "xwd"):
        if not shutil.which(tool):
            print("skipped: %s is not installed" % tool)
            sys.exit(SKIP)
    recording = os.path.join(out, "tonbrook.raw")
    loop_path = os.path.join(out, "square.raw")
    subprocess.run([render, "square", "500", "--raw", "-q", "-o", loop_path], check=True)
    loop = samples(loop_path)

    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                               "-nolisten", "tcp"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    proc = None
    try:
        with os.fdopen(read_end) as f:
            display = f.readline().strip()
        if not display:
            print("skipped: Xvfb could not start")
            sys.exit(SKIP)
        # The plain X11 framebuffer: no OpenGL driver threads in the process.
        env = dict(os.environ, DISPLAY=":" + display, SDL_VIDEODRIVER="x11", SDL_FRAMEBUFFER_ACCELERATION="0",
                   SDL_AUDIODRIVER="disk",
                   SDL_DISKAUDIOFILE=recording)
        desk.with_suppressions(env)
        for name in ("WAYLAND_DISPLAY", "TONBROOK_HOST", "TONBROOK_WAVE", "XDG_RUNTIME_DIR"):
            env.pop(name, None)
        env["XDG_RUNTIME_DIR"] = out
        proc = subprocess.Popen([program], env=env)

        def window():
            found = subprocess.run(["xdotool", "search", "--name", "^Tonbrook$"], env=env,
                                   capture_output=True, text=True)
            return found.stdout.split()[0] if found.stdout.split() else None

        wid = desk.wait_for(window, "Tonbrook's window")
        desk.wait_for(lambda: desk.at(desk.shot(env, wid)[2], 120, 40) == (100, 100, 100), "the grey window")

        tap(env, wid, 40, 26 + 139 + 12)   # Square
        tap(env, wid, 190, 26 + 180 + 30)  # PLAY
        time.sleep(1.5)
        width, height, rows = desk.shot(env, wid)
        desk.write_png(os.path.join(out, "tonbrook.png"), width, height, rows)
        if desk.at(rows, 4, 26 + 16 - 1) != (255, 100, 0):
            desk.fail("no orange frame on the screenshot")

        subprocess.run(["xdotool", "windowfocus", "--sync", wid], env=env, timeout=30)
        subprocess.run(["xdotool", "key", "ctrl+q"], env=env, check=True, timeout=30)
        try:
            code = proc.wait(timeout=30)
        except subprocess.TimeoutExpired:
            desk.fail("Ctrl+Q did not end Tonbrook")
        if code != 0:
            desk.fail("exit status %d" % code)
        n = check_recording(samples(recording), loop)
        print("ok: %d samples of the square loop played seamlessly; exit 0" % n)
    finally:
        if proc and proc.poll() is None:
            proc.kill()
            proc.wait()
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()
