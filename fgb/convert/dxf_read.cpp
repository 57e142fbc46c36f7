// DXF reader: the two-dimensional geometry of an ASCII drawing, in
// millimetres, read as group-code / value pairs.
//
// Sections. The HEADER gives the version and units (for the import report
// only: coordinates are millimetres whatever $INSUNITS says), the TABLES
// the layers' colours and visibility, the BLOCKS the block definitions,
// which are kept as places in the data and read again for every reference
// to them (never drawn where they are defined). Entities are drawn from the
// ENTITIES section, and from the BLOCKS section outside any definition.
//
// Plain drawings. A drawing of POLYLINE, LINE, CIRCLE and ARC entities
// without layers, blocks or coordinate systems of its own reads as it
// always has: a LINE, CIRCLE or ARC is read in any section and ends at its
// last coordinate group (21, 40, 51; later groups are passed over), and a
// file that ends before it, or gives a group that should be a number but is
// not, ends reading there; colour and width carry over from an entity that
// gives them to the next ones that do not, and so do the coordinates an
// entity type left last time; the width is group 39 (40 and 41 for
// polylines) and taken as inches.
//
// Colours. An entity's group 62 is its colour number (BYLAYER, 256, and
// an absent 62 take the layer's colour when the layer table has it;
// BYBLOCK, 0, inside a block takes the reference's); numbers become colours
// through the shared pen palette. Entities on layers that are off or frozen,
// and those of paper space, are left out.
#include "convert/dxf_p.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace fgb::conv::dxf {

namespace {

enum class Section { kNone, kHeader, kTables, kBlocks, kEntities, kOther };

Section section_of(std::string_view name) {
  if (name == "HEADER") return Section::kHeader;
  if (name == "TABLES") return Section::kTables;
  if (name == "BLOCKS") return Section::kBlocks;
  if (name == "ENTITIES") return Section::kEntities;
  return Section::kOther;
}

// $ACADVER codes and the releases that write them, for the report.
constexpr struct {
  std::string_view code, release;
} kVersions[] = {{"AC1002", "2.5"},  {"AC1003", "2.6"},  {"AC1004", "R9"},   {"AC1006", "R10"},
                 {"AC1009", "R12"},  {"AC1012", "R13"},  {"AC1014", "R14"},  {"AC1015", "2000"},
                 {"AC1018", "2004"}, {"AC1021", "2007"}, {"AC1024", "2010"}, {"AC1027", "2013"},
                 {"AC1032", "2018"}};

// $INSUNITS codes the report names.
constexpr struct {
  int code;
  std::string_view name;
} kUnits[] = {{1, "inches"},     {2, "feet"},        {3, "miles"}, {5, "centimetres"}, {6, "metres"},
              {7, "kilometres"}, {8, "microinches"}, {9, "mils"},  {10, "yards"},      {14, "decimetres"}};

// Entities the document cannot hold (solids, images, infinite lines,
// viewports): reported as such rather than as unknown.
constexpr std::string_view kNotRepresented[] = {
    "3DSOLID", "BODY",      "REGION",   "SURFACE",     "MESH",  "IMAGE",
    "WIPEOUT", "OLE2FRAME", "OLEFRAME", "VIEWPORT",    "XLINE", "RAY",
    "MLINE",   "TOLERANCE", "HELIX",    "MULTILEADER", "LIGHT", "ACAD_PROXY_ENTITY"};

// Records that close or continue what the reader handles with its owner.
bool quietly_skipped(std::string_view type) {
  return type == "VERTEX" || type == "SEQEND" || type == "ATTDEF" || type == "ENDBLK" || type == "BLOCK";
}

}  // namespace

std::string key_of(std::string_view name) {
  std::string k(trim(name));
  for (char& c : k) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return k;
}

// ---- maps --------------------------------------------------------------------

Affine Affine::after(const Affine& s) const noexcept {
  Affine r;
  r.a = a * s.a + b * s.c;
  r.b = a * s.b + b * s.d;
  r.c = c * s.a + d * s.c;
  r.d = c * s.b + d * s.d;
  r.e = a * s.e + b * s.f + e;
  r.f = c * s.e + d * s.f + f;
  return r;
}

Xform Xform::then_from(const Affine& local) const noexcept {
  Xform x;
  x.m_ = plain_ ? local : m_.after(local);
  x.plain_ = false;
  return x;
}

// The arbitrary axis rule: the object x axis is the world y axis (or, for
// normals near it, the z axis) crossed with the normal n, the object y axis
// n crossed with that; a point (x, y, z) is x X + y Y + z n in the world.
double Xform::stretch() const noexcept {
  if (plain_) return kInchPerMm;
  return std::max(std::hypot(m_.a, m_.c), std::hypot(m_.b, m_.d)) * kInchPerMm;
}

bool ocs_map(const double n_in[3], double z, Affine& out) noexcept {
  const double len = std::sqrt(n_in[0] * n_in[0] + n_in[1] * n_in[1] + n_in[2] * n_in[2]);
  if (!(len > 0) || !std::isfinite(len)) return false;
  const double n[3] = {n_in[0] / len, n_in[1] / len, n_in[2] / len};
  constexpr double kNearZ = 1.0 / 64;  // the rule's own threshold
  constexpr double kUpright = 1e-12;
  if (std::fabs(n[0]) < kUpright && std::fabs(n[1]) < kUpright && n[2] > 0) return false;
  double ax[3];
  if (std::fabs(n[0]) < kNearZ && std::fabs(n[1]) < kNearZ) {
    ax[0] = n[2], ax[1] = 0, ax[2] = -n[0];  // (0, 1, 0) x n
  } else {
    ax[0] = -n[1], ax[1] = n[0], ax[2] = 0;  // (0, 0, 1) x n
  }
  const double al = std::sqrt(ax[0] * ax[0] + ax[1] * ax[1] + ax[2] * ax[2]);
  for (double& v : ax) v /= al;
  const double ay[3] = {n[1] * ax[2] - n[2] * ax[1], n[2] * ax[0] - n[0] * ax[2],
                        n[0] * ax[1] - n[1] * ax[0]};
  const double zz = std::isfinite(z) ? z : 0.0;
  out = Affine{ax[0], ay[0], ax[1], ay[1], n[0] * zz, n[1] * zz};
  return true;
}

bool Head::take(const Pair& p, bool& ok) noexcept {
  ok = true;
  switch (p.code) {
    case 8: layer = trim(p.value); return true;
    case 62: has_colour = ok = to_int16(p.value, colour); return true;
    case 67: {
      int16_t v = 0;
      ok = to_int16(p.value, v);
      paper_space = v != 0;
      return true;
    }
    case 210:
    case 220:
    case 230:
      has_extrusion = true;
      ok = to_real(p.value, extrusion[(p.code - 210) / 10]);
      return true;
    default: return false;
  }
}

// ---- the reader ----------------------------------------------------------------

Reader::Reader(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt)
    : data_(data),
      size_(size),
      sink_(sink),
      meter_(opt.progress, opt.progress_user, size),
      report_(opt.report, data, size, true) {}

void Reader::add(int kind, const void* shape, const gr_curve_style& style) {
  sink_.add(kind, shape, style);
  added_ = true;
}

int Reader::colour_of(const Head& h, const Place& place) {
  const Layer* layer = nullptr;
  if (!layers_.empty()) {
    std::string_view name = h.layer;
    if (name == "0" && !place.layer0.empty()) name = place.layer0;
    const auto it = layers_.find(key_of(name));
    if (it != layers_.end()) layer = &it->second;
  }
  if (h.has_colour) {
    colour_ = h.colour;
    if (h.colour == 0 && place.in_block) return place.byblock;
    if (h.colour == 256 && layer) return layer->colour;
    return h.colour;
  }
  return layer ? layer->colour : colour_;
}

bool Reader::left_out(const Head& h, const Place& place, std::string_view type, size_t at) {
  (void)type;
  if (h.paper_space && !place.in_block) {
    if (!quiet_) report_.add("paper space", FGB_REPORT_DROPPED, at);
    return true;
  }
  if (layers_.empty()) return false;
  std::string_view name = h.layer;
  if (name == "0" && !place.layer0.empty()) name = place.layer0;
  const auto it = layers_.find(key_of(name));
  if (it == layers_.end() || !it->second.hidden) return false;
  if (!quiet_) report_.add("hidden layer", FGB_REPORT_DROPPED, at);
  return true;
}

void Reader::skip(PairCursor& in, std::string_view type, size_t at, int what) {
  Pair p;
  while (in.next(p))
    if (p.code == 0) {
      in.unread(p);
      break;
    }
  if (!quiet_) report_.add(type, what, at);
}

bool Reader::entity(PairCursor& in, std::string_view type, size_t at, const Place& place) {
  if (type == "LINE") return line(in, place, at);
  if (type == "CIRCLE") return circle(in, place, at);
  if (type == "ARC") return arc(in, place, at);
  if (!place.in_block && !entities_on_) return true;  // not an entity: its groups are passed over
  if (type == "POLYLINE") return polyline(in, place, at);
  if (type == "LWPOLYLINE") return lwpolyline(in, place, at);
  if (type == "POINT") return point(in, place, at);
  if (type == "SOLID" || type == "TRACE" || type == "3DFACE") return face(in, place, type, at);
  if (type == "ELLIPSE") return ellipse(in, place, at);
  if (type == "SPLINE") return spline(in, place, at);
  if (type == "HATCH") return hatch(in, place, at);
  if (type == "TEXT" || type == "ATTRIB") return text(in, place, type, at);
  if (type == "MTEXT") return mtext(in, place, at);
  if (type == "INSERT" || type == "DIMENSION" || type == "ACAD_TABLE") return insert(in, place, type, at);
  if (type == "LEADER") return leader(in, place, at);
  if (quietly_skipped(type)) return true;
  int what = FGB_REPORT_SKIPPED;
  for (std::string_view n : kNotRepresented)
    if (type == n) what = FGB_REPORT_NOT_REPRESENTED;
  skip(in, type, at, what);
  return true;
}

// ---- sections --------------------------------------------------------------------

void Reader::layer(PairCursor& in) {
  std::string_view name;
  int16_t colour = 7, flags = 0;
  Pair p;
  while (in.next(p)) {
    if (p.code == 0) {
      in.unread(p);
      break;
    }
    if (p.code == 2) name = trim(p.value);
    if (p.code == 62 && !to_int16(p.value, colour)) colour = 7;
    if (p.code == 70 && !to_int16(p.value, flags)) flags = 0;
  }
  if (name.empty()) return;
  Layer l;
  l.colour = static_cast<int16_t>(colour < 0 ? -colour : colour);
  l.hidden = colour < 0 || (flags & 1) != 0;
  layers_.insert_or_assign(key_of(name), l);
}

void Reader::block(PairCursor& in) {
  std::string_view name;
  Block b;
  int16_t flags = 0;
  Pair p;
  while (in.next(p)) {
    if (p.code == 0) {
      in.unread(p);
      break;
    }
    if (p.code == 2 || (p.code == 3 && name.empty())) name = trim(p.value);
    if (p.code == 10 && !to_real(p.value, b.base_x)) b.base_x = 0;
    if (p.code == 20 && !to_real(p.value, b.base_y)) b.base_y = 0;
    if (p.code == 70 && !to_int16(p.value, flags)) flags = 0;
  }
  b.begin = in.offset();
  bool ended = false;
  while (!ended && in.next(p)) {
    meter_.at(p.offset);
    if (p.code != 0) continue;
    const std::string_view v = trim(p.value);
    if (v == "ENDBLK" || v == "ENDSEC" || v == "EOF") {
      ended = true;
      b.end = p.offset;
      if (v != "ENDBLK") in.unread(p);  // a definition the section's end cut short
    }
  }
  if (!ended) b.end = in.offset();
  // Flag 4: a reference to a drawing in another file, whose entities are not here.
  b.external = (flags & 4) != 0;
  if (!name.empty()) blocks_.try_emplace(key_of(name), b);
}

int Reader::run() {
  report_.units("millimetres", kInchPerMm);
  constexpr std::string_view kBinary = "AutoCAD Binary DXF";
  if (size_ >= kBinary.size() &&
      std::string_view(reinterpret_cast<const char*>(data_), kBinary.size()) == kBinary) {
    report_.dialect("binary DXF (not read)");
    meter_.finish();
    return 0;
  }
  PairCursor in(data_, 0, size_);
  Section section = Section::kNone;
  std::string_view variable;
  bool versioned = false;
  const Place top;
  Pair p;
  while (in.next(p)) {
    meter_.at(p.offset);
    if (p.code != 0) {
      if (section != Section::kHeader) continue;
      if (p.code == 9) variable = trim(p.value);
      if (p.code == 1 && variable == "$ACADVER") {
        const std::string_view v = trim(p.value);
        std::string d = "DXF " + std::string(v);
        for (const auto& k : kVersions)
          if (v == k.code) d += " (AutoCAD " + std::string(k.release) + ")";
        report_.dialect(d);
        versioned = true;
      }
      int32_t units = 0;
      if (p.code == 70 && variable == "$INSUNITS" && to_int32(p.value, units))
        for (const auto& u : kUnits)
          if (units == u.code)
            report_.units("millimetres (the file's " + std::string(u.name) + " not applied)", kInchPerMm);
      continue;
    }
    const std::string_view name = trim(p.value);
    if (name == "EOF") break;
    if (name == "SECTION") {
      Pair q;
      if (in.next(q)) {
        if (q.code == 2)
          section = section_of(trim(q.value));
        else
          in.unread(q);
      }
      entities_on_ = section == Section::kEntities || section == Section::kBlocks;
      continue;
    }
    if (name == "ENDSEC") {
      section = Section::kNone;
      entities_on_ = false;
      continue;
    }
    if (section == Section::kTables && name == "LAYER") {
      layer(in);
      continue;
    }
    if (section == Section::kBlocks && name == "BLOCK") {
      block(in);
      continue;
    }
    if (!entity(in, name, p.offset, top)) {
      report_.add(name, FGB_REPORT_DROPPED, p.offset);  // cut short or malformed: reading ends
      break;
    }
  }
  if (in.broken()) report_.add("not a pair", FGB_REPORT_DROPPED, in.offset());
  if (!versioned) report_.dialect("DXF (no version given)");
  // References met before the definitions they name.
  finished_ = true;
  entities_on_ = true;
  for (size_t i = 0; i < deferred_.size(); ++i) {
    PairCursor again(data_, deferred_[i], size_);
    Pair q;
    if (again.next(q)) insert(again, top, trim(q.value), q.offset);
  }
  meter_.finish();
  return added_ ? 1 : 0;
}

}  // namespace fgb::conv::dxf

namespace fgb::conv {

int read_dxf(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt) {
  dxf::Reader reader(data, size, sink, opt);
  return reader.run();
}

}  // namespace fgb::conv
