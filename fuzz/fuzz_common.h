// What every reader's fuzz harness does with its bytes: read them into a
// document through a sink that checks each element (finite coordinates,
// sane sizes); for small inputs, write the document in every kind and mode
// into memory (within the same budget) and read the reader's own kind back.
// Any failed check aborts.
#ifndef FUZZ_FUZZ_COMMON_H
#define FUZZ_FUZZ_COMMON_H

#include "convert/document_p.h"
#include "convert/sink_p.h"
#include "convert/readers_p.h"
#include "convert/outbuf_p.h"

#include <cmath>
#include <cstdlib>

namespace fuzzing {

using namespace fgb::conv;

inline void check(bool ok) {
  if (!ok) std::abort();
}

inline void check_point(const gr_cpoint& p) { check(std::isfinite(p.x) && std::isfinite(p.y)); }

// The points the curves of one input may flatten into, measured at the
// density the document's box of a curve takes (100 per piece of a unit's
// length): a few hundred small curves, or a few large ones.
constexpr double kFlatPointsPerInput = 32768;

// At least the points the box of the curve takes: per cubic piece,
// (length * 0.1 + 0.9) * 100 with the length of its control polygon, which
// is never shorter than the curve.
inline double flat_points(const gr_bezier& b) {
  double total = 0;
  for (int32_t k = 0; 3 * k + 3 < b.n; ++k) {
    const gr_cpoint* p = b.pnt + 3 * k;
    double len = 0;
    for (int i = 0; i < 3; ++i) len += std::hypot(p[i + 1].x - p[i].x, p[i + 1].y - p[i].y);
    total += (len * 0.1 + 0.9) * 100;
  }
  return total;
}

class CheckingSink final : public ElementSink {
 public:
  explicit CheckingSink(MainDB& doc) : doc_(doc) {}
  void add(int kind, const void* shape, const gr_curve_style& style) override {
    check(std::isfinite(style.width));
    switch (kind) {
      case kPolyline: {
        // One point is a polyline too (a PCAD polygon of one point).
        const auto* p = static_cast<const gr_polyline*>(shape);
        check(p->n >= 1);
        const gr_cpoint* pts = p->pnt;
        for (uint32_t i = 0; i < p->n; ++i) check_point(pts[i]);
        break;
      }
      case kPolylines: {
        const auto* set = static_cast<const gr_polylines*>(shape);
        check(set->n >= 1);
        const gr_polyline* p = gr_polylines_first(set);
        for (int32_t k = 0; k < set->n; ++k, p = gr_polylines_next(p)) {
          check(p->n >= 1);
          const gr_cpoint* pts = p->pnt;
          for (uint32_t i = 0; i < p->n; ++i) check_point(pts[i]);
        }
        break;
      }
      case kBezier: {
        const auto* b = static_cast<const gr_bezier*>(shape);
        check(b->n >= 2);
        const gr_cpoint* pts = b->pnt;
        for (int32_t i = 0; i < b->n; ++i) check_point(pts[i]);
        // The document finds a curve's box from up to 131 071 points, a
        // cost the element budget does not see: the input's curves share
        // a budget of points of their own.
        flat_points_ += flat_points(*b);
        if (flat_points_ > kFlatPointsPerInput) throw Stop();
        break;
      }
      case kSegment: {
        const auto* s = static_cast<const gr_segment*>(shape);
        check_point(s->p1);
        check_point(s->p2);
        break;
      }
      case kCircle: {
        const auto* c = static_cast<const gr_circle*>(shape);
        check_point(c->c);
        check(std::isfinite(c->r));
        break;
      }
      case kArc: {
        const gr_trcircle a = arc_of_record(shape);
        check_point(a.c);
        check(std::isfinite(a.r) && std::isfinite(a.a1) && std::isfinite(a.a2));
        break;
      }
      case kFlash: check_point(*static_cast<const gr_cpoint*>(shape)); break;
      default: check(false);  // readers make no other kinds
    }
    doc_.AddElem(kind, shape, style, fill_, 1);
    // The budget is spent: the read stops, as it does in the dispatcher.
    if (doc_.GetFailure() != FGB_FAILED_NONE) throw Stop();
  }
  struct Stop {};
  void add_filled(int kind, const void* shape, const gr_curve_style& style,
                  const gr_fill_area_style& fill) override {
    check(std::isfinite(fill.color.r) && std::isfinite(fill.color.g) && std::isfinite(fill.color.b));
    fill_ = fill;
    add(kind, shape, style);
    fill_ = fgb_default_fill_area_style;
  }

 private:
  gr_fill_area_style fill_ = fgb_default_fill_area_style;
  MainDB& doc_;
  double flat_points_ = 0;
};

// The element budget of a fuzzed read: far below the program's (millions
// of elements), so that inputs that multiply (an arc into 360 segments)
// cost the fuzzer microseconds, not seconds; the readers' own bounds are
// what is tried, and the budget's stop is tried with them.
inline int64_t fuzz_budget(size_t size) { return 128 + static_cast<int64_t>(size / 32); }

// Documents of more elements than this are not written: ordering and
// writing a thousand arc chords costs a hundred times the read.
constexpr int kWriteElementsUpTo = 128;

// Inputs up to this size are also written in every kind and read back;
// larger ones only read, so that the fuzzer spends its time on the readers.
constexpr size_t kWriteUpTo = 2048;
// ... and of those one size in this many: writing and reading back cost as
// much as the read, and the writers are few beside the readers' paths.
constexpr size_t kWriteOneIn = 4;

// kind: the reader's own kind, read back from what was written; a kind
// that is not written (the import-only kinds) reads back nothing.
inline int fuzz_one(ReadFn read, int kind, const uint8_t* data, size_t size) {
  static float apertures[100];
  for (int i = 0; i < 100; ++i) apertures[i] = 0.001f * static_cast<float>(i);
  ReadOptions opt;
  opt.apertures = apertures;
  opt.aperture_count = 100;
  // The import report is filled too, and a size-odd input reads knife
  // files in hundredths.
  fgb_import_report report;
  fgb_report_init(&report);
  opt.report = &report;
  opt.cutter_units = size % 2 ? 100 : 1000;
  MainDB doc;
  CheckingSink sink(doc);
  doc.SetAddBudget(fuzz_budget(size));
  try {
    read(data, size, sink, opt);
  } catch (const CheckingSink::Stop&) {
  }
  doc.SetAddBudget(-1);
  if (size > kWriteUpTo || size % kWriteOneIn != 0 || doc.GetCountElems() > kWriteElementsUpTo) return 0;

  // The reader's own kind, read back, and one other writer in turn (by the
  // input's size): every writer still sees every kind of document over a
  // run, at a fifth of the work per input.
  struct Out {
    int kind;
    uint8_t optimise;
  };
  static constexpr Out kOuts[] = {{FGB_KIND_HPGL, 0},
                                  {FGB_KIND_HPGL, 1},
                                  {FGB_KIND_GERBER, 0},
                                  {FGB_KIND_DXF, 0},
                                  {FGB_KIND_GERBER_CUTTER, 0}};
  const Out other = kOuts[size / kWriteOneIn % (sizeof kOuts / sizeof kOuts[0])];
  std::string own;
  for (const Out& o : kOuts) {
    {
      const int out_kind = o.kind;
      const uint8_t optimise = o.optimise;
      const bool is_own = out_kind == kind && !optimise;
      if (!is_own && !(out_kind == other.kind && optimise == other.optimise)) continue;
      Pconvert req{};
      req.direction = 1;
      req.kind = out_kind;
      req.optimise = optimise;
      req.elapsed_time = -1.0f;
      req.sorted_apertures = apertures;
      req.aperture_count = 100;
      // The write's budget of flattened points is the read's.
      req.max_elements = fuzz_budget(size);
      std::string text;
      OutBuf out(text);
      try {
        write_document(doc, req, out);
      } catch (const WriteRefused& refused) {
        // Too many points, or numbers the kind cannot hold: refused, and
        // said so by the only two statuses for it.
        check(refused.status == FGB_CONVERT_TOO_LARGE || refused.status == FGB_CONVERT_OUT_OF_RANGE);
        continue;
      }
      check(out.finish());
      if (out_kind == kind && !optimise) own = std::move(text);
    }
  }
  MainDB again;
  CheckingSink sink2(again);
  again.SetAddBudget(fuzz_budget(own.size()));
  try {
    read(reinterpret_cast<const uint8_t*>(own.data()), own.size(), sink2, opt);
  } catch (const CheckingSink::Stop&) {
  }
  return 0;
}

}  // namespace fuzzing

#endif
