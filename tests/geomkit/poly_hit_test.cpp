// Hit tests behind rubber-band selection.
// Invariants: a point within the tolerance of an edge is on the figure; the
// region test closes every polyline; a rectangle against a figure answers
// crossing (3) whenever a side touches the outline, else figure-in-rect (2),
// rect-in-figure (0) or no contact (4); degenerate and empty input answers
// without reading past the record.
#include <geomkit/gr_poly.h>

#include "support/poly_builders.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using testsupport::make_polyline;

const std::vector<gr_cpoint> kSquare{{0, 0}, {4, 0}, {4, 4}, {0, 4}};

TEST(LayoutCpointSegment, InsideOnOutside) {
  struct Row {
    const char* name;
    gr_cpoint pt;
    gr_segment seg;
    int code;
  } rows[] = {
      {"strictly between the ends", {1, 0.5e-5}, {{0, 0}, {2, 0}}, GR_LAYOUT_INSIDE},
      {"at an end", {2, 0}, {{0, 0}, {2, 0}}, GR_LAYOUT_ON},
      {"near an end along the line", {-0.5e-5, 0}, {{0, 0}, {2, 0}}, GR_LAYOUT_ON},
      {"beyond an end", {2.1, 0}, {{0, 0}, {2, 0}}, GR_LAYOUT_OUTSIDE},
      {"off the line by the tolerance", {1, 1e-5}, {{0, 0}, {2, 0}}, GR_LAYOUT_OUTSIDE},
      {"point segment, on", {1, 1 + 0.5e-5}, {{1, 1}, {1, 1}}, GR_LAYOUT_ON},
      {"point segment, off", {1, 1.1}, {{1, 1}, {1, 1}}, GR_LAYOUT_OUTSIDE},
      {"tiny segment counts as a point", {5, 5}, {{5, 5}, {5 + 0.5e-5, 5}}, GR_LAYOUT_ON},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(gr_layout_cpoint_segment(&r.pt, &r.seg), r.code);
  }
}

TEST(LayoutCpointPolyline, RegionTestClosesTheOutline) {
  auto open_triangle = make_polyline({{0, 0}, {4, 0}, {0, 4}}, 0);
  auto square = make_polyline(kSquare);
  auto concave = make_polyline({{0, 0}, {4, 0}, {4, 4}, {2, 1}, {0, 4}});
  auto empty = make_polyline({});
  auto dot = make_polyline({{1, 1}});
  struct Row {
    const char* name;
    const gr_polyline* pl;
    gr_cpoint pt;
    int code;
  } rows[] = {
      {"inside open triangle", open_triangle.get(), {1, 1}, GR_LAYOUT_INSIDE},
      {"on the missing closing edge", open_triangle.get(), {0, 2}, GR_LAYOUT_ON},
      {"on a drawn edge", open_triangle.get(), {2, 2}, GR_LAYOUT_ON},
      {"on an edge", square.get(), {4, 2}, GR_LAYOUT_ON},
      {"at a vertex", square.get(), {0, 0}, GR_LAYOUT_ON},
      {"outside", square.get(), {5, 2}, GR_LAYOUT_OUTSIDE},
      {"in the notch of a concave figure", concave.get(), {2, 3}, GR_LAYOUT_OUTSIDE},
      {"in a concave figure's arm", concave.get(), {3.5, 3}, GR_LAYOUT_INSIDE},
      {"empty polyline", empty.get(), {0, 0}, GR_LAYOUT_OUTSIDE},
      {"single point, on", dot.get(), {1, 1}, GR_LAYOUT_ON},
      {"single point, off", dot.get(), {2, 1}, GR_LAYOUT_OUTSIDE},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(gr_layout_cpoint_polyline(&r.pt, r.pl), r.code);
  }
}

TEST(LayoutRectPolyline, SelectionCodes) {
  auto square = make_polyline(kSquare);
  auto open_l = make_polyline({{0, 0}, {4, 0}, {4, 4}}, 0);
  auto empty = make_polyline({});
  struct Row {
    const char* name;
    const gr_polyline* pl;
    gr_xy_rect rect;
    int code;
  } rows[] = {
      {"figure wholly inside", square.get(), {-1, -1, 5, 5}, GR_FIGURE_IN_RECT},
      {"rectangle wholly inside", square.get(), {1, 1, 2, 2}, GR_RECT_IN_FIGURE},
      {"disjoint", square.get(), {10, 10, 11, 11}, GR_NO_CONTACT},
      {"crossing one side", square.get(), {3, 1, 6, 2}, GR_OUTLINES_CROSS},
      {"side touching the outline", square.get(), {4, 1, 6, 2}, GR_OUTLINES_CROSS},
      {"corner touching a vertex", square.get(), {4, 4, 6, 6}, GR_OUTLINES_CROSS},
      {"sharing a whole side", square.get(), {0, 0, 4, 4}, GR_OUTLINES_CROSS},
      {"open figure: the missing edge does not cross", open_l.get(), {0.5, 0.2, 1, 3}, GR_NO_CONTACT},
      {"open figure: region test still closes it", open_l.get(), {3, 1, 3.5, 1.5}, GR_RECT_IN_FIGURE},
      {"empty polyline", empty.get(), {-1, -1, 1, 1}, GR_NO_CONTACT},
      {"point rectangle inside", square.get(), {1, 1, 1, 1}, GR_RECT_IN_FIGURE},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(gr_layout_rect_polyline(&r.rect, r.pl), r.code);
  }
}

TEST(LayoutRectSegm, SelectionCodes) {
  struct Row {
    const char* name;
    gr_xy_rect rect;
    gr_segment seg;
    int code;
  } rows[] = {
      {"inside", {0, 0, 4, 4}, {{1, 1}, {3, 2}}, GR_FIGURE_IN_RECT},
      {"one end in, one out", {0, 0, 4, 4}, {{1, 1}, {6, 2}}, GR_OUTLINES_CROSS},
      {"passing through", {0, 0, 4, 4}, {{-1, 2}, {6, 2}}, GR_OUTLINES_CROSS},
      {"along the bottom side", {0, 0, 4, 4}, {{1, 0}, {3, 0}}, GR_RECT_TOUCHES},
      {"covering the bottom side", {0, 0, 4, 4}, {{-1, 0}, {5, 0}}, GR_RECT_TOUCHES},
      {"on the bottom line beyond the side", {0, 0, 4, 4}, {{5, 0}, {7, 0}}, GR_NO_CONTACT},
      {"outside", {0, 0, 4, 4}, {{5, 5}, {7, 8}}, GR_NO_CONTACT},
      {"ending on a side from outside", {0, 0, 4, 4}, {{4, 2}, {6, 2}}, GR_OUTLINES_CROSS},
      {"inverted rectangle is normalised", {4, 4, 0, 0}, {{1, 1}, {3, 2}}, GR_FIGURE_IN_RECT},
      {"point segment inside", {0, 0, 4, 4}, {{1, 1}, {1, 1}}, GR_FIGURE_IN_RECT},
      {"point segment on a side", {0, 0, 4, 4}, {{0, 1}, {0, 1}}, GR_RECT_TOUCHES},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    gr_xy_rect rect = r.rect;
    EXPECT_EQ(gr_layout_rect_segm(&rect, &r.seg), r.code);
    EXPECT_LE(rect.x1, rect.x2);
    EXPECT_LE(rect.y1, rect.y2);
  }
}

}  // namespace
