"""HPGL peer: hp2xx, asked for its own HPGL output.

`hp2xx -t -m hpgl` plays the file (IN, IP/SC scaling, rotation, relative
moves, polygon mode, labels drawn with its stroke font, PE decoding) and
writes what it would plot as absolute PU/PD moves in plotter units, 1016
per inch. With -n it leaves fill hatching out: fills are not compared, only
the lines a plotter's pen draws along.

hp2xx moves its output so that the lower left corner of the coordinate
range is at 0, 0: the range is therefore preset (-x -X -y -Y) to
+-RANGE plotter units around the origin and the offset taken off again.
Under rotation (RO) hp2xx ignores the preset and its output keeps only the
picture's shape and size: such a reading is marked unplaced, and the
comparison puts its box corner on ours.
"""

import os
import re
import subprocess

import core
from core import Drawing

NAME = "hp2xx"
PLOTTER_UNITS_PER_INCH = 1016.0
TIMEOUT_S = 120
RANGE = 1000000.0


class Failed(Exception):
    pass


def read(path, tmp):
    out = os.path.join(tmp, "peer.hpgl")
    try:
        p = subprocess.run(["hp2xx", "-q", "-n", "-t", "-m", "hpgl", "-x", "%d" % -RANGE, "-X", "%d" % RANGE,
                            "-y", "%d" % -RANGE, "-Y", "%d" % RANGE, "-f", out, path], stdin=subprocess.DEVNULL,
                           capture_output=True, text=True, errors="replace", timeout=TIMEOUT_S)
    except subprocess.TimeoutExpired:
        raise Failed("hp2xx timed out")
    except FileNotFoundError:
        raise Failed("hp2xx is not installed (scripts/setup.sh fidelity)")
    if p.returncode != 0 or not os.path.exists(out):
        raise Failed("hp2xx exit %d: %s" % (p.returncode, p.stderr.strip()[-200:]))
    with open(out, encoding="latin-1") as f:
        text = f.read()
    d = parse(text, RANGE)
    b = core.box(d)
    if b and max(abs(v) for v in b) > RANGE / PLOTTER_UNITS_PER_INCH / 2:
        d = parse(text)  # the preset was ignored
        d.unplaced = True
        d.notes.append("hp2xx gave no position (RO): placed on our box corner")
    if "error in PE data" in p.stderr:
        d.notes.append("hp2xx reported PE decoding errors")
    return d


def parse(text, offset=0.0):
    """Absolute PU/PD moves (hp2xx's output), plotter units, less offset."""
    d = Drawing()
    k = 1.0 / PLOTTER_UNITS_PER_INCH
    x = y = 0.0
    path = []
    for cmd in text.split(";"):
        cmd = cmd.strip()
        op, args = cmd[:2].upper(), cmd[2:]
        if op not in ("PU", "PD"):
            continue
        nums = [float(v) for v in re.findall(r"[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?", args)]
        if op == "PU":
            if len(path) > 1:
                d.add_path(path)
            path = []
            if len(nums) >= 2:
                x, y = (nums[-2] - offset) * k, (nums[-1] - offset) * k
        else:
            if not path:
                path = [(x, y)]
            for i in range(0, len(nums) - 1, 2):
                x, y = (nums[i] - offset) * k, (nums[i + 1] - offset) * k
                path.append((x, y))
    if len(path) > 1:
        d.add_path(path)
    return d
