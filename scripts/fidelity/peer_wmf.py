"""Windows metafile peer: Inkscape's metafile import, saved as plain SVG.

libwmf (wmf2svg, wmf2fig, wmf2eps) fits every picture to its own page and
loses the metafile's size, so it cannot tell whether a reader kept the
placeable header's units. Inkscape places the picture at its size: user
units are CSS pixels, 96 per inch, y down, and the page is the placeable
header's frame. Here y is turned up within that frame (y_up = page height -
y), the picture's top staying at the top. Texts (<text>) are left out;
paths, polygons, lines, rectangles and ellipses give their outlines.
"""

import math
import os
import re
import subprocess
import xml.etree.ElementTree as ET

from core import Drawing

NAME = "inkscape"
TIMEOUT_S = 120
PX_PER_INCH = 96.0
CURVE_STEPS = 16
UNIT_INCH = {"px": 1 / 96.0, "": 1 / 96.0, "pt": 1 / 72.0, "pc": 1 / 6.0, "mm": 1 / 25.4, "cm": 1 / 2.54, "in": 1.0}
SKIP = {"text", "defs", "pattern", "clipPath", "mask", "image", "metadata", "title", "desc", "style", "symbol"}


class Failed(Exception):
    pass


def read(path, tmp):
    out = os.path.join(tmp, "peer.svg")
    env = dict(os.environ, HOME=tmp, XDG_CONFIG_HOME=tmp, XDG_CACHE_HOME=tmp)
    try:
        p = subprocess.run(["inkscape", "--export-type=svg", "--export-plain-svg", "-o", out, path],
                           stdin=subprocess.DEVNULL, capture_output=True, text=True, errors="replace",
                           timeout=TIMEOUT_S, env=env)
    except subprocess.TimeoutExpired:
        raise Failed("inkscape timed out")
    except FileNotFoundError:
        raise Failed("inkscape is not installed (scripts/setup.sh fidelity)")
    if p.returncode != 0 or not os.path.exists(out):
        why = [l for l in p.stderr.splitlines() if "open" in l.lower() or "error" in l.lower()]
        raise Failed("inkscape could not import it: " + (why[-1].strip() if why else "exit %d" % p.returncode))
    return parse_svg(out)


def length_inch(text):
    m = re.match(r"\s*([-+\d.eE]+)\s*([a-z%]*)", text or "")
    if not m or m.group(2) not in UNIT_INCH:
        return None
    return float(m.group(1)) * UNIT_INCH[m.group(2)]


def parse_svg(path):
    root = ET.parse(path).getroot()
    height = length_inch(root.get("height"))
    view = root.get("viewBox")
    k = 1 / PX_PER_INCH
    if view and root.get("width"):
        vb = [float(v) for v in re.split(r"[\s,]+", view.strip())]
        k = length_inch(root.get("width")) / vb[2]
        top = vb[1]
    else:
        top = 0.0
    if height is None:
        raise Failed("SVG without a height")
    d = Drawing()
    skipped = {"texts": 0}

    def emit(points, closed, m):
        pts = [apply(m, x, y) for x, y in points]
        d.add_path([(x * k, height - (y - top) * k) for x, y in pts], closed)

    def visit(node, m):
        tag = node.tag.split("}")[-1]
        if tag in SKIP:
            skipped["texts"] += tag == "text"
            return
        m = multiply(m, transform(node.get("transform", "")))
        for points, closed in shapes(tag, node):
            emit(points, closed, m)
        for child in node:
            visit(child, m)

    visit(root, (1, 0, 0, 1, 0, 0))
    if skipped["texts"]:
        d.notes.append("%d texts left out" % skipped["texts"])
    return d


# ---- transforms ------------------------------------------------------------

def multiply(a, b):
    return (a[0] * b[0] + a[2] * b[1], a[1] * b[0] + a[3] * b[1], a[0] * b[2] + a[2] * b[3],
            a[1] * b[2] + a[3] * b[3], a[0] * b[4] + a[2] * b[5] + a[4], a[1] * b[4] + a[3] * b[5] + a[5])


def apply(m, x, y):
    return m[0] * x + m[2] * y + m[4], m[1] * x + m[3] * y + m[5]


def transform(text):
    m = (1, 0, 0, 1, 0, 0)
    for name, args in re.findall(r"(\w+)\s*\(([^)]*)\)", text):
        v = [float(a) for a in re.split(r"[\s,]+", args.strip()) if a]
        if name == "matrix" and len(v) == 6:
            t = tuple(v)
        elif name == "translate":
            t = (1, 0, 0, 1, v[0], v[1] if len(v) > 1 else 0)
        elif name == "scale":
            t = (v[0], 0, 0, v[1] if len(v) > 1 else v[0], 0, 0)
        elif name == "rotate":
            a = math.radians(v[0])
            t = (math.cos(a), math.sin(a), -math.sin(a), math.cos(a), 0, 0)
            if len(v) == 3:
                t = multiply(multiply((1, 0, 0, 1, v[1], v[2]), t), (1, 0, 0, 1, -v[1], -v[2]))
        else:
            continue
        m = multiply(m, t)
    return m


# ---- shapes ----------------------------------------------------------------

def numbers(text):
    return [float(v) for v in re.findall(r"[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?", text or "")]


def shapes(tag, node):
    """[(points, closed)] of one element."""
    f = lambda name: float(node.get(name, 0) or 0)  # noqa: E731
    if tag == "path":
        return path_points(node.get("d", ""))
    if tag in ("polygon", "polyline"):
        v = numbers(node.get("points"))
        return [(list(zip(v[0::2], v[1::2])), tag == "polygon")]
    if tag == "line":
        return [([(f("x1"), f("y1")), (f("x2"), f("y2"))], False)]
    if tag == "rect":
        x, y, w, h = f("x"), f("y"), f("width"), f("height")
        return [([(x, y), (x + w, y), (x + w, y + h), (x, y + h)], True)]
    if tag in ("circle", "ellipse"):
        rx = f("r") if tag == "circle" else f("rx")
        ry = f("r") if tag == "circle" else f("ry")
        n = 72
        return [([(f("cx") + rx * math.cos(2 * math.pi * i / n), f("cy") + ry * math.sin(2 * math.pi * i / n))
                  for i in range(n)], True)]
    return []


def path_points(d):
    tokens = re.findall(r"[MmLlHhVvCcSsQqTtAaZz]|[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?", d)
    out, pts = [], []
    x = y = sx = sy = 0.0
    cmd, i, last_ctrl = None, 0, None

    def take(n):
        nonlocal i
        v = [float(t) for t in tokens[i:i + n]]
        i += n
        return v

    while i < len(tokens):
        if tokens[i].isalpha():
            cmd = tokens[i]
            i += 1
            if cmd in "Zz":
                if pts:
                    out.append((pts, True))
                x, y = sx, sy
                pts = [(x, y)]
                continue
        if cmd is None:
            break
        rel = cmd.islower()
        c = cmd.upper()
        ox, oy = (x, y) if rel else (0.0, 0.0)
        if c == "M":
            if len(pts) > 1:
                out.append((pts, False))
            x, y = [a + b for a, b in zip(take(2), (ox, oy))]
            sx, sy, pts = x, y, [(x, y)]
            cmd = "l" if rel else "L"
            continue
        if c == "L":
            x, y = [a + b for a, b in zip(take(2), (ox, oy))]
        elif c == "H":
            x = take(1)[0] + ox
        elif c == "V":
            y = take(1)[0] + oy
        elif c in "CSQT":
            n = {"C": 6, "S": 4, "Q": 4, "T": 2}[c]
            v = take(n)
            v = [a + (ox if j % 2 == 0 else oy) for j, a in enumerate(v)]
            if c in "ST":
                rx, ry = (2 * x - last_ctrl[0], 2 * y - last_ctrl[1]) if last_ctrl else (x, y)
                v = [rx, ry] + v
            ctrl = [(x, y)] + list(zip(v[0::2], v[1::2]))
            for s in range(1, CURVE_STEPS + 1):
                pts.append(bezier(ctrl, s / CURVE_STEPS))
            x, y = ctrl[-1]
            last_ctrl = ctrl[-2]
            continue
        elif c == "A":
            v = take(7)
            pts += arc_points(x, y, v[0], v[1], v[2], v[3], v[4], v[5] + ox, v[6] + oy)
            x, y = v[5] + ox, v[6] + oy
        last_ctrl = None
        pts.append((x, y))
    if len(pts) > 1:
        out.append((pts, False))
    return out


def bezier(ctrl, t):
    pts = list(ctrl)
    while len(pts) > 1:
        pts = [((1 - t) * a[0] + t * b[0], (1 - t) * a[1] + t * b[1]) for a, b in zip(pts, pts[1:])]
    return pts[0]


def arc_points(x0, y0, rx, ry, phi_deg, large, sweep, x1, y1):
    """SVG's endpoint arc, flattened (its end point excluded)."""
    if rx == 0 or ry == 0:
        return []
    phi = math.radians(phi_deg)
    c, s = math.cos(phi), math.sin(phi)
    dx, dy = (x0 - x1) / 2, (y0 - y1) / 2
    xp, yp = c * dx + s * dy, -s * dx + c * dy
    rx, ry = abs(rx), abs(ry)
    lam = xp * xp / (rx * rx) + yp * yp / (ry * ry)
    if lam > 1:
        rx, ry = rx * math.sqrt(lam), ry * math.sqrt(lam)
    num = rx * rx * ry * ry - rx * rx * yp * yp - ry * ry * xp * xp
    coef = math.sqrt(max(0.0, num / (rx * rx * yp * yp + ry * ry * xp * xp))) * (-1 if large == sweep else 1)
    cxp, cyp = coef * rx * yp / ry, -coef * ry * xp / rx
    cx, cy = c * cxp - s * cyp + (x0 + x1) / 2, s * cxp + c * cyp + (y0 + y1) / 2
    a0 = math.atan2((yp - cyp) / ry, (xp - cxp) / rx)
    a1 = math.atan2((-yp - cyp) / ry, (-xp - cxp) / rx)
    delta = a1 - a0
    if sweep and delta < 0:
        delta += 2 * math.pi
    elif not sweep and delta > 0:
        delta -= 2 * math.pi
    n = max(2, int(abs(delta) / math.radians(5)))
    return [(cx + rx * math.cos(a0 + delta * i / n) * c - ry * math.sin(a0 + delta * i / n) * s,
             cy + rx * math.cos(a0 + delta * i / n) * s + ry * math.sin(a0 + delta * i / n) * c) for i in range(1, n)]
