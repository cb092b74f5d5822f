#!/usr/bin/python3
"""The default output under a PulseAudio server of the test's own.

Usage: pulse_test.py TONBROOK TONBROOK-RENDER LATENCY-PROBE OUT-DIR

  - tonbrook-render --play goes on through a SIGKILL of the server: its
    stream is back within 2 s of the restart and the null sink's monitor
    records the loop from the sink's first sound on; played on the sink
    named with --device, it says that it lost the device and exits 1;
  - Tonbrook in an X window: STOP and PLAY while the server is gone change
    nothing on the screen (no message box), the loop comes back with the
    server, and once stopped for 10 s it holds no stream and no thread but
    the UI thread wakes (its processor time is reported);
  - the time from waveOutWrite to the first period, as a median (reported).

A client of the test's own plays silence at a low latency throughout: the
null sink otherwise sleeps in blocks of up to 2 s, so a new stream waits for
its first request far longer than on a sound card. Exits with 77 (skipped)
when pulseaudio cannot start or Xvfb is missing.
"""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "desktop"))
import desktop_test as desk  # noqa: E402

WINDOW = 512  # samples that must match the loop at one offset


def loop_heard_at(path, loop):
    """The second of the recording at which WINDOW samples in a row are the
    loop's (from any offset in it), or None."""
    rec = desk.samples(path)
    doubled = loop + loop[:WINDOW]
    starts = {}
    for i in range(len(loop)):
        starts.setdefault(tuple(doubled[i:i + 8]), []).append(i)
    for i in range(len(rec) - WINDOW):
        for offset in starts.get(tuple(rec[i:i + 8]), ()):
            if rec[i:i + WINDOW] == doubled[offset:offset + WINDOW]:
                return i / desk.RATE
    return None


def check_back_in_time(pulse, pid, loop, who):
    """Restarts the server; checks that process pid has its stream back within
    2 s and that the recording holds the loop from the sink's first block on.
    The null sink renders its first block only up to 2 s after it starts,
    whoever plays, so the recording alone cannot time the return closer."""
    restarted = time.monotonic()
    path = pulse.start()
    back = desk.wait_for(lambda: pulse.streams_of(pid) and time.monotonic() - restarted, "the stream's return", 10)
    first = desk.wait_for(lambda: os.path.exists(path) and os.path.getsize(path) and
                          time.monotonic() - restarted - os.path.getsize(path) / 2 / desk.RATE, "the recording", 10)
    time.sleep(2)
    heard = loop_heard_at(path, loop)
    if heard is None:
        desk.fail("%s: the loop was not heard after the server's restart" % who)
    print("ok: %s: its stream is back %.2f s after the server's restart, and the loop is heard %.2f s after it "
          "(the sink's first sound: %.2f s)" % (who, back, first + heard, first))
    if back > 2.0 or first + heard > max(first, 2.0) + 0.1:
        desk.fail("%s: the loop came back %.2f s after the restart" % (who, max(back, first + heard)))


def ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def wakes_off_the_ui_thread(pid):
    """How often the threads other than the first (the UI thread) have
    slept and woken, by thread."""
    wakes = {}
    for tid in os.listdir("/proc/%d/task" % pid):
        if int(tid) == pid:
            continue
        try:
            with open("/proc/%d/task/%s/status" % (pid, tid)) as f:
                status = dict(line.split(":", 1) for line in f if ":" in line)
        except FileNotFoundError:
            continue
        wakes[tid] = (status["Name"].strip(), int(status["voluntary_ctxt_switches"]))
    return wakes


def render_survives_the_server(pulse, render, out):
    """tonbrook-render --play through a SIGKILL and restart of the server."""
    loop = desk.loop_of(render, out, "sine", "1000")
    play = subprocess.Popen([render, "sine", "1000", "--play", "--seconds", "9", "-q"], env=pulse.env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    time.sleep(2)
    pulse.kill()
    time.sleep(1.5)
    check_back_in_time(pulse, play.pid, loop, "tonbrook-render")
    _, errors = play.communicate(timeout=30)
    if play.returncode != 0 or errors:
        desk.fail("tonbrook-render --play ended with %d: %r" % (play.returncode, errors))


def render_reports_a_named_device_lost(pulse, render):
    """tonbrook-render --play --device on the null sink through a SIGKILL of
    the server; the server is started again for the next check."""
    play = subprocess.Popen([render, "sine", "1000", "--play", "--device", "Null Output", "--seconds", "9", "-q"],
                            env=pulse.env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    time.sleep(1)
    pulse.kill()
    _, errors = play.communicate(timeout=30)
    pulse.start()
    if play.returncode != 1 or "lost output device" not in errors:
        desk.fail("tonbrook-render --play --device ended with %d after its device went: %r" % (play.returncode, errors))
    print("ok: tonbrook-render --play --device: " + errors.strip())


def app_survives_the_server(pulse, program, render, out):
    """Tonbrook plays Square; STOP and PLAY during the outage; the loop comes
    back with the server; then ten seconds stopped."""
    desk.require_x_tools()
    loop = desk.loop_of(render, out, "square", "500")
    server, display = desk.start_xvfb()
    app = None
    try:
        env = desk.x11_env(display, **{k: pulse.env[k] for k in ("HOME", "XDG_RUNTIME_DIR", "PULSE_SERVER",
                                                                  "SDL_AUDIODRIVER", "TSAN_OPTIONS")})
        app, wid = desk.start_tonbrook(program, env)
        play_button = (190, 26 + 180 + 30)
        desk.tap(env, wid, (40, 26 + 139 + 12))  # Square
        desk.tap(env, wid, play_button)
        time.sleep(1)
        before = ticks(app.pid)
        time.sleep(3)
        playing = ticks(app.pid) - before
        playing_shot = desk.shot(env, wid)[2]

        pulse.kill()
        time.sleep(1)
        desk.tap(env, wid, play_button)  # STOP
        time.sleep(0.5)
        desk.tap(env, wid, play_button)  # PLAY
        time.sleep(1)
        if app.poll() is not None or desk.shot(env, wid)[2] != playing_shot:
            desk.fail("Tonbrook: STOP and PLAY without the server changed the screen (a message box?)")
        print("ok: Tonbrook: STOP and PLAY during the outage raise no message box")
        check_back_in_time(pulse, app.pid, loop, "Tonbrook")

        desk.tap(env, wid, play_button)  # STOP
        time.sleep(1)
        before, woken = ticks(app.pid), wakes_off_the_ui_thread(app.pid)
        time.sleep(10)
        idle = ticks(app.pid) - before
        busy = {name: n - woken[tid][1] for tid, (name, n) in wakes_off_the_ui_thread(app.pid).items()
                if tid not in woken or n - woken[tid][1] > 2}
        streams = pulse.streams_of(app.pid)
        print("Tonbrook: processor ticks in 3 s playing %d, in 10 s stopped %d (%.3f%% of a core); "
              "streams while stopped %d" % (playing, idle, idle * 100.0 / os.sysconf("SC_CLK_TCK") / 10, streams))
        if streams:
            desk.fail("Tonbrook: stopped, it holds %d streams" % streams)
        with open("/proc/%d/maps" % app.pid) as f:
            tsan = "libtsan" in f.read()  # whose own thread wakes ten times a second
        if busy and not tsan:
            desk.fail("Tonbrook: stopped for 10 s, threads woke: %r" % busy)
        subprocess.run(["xdotool", "windowfocus", "--sync", wid], env=env, timeout=30)
        subprocess.run(["xdotool", "key", "ctrl+q"], env=env, check=True, timeout=30)
        if app.wait(timeout=30) != 0:
            desk.fail("Tonbrook ended with status %d" % app.returncode)
    finally:
        if app and app.poll() is None:
            app.terminate()
            app.wait(timeout=30)
        server.terminate()
        server.wait()


def main():
    program, render, probe, out = sys.argv[1:5]
    if not shutil.which("pulseaudio") or not shutil.which("parec"):
        print("SKIPPED, the sound server checks did not run: pulseaudio or parec is missing "
              "(Debian's pulseaudio and pulseaudio-utils)")
        sys.exit(77)
    pulse = desk.Pulse(os.path.join(out, "pulse"))
    try:
        if pulse.start() is None:
            print("SKIPPED, the sound server checks did not run: pulseaudio does not start here; see %s"
                  % os.path.join(pulse.folder, "server.log"))
            sys.exit(77)
        render_survives_the_server(pulse, render, out)
        render_reports_a_named_device_lost(pulse, render)
        app_survives_the_server(pulse, program, render, out)
        latency = subprocess.run([probe, "9"], env=pulse.env, capture_output=True, text=True, timeout=60)
        if latency.returncode != 0:
            desk.fail("the latency probe failed: " + latency.stderr)
        print("waveOutWrite to the first period: " + latency.stdout.strip().splitlines()[-1])
    finally:
        pulse.stop()


if __name__ == "__main__":
    main()
