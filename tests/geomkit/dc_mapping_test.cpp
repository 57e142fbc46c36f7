// The device context's logical-to-device mapping.
//
// Invariants: device = viewport origin + (logical - window origin) * scale
// per axis; the isotropic scale is min(|vx / wx|, |vy / wy|) on both axes
// with each axis keeping its own sign; setting the extent GetViewportExtEx
// reports gives back the same mapping; DPtoLP inverts LPtoDP with rounding.
#include <geomkit/device_context.h>
#include <geomkit/recording_dc.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

POINT to_device(const GrDeviceContext& dc, int x, int y) {
  POINT p{x, y};
  dc.LPtoDP(&p, 1);
  return p;
}

POINT to_logical(const GrDeviceContext& dc, int x, int y) {
  POINT p{x, y};
  dc.DPtoLP(&p, 1);
  return p;
}

TEST(DcMapping, FixedModesScaleFromResolutionWithYUp) {
  struct Row {
    const char* name;
    int mode;
    double units_per_inch;
  } rows[] = {
      {"lometric", MM_LOMETRIC, 254.0},   {"himetric", MM_HIMETRIC, 2540.0},
      {"loenglish", MM_LOENGLISH, 100.0}, {"hienglish", MM_HIENGLISH, 1000.0},
      {"twips", MM_TWIPS, 1440.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    GrDeviceContext dc;
    EXPECT_EQ(dc.SetMapMode(r.mode), MM_TEXT);
    const auto m = dc.mapping();
    EXPECT_DOUBLE_EQ(m.sx, 96.0 / r.units_per_inch);
    EXPECT_DOUBLE_EQ(m.sy, -96.0 / r.units_per_inch);
    // One inch right and up from the origin.
    const int inch = static_cast<int>(r.units_per_inch);
    const POINT d = to_device(dc, inch, inch);
    EXPECT_EQ(d.x, 96);
    EXPECT_EQ(d.y, -96);
    // Extents cannot be set in a fixed mode.
    EXPECT_FALSE(dc.SetWindowExtEx(10, 10, nullptr));
    EXPECT_FALSE(dc.SetViewportExtEx(10, 10, nullptr));
  }
}

TEST(DcMapping, TextModeIsOneToOneWithOrigins) {
  GrDeviceContext dc;
  EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
  EXPECT_EQ(to_device(dc, 7, -3).x, 7);
  EXPECT_EQ(to_device(dc, 7, -3).y, -3);
  POINT old{};
  dc.SetViewportOrgEx(100, 50, &old);
  EXPECT_EQ(old.x, 0);
  dc.SetWindowOrgEx(10, 20, nullptr);
  dc.OffsetWindowOrgEx(1, 2, &old);
  EXPECT_EQ(old.x, 10);
  EXPECT_EQ(old.y, 20);
  dc.OffsetViewportOrgEx(-5, 5, nullptr);
  // device = (95, 55) + (logical - (11, 22))
  const POINT d = to_device(dc, 11, 22);
  EXPECT_EQ(d.x, 95);
  EXPECT_EQ(d.y, 55);
}

TEST(DcMapping, AnisotropicScalesEachAxisOnItsOwn) {
  GrDeviceContext dc;
  dc.SetMapMode(MM_ANISOTROPIC);
  SIZE old{};
  ASSERT_TRUE(dc.SetWindowExtEx(100, 200, &old));
  EXPECT_EQ(old.cx, 1);
  ASSERT_TRUE(dc.SetViewportExtEx(50, -400, &old));
  SIZE v{};
  dc.GetViewportExtEx(&v);
  EXPECT_EQ(v.cx, 50);
  EXPECT_EQ(v.cy, -400);
  const POINT d = to_device(dc, 10, 10);
  EXPECT_EQ(d.x, 5);
  EXPECT_EQ(d.y, -20);
}

TEST(DcMapping, ZeroExtentIsRefused) {
  GrDeviceContext dc;
  dc.SetMapMode(MM_ANISOTROPIC);
  dc.SetWindowExtEx(10, 10, nullptr);
  EXPECT_FALSE(dc.SetWindowExtEx(0, 10, nullptr));
  EXPECT_FALSE(dc.SetViewportExtEx(10, 0, nullptr));
  SIZE w{};
  dc.GetWindowExtEx(&w);
  EXPECT_EQ(w.cx, 10);
}

TEST(DcMapping, IsotropicRuleTakesTheSmallerScaleAndKeepsSigns) {
  struct Row {
    const char* name;
    SIZE window, viewport;
    double scale;
    SIZE reported;
  } rows[] = {
      // The drawing window's y-up view: a wide client area, limited by height.
      {"y up, height limits", {1100, 1100}, {800, -600}, 600.0 / 1100, {600, -600}},
      {"y up, width limits", {1000, 500}, {400, -800}, 0.4, {400, -200}},
      {"both negative", {100, 100}, {-300, -200}, 2.0, {-200, -200}},
      {"negative window", {-100, 50}, {200, 200}, 2.0, {200, 100}},
      // The printer at natural size: one logical unit per dot, y up.
      {"unit y up", {1, 1}, {1, -1}, 1.0, {1, -1}},
      // 2/3 * 7 = 4.67: the non-limiting axis is rounded away from zero.
      {"rounded away from zero", {3, 7}, {2, 100}, 2.0 / 3.0, {2, 5}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    GrDeviceContext dc;
    dc.SetMapMode(MM_ISOTROPIC);
    dc.SetWindowExtEx(r.window.cx, r.window.cy, nullptr);
    dc.SetViewportExtEx(r.viewport.cx, r.viewport.cy, nullptr);
    const auto m = dc.mapping();
    EXPECT_DOUBLE_EQ(std::fabs(m.sx), r.scale);
    EXPECT_DOUBLE_EQ(std::fabs(m.sy), r.scale);
    EXPECT_EQ(m.sx < 0, (r.viewport.cx < 0) != (r.window.cx < 0));
    EXPECT_EQ(m.sy < 0, (r.viewport.cy < 0) != (r.window.cy < 0));
    SIZE v{};
    dc.GetViewportExtEx(&v);
    EXPECT_EQ(v.cx, r.reported.cx);
    EXPECT_EQ(v.cy, r.reported.cy);
  }
}

TEST(DcMapping, SettingTheReportedIsotropicExtentKeepsTheMapping) {
  // Save, change and restore the extents as a caller drawing huge
  // coordinates does: the mapping must come back bit for bit.
  const SIZE windows[] = {{3, 7}, {1100, 1100}, {1234, 987}, {-17, 5}, {2147483647, 3}};
  const SIZE viewports[] = {{2, 100}, {800, -600}, {-333, 1000}, {7, -7}, {1920, -1080}};
  for (SIZE w : windows) {
    for (SIZE v : viewports) {
      GrDeviceContext dc;
      dc.SetMapMode(MM_ISOTROPIC);
      dc.SetWindowExtEx(w.cx, w.cy, nullptr);
      dc.SetViewportExtEx(v.cx, v.cy, nullptr);
      const auto before = dc.mapping();
      SIZE we{}, ve{};
      dc.GetWindowExtEx(&we);
      dc.GetViewportExtEx(&ve);
      dc.SetWindowExtEx(1, 1, nullptr);
      dc.SetViewportExtEx(1, 1, nullptr);
      dc.SetWindowExtEx(we.cx, we.cy, nullptr);
      dc.SetViewportExtEx(ve.cx, ve.cy, nullptr);
      const auto after = dc.mapping();
      EXPECT_EQ(before.sx, after.sx) << w.cx << "x" << w.cy << " " << v.cx << "x" << v.cy;
      EXPECT_EQ(before.sy, after.sy) << w.cx << "x" << w.cy << " " << v.cx << "x" << v.cy;
    }
  }
}

TEST(DcMapping, YUpViewPutsTheLogicalOriginAtTheBottomLeft) {
  // The drawing window's view mapping on a 800 x 600 client area.
  GrDeviceContext dc;
  dc.SetViewportOrgEx(0, 600, nullptr);
  dc.SetMapMode(MM_ISOTROPIC);
  dc.SetWindowExtEx(1100, 1100, nullptr);
  dc.SetViewportExtEx(800, -600, nullptr);
  POINT p = to_device(dc, 0, 0);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 600);
  p = to_device(dc, 1100, 1100);  // one window extent up and right
  EXPECT_EQ(p.x, 600);
  EXPECT_EQ(p.y, 0);
  // The client's top-right corner in logical units: what the window shows.
  p = to_logical(dc, 800, 0);
  EXPECT_EQ(p.x, 1467);  // 800 * 1100 / 600 = 1466.67
  EXPECT_EQ(p.y, 1100);
}

TEST(DcMapping, DPtoLPRoundsToNearestAndSaturates) {
  GrDeviceContext dc;
  dc.SetMapMode(MM_ANISOTROPIC);
  dc.SetWindowExtEx(3, 3, nullptr);
  dc.SetViewportExtEx(2, -2, nullptr);
  struct Row {
    POINT device, logical;
  } rows[] = {
      {{1, 1}, {2, -2}},                      // 1.5 rounds away from zero
      {{2, -2}, {3, 3}},                      // exact
      {{-1, 1}, {-2, -2}},                    // -1.5
      {{4, 0}, {6, 0}},    {{5, 0}, {8, 0}},  // 7.5
  };
  for (const Row& r : rows) {
    const POINT l = to_logical(dc, r.device.x, r.device.y);
    EXPECT_EQ(l.x, r.logical.x) << r.device.x;
    EXPECT_EQ(l.y, r.logical.y) << r.device.y;
  }
  dc.SetWindowExtEx(2147483647, 2147483647, nullptr);
  dc.SetViewportExtEx(1, 1, nullptr);
  const POINT big = to_logical(dc, 5, -5);
  EXPECT_EQ(big.x, 2147483647);
  EXPECT_EQ(big.y, -2147483647 - 1);
  EXPECT_FALSE(dc.DPtoLP(nullptr, 1));
}

TEST(DcMapping, MapModeChangesResetExtentsButRepeatsDoNot) {
  GrDeviceContext dc;
  EXPECT_EQ(dc.SetMapMode(99), 0);
  EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
  dc.SetMapMode(MM_ISOTROPIC);
  dc.SetWindowExtEx(500, 500, nullptr);
  dc.SetViewportExtEx(100, -100, nullptr);
  EXPECT_EQ(dc.SetMapMode(MM_ISOTROPIC), MM_ISOTROPIC);
  SIZE w{};
  dc.GetWindowExtEx(&w);
  EXPECT_EQ(w.cx, 500);
  dc.SetMapMode(MM_ANISOTROPIC);
  dc.GetWindowExtEx(&w);
  EXPECT_EQ(w.cx, 1);
  EXPECT_EQ(w.cy, 1);
}

// A back-end sees every change of the mapping.
struct CountingDC : GrDeviceContext {
  int changes = 0;
  void mapping_changed() override { ++changes; }
};

TEST(DcMapping, BackEndIsToldOfMappingChanges) {
  CountingDC dc;
  dc.SetMapMode(MM_ISOTROPIC);
  dc.SetWindowExtEx(2, 2, nullptr);
  dc.SetViewportExtEx(2, 2, nullptr);
  dc.SetViewportOrgEx(1, 1, nullptr);
  dc.OffsetWindowOrgEx(1, 1, nullptr);
  EXPECT_EQ(dc.changes, 5);
  dc.SetWindowExtEx(0, 1, nullptr);  // refused
  EXPECT_EQ(dc.changes, 5);
}

}  // namespace
