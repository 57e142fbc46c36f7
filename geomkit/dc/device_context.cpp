// The device-context state machine: GDI objects and their registry, the
// logical-to-device mapping with the isotropic rule, and the attributes and
// current position every back-end shares. Nothing here draws.
#include <geomkit/device_context.h>

#include "dc/device_context_p.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>

namespace {

// ---------------------------------------------------------------------------
// Object registry
// ---------------------------------------------------------------------------

// Every object created and not yet deleted, with the number of device
// contexts it is selected into. A handle is only ever dereferenced after it
// has been found here (or among the stock objects), so a stale handle is
// refused instead of read. Device contexts may live on several threads, so
// the registry is guarded.
struct Entry {
  std::unique_ptr<GrGdiObject> object;
  int selections = 0;
};

struct Registry {
  std::mutex mutex;
  std::unordered_map<const GrGdiObject*, Entry> live;
};

// Never destroyed: device contexts with static storage may outlive any
// ordinary static, and the registry stays reachable, so it is no leak.
Registry& registry() {
  static Registry* r = new Registry;
  return *r;
}

constexpr int kStockCount = SYSTEM_FONT + 1;

GrGdiObject make_stock_pen(UINT style, COLORREF color) {
  GrGdiObject o;
  o.type = OBJ_PEN;
  o.stock = true;
  o.pen.lopnStyle = style;
  o.pen.lopnWidth = {0, 0};
  o.pen.lopnColor = color;
  return o;
}

GrGdiObject make_stock_brush(UINT style, COLORREF color) {
  GrGdiObject o;
  o.type = OBJ_BRUSH;
  o.stock = true;
  o.brush.lbStyle = style;
  o.brush.lbColor = color;
  o.brush.lbHatch = 0;
  return o;
}

GrGdiObject make_stock_font(int32_t height, int32_t weight, uint8_t pitch_family, const char* face) {
  GrGdiObject o;
  o.type = OBJ_FONT;
  o.stock = true;
  o.font.lfHeight = height;
  o.font.lfWeight = weight;
  o.font.lfCharSet = 0;  // ANSI_CHARSET
  o.font.lfPitchAndFamily = pitch_family;
  std::memcpy(o.font.lfFaceName, face, std::min<size_t>(std::strlen(face), LF_FACESIZE - 1));
  return o;
}

// Stock objects, indexed by their GetStockObject number; type 0 marks the
// numbers with no object.
std::array<GrGdiObject, kStockCount>& stock_objects() {
  static std::array<GrGdiObject, kStockCount> objects = [] {
    std::array<GrGdiObject, kStockCount> a{};
    a[WHITE_BRUSH] = make_stock_brush(BS_SOLID, RGB(255, 255, 255));
    a[LTGRAY_BRUSH] = make_stock_brush(BS_SOLID, RGB(192, 192, 192));
    a[GRAY_BRUSH] = make_stock_brush(BS_SOLID, RGB(128, 128, 128));
    a[DKGRAY_BRUSH] = make_stock_brush(BS_SOLID, RGB(64, 64, 64));
    a[BLACK_BRUSH] = make_stock_brush(BS_SOLID, RGB(0, 0, 0));
    a[NULL_BRUSH] = make_stock_brush(BS_NULL, RGB(0, 0, 0));
    a[WHITE_PEN] = make_stock_pen(PS_SOLID, RGB(255, 255, 255));
    a[BLACK_PEN] = make_stock_pen(PS_SOLID, RGB(0, 0, 0));
    a[NULL_PEN] = make_stock_pen(PS_NULL, RGB(0, 0, 0));
    // Variable-pitch Swiss face, 12 units high: the small user-interface
    // font text elements start from.
    a[ANSI_VAR_FONT] = make_stock_font(12, 400, 0x22, "Sans");
    a[SYSTEM_FONT] = make_stock_font(16, 700, 0x22, "Sans");
    return a;
  }();
  return objects;
}

bool is_stock(const GrGdiObject* obj) {
  auto& a = stock_objects();
  std::less<const GrGdiObject*> less;
  return !less(obj, a.data()) && less(obj, a.data() + a.size()) && obj->type != 0;
}

// The object behind a handle, or null for a null, deleted or foreign
// handle. The caller holds the registry lock.
const GrGdiObject* find_locked(Registry& r, HGDIOBJ obj) {
  if (!obj) return nullptr;
  if (is_stock(obj)) return obj;
  auto it = r.live.find(obj);
  return it == r.live.end() ? nullptr : it->second.object.get();
}

HGDIOBJ add_object(GrGdiObject&& o) noexcept {
  try {
    auto owned = std::make_unique<GrGdiObject>(std::move(o));
    HGDIOBJ h = owned.get();
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.live.emplace(h, Entry{std::move(owned), 0});
    return h;
  } catch (...) {
    return nullptr;
  }
}

// Slot of a device context an object type selects into.
int slot_of(int type) { return type == OBJ_EXTPEN ? OBJ_PEN : type; }

}  // namespace

// ---------------------------------------------------------------------------
// Object functions
// ---------------------------------------------------------------------------

HPEN CreatePen(int style, int width, COLORREF color) noexcept {
  LOGPEN lp{};
  lp.lopnStyle = static_cast<UINT>(style);
  lp.lopnWidth = {width, 0};
  lp.lopnColor = color;
  return CreatePenIndirect(&lp);
}

HPEN CreatePenIndirect(const LOGPEN* logpen) noexcept {
  if (!logpen) return nullptr;
  GrGdiObject o;
  o.type = OBJ_PEN;
  o.pen = *logpen;
  o.pen.lopnWidth.y = 0;
  return add_object(std::move(o));
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD count,
                  const DWORD* dashes) noexcept {
  if (!brush) return nullptr;
  const DWORD kind = style & PS_STYLE_MASK;
  if (kind == PS_USERSTYLE) {
    // The platform takes at most 16 dash entries.
    if (count == 0 || count > 16 || !dashes) return nullptr;
  } else if (count != 0) {
    return nullptr;
  }
  GrGdiObject o;
  o.type = OBJ_EXTPEN;
  o.pen.lopnStyle = style;
  // A cosmetic pen is always one device pixel wide.
  const bool geometric = (style & PS_TYPE_MASK) == PS_GEOMETRIC;
  o.pen.lopnWidth = {geometric ? static_cast<int32_t>(std::min<DWORD>(width, INT32_MAX)) : 1, 0};
  o.pen.lopnColor = brush->lbColor;
  o.brush = *brush;
  try {
    if (kind == PS_USERSTYLE) o.dashes.assign(dashes, dashes + count);
  } catch (...) {
    return nullptr;
  }
  return add_object(std::move(o));
}

HBRUSH CreateSolidBrush(COLORREF color) noexcept {
  LOGBRUSH lb{BS_SOLID, color, 0};
  return CreateBrushIndirect(&lb);
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) noexcept {
  LOGBRUSH lb{BS_HATCHED, color, static_cast<uint32_t>(hatch)};
  return CreateBrushIndirect(&lb);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* logbrush) noexcept {
  if (!logbrush) return nullptr;
  GrGdiObject o;
  o.type = OBJ_BRUSH;
  o.brush = *logbrush;
  return add_object(std::move(o));
}

HFONT CreateFontIndirectA(const LOGFONTA* logfont) noexcept {
  if (!logfont) return nullptr;
  GrGdiObject o;
  o.type = OBJ_FONT;
  o.font = *logfont;
  // The face name may arrive without its terminator.
  o.font.lfFaceName[LF_FACESIZE - 1] = '\0';
  return add_object(std::move(o));
}

HGDIOBJ GetStockObject(int which) noexcept {
  if (which < 0 || which >= kStockCount) return nullptr;
  GrGdiObject& o = stock_objects()[static_cast<size_t>(which)];
  return o.type != 0 ? &o : nullptr;
}

int GetObjectA(HGDIOBJ obj, int size, void* out) noexcept {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  const GrGdiObject* o = find_locked(r, obj);
  if (!o) return 0;
  const void* src = nullptr;
  int need = 0;
  LOGPEN extpen_as_logpen{};
  switch (o->type) {
    case OBJ_PEN:
      src = &o->pen;
      need = static_cast<int>(sizeof(LOGPEN));
      break;
    case OBJ_EXTPEN:
      // Read as a plain pen: its line style, width and colour, without the
      // type and end-cap bits a LOGPEN has no room for.
      extpen_as_logpen = o->pen;
      extpen_as_logpen.lopnStyle &= PS_STYLE_MASK;
      src = &extpen_as_logpen;
      need = static_cast<int>(sizeof(LOGPEN));
      break;
    case OBJ_BRUSH:
      src = &o->brush;
      need = static_cast<int>(sizeof(LOGBRUSH));
      break;
    case OBJ_FONT:
      src = &o->font;
      need = static_cast<int>(sizeof(LOGFONTA));
      break;
    default: return 0;
  }
  if (!out) return need;
  if (size < need) return 0;
  std::memcpy(out, src, static_cast<size_t>(need));
  return need;
}

DWORD GetObjectType(HGDIOBJ obj) noexcept {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  const GrGdiObject* o = find_locked(r, obj);
  return o ? static_cast<DWORD>(o->type) : 0;
}

BOOL DeleteObject(HGDIOBJ obj) noexcept {
  if (!obj) return 0;
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (is_stock(obj)) return 1;  // shared: deleting one is harmless and does nothing
  auto it = r.live.find(obj);
  if (it == r.live.end()) return 0;
  // An object still selected into a device context stays alive, as on the
  // platform; the caller must select the previous object back first.
  if (it->second.selections > 0) return 0;
  r.live.erase(it);
  return 1;
}

long gdi_live_object_count() noexcept {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  return static_cast<long>(r.live.size());
}

// ---------------------------------------------------------------------------
// GrDeviceContext: construction and objects
// ---------------------------------------------------------------------------

GrDeviceContext::GrDeviceContext()
    : pen_(GetStockObject(BLACK_PEN)),
      brush_(GetStockObject(WHITE_BRUSH)),
      font_(GetStockObject(SYSTEM_FONT)) {}

GrDeviceContext::~GrDeviceContext() {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  for (HGDIOBJ h : {pen_, brush_, font_}) {
    auto it = r.live.find(h);
    if (it != r.live.end()) --it->second.selections;
  }
}

HGDIOBJ GrDeviceContext::SelectObject(HGDIOBJ obj) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  const GrGdiObject* o = find_locked(r, obj);
  if (!o) return nullptr;
  HGDIOBJ* slot = nullptr;
  switch (slot_of(o->type)) {
    case OBJ_PEN: slot = &pen_; break;
    case OBJ_BRUSH: slot = &brush_; break;
    case OBJ_FONT: slot = &font_; break;
    default: return nullptr;
  }
  HGDIOBJ previous = *slot;
  if (previous == obj) return previous;
  auto it = r.live.find(obj);
  if (it != r.live.end()) ++it->second.selections;
  it = r.live.find(previous);
  if (it != r.live.end()) --it->second.selections;
  *slot = obj;
  return previous;
}

HGDIOBJ GrDeviceContext::GetCurrentObject(int type) const {
  switch (slot_of(type)) {
    case OBJ_PEN: return pen_;
    case OBJ_BRUSH: return brush_;
    case OBJ_FONT: return font_;
    default: return nullptr;
  }
}

// ---------------------------------------------------------------------------
// Mapping
// ---------------------------------------------------------------------------

namespace {

// Logical units per inch of the fixed-scale map modes; 0 for the others.
double units_per_inch(int mode) {
  switch (mode) {
    case MM_LOMETRIC: return 254.0;
    case MM_HIMETRIC: return 2540.0;
    case MM_LOENGLISH: return 100.0;
    case MM_HIENGLISH: return 1000.0;
    case MM_TWIPS: return 1440.0;
    default: return 0.0;
  }
}

bool scalable(int mode) { return mode == MM_ISOTROPIC || mode == MM_ANISOTROPIC; }

int32_t saturate(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

int32_t round_saturate(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(std::llround(v));
}

}  // namespace

namespace geomkit {

IsotropicExtent isotropic_extent(SIZE window, SIZE viewport) noexcept {
  // s = min(|vx / wx|, |vy / wy|), decided exactly by cross-multiplying in
  // 64 bits: the limiting axis keeps its requested extent, the other one
  // becomes s |w| (with the sign of its request). Reporting that one rounded
  // away from zero keeps the limiting axis limiting when the reported extent
  // is set again, so a save / change / restore of the extents (as the line
  // primitive does for huge coordinates) gives back the same mapping.
  IsotropicExtent e{1.0, viewport};
  // Zero extents are refused by the setters; guard anyway.
  if (window.cx == 0 || window.cy == 0 || viewport.cx == 0 || viewport.cy == 0) return e;
  const int64_t wx = std::llabs(int64_t{window.cx}), wy = std::llabs(int64_t{window.cy});
  const int64_t vx = std::llabs(int64_t{viewport.cx}), vy = std::llabs(int64_t{viewport.cy});
  const bool x_limits = vx * wy <= vy * wx;
  e.scale = x_limits ? static_cast<double>(vx) / static_cast<double>(wx)
                     : static_cast<double>(vy) / static_cast<double>(wy);
  int64_t ex = vx, ey = vy;
  if (x_limits) {
    ey = (vx * wy + wx - 1) / wx;
  } else {
    ex = (vy * wx + wy - 1) / wy;
  }
  e.reported.cx = saturate(viewport.cx < 0 ? -ex : ex);
  e.reported.cy = saturate(viewport.cy < 0 ? -ey : ey);
  return e;
}

}  // namespace geomkit

int GrDeviceContext::SetMapMode(int mode) {
  if (mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
  const int previous = map_mode_;
  // Setting the mode in force keeps the extents, so repeating the set-up of
  // a view does not disturb it.
  if (mode != previous) {
    map_mode_ = mode;
    window_ext_ = {1, 1};
    viewport_ext_ = {1, 1};
    mapping_changed();
  }
  return previous;
}

int GrDeviceContext::GetMapMode() const { return map_mode_; }

BOOL GrDeviceContext::SetWindowExtEx(int x, int y, SIZE* old) {
  if (!scalable(map_mode_) || x == 0 || y == 0) return 0;
  if (old) *old = window_ext_;
  window_ext_ = {x, y};
  mapping_changed();
  return 1;
}

BOOL GrDeviceContext::GetWindowExtEx(SIZE* out) const {
  if (!out) return 0;
  *out = window_ext_;
  return 1;
}

BOOL GrDeviceContext::SetViewportExtEx(int x, int y, SIZE* old) {
  if (!scalable(map_mode_) || x == 0 || y == 0) return 0;
  if (old) GetViewportExtEx(old);
  viewport_ext_ = {x, y};
  mapping_changed();
  return 1;
}

BOOL GrDeviceContext::GetViewportExtEx(SIZE* out) const {
  if (!out) return 0;
  *out = map_mode_ == MM_ISOTROPIC ? geomkit::isotropic_extent(window_ext_, viewport_ext_).reported
                                   : viewport_ext_;
  return 1;
}

BOOL GrDeviceContext::SetWindowOrgEx(int x, int y, POINT* old) {
  if (old) *old = window_org_;
  window_org_ = {x, y};
  mapping_changed();
  return 1;
}

BOOL GrDeviceContext::GetWindowOrgEx(POINT* out) const {
  if (!out) return 0;
  *out = window_org_;
  return 1;
}

BOOL GrDeviceContext::SetViewportOrgEx(int x, int y, POINT* old) {
  if (old) *old = viewport_org_;
  viewport_org_ = {x, y};
  mapping_changed();
  return 1;
}

BOOL GrDeviceContext::GetViewportOrgEx(POINT* out) const {
  if (!out) return 0;
  *out = viewport_org_;
  return 1;
}

BOOL GrDeviceContext::OffsetWindowOrgEx(int dx, int dy, POINT* old) {
  if (old) *old = window_org_;
  window_org_ = {saturate(int64_t{window_org_.x} + dx), saturate(int64_t{window_org_.y} + dy)};
  mapping_changed();
  return 1;
}

BOOL GrDeviceContext::OffsetViewportOrgEx(int dx, int dy, POINT* old) {
  if (old) *old = viewport_org_;
  viewport_org_ = {saturate(int64_t{viewport_org_.x} + dx), saturate(int64_t{viewport_org_.y} + dy)};
  mapping_changed();
  return 1;
}

GrDeviceContext::Mapping GrDeviceContext::mapping() const {
  double sx = 1.0, sy = 1.0;
  switch (map_mode_) {
    case MM_ANISOTROPIC:
      sx = static_cast<double>(viewport_ext_.cx) / window_ext_.cx;
      sy = static_cast<double>(viewport_ext_.cy) / window_ext_.cy;
      break;
    case MM_ISOTROPIC: {
      const double s = geomkit::isotropic_extent(window_ext_, viewport_ext_).scale;
      sx = (viewport_ext_.cx < 0) != (window_ext_.cx < 0) ? -s : s;
      sy = (viewport_ext_.cy < 0) != (window_ext_.cy < 0) ? -s : s;
      break;
    }
    case MM_TEXT: break;
    default: {
      // The fixed-scale modes: real units, y up.
      const double upi = units_per_inch(map_mode_);
      sx = device_dpi_x() / upi;
      sy = -device_dpi_y() / upi;
      break;
    }
  }
  return {sx, sy, viewport_org_.x - window_org_.x * sx, viewport_org_.y - window_org_.y * sy};
}

BOOL GrDeviceContext::DPtoLP(POINT* pts, int count) const {
  if (count < 0 || (count > 0 && !pts)) return 0;
  const Mapping m = mapping();
  for (int i = 0; i < count; ++i) {
    // logical = window origin + (device - viewport origin) / scale
    pts[i].x = round_saturate(window_org_.x + (double(pts[i].x) - viewport_org_.x) / m.sx);
    pts[i].y = round_saturate(window_org_.y + (double(pts[i].y) - viewport_org_.y) / m.sy);
  }
  return 1;
}

BOOL GrDeviceContext::LPtoDP(POINT* pts, int count) const {
  if (count < 0 || (count > 0 && !pts)) return 0;
  const Mapping m = mapping();
  for (int i = 0; i < count; ++i) {
    pts[i].x = round_saturate(viewport_org_.x + (double(pts[i].x) - window_org_.x) * m.sx);
    pts[i].y = round_saturate(viewport_org_.y + (double(pts[i].y) - window_org_.y) * m.sy);
  }
  return 1;
}

int GrDeviceContext::GetClipBox(RECT* out) const {
  if (out) *out = RECT{0, 0, 0, 0};
  return RGN_ERROR;  // no surface known
}

double GrDeviceContext::device_dpi_x() const { return 96.0; }
double GrDeviceContext::device_dpi_y() const { return 96.0; }

// ---------------------------------------------------------------------------
// Attributes
// ---------------------------------------------------------------------------

int GrDeviceContext::SetROP2(int mode) {
  if (mode < R2_BLACK || mode > R2_WHITE) return 0;
  const int previous = rop2_;
  rop2_ = mode;
  return previous;
}
int GrDeviceContext::GetROP2() const { return rop2_; }

int GrDeviceContext::SetPolyFillMode(int mode) {
  if (mode != ALTERNATE && mode != WINDING) return 0;
  const int previous = fill_mode_;
  fill_mode_ = mode;
  return previous;
}
int GrDeviceContext::GetPolyFillMode() const { return fill_mode_; }

int GrDeviceContext::SetBkMode(int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  const int previous = bk_mode_;
  bk_mode_ = mode;
  return previous;
}
int GrDeviceContext::GetBkMode() const { return bk_mode_; }

UINT GrDeviceContext::SetTextAlign(UINT align) {
  const UINT previous = text_align_;
  text_align_ = align;
  return previous;
}
UINT GrDeviceContext::GetTextAlign() const { return text_align_; }

int GrDeviceContext::SetArcDirection(int direction) {
  if (direction != AD_COUNTERCLOCKWISE && direction != AD_CLOCKWISE) return 0;
  const int previous = arc_direction_;
  arc_direction_ = direction;
  return previous;
}
int GrDeviceContext::GetArcDirection() const { return arc_direction_; }

// ---------------------------------------------------------------------------
// Drawing: argument checks and the current position only
// ---------------------------------------------------------------------------

BOOL GrDeviceContext::MoveToEx(int x, int y, POINT* old) {
  if (old) *old = position_;
  position_ = {x, y};
  return 1;
}

BOOL GrDeviceContext::GetCurrentPositionEx(POINT* out) const {
  if (!out) return 0;
  *out = position_;
  return 1;
}

BOOL GrDeviceContext::LineTo(int x, int y) {
  position_ = {x, y};
  return 1;
}

BOOL GrDeviceContext::PolylineRuns(const POINT* pts, const DWORD* counts, DWORD runs) {
  if (!pts || !counts) return 0;
  for (DWORD r = 0; r < runs; ++r) {
    if (counts[r] == 0) continue;
    MoveToEx(pts[0].x, pts[0].y, nullptr);
    for (DWORD i = 1; i < counts[r]; ++i) LineTo(pts[i].x, pts[i].y);
    pts += counts[r];
  }
  return 1;
}

BOOL GrDeviceContext::Polygon(const POINT* pts, int count) { return pts && count >= 2; }

BOOL GrDeviceContext::PolyPolygon(const POINT* pts, const int* counts, int polygons) {
  if (!pts || !counts || polygons <= 0) return 0;
  for (int i = 0; i < polygons; ++i) {
    if (counts[i] < 2) return 0;
  }
  return 1;
}

BOOL GrDeviceContext::Ellipse(int, int, int, int) { return 1; }
BOOL GrDeviceContext::Rectangle(int, int, int, int) { return 1; }
BOOL GrDeviceContext::Arc(int, int, int, int, int, int, int, int) { return 1; }

BOOL GrDeviceContext::PolyBezier(const POINT* pts, DWORD count) {
  return pts && count >= 4 && (count - 1) % 3 == 0;
}

COLORREF GrDeviceContext::SetPixel(int, int, COLORREF color) { return color & 0x00FFFFFFu; }

BOOL GrDeviceContext::TextOutA(int, int, const char* text, int length) {
  return length >= 0 && (length == 0 || text);
}
