"""DXF peer: ezdxf (ezdxf.recover reads damaged and old files too).

The model space is walked with block references expanded (INSERT through
virtual_entities, recursively); entities on layers that are off or frozen
are left out. Each entity's outline comes from ezdxf.path.make_path in world
coordinates (x, y; z dropped) and is flattened to FLATTEN_INCH. Texts are
left out (their look depends on fonts), and so are POINTs (their look
depends on $PDMODE, which often makes them invisible); HATCH and SOLID give
their outlines. Drawing units: $INSUNITS when it names one, otherwise
millimetres.
"""

import logging

import ezdxf
from ezdxf import recover
from ezdxf.path import make_path

from core import Drawing

NAME = "ezdxf"
logging.getLogger("ezdxf").setLevel(logging.ERROR)
FLATTEN_INCH = 0.002
MAX_DEPTH = 16
# $INSUNITS code: inches per drawing unit
INSUNITS = {1: 1.0, 2: 12.0, 3: 63360.0, 4: 1 / 25.4, 5: 1 / 2.54, 6: 1000 / 25.4, 7: 1e6 / 25.4, 8: 1e-6,
            9: 1e-3, 10: 36.0, 11: 1e-10 * 1000 / 25.4, 12: 1e-9 * 1000 / 25.4, 13: 1e-6 * 1000 / 25.4,
            14: 0.1 * 1000 / 25.4, 15: 10 * 1000 / 25.4, 16: 100 * 1000 / 25.4, 17: 1e9 * 1000 / 25.4}
UNIT_NAMES = {1: "in", 2: "ft", 4: "mm", 5: "cm", 6: "m"}
SKIPPED = {"POINT", "TEXT", "MTEXT", "ATTRIB", "ATTDEF", "VIEWPORT", "IMAGE", "WIPEOUT", "XLINE", "RAY", "OLE2FRAME"}


class Failed(Exception):
    pass


def read(path, tmp):
    try:
        doc, auditor = recover.readfile(path)
    except (IOError, ezdxf.DXFError) as e:
        raise Failed("ezdxf: %s" % e)
    units = doc.header.get("$INSUNITS", 0)
    d = Drawing()
    if units in INSUNITS:
        k = INSUNITS[units]
        if units != 4:
            d.notes.append("$INSUNITS=%d (%s)" % (units, UNIT_NAMES.get(units, "%g in" % k)))
    else:
        k = 1 / 25.4
    hidden = {layer.dxf.name.lower() for layer in doc.layers if layer.is_off() or layer.is_frozen()}
    skipped = {}
    walk(doc.modelspace(), d, k, hidden, skipped, 0)
    if skipped:
        d.notes.append("left out: " + ", ".join("%d %s" % (n, t) for t, n in sorted(skipped.items())))
    return d


def walk(entities, d, k, hidden, skipped, depth):
    for e in entities:
        t = e.dxftype()
        if e.dxf.hasattr("layer") and e.dxf.layer.lower() in hidden:
            continue
        if t in ("INSERT", "DIMENSION", "LEADER", "MLINE", "ACAD_TABLE") and depth < MAX_DEPTH:
            try:
                walk(e.virtual_entities(), d, k, hidden, skipped, depth + 1)
            except Exception:  # a broken block reference: counted, not fatal
                skipped[t] = skipped.get(t, 0) + 1
            continue
        if t in SKIPPED:
            skipped[t] = skipped.get(t, 0) + 1
            continue
        try:
            path = make_path(e)
        except (TypeError, ValueError, ezdxf.DXFError):
            skipped[t] = skipped.get(t, 0) + 1
            continue
        for sub in path.sub_paths():
            pts = [(v.x * k, v.y * k) for v in sub.flattening(FLATTEN_INCH / k)]
            if pts:
                d.add_path(pts, sub.is_closed)
