#!/usr/bin/env python3
"""Checks host.js in headless Chromium, driven through the DevTools
protocol, with host-check.wasm standing in for tonbrook.wasm: the screen the
module presents after an asyncify wait shows pixel for pixel, centred at a
whole-number scale; a tap on the canvas reaches the module as stylus down,
move and up at screen coordinates, and Ctrl+A as a key with Ctrl; when the
module ends the page says so, and its button starts the module again.
Also plays the worklet offline: the loop comes round sample for sample, each
an int16 divided by 32768, held in silence while paused and going on from
where it was, and a rewrite takes the place of the samples without moving
the position.
Then runs the site's own tonbrook.wasm and the Linux build's program (in
Xvfb, on SDL's plain framebuffer at 2x) through the same taps and keys: after
each step the page's screen is the Linux screen pixel for pixel; while it
plays, a second tab says in one line that Tonbrook is open in another tab
and a tap on its PLAY plays nothing; File -> Exit ends both, and the page
says so; with the network cut, a reload shows the start screen from the
service worker. Chromium plays into a PulseAudio
null sink at 44100 Hz of a server of the check's own, recorded with parec:
after PLAY the recording holds the loop buffer (the Linux build's
tonbrook-render of the same wave) sample for sample, loop after loop; each
tap on another waveform while it plays rewrites the loop in place, and the
recording goes on in the new loop at the same position; STOP falls silent
and PLAY starts the loop again from its first sample. Says the median time
from PLAY, and from a waveform tap, to its first sample in the recording.

    host_check.py SITE HOST-CHECK.wasm LINUX-TONBROOK LINUX-TONBROOK-RENDER

Exits 77, saying why, when Chromium or python3-websocket is missing, or
Chromium cannot start, or Xvfb, xdotool or xwd is missing; says so and
leaves out the sound when PulseAudio cannot start."""
import functools
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "desktop"))
import desktop_test as desk  # noqa: E402


WINDOW = (500, 700)  # the page: room for the screen at 2x, 480 x 640, at (10, 30)
SCALE, LEFT, TOP = 2, 10, 30
ENDED = "!document.getElementById('ended').hidden && document.getElementById('screen').hidden"


def skip(why):
    print(f"host_check: SKIP: {why}", file=sys.stderr)
    return 77


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    """Serves folder on a port of its own, from a thread; the server and its
    address."""
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(QuietHandler, directory=folder))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, f"http://127.0.0.1:{server.server_address[1]}/"


class DevTools:
    """One page of a browser, through its DevTools socket; keeps the text of
    every console message the page writes."""

    def __init__(self, url, websocket):
        self.socket = websocket.create_connection(url, timeout=30)
        self.next_id = 0
        self.console = []

    def call(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("method") == "Runtime.consoleAPICalled":
                self.console.append(" ".join(str(a.get("value")) for a in message["params"]["args"]))
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message.get("result", {})

    def evaluate(self, expression):
        return self.call("Runtime.evaluate", expression=expression, returnByValue=True,
                         awaitPromise=True)["result"].get("value")

    def wait_for_console(self, text, seconds=30):
        end = time.monotonic() + seconds
        while text not in self.console:
            if time.monotonic() > end:
                raise RuntimeError(f"no {text!r} on the console; it has {self.console}")
            try:
                self.evaluate("0")
            except RuntimeError:  # the page is navigating: its messages come all the same
                pass
            time.sleep(0.05)


def check(page, url):
    failures = []
    page.call("Runtime.enable")
    page.call("Emulation.setDeviceMetricsOverride", width=WINDOW[0], height=WINDOW[1], deviceScaleFactor=1,
              mobile=False)
    page.call("Page.navigate", url=url)
    page.wait_for_console("presented")
    box = page.evaluate("JSON.stringify(document.getElementById('screen').getBoundingClientRect())")
    box = json.loads(box)
    if (box["left"], box["top"], box["width"], box["height"]) != (LEFT, TOP, 240 * SCALE, 320 * SCALE):
        failures.append(f"the screen lies at {box}")
    pixels = page.evaluate("Array.from(document.getElementById('screen').getContext('2d')"
                           ".getImageData(0, 0, 240, 320).data)")
    expected = [((0, 0), (128, 128, 128)), ((239, 319), (128, 128, 128)), ((1, 1), (255, 0, 0)),
                ((119, 159), (255, 0, 0)), ((120, 1), (0, 255, 0)), ((1, 160), (0, 0, 255)),
                ((238, 318), (255, 255, 255))]
    for (x, y), colour in expected:
        got = tuple(pixels[(y * 240 + x) * 4:(y * 240 + x) * 4 + 4])
        if got != colour + (255,):
            failures.append(f"screen pixel ({x},{y}) is {got}, not {colour}")

    def mouse(kind, x, y):
        page.call("Input.dispatchMouseEvent", type=kind, x=LEFT + x * SCALE + 1, y=TOP + y * SCALE + 1,
                  button="left", buttons=0 if kind == "mouseReleased" else 1, clickCount=1)
    mouse("mousePressed", 50, 60)
    mouse("mouseMoved", 51, 62)
    mouse("mouseReleased", 51, 62)
    page.call("Input.dispatchKeyEvent", type="keyDown", key="a", code="KeyA", windowsVirtualKeyCode=65,
              modifiers=2)
    for line in ["input 1 50 60 0 0", "input 2 51 62 0 0", "input 3 51 62 0 0", "input 4 0 0 65 1"]:
        try:
            page.wait_for_console(line, seconds=10)
        except RuntimeError as error:
            failures.append(str(error))
    if not until(lambda: page.evaluate(ENDED), bool):
        failures.append("the page does not say that Tonbrook has ended")
    page.console.clear()
    page.evaluate("document.getElementById('restart').click()")
    try:
        page.wait_for_console("presented", seconds=10)
    except RuntimeError as error:
        failures.append(f"no start again: {error}")
    return failures


# Plays the worklet into an offline context: 3500 samples of a 1000-sample
# loop, held in silence from sample 1024 to 1536, then going on from where
# it was, rewritten (every sample negated) at sample 2048; the result lists
# the samples that differ from what should play and the passes reported.
WORKLET_CHECK = """(async () => {
  const rate = 44100, length = 3500, held = 1024, goes = 1536, at = 2048;
  const context = new OfflineAudioContext({ numberOfChannels: 1, length, sampleRate: rate });
  await context.audioWorklet.addModule('worklet.js');
  const node = new AudioWorkletNode(context, 'tonbrook-loop', { outputChannelCount: [1] });
  node.connect(context.destination);
  const passes = [];
  node.port.onmessage = (event) => passes.push(event.data.passes);
  const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
  const loop = Int16Array.from({ length: 1000 }, (_, i) => ((i * 7919) % 65536) - 32768);
  const rewrite = loop.map((v) => -1 - v);
  node.port.postMessage({ play: loop, running: true });
  await sleep(100);
  for (const [sample, message] of [[held, { running: false }], [goes, { running: true }], [at, { rewrite }]]) {
    context.suspend(sample / rate).then(async () => {
      node.port.postMessage(message);
      await sleep(100);
      context.resume();
    });
  }
  const out = (await context.startRendering()).getChannelData(0);
  await sleep(100);
  const wrong = [];
  for (let i = 0; i < length; i++) {
    const position = i < held ? i : i - (goes - held);
    const expected = i >= held && i < goes ? 0 : (i < at ? loop : rewrite)[position % 1000];
    if (out[i] * 32768 !== expected && wrong.length < 5) wrong.push([i, out[i] * 32768, expected]);
  }
  return JSON.stringify({ wrong, passes });
})()"""


def check_worklet(page, url):
    page.call("Page.navigate", url=url + "worklet.js")
    result = json.loads(page.evaluate(WORKLET_CHECK))
    failures = [f"the worklet played sample {i} as {got}, not {expected}" for i, got, expected in result["wrong"]]
    if result["passes"] != [1, 2, 3]:  # rendered in blocks of 128 samples: 3584 - 512 of them played
        failures.append(f"the worklet reported passes {result['passes']}, not [1, 2, 3]")
    return failures


# The program's steps, the same on the page and on Linux: a tap at a screen
# point or a key struck with Ctrl; after each, the two screens are equal.
PROGRAM_STEPS = [
    ("the start screen", None),
    ("White Noise chosen", ("tap", 40, 217)),
    ("the About box opened by Ctrl+A", ("ctrl", "a")),
    ("the About box closed by its ok", ("tap", 225, 13)),
    ("Sine chosen", ("tap", 40, 53)),
    ("the up arrow tapped", ("tap", 221, 127)),
    ("PLAY tapped", ("tap", 189, 237)),
]
# While the sine plays: Square, Sine, Square, Sine, Square, each of which
# rewrites the loop buffer in place; then STOP and PLAY, which start the
# loop (the square) from its first sample, RESTARTS times.
LOOPS = [("sine", "501"), ("square", "501")]  # tonbrook-render's words for them
WAVE_TAPS = [(40, 177), (40, 53)] * 2 + [(40, 177)]
PLAY_TAP = (189, 237)
RESTARTS = 3
LOOPS_HEARD = 3
HEAD = 512  # samples of a loop's start that find where it starts in the recording
EXIT_TAPS = [(20, 307), (20, 283)]  # File, then Exit on its pop-up


def linux_screens(program, tmp):
    """The Linux program's screen after each step, as 240 x 320 RGB tuples
    read off its 2x desktop window; and whether File -> Exit ended it with 0."""
    server, display = desk.start_xvfb()
    proc = None
    screens = []
    try:
        env = desk.x11_env(display, SDL_AUDIODRIVER="dummy", XDG_RUNTIME_DIR=tmp)
        proc, wid = desk.start_tonbrook(program, env)

        def screen():
            rows = desk.shot(env, wid)[2]
            return [rows[2 * y][2 * x] for y in range(320) for x in range(240)]

        def settled():
            first = screen()
            time.sleep(0.3)
            return first if screen() == first else None
        for _, step in PROGRAM_STEPS:
            if step and step[0] == "tap":
                desk.tap(env, wid, step[1:])
            elif step:
                desk.key(env, wid, "ctrl+" + step[1])
            time.sleep(0.3)
            screens.append(desk.wait_for(settled, "a settled screen"))
        for point in EXIT_TAPS:
            desk.tap(env, wid, point)
            time.sleep(0.3)
        try:
            ended = proc.wait(timeout=30) == 0
        except subprocess.TimeoutExpired:
            ended = False
        return screens, ended
    finally:
        desk.stop(proc)
        server.terminate()
        server.wait()


def runs(recorded, start, loops):
    """From recorded[start] on, in the phase in which start is the loops'
    first sample: the runs of samples that are one of the loops, as [which,
    first, end]; they end at the first sample that is none of them, or at a
    silence (64 zero samples, which a loop's own zeros do not make)."""
    size = len(loops[0])
    found = []
    for i in range(start, len(recorded)):
        which = [k for k, loop in enumerate(loops) if recorded[i] == loop[(i - start) % size]]
        if not which or (recorded[i] == 0 and not any(recorded[i:i + 64])):
            break
        if found and found[-1][0] in which:
            found[-1][2] = i + 1
        else:
            found.append([which[0], i, i + 1])
    return found


def check_sound(recorded, loops, plays, switches):
    """The recording holds, from each PLAY on (plays: its length as each was
    tapped), the loop from its first sample, pass after pass in one phase,
    until the silence of STOP: after the first PLAY the sine, which each
    waveform tap (switches: the length as each was tapped) turns into the
    other loop in the same phase, the square at last; the square after the
    others. Returns the failures and the delays from each tap to its first
    sample, in samples."""
    failures, delays = [], {"play": [], "switch": []}
    size = len(loops[0])
    for k, tapped in enumerate(plays):
        what = f"PLAY {k + 1}"
        first = 0 if k == 0 else len(loops) - 1
        head = loops[first][:HEAD]
        start = next((i for i in range(tapped, len(recorded) - len(head)) if recorded[i:i + len(head)] == head),
                     None)
        if start is None:
            failures.append(f"{what}: the recording does not hold {' '.join(LOOPS[first])} from its first sample")
            continue
        delays["play"].append(start - tapped)
        found = runs(recorded, start, loops)
        taps = switches if k == 0 else []
        expected = [(first + n) % len(loops) for n in range(len(taps) + 1)]
        if [which for which, _, _ in found] != expected:
            failures.append(f"{what}: the recording holds the loops {[LOOPS[w][0] for w, _, _ in found]} in one phase,"
                            f" not {[LOOPS[w][0] for w in expected]}")
            continue
        for tap, (_, at, _) in zip(taps, found[1:]):
            if at < tap:
                failures.append(f"{what}: a new loop at sample {at}, before its tap at {tap}")
            delays["switch"].append(at - tap)
        end = found[-1][2]
        if end - found[-1][1] < LOOPS_HEARD * size:
            failures.append(f"{what}: {(end - found[-1][1]) / size:.2f} passes of the last loop, not {LOOPS_HEARD}")
        if end < len(recorded) and any(recorded[end:end + 64]):
            failures.append(f"{what}: sample {end} is {recorded[end]}, in none of the loops and no silence")
    return failures, delays


def tap(page, x, y, lifted=None):
    """Taps the page's screen at a screen point; lifted gets the value of
    calling it just before the stylus lifts."""
    for kind in ("mousePressed", "mouseReleased"):
        if kind == "mouseReleased" and lifted:
            lifted()
        page.call("Input.dispatchMouseEvent", type=kind, x=LEFT + x * SCALE + 1, y=TOP + y * SCALE + 1,
                  button="left", buttons=1 if kind == "mousePressed" else 0, clickCount=1)


def screen(page):
    """The page's screen as 240 x 320 RGB tuples, or [] without one."""
    data = page.evaluate("Array.from(document.getElementById('screen').getContext('2d')"
                         ".getImageData(0, 0, 240, 320).data)")
    return [tuple(data[i:i + 3]) for i in range(0, len(data or []), 4)]


def until(value, done, seconds=15):
    """Calls value until done says yes to what it gives, or the time is up;
    what it gave last."""
    end = time.monotonic() + seconds
    got = value()
    while not done(got) and time.monotonic() < end:
        time.sleep(0.05)
        got = value()
    return got


def shown(page, expected):
    """The page's screen once it is expected, or as it is when the time is up."""
    return until(lambda: screen(page), lambda got: got == expected)


def second_tab(page, url, open_page):
    """A second tab of the site while the first plays says in one line that
    Tonbrook is open in another tab, and a tap on its PLAY plays nothing
    (the recording holds the first tab's loop alone); failures."""
    target = page.call("Target.createTarget", url=url)["targetId"]
    other = open_page(target)
    other.call("Emulation.setDeviceMetricsOverride", width=WINDOW[0], height=WINDOW[1], deviceScaleFactor=1,
               mobile=False)
    said = until(lambda: other.evaluate("document.getElementById('notice').textContent"),
                 lambda line: line == "Tonbrook is open in another tab.")
    failures = [] if said == "Tonbrook is open in another tab." else [f"a second tab says {said!r}"]
    if any(colour != (0, 0, 0) for colour in set(screen(other))):
        failures.append("a second tab shows a screen")
    tap(other, *PLAY_TAP)
    time.sleep(0.5)
    other.socket.close()
    page.call("Target.closeTarget", targetId=target)
    return failures


def offline_start(page, start):
    """With the network cut, a reload shows the start screen (the service
    worker keeps the site); failures."""
    page.evaluate("navigator.serviceWorker.ready.then(() => true)")
    page.call("Network.enable")
    page.call("Network.emulateNetworkConditions", offline=True, latency=0, downloadThroughput=-1,
              uploadThroughput=-1)
    page.call("Page.reload")
    got = shown(page, start)
    page.call("Network.emulateNetworkConditions", offline=False, latency=0, downloadThroughput=-1,
              uploadThroughput=-1)
    return [] if got == start else ["a reload with the network cut does not show the start screen"]


def check_program(page, url, open_page, screens, linux_ended, recording, loops):
    """The same steps on the page as on Linux, a second tab while it plays,
    the sound recorded meanwhile (when there is a recording), and a start
    with the network cut; failures."""
    failures = []
    page.call("Page.navigate", url=url)
    plays, switches = [], []

    def recorded(taps):
        return lambda: taps.append(os.path.getsize(recording) // 2 if recording else 0)

    for (what, step), expected in zip(PROGRAM_STEPS, screens):
        if step and step[0] == "tap":
            tap(page, step[1], step[2], recorded(plays) if step[1:] == PLAY_TAP else None)
        elif step:
            key = dict(key=step[1], code="Key" + step[1].upper(), windowsVirtualKeyCode=ord(step[1].upper()),
                       modifiers=2)
            page.call("Input.dispatchKeyEvent", type="keyDown", **key)
            page.call("Input.dispatchKeyEvent", type="keyUp", **key)
        got = shown(page, expected)
        wrong = [i for i in range(len(expected)) if got[i] != expected[i]] if got else [0]
        if not got:
            failures.append(f"{what}: the page shows no screen")
        elif wrong:
            i = wrong[0]
            failures.append(f"{what}: {len(wrong)} pixels differ from the Linux screen, first ({i % 240},{i // 240}):"
                            f" {got[i]}, not {expected[i]}")
    failures += second_tab(page, url, open_page)
    if recording:
        time.sleep(0.5)
        for x, y in WAVE_TAPS:
            tap(page, x, y, recorded(switches))
            time.sleep(0.5)
        for _ in range(RESTARTS):
            time.sleep(0.8)
            tap(page, *PLAY_TAP)
            time.sleep(0.3)
            tap(page, *PLAY_TAP, recorded(plays))
        time.sleep(1.2)
        wrong, delays = check_sound(desk.samples(recording), loops, plays, switches)
        failures += wrong if delays["play"] or wrong else ["the recording was not checked: no PLAY was tapped"]
        for what, taken in [("PLAY to the loop's first sample", delays["play"]),
                            ("a waveform tap while it plays to the new loop", delays["switch"])]:
            ms = sorted(round(n * 1000 / desk.RATE) for n in taken)
            if ms:
                print(f"host_check: {what} in the recording: median {ms[len(ms) // 2]} ms (of {ms})")
    for x, y in EXIT_TAPS:
        tap(page, x, y)
        time.sleep(0.3)
    if not until(lambda: page.evaluate(ENDED), bool):
        failures.append("File -> Exit: the page does not say that Tonbrook has ended")
    if not linux_ended:
        failures.append("File -> Exit did not end the Linux program with status 0")
    return failures + offline_start(page, screens[0])


def start_chromium(chromium, profile, env):
    """Headless Chromium with a profile of its own, which plays sound without
    a gesture, on a DevTools port; returns it and the port, or the end of
    what it said and None when it cannot start."""
    browser = subprocess.Popen(
        [chromium, "--headless=new", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
         "--autoplay-policy=no-user-gesture-required", f"--user-data-dir={profile}",
         "--remote-debugging-port=0", "about:blank"],
        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    port_file = os.path.join(profile, "DevToolsActivePort")
    end = time.monotonic() + 60
    while not os.path.exists(port_file) and browser.poll() is None and time.monotonic() < end:
        time.sleep(0.1)
    if not os.path.exists(port_file):
        browser.kill()
        return browser.communicate()[1].decode(errors="replace")[-2000:], None
    time.sleep(0.2)
    return browser, open(port_file).read().split()[0]


def first_page(port, websocket):
    """The DevTools session of the first page of the Chromium on port."""
    targets = json.load(urllib.request.urlopen(f"http://127.0.0.1:{port}/json"))
    return DevTools(next(t for t in targets if t["type"] == "page")["webSocketDebuggerUrl"], websocket)


def stop_chromium(browser):
    """Ends the Chromium start_chromium started, killing it when it does not
    end within 10 s."""
    browser.terminate()
    try:
        browser.wait(timeout=10)
    except subprocess.TimeoutExpired:
        browser.kill()
        browser.wait()


def main():
    site, module, program, render = sys.argv[1:5]
    try:
        import websocket
    except ImportError:
        return skip("no DevTools client: install python3-websocket")
    chromium = shutil.which("chromium")
    if not chromium:
        return skip("no chromium")
    for tool in ("Xvfb", "xdotool", "xwd"):
        if not shutil.which(tool):
            return skip(f"no {tool} for the Linux program's screens")
    with tempfile.TemporaryDirectory() as tmp:
        screens, linux_ended = linux_screens(program, tmp)
        loops = [desk.loop_of(render, tmp, *words) for words in LOOPS]
        pulse = desk.Pulse(os.path.join(tmp, "pulse"))
        recording = pulse.start() if shutil.which("pulseaudio") and shutil.which("parec") else None
        if not recording:
            print("host_check: NOT CHECKED: the sound, since PulseAudio does not start here", file=sys.stderr)
        root = os.path.join(tmp, "site")
        shutil.copytree(site, root)
        shutil.copy(module, os.path.join(root, "tonbrook.wasm"))
        server, url = serve(root)
        program_server, program_url = serve(site)  # the site as built, on an origin of its own
        browser, port = start_chromium(chromium, os.path.join(tmp, "profile"), pulse.env if recording else None)
        try:
            if not port:
                return skip("chromium could not start: " + browser)
            page = first_page(port, websocket)

            def open_page(target):
                return DevTools(f"ws://127.0.0.1:{port}/devtools/page/{target}", websocket)
            failures = check(page, url) + check_worklet(page, url)
            failures += check_program(page, program_url, open_page, screens, linux_ended, recording, loops)
        finally:
            if port:
                stop_chromium(browser)
            server.shutdown()
            program_server.shutdown()
            pulse.stop()
    for failure in failures:
        print(f"host_check: {failure}", file=sys.stderr)
    print("host_check: " + ("FAILED" if failures else "screen, stylus and keys reach the page and the module;"
                                 " the program's screens are the Linux build's"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
