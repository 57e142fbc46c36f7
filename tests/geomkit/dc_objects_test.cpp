// Pens, brushes and fonts: creation, selection, deletion, stock objects, and
// what the recording device keeps of each call.
//
// Invariants: SelectObject returns the previous object of the same type;
// stock objects are shared and survive DeleteObject; an object selected into
// a context cannot be deleted; gdi_live_object_count() counts exactly the
// objects created and not deleted.
#include <geomkit/device_context.h>
#include <geomkit/recording_dc.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(DcObjects, FreshContextHasTheStockDefaults) {
  GrDeviceContext dc;
  EXPECT_EQ(dc.GetCurrentObject(OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(dc.GetCurrentObject(OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_NE(dc.GetCurrentObject(OBJ_FONT), nullptr);
  EXPECT_EQ(GetObjectType(dc.GetCurrentObject(OBJ_FONT)), static_cast<DWORD>(OBJ_FONT));
  EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);
  EXPECT_EQ(dc.GetPolyFillMode(), ALTERNATE);
  EXPECT_EQ(dc.GetBkMode(), OPAQUE);
  EXPECT_EQ(dc.GetArcDirection(), AD_COUNTERCLOCKWISE);
  POINT p{1, 1};
  dc.GetCurrentPositionEx(&p);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
}

TEST(DcObjects, StockObjectsDescribeThemselves) {
  struct Row {
    int which;
    int type;
    UINT style;
    COLORREF color;
  } rows[] = {
      {BLACK_PEN, OBJ_PEN, PS_SOLID, RGB(0, 0, 0)},
      {WHITE_PEN, OBJ_PEN, PS_SOLID, RGB(255, 255, 255)},
      {NULL_PEN, OBJ_PEN, PS_NULL, RGB(0, 0, 0)},
      {WHITE_BRUSH, OBJ_BRUSH, BS_SOLID, RGB(255, 255, 255)},
      {BLACK_BRUSH, OBJ_BRUSH, BS_SOLID, RGB(0, 0, 0)},
      {NULL_BRUSH, OBJ_BRUSH, BS_NULL, RGB(0, 0, 0)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.which);
    HGDIOBJ h = GetStockObject(r.which);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h, GetStockObject(r.which));  // shared
    EXPECT_EQ(GetObjectType(h), static_cast<DWORD>(r.type));
    if (r.type == OBJ_PEN) {
      LOGPEN lp{};
      EXPECT_EQ(GetObjectA(h, sizeof lp, &lp), 16);
      EXPECT_EQ(lp.lopnStyle, r.style);
      EXPECT_EQ(lp.lopnColor, r.color);
    } else {
      LOGBRUSH lb{};
      EXPECT_EQ(GetObjectA(h, sizeof lb, &lb), 12);
      EXPECT_EQ(lb.lbStyle, r.style);
      EXPECT_EQ(lb.lbColor, r.color);
    }
    const long live = gdi_live_object_count();
    EXPECT_TRUE(DeleteObject(h));  // harmless
    EXPECT_EQ(GetObjectType(h), static_cast<DWORD>(r.type));
    EXPECT_EQ(gdi_live_object_count(), live);
  }
  LOGFONTA lf{};
  EXPECT_EQ(GetObjectA(GetStockObject(ANSI_VAR_FONT), sizeof lf, &lf), 60);
  EXPECT_GT(lf.lfHeight, 0);
  EXPECT_GT(std::strlen(lf.lfFaceName), 0u);
  EXPECT_EQ(GetStockObject(9), nullptr);  // no such stock object
  EXPECT_EQ(GetStockObject(-1), nullptr);
  EXPECT_EQ(GetStockObject(1000), nullptr);
}

TEST(DcObjects, GetObjectAChecksTheBufferSize) {
  HPEN pen = CreatePen(PS_DASH, 3, RGB(1, 2, 3));
  LOGPEN lp{};
  EXPECT_EQ(GetObjectA(pen, 15, &lp), 0);
  EXPECT_EQ(GetObjectA(pen, 0, nullptr), 16);
  EXPECT_EQ(GetObjectA(pen, 100, &lp), 16);
  EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_DASH));
  EXPECT_EQ(lp.lopnWidth.x, 3);
  EXPECT_EQ(lp.lopnColor, RGB(1, 2, 3));
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_EQ(GetObjectA(pen, sizeof lp, &lp), 0);  // stale handle refused
  EXPECT_EQ(GetObjectA(nullptr, sizeof lp, &lp), 0);

  HBRUSH hatch = CreateHatchBrush(HS_CROSS, RGB(9, 8, 7));
  LOGBRUSH lb{};
  EXPECT_EQ(GetObjectA(hatch, sizeof lb, &lb), 12);
  EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_HATCHED));
  EXPECT_EQ(lb.lbHatch, static_cast<uint32_t>(HS_CROSS));
  DeleteObject(hatch);

  LOGFONTA in{};
  in.lfHeight = -40;
  std::memset(in.lfFaceName, 'x', sizeof in.lfFaceName);  // no terminator
  HFONT font = CreateFontIndirectA(&in);
  LOGFONTA out{};
  EXPECT_EQ(GetObjectA(font, sizeof out, &out), 60);
  EXPECT_EQ(out.lfHeight, -40);
  EXPECT_EQ(std::strlen(out.lfFaceName), static_cast<size_t>(LF_FACESIZE - 1));
  DeleteObject(font);
}

TEST(DcObjects, ExtendedPens) {
  LOGBRUSH lb{BS_SOLID, RGB(10, 20, 30), 0};
  const DWORD dashes[] = {6, 3};
  HPEN geo = ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_FLAT, 5, &lb, 2, dashes);
  ASSERT_NE(geo, nullptr);
  EXPECT_EQ(GetObjectType(geo), static_cast<DWORD>(OBJ_EXTPEN));
  LOGPEN lp{};
  EXPECT_EQ(GetObjectA(geo, sizeof lp, &lp), 16);
  EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_USERSTYLE));
  EXPECT_EQ(lp.lopnWidth.x, 5);
  EXPECT_EQ(lp.lopnColor, RGB(10, 20, 30));
  EXPECT_EQ(geo->dashes.size(), 2u);

  HPEN cosmetic = ExtCreatePen(PS_COSMETIC | PS_SOLID, 7, &lb, 0, nullptr);
  GetObjectA(cosmetic, sizeof lp, &lp);
  EXPECT_EQ(lp.lopnWidth.x, 1);

  // Selecting an extended pen replaces the pen.
  GrDeviceContext dc;
  EXPECT_EQ(dc.SelectObject(geo), GetStockObject(BLACK_PEN));
  EXPECT_EQ(dc.GetCurrentObject(OBJ_PEN), geo);
  EXPECT_EQ(dc.SelectObject(cosmetic), geo);
  dc.SelectObject(GetStockObject(BLACK_PEN));

  EXPECT_EQ(ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE, 1, &lb, 0, nullptr), nullptr);
  EXPECT_EQ(ExtCreatePen(PS_GEOMETRIC | PS_SOLID, 1, &lb, 2, dashes), nullptr);
  EXPECT_EQ(ExtCreatePen(PS_GEOMETRIC | PS_SOLID, 1, nullptr, 0, nullptr), nullptr);
  DeleteObject(geo);
  DeleteObject(cosmetic);
}

TEST(DcObjects, SelectReturnsThePreviousObjectOfTheSameType) {
  const long live = gdi_live_object_count();
  {
    GrDeviceContext dc;
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(255, 0, 0));
    HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
    EXPECT_EQ(gdi_live_object_count(), live + 2);
    EXPECT_EQ(dc.SelectObject(pen), GetStockObject(BLACK_PEN));
    EXPECT_EQ(dc.SelectObject(brush), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(dc.SelectObject(pen), pen);  // reselecting is a no-op
    EXPECT_EQ(dc.GetCurrentObject(OBJ_PEN), pen);
    EXPECT_EQ(dc.GetCurrentObject(OBJ_BRUSH), brush);

    // Selected objects stay alive.
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(dc.SelectObject(GetStockObject(NULL_PEN)), pen);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(pen));

    // A deleted or null handle changes nothing.
    EXPECT_EQ(dc.SelectObject(pen), nullptr);
    EXPECT_EQ(dc.SelectObject(nullptr), nullptr);
    EXPECT_EQ(dc.GetCurrentObject(OBJ_PEN), GetStockObject(NULL_PEN));

    // The same object in two contexts.
    GrDeviceContext other;
    other.SelectObject(brush);
    dc.SelectObject(GetStockObject(NULL_BRUSH));
    EXPECT_FALSE(DeleteObject(brush));
    other.SelectObject(GetStockObject(WHITE_BRUSH));
    EXPECT_TRUE(DeleteObject(brush));
  }
  EXPECT_EQ(gdi_live_object_count(), live);
}

TEST(DcObjects, DestroyedContextReleasesItsSelection) {
  const long live = gdi_live_object_count();
  HBRUSH brush = CreateSolidBrush(RGB(1, 1, 1));
  {
    GrDeviceContext dc;
    dc.SelectObject(brush);
  }
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_EQ(gdi_live_object_count(), live);
}

TEST(DcObjects, AttributeSettersReturnThePreviousValueAndRefuseUnknownOnes) {
  GrDeviceContext dc;
  EXPECT_EQ(dc.SetROP2(R2_NOTXORPEN), R2_COPYPEN);
  EXPECT_EQ(dc.SetROP2(0), 0);
  EXPECT_EQ(dc.SetROP2(R2_COPYPEN), R2_NOTXORPEN);
  EXPECT_EQ(dc.SetPolyFillMode(WINDING), ALTERNATE);
  EXPECT_EQ(dc.SetPolyFillMode(3), 0);
  EXPECT_EQ(dc.GetPolyFillMode(), WINDING);
  EXPECT_EQ(dc.SetBkMode(TRANSPARENT), OPAQUE);
  EXPECT_EQ(dc.SetBkMode(5), 0);
  EXPECT_EQ(dc.SetTextAlign(TA_BOTTOM), static_cast<UINT>(TA_LEFT | TA_TOP));
  EXPECT_EQ(dc.GetTextAlign(), static_cast<UINT>(TA_BOTTOM));
  EXPECT_EQ(dc.SetArcDirection(AD_CLOCKWISE), AD_COUNTERCLOCKWISE);
  EXPECT_EQ(dc.SetArcDirection(0), 0);
}

TEST(DcObjects, BaseRefusesMalformedDrawingCalls) {
  GrDeviceContext dc;
  const POINT pts[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  const int counts_bad[] = {3, 1};
  const int counts_ok[] = {2, 2};
  EXPECT_FALSE(dc.Polygon(pts, 1));
  EXPECT_FALSE(dc.Polygon(nullptr, 4));
  EXPECT_TRUE(dc.Polygon(pts, 4));
  EXPECT_FALSE(dc.PolyPolygon(pts, counts_bad, 2));
  EXPECT_FALSE(dc.PolyPolygon(pts, counts_ok, 0));
  EXPECT_TRUE(dc.PolyPolygon(pts, counts_ok, 2));
  EXPECT_FALSE(dc.PolyBezier(pts, 3));
  EXPECT_TRUE(dc.PolyBezier(pts, 4));
  EXPECT_FALSE(dc.TextOutA(0, 0, nullptr, 3));
  EXPECT_FALSE(dc.TextOutA(0, 0, "abc", -1));
  POINT old{};
  dc.MoveToEx(5, 6, nullptr);
  dc.LineTo(7, 8);
  dc.MoveToEx(1, 2, &old);
  EXPECT_EQ(old.x, 7);
  EXPECT_EQ(old.y, 8);
}

TEST(RecordingDC, PolylineRunsAreMoveToAndLineToInTurn) {
  GrRecordingDC dc;
  const POINT pts[6] = {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 9}, {0, 1}};
  const DWORD counts[4] = {3, 0, 1, 2};
  EXPECT_TRUE(dc.PolylineRuns(pts, counts, 4));
  EXPECT_FALSE(dc.PolylineRuns(nullptr, counts, 1));
  std::vector<std::string> ops;
  for (const GrRecordedCall& c : dc.calls) ops.push_back(c.op);
  // A run of one point only moves; an empty run is passed over.
  const std::vector<std::string> want = {"MoveToEx", "LineTo", "LineTo", "MoveToEx", "MoveToEx", "LineTo"};
  EXPECT_EQ(ops, want);
  const auto lines = dc.lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].from.x, 3);
  EXPECT_EQ(lines[1].to.x, 5);
  EXPECT_EQ(lines[2].from.x, 9);
  EXPECT_EQ(lines[2].to.y, 1);
  POINT at{};
  dc.GetCurrentPositionEx(&at);
  EXPECT_EQ(at.x, 0);
  EXPECT_EQ(at.y, 1);
}

TEST(RecordingDC, KeepsEveryCallWithItsStateInForce) {
  const long live = gdi_live_object_count();
  GrRecordingDC dc;
  HPEN red = CreatePen(PS_SOLID, 3, RGB(255, 0, 0));
  HGDIOBJ old = dc.SelectObject(red);
  dc.MoveToEx(1, 2, nullptr);
  dc.LineTo(3, 4);
  dc.LineTo(-5, 6);
  dc.SelectObject(old);
  dc.MoveToEx(0, 0, nullptr);
  dc.LineTo(1, 1);
  const POINT tri[3] = {{0, 0}, {10, 0}, {0, 10}};
  dc.Polygon(tri, 3);
  const POINT two[5] = {{0, 0}, {4, 0}, {4, 4}, {1, 1}, {2, 1}};
  const int counts[2] = {3, 2};
  dc.SetPolyFillMode(WINDING);
  dc.PolyPolygon(two, counts, 2);
  dc.TextOutA(5, 5, "hello", 3);
  dc.SetPixel(9, 9, RGB(1, 2, 3));
  DeleteObject(red);
  EXPECT_EQ(gdi_live_object_count(), live);

  EXPECT_EQ(dc.count("LineTo"), 3);
  EXPECT_EQ(dc.count("SelectObject"), 2);
  const auto lines = dc.lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].from.x, 1);
  EXPECT_EQ(lines[0].from.y, 2);
  EXPECT_EQ(lines[0].to.x, 3);
  EXPECT_EQ(lines[1].from.x, 3);
  EXPECT_EQ(lines[1].to.x, -5);
  EXPECT_EQ(lines[0].pen.lopnWidth.x, 3);
  EXPECT_EQ(lines[0].pen.lopnColor, RGB(255, 0, 0));
  EXPECT_EQ(lines[2].pen.lopnColor, RGB(0, 0, 0));
  EXPECT_EQ(lines[2].map_mode, MM_TEXT);

  const GrRecordedCall* poly = nullptr;
  const GrRecordedCall* pp = nullptr;
  const GrRecordedCall* text = nullptr;
  for (const auto& c : dc.calls) {
    if (c.op == "Polygon") poly = &c;
    if (c.op == "PolyPolygon") pp = &c;
    if (c.op == "TextOutA") text = &c;
  }
  ASSERT_TRUE(poly && pp && text);
  EXPECT_EQ(poly->points.size(), 3u);
  EXPECT_EQ(poly->brush.lbColor, RGB(255, 255, 255));
  EXPECT_EQ(pp->counts, (std::vector<int>{3, 2}));
  EXPECT_EQ(pp->points.size(), 5u);
  EXPECT_EQ(pp->fill_mode, WINDING);
  EXPECT_EQ(text->text, "hel");
  EXPECT_EQ(dc.calls.back().args, (std::vector<int>{9, 9, static_cast<int>(RGB(1, 2, 3))}));

  // Setters record the state after the call.
  dc.clear();
  dc.SetMapMode(MM_LOMETRIC);
  ASSERT_EQ(dc.calls.size(), 1u);
  EXPECT_EQ(dc.calls[0].map_mode, MM_LOMETRIC);
  EXPECT_EQ(dc.calls[0].args, std::vector<int>{MM_LOMETRIC});
}

}  // namespace
