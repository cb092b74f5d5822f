#!/usr/bin/env python3
"""The committed pictures are what res/draw_pictures.py draws.

Usage: check_pictures.py SOURCE-DIR OUT-DIR
Runs the script into OUT-DIR and compares every file it writes, byte for
byte, with the committed one: the resource icon and bitmaps in res/ and the
desktop theme's icons in dist/icons/hicolor. A drawing changed without
running the script, or a committed file edited by hand, fails.
"""
import filecmp
import os
import shutil
import subprocess
import sys


def main():
    source, out = sys.argv[1:3]
    shutil.rmtree(out, ignore_errors=True)
    res_out, theme_out = os.path.join(out, "res"), os.path.join(out, "hicolor")
    os.makedirs(res_out)
    subprocess.run([sys.executable, os.path.join(source, "res", "draw_pictures.py"), res_out, theme_out],
                   check=True)
    pairs = [(os.path.join(res_out, f), os.path.join(source, "res", f)) for f in os.listdir(res_out)]
    for folder, _, files in os.walk(theme_out):
        for f in files:
            drawn = os.path.join(folder, f)
            rel = os.path.relpath(drawn, theme_out)
            pairs.append((drawn, os.path.join(source, "dist", "icons", "hicolor", rel)))
    stale = [committed for drawn, committed in pairs
             if not os.path.exists(committed) or not filecmp.cmp(drawn, committed, shallow=False)]
    if len(pairs) < 15 or stale:
        print("FAIL: %d drawn; not as committed: %s" % (len(pairs), ", ".join(stale)))
        sys.exit(1)
    print("ok: the %d committed pictures are the script's" % len(pairs))


if __name__ == "__main__":
    main()
