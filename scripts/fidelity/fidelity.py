#!/usr/bin/python3
"""Reads every drawing of the corpus with our reader (kalvex-cli) and with an
established peer, and compares the two readings: bounding box, pen-down
length and a rasterised overlap (see core.py for the definitions).

  scripts/fidelity/fidelity.py                     the whole corpus
  scripts/fidelity/fidelity.py --kind hpgl         one kind
  scripts/fidelity/fidelity.py FILE [FILE...]      some files (kind from the folder or --kind)
  scripts/fidelity/fidelity.py --png FILE          also a side-by-side picture in build/fidelity/

Verdicts: OK (box, length, overlap and dot count within the goals), DIFF, PEER-FAILED
(the peer could not read the file or drew nothing: no measure), OURS-FAILED
(kalvex-cli failed or read no element).
"""

import argparse
import os
import sys
import tempfile
import time
from concurrent.futures import ProcessPoolExecutor

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import core  # noqa: E402
import ours  # noqa: E402
import peer_ai  # noqa: E402
import peer_dxf  # noqa: E402
import peer_gerber  # noqa: E402
import peer_hpgl  # noqa: E402
import peer_knife  # noqa: E402
import peer_wmf  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
CORPUS = os.environ.get("KALVEX_CORPUS", "/work/shared/corpus")

# corpus folder: (kalvex-cli --from, peer module)
KINDS = {
    "hpgl": ("hpgl", peer_hpgl),
    "gerber": ("gerber", peer_gerber),
    "knife": ("gerber-cutter", peer_knife),
    "dxf": ("dxf", peer_dxf),
    "wmf": ("wmf", peer_wmf),
    "ai": ("ai", peer_ai),
}
# Companion aperture tables lie beside the Gerber files; they are no drawings.
NOT_DRAWINGS = (".gap", ".apt", ".md")
# A peer reading reaching this far (inches) is garbage, not a drawing.
ABSURD_INCH = 1e7


class Row:
    def __init__(self, kind, path, peer):
        self.kind, self.path, self.peer = kind, path, peer
        self.count = None
        self.result = None
        self.verdict = ""
        self.note = ""
        self.seconds = 0.0


def compare_file(job):
    kind, path, cli, png_dir = job
    cli_kind, peer = KINDS[kind]
    row = Row(kind, path, peer.NAME)
    start = time.monotonic()
    notes = []
    mine = theirs = None
    try:
        mine, counts = ours.read(cli, path, cli_kind)
        row.count = counts.get("elements", 0)
        notes += mine.notes
    except ours.Failed as e:
        row.verdict, notes = "OURS-FAILED", ["ours: " + str(e)]
    with tempfile.TemporaryDirectory(prefix="fidelity-peer-") as tmp:
        try:
            theirs = peer.read(path, tmp)
            notes += ["peer: " + n for n in theirs.notes]
        except peer.Failed as e:
            theirs = None
            notes.append("peer: " + str(e))
    if theirs is not None and theirs.empty():
        notes.append("peer: drew nothing")
        theirs = None
    elif theirs is not None and max(abs(v) for v in core.box(theirs)) > ABSURD_INCH:
        notes.append("peer: coordinates beyond %g in, not trusted" % ABSURD_INCH)
        theirs = None
    if mine is not None and mine.empty():
        row.verdict = "OURS-FAILED"
        notes.insert(0, "ours: no element read")
    if not row.verdict:
        if theirs is None:
            row.verdict = "PEER-FAILED"
        else:
            row.result = core.compare(mine, theirs)
            row.verdict = "OK" if row.result.agrees() else "DIFF"
            if row.result.note:
                notes.insert(0, row.result.note)
    if png_dir and (mine is not None or theirs is not None):
        os.makedirs(png_dir, exist_ok=True)
        target = os.path.join(png_dir, os.path.basename(path) + ".png")
        core.side_by_side(mine or core.Drawing(), theirs or core.Drawing(), target)
        notes.append("picture: " + os.path.relpath(target, ROOT))
    row.note = "; ".join(notes)
    row.seconds = time.monotonic() - start
    return row


def corpus_files(kinds):
    jobs = []
    for kind in kinds:
        folder = os.path.join(CORPUS, kind)
        if not os.path.isdir(folder):
            print("fidelity: no corpus folder %s, skipped" % folder, file=sys.stderr)
            continue
        for name in sorted(os.listdir(folder)):
            if not name.lower().endswith(NOT_DRAWINGS):
                jobs.append((kind, os.path.join(folder, name)))
    return jobs


def kind_of(path, given):
    if given:
        return given
    folder = os.path.basename(os.path.dirname(os.path.abspath(path)))
    if folder in KINDS:
        return folder
    raise SystemExit("fidelity: cannot tell the kind of %s; give --kind (%s)" % (path, ", ".join(KINDS)))


def fmt(v, pattern):
    return "-" if v is None else pattern % v


HEAD = "%-50s %-9s %6s %8s %7s %7s %6s %6s  %-11s %s"


def print_row(r, out):
    res = r.result
    box = None if res is None else res.box * 100.0
    print(HEAD % (os.path.basename(r.path)[:50], r.peer, fmt(r.count, "%d"), fmt(box, "%.2f%%"),
                  fmt(res and res.length, "%.3f"), fmt(res and res.overlap, "%.3f"),
                  fmt(res and res.ours_in_peer, "%.2f"), fmt(res and res.peer_in_ours, "%.2f"), r.verdict, r.note),
          file=out, flush=True)


def summary(rows, out):
    print("\nsummary (goals: box <= %.0f%%, length within %.0f%%, overlap >= %.2f, dot counts within %.0f%%)" %
          (core.BOX_GOAL * 100, core.LENGTH_GOAL * 100, core.OVERLAP_GOAL, core.DOTS_GOAL * 100), file=out)
    verdicts = ("OK", "DIFF", "PEER-FAILED", "OURS-FAILED")
    print("%-8s %5s " % ("kind", "files") + " ".join("%11s" % v for v in verdicts) + " %9s" % "seconds", file=out)
    for kind in KINDS:
        mine = [r for r in rows if r.kind == kind]
        if mine:
            print("%-8s %5d " % (kind, len(mine)) +
                  " ".join("%11d" % sum(r.verdict == v for r in mine) for v in verdicts) +
                  " %9.1f" % sum(r.seconds for r in mine), file=out)
    print("%-8s %5d " % ("all", len(rows)) + " ".join("%11d" % sum(r.verdict == v for r in rows) for v in verdicts),
          file=out)


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("files", nargs="*", help="files to compare (default: the corpus)")
    ap.add_argument("--kind", choices=sorted(KINDS), action="append",
                    help="only this kind, may be repeated (or: the kind of the files given)")
    ap.add_argument("--png", action="store_true", help="write side-by-side pictures into build/fidelity/")
    ap.add_argument("--png-dir", default=os.path.join(ROOT, "build", "fidelity"))
    ap.add_argument("-j", "--jobs", type=int, default=1, help="files compared at once (default 1)")
    args = ap.parse_args(argv)

    cli = ours.find_cli(ROOT)
    if args.files:
        jobs = [(kind_of(f, args.kind and args.kind[0]), f) for f in args.files]
    else:
        jobs = corpus_files(args.kind or list(KINDS))
    png_dir = args.png_dir if args.png else None
    work = [(k, p, cli, png_dir and os.path.join(png_dir, k)) for k, p in jobs]

    start = time.monotonic()
    print("ours: %s\ncorpus: %s\n" % (cli, CORPUS))
    print(HEAD % ("file", "peer", "elems", "box", "length", "overlap", "o-in-p", "p-in-o", "verdict", "note"))
    rows = []
    if args.jobs > 1:
        with ProcessPoolExecutor(args.jobs) as pool:
            for r in pool.map(compare_file, work):
                print_row(r, sys.stdout)
                rows.append(r)
    else:
        for job in work:
            r = compare_file(job)
            print_row(r, sys.stdout)
            rows.append(r)
    summary(rows, sys.stdout)
    print("\n%d files in %.1f s" % (len(rows), time.monotonic() - start))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
