"""Our reading of a file, through kalvex-cli.

read() is the one place that knows how our geometry is got: today the
drawing is converted to DXF (millimetres; polylines, lines, circles, arcs)
and, when it has flashes, which the DXF writer leaves out, also to Gerber
(flash centres, thousandths of an inch). Element counts come from
`kalvex-cli info`.
"""

import math
import os
import re
import subprocess
import tempfile

import strip
from core import Drawing

TIMEOUT_S = 300
MM = 1 / 25.4
# Arcs and circles are flattened with at most this angle per chord.
ARC_STEP_RAD = math.radians(2.0)


class Failed(Exception):
    pass


def find_cli(root):
    """kalvex-cli: $KALVEX_CLI, else build/run, else build/release."""
    if os.environ.get("KALVEX_CLI"):
        return os.environ["KALVEX_CLI"]
    for build in ("build/run", "build/release"):
        path = os.path.join(root, build, "cli", "kalvex-cli")
        if os.access(path, os.X_OK):
            return path
    raise SystemExit("fidelity: no kalvex-cli in build/run or build/release (make fidelity builds it)")


def _run(cli, args):
    try:
        p = subprocess.run([cli] + args, capture_output=True, text=True, timeout=TIMEOUT_S,
                           env=dict(os.environ, LC_ALL="C"))
    except subprocess.TimeoutExpired:
        raise Failed("timed out after %d s" % TIMEOUT_S)
    if p.returncode != 0:
        lines = (p.stderr.strip() or "exit %d" % p.returncode).splitlines()
        raise Failed(lines[-1] if p.returncode > 0 else "killed by signal %d" % -p.returncode)
    return p.stdout


# Knife files are read in hundredths of an inch, as the cutter programs that
# write them count (KALVEX_CUTTER_UNITS=1000 for thousandths).
CUTTER_UNITS = os.environ.get("KALVEX_CUTTER_UNITS", "100")


def _counts(cli, kind_args, path):
    counts = {}
    for line in _run(cli, ["info"] + kind_args + [path]).splitlines():
        m = re.match(r"\s*([a-z ]+?):?\s+(\d+)$", line)
        if m:
            counts[m.group(1)] = int(m.group(2))
    return counts


def read(cli, path, kind):
    """(Drawing in inches, element counts by kind {name: n, 'elements': n}).

    The counts are of the whole file; the drawing leaves out what the peer
    of the kind leaves out (strip.py)."""
    if kind == "gerber-cutter":
        kind_args = ["--from", kind, "--cutter-units", CUTTER_UNITS]
    else:
        kind_args = ["--from", kind]
    counts = _counts(cli, kind_args, path)
    d = Drawing()
    if counts.get("elements", 0) == 0:
        return d, counts
    with tempfile.TemporaryDirectory(prefix="fidelity-") as tmp:
        if kind in ("dxf", "wmf"):
            copy = os.path.join(tmp, "compared." + kind)
            left_out = (strip.dxf if kind == "dxf" else strip.wmf)(path, copy)
            if left_out:
                d.notes.append("%d texts%s left out as by the peer" % (left_out, " and points" if kind == "dxf" else ""))
                path = copy
                if _counts(cli, kind_args, path).get("elements", 0) == 0:
                    return d, counts
        dxf = os.path.join(tmp, "ours.dxf")
        _run(cli, ["convert"] + kind_args + ["--to", "dxf", path, dxf])
        with open(dxf, encoding="latin-1") as f:
            parse_dxf(f.read(), d)
        if counts.get("flash"):
            gbr = os.path.join(tmp, "ours.gbr")
            _run(cli, ["convert"] + kind_args + ["--to", "gerber", path, gbr])
            with open(gbr, encoding="latin-1") as f:
                parse_flashes(f.read(), d)
    if counts.get("thick polyline"):
        d.notes.append("%d thick polylines not compared (no DXF form)" % counts["thick polyline"])
    return d, counts


# ---- our DXF writer's output -------------------------------------------------

def arc_points(cx, cy, r, a1, a2):
    """Counter-clockwise from a1 to a2 (radians), a full turn when a2 == a1 + 2 pi."""
    if a2 <= a1:
        a2 += 2 * math.pi
    n = max(2, int(math.ceil((a2 - a1) / ARC_STEP_RAD)))
    return [(cx + r * math.cos(a1 + (a2 - a1) * i / n), cy + r * math.sin(a1 + (a2 - a1) * i / n))
            for i in range(n + 1)]


def parse_dxf(text, d):
    """POLYLINE/VERTEX/SEQEND, LINE, CIRCLE, ARC of an ENTITIES section, in mm."""
    lines = text.splitlines()
    pairs = [(lines[i].strip(), lines[i + 1].strip()) for i in range(0, len(lines) - 1, 2)]
    entity, groups, vertices, closed = None, {}, None, False

    def finish():
        nonlocal vertices
        g = {k: float(v) for k, v in groups.items() if k in ("10", "20", "11", "21", "40", "50", "51")}
        if entity == "VERTEX" and vertices is not None:
            vertices.append((g.get("10", 0.0) * MM, g.get("20", 0.0) * MM))
        elif entity == "SEQEND" and vertices is not None:
            d.add_path(vertices, closed)
            vertices = None
        elif entity == "LINE":
            d.add_path([(g["10"] * MM, g["20"] * MM), (g["11"] * MM, g["21"] * MM)])
        elif entity == "CIRCLE":
            d.add_path(arc_points(g["10"] * MM, g["20"] * MM, g["40"] * MM, 0.0, 2 * math.pi))
        elif entity == "ARC":
            d.add_path(arc_points(g["10"] * MM, g["20"] * MM, g["40"] * MM, math.radians(g["50"]),
                                  math.radians(g["51"])))

    for code, value in pairs:
        if code == "0":
            finish()
            entity, groups = value, {}
            if entity == "POLYLINE":
                vertices, closed = [], False
        else:
            groups[code] = value
            if entity == "POLYLINE" and code == "70":
                closed = int(value) & 1 == 1
    finish()


def parse_flashes(text, d):
    """Flash centres (D03) of our Gerber writer's output, thousandths of an inch."""
    for m in re.finditer(r"X(-?\d+)Y(-?\d+)D03\*", text):
        d.add_dot(int(m.group(1)) / 1000.0, int(m.group(2)) / 1000.0)
