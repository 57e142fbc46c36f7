// Styled outlines (a pen made from a line style) and thick outlines (a copy
// of the pen in force).
#include <geomkit/gr_graph.h>

#include "core/gr_circle_p.h"
#include "draw/gr_graph_p.h"

namespace geomkit {

ScopedPenCopy::ScopedPenCopy(HDC dc) : dc_(dc) {
  // Selecting the stock pen hands back the pen in force; its description
  // makes the copy, which then takes the stock pen's place.
  previous_ = dc->SelectObject(GetStockObject(BLACK_PEN));
  LOGPEN lp{PS_SOLID, {0, 0}, 0};
  GetObjectA(previous_, sizeof lp, &lp);
  copy_ = CreatePenIndirect(&lp);
  try {
    if (copy_) dc->SelectObject(copy_);
  } catch (...) {
    // The destructor will not run: undo here.
    release();
    throw;
  }
}

ScopedPenCopy::~ScopedPenCopy() { release(); }

void ScopedPenCopy::release() noexcept {
  try {
    if (previous_) dc_->SelectObject(previous_);
  } catch (...) {
    // The back-end failed to reselect; nothing more can be done here.
  }
  if (copy_) DeleteObject(copy_);
}

namespace {

// Negative widths (and NaN) draw nothing; -1.0 exactly is the null pen,
// which draws nothing visible either.
bool style_draws(const gr_curve_style& style) { return style.width >= 0; }

bool dashed(const gr_curve_style& style) { return style.font.n != 0; }

gr_trellip circle_as_trellip(const gr_cpoint& c, double r, double t1, double t2) {
  // First axis along +x (sine 0, cosine 1); for a circle the ellipse
  // parameters are the angles.
  return gr_trellip{c, gr_direct{0.0, 1.0}, r, r, t1, t2};
}

}  // namespace

}  // namespace geomkit

using namespace geomkit;

// ---------------------------------------------------------------------------
// Styled outlines
// ---------------------------------------------------------------------------

void gr_styled_polyline_draw(const gr_polyline* pline, const gr_curve_style* style, HDC dc) noexcept {
  if (!pline || !style || !dc) return;
  guarded([&] {
    ScopedSelect pen(dc, gr_create_pen_by_curve_style(style), true);
    if (!style_draws(*style) || pline->n < 2) return;
    if (dashed(*style)) {
      draw_polyline16(*pline, dc, &style->font);
    } else {
      draw_polyline(*pline, dc);
    }
  });
}

void gr_styled_segment_draw(const gr_segment* seg, const gr_curve_style* style, HDC dc) noexcept {
  if (!seg || !style || !dc) return;
  guarded([&] {
    ScopedSelect pen(dc, gr_create_pen_by_curve_style(style), true);
    if (!style_draws(*style)) return;
    if (dashed(*style)) {
      draw_segment16(*seg, dc, &style->font);
    } else {
      moveto_lineto(dc, seg->p1, false);
      moveto_lineto(dc, seg->p2, true);
    }
  });
}

void gr_styled_circle_draw(const gr_circle* circle, const gr_curve_style* style, HDC dc) noexcept {
  if (!circle || !style || !dc) return;
  guarded([&] {
    ScopedSelect pen(dc, gr_create_pen_by_curve_style(style), true);
    if (!style_draws(*style)) return;
    if (dashed(*style)) {
      // The library's dashed circles are chords of about 10 logical units.
      draw_trellip16(circle_as_trellip(circle->c, circle->r, 0.0, kTwoPi), dc, 10.0, &style->font);
    } else {
      draw_circle(*circle, dc);
    }
  });
}

// ---------------------------------------------------------------------------
// Thick outlines: the thickness does not change the pen
// ---------------------------------------------------------------------------

void gr_thick_polyline_draw(const gr_thick_polyline* tpline, HDC dc) noexcept {
  if (!tpline || !dc || tpline->pline.n < 2) return;
  guarded([&] {
    ScopedPenCopy pen(dc);
    draw_polyline(tpline->pline, dc);
  });
}

void gr_thick_polyline_draw16(const gr_thick_polyline* tpline, HDC dc, const gr_curve_font* font) noexcept {
  if (!tpline || !dc || tpline->pline.n < 2) return;
  guarded([&] {
    ScopedPenCopy pen(dc);
    draw_polyline16(tpline->pline, dc, font);
  });
}

void gr_thick_segment_draw(const gr_segment* seg, HDC dc) noexcept {
  if (!seg || !dc) return;
  guarded([&] {
    ScopedPenCopy pen(dc);
    moveto_lineto(dc, seg->p1, false);
    moveto_lineto(dc, seg->p2, true);
  });
}

void gr_thick_segment_draw16(const gr_segment* seg, HDC dc, const gr_curve_font* font) noexcept {
  if (!seg || !dc) return;
  guarded([&] {
    ScopedPenCopy pen(dc);
    draw_segment16(*seg, dc, font);
  });
}

void gr_thick_circle_draw(const gr_thick_circle* circle, HDC dc) noexcept {
  if (!circle || !dc) return;
  guarded([&] {
    ScopedPenCopy pen(dc);
    draw_circle(gr_circle{circle->c, circle->r}, dc);
  });
}

void gr_thick_circle_draw16(const gr_thick_circle* circle, HDC dc, double step,
                            const gr_curve_font* font) noexcept {
  if (!circle || !dc) return;
  guarded([&] {
    ScopedPenCopy pen(dc);
    ScopedSelect brush(dc, GetStockObject(NULL_BRUSH), false);
    draw_trellip16(circle_as_trellip(circle->c, circle->r, 0.0, kTwoPi), dc, step, font);
  });
}

void gr_thick_trcircle_draw(const gr_thick_trcircle* arc, HDC dc) noexcept {
  if (!arc || !dc) return;
  guarded([&] {
    ScopedPenCopy pen(dc);
    draw_trcircle(gr_trcircle{arc->c, arc->r, arc->a1, arc->a2}, dc);
  });
}

void gr_thick_trcircle_draw16(const gr_thick_trcircle* arc, HDC dc, double step,
                              const gr_curve_font* font) noexcept {
  if (!arc || !dc) return;
  guarded([&] {
    ScopedPenCopy pen(dc);
    ScopedSelect brush(dc, GetStockObject(NULL_BRUSH), false);
    draw_trellip16(circle_as_trellip(arc->c, arc->r, arc->a1, arc->a2), dc, step, font);
  });
}
