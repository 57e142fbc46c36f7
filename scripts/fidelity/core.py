"""The comparison core: a reading's geometry, its measures, and how two
readings of one file are compared.

A reading is centre lines and dots in inches, y up. Widths are not kept:
every reader is compared on where its lines run, not on how thick they are.

Measures of one pair (ours, peer):
  box      largest difference of the four box sides, divided by the larger
           of the two box diagonals (0 = same box)
  length   our pen-down length divided by the peer's
  overlap  both readings drawn into one raster over the union box,
           RASTER_PX on the long side, lines LINE_PX wide, dots DOT_PX
           across; cover(A, B) = |A and dilate(B, DILATE_PX)| / |A|, the
           share of A's inked pixels that lie within DILATE_PX pixels of B;
           overlap = min(cover(ours, peer), cover(peer, ours)).
           The dilation forgives the pixel a thin line may fall on either
           side of; the minimum makes missing parts and extra parts count
           alike.
  dots     flashes (Gerber) and other single points are also counted: the counts
           must agree within DOTS_GOAL, as a missing pad hardly shows in
           the raster when a trace ends on it.
"""

import math

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

RASTER_PX = 512
LINE_PX = 2
DOT_PX = 3
DILATE_PX = 2
MARGIN_PX = 4

# A pair agrees when all three hold.
BOX_GOAL = 0.01
OVERLAP_GOAL = 0.9
LENGTH_GOAL = 0.05  # |length ratio - 1|
DOTS_GOAL = 0.05  # |ours - peer| / the larger count


class Drawing:
    """Centre lines (lists of (x, y) points) and dots, in inches, y up."""

    def __init__(self):
        self.paths = []
        self.dots = []
        self.notes = []  # what the reading left out or assumed, for the report
        self.unplaced = False  # shape and size only: the peer could not give a position

    def add_path(self, points, closed=False):
        pts = [(float(x), float(y)) for x, y in points]
        if closed and len(pts) > 1 and pts[0] != pts[-1]:
            pts.append(pts[0])
        if len(pts) == 1:
            self.dots.append(pts[0])
        elif pts:
            self.paths.append(pts)

    def add_dot(self, x, y):
        self.dots.append((float(x), float(y)))

    def empty(self):
        return not self.paths and not self.dots

    def transformed(self, fn):
        """A copy with every point mapped through fn(x, y) -> (x, y)."""
        d = Drawing()
        d.paths = [[fn(x, y) for x, y in p] for p in self.paths]
        d.dots = [fn(x, y) for x, y in self.dots]
        d.notes = list(self.notes)
        return d


def box(d):
    """(xmin, ymin, xmax, ymax), or None for an empty drawing."""
    xs = [x for p in d.paths for x, _ in p] + [x for x, _ in d.dots]
    ys = [y for p in d.paths for _, y in p] + [y for _, y in d.dots]
    if not xs:
        return None
    return (min(xs), min(ys), max(xs), max(ys))


def length(d):
    total = 0.0
    for p in d.paths:
        a = np.asarray(p)
        total += float(np.hypot(*np.diff(a, axis=0).T).sum())
    return total


def diagonal(b):
    return math.hypot(b[2] - b[0], b[3] - b[1])


def box_difference(a, b):
    scale = max(diagonal(a), diagonal(b))
    worst = max(abs(u - v) for u, v in zip(a, b))
    if scale == 0.0:
        return 0.0 if worst == 0.0 else math.inf
    return worst / scale


def union_box(a, b):
    return (min(a[0], b[0]), min(a[1], b[1]), max(a[2], b[2]), max(a[3], b[3]))


class Frame:
    """Inches to pixels over a box: the long side gets `long_px` pixels."""

    def __init__(self, b, long_px=RASTER_PX):
        span = max(b[2] - b[0], b[3] - b[1])
        if span <= 0.0:
            span = 1.0
        self.k = long_px / span
        self.x0, self.y0 = b[0], b[1]
        self.w = int(math.ceil((b[2] - b[0]) * self.k)) + 2 * MARGIN_PX + 1
        self.h = int(math.ceil((b[3] - b[1]) * self.k)) + 2 * MARGIN_PX + 1

    def px(self, x, y):
        # y up in the drawing, down in the image
        return (MARGIN_PX + (x - self.x0) * self.k, self.h - 1 - MARGIN_PX - (y - self.y0) * self.k)


def draw(d, frame, image=None, colour=255):
    """Draws a reading into a greyscale image (a new one unless given)."""
    if image is None:
        image = Image.new("L", (frame.w, frame.h), 0)
    pen = ImageDraw.Draw(image)
    for p in d.paths:
        pen.line([frame.px(x, y) for x, y in p], fill=colour, width=LINE_PX)
    r = DOT_PX / 2.0
    for x, y in d.dots:
        cx, cy = frame.px(x, y)
        pen.ellipse((cx - r, cy - r, cx + r, cy + r), fill=colour)
    return image


def inked(image):
    return np.asarray(image) > 0


def cover(a, b_dilated):
    """Share of a's inked pixels that b (already dilated) covers."""
    n = int(a.sum())
    return 1.0 if n == 0 else float((a & b_dilated).sum()) / n


def dilate(image):
    return image.filter(ImageFilter.MaxFilter(2 * DILATE_PX + 1))


def overlap(ours, peer, b):
    """(overlap, cover(ours, peer), cover(peer, ours)) over the box b."""
    f = Frame(b)
    io, ip = draw(ours, f), draw(peer, f)
    o_in_p = cover(inked(io), inked(dilate(ip)))
    p_in_o = cover(inked(ip), inked(dilate(io)))
    return min(o_in_p, p_in_o), o_in_p, p_in_o


class Result:
    def __init__(self):
        self.box = None
        self.length = None
        self.overlap = None
        self.ours_in_peer = None
        self.peer_in_ours = None
        self.note = ""
        self.peer = None  # the peer's reading as compared (placed)
        self.dots = (0, 0)  # (ours, peer)

    def dots_agree(self):
        return abs(self.dots[0] - self.dots[1]) <= DOTS_GOAL * max(self.dots)

    def agrees(self):
        return (self.box is not None and self.box <= BOX_GOAL and self.overlap >= OVERLAP_GOAL
                and self.length is not None and abs(self.length - 1.0) <= LENGTH_GOAL and self.dots_agree())


def compare(ours, peer):
    """Measures of a pair of non-empty readings, with a hint at the cause of
    a disagreement."""
    r = measure(ours, peer)
    if not r.agrees():
        r.note = diagnose(ours, peer, r)
    return r


def measure(ours, peer):
    r = Result()
    bo, bp = box(ours), box(peer)
    if peer.unplaced:
        peer = peer.transformed(lambda x, y: (x - bp[0] + bo[0], y - bp[1] + bo[1]))
        bp = box(peer)
    r.box = box_difference(bo, bp)
    lp = length(peer)
    r.length = length(ours) / lp if lp > 0 else (1.0 if length(ours) == 0 else math.inf)
    r.overlap, r.ours_in_peer, r.peer_in_ours = overlap(ours, peer, union_box(bo, bp))
    r.peer = peer
    r.dots = (len(ours.dots), len(peer.dots))
    return r


# ---- hints -----------------------------------------------------------------

# Factors a wrong unit typically gives (ours / peer).
_UNIT_FACTORS = [(10.0, "x10"), (0.1, "x0.1"), (25.4, "x25.4 (mm read as in?)"),
                 (1 / 25.4, "x1/25.4 (in read as mm?)"), (2.54, "x2.54"), (1 / 2.54, "x1/2.54"),
                 (100.0, "x100"), (0.01, "x0.01"), (1000.0, "x1000"), (0.001, "x0.001"),
                 (1016 / 1000.0, "x1.016 (plotter units vs thousandths?)"),
                 (1000 / 1016.0, "x0.984 (thousandths vs plotter units?)"), (72.0, "x72"), (1 / 72.0, "x1/72")]


def _size(b):
    return b[2] - b[0], b[3] - b[1]


def _near(a, b, tol=0.02):
    return abs(a - b) <= tol * max(abs(a), abs(b), 1e-12)


def diagnose(ours, peer, r):
    peer = r.peer  # as placed for the comparison
    bo, bp = box(ours), box(peer)
    (wo, ho), (wp, hp) = _size(bo), _size(bp)
    hints = []
    sizes_agree = _near(wo, wp) and _near(ho, hp)
    if not sizes_agree:
        unit = _unit_hint(ours, peer, wo / wp if wp else 0, ho / hp if hp else 0, r.length)
        if unit:
            hints.append(unit)
        elif wp > 0 and hp > 0 and _near(wo / wp, ho / hp, 0.05):
            hints.append("scale x%.3g" % (wo / wp))
        elif _near(wo, hp) and _near(ho, wp):
            hints.append("rotated 90?")
    if sizes_agree and r.box > BOX_GOAL:
        hints.append("shifted (%+.3g, %+.3g) in" % (bo[0] - bp[0], bo[1] - bp[1]))
    if sizes_agree and r.overlap < OVERLAP_GOAL:
        mirrored = _mirror_hint(ours, peer, bo)
        if mirrored:
            hints.append(mirrored)
    if r.overlap < OVERLAP_GOAL and not hints:
        if r.ours_in_peer >= OVERLAP_GOAL > r.peer_in_ours:
            hints.append("ours lacks parts of the peer's")
        elif r.peer_in_ours >= OVERLAP_GOAL > r.ours_in_peer:
            hints.append("ours has lines the peer has not")
    if r.length is not None and not hints and abs(r.length - 1) > LENGTH_GOAL:
        hints.append("ours shorter" if r.length < 1 else "ours longer")
    if not r.dots_agree():
        hints.append("dots (flashes): ours %d, peer %d" % r.dots)
    return "; ".join(hints)


def _unit_hint(ours, peer, kx, ky, k_length):
    """A unit factor that the box sizes or the lengths show and that makes
    ours cover the peer when taken off (about the origin, as a unit is)."""
    for k, name in _UNIT_FACTORS:
        tol = 0.005 if _near(k, 1.0, 0.05) else 0.05
        if (_near(kx, k, tol) and _near(ky, k, tol)) or (k_length and _near(k_length, k, tol)):
            fixed = measure(ours.transformed(lambda x, y: (x / k, y / k)), peer)
            if fixed.overlap >= OVERLAP_GOAL or fixed.box <= BOX_GOAL:
                return "scale %s (ours / %.4g: box %.2f%%, overlap %.2f)" % (name, k, fixed.box * 100, fixed.overlap)
    return None


def _mirror_hint(ours, peer, bo):
    """'mirrored in y' (or x) when ours flipped within its box matches far better."""
    cx, cy = (bo[0] + bo[2]) / 2, (bo[1] + bo[3]) / 2
    best = None
    for name, fn in (("mirrored in y", lambda x, y: (x, 2 * cy - y)), ("mirrored in x", lambda x, y: (2 * cx - x, y))):
        flipped = ours.transformed(fn)
        ov = measure(flipped, peer).overlap
        if ov >= OVERLAP_GOAL and (best is None or ov > best[0]):
            best = (ov, name)
    return best[1] if best else None


# ---- pictures ----------------------------------------------------------------

def side_by_side(ours, peer, path, long_px=800):
    """Writes a PNG: ours (left), the peer (middle), both over each other
    (right: ours red, the peer blue, both black), over the union box."""
    boxes = [b for b in (box(ours), box(peer)) if b]
    if not boxes:
        return
    b = boxes[0] if len(boxes) == 1 else union_box(*boxes)
    f = Frame(b, long_px)
    io, ip = draw(ours, f), draw(peer, f)
    a, p = inked(io), inked(ip)
    gap = 12
    out = np.full((f.h + 20, 3 * f.w + 2 * gap, 3), 255, np.uint8)

    def panel(i, rgb_fn):
        x0 = i * (f.w + gap)
        out[20:, x0:x0 + f.w] = rgb_fn()
        out[20:, x0:x0 + f.w][[0, -1], :] = 128  # frame lines
        out[20:, x0:x0 + f.w][:, [0, -1]] = 128

    def ink(mask, colour):
        img = np.full((f.h, f.w, 3), 255, np.uint8)
        img[mask] = colour
        return img

    def both():
        img = np.full((f.h, f.w, 3), 255, np.uint8)
        img[a & ~p] = (220, 0, 0)
        img[p & ~a] = (0, 0, 220)
        img[a & p] = (0, 0, 0)
        return img

    panel(0, lambda: ink(a, (0, 0, 0)))
    panel(1, lambda: ink(p, (0, 0, 0)))
    panel(2, both)
    image = Image.fromarray(out)
    pen = ImageDraw.Draw(image)
    for i, title in enumerate(("ours", "peer", "ours red, peer blue")):
        pen.text((i * (f.w + gap) + 4, 4), title, fill=(0, 0, 0))
    image.save(path)
