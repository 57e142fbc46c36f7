// Offset engine, steps 6 and 7: the kept pieces of the lines become
// segments, and the segments are chained into closed polylines.
#include "offset/offset_engine_p.h"
#include "offset/offset_trace_p.h"

#include <cmath>

namespace geomkit::offset {

namespace {

bool same_point(const gr_cpoint& a, const gr_cpoint& b) {
  return std::fabs(a.x - b.x) <= kTol && std::fabs(a.y - b.y) <= kTol;
}

}  // namespace

void EqvidistContext::make_contour(std::vector<Loop>& out) {
  out.clear();
  const int n = line_count();
  if (trace_ && trace_->on()) trace_->dump_pieces(*this);

  // Step 6. Piece parameters pair up into segments; the parity flag says
  // whether pairing starts with the first parameter (1) or the second (0).
  // When line 0 carries more than one segment's worth of pieces, the side
  // of its first piece point against the line that ends its first segment
  // decides where pairing starts; every line with an odd count flips it.
  parity_ = 1;
  const OffsetLine& L0 = lines_[0];
  if (L0.pieces.size() > 2) {
    int partner = L0.pieces[1].partner;
    if (partner >= 0 && partner < n)
      parity_ =
          real_li_point(point_at(0, L0.pieces[0].par), lines_[static_cast<size_t>(partner)].line) ? 1 : 0;
  }
  std::vector<std::vector<Segment>> segs(static_cast<size_t>(n));
  for (int l = 0; l < n; ++l) {
    const OffsetLine& L = lines_[static_cast<size_t>(l)];
    if (L.state != kStateKept || L.pieces.size() < 2) continue;
    for (size_t k = parity_ ? 0 : 1; k + 1 < L.pieces.size(); k += 2)
      segs[static_cast<size_t>(l)].push_back(
          Segment{point_at(l, L.pieces[k].par), point_at(l, L.pieces[k + 1].par), l, false});
    if (L.pieces.size() % 2 == 1) parity_ ^= 1;
  }

  // Step 7. Greedy chaining: a chain starts with each remaining segment in
  // line order and takes, from each later line in turn, the first remaining
  // segment that starts where the chain ends, until it closes.
  for (int k = 0; k < n; ++k) {
    for (Segment& first : segs[static_cast<size_t>(k)]) {
      if (first.used) continue;
      first.used = true;
      Loop chain;
      chain.pts = {first.a, first.b};
      chain.lines = {k};
      bool closed = false;
      for (int m = k + 1; m < n && !closed; ++m) {
        for (Segment& sg : segs[static_cast<size_t>(m)]) {
          if (sg.used || !same_point(sg.a, chain.pts.back())) continue;
          sg.used = true;
          chain.pts.push_back(sg.b);
          chain.lines.push_back(m);
          closed = same_point(sg.b, chain.pts.front());
          break;
        }
      }
      if (closed) {
        chain.pts.back() = chain.pts.front();
      } else {
        // An open chain is emitted too, closed by a segment that lies on no
        // offset line (the coverage check rejects such a contour).
        chain.pts.push_back(chain.pts.front());
        chain.lines.push_back(-1);
      }
      out.push_back(std::move(chain));
    }
  }
}

}  // namespace geomkit::offset
