#!/usr/bin/env python3
"""Tonbrook's desktop window as a user gets it, and the reason for no sound.

Usage: window_test.py TONBROOK TONBROOK-RENDER SOURCE-DIR OUT-DIR
Under Xvfb (no GPU) with the environment a desktop gives, with no SDL
variable choosing the drawing: the window draws without OpenGL (no GL or
LLVM library mapped, no llvmpipe thread), the process stays within 25 MB
resident after start-up, the window carries the program's 32 x 32 icon
(_NET_WM_ICON, pixel for pixel the resource's image) and cannot be made
smaller than 240 x 320. With an audio driver that SDL cannot start,
Tonbrook shows its error box, writes SDL's reason in one line on standard
error and exits with 0 after the box is closed; tonbrook-render --play
writes the same kind of line and exits with 1. Exits with 77 (skipped) when
Xvfb, xdotool, xwd or xprop is missing.
"""
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # imports from the source tree leave nothing there
sys.path.insert(0, os.path.join(HERE, "..", "desktop"))
import desktop_test as desk  # noqa: E402

MAX_RSS_KB = 25 * 1024
GL_LIBRARIES = ("libGL", "libEGL", "libLLVM", "libgallium", "_dri.so", "libvulkan")
NO_DRIVER = "tonbrook-no-such-driver"


def desktop_env(display, out, **settings):
    """A desktop's environment: SDL's defaults for everything but the audio."""
    env = desk.x11_env(display, XDG_RUNTIME_DIR=out, **settings)
    for name in ("SDL_VIDEODRIVER", "SDL_RENDER_DRIVER", "LIBGL_ALWAYS_SOFTWARE"):
        env.pop(name, None)
    return env


def resource_icon(source):
    """The 32 x 32 image of res/tonbrook.ico as 0xAARRGGBB values, row by row."""
    sys.path.insert(0, os.path.join(source, "res"))
    import draw_pictures as pictures
    canvas = pictures.icon(32, *pictures.ICON_SIZES[32])
    return [0xFF000000 | r << 16 | g << 8 | b for row in canvas.rows for r, g, b in
            (pictures.PALETTE[c] for c in row)]


def window_icon(env, wid):
    got = subprocess.run(["xprop", "-id", wid, "-notype", "-f", "_NET_WM_ICON", "32c", "=$0+", "_NET_WM_ICON"],
                         env=env, capture_output=True, text=True, timeout=30).stdout
    values = got.partition("=")[2].replace(",", " ").split()
    return [int(v) for v in values if v.isdigit()]


def footprint(pid):
    """(resident kB, mapped GL libraries, thread names) of a running process."""
    with open("/proc/%d/status" % pid) as f:
        rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))
    with open("/proc/%d/maps" % pid) as f:
        gl = sorted({line.split()[-1] for line in f if any(lib in line for lib in GL_LIBRARIES)})
    threads = []
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/comm" % (pid, task)) as f:
            threads.append(f.read().strip())
    return rss, gl, threads


def lean_window(program, source, display, out):
    env = desktop_env(display, os.path.join(out, "lean"), SDL_AUDIODRIVER="dummy")
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
    proc = None
    try:
        proc, wid = desk.start_tonbrook(program, env)
        time.sleep(1)
        rss, gl, threads = footprint(proc.pid)
        print("resident after start-up: %d kB, %d threads: %s" % (rss, len(threads), " ".join(sorted(threads))))
        if gl:
            desk.fail("OpenGL libraries are mapped: " + ", ".join(gl))
        if any(t.startswith("llvmpipe") for t in threads):
            desk.fail("llvmpipe render threads run")
        if rss > MAX_RSS_KB:
            desk.fail("resident %d kB, more than %d kB" % (rss, MAX_RSS_KB))

        icon = window_icon(env, wid)
        if icon[:2] != [32, 32] or icon[2:2 + 32 * 32] != resource_icon(source):
            desk.fail("the window icon is not the resource's 32 x 32 image: %r" % icon[:8])
        hints = subprocess.run(["xprop", "-id", wid, "WM_NORMAL_HINTS"], env=env, capture_output=True,
                               text=True, timeout=30).stdout
        if "minimum size: 240 by 320" not in hints:
            desk.fail("no minimum size of 240 x 320: " + hints)

        desk.key(env, wid, "ctrl+q")
        desk.ended(proc, "Ctrl+Q")
        print("ok: no OpenGL, %d kB resident, the resource's icon, at least 240 x 320" % rss)
    finally:
        desk.stop(proc)


def one_reason(stderr, program):
    """The one line on which program says why there is no sound, naming the
    driver once."""
    lines = stderr.splitlines()
    if len(lines) != 1 or not lines[0].startswith(program + ": ") or lines[0].count(NO_DRIVER) != 1:
        desk.fail("%s did not say once why there is no sound: %r" % (program, stderr))
    return lines[0]


def no_sound(program, display, out):
    env = desktop_env(display, os.path.join(out, "mute"), SDL_AUDIODRIVER=NO_DRIVER)
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
    proc = subprocess.Popen([program], env=env, stderr=subprocess.PIPE, text=True)
    try:
        wid = desk.find_window(env, "Error")
        desk.key(env, wid, "Return")
        _, stderr = proc.communicate(timeout=30)
    finally:
        desk.stop(proc)
    if proc.returncode != 0:
        desk.fail("exit status %d after the error box" % proc.returncode)
    print("ok: " + one_reason(stderr, "tonbrook"))


def render_no_sound(render):
    env = dict(os.environ, SDL_AUDIODRIVER=NO_DRIVER)
    env.pop("TONBROOK_WAVE", None)
    run = subprocess.run([render, "sine", "1000", "--play", "--seconds", "1", "-q"], env=env,
                         capture_output=True, text=True, timeout=60)
    if run.returncode != 1:
        desk.fail("tonbrook-render --play without sound: exit status %d" % run.returncode)
    print("ok: " + one_reason(run.stderr, "tonbrook-render"))


def main():
    program, render, source, out = sys.argv[1:5]
    render_no_sound(render)
    desk.require_x_tools("xprop")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    server, display = desk.start_xvfb()
    try:
        lean_window(program, source, display, out)
        no_sound(program, display, out)
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()
