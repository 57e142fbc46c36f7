// Metafile conversion on metafiles built record by record: polygons,
// polylines and poly-polygons, each with the pen and brush in force just
// before it (the object table kept as playback keeps it), points and pen
// widths through the metafile's mapping (y turned upwards) and the
// transform; records not drawn skipped by their size; counts and sizes
// that lie neither crash nor hang nor read past the end.
#include "convert_test_util.h"
#include "wmf_builder.h"

#include <cmath>

using namespace convtest;
using namespace wmftest;

namespace {

gr_ctrans scale_of(double s) { return gr_ctrans{0, 0, s, 0, 1, 1, 1}; }

std::vector<Recorded> convert(const Wmf& w, gr_ctrans t = scale_of(1.0)) {
  ReadOptions opt;
  opt.transform = t;
  return read_with(read_wmf, w.bits(), opt);
}

gr_rgbcol rgb(float r, float g, float b) { return gr_rgbcol{r, g, b}; }
void expect_colour(const gr_rgbcol& c, const gr_rgbcol& want, const std::string& what) {
  EXPECT_FLOAT_EQ(c.r, want.r) << what;
  EXPECT_FLOAT_EQ(c.g, want.g) << what;
  EXPECT_FLOAT_EQ(c.b, want.b) << what;
}

constexpr uint32_t kRed = 0x0000ff;
constexpr uint32_t kBlue = 0xff0000;

TEST(WmfRead, PenChangeBetweenTwoPolylines) {
  Wmf w;
  w.polyline({{0, 0}, {10, 0}})  // default pen: black, width 0
      .pen(PS_SOLID, 2, kRed)
      .select(0)
      .polyline({{0, 0}, {1000, 500}, {2000, 0}})
      .pen(PS_DASH, 5, kBlue)
      .select(1)
      .polyline({{5, 5}, {6, 6}})
      .eof();
  const auto e = convert(w, scale_of(1.0 / 1000));
  ASSERT_EQ(e.size(), 3u);
  for (const auto& r : e) EXPECT_EQ(r.kind, kPolyline);
  expect_colour(e[0].style.color, rgb(0, 0, 0), "default pen");
  EXPECT_EQ(e[0].style.width, 0.0f);
  expect_colour(e[1].style.color, rgb(1, 0, 0), "first pen");
  // The width is in logical units: it goes through the transform's scale.
  EXPECT_FLOAT_EQ(e[1].style.width, 0.002f);
  expect_colour(e[2].style.color, rgb(0, 0, 1), "second pen");
  EXPECT_FLOAT_EQ(e[2].style.width, 0.005f);
  EXPECT_EQ(e[2].style.font.n, 0);  // the element's style has no room for the dashes
  // Polylines keep the default fill, whatever brush is selected.
  EXPECT_EQ(e[1].fill.style, fgb_default_fill_area_style.style);
  ASSERT_EQ(e[1].pts.size(), 3u);
  EXPECT_DOUBLE_EQ(e[1].pts[1].x, 1.0);
  EXPECT_DOUBLE_EQ(e[1].pts[1].y, -0.5);  // y grows downwards in the metafile (issue 15)
}

// A polygon is always closed (issue 15: one whose last point did not repeat
// the first lost its closing edge); a polyline only when its ends meet.
TEST(WmfRead, PolygonsAlwaysClosedPolylinesWhenTheLastPointRepeatsTheFirst) {
  Wmf w;
  w.brush(BS_HATCHED, 0x00ff00, HS_CROSS)
      .select(0)
      .polygon({{0, 0}, {100, 0}, {100, 100}, {0, 0}})
      .polygon({{0, 0}, {100, 0}, {100, 100}})
      .polyline({{-3, 7}, {4, 4}, {-3, 7}})
      .polygon({{1, 1}})
      .eof();
  const auto e = convert(w);
  ASSERT_EQ(e.size(), 4u);
  EXPECT_TRUE(e[0].closed);
  EXPECT_EQ(e[0].pts.size(), 4u);  // the repeated point stays
  EXPECT_TRUE(e[1].closed);
  EXPECT_EQ(e[1].pts.size(), 3u);
  EXPECT_TRUE(e[2].closed);
  EXPECT_TRUE(e[3].closed);  // one point: first and last are the same
  // Polygons take the brush in force as their fill.
  EXPECT_EQ(e[0].fill.style, BS_HATCHED);
  expect_colour(e[0].fill.color, rgb(0, 1, 0), "brush");
  EXPECT_EQ(e[2].fill.style, fgb_default_fill_area_style.style);
}

TEST(WmfRead, PolyPolygonIsASetOfClosedPolylines) {
  Wmf w;
  w.poly_polygon({{{0, 0}, {10, 0}, {10, 10}}, {{2, 2}, {3, 2}, {3, 3}, {2, 3}}}).eof();
  const auto e = convert(w, scale_of(0.5));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kPolylines);
  EXPECT_TRUE(e[0].closed);
  ASSERT_EQ(e[0].members.size(), 2u);
  EXPECT_EQ(e[0].members[0].size(), 3u);
  EXPECT_EQ(e[0].members[1].size(), 4u);
  EXPECT_DOUBLE_EQ(e[0].members[1][2].x, 1.5);
  // The system's default brush: white, solid.
  EXPECT_EQ(e[0].fill.style, BS_SOLID);
  expect_colour(e[0].fill.color, rgb(1, 1, 1), "default brush");
}

TEST(WmfRead, StateChangesApplyToLaterRecordsOnly) {
  // A pen created, selected, deleted while selected (it stays in force),
  // and a stale index that selects nothing.
  Wmf w;
  w.pen(PS_SOLID, 3, kRed)
      .select(0)
      .remove(0)
      .polyline({{0, 0}, {1, 1}})
      .select(0)
      .select(7)
      .polyline({{0, 0}, {1, 1}})
      .eof();
  const auto e = convert(w);
  ASSERT_EQ(e.size(), 2u);
  expect_colour(e[0].style.color, rgb(1, 0, 0), "deleted while selected");
  expect_colour(e[1].style.color, rgb(1, 0, 0), "nothing to select");
}

TEST(WmfRead, ObjectTableIndicesAsPlaybackHasThem) {
  // Every creating record takes the lowest free slot, fonts, palettes and
  // regions too, so that later indices point where the writer meant.
  Wmf w;
  w.pen(PS_SOLID, 1, kRed)         // 0
      .font()                      // 1
      .brush(BS_SOLID, kBlue)      // 2
      .palette()                   // 3
      .region()                    // 4
      .pen(PS_SOLID, 4, 0x00ff00)  // 5
      .remove(1)                   // 1 free
      .remove(0)                   // 0 free
      .pen(PS_SOLID, 9, 0x808080)  // 0 again
      .brush(BS_NULL, 0)           // 1 again
      .select(2)
      .select(0)
      .polygon({{0, 0}, {1, 0}, {1, 1}})
      .select(5)
      .select(1)
      .select(3)
      .select(4)  // palette and region: no pen, no brush
      .polygon({{0, 0}, {1, 0}, {1, 1}})
      .eof();
  const auto e = convert(w);
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].style.width, 9.0f);
  EXPECT_NEAR(e[0].style.color.r, 128.0 / 255, 1e-6);
  EXPECT_EQ(e[0].fill.style, BS_SOLID);
  expect_colour(e[0].fill.color, rgb(0, 0, 1), "brush in slot 2");
  EXPECT_EQ(e[1].style.width, 4.0f);
  EXPECT_EQ(e[1].fill.style, BS_NULL);
}

TEST(WmfRead, NullPenIsWhiteAndWidthsAreInches) {
  Wmf w;
  w.pen(PS_NULL, 15, kRed).select(0).polygon({{0, 0}, {1440, 0}, {0, 1440}}).eof();
  const auto e = convert(w, scale_of(1.0 / 1440));
  ASSERT_EQ(e.size(), 1u);
  expect_colour(e[0].style.color, rgb(1, 1, 1), "null pen");
  EXPECT_FLOAT_EQ(e[0].style.width, static_cast<float>(15.0 / 1440));
  EXPECT_DOUBLE_EQ(e[0].pts[1].x, 1.0);
}

TEST(WmfRead, TransformShiftsRotatesAndMirrors) {
  Wmf w;
  w.polyline({{100, 200}, {-100, 0}}).eof();
  const gr_ctrans t{10, 20, 0.5, 1, 0, -1, 1};  // quarter turn, x mirrored
  const auto e = convert(w, t);
  ASSERT_EQ(e.size(), 1u);
  const gr_cpoint want = gr_vector_ctrans(100, -200, &t);  // upright first, then the transform
  EXPECT_DOUBLE_EQ(e[0].pts[0].x, want.x);
  EXPECT_DOUBLE_EQ(e[0].pts[0].y, want.y);
  // A transform no drawing could come from reads nothing.
  for (double bad : {double{NAN}, double{INFINITY}, 1e200})
    EXPECT_TRUE(convert(w, scale_of(bad)).empty()) << bad;
}

TEST(WmfRead, BitmapsAndUnknownRecordsAddNothing) {
  Wmf w;
  w.rec(0x0B41, std::vector<int>(40, 0x0324))  // a bitmap whose words look like records
      .rec(0x0F43, std::vector<int>(30, 0x0325))
      .rec(0x0777, {1, 2, 3})
      .polyline({{0, 0}, {1, 1}})
      .eof()
      .polyline({{2, 2}, {3, 3}});  // after the end record
  const auto e = convert(w);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].pts[0].x, 0.0);
}

TEST(WmfRead, CountsAndSizesThatLie) {
  std::string rec;
  const auto words = [&](std::initializer_list<int> v) {
    rec.clear();
    for (int x : v) put16(rec, x);
    return rec;
  };
  const struct {
    const char* name;
    std::string records;
    std::vector<size_t> points;  // points (or members' total) of each element
  } rows[] = {
      {"polygon count past its record", words({8, 0, 0x0324, 100, 1, 1, 2, 2}), {2}},
      {"count of zero", words({3 + 5, 0, 0x0324, 0, 1, 1, 2, 2}), {}},
      {"negative count", words({3 + 5, 0, 0x0325, 0xffff, 1, 1, 2, 2}), {}},
      {"record without its count", words({3, 0, 0x0324}), {}},
      {"poly-polygon counts past the record", words({3 + 9, 0, 0x0538, 2, 3, 60000, 1, 1, 2, 2, 3, 3}), {3}},
      {"poly-polygon with more polygons than counts", words({3 + 3, 0, 0x0538, 5000, 1, 1}), {}},
      {"poly-polygon with an empty polygon", words({3 + 9, 0, 0x0538, 3, 0, 1, 1, 7, 7, 8, 8, 9}), {2}},
  };
  for (const auto& r : rows) {
    Wmf w;
    w.raw(r.records).polyline({{0, 0}, {1, 1}, {2, 2}}).eof();
    auto e = convert(w);
    // The record is read as far as it goes; the walk goes on after it.
    ASSERT_EQ(e.size(), r.points.size() + 1) << r.name;
    for (size_t i = 0; i < r.points.size(); ++i) {
      size_t n = e[i].pts.size();
      for (const auto& m : e[i].members) n += m.size();
      EXPECT_EQ(n, r.points[i]) << r.name;
    }
    EXPECT_EQ(e.back().pts.size(), 3u) << r.name;
  }
  // Sizes that leave no way on end the walk: 0, 1 and 2 words.
  for (int size : {0, 1, 2}) {
    Wmf w;
    w.polyline({{0, 0}, {1, 1}}).raw(words({size, 0, 0x0325, 1, 5, 5})).polyline({{0, 0}, {1, 1}});
    EXPECT_EQ(convert(w).size(), 1u) << size;
  }
  // A size past the end of the file: the record is cut there and is the last.
  Wmf w;
  w.raw(words({0xffff, 0x7fff, 0x0325, 4, 1, 1, 2, 2, 3, 3}));
  auto e = convert(w);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].pts.size(), 3u);
  // No end record: the records end with the bits.
  Wmf open;
  open.polyline({{0, 0}, {1, 1}});
  EXPECT_EQ(convert(open).size(), 1u);
}

TEST(WmfRead, NotAMetafileReadsNothing) {
  Wmf w;
  w.polyline({{0, 0}, {1, 1}}).eof();
  std::string bits = w.bits();
  bits[2] = 8;  // header size 8 words
  EXPECT_TRUE(read_with(read_wmf, bits).empty());
  bits = w.bits();
  bits[0] = 3;  // type 3
  EXPECT_TRUE(read_with(read_wmf, bits).empty());
  EXPECT_TRUE(read_with(read_wmf, w.bits().substr(0, 17)).empty());
  // Cut anywhere: never more than the whole gives, never a bad point.
  Wmf many;
  many.pen(PS_SOLID, 1, kRed)
      .select(0)
      .polygon({{0, 0}, {5, 5}, {9, 0}})
      .poly_polygon({{{1, 1}, {2, 2}}, {{3, 3}}})
      .eof();
  const std::string all = many.bits();
  for (size_t n = 0; n <= all.size(); ++n) {
    const auto e = read_with(read_wmf, all.substr(0, n));
    EXPECT_LE(e.size(), 2u) << n;
  }
}

}  // namespace
