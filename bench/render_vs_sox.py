#!/usr/bin/python3
"""Times tonbrook-render writing a 10-minute file against SoX, in one run.

Each signal is written as WAV and as raw samples to standard output (sent to
/dev/null) and compared with `sox -D -r 44100 -n -t raw ... - synth 600 ...`
making the same 16-bit mono samples at 44100 Hz, like for like: the rate
stands before -n, so SoX generates at 44100 Hz instead of resampling, and
-D turns off the dithering that tonbrook-render does not do either. Runs alternate between the tools;
the medians of wall-clock and CPU time (user + system) are printed with the
ratio SoX / tonbrook-render, and the goals: periodic waves 20 times faster,
white noise 10 times, pink noise 2.5 times. Benchmarks measure; nothing here
fails on time.

Usage: bench/render_vs_sox.py [TOOL] [--runs N] [--seconds S]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

SIGNALS = [  # name, tonbrook waveform, sox synth type, goal
    ("sine", "sine", "sine", 20.0),
    ("square", "square", "square", 20.0),
    ("white", "white", "whitenoise", 10.0),
    ("pink", "pink", "pinknoise", 2.5),
]


def measure(cmd):
    """Wall-clock and CPU seconds of one run, its output thrown away."""
    with open(os.devnull, "wb") as sink:
        start = time.perf_counter()
        proc = subprocess.Popen(cmd, stdout=sink, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(proc.pid, 0)
        wall = time.perf_counter() - start
    if status != 0:
        sys.exit("failed: %s" % " ".join(cmd))
    return wall, usage.ru_utime + usage.ru_stime


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser()
    ap.add_argument("tool", nargs="?", default=os.path.join(here, "..", "build", "tonbrook-render"))
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--seconds", type=int, default=600)
    a = ap.parse_args()
    if not shutil.which("sox"):
        sys.exit("sox is not installed")
    secs = str(a.seconds)
    print("%d runs of %s s at 44100 Hz; medians; ratio = SoX time / tonbrook-render time" % (a.runs, secs))
    print("%-7s %-4s %9s %9s %9s %9s %8s %8s %6s" %
          ("signal", "out", "tb wall", "sox wall", "tb cpu", "sox cpu", "wall x", "cpu x", "goal"))
    for name, waveform, synth, goal in SIGNALS:
        sox = ["sox", "-D", "-r", "44100", "-n", "-t", "raw", "-b", "16", "-e", "signed", "-c", "1", "-",
               "synth", secs, synth, "440"]
        for out, extra in (("wav", []), ("raw", ["--raw"])):
            tb = [a.tool, waveform, "440", "--seconds", secs, "-q", "-o", "-"] + extra
            tb_times, sox_times = [], []
            for _ in range(a.runs):
                tb_times.append(measure(tb))
                sox_times.append(measure(sox))
            tw = statistics.median(t[0] for t in tb_times)
            sw = statistics.median(t[0] for t in sox_times)
            tc = statistics.median(t[1] for t in tb_times)
            sc = statistics.median(t[1] for t in sox_times)
            print("%-7s %-4s %8.3fs %8.3fs %8.3fs %8.3fs %7.1fx %7.1fx %5.1fx" %
                  (name, out, tw, sw, tc, sc, sw / tw, sc / max(tc, 1e-3), goal), flush=True)


if __name__ == "__main__":
    main()
