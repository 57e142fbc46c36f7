// The tridiagonal solver and the natural cubic spline.
// Invariants: the spline passes through every point, its pieces join with
// equal first and second derivatives, and its second derivative vanishes at
// both ends; a refused spline leaves the caller's pieces untouched.
#include <geomkit/gr_bez.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

std::vector<unsigned char> polyline_block(const std::vector<gr_cpoint>& pts) {
  std::vector<unsigned char> block(gr_get_polyline_sizen(static_cast<int>(pts.size())));
  auto* pl = reinterpret_cast<gr_polyline*>(block.data());
  pl->closed = 0;
  pl->n = static_cast<uint32_t>(pts.size());
  for (size_t i = 0; i < pts.size(); ++i) pl->pnt[i] = pts[i];
  return block;
}

const gr_polyline* as_polyline(const std::vector<unsigned char>& block) {
  return reinterpret_cast<const gr_polyline*>(block.data());
}

gr_cpoint second_derivative(const gr_polynom3& p, double t) {
  return gr_cpoint{2 * p.coef2.x + 6 * p.coef3.x * t, 2 * p.coef2.y + 6 * p.coef3.y * t};
}

TEST(Progon3, SolvesOrRefuses) {
  struct Row {
    const char* name;
    std::vector<double> a, b, c, d;
    int result;
    std::vector<double> x;
  };
  const Row rows[] = {
      {"two rows", {0, 1}, {2, 2}, {1, 0}, {3, 3}, 1, {1, 1}},
      {"one row", {0}, {4}, {0}, {2}, 1, {0.5}},
      {"vanishing first pivot", {0, 1}, {0, 2}, {0, 0}, {3, 3}, 0, {}},
      {"pivot just below tolerance", {0, 1}, {0.5e-5, 2}, {0, 0}, {3, 3}, 0, {}},
      {"left neighbour on the first row", {1, 1}, {2, 2}, {1, 0}, {3, 3}, 0, {}},
      {"right neighbour on the last row", {0, 1}, {2, 2}, {1, 1}, {3, 3}, 0, {}},
      {"NaN diagonal", {0, 1}, {NAN, 2}, {1, 0}, {3, 3}, 0, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const int n = static_cast<int>(r.b.size());
    std::vector<double> x(n, -7.0);
    ASSERT_EQ(gr_progon3(n, r.a.data(), r.b.data(), r.c.data(), r.d.data(), x.data()), r.result);
    for (int j = 0; j < n; ++j) EXPECT_NEAR(x[j], r.result ? r.x[j] : -7.0, 1e-12) << j;
  }
  double one = 1;
  EXPECT_EQ(gr_progon3(0, &one, &one, &one, &one, &one), 0);
}

TEST(Progon3, ResidualOfALargerSystem) {
  const int n = 50;
  std::vector<double> a(n), b(n), c(n), d(n), x(n);
  for (int j = 0; j < n; ++j) {
    a[j] = j == 0 ? 0 : 1.0 + 0.01 * j;
    c[j] = j == n - 1 ? 0 : 0.5 - 0.003 * j;
    b[j] = 4.0 + std::sin(j);
    d[j] = std::cos(0.3 * j) * 10;
  }
  ASSERT_EQ(gr_progon3(n, a.data(), b.data(), c.data(), d.data(), x.data()), 1);
  for (int j = 0; j < n; ++j) {
    double lhs = b[j] * x[j];
    if (j > 0) lhs += a[j] * x[j - 1];
    if (j < n - 1) lhs += c[j] * x[j + 1];
    EXPECT_NEAR(lhs, d[j], 1e-10) << j;
  }
}

TEST(CubicSpline, TwoPointsGiveTheStraightPiece) {
  const auto block = polyline_block({{0, 0}, {1, 0}});
  gr_polynom3 piece;
  ASSERT_EQ(gr_conv_cubspline_to_trpolynom3s(as_polyline(block), &piece), 1);
  EXPECT_NEAR(piece.coef0.x, 0, 1e-15);
  EXPECT_NEAR(piece.coef1.x, 1, 1e-15);
  EXPECT_NEAR(piece.coef1.y, 0, 1e-15);
  EXPECT_NEAR(piece.coef2.x, 0, 1e-15);
  EXPECT_NEAR(piece.coef3.x, 0, 1e-15);
  EXPECT_NEAR(piece.coef2.y, 0, 1e-15);
  EXPECT_EQ(piece.tmin, 0.0);
  EXPECT_EQ(piece.tmax, 1.0);
}

TEST(CubicSpline, InterpolatesJoinsSmoothlyAndEndsNaturally) {
  const std::vector<gr_cpoint> pts{{0, 0}, {1, 2}, {3, 3}, {4, 1}, {6, 0}, {6.5, 2}};
  const auto block = polyline_block(pts);
  std::vector<gr_polynom3> pieces(pts.size() - 1);
  ASSERT_EQ(gr_conv_cubspline_to_trpolynom3s(as_polyline(block), pieces.data()), 1);
  for (size_t j = 0; j < pieces.size(); ++j) {
    SCOPED_TRACE(j);
    const gr_polynom3& p = pieces[j];
    EXPECT_NEAR(p.tmax, std::hypot(pts[j + 1].x - pts[j].x, pts[j + 1].y - pts[j].y), 1e-12);
    gr_cpoint a, b;
    gr_get_polynom3_pnt(&a, &p, 0);
    gr_get_polynom3_pnt(&b, &p, p.tmax);
    EXPECT_NEAR(a.x, pts[j].x, 1e-9);
    EXPECT_NEAR(b.x, pts[j + 1].x, 1e-9);
    EXPECT_NEAR(b.y, pts[j + 1].y, 1e-9);
    if (j + 1 < pieces.size()) {
      const gr_polynom3& q = pieces[j + 1];
      gr_cpoint d1, d2;
      gr_get_polynom3_tangent(&d1, &p, p.tmax);
      gr_get_polynom3_tangent(&d2, &q, 0);
      EXPECT_NEAR(d1.x, d2.x, 1e-9);
      EXPECT_NEAR(d1.y, d2.y, 1e-9);
      const gr_cpoint s1 = second_derivative(p, p.tmax), s2 = second_derivative(q, 0);
      EXPECT_NEAR(s1.x, s2.x, 1e-9);
      EXPECT_NEAR(s1.y, s2.y, 1e-9);
    }
  }
  const gr_cpoint s0 = second_derivative(pieces.front(), 0);
  const gr_cpoint sn = second_derivative(pieces.back(), pieces.back().tmax);
  EXPECT_NEAR(s0.x, 0, 1e-9);
  EXPECT_NEAR(s0.y, 0, 1e-9);
  EXPECT_NEAR(sn.x, 0, 1e-9);
  EXPECT_NEAR(sn.y, 0, 1e-9);
}

TEST(CubicSpline, RefusesWhatWouldDivideByZero) {
  struct Row {
    const char* name;
    std::vector<gr_cpoint> pts;
  };
  const Row rows[] = {
      {"one point", {{1, 1}}},
      {"consecutive equal points", {{0, 0}, {1, 1}, {1, 1}, {2, 0}}},
      {"NaN coordinate", {{0, 0}, {NAN, 1}, {2, 0}}},
      {"infinite coordinate", {{0, 0}, {INFINITY, 1}, {2, 0}}},
      // Chords so short that the system's pivots vanish.
      {"singular system", {{0, 0}, {1e-7, 0}, {2e-7, 0}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const auto block = polyline_block(r.pts);
    std::vector<gr_polynom3> pieces(4);
    pieces[0].tmax = -1;
    EXPECT_EQ(gr_conv_cubspline_to_trpolynom3s(as_polyline(block), pieces.data()), 0);
    EXPECT_EQ(pieces[0].tmax, -1.0);
  }
}

TEST(Polynom3, PointAndTangent) {
  const gr_polynom3 p{{1, 0}, {0, 1}, {2, 0}, {0, -1}, 0, 3};
  gr_cpoint v;
  gr_get_polynom3_pnt(&v, &p, 2);  // outside the range is evaluated too
  EXPECT_EQ(v.x, 1 + 8.0);
  EXPECT_EQ(v.y, 2 - 8.0);
  gr_get_polynom3_tangent(&v, &p, 2);
  EXPECT_EQ(v.x, 8.0);
  EXPECT_EQ(v.y, 1 - 12.0);
}

}  // namespace
