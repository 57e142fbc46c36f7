#!/usr/bin/python3
"""Checks that the fidelity measures are honest: a reading compared with
itself agrees exactly, and a reading scaled, moved, mirrored or cut short is
flagged. Also a drawing of known geometry read by both kalvex-cli and ezdxf
agrees, and the same drawing scaled by 10 does not.

  scripts/fidelity/selftest.py        (needs kalvex-cli built and the peers installed)
"""

import os
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import core  # noqa: E402
import ours  # noqa: E402
import peer_dxf  # noqa: E402
import peer_gerber  # noqa: E402
import peer_hpgl  # noqa: E402
import peer_knife  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
CORPUS = os.environ.get("KALVEX_CORPUS", "/work/shared/corpus")
results = []


def check(name, ok, detail=""):
    print("%-60s %s %s" % (name, "ok" if ok else "FAILED", detail))
    results.append(ok)


def exact(r):
    return r.box == 0.0 and abs(r.length - 1.0) < 1e-12 and r.overlap == 1.0


def flagged(r, hint):
    return not r.agrees() and hint in r.note


def same_reading_checks(label, d):
    check(label + ": itself", exact(core.compare(d, d)))
    b = core.box(d)
    check(label + ": scaled by 10 about the origin", flagged(core.compare(d.transformed(lambda x, y: (10 * x, 10 * y)), d),
                                                             "scale x10"))
    w = b[2] - b[0]
    moved = core.compare(d.transformed(lambda x, y: (x + 0.2 * w, y)), d)
    check(label + ": moved by a fifth of its width", flagged(moved, "shifted"), "box %.3f" % moved.box)
    cy = (b[1] + b[3]) / 2
    mirrored = core.compare(d.transformed(lambda x, y: (x, 2 * cy - y)), d)
    check(label + ": mirrored in y", flagged(mirrored, "mirrored in y"), "overlap %.2f" % mirrored.overlap)
    half = core.Drawing()
    half.paths = d.paths[: len(d.paths) // 2]
    if half.paths and len(d.paths) > 4:
        check(label + ": half the paths", not core.compare(half, d).agrees())


def main():
    tmp = tempfile.mkdtemp(prefix="fidelity-selftest-")
    # 1. Peer readings through the pipeline, compared with themselves.
    samples = [(peer_hpgl, "hpgl/hp2xx_acad.hp"), (peer_gerber, "gerber/gerbv_dan_top_sr.gbx"),
               (peer_knife, "knife/nctools_amerix_am08"), (peer_dxf, "dxf/librecad_tux.dxf")]
    for peer, rel in samples:
        path = os.path.join(CORPUS, rel)
        if not os.path.exists(path):
            print("%-60s skipped (no corpus)" % rel)
            continue
        same_reading_checks(rel, peer.read(path, tmp))

    # 2. A drawing of known geometry: a 100 x 50 mm frame, a diagonal and a
    # circle of radius 10 mm, written as DXF; both readers must give the same
    # inches; the same file written 10 times larger must be flagged.
    def write_dxf(path, k):
        def line(x1, y1, x2, y2):
            return "0\nLINE\n8\n0\n10\n%g\n20\n%g\n11\n%g\n21\n%g\n" % (k * x1, k * y1, k * x2, k * y2)
        body = "".join(line(*s) for s in ((0, 0, 100, 0), (100, 0, 100, 50), (100, 50, 0, 50), (0, 50, 0, 0),
                                          (0, 0, 100, 50)))
        body += "0\nCIRCLE\n8\n0\n10\n%g\n20\n%g\n40\n%g\n" % (k * 30, k * 25, k * 10)
        with open(path, "w") as f:
            f.write("0\nSECTION\n2\nENTITIES\n" + body + "0\nENDSEC\n0\nEOF\n")

    cli = ours.find_cli(ROOT)
    known, big = os.path.join(tmp, "known.dxf"), os.path.join(tmp, "known10.dxf")
    write_dxf(known, 1)
    write_dxf(big, 10)
    peer = peer_dxf.read(known, tmp)
    expected_length = (300 + 111.803 + 2 * 3.14159265 * 10) / 25.4
    check("known drawing: ezdxf box in inches", all(abs(a - b) < 1e-9 for a, b in
                                                   zip(core.box(peer), (0, 0, 100 / 25.4, 50 / 25.4))))
    check("known drawing: ezdxf length", abs(core.length(peer) / expected_length - 1) < 0.002,
          "%.4f in" % core.length(peer))
    mine, counts = ours.read(cli, known, "dxf")
    r = core.compare(mine, peer)
    check("known drawing: kalvex-cli and ezdxf agree", r.agrees() and r.box < 1e-6,
          "box %.2g, length %.4f, overlap %.3f" % (r.box, r.length, r.overlap))
    mine10, _ = ours.read(cli, big, "dxf")
    r = core.compare(mine10, peer)
    check("known drawing x10: flagged as scaled", flagged(r, "scale x10"), r.note)

    # 3. The knife reader on a file made here: hundredths of an inch, one
    # square cut and a quarter arc counter-clockwise.
    knife = os.path.join(tmp, "square")
    with open(knife, "w") as f:
        f.write("H1*M20*test/L=3.000/W=1.000*N1*M15*X0Y0*M14*X100Y0*X100Y100*X0Y100*X0Y0*M15*"
                "X200Y0*M14*G03X300Y100I200J100*M15*M0*")
    d = peer_knife.read(knife, tmp)
    check("knife: square and quarter arc", len(d.paths) == 2 and core.box(d) == (0.0, 0.0, 3.0, 1.0) and
          abs(core.length(d) - (4.0 + 3.14159265 / 2)) < 1e-3, "length %.4f" % core.length(d))

    failed = results.count(False)
    print("\n%d passed, %d failed" % (len(results) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
