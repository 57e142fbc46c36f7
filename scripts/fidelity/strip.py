"""Copies of a drawing without what the peers leave out.

The DXF and metafile peers do not draw texts (their look depends on fonts
a peer may not have) and the DXF peer no POINTs (their look depends on
$PDMODE); our readers draw both, texts as strokes of a single-stroke font.
So that both sides are measured on the same things, our reading is taken
from a copy with those left out too: the entities' pairs (DXF), the
TextOut and ExtTextOut records (metafiles). Everything else is copied byte
for byte.
"""

import struct

DXF_LEFT_OUT = {"TEXT", "MTEXT", "ATTRIB", "ATTDEF", "POINT"}
WMF_LEFT_OUT = {0x0521, 0x0A32}  # TextOut, ExtTextOut
PLACEABLE_KEY = 0x9AC6CDD7


def dxf(src, dst):
    """Writes src without its texts and points; returns how many were left out."""
    with open(src, "rb") as f:
        lines = f.read().splitlines(keepends=True)
    out, left_out, i, skipping = [], 0, 0, False
    while i + 1 < len(lines):
        code, value = lines[i].strip(), lines[i + 1].strip()
        if code == b"0":
            skipping = value.decode("latin-1") in DXF_LEFT_OUT
            left_out += skipping
        if not skipping:
            out += lines[i:i + 2]
        i += 2
    out += lines[i:]
    with open(dst, "wb") as f:
        f.write(b"".join(out))
    return left_out


def wmf(src, dst):
    """Writes src without its text records; returns how many were left out."""
    with open(src, "rb") as f:
        data = f.read()
    start = 22 if len(data) >= 22 and struct.unpack_from("<I", data)[0] == PLACEABLE_KEY else 0
    pos = start + 18
    out, left_out = [data[:pos]], 0
    while pos + 6 <= len(data):
        words, function = struct.unpack_from("<IH", data, pos)
        size = max(words * 2, 6)
        record = data[pos:pos + size]
        if function in WMF_LEFT_OUT:
            left_out += 1
        else:
            out.append(record)
        pos += size
        if function == 0:
            break
    body = b"".join(out)
    total_words = (len(body) - start) // 2
    body = body[:start + 6] + struct.pack("<I", total_words) + body[start + 10:]
    with open(dst, "wb") as f:
        f.write(body)
    return left_out
