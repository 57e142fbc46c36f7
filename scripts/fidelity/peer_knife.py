"""Knife (Gerber cloth-cutter) files: no program reads these, so this is a
small reader of our own, written from the files themselves, independent of
the product's reader.

The format: blocks end with '*'. "H1" starts the file, "M20" is followed by
a title block ("name/L=length/W=width", inches), "N<n>" numbers a piece,
"M14" lowers the knife (a cut starts where the knife is), "M15" raises it,
"X<x>Y<y>" moves, cutting while the knife is down, "G02"/"G03" with
"I<i>J<j>" cut clockwise/counter-clockwise arcs about the absolute centre
(i, j), "M0" ends the file. Coordinates are integers in hundredths of an
inch; a file whose title gives its size (L=, W=) in a way that matches
thousandths is read in thousandths.
"""

import math
import re

from core import Drawing

NAME = "own"
ARC_STEP_RAD = math.radians(2.0)
WORD = re.compile(r"([A-Z])([-+]?\d*)")


class Failed(Exception):
    pass


def read(path, tmp):
    with open(path, "rb") as f:
        text = f.read().decode("latin-1")
    return parse(text)


def units_per_inch(blocks, title):
    """100, unless the title's L=/W= sizes match the coordinates read as thousandths."""
    m = re.search(r"L=([\d.]+)/W=([\d.]+)", title or "")
    if not m:
        return 100.0, None
    size = (float(m.group(1)), float(m.group(2)))
    xs = [int(v) for b in blocks for v in re.findall(r"X([-+]?\d+)", b)]
    ys = [int(v) for b in blocks for v in re.findall(r"Y([-+]?\d+)", b)]
    if not xs or not ys or size[0] <= 0:
        return 100.0, None
    extent = (max(xs) - min(xs), max(ys) - min(ys))

    def miss(units):
        return abs(extent[0] / units - size[0]) / size[0]

    if miss(1000.0) < miss(100.0):
        return 1000.0, "title size %gx%g in: read in thousandths of an inch" % size
    return 100.0, None


def arc(x0, y0, x1, y1, cx, cy, clockwise):
    r = math.hypot(x0 - cx, y0 - cy)
    a0, a1 = math.atan2(y0 - cy, x0 - cx), math.atan2(y1 - cy, x1 - cx)
    if clockwise:
        while a1 >= a0:
            a1 -= 2 * math.pi
    else:
        while a1 <= a0:
            a1 += 2 * math.pi
    n = max(1, int(math.ceil(abs(a1 - a0) / ARC_STEP_RAD)))
    pts = [(cx + r * math.cos(a0 + (a1 - a0) * i / n), cy + r * math.sin(a0 + (a1 - a0) * i / n)) for i in range(1, n)]
    return pts + [(x1, y1)]


def parse(text):
    raw = [b.strip() for b in text.replace("\r", "").replace("\n", "").split("*")]
    blocks, title = [], None
    for i, b in enumerate(raw):
        if i > 0 and raw[i - 1] == "M20":
            title = b  # a title, not words
        else:
            blocks.append(b)
    units, note = units_per_inch(blocks, title)
    d = Drawing()
    if note:
        d.notes.append(note)
    x = y = 0
    down, motion = False, 1
    cut = []
    for b in blocks:
        words = WORD.findall(b)
        got = {letter: int(num) for letter, num in words if num not in ("", "+", "-")}
        for letter, num in words:
            if letter == "M" and num:
                m = int(num)
                if m == 14:
                    down, cut = True, [(x, y)]
                elif m == 15 or m == 0:
                    if len(cut) > 1:
                        d.add_path([(px / units, py / units) for px, py in cut])
                    down, cut = False, []
                    if m == 0:
                        return d
            elif letter == "G" and num and int(num) in (1, 2, 3):
                motion = int(num)
        if "X" in got or "Y" in got:
            nx, ny = got.get("X", x), got.get("Y", y)
            if down:
                if motion in (2, 3) and "I" in got and "J" in got:
                    cut += arc(x, y, nx, ny, got["I"], got["J"], motion == 2)
                else:
                    cut.append((nx, ny))
            x, y = nx, ny
    if len(cut) > 1:
        d.add_path([(px / units, py / units) for px, py in cut])
    return d
