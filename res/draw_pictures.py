#!/usr/bin/python3
"""Draws Tonbrook's application icon and the six waveform pictures.

Writes tonbrook.ico (a 32 x 32 and a 16 x 16 image) and sine.bmp,
square.bmp, triangle.bmp, sawtooth.bmp, whitenoise.bmp and pinknoise.bmp
(48 x 25 each) next to this script. Every image is an uncompressed 4-bit DIB
with the standard 16-colour palette. The output is committed; the build only
compiles it. Run again after changing a drawing: /usr/bin/python3 draw_pictures.py
"""

import math
import os
import random
import struct

# The 16 colours of the VGA set, in palette order, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, GREY, GREEN = 0, 1, 8, 10

PIC_W, PIC_H = 48, 25
MID = PIC_H // 2  # row 12, the mid-height line
TOP, BOTTOM = 1, PIC_H - 3  # a two-pixel trace between rows 1 and 23


class Canvas:
    """A grid of palette indices, row 0 at the top."""

    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.rows = [[colour] * width for _ in range(height)]

    def plot(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = colour

    def trace(self, ys, colour, thick, x0=0):
        """Draws a trace through one row per column, starting at column x0;
        neighbouring columns are joined by a vertical run, so steps and
        drops become straight vertical strokes. thick pixels wide and high."""
        for i, y in enumerate(ys):
            x = x0 + i
            prev = ys[i - 1] if i else y
            lo, hi = min(prev, y), max(prev, y)
            for yy in range(lo, hi + 1):
                for d in range(thick):
                    self.plot(x, yy + d, colour)
                    self.plot(x + d, yy, colour)

    def frame(self, width, colour):
        for y in range(self.height):
            for x in range(self.width):
                if (x < width or y < width or x >= self.width - width
                        or y >= self.height - width):
                    self.rows[y][x] = colour


def pixel_rows(canvas):
    """The 4-bit pixel rows bottom-up, each padded to a 32-bit boundary."""
    stride = (canvas.width * 4 + 31) // 32 * 4
    out = bytearray()
    for row in reversed(canvas.rows):
        packed = bytearray(stride)
        for x, c in enumerate(row):
            packed[x // 2] |= c << (4 if x % 2 == 0 else 0)
        out += packed
    return bytes(out)


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def info_header(width, height, image_bytes):
    """BITMAPINFOHEADER: 4 bits per pixel, BI_RGB, all 16 colours used."""
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0,
                       image_bytes, 0, 0, 16, 16)


def write_bmp(path, canvas):
    bits = pixel_rows(canvas)
    dib = info_header(canvas.width, canvas.height, len(bits)) + palette_bytes() + bits
    assert len(dib) == 704, len(dib)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(dib), 0, 0, 14 + 40 + 64)
    with open(path, "wb") as f:
        f.write(file_header + dib)


def icon_image(canvas):
    """An icon image: the header's height counts the colour rows and the
    mask rows; the mask is all zero, so every pixel is opaque."""
    bits = pixel_rows(canvas)
    mask_stride = (canvas.width + 31) // 32 * 4
    mask = bytes(mask_stride * canvas.height)
    return (info_header(canvas.width, canvas.height * 2, len(bits) + len(mask))
            + palette_bytes() + bits + mask)


def write_ico(path, canvases, sizes):
    images = [icon_image(c) for c in canvases]
    assert [len(i) for i in images] == sizes, [len(i) for i in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for c, img in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.width, c.height, 16, 0, 1, 4,
                           len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(path, "wb") as f:
        f.write(out)


def level(v):
    """Row of a signal value in [-1, 1] (1 at the top)."""
    return round(MID - v * (MID - TOP))


def picture(ys):
    c = Canvas(PIC_W, PIC_H, GREY)
    c.trace([min(max(y, TOP), BOTTOM) for y in ys], GREEN, 2)
    return c


def sine():
    return picture([level(math.sin(2 * math.pi * x / 28)) for x in range(PIC_W)])


def span(x):
    """Column x on a 48-unit cycle whose end falls on the last column, so a
    trace that returns to mid-height reaches it at the right edge."""
    return x * PIC_W / (PIC_W - 1)


def triangle():
    def v(t):
        if t <= 12:
            return t / 12
        if t <= 36:
            return 1 - 2 * (t - 12) / 24
        return -1 + (t - 36) / 12
    return picture([level(v(span(x))) for x in range(PIC_W)])


def sawtooth():
    # Rising ramps of period 24 with drops at x 12 and x 36; phase 0 is
    # mid-height, so the trace starts and ends there.
    return picture([level(((span(x) + 12) % 24) / 12 - 1) for x in range(PIC_W)])


def square():
    return picture([MID] + [TOP] * 23 + [BOTTOM] * 22 + [MID] * 2)


def through(points):
    """One row per column along straight lines between (x, row) points."""
    ys = []
    for (xa, ya), (xb, yb) in zip(points, points[1:]):
        ys += [round(ya + (yb - ya) * (x - xa) / (xb - xa)) for x in range(xa, xb)]
    return ys + [points[-1][1]]


def white_noise():
    # A spiky zigzag: a new level every three columns, each far from the
    # last, so that the strokes cover nearly the full height.
    rng = random.Random(4)
    points = [(0, MID)]
    while points[-1][0] < PIC_W - 1:
        y = rng.randint(TOP, BOTTOM)
        if abs(y - points[-1][1]) >= 9:
            points.append((min(points[-1][0] + 3, PIC_W - 1), y))
    return picture(through(points))


def pink_noise():
    # A sum of a few slow random-phase sines: rounded, wandering excursions.
    rng = random.Random(7)
    parts = [(rng.uniform(0, 2 * math.pi), period, amp)
             for period, amp in ((40, 0.30), (17, 0.25), (9, 0.15), (5, 0.08))]
    return picture([level(sum(a * math.sin(p + 2 * math.pi * x / per)
                              for p, per, a in parts)) for x in range(PIC_W)])


def icon(size, border, teeth):
    """Black field in a dark-red frame; a rising sawtooth across the upper
    half and a square wave across the lower half, in bright green."""
    c = Canvas(size, size, BLACK)
    c.frame(border, DARK_RED)
    inner = size - 2 * border
    x0 = border
    upper_top, upper_bottom = border + 1, size // 2 - 2
    period = inner / teeth
    saw = [round(upper_bottom - (upper_bottom - upper_top) * ((x % period) / (period - 1)))
           for x in range(inner)]
    c.trace(saw, GREEN, 1, x0)
    lower_top, lower_bottom = size // 2 + 1, size - border - 2
    half = inner / 4
    sq = [lower_top if int(x // half) % 2 == 0 else lower_bottom for x in range(inner)]
    c.trace(sq, GREEN, 1, x0)
    return c


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, draw in (("sine", sine), ("square", square), ("triangle", triangle),
                       ("sawtooth", sawtooth), ("whitenoise", white_noise),
                       ("pinknoise", pink_noise)):
        write_bmp(os.path.join(here, name + ".bmp"), draw())
    write_ico(os.path.join(here, "tonbrook.ico"),
              [icon(32, 2, 3), icon(16, 1, 4)], [744, 296])


if __name__ == "__main__":
    main()
