"""Gerber peer: gerbv, asked to write the image it read back as RS-274X.

`gerbv -x rs274x` plays the file (format, units, macros, step and repeat,
arcs, regions, polarity) and writes one plain operation per block in a
format it states (%MO, %FS). This module reads that output back as centre
lines and flash centres: draws (D01) as lines, arcs flattened, region
(G36/G37) boundaries as lines, flashes (D03) as dots. Aperture shapes and
sizes are not compared: our reader keeps draws as lines with a width and
flashes as points, and RS-274X files give no width to it without a table.
Clear (LPC) features are drawn like dark ones.
"""

import math
import os
import re
import subprocess

from core import Drawing

NAME = "gerbv"
TIMEOUT_S = 120
ARC_STEP_RAD = math.radians(2.0)
BLOCK = re.compile(r"%[^%]*%|[^*%]*\*")
WORD = re.compile(r"([GDXYIJM])([-+]?\d+)")


class Failed(Exception):
    pass


def read(path, tmp):
    out = os.path.join(tmp, "peer.gbx")
    try:
        p = subprocess.run(["gerbv", "-x", "rs274x", "-o", out, path], stdin=subprocess.DEVNULL, capture_output=True,
                           text=True, errors="replace", timeout=TIMEOUT_S)
    except subprocess.TimeoutExpired:
        raise Failed("gerbv timed out")
    except FileNotFoundError:
        raise Failed("gerbv is not installed (scripts/setup.sh fidelity)")
    if p.returncode != 0 or not os.path.exists(out):
        raise Failed("gerbv exit %d: %s" % (p.returncode, p.stderr.strip()[-200:]))
    with open(out, encoding="latin-1") as f:
        d = parse(f.read())
    for warning in ("RS-274D", "Undefined handling of zeros", "Unknown RS-274X extension"):
        if warning in p.stderr:
            d.notes.append("gerbv warned: " + warning)
    return d


class Format:
    def __init__(self):
        self.inch_per_unit = 1.0  # %MO
        self.trailing = False
        self.incremental = False
        self.decimals = (6, 6)
        self.integers = (3, 3)

    def value(self, digits, axis):
        """A coordinate word's digits to inches."""
        sign = -1 if digits.startswith("-") else 1
        digits = digits.lstrip("+-")
        i = 0 if axis == "X" else 1
        if self.trailing:
            digits = digits.ljust(self.integers[i] + self.decimals[i], "0")
        return sign * int(digits) / 10 ** self.decimals[i] * self.inch_per_unit


def arc(x0, y0, x1, y1, cx, cy, clockwise):
    r = math.hypot(x0 - cx, y0 - cy)
    a0, a1 = math.atan2(y0 - cy, x0 - cx), math.atan2(y1 - cy, x1 - cx)
    if clockwise:
        while a1 >= a0 - 1e-12:
            a1 -= 2 * math.pi
    else:
        while a1 <= a0 + 1e-12:
            a1 += 2 * math.pi
    n = max(1, int(math.ceil(abs(a1 - a0) / ARC_STEP_RAD)))
    return [(cx + r * math.cos(a0 + (a1 - a0) * i / n), cy + r * math.sin(a0 + (a1 - a0) * i / n))
            for i in range(1, n)] + [(x1, y1)]


def parse(text):
    """RS-274X as gerbv writes it (also plainer files): inches out."""
    d = Drawing()
    fmt = Format()
    x = y = 0.0
    motion, multi_quadrant, last_op = 1, True, 1
    path = []

    def flush():
        nonlocal path
        if len(path) > 1:
            d.add_path(path)
        path = []

    for block in BLOCK.findall(text.replace("\r", "").replace("\n", "")):
        if block.startswith("%"):
            body = block.strip("%*")
            if body.startswith("MO"):
                fmt.inch_per_unit = 1 / 25.4 if body[2:4] == "MM" else 1.0
            elif body.startswith("FS"):
                m = re.match(r"FS([LTD]?)([AI]?).*X(\d)(\d)Y(\d)(\d)", body)
                if m:
                    fmt.trailing = m.group(1) == "T"
                    fmt.incremental = m.group(2) == "I"
                    fmt.integers = (int(m.group(3)), int(m.group(5)))
                    fmt.decimals = (int(m.group(4)), int(m.group(6)))
            continue
        if block.startswith("G04"):
            continue
        words = WORD.findall(block)
        values = {}
        op = None
        for letter, digits in words:
            if letter == "G":
                g = int(digits)
                if g in (1, 2, 3):
                    motion = g
                elif g == 74:
                    multi_quadrant = False
                elif g == 75:
                    multi_quadrant = True
                elif g in (36, 37):
                    flush()
            elif letter == "D":
                n = int(digits)
                if n in (1, 2, 3):
                    op = n
                else:
                    flush()  # aperture change
            elif letter in "XYIJ":
                values[letter] = fmt.value(digits, "Y" if letter in "YJ" else "X")
            elif letter == "M" and int(digits) in (0, 2):
                flush()
                return d
        if op is None and ("X" in values or "Y" in values):
            op = last_op  # a coordinate block repeats the last operation
        elif op is not None:
            last_op = op
        if fmt.incremental:
            nx, ny = x + values.get("X", 0.0), y + values.get("Y", 0.0)
        else:
            nx, ny = values.get("X", x), values.get("Y", y)
        if op == 1:
            if not path:
                path = [(x, y)]
            if motion in (2, 3) and ("I" in values or "J" in values):
                i, j = values.get("I", 0.0), values.get("J", 0.0)
                if multi_quadrant:
                    path += arc(x, y, nx, ny, x + i, y + j, motion == 2)
                else:
                    path += single_quadrant(x, y, nx, ny, abs(i), abs(j), motion == 2)
            else:
                path.append((nx, ny))
        elif op == 2:
            flush()
        elif op == 3:
            flush()
            d.add_dot(nx, ny)
        x, y = nx, ny
    flush()
    return d


def single_quadrant(x0, y0, x1, y1, i, j, clockwise):
    """G74: the centre is the one of the four sign choices that makes an arc
    of at most 90 degrees with equal radii."""
    best = None
    for sx in (1, -1):
        for sy in (1, -1):
            cx, cy = x0 + sx * i, y0 + sy * j
            r0, r1 = math.hypot(x0 - cx, y0 - cy), math.hypot(x1 - cx, y1 - cy)
            a0, a1 = math.atan2(y0 - cy, x0 - cx), math.atan2(y1 - cy, x1 - cx)
            sweep = (a0 - a1) if clockwise else (a1 - a0)
            sweep %= 2 * math.pi
            if sweep <= math.pi / 2 + 1e-9:
                score = abs(r0 - r1)
                if best is None or score < best[0]:
                    best = (score, cx, cy)
    if best is None:
        return [(x1, y1)]
    return arc(x0, y0, x1, y1, best[1], best[2], clockwise)
