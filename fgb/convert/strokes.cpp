// Strokes of text gathered into one polyline set.
#include "convert/strokes_p.h"

#include <cstring>

namespace fgb::conv {

void StrokeSet::stroke(const gr_cpoint* pts, uint32_t n) {
  // A member: closed (0) and n in one 8-byte slot, then the points.
  const int32_t closed = 0;
  double head;
  unsigned char* h = reinterpret_cast<unsigned char*>(&head);
  std::memcpy(h, &closed, 4);
  std::memcpy(h + 4, &n, 4);
  block_.push_back(head);
  for (uint32_t i = 0; i < n; ++i) {
    const gr_cpoint& p = pts[i];
    block_.push_back(map_.a * p.x + map_.b * p.y + map_.e);
    block_.push_back(map_.c * p.x + map_.d * p.y + map_.f);
  }
  ++count_;
}

const gr_polylines* StrokeSet::set() {
  if (count_ == 0 || block_.empty()) return nullptr;
  auto* s = reinterpret_cast<gr_polylines*>(block_.data());
  s->n = static_cast<int32_t>(count_);
  s->reserved = 0;
  return s;
}

}  // namespace fgb::conv
