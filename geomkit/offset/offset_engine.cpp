// The offset engine's driver: the stages in order, and the choice between
// the sweep's contour and the coverage contour.
//
// The sweep (steps 4-7) is the engine's own algorithm and its contour is
// the result whenever it is the offset. It is checked against the coverage
// contour (offset_cover_p.h), an independent construction of the same
// boundary from the same offset lines; where the sweep fails, gives up, or
// builds something else (a loop lost, a loop kept that should have been
// cut, an open chain), the coverage contour is returned instead.
#include "offset/offset_engine_p.h"
#include "offset/offset_trace_p.h"

namespace geomkit::offset {

int eqvidist(const gr_cpoint* pts, uint32_t n, double d, const Options& opt, std::vector<Loop>& out,
             Report* report) {
  out.clear();
  Report local;
  Report& rep = report ? *report : local;
  rep = Report{};
  OffsetTrace trace;
  EqvidistContext ctx(opt, &trace);
  if (n < 3 || !ctx.side_of_offset(pts, n, d)) return 0;
  rep.side_mended = ctx.side_mended();
  if (!ctx.prepare(pts, n)) return 0;
  ctx.build_offset_lines();

  std::vector<Loop> swept;
  bool sweep_ok = false;
  if (opt.sweep) {
    ctx.find_crossings();
    sweep_ok = ctx.execute_lib();
    if (sweep_ok) ctx.make_contour(swept);
    rep.comparisons = ctx.comparisons();
    rep.outcome = sweep_ok ? SweepOutcome::kKept : SweepOutcome::kFailed;
  }
  if (!opt.check) {
    if (!sweep_ok) return 0;
    out = std::move(swept);
    return 1;
  }
  std::vector<Loop> covered;
  rep.cover_ok = ctx.cover_contour(covered);
  if (sweep_ok && rep.cover_ok && ctx.same_contour(swept, covered)) {
    out = std::move(swept);
  } else if (rep.cover_ok) {
    if (sweep_ok) {
      rep.outcome = SweepOutcome::kWrong;
      if (trace.on()) trace.log("execute_lib", kTraceContourReplaced);
    }
    out = std::move(covered);
  } else if (sweep_ok) {
    for (const Loop& lp : swept)
      for (int l : lp.lines)
        if (l < 0) return 0;
    out = std::move(swept);
  } else {
    return 0;
  }
  // No loop left: the offset vanished at this distance.
  return out.empty() ? 0 : 1;
}

}  // namespace geomkit::offset
