#include <session/drawing_view.h>
#include <session/defaults.h>

#include <geomkit/gr_poly.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace kalvex::session {

namespace {

// Half the side of the box a click selects in, in pixels.
constexpr int kClickBox = 3;
// A dragged select box narrower than this (inches) is widened by the click
// box so that it can still hit something.
constexpr double kThinBox = 0.00001;
// Zoom steps of the zoom tool: in by ten, out by a tenth.
constexpr double kZoomIn = 10.0;
constexpr double kZoomOut = 0.1;
// Whole-page view: 10 % spare around the page.
constexpr double kPageMargin = 1.1;
// Largest logical coordinate a zoom may lead to: the device takes 32-bit
// coordinates, and the drawing's elements must still fit beside the page.
constexpr double kMaxLogical = 1.0e9;

std::string fixed2(double v, char decimal) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
  std::string s(buf, r.ptr);
  if (decimal != '.')
    for (char& c : s)
      if (c == '.') c = decimal;
  return s;
}

}  // namespace

int32_t trunc_i32(double v) {
  if (!(v > -2147483648.0)) return INT32_MIN;
  if (v >= 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(v);
}

gr_rgbcol colour_from_platform(uint32_t value) {
  if (value > 0xFFFFFFu) return {0, 0, 0};
  return {static_cast<float>(value & 0xFF) / 255.0f, static_cast<float>((value >> 8) & 0xFF) / 255.0f,
          static_cast<float>((value >> 16) & 0xFF) / 255.0f};
}

DrawingView::DrawingView(DbNotifyTarget* window, const PenSetting& pen) {
  pen_colour_ = colour_from_platform(pen.colour);
  pen_width_in_ = pen.width_mm / kMmPerInch;
  reset_transform();
  doc_ = std::make_unique<MainDB>(window);
  zoom_ = 1.0;
  reload_page_setup(PageSetup{});
}

DrawingView::~DrawingView() {
  if (doc_) doc_->Delete();
}

void DrawingView::reset_transform() {
  trans_ = gr_ctrans{};
  trans_.scale = 1.0;
  trans_.cos = 1.0;
  trans_.xsign = 1;
  trans_.ysign = 1;
}

// ---- page setup -----------------------------------------------------------

void DrawingView::reload_page_setup(const PageSetup& s) {
  // Whole page: the view mapping takes zoom 1 in that state.
  zoom_state_ = 0;
  zoom_ = 1.0;
  dragging_ = false;
  band_ = Band{};
  units_ = s.units >= kInch && s.units <= kCentimetre ? s.units : kMillimetre;
  page_index_ = s.page_index;
  resolution_ = s.resolution > 0 && std::isfinite(s.resolution) ? s.resolution : 300.0;
  page_w_ = s.width;
  page_h_ = s.height;
  if (s.portrait) {
    orientation_ = 1;
    if (page_w_ > page_h_) std::swap(page_w_, page_h_);
  } else {
    orientation_ = 2;
    if (page_w_ < page_h_) std::swap(page_w_, page_h_);
  }
  page_dots_x_ = page_w_ * resolution_ / kMmPerInch;
  page_dots_y_ = page_h_ * resolution_ / kMmPerInch;
  recompute();
}

PageSetup DrawingView::page_setup() const {
  PageSetup s;
  s.units = units_;
  s.page_index = page_index_;
  s.resolution = resolution_;
  s.width = page_w_;
  s.height = page_h_;
  s.portrait = orientation_ != 2;
  return s;
}

void DrawingView::recompute() {
  u_ = resolution_ * zoom_;
  double k = 1.0;
  switch (units_) {
    case kInch: k = 1.0; break;
    case kMillimetre: k = 1.0 / 25.4; break;
    case kPixel: k = 1.0 / resolution_; break;
    case kCentimetre: k = 1.0 / 2.54; break;
  }
  page_right_ = trunc_i32(page_w_ * u_ * k);
  page_bottom_ = trunc_i32(page_h_ * u_ * k);
}

// ---- mapping --------------------------------------------------------------

void DrawingView::set_client_size(int width, int height) {
  cw_ = width > 1 ? width : 1;
  ch_ = height > 1 ? height : 1;
}

bool DrawingView::apply_view_mapping(GrDeviceContext& dc) const {
  if (!dc.SetViewportOrgEx(0, trunc_i32(ch_), nullptr)) return false;
  dc.SetMapMode(MM_ISOTROPIC);
  double ww, wh;
  if (zoom_state_ == 0) {
    ww = kPageMargin * page_right_;
    wh = kPageMargin * page_bottom_;
  } else {
    ww = zoom_window_.width;
    wh = zoom_window_.height;
  }
  // A page or zoom window without extent maps one unit: the platform would
  // refuse the extent and keep the previous mapping.
  const int32_t wx = trunc_i32(ww) != 0 ? trunc_i32(ww) : 1;
  const int32_t wy = trunc_i32(wh) != 0 ? trunc_i32(wh) : 1;
  dc.SetWindowExtEx(wx, wy, nullptr);
  dc.SetViewportExtEx(trunc_i32(cw_), -trunc_i32(ch_), nullptr);
  POINT p{trunc_i32(cw_), 0};
  dc.DPtoLP(&p, 1);
  if (zoom_state_ == 0) {
    dc.OffsetWindowOrgEx(trunc_i32((page_right_ - double(p.x)) * 0.5),
                         trunc_i32((page_bottom_ - double(p.y)) * 0.5), nullptr);
  } else {
    dc.OffsetWindowOrgEx(trunc_i32((zoom_window_.width - p.x) * 0.5 + zoom_window_.left),
                         trunc_i32((zoom_window_.height - p.y) * 0.5 + zoom_window_.bottom), nullptr);
  }
  return true;
}

POINT DrawingView::to_logical(int x, int y) const {
  GrDeviceContext dc;
  POINT p{x, y};
  if (apply_view_mapping(dc)) dc.DPtoLP(&p, 1);
  return p;
}

bool DrawingView::paint(GrDeviceContext& dc) {
  if (!apply_view_mapping(dc)) return false;
  HGDIOBJ old_brush = dc.SelectObject(GetStockObject(NULL_BRUSH));
  dc.MoveToEx(0, -1000, nullptr);
  dc.LineTo(0, 1000);
  dc.MoveToEx(-1000, 0, nullptr);
  dc.LineTo(1000, 0);
  dc.Rectangle(0, 0, page_right_, page_bottom_);
  trans_.scale = u_;
  doc_->Draw(fgb_for_draw_gdb{&dc, &trans_}, 3);
  if (old_brush) dc.SelectObject(old_brush);
  return true;
}

void DrawingView::view_all() {
  zoom_state_ = 0;
  zoom_ = 1.0;
  recompute();
}

// Whether U, the page and the zoom window stay inside the coordinate range
// after multiplying them by factor.
bool DrawingView::zoom_fits(double factor) const {
  const double page = std::max(std::abs(double(page_right_)), std::abs(double(page_bottom_))) * factor;
  const double win = std::max({std::abs(zoom_window_.left) + std::abs(zoom_window_.width),
                               std::abs(zoom_window_.bottom) + std::abs(zoom_window_.height)}) *
                     factor;
  return page < kMaxLogical && win < kMaxLogical && u_ * factor < kMaxLogical;
}

void DrawingView::finish_zoom_in() {
  // Fewer logical units than pixels: go ten times finer, so that integer
  // logical coordinates stay finer than the pixels.
  if ((zoom_window_.width < cw_ || zoom_window_.height < ch_) && zoom_fits(kZoomIn)) {
    zoom_ *= kZoomIn;
    recompute();
    zoom_window_.width *= kZoomIn;
    zoom_window_.height *= kZoomIn;
    zoom_window_.left *= kZoomIn;
    zoom_window_.bottom *= kZoomIn;
  }
  zoom_state_ = 1;
}

bool DrawingView::zoom_step(bool in) {
  // The region shown now, in logical units.
  const POINT lo = to_logical(0, trunc_i32(ch_));
  const POINT hi = to_logical(trunc_i32(cw_), 0);
  const double w = std::abs(double(hi.x) - lo.x), h = std::abs(double(hi.y) - lo.y);
  const double cx = 0.5 * (double(lo.x) + hi.x), cy = 0.5 * (double(lo.y) + hi.y);
  const double k = in ? 0.5 : 2.0;
  ZoomWindow z{w * k, h * k, cx - w * k * 0.5, cy - h * k * 0.5};
  if (z.width < 1 || z.height < 1) {
    if (!zoom_fits(kZoomIn)) return false;
  }
  if (std::max(std::abs(z.left) + z.width, std::abs(z.bottom) + z.height) >= kMaxLogical) return false;
  const ZoomWindow before = zoom_window_;
  const double zoom_before = zoom_;
  zoom_window_ = z;
  if (in) {
    finish_zoom_in();
  } else {
    if ((z.width > cw_ || z.height > ch_) && zoom_ * kZoomOut > 0) {
      zoom_ *= kZoomOut;
      recompute();
      zoom_window_.width *= kZoomOut;
      zoom_window_.height *= kZoomOut;
      zoom_window_.left *= kZoomOut;
      zoom_window_.bottom *= kZoomOut;
    }
    zoom_state_ = 1;
  }
  if (zoom_window_.width < 1 || zoom_window_.height < 1) {
    zoom_window_ = before;
    zoom_ = zoom_before;
    recompute();
    return false;
  }
  return true;
}

// ---- mouse ----------------------------------------------------------------

void DrawingView::mouse_press(int x, int y, Tool tool) {
  if (tool == Tool::Select || tool == Tool::Line) {
    const POINT l = to_logical(x, y);
    press_ = {double(l.x), double(l.y)};
  }
  if (!dragging_) down_ = {x, y};
  dragging_ = true;
}

std::string DrawingView::mouse_move(int x, int y, Tool tool, char decimal) {
  const POINT l = to_logical(x, y);
  double k = 1.0 / u_;
  switch (units_) {
    case kMillimetre: k = 25.4 / u_; break;
    case kCentimetre: k = 2.54 / u_; break;
    case kPixel: k = resolution_ / u_; break;
    default: break;
  }
  const std::string text = "X=" + fixed2(l.x * k, decimal) + ",Y=" + fixed2(l.y * k, decimal);
  if (dragging_) {
    band_.empty = false;
    if (tool == Tool::Line) {
      band_.line = true;
      band_.left = down_.x;
      band_.top = down_.y;
      band_.right = x;
      band_.bottom = y;
    } else {
      band_.line = false;
      band_.left = std::min<int>(down_.x, x);
      band_.right = std::max<int>(down_.x, x);
      band_.top = std::min<int>(down_.y, y);
      band_.bottom = std::max<int>(down_.y, y);
    }
  }
  return text;
}

Gesture DrawingView::mouse_release(int x, int y, Tool tool, unsigned modifiers) {
  band_ = Band{};
  if (!dragging_) return Gesture::None;
  dragging_ = false;
  up_ = {x, y};
  const POINT lu = to_logical(up_.x, up_.y);
  const POINT ld = to_logical(down_.x, down_.y);
  const double dx = double(lu.x) - ld.x, dy = double(lu.y) - ld.y;
  Gesture done = Gesture::None;

  if (tool == Tool::Zoom && (modifiers & kAlt)) {
    const POINT e = to_logical(trunc_i32(2 * cw_), trunc_i32(2 * ch_));
    const POINT o = to_logical(trunc_i32(up_.x - cw_), trunc_i32(up_.y + ch_));
    zoom_window_ = {std::abs(double(e.x)), std::abs(double(e.y)), double(o.x), double(o.y)};
    if (zoom_window_.width > cw_ || zoom_window_.height > ch_) {
      zoom_ *= kZoomOut;
      recompute();
      zoom_window_.width *= kZoomOut;
      zoom_window_.height *= kZoomOut;
      zoom_window_.left *= kZoomOut;
      zoom_window_.bottom *= kZoomOut;
    }
    zoom_state_ = 1;
    done = Gesture::ZoomOut;
  } else if (tool == Tool::Zoom) {
    if (dx != 0 && dy != 0) {
      // The rectangle's lower-left corner: device y grows downwards.
      zoom_window_.left = up_.x > down_.x ? ld.x : lu.x;
      zoom_window_.bottom = up_.y < down_.y ? ld.y : lu.y;
      zoom_window_.width = std::abs(dx);
      zoom_window_.height = std::abs(dy);
      finish_zoom_in();
      done = Gesture::ZoomIn;
    }
  } else if (tool == Tool::Select) {
    addParam req{};
    gr_cpoint release, press;
    if (dx != 0 && dy != 0) {
      req.mode = 0;
      release = logical_to_inch(lu.x, lu.y);
      press = {press_.x / u_, press_.y / u_};
      if (std::abs(release.x - press.x) < kThinBox) release.x += kClickBox / u_;
      if (std::abs(release.y - press.y) < kThinBox) release.y += kClickBox / u_;
    } else {
      req.mode = 1;
      const POINT a = to_logical(up_.x - kClickBox, up_.y - kClickBox);
      const POINT b = to_logical(up_.x + kClickBox, up_.y + kClickBox);
      release = logical_to_inch(a.x, a.y);
      press = logical_to_inch(b.x, b.y);
    }
    req.rect = gr_xy_rect{press.x, press.y, release.x, release.y};
    int direction = 1;
    if (modifiers & kShift) {
      req.keep = 1;
    } else if (modifiers & kCtrl) {
      req.keep = 1;
      direction = 2;
    }
    doc_->SelectElems(&req, direction);
    done = Gesture::Select;
  } else if (tool == Tool::Line) {
    if (dx != 0 || dy != 0) {
      gr_segment seg{{press_.x / u_, press_.y / u_}, logical_to_inch(lu.x, lu.y)};
      gr_curve_style curve{};
      curve.width = static_cast<float>(pen_width_in_);
      curve.color = pen_colour_;
      const gr_fill_area_style fill{};
      doc_->CreateElems(FGB_SEGMENT, &seg, curve, fill, 2);
      new_segment_ = seg;
      has_new_segment_ = true;
      done = Gesture::Line;
    }
  }
  return done;
}

void DrawingView::draw_new_segment(GrDeviceContext& dc) const {
  if (!has_new_segment_) return;
  fgb_db* db = fgb_create_gdb();
  if (!db) return;
  gr_curve_style curve{};
  curve.width = static_cast<float>(pen_width_in_);
  curve.color = pen_colour_;
  fgb_add_segment(db, &new_segment_, curve);
  gr_ctrans t = trans_;
  t.scale = u_;
  const fgb_for_draw_gdb draw{&dc, &t};
  fgb_draw_gdb(db, draw);
  draw_select_gdb(db, &draw);
  fgb_destroy_gdb(db);
}

// ---- keys -----------------------------------------------------------------

int DrawingView::key_down(Key key, unsigned modifiers) {
  switch (key) {
    case Key::Delete: doc_->DeleteElem(2); break;
    case Key::A:
      if (modifiers & kCtrl) doc_->SelectElems();
      break;
    case Key::I:
      if (modifiers & kShift) return kInch;
      break;
    case Key::M:
      if (modifiers & kShift) return kMillimetre;
      break;
    case Key::Z:
      if ((modifiers & kCtrl) && (modifiers & kShift))
        doc_->GetRedo();
      else if (modifiers & kCtrl)
        doc_->GetUndo();
      break;
    case Key::Other: break;
  }
  return -1;
}

// ---- document state -------------------------------------------------------

void DrawingView::refresh_info() {
  info_.dim = doc_->GetDimension();
  info_.dim_s = doc_->GetDimensionS();
  info_.centre = doc_->GetCenter();
  info_.centre_s = doc_->GetCenterS();
  info_.nullp = doc_->GetNullP();
  info_.nullp_s = doc_->GetNullPS();
  info_.count = doc_->GetCountElems();
  info_.count_s = doc_->GetCountElemsS();
}

gr_cpoint DrawingView::selection_size_in_units() const {
  double k = 1.0;
  switch (units_) {
    case kMillimetre: k = 25.4; break;
    case kPixel: k = resolution_; break;
    case kCentimetre: k = 2.54; break;
    default: break;
  }
  return {info_.dim_s.x * k, info_.dim_s.y * k};
}

void DrawingView::units_to_inches(double& x, double& y) const {
  switch (units_) {
    case kMillimetre:
      x *= 1.0 / 25.4;
      y *= 1.0 / 25.4;
      break;
    case kPixel:
      x /= resolution_;
      y /= resolution_;
      break;
    case kCentimetre:
      x *= 1.0 / 2.54;
      y *= 1.0 / 2.54;
      break;
    default: break;
  }
}

void DrawingView::move_selection(bool vector, double x, double y) {
  double dx = x, dy = y;
  if (!vector) {
    const gr_cpoint n = doc_->GetNullPS();
    dx = x - n.x;
    dy = y - n.y;
  }
  doc_->SetDimension(doc_->GetDimensionS(), dx, dy, OP_MOVE);
}

void DrawingView::resize_selection(bool percent, bool proportional, double a, double b) {
  double sx, sy;
  if (percent) {
    sx = a * 0.01;
    sy = (proportional ? a : b) * 0.01;
  } else {
    const gr_cpoint d = doc_->GetDimensionS();
    sx = a / d.x;
    sy = b / d.y;
    if (proportional) sy = sx;
  }
  // A selection without width or height has no factor to scale by: the
  // division would put its points at infinity.
  if (!std::isfinite(sx) || !std::isfinite(sy)) return;
  const gr_cpoint c = doc_->GetCenterS();
  doc_->SetDimension(sx, sy, c.x, c.y, OP_SCALE);
}

void DrawingView::apply_pen(uint32_t colour, double width_in) {
  doc_->SetWidthColor(colour_from_platform(colour), width_in);
}

void DrawingView::set_pen(uint32_t colour, double width_in) {
  pen_colour_ = colour_from_platform(colour);
  pen_width_in_ = width_in;
}

void DrawingView::note_issued(int message, std::intptr_t wparam) {
  // Every edit, undo and redo changes the undo state; selection changes do
  // not (select-all records an undo step and counts as a change).
  if ((message == WM_DB_UNDOSTATE && (wparam == DB_UNDO_POSSIBLE || wparam == DB_REDO_POSSIBLE)) ||
      message == WM_DB_REDRAW)
    modified_ = true;
}

}  // namespace kalvex::session
