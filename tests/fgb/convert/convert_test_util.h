// Helpers of the conversion tests: a sink that records what a reader emits,
// building elements for the writers, running a writer into a string, files
// and the corpus of real-world files.
#ifndef TESTS_FGB_CONVERT_TEST_UTIL_H
#define TESTS_FGB_CONVERT_TEST_UTIL_H

#include "convert/sink_p.h"
#include "convert/readers_p.h"
#include "convert/outbuf_p.h"
#include "convert/page_p.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace convtest {

using namespace fgb::conv;
using testsupport::slurp;
using testsupport::spit;
using testsupport::TempFolder;

struct Recorded {
  int kind = 0;
  std::vector<gr_cpoint> pts;    // polyline points, segment ends, flash point, circle/arc centre
  bool closed = false;           // polylines
  double r = 0, a1 = 0, a2 = 0;  // circles and arcs
  gr_curve_style style{};
  gr_fill_area_style fill = fgb_default_fill_area_style;  // as handed to add_filled
  std::vector<std::vector<gr_cpoint>> members;            // polyline sets (all closed flags in closed)
};

class RecordingSink final : public ElementSink {
 public:
  void add(int kind, const void* shape, const gr_curve_style& style) override {
    Recorded r;
    r.kind = kind;
    r.style = style;
    switch (kind) {
      case kPolyline: {
        const auto* p = static_cast<const gr_polyline*>(shape);
        const gr_cpoint* pts = p->pnt;
        r.pts.assign(pts, pts + p->n);
        r.closed = p->closed != 0;
        break;
      }
      case kSegment: {
        const auto* s = static_cast<const gr_segment*>(shape);
        r.pts = {s->p1, s->p2};
        break;
      }
      case kCircle: {
        const auto* c = static_cast<const gr_circle*>(shape);
        r.pts = {c->c};
        r.r = c->r;
        break;
      }
      case kArc: {
        const gr_trcircle a = arc_of_record(shape);
        r.pts = {a.c};
        r.r = a.r;
        r.a1 = a.a1;
        r.a2 = a.a2;
        break;
      }
      case kFlash: r.pts = {*static_cast<const gr_cpoint*>(shape)}; break;
      case kBezier: {
        const auto* b = static_cast<const gr_bezier*>(shape);
        const gr_cpoint* pts = b->pnt;
        r.pts.assign(pts, pts + b->n);
        break;
      }
      case kPolylines: {
        const auto* set = static_cast<const gr_polylines*>(shape);
        const gr_polyline* p = gr_polylines_first(set);
        r.closed = true;
        for (int32_t k = 0; k < set->n; ++k, p = gr_polylines_next(p)) {
          const gr_cpoint* pts = p->pnt;
          r.members.emplace_back(pts, pts + p->n);
          r.closed = r.closed && p->closed != 0;
        }
        break;
      }
      default: break;
    }
    elems.push_back(r);
  }
  void add_filled(int kind, const void* shape, const gr_curve_style& style,
                  const gr_fill_area_style& fill) override {
    add(kind, shape, style);
    elems.back().fill = fill;
  }
  std::vector<Recorded> elems;
};

// Every number of the record is finite: points, members, radius, angles, width.
inline bool all_finite(const Recorded& r) {
  const auto finite = [](const gr_cpoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); };
  for (const auto& p : r.pts)
    if (!finite(p)) return false;
  for (const auto& m : r.members)
    for (const auto& p : m)
      if (!finite(p)) return false;
  return std::isfinite(r.r) && std::isfinite(r.a1) && std::isfinite(r.a2) && std::isfinite(r.style.width);
}

// The folder of real-world files of other programs (KALVEX_CORPUS_DIR);
// empty when it is not there.
inline std::filesystem::path corpus_root() {
  const char* root = std::getenv("KALVEX_CORPUS_DIR");
  if (!root || !std::filesystem::is_directory(root)) return {};
  return root;
}

inline std::vector<Recorded> read_with(ReadFn fn, const std::string& text, const ReadOptions& opt = {}) {
  RecordingSink sink;
  fn(reinterpret_cast<const uint8_t*>(text.data()), text.size(), sink, opt);
  return sink.elems;
}

// Owns the records behind a list of Elements.
class Doc {
 public:
  Doc& polyline(std::vector<gr_cpoint> pts, bool closed, gr_curve_style s) {
    auto& buf = store(8 + 16 * pts.size());
    auto* p = reinterpret_cast<gr_polyline*>(buf.data());
    p->closed = closed ? 1 : 0;
    p->n = static_cast<uint32_t>(pts.size());
    gr_cpoint* out = p->pnt;
    for (size_t i = 0; i < pts.size(); ++i) out[i] = pts[i];
    return add(kPolyline, buf.data(), s);
  }
  Doc& polylines(const std::vector<std::vector<gr_cpoint>>& members, bool closed, gr_curve_style s) {
    size_t bytes = 8;
    for (const auto& m : members) bytes += 8 + 16 * m.size();
    auto& buf = store(bytes);
    auto* set = reinterpret_cast<gr_polylines*>(buf.data());
    set->n = static_cast<int32_t>(members.size());
    set->reserved = 0;
    gr_polyline* p = gr_polylines_first(set);
    for (const auto& m : members) {
      p->closed = closed ? 1 : 0;
      p->n = static_cast<uint32_t>(m.size());
      gr_cpoint* out = p->pnt;
      for (size_t i = 0; i < m.size(); ++i) out[i] = m[i];
      p = gr_polylines_next(p);
    }
    return add(kPolylines, buf.data(), s);
  }
  Doc& segment(gr_cpoint a, gr_cpoint b, gr_curve_style s) {
    auto& buf = store(sizeof(gr_segment));
    *reinterpret_cast<gr_segment*>(buf.data()) = gr_segment{a, b};
    return add(kSegment, buf.data(), s);
  }
  Doc& circle(gr_cpoint c, double r, gr_curve_style s) {
    auto& buf = store(sizeof(gr_circle));
    *reinterpret_cast<gr_circle*>(buf.data()) = gr_circle{c, r};
    return add(kCircle, buf.data(), s);
  }
  Doc& arc(gr_cpoint c, double r, double a1, double a2, gr_curve_style s) {
    auto& buf = store(sizeof(fgb_arc));
    *reinterpret_cast<fgb_arc*>(buf.data()) = make_arc_record(gr_trcircle{c, r, a1, a2});
    return add(kArc, buf.data(), s);
  }
  Doc& flash(gr_cpoint p, gr_curve_style s) {
    auto& buf = store(sizeof(gr_cpoint));
    *reinterpret_cast<gr_cpoint*>(buf.data()) = p;
    return add(kFlash, buf.data(), s);
  }
  const std::vector<Element>& elements() const { return elems_; }

 private:
  std::vector<double>& store(size_t bytes) {
    blocks_.emplace_back((bytes + 7) / 8 + 1);
    return blocks_.back();
  }
  Doc& add(int kind, const void* shape, gr_curve_style s) {
    elems_.push_back(Element{kind, shape, s});
    return *this;
  }
  std::vector<std::vector<double>> blocks_;
  std::vector<Element> elems_;
};

inline gr_curve_style width_style(double w) { return pen_style(w, 0); }
inline gr_curve_style colour_style(double w, float r, float g, float b) {
  gr_curve_style s = pen_style(w, 0);
  s.color = gr_rgbcol{r, g, b};
  return s;
}

// The bytes a writer gives for one page, with the dispatcher's framing left out.
template <typename Fn>
std::string write_page(const Doc& doc, Fn fn) {
  std::string out;
  {
    OutBuf buf(out);
    ElementSpan page(doc.elements());
    fn(page, buf);
    buf.finish();
  }
  return out;
}

// Text as written: every line feed as CR LF.
inline std::string crlf(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (c == '\n') r += '\r';
    r += c;
  }
  return r;
}

// Switches the process to a locale whose decimal separator is a comma (as
// a Qt program does from the environment). When none is installed, builds
// de_DE into a temporary folder with localedef. False when neither works.
inline bool use_comma_locale() {
  const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"};
  for (const char* n : names)
    if (std::setlocale(LC_ALL, n)) return true;
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path dir = fs::temp_directory_path(ec) / "kalvex-test-locales";
  if (!fs::exists(dir / "de_DE.UTF-8", ec)) {
    fs::create_directories(dir, ec);
    const std::string cmd =
        "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0 && !fs::exists(dir / "de_DE.UTF-8", ec)) return false;
  }
  setenv("LOCPATH", dir.c_str(), 1);
  const bool ok = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  unsetenv("LOCPATH");
  return ok;
}

}  // namespace convtest

#endif
