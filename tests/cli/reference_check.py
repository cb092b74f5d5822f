#!/usr/bin/python3
"""Checks tonbrook-render against a second, independent rendering.

Every waveform is rendered here again from its definition, in numpy's
single-precision scalars and Python's doubles, and compared sample for sample
with what the tool writes, on dimensions that the other tests do not use.
Usage: reference_check.py PATH-TO-tonbrook-render
"""
import math
import os
import struct
import subprocess
import sys
import tempfile

import numpy as np

f32 = np.float32
NAN = f32("nan")


def bits(x):
    return struct.unpack("<I", struct.pack("<f", float(x)))[0]


TWO_PI = f32(6.283185)
WHITE_SCALE = f32(3.0518509447574615e-05)
assert bits(TWO_PI) == 0x40C90FDA
assert bits(WHITE_SCALE) == 0x38000100


def trunc(v, if_nan=0):
    v = float(v)
    if v != v:
        return if_nan
    if v >= 2.0**31:
        return 2**31 - 1
    if v <= -(2.0**31) - 1:
        return -(2**31)
    return int(v)


def low16(n):
    n &= 0xFFFF
    return n - 0x10000 if n >= 0x8000 else n


def wrap32(n):
    return ((n + 2**31) % 2**32) - 2**31


def snap(rate, length, hz):
    a = f32(length) * f32(hz)
    k = max(trunc(f32(trunc(a)) / f32(rate)), 1)
    return f32(wrap32(rate * k)) / f32(length)


def lcg(seed):
    state = seed & 0xFFFFFFFF
    while True:
        state = (state * 214013 + 2531011) & 0xFFFFFFFF
        yield (state >> 16) & 0x7FFF


def phase(i, omega, hz):
    return (f32(i) * omega) * hz


def fraction(j, d):
    return NAN if d == 0 else f32(j) / d


def sine(n, omega, hz):
    return [trunc(math.sin(float(phase(i, omega, hz))) * 32750.0) for i in range(n)]


def square(n, omega, hz):
    return [-32750 if math.sin(float(phase(i, omega, hz))) < 0.0 else 32750 for i in range(n)]


def tent(out, a, b, positive):
    length = b - a
    if length <= 0:
        return
    h = (length + 1) // 2
    d = f32(h - 1)
    peak = 32760 if positive else -32760
    for j in range(h):
        q = fraction(j, d)
        out[a + j] = trunc(q * f32(32760.0) if positive else q * f32(-32760.0), peak)
    for j in range(b - (a + h)):
        q = fraction(j, d)
        if positive:
            out[a + h + j] = trunc((1.0 - float(q)) * 32760.0, peak)
        else:
            out[a + h + j] = trunc((q - f32(1.0)) * f32(32760.0), peak)


def triangle(n, omega, hz):
    out = [None] * n
    state, a = 1, 0
    for i in range(n):
        s = f32(math.sin(float(phase(i, omega, hz))))
        if s < 0 and state == 1:
            tent(out, a, i, True)
            state, a = -1, i
        elif i == n - 1 or (s > 0 and state == -1):
            tent(out, a, i, False)
            state, a = 1, i
    if n:
        out[a] = 0
    return out


def sawtooth(n, omega, hz):
    out = [None] * n
    state, a = 1, 0
    for i in range(n):
        s = f32(math.sin(float(phase(i, omega, hz))))
        if i == n - 1 or (s < 0 and state == 1):
            d = f32(i - a - 1)
            for j in range(i - a):
                out[a + j] = trunc(fraction(j, d) * f32(65520.0) - f32(32760.0), -32760)
            state, a = -1, i
        elif s > 0 and state == -1:
            state = 1
    if n:
        out[a] = -32760
    return out


def impulse(n):
    return [32760 if i == 0 else 0 for i in range(n)]


def sweep(n, omega, nyquist):
    i0 = ((n * 7) & 0xFFFFFFFF) >> 3
    out = [0] * n
    for i in range(i0, n):
        t = f32(i - i0)
        f = ((nyquist - f32(100.0)) * t) / f32(n - i0) + f32(100.0)
        out[i] = trunc(math.sin(float((f * t) * omega)) * 32750.0)
    return out


def white(n, tick):
    r = lcg(tick)
    return [trunc((0.5 - float(f32(next(r)) * WHITE_SCALE)) * 32760.0) for _ in range(n)]


PINK = [(0.99886, 0.0555179), (0.99332, 0.0750759), (0.969, 0.153852), (0.8665, 0.3104856), (0.55, 0.5329522)]


def pink(n, tick):
    r = lcg(tick)
    b = [f32(0.0)] * 5
    b5 = f32(0.0)
    out = []
    for _ in range(n):
        w = f32(float(f32(next(r))) * 3.0518509475997192e-06 - 0.05)
        b = [f32(float(bk) * c + float(w) * g) for bk, (c, g) in zip(b, PINK)]
        b5 = f32(float(b5) * -0.7616 - float(w) * 0.016898)
        s = f32(float(w) * 0.115926) + b5 + b[4] + b[3] + b[2] + b[1] + b[0]
        p = f32(float(s) + float(w) * 0.5362)
        out.append(trunc(p * f32(32760.0)))
    return out


def reference(code, hz, rate, length, tick):
    omega = TWO_PI / f32(rate)
    f = snap(rate, length, hz)
    table = {
        1: lambda: impulse(length),
        2: lambda: sweep(length, omega, f32(rate * 0.5)),
        3: lambda: sine(length, omega, f),
        4: lambda: white(length, tick),
        5: lambda: sawtooth(length, omega, f),
        6: lambda: square(length, omega, f),
        7: lambda: pink(length, tick),
        9: lambda: triangle(length, omega, f),
    }
    return [low16(v) for v in table[code]()]


CASES = [
    ("sine", 3, 1234.5, 48000, 6000),
    ("square", 6, 7777, 44100, 2048),
    ("triangle", 9, 9000, 44100, 8192),
    ("triangle", 9, 13331, 32000, 1500),
    ("sawtooth", 5, 61, 11025, 4096),
    ("sawtooth", 5, 15000, 44100, 999),
    ("impulse", 1, 500, 22050, 300),
    ("sweep", 2, 500, 96000, 12001),
    ("white", 4, 500, 44100, 4097),
    ("pink", 7, 500, 48000, 8192),
]


def main():
    tool = sys.argv[1]
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "x.raw")
        for name, code, hz, rate, length in CASES:
            tick = 4000000000 + length
            subprocess.run([tool, name, str(hz), "--rate", str(rate), "--length", str(length),
                            "--tick", str(tick), "--raw", "-q", "-o", out], check=True)
            with open(out, "rb") as fh:
                got = list(struct.unpack("<%dh" % length, fh.read()))
            want = reference(code, hz, rate, length, tick)
            bad = [i for i in range(length) if got[i] != want[i]]
            if bad:
                failures += 1
                i = bad[0]
                print(f"{name} {hz} Hz, {rate} Hz, {length} samples: {len(bad)} samples differ, "
                      f"first at {i}: got {got[i]}, want {want[i]}")
            else:
                print(f"{name} {hz} Hz, {rate} Hz, {length} samples: equal")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
