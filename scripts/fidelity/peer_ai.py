"""Illustrator peer: pstoedit over Ghostscript, gnuplot output.

Ghostscript runs the file as PostScript; that needs the Illustrator procset
(the operators m, l, c, f, S, ...) inside the file, as EPS-wrapped files
carry it. pstoedit's gnuplot driver writes every path Ghostscript painted,
filled or stroked, as a run of "x y" lines in PostScript points (1/72 in,
y up), curves flattened by Ghostscript; texts are left out (-dt is not
given). A path both filled and stroked (Illustrator's B and b) comes out
twice, once per painting; the second, the same points again, is dropped so
that pen-down lengths compare the path once.
"""

import os
import subprocess

from core import Drawing

NAME = "pstoedit"
TIMEOUT_S = 180
POINTS_PER_INCH = 72.0


class Failed(Exception):
    pass


def read(path, tmp):
    out = os.path.join(tmp, "peer.gp")
    try:
        p = subprocess.run(["pstoedit", "-q", "-f", "gnuplot", path, out], stdin=subprocess.DEVNULL,
                           capture_output=True, text=True, errors="replace", timeout=TIMEOUT_S, cwd=tmp)
    except subprocess.TimeoutExpired:
        raise Failed("pstoedit timed out")
    except FileNotFoundError:
        raise Failed("pstoedit is not installed (scripts/setup.sh fidelity)")
    text = open(out, encoding="latin-1").read() if os.path.exists(out) else ""
    if p.returncode != 0 or "interpreter seems to have failed" in p.stdout + p.stderr:
        errors = [l.strip() for l in (p.stdout + p.stderr).splitlines() if "Error" in l or "error" in l]
        raise Failed("ghostscript failed: " + (errors[0][:120] if errors else "exit %d" % p.returncode))
    return parse(text)


def parse(text):
    d = Drawing()
    k = 1 / POINTS_PER_INCH
    pts, last, twice = [], None, 0

    def add(p):
        nonlocal last, twice
        if p == last:
            twice += 1
        else:
            d.add_path(p)
        last = p

    for line in text.splitlines():
        parts = line.split()
        if len(parts) == 2 and not line.startswith("#"):
            try:
                pts.append((float(parts[0]) * k, float(parts[1]) * k))
                continue
            except ValueError:
                pass
        if pts:
            add(pts)
        pts = []
    if pts:
        add(pts)
    if twice:
        d.notes.append("%d paths painted twice (fill and stroke) counted once" % twice)
    return d
