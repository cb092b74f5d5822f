#!/usr/bin/python3
"""Measures Tonbrook in headless Chromium, in one run: the time from
navigation to the first frame drawn, and the processor time while a sine
plays, by Chromium's process (the renderer, which runs the page and its
AudioWorklet, the audio service, the browser and the rest), beside two
floors in the same Chromium: a bare page whose AudioWorklet plays a sine
and does nothing else, and a blank page. Chromium plays into a PulseAudio
null sink of the script's own, as in the site's check. Processor time is
read from every thread's scheduler statistics, so it counts in
nanoseconds. Benchmarks measure; nothing here fails on time.

Usage: bench/web_bench.py [SITE] [--seconds S] [--runs N]
SITE is the site `make web` builds, build-web/site by default.
"""
import argparse
import os
import shutil
import statistics
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "web", "check"))
import host_check  # noqa: E402

FLOOR_PAGE = """<!DOCTYPE html>
<title>floor</title>
<script type="module">
const context = new AudioContext({ sampleRate: 44100 });
await context.audioWorklet.addModule('sine.js');
new AudioWorkletNode(context, 'sine', { outputChannelCount: [1] }).connect(context.destination);
await context.resume();
</script>
"""
FLOOR_WORKLET = """registerProcessor('sine', class extends AudioWorkletProcessor {
  constructor() {
    super();
    this.phase = 0;
  }

  process(inputs, outputs) {
    const out = outputs[0][0];
    for (let i = 0; i < out.length; i++) {
      out[i] = 0.5 * Math.sin(this.phase);
      this.phase = (this.phase + 2 * Math.PI * 501 / sampleRate) % (2 * Math.PI);
    }
    return true;
  }
});
"""
SINE, PLAY = (40, 53), (189, 237)
# Seconds a page is left before it is measured: V8 compiles the module's
# hot functions again, optimised, in the background for some seconds.
SETTLE = 10


def tree(root):
    """The processes under root (itself too), by pid: what Chromium calls
    each (its --type, a utility's service, the browser for root); the
    renderer runs the page and its AudioWorklet."""
    parents = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    parents[int(entry)] = int(f.read().rsplit(")", 1)[1].split()[1])
            except (FileNotFoundError, ProcessLookupError):
                pass
    found, names = [root], {}
    for pid in found:
        found += [child for child, parent in parents.items() if parent == pid]
    for pid in found:
        try:
            with open(f"/proc/{pid}/cmdline") as f:
                args = f.read().replace("\0", " ").split()
        except FileNotFoundError:
            continue
        kind = next((a.split("=", 1)[1] for a in args if a.startswith("--type=")), "browser")
        sub = next((a.split("=", 1)[1].split(".")[0] for a in args if a.startswith("--utility-sub-type=")), "")
        names[pid] = sub.lower() if kind == "utility" else kind
    return names


def busy(pid):
    """Nanoseconds the threads of pid have run so far."""
    total = 0
    try:
        for tid in os.listdir(f"/proc/{pid}/task"):
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                total += int(f.read().split()[0])
    except (FileNotFoundError, ProcessLookupError):
        pass
    return total


def cpu(root, seconds, runs):
    """Medians over runs windows of seconds: the percentage of one core that
    Chromium's processes took, by name and in all."""
    windows = []
    for _ in range(runs):
        names = tree(root)
        before, start = {pid: busy(pid) for pid in names}, time.monotonic()
        time.sleep(seconds)
        after, spent = {pid: busy(pid) for pid in names}, time.monotonic() - start
        shares = {}
        for pid, name in names.items():
            shares[name] = shares.get(name, 0) + (after[pid] - before[pid]) / 1e7 / spent
        shares["all"] = sum(shares.values())
        windows.append(shares)
    return {name: statistics.median(w.get(name, 0) for w in windows) for name in windows[-1]}


def first_frames(page, url, runs):
    """Milliseconds from navigation to Tonbrook's first frame: the first
    visit, then the median of runs reloads (from the service worker)."""
    times = []
    for n in range(runs + 1):
        page.call("Page.navigate", url=url) if n == 0 else page.call("Page.reload")
        time.sleep(0.5)
        mark = "performance.getEntriesByName('tonbrook-first-frame').map((e) => e.startTime)[0]"
        end = time.monotonic() + 15
        while page.evaluate(mark) is None and time.monotonic() < end:
            time.sleep(0.05)
        times.append(page.evaluate(mark))
        page.evaluate("navigator.serviceWorker.ready.then(() => true)")
    return times[0], statistics.median(times[1:])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("site", nargs="?", default=os.path.join(HERE, "..", "build-web", "site"))
    parser.add_argument("--seconds", type=float, default=4.0)
    parser.add_argument("--runs", type=int, default=5)
    options = parser.parse_args()
    import websocket
    with tempfile.TemporaryDirectory() as tmp:
        floor = os.path.join(tmp, "floor")
        os.makedirs(floor)
        for name, text in (("index.html", FLOOR_PAGE), ("sine.js", FLOOR_WORKLET)):
            with open(os.path.join(floor, name), "w") as f:
                f.write(text)
        pulse = host_check.desk.Pulse(os.path.join(tmp, "pulse"))
        if not pulse.start():
            sys.exit("web_bench: PulseAudio does not start here")
        site_server, site_url = host_check.serve(options.site)
        floor_server, floor_url = host_check.serve(floor)
        browser, port = host_check.start_chromium(shutil.which("chromium"), os.path.join(tmp, "profile"), pulse.env)
        try:
            if not port:
                sys.exit("web_bench: chromium could not start: " + browser)
            page = host_check.first_page(port, websocket)
            page.call("Emulation.setDeviceMetricsOverride", width=host_check.WINDOW[0],
                      height=host_check.WINDOW[1], deviceScaleFactor=1, mobile=False)
            time.sleep(SETTLE)
            figures = {"a blank page": cpu(browser.pid, options.seconds, options.runs)}
            page.call("Page.navigate", url=floor_url)
            time.sleep(SETTLE)
            figures["a bare AudioWorklet playing a sine"] = cpu(browser.pid, options.seconds, options.runs)
            first, again = first_frames(page, site_url, options.runs)
            print(f"navigation to the first frame: {first:.0f} ms on the first visit, median of {options.runs} "
                  f"reloads {again:.0f} ms")
            time.sleep(SETTLE)
            figures["Tonbrook stopped"] = cpu(browser.pid, options.seconds, options.runs)
            for point in (SINE, PLAY):
                host_check.tap(page, *point)
            time.sleep(SETTLE)
            figures["Tonbrook playing a sine"] = cpu(browser.pid, options.seconds, options.runs)
        finally:
            if port:
                host_check.stop_chromium(browser)
            site_server.shutdown()
            floor_server.shutdown()
            pulse.stop()
    playing = figures["Tonbrook playing a sine"]
    names = sorted({name for shares in figures.values() for name in shares},
                   key=lambda name: (name == "all", -playing.get(name, 0)))
    print(f"percent of one core, medians of {options.runs} windows of {options.seconds:g} s:")
    print("%-36s" % "" + "".join("%13s" % name[:12] for name in names))
    for what, shares in figures.items():
        print("%-36s" % what + "".join("%13.2f" % shares.get(name, 0) for name in names))


if __name__ == "__main__":
    main()
