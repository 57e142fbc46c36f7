// The DXF reader's parts: one reader object, its entities spread over
// dxf_read.cpp (sections, tables, blocks, colours), dxf_entities.cpp
// (lines, circles, arcs, points, faces, ellipses, leaders),
// dxf_polyline.cpp, dxf_spline.cpp, dxf_hatch.cpp, dxf_text.cpp and
// dxf_insert.cpp (block references).
//
// Coordinates are millimetres in the file and inches in the document. An
// entity's points go through the Xform of the place it is read for: plain
// millimetres to inches at the top of the drawing, or the block references
// that lead to it, and its own object coordinate system.
//
// Bounds. Everything a reader keeps grows with the file, except what block
// references multiply: their expansion is charged, per pair read again, to
// one budget per file (kMaxInsertedPairs), and nesting stops at
// kMaxBlockDepth. Spline degrees above kMaxSplineDegree are not read.
#ifndef FGB_CONVERT_DXF_P_H
#define FGB_CONVERT_DXF_P_H

#include "convert/curves_p.h"
#include "convert/dxf_pairs_p.h"
#include "convert/path_p.h"
#include "convert/progress_p.h"
#include "convert/readers_p.h"
#include "convert/report_p.h"
#include "convert/sink_p.h"

#include <cmath>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace fgb::conv::dxf {

constexpr double kInchPerMm = 0.039370078740157482516;
constexpr double kPi = 3.141592653589793;
constexpr double kRadPerDeg = kPi / 180.0;

// Block references inside block definitions nest at most this deep.
constexpr int kMaxBlockDepth = 16;
// Pairs read again for block references, over a whole file: half a
// gigabyte of drawing or so. Each reference (each cell of an array) costs
// kReferenceCost more, what setting it up takes, so that references to
// empty blocks are bounded too.
constexpr uint64_t kMaxInsertedPairs = uint64_t{1} << 24;
constexpr uint64_t kReferenceCost = 8;
// Splines of a higher degree are not read (a degree costs its square per
// point evaluated).
constexpr int kMaxSplineDegree = 25;

// x' = a x + b y + e, y' = c x + d y + f.
struct Affine {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  // This map after `first`: p -> this(first(p)).
  Affine after(const Affine& first) const noexcept;
};

// Drawing units (of a block or an object coordinate system) to document
// inches. The plain map is millimetres to inches and nothing else, computed
// exactly as a bare product.
class Xform {
 public:
  gr_cpoint point(double x, double y) const noexcept {
    if (plain_) return gr_cpoint{x * kInchPerMm, y * kInchPerMm};
    return gr_cpoint{(m_.a * x + m_.b * y + m_.e) * kInchPerMm, (m_.c * x + m_.d * y + m_.f) * kInchPerMm};
  }
  gr_cpoint vector(double x, double y) const noexcept {
    if (plain_) return gr_cpoint{x * kInchPerMm, y * kInchPerMm};
    return gr_cpoint{(m_.a * x + m_.b * y) * kInchPerMm, (m_.c * x + m_.d * y) * kInchPerMm};
  }
  bool plain() const noexcept { return plain_; }
  // The largest stretch of a length (inches per drawing unit), for
  // deciding how finely to cut curves.
  double stretch() const noexcept;
  // local's units through local, then this.
  Xform then_from(const Affine& local) const noexcept;
  const Affine& affine() const noexcept { return m_; }

 private:
  Affine m_;
  bool plain_ = true;
};

// The map of an object coordinate system (extrusion direction n, elevation
// z) onto the x-y plane of the world, by the arbitrary axis rule. False
// when n is (0, 0, 1) (nothing to map) or not a direction.
bool ocs_map(const double n[3], double z, Affine& out) noexcept;

// Where entities are read for: the top of the drawing, or a block
// definition through the references that lead to it.
struct Place {
  Xform xf;
  int depth = 0;  // block references above
  bool in_block = false;
  int16_t byblock = 0;      // the colour number BYBLOCK stands for
  std::string_view layer0;  // the layer entities on layer 0 take: the reference's
};

// Groups every entity may have.
struct Head {
  std::string_view layer;
  bool has_colour = false;
  int16_t colour = 0;
  bool paper_space = false;
  double extrusion[3] = {0, 0, 1};
  bool has_extrusion = false;
  // Takes the pair when it is one of these groups. False: not one, or a
  // number that is not one (then ok is false).
  bool take(const Pair& p, bool& ok) noexcept;
};

struct Layer {
  int16_t colour = 7;
  bool hidden = false;  // off (negative colour) or frozen
};

struct Block {
  double base_x = 0, base_y = 0;  // the definition's base point (drawing units)
  size_t begin = 0, end = 0;      // its entities in the data
  bool external = false;          // a reference to another file: no entities
  bool active = false;            // being expanded (a reference to it now is a cycle)
  bool seen = false;              // expanded once (its skipped entities are reported)
};

class Reader {
 public:
  Reader(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
  int run();

  // ---- dxf_read.cpp ----
  void layer(PairCursor& in);  // a LAYER table entry
  void block(PairCursor& in);  // a BLOCK definition: kept, not read
  // One entity, its start pair taken: reads it up to the pair of code 0
  // that follows it (left for the caller). False ends reading: the file
  // ended inside it, or one of its numbers is not one.
  bool entity(PairCursor& in, std::string_view type, size_t at, const Place& place);
  // Skips the groups of an entity not read; reports it.
  void skip(PairCursor& in, std::string_view type, size_t at, int what);
  // The colour number of an entity: its own (also carried on to entities
  // that give none, as plain drawings expect), else its layer's, else the
  // carried one. BYBLOCK and BYLAYER resolved.
  int colour_of(const Head& h, const Place& place);
  // True when the entity must not be drawn (paper space, a hidden layer);
  // reported.
  bool left_out(const Head& h, const Place& place, std::string_view type, size_t at);
  void add(int kind, const void* shape, const gr_curve_style& style);

  // ---- dxf_entities.cpp ----
  bool line(PairCursor& in, const Place& place, size_t at);
  bool circle(PairCursor& in, const Place& place, size_t at);
  bool arc(PairCursor& in, const Place& place, size_t at);
  bool point(PairCursor& in, const Place& place, size_t at);
  bool face(PairCursor& in, const Place& place, std::string_view type, size_t at);
  bool ellipse(PairCursor& in, const Place& place, size_t at);
  bool leader(PairCursor& in, const Place& place, size_t at);

  // ---- dxf_polyline.cpp ----
  bool polyline(PairCursor& in, const Place& place, size_t at);
  bool lwpolyline(PairCursor& in, const Place& place, size_t at);
  // Ends a polyline read into vertices_: the closed-ends rule, bulges
  // flattened, one element.
  void finish_polyline(const Xform& xf, bool closed, const gr_curve_style& style, std::string_view type,
                       size_t at);
  // The first n of vertices_ through xf, with the chords of their bulges'
  // arcs (the last vertex's to the first when closed); true when any.
  bool polyline_points(const Xform& xf, size_t n, bool closed, PathBuffer& out);

  // ---- dxf_spline.cpp ----
  bool spline(PairCursor& in, const Place& place, size_t at);
  // A B-spline in drawing units (control points ctrl_, weights weights_
  // when as many, knots knots_, replaced by clamped uniform ones when they
  // do not fit) through xf, appended to out: 1 when as Bezier points (the
  // first, then three per piece), 2 when as chords (always so with
  // chords_only), 0 when the data make no curve.
  int spline_path(const Xform& xf, int degree, bool chords_only, bool with_start, PathBuffer& out);

  // ---- dxf_hatch.cpp ----
  bool hatch(PairCursor& in, const Place& place, size_t at);

  // ---- dxf_text.cpp ----
  bool text(PairCursor& in, const Place& place, std::string_view type, size_t at);
  bool mtext(PairCursor& in, const Place& place, size_t at);

  // ---- dxf_insert.cpp ----
  bool insert(PairCursor& in, const Place& place, std::string_view type, size_t at);
  // The entities of a block definition, read for place.
  void expand(Block& block, const Place& place);

  struct Vertex {
    double x, y, bulge;
    bool frame;  // a spline's frame point (POLYLINE vertex flag 16)
  };

  const uint8_t* data_;
  size_t size_;
  ElementSink& sink_;
  ProgressMeter meter_;
  Reporter report_;
  PathBuffer path_;
  PathBuffer scratch_;
  std::vector<Vertex> vertices_;
  std::vector<double> ctrl_, weights_, knots_;  // spline data: x, y pairs; weights; knots
  std::vector<double> fit_;                     // spline fit points: x, y pairs
  std::vector<double> work_;                    // spline points in inches, homogeneous
  std::vector<bool> frame_;                     // polyline vertices that are a spline's frame
  std::vector<Pair> pairs_;                     // the groups of one hatch
  std::vector<double> block_;                   // a polyline set being built, 8-byte aligned

  std::unordered_map<std::string, Layer> layers_;  // by upper-case name
  std::unordered_map<std::string, Block> blocks_;  // by upper-case name
  std::vector<size_t> deferred_;                   // references met before their block's definition
  uint64_t inserted_pairs_ = 0;
  bool added_ = false;
  bool entities_on_ = false;  // in the ENTITIES or BLOCKS section
  bool finished_ = false;     // the whole file has been read once
  bool quiet_ = false;        // reading a block again: its skips were reported the first time

  // What plain drawings carry from one entity to the next.
  int16_t colour_ = 0;            // colour number
  double width_ = 0.0;            // inches as written
  double line_[3] = {0, 0, 0};    // x1, y1, x2 (mm)
  double circle_[2] = {0, 0};     // centre (mm)
  double arc_[4] = {0, 0, 0, 0};  // centre, radius (mm), start angle (degrees)
};

// The groups of an entity after its start, up to the next pair of code 0
// (left to the caller). fn(pair) returns false to end reading.
template <typename Fn>
bool each_pair(PairCursor& in, Fn fn) {
  Pair p;
  while (in.next(p)) {
    if (p.code == 0) {
      in.unread(p);
      return true;
    }
    if (!fn(p)) return false;
  }
  return true;
}

// The sweep of an arc from start to end (radians), counter-clockwise, in
// [0, 2 pi).
inline double ccw_sweep(double start, double end) {
  double s = std::fmod(end - start, kTwoPi);
  if (s < 0) s += kTwoPi;
  return s < kTwoPi ? s : 0.0;
}

// Upper-case copy of a name (DXF names are not case sensitive).
std::string key_of(std::string_view name);

}  // namespace fgb::conv::dxf

#endif
