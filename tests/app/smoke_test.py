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
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "desktop"))
import desktop_test as desk  # noqa: E402


def check_recording(recorded, loop):
    """One stretch of sound: the loop from its first sample, pass after pass, at least three times."""
    parts = desk.segments(recorded)
    if len(parts) != 1:
        desk.fail("%d stretches of sound, not one" % len(parts))
    n, phase = desk.played(parts[0], loop, "square")
    if phase != 0 or n != len(parts[0]) or n < 3 * len(loop):
        desk.fail("%d samples of sound, %d of them the loop's from its sample %d" % (len(parts[0]), n, phase))
    return n


def main():
    program, render, out = sys.argv[1:4]
    desk.require_x_tools()
    recording = os.path.join(out, "tonbrook.raw")
    loop_path = os.path.join(out, "square.raw")
    subprocess.run([render, "square", "500", "--raw", "-q", "-o", loop_path], check=True)
    loop = desk.samples(loop_path)

    server, display = desk.start_xvfb()
    proc = None
    try:
        # A runtime directory of its own: a Tonbrook already running elsewhere
        # is not taken for this one's first instance.
        env = desk.x11_env(display, SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=recording, XDG_RUNTIME_DIR=out)
        proc, wid = desk.start_tonbrook(program, env)

        desk.tap(env, wid, (40, 26 + 139 + 12))   # Square
        desk.tap(env, wid, (190, 26 + 180 + 30))  # PLAY
        time.sleep(1.5)
        width, height, rows = desk.shot(env, wid)
        desk.write_png(os.path.join(out, "tonbrook.png"), width, height, rows)
        if desk.at(rows, 4, 26 + 16 - 1) != (255, 100, 0):
            desk.fail("no orange frame on the screenshot")

        desk.key(env, wid, "ctrl+q")
        desk.ended(proc, "Ctrl+Q")
        n = check_recording(desk.samples(recording), loop)
        print("ok: %d samples of the square loop played seamlessly; exit 0" % n)
    finally:
        desk.stop(proc)
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()
