// DXF block references: INSERT, and the blocks that draw a DIMENSION or an
// ACAD_TABLE.
//
// An INSERT draws the entities of the block it names (2), for each cell of
// its array (70 columns, 71 rows, 44 and 45 apart), mapped by
//   p -> OCS( insertion + R(rotation) ((col 44, row 45) + S(41, 42) (p - base)) )
// with base the block's base point, R the rotation (50, degrees), S the
// scales (negative ones mirror) and OCS the reference's own coordinate
// system (210). The array offset is turned but not scaled. Attributes
// (ATTRIB entities up to a SEQEND, when 66 is 1) are drawn where they
// stand. Inside the block, colour BYBLOCK is the reference's colour and
// layer 0 the reference's layer. DIMENSION and ACAD_TABLE draw their block
// (2) where it stands.
//
// A reference to a block not defined yet (the definitions should come
// first, in the BLOCKS section) is read again after the whole file. Work is
// bounded: references nest at most kMaxBlockDepth deep, a block referring
// to itself stops there, and all the pairs read again for references are
// charged to kMaxInsertedPairs.
#include "convert/dxf_p.h"

#include <cmath>

namespace fgb::conv::dxf {

void Reader::expand(Block& block, const Place& place) {
  block.active = true;
  const bool was_quiet = quiet_;
  quiet_ = was_quiet || block.seen;
  PairCursor sub(data_, block.begin, block.end);
  Pair p;
  while (sub.next(p)) {
    if (p.code != 0) continue;
    if (!entity(sub, trim(p.value), p.offset, place)) break;  // a cut-short entity ends the block
  }
  inserted_pairs_ += sub.count() + kReferenceCost;
  block.seen = true;
  block.active = false;
  quiet_ = was_quiet;
}

bool Reader::insert(PairCursor& in, const Place& place, std::string_view type, size_t at) {
  const bool is_insert = type == "INSERT";
  Head h;
  std::string_view name;
  double x = 0, y = 0, sx = 1, sy = 1, rotation = 0, col_step = 0, row_step = 0;
  int16_t cols = 1, rows = 1, attribs = 0;
  if (!each_pair(in, [&](const Pair& p) {
        if (p.code == 2) {
          name = trim(p.value);
          return true;
        }
        if (is_insert) {
          switch (p.code) {
            case 10: return to_real(p.value, x);
            case 20: return to_real(p.value, y);
            case 41: return to_real(p.value, sx);
            case 42: return to_real(p.value, sy);
            case 50: return to_real(p.value, rotation);
            case 44: return to_real(p.value, col_step);
            case 45: return to_real(p.value, row_step);
            case 70: return to_int16(p.value, cols);
            case 71: return to_int16(p.value, rows);
            case 66: return to_int16(p.value, attribs);
            default: break;
          }
        }
        bool ok;
        if (h.take(p, ok) && !ok) h.has_extrusion = false;
        return true;
      }))
    return false;
  const bool hidden = left_out(h, place, type, at);
  auto found = blocks_.find(key_of(name));
  const bool defer = found == blocks_.end() && !finished_ && !place.in_block;
  // The attributes: drawn now unless the reference is, or waits.
  if (attribs) {
    Pair p;
    while (in.next(p)) {
      const std::string_view t = trim(p.value);
      if (t == "ATTRIB") {
        if (hidden || defer) {
          if (!each_pair(in, [](const Pair&) { return true; })) return false;
        } else if (!text(in, place, t, p.offset)) {
          return false;
        }
      } else {
        if (t == "SEQEND") {
          if (!each_pair(in, [](const Pair&) { return true; })) return false;
        } else {
          in.unread(p);
        }
        break;
      }
    }
  }
  if (hidden) return true;
  if (defer) {
    deferred_.push_back(at);
    return true;
  }
  if (found == blocks_.end() || found->second.external) {
    if (!quiet_)
      report_.add(found == blocks_.end() ? type : std::string_view("external block"), FGB_REPORT_DROPPED, at);
    return true;
  }
  Block& block = found->second;
  if (block.active || place.depth >= kMaxBlockDepth) {
    if (!quiet_) report_.add(block.active ? "INSERT cycle" : "INSERT depth", FGB_REPORT_DROPPED, at);
    return true;
  }
  if (!(sx != 0 && sy != 0)) return true;  // squeezed to nothing

  Place inner;
  inner.depth = place.depth + 1;
  inner.in_block = true;
  inner.byblock = static_cast<int16_t>(colour_of(h, place));
  inner.layer0 = h.layer == "0" || h.layer.empty() ? place.layer0 : h.layer;
  if (inner.layer0.empty()) inner.layer0 = h.layer;
  Affine ocs;
  const bool has_ocs = h.has_extrusion && ocs_map(h.extrusion, 0.0, ocs);
  if (!is_insert) {
    inner.xf = place.xf.then_from(has_ocs ? ocs : Affine{});
    expand(block, inner);
    return true;
  }
  const double c = std::cos(rotation * kRadPerDeg), s = std::sin(rotation * kRadPerDeg);
  const int n_cols = cols < 1 ? 1 : cols, n_rows = rows < 1 ? 1 : rows;
  for (int r = 0; r < n_rows; ++r)
    for (int k = 0; k < n_cols; ++k) {
      if (inserted_pairs_ >= kMaxInsertedPairs) {
        if (!quiet_) report_.add("INSERT limit", FGB_REPORT_DROPPED, at);
        return true;
      }
      // q = S (p - base) + (k col_step, r row_step); then R q + insertion.
      const double qx = -sx * block.base_x + k * col_step, qy = -sy * block.base_y + r * row_step;
      Affine a{c * sx, -s * sy, s * sx, c * sy, c * qx - s * qy + x, s * qx + c * qy + y};
      if (has_ocs) a = ocs.after(a);
      inner.xf = place.xf.then_from(a);
      expand(block, inner);
    }
  return true;
}

}  // namespace fgb::conv::dxf
