// The plain way to the parameters of a hatch line: one library
// intersection of the line with the whole element per line.
#include "db/hatch_p.h"

#include <cstdlib>
#include <new>

namespace fgb {

namespace {
// The capacity the set intersection starts from and grows by.
constexpr std::size_t kBufferStep = 100;
}  // namespace

PlainLineParams::~PlainLineParams() { std::free(buf_); }

bool PlainLineParams::init(int kind, const void* shape, const double* ys, std::size_t count) noexcept {
  kind_ = kind;
  shape_ = shape;
  ys_ = ys;
  count_ = count;
  if (!buf_) {
    buf_ = static_cast<double*>(std::malloc(kBufferStep * sizeof(double)));
    if (!buf_) return false;
    cap_ = kBufferStep;
  }
  return true;
}

const std::vector<double>* PlainLineParams::params(std::size_t k) noexcept {
  if (k >= count_) return nullptr;
  return at(ys_[k]);
}

const std::vector<double>* PlainLineParams::at(double y) noexcept {
  const gr_line line{{0, y}, {0, 1}};
  int k = 0;
  if (kind_ == FGB_POLYLINE) {
    auto* p = static_cast<const gr_polyline*>(shape_);
    // The single-polyline intersection never grows the array: make room
    // for every contact the line can have with this outline.
    const int need = gr_maxn_isct_line_polyline(&line, p);
    if (need > 0 && static_cast<std::size_t>(need) > cap_) {
      const std::size_t cap = (static_cast<std::size_t>(need) + kBufferStep - 1) / kBufferStep * kBufferStep;
      auto* grown = static_cast<double*>(std::malloc(cap * sizeof(double)));
      if (!grown) return nullptr;
      std::free(buf_);
      buf_ = grown;
      cap_ = cap;
    }
    k = gr_isct_line_polyline(buf_, &line, p, 0);
  } else {
    k = gr_isct_line_polylines(&buf_, &line, static_cast<const gr_polylines*>(shape_), 0);
    // The set intersection grows the array in whole steps.
    const std::size_t used = static_cast<std::size_t>(k > 0 ? k : 0);
    if (used > cap_) cap_ = (used + kBufferStep - 1) / kBufferStep * kBufferStep;
  }
  try {
    out_.assign(buf_, buf_ + (k > 0 ? k : 0));
  } catch (...) {
    return nullptr;
  }
  return &out_;
}

std::unique_ptr<LineParams> make_plain_line_params() { return std::make_unique<PlainLineParams>(); }

}  // namespace fgb
