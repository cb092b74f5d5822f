#!/usr/bin/python3
"""Draws Tonbrook's application icon and the six waveform pictures.

Writes tonbrook.ico (a 32 x 32 and a 16 x 16 image) and sine.bmp,
square.bmp, triangle.bmp, sawtooth.bmp, whitenoise.bmp and pinknoise.bmp
(48 x 25 each) next to this script. Every image is an uncompressed 4-bit DIB
with the standard 16-colour palette. It also writes the same icon for the
desktop's hicolor theme into ../dist/icons/hicolor: PNG images drawn at 16,
24, 32, 48, 64, 128 and 256 pixels (16 and 32 are the .ico's images) and a
scalable SVG of the 32-pixel drawing. The output is committed; the build only
compiles and installs it. Run again after changing a drawing:
/usr/bin/python3 draw_pictures.py [RES-DIR DIST-ICON-DIR] (the defaults are
this script's folder and ../dist/icons/hicolor).
"""

import math
import os
import random
import struct
import sys
import zlib

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

    def trace(self, ys, colour, thick, x0=0, pen=None):
        """Draws a trace through one row per column, starting at column x0;
        neighbouring columns are joined by a vertical run, so steps and
        drops become straight vertical strokes. thick pixels wide and high,
        as a cross of that size; a square pen of pen pixels instead, when
        given."""
        for i, y in enumerate(ys):
            x = x0 + i
            prev = ys[i - 1] if i else y
            lo, hi = min(prev, y), max(prev, y)
            for yy in range(lo, hi + 1):
                for d in range(thick):
                    self.plot(x, yy + d, colour)
                    self.plot(x + d, yy, colour)
                for dx in range(pen or 0):
                    for dy in range(pen):
                        self.plot(x + dx, yy + dy, colour)

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


# The icon sizes of the hicolor theme, and how each is drawn: the frame's
# width, the sawtooth's teeth and the traces' thickness in pixels. 16 and 32
# are the images of tonbrook.ico.
ICON_SIZES = {16: (1, 4, 1), 24: (1, 4, 1), 32: (2, 3, 1), 48: (3, 3, 2),
              64: (4, 3, 2), 128: (8, 3, 4), 256: (16, 3, 8)}


class IconDesign:
    """Where the icon's two traces run at one size: the sawtooth's and the
    square wave's row for every column inside the frame, unrounded. A trace
    keeps one stroke width clear of the frame and of the middle."""

    def __init__(self, size, border, teeth, thick=1):
        self.size, self.border, self.thick = size, border, thick
        self.x0 = border
        inner = size - 2 * border
        columns = inner - (thick - 1)
        upper_top, upper_bottom = border + thick, size // 2 - 2 * thick
        period = inner / teeth
        self.saw = [upper_bottom - (upper_bottom - upper_top) * ((x % period) / (period - 1))
                    for x in range(columns)]
        self.saw_starts = [x for x in range(columns) if x and x % period < (x - 1) % period]
        lower_top, lower_bottom = size // 2 + thick, size - border - 2 * thick
        half = inner / 4
        self.square = [lower_top if int(x // half) % 2 == 0 else lower_bottom for x in range(columns)]


def icon(size, border, teeth, thick=1):
    """Black field in a dark-red frame; a rising sawtooth across the upper
    half and a square wave across the lower half, in bright green."""
    design = IconDesign(size, border, teeth, thick)
    c = Canvas(size, size, BLACK)
    c.frame(border, DARK_RED)
    c.trace([round(y) for y in design.saw], GREEN, 1, design.x0, pen=thick)
    c.trace(design.square, GREEN, 1, design.x0, pen=thick)
    return c


def write_png(path, canvas):
    """An 8-bit RGB PNG of the canvas, the same bytes on every run."""
    raw = b"".join(b"\0" + bytes(v for c in row for v in PALETTE[c]) for row in canvas.rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def corners(points):
    """The points through pixel centres where a trace changes direction:
    repeated points and points on the straight line between their
    neighbours are left out."""
    kept = []
    for p in points:
        if kept and kept[-1] == p:
            continue
        if len(kept) >= 2:
            (ax, ay), (bx, by) = kept[-2], kept[-1]
            if abs((bx - ax) * (p[1] - ay) - (by - ay) * (p[0] - ax)) < 1e-9:
                kept[-1] = p
                continue
        kept.append(p)
    return [(round(x + 0.5, 4), round(y + 0.5, 4)) for x, y in kept]


def strokes(traces, level):
    """SVG path data with every straight piece of the traces as a line of
    its own: the level (horizontal or vertical) ones when level is true,
    else the slanted ones."""
    pieces = []
    for points in traces:
        for (ax, ay), (bx, by) in zip(points, points[1:]):
            if (ax == bx or ay == by) == level:
                pieces.append("M%g,%g L%g,%g" % (ax, ay, bx, by))
    return " ".join(pieces)


def icon_svg(size, border, teeth):
    """The icon as lines: the frame, the sawtooth's straight ramps with a
    vertical drop in the first column of each tooth, the square wave's
    edges; the same geometry as the pixel drawing at this size. Every piece
    is a line of its own, so no renderer has to join two of them (the
    miter joins of ImageMagick's own renderer draw stray lines across an
    open trace): level pieces end in square caps, which meet as the pixel
    drawing's square corners, and the ramps end flat inside the level
    pieces they meet."""
    d = IconDesign(size, border, teeth)
    saw = []
    for x, y in enumerate(d.saw):
        if x in d.saw_starts:
            saw.append((d.x0 + x, d.saw[x - 1]))
        saw.append((d.x0 + x, y))
    square = []
    for x, y in enumerate(d.square):
        if x and y != d.square[x - 1]:
            square.append((d.x0 + x, d.square[x - 1]))
        square.append((d.x0 + x, y))
    traces = [corners(saw), corners(square)]
    red = "#%02x%02x%02x" % PALETTE[DARK_RED]
    green = "#%02x%02x%02x" % PALETTE[GREEN]
    return (
        '<svg xmlns="http://www.w3.org/2000/svg" width="{s}" height="{s}" viewBox="0 0 {s} {s}">\n'
        '  <rect width="{s}" height="{s}" fill="#000000"/>\n'
        '  <rect x="{h:g}" y="{h:g}" width="{w}" height="{w}" fill="none" stroke="{red}" stroke-width="{b}"/>\n'
        '  <path fill="none" stroke="{green}" stroke-width="1" stroke-linecap="square" d="{level}"/>\n'
        '  <path fill="none" stroke="{green}" stroke-width="1" stroke-linecap="butt" d="{ramps}"/>\n'
        '</svg>\n').format(s=size, h=border / 2, w=size - border, b=border, red=red, green=green,
                           level=strokes(traces, True), ramps=strokes(traces, False))


def write_theme_icons(theme):
    """The hicolor theme's PNG images and the scalable SVG."""
    for size, (border, teeth, thick) in ICON_SIZES.items():
        folder = os.path.join(theme, "%dx%d" % (size, size), "apps")
        os.makedirs(folder, exist_ok=True)
        write_png(os.path.join(folder, "tonbrook.png"), icon(size, border, teeth, thick))
    folder = os.path.join(theme, "scalable", "apps")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "tonbrook.svg"), "w") as f:
        f.write(icon_svg(32, *ICON_SIZES[32][:2]))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    res_dir, theme = (sys.argv[1:3] if len(sys.argv) == 3
                      else (here, os.path.join(here, "..", "dist", "icons", "hicolor")))
    for name, draw in (("sine", sine), ("square", square), ("triangle", triangle),
                       ("sawtooth", sawtooth), ("whitenoise", white_noise),
                       ("pinknoise", pink_noise)):
        write_bmp(os.path.join(res_dir, name + ".bmp"), draw())
    write_ico(os.path.join(res_dir, "tonbrook.ico"),
              [icon(32, *ICON_SIZES[32]), icon(16, *ICON_SIZES[16])], [744, 296])
    write_theme_icons(theme)


if __name__ == "__main__":
    main()
