#!/usr/bin/python3
"""Random input for Tonbrook in a real X window.

Usage: monkey.py TONBROOK OUT-DIR [--events N] [--seed S]

Runs Tonbrook under Xvfb and gives it N random events from a generator
seeded with S: taps, holds and drags of the stylus (mostly on the controls,
the menu bar and its pop-up, the caption's ok; some anywhere, some dragged
off the window), keys with and without Ctrl, Ctrl+A, and now and then a way
out, Ctrl+Q or File, Exit. Whenever Tonbrook ends it is started again; at
the end it is closed. Every run must end with status 0 and without a
sanitizer report on standard error, and every close must end it (no hang).
Standard error of the run that failed is kept in OUT-DIR/monkey-stderr.txt.
The same seed gives the same events; the timing of their handling may
differ. Exits with 77 (skipped) when Xvfb, xdotool or xwd is missing.
"""
import argparse
import os
import random
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "desktop"))
import desktop_test as desk  # noqa: E402

SCALE = 2
WIDTH, HEIGHT = 240, 320

# Screen rectangles worth hitting (left, top, right, bottom).
TARGETS = [
    (5, 42, 84, 66), (5, 83, 84, 107), (5, 124, 84, 148),       # Sine, Triangle, Sawtooth
    (5, 165, 84, 189), (5, 206, 84, 230), (5, 247, 84, 271),    # Square, White, Pink Noise
    (150, 206, 229, 271),                                       # PLAY
    (150, 124, 213, 148),                                       # the frequency box
    (213, 124, 229, 136), (213, 136, 229, 148),                 # up and down arrows
    (0, 294, 60, 320),                                          # File on the menu bar
    (0, 240, 100, 294),                                         # its pop-up
    (215, 0, 240, 26),                                          # the caption's ok
]
FILE_BUTTON = (20, 307)
EXIT_ITEM = (20, 283)
CAPTION_OK = (225, 13)
KEYS = ["a", "b", "q", "x", "z", "0", "1", "5", "9", "Left", "Right", "Up", "Down", "Home", "End",
        "Delete", "BackSpace", "Return", "KP_Enter", "Escape", "space", "Tab", "F1", "F4", "Prior",
        "Next", "Insert", "KP_5", "Caps_Lock", "shift+a", "ctrl+b", "ctrl+z", "ctrl+Up", "ctrl+Return"]
SANITIZER_MARKS = ("Sanitizer", "runtime error:", "SUMMARY:")


class Monkey:
    def __init__(self, program, out, seed, env):
        self.program = program
        self.out = out
        self.rng = random.Random(seed)
        self.env = env
        self.proc = None
        self.origin = (0, 0)
        self.stderr_path = os.path.join(out, "monkey-stderr.txt")
        self.runs = 0
        self.exits = 0

    # The program.

    def start(self):
        self.stderr = open(self.stderr_path, "w")
        self.proc, wid = desk.start_tonbrook(self.program, self.env, stderr=self.stderr)
        self.runs += 1
        self.origin = desk.geometry(self.env, wid)[:2]
        subprocess.run(["xdotool", "windowfocus", "--sync", wid], env=self.env, timeout=30)

    def check_end(self, code, why):
        """A run that ended: status 0 and a clean standard error, else the test fails."""
        self.stderr.close()
        with open(self.stderr_path, errors="replace") as f:
            report = [line for line in f if any(mark in line for mark in SANITIZER_MARKS)]
        if report:
            desk.fail("sanitizer report in run %d (%s): %s; see %s" % (self.runs, why, report[0].strip(),
                                                                     self.stderr_path))
        if code != 0:
            desk.fail("run %d ended with status %d (%s); see %s" % (self.runs, code, why, self.stderr_path))
        self.proc = None
        self.exits += 1

    def ended(self, seconds):
        """Whether the program ended within the time (checked as above)."""
        try:
            code = self.proc.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            return False
        self.check_end(code, "after random input")
        return True

    def close(self):
        """Ends the program the way a user would: closes the About box or the menu, then Ctrl+Q."""
        for _ in range(3):
            self.send([self.tap(*CAPTION_OK), ["sleep", "0.3"], self.tap(*CAPTION_OK), ["sleep", "0.3"],
                       ["key", "Escape", "ctrl+q"]])
            if self.ended(20):
                return
        desk.fail("run %d: Tonbrook does not end after Ctrl+Q (hung?); see %s" % (self.runs, self.stderr_path))

    # The input, as xdotool commands.

    def at(self, x, y):
        return [str(self.origin[0] + x * SCALE + 1), str(self.origin[1] + y * SCALE + 1)]

    def tap(self, x, y):
        return ["mousemove"] + self.at(x, y) + ["mousedown", "1", "mouseup", "1"]

    def point(self):
        """A screen point: mostly on something, sometimes anywhere."""
        if self.rng.random() < 0.2:
            return self.rng.randrange(WIDTH), self.rng.randrange(HEIGHT)
        left, top, right, bottom = self.rng.choice(TARGETS)
        return self.rng.randrange(left, right), self.rng.randrange(top, bottom)

    def event(self):
        """One random event: (xdotool arguments, whether it is meant to end the program)."""
        r = self.rng.random()
        if r < 0.40:
            return self.tap(*self.point()), False
        if r < 0.45:
            # Now and then long enough for the arrows' faster steps.
            hold = "%.2f" % (4.5 if self.rng.random() < 0.01 else self.rng.choice([0.05, 0.1, 0.25]))
            return ["mousemove"] + self.at(*self.point()) + ["mousedown", "1", "sleep", hold, "mouseup", "1"], False
        if r < 0.55:
            x, y = self.point()
            args = ["mousemove"] + self.at(x, y) + ["mousedown", "1"]
            for _ in range(self.rng.randrange(1, 6)):
                # Some drags leave the window: the release goes where the mouse is.
                x += self.rng.randrange(-60, 61)
                y += self.rng.randrange(-60, 61)
                args += ["sleep", "0.01", "mousemove"] + self.at(x, y)
            return args + ["mouseup", "1"], False
        if r < 0.88:
            return ["key", "--delay", "0", self.rng.choice(KEYS)], False
        if r < 0.93:
            return ["key", "--delay", "0", "ctrl+a"], False
        if r < 0.994:
            return self.tap(*FILE_BUTTON) + ["sleep", "0.02"] + self.tap(*self.point()), False
        if r < 0.997:
            return ["key", "--delay", "0", "ctrl+q"], True
        return self.tap(*FILE_BUTTON) + ["sleep", "0.02"] + self.tap(*EXIT_ITEM), True

    def send(self, commands):
        """Gives the events one after another; the program takes them from its queue in order."""
        args = ["xdotool"]
        for command in commands:
            args += command
        subprocess.run(args, env=self.env, timeout=120, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def run(self, events):
        """Plays the events in batches that end after a way out; restarts the program whenever it ended."""
        left = events
        while left > 0:
            if self.proc is None:
                self.start()
            batch, meant_to_end = [], False
            while left > 0 and len(batch) < 20 and not meant_to_end:
                command, meant_to_end = self.event()
                batch.append(command)
                left -= 1
            self.send(batch)
            # A way out may not end it (the About box is up): then it goes on.
            self.ended(3 if meant_to_end else 0.05)
        if self.proc is not None:
            self.close()


def main():
    parser = argparse.ArgumentParser(description="Random input for Tonbrook under Xvfb.")
    parser.add_argument("program")
    parser.add_argument("out")
    parser.add_argument("--events", type=int, default=3000)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    desk.require_x_tools()
    server, display = desk.start_xvfb()
    monkey = None
    started = time.monotonic()
    try:
        with tempfile.TemporaryDirectory(prefix="tonbrook-xdg-") as runtime:
            env = desk.x11_env(display, SDL_AUDIODRIVER="dummy", XDG_RUNTIME_DIR=runtime)
            monkey = Monkey(args.program, args.out, args.seed, env)
            monkey.run(args.events)
        print("ok: seed %d, %d events, %d runs, every one ended with status 0 and no sanitizer report (%.0f s)"
              % (args.seed, args.events, monkey.runs, time.monotonic() - started))
    finally:
        if monkey:
            desk.stop(monkey.proc)
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()
