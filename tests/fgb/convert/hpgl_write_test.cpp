// HPGL writer: byte-exact output of small pages, the pen of a width, the
// origin shift, truncation that keeps read coordinates, and the optimised
// ordering with its time estimate.
#include "convert_test_util.h"

#include "convert/writer_p.h"

#include <cmath>
#include <map>
#include <random>
#include <regex>

using namespace convtest;

namespace {

std::string plain(const Doc& d) {
  return write_page(d, [](Page& p, OutBuf& out) {
    WriterContext ctx;
    ctx.file = &out;
    write_hpgl_page(p, ctx);
  });
}

TEST(HpglWrite, SegmentWithPenFourWidth) {
  Doc d;
  d.segment({0, 0}, {1, 1}, width_style(0.039));
  EXPECT_EQ(plain(d), crlf("IN;\nSP4;LT;VS2;\nPU-11000,-6900;PD-9984,-5884;PU;\n"));
}

TEST(HpglWrite, CircleWhoseWidthMatchesNoPen) {
  Doc d;
  d.circle({1, 1}, 0.5, width_style(0.02));
  EXPECT_EQ(plain(d), crlf("IN;\nSP2;\nLT;\nVS2;\nPU-9984,-5884;\nPD;CI508,1;\n"));
}

TEST(HpglWrite, ArcsWriteStartCentreAndSweep) {
  Doc d;
  d.arc({1, 1}, 0.5, 0.0, M_PI / 2, width_style(0.025));
  d.arc({1, 1}, 0.5, M_PI / 2, 0.0, width_style(0.055));  // wraps: 270 degrees
  EXPECT_EQ(plain(d), crlf("IN;\n"
                           "SP3;\nLT;\nVS2;\nPU-9476,-5884;\nPD;AA-9984,-5884,90.000000,1;\n"
                           "SP1;\nLT;\nVS2;\nPU-9984,-5376;\nPD;AA-9984,-5884,270.000000,1;\n"));
}

TEST(HpglWrite, ClosedPolylineReturnsToItsFirstPoint) {
  Doc d;
  d.polyline({{0, 0}, {1, 0}, {1, 1}}, true, width_style(0.055));
  d.flash({5, 5}, width_style(0.055));  // no HPGL form
  EXPECT_EQ(plain(d),
            crlf("IN;\nSP1;LT;VS2;\nPU-11000,-6900;PD-9984,-6900;PD-9984,-5884;PD-11000,-6900;PU;\n"));
}

TEST(HpglWrite, PenOfWidthTestsPenFourThenThreeThenOne) {
  const struct {
    double w;
    int pen;
  } rows[] = {{0.039, 4}, {0.0385, 4}, {0.025, 3}, {0.0259, 3}, {0.055, 1},
              {0.012, 2}, {0.0, 2},    {0.041, 2}, {-0.039, 2}};
  for (const auto& r : rows) EXPECT_EQ(hpgl_pen_of_width(static_cast<float>(r.w)), r.pen) << r.w;
}

TEST(HpglWrite, EveryPlotterCoordinateReadComesBackShiftedExactly) {
  // Without correcting the representation error, trunc(X/1016*1016) is one
  // unit short for many X: a file that is only read and saved would move.
  for (int64_t X = -40000; X <= 40000; ++X) {
    const double x = static_cast<double>(X) * (1.0 / 1016.0);
    const PlotterPoint p = hpgl_point({x, x});
    ASSERT_EQ(p.x, X - 11000) << X;
    ASSERT_EQ(p.y, X - 6900) << X;
  }
  // Truly fractional values still truncate toward zero.
  EXPECT_EQ(hpgl_point({11000.7 / 1016, 6900.7 / 1016}).x, 0);
  EXPECT_EQ(hpgl_point({10999.3 / 1016, 0}).x, 0);
  EXPECT_EQ(hpgl_point({10998.6 / 1016, 0}).x, -1);
}

TEST(HpglWrite, ReadThenWriteThenReadMovesOnlyByTheShift) {
  const std::string src = "SP1;PU100,200;PD300,-400;PD-777,12345;PD99,99;PU;SP3;PU290,290;PD1,1;PU;";
  RecordingSink first;
  read_hpgl(reinterpret_cast<const uint8_t*>(src.data()), src.size(), first, {});
  Doc d;
  for (const auto& e : first.elems) {
    if (e.kind == kPolyline) d.polyline(e.pts, e.closed, e.style);
    if (e.kind == kSegment) d.segment(e.pts[0], e.pts[1], e.style);
  }
  const auto again = read_with(read_hpgl, plain(d));
  ASSERT_EQ(again.size(), first.elems.size());
  for (size_t i = 0; i < again.size(); ++i) {
    ASSERT_EQ(again[i].pts.size(), first.elems[i].pts.size());
    EXPECT_EQ(again[i].style.width, first.elems[i].style.width);
    for (size_t k = 0; k < again[i].pts.size(); ++k) {
      EXPECT_EQ(std::lround(again[i].pts[k].x * 1016), std::lround(first.elems[i].pts[k].x * 1016) - 11000);
      EXPECT_EQ(std::lround(again[i].pts[k].y * 1016), std::lround(first.elems[i].pts[k].y * 1016) - 6900);
    }
  }
}

// ---- optimised mode ----

std::string ordered(const Doc& d, float& elapsed) {
  return write_page(d, [&](Page& p, OutBuf& out) {
    WriterContext ctx;
    ctx.optimise = 1;
    ctx.elapsed_time = elapsed;
    ctx.file = &out;
    write_hpgl_page(p, ctx);
    elapsed = ctx.elapsed_time;
  });
}

double travel(double dx, double dy) { return std::sqrt(dx * dx + dy * dy) * 0.0025 / 11 + 0.15; }
double drawn(double len, int points) { return len * 0.00125 + 0.15 + points * 0.159; }

TEST(HpglOrdered, NearestPathNextAndReversedWhenItsEndIsNearer) {
  Doc d;
  d.segment({0, 0}, {1, 0}, width_style(0.012));  // A
  d.segment({2, 0}, {3, 0}, width_style(0.012));  // B
  float t = -1.0f;
  EXPECT_EQ(ordered(d, t), crlf("IN;\nPU;SP2;LT;VS2;PU-8968,-6900;PD;PA-7952,-6900;"
                                "PU-9984,-6900;PD;PA-11000,-6900;"));
  const double want = travel(8968, 6900) + drawn(1016, 1) + travel(2032, 0) + drawn(1016, 1);
  EXPECT_NEAR(t, want, 1e-4);
}

TEST(HpglOrdered, ArcsAndCirclesComeFirstAndTimeAddsToAPositiveStart) {
  Doc d;
  d.segment({0, 0}, {1, 0}, width_style(0.012));
  d.circle({1, 1}, 0.5, width_style(0.02));
  float t = 10.0f;
  EXPECT_EQ(ordered(d, t), crlf("IN;\nSP2;\nLT;\nVS2;\nPU-9984,-5884;\nPD;CI508,1;\n"
                                "PU;SP2;LT;VS2;PU-11000,-6900;PD;PA-9984,-6900;"));
  EXPECT_NEAR(t, 10.0 + travel(11000, 6900) + drawn(1016, 1), 1e-4);
}

TEST(HpglOrdered, WithoutPathsTheTimeIsLeftAlone) {
  Doc d;
  d.circle({1, 1}, 0.5, width_style(0.02));
  float t = -1.0f;
  ordered(d, t);
  EXPECT_EQ(t, -1.0f);
}

TEST(HpglOrdered, APenChangeStartsANewRun) {
  Doc d;
  d.segment({0, 0}, {1, 0}, width_style(0.012));  // pen 2, collected first
  d.segment({5, 0}, {6, 0}, width_style(0.055));  // pen 1
  float t = 0;
  EXPECT_EQ(ordered(d, t), crlf("IN;\nPU;SP1;LT;VS2;PU-5920,-6900;PD;PA-4904,-6900;"
                                "PU;SP2;LT;VS2;PU-11000,-6900;PD;PA-9984,-6900;"));
}

// Every path of a large page, in several pens, is drawn exactly once with
// all its points, whatever the window and run limits did to the order.
TEST(HpglOrdered, LargePagesDrawEveryPathOnce) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> coord(0, 20000), pen(0, 2), len(2, 5);
  const double widths[3] = {0.012, 0.055, 0.039};
  Doc d;
  std::multiset<std::string> want;
  for (int i = 0; i < 1500; ++i) {
    std::vector<gr_cpoint> pts;
    std::string key;
    const int n = len(rng);
    for (int k = 0; k < n; ++k) {
      const int x = coord(rng), y = coord(rng);
      pts.push_back({(x + 11000) / 1016.0, (y + 6900) / 1016.0});
    }
    for (const auto& p : pts) {
      const PlotterPoint q = hpgl_point(p);
      key += std::to_string(q.x) + "," + std::to_string(q.y) + ";";
    }
    d.polyline(pts, false, width_style(widths[pen(rng)]));
    want.insert(key);
  }
  float t = 0;
  const std::string out = ordered(d, t);
  std::multiset<std::string> got;
  const std::regex path_re("PU(-?\\d+,-?\\d+);PD;((?:PA-?\\d+,-?\\d+;)*)");
  for (auto it = std::sregex_iterator(out.begin(), out.end(), path_re); it != std::sregex_iterator(); ++it) {
    std::vector<std::string> pts{(*it)[1].str()};
    const std::string rest = (*it)[2].str();
    const std::regex pa("PA(-?\\d+,-?\\d+);");
    for (auto p = std::sregex_iterator(rest.begin(), rest.end(), pa); p != std::sregex_iterator(); ++p)
      pts.push_back((*p)[1].str());
    std::string fwd, back;
    for (const auto& s : pts) fwd += s + ";";
    for (auto r = pts.rbegin(); r != pts.rend(); ++r) back += *r + ";";
    got.insert(want.count(fwd) ? fwd : back);
  }
  EXPECT_EQ(got, want);
  EXPECT_GT(t, 0.0f);
}

// The writer keeps its working memory from one page to the next: pages of
// different sizes written in turn with one context give the bytes and the
// time of each page written alone.
TEST(HpglOrdered, PagesInTurnAsEachAlone) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> coord(0, 3000), len(1, 6);
  std::vector<Doc> pages(4);
  const int sizes[4] = {900, 40, 2500, 300};
  for (int p = 0; p < 4; ++p)
    for (int i = 0; i < sizes[p]; ++i) {
      std::vector<gr_cpoint> pts;
      for (int k = len(rng); k > 0; --k) pts.push_back({coord(rng) / 100.0, coord(rng) / 100.0});
      pages[p].polyline(pts, i % 4 == 0, width_style(i % 7 == 0 ? 0.055 : 0.012));
    }
  std::string alone;
  double alone_t = 0;
  for (const Doc& d : pages) {
    float t = 0;
    alone += ordered(d, t);
    alone_t += t;
  }
  std::string together;
  float together_t = 0;
  {
    OutBuf out(together);
    WriterContext ctx;
    ctx.optimise = 1;
    ctx.file = &out;
    for (const Doc& d : pages) {
      ElementSpan page(d.elements());
      write_hpgl_page(page, ctx);
    }
    out.finish();
    together_t = ctx.elapsed_time;
  }
  EXPECT_EQ(together, alone);
  EXPECT_NEAR(together_t, alone_t, alone_t * 1e-6);
}

}  // namespace

// ---- the ordering against a plain transcription of its rules ----

namespace {

struct RefPath {
  std::vector<PlotterPoint> pts;
  int pen;
  int prev = -1, next = -1;
};

// The ordering rules written out over a doubly linked list, with sqrt
// distances, no window array: slow and obvious.
std::string reference_order(std::vector<RefPath> paths, double& t) {
  std::string out;
  const auto d = [](PlotterPoint a, PlotterPoint b) {
    return std::sqrt(double(a.x - b.x) * double(a.x - b.x) + double(a.y - b.y) * double(a.y - b.y));
  };
  const int n = static_cast<int>(paths.size());
  for (int i = 0; i < n; ++i) {
    paths[i].next = i - 1;
    paths[i].prev = i + 1 < n ? i + 1 : -1;
  }
  int head = n - 1;
  const auto unlink = [&](int i) {
    if (paths[i].prev != -1)
      paths[paths[i].prev].next = paths[i].next;
    else
      head = paths[i].next;
    if (paths[i].next != -1) paths[paths[i].next].prev = paths[i].prev;
  };
  PlotterPoint pos{0, 0};
  const auto reach = [&](int i, bool& rev) {
    const double f = d(pos, paths[i].pts.front()), l = d(pos, paths[i].pts.back());
    rev = l <= f;
    return rev ? l : f;
  };
  const auto emit = [&](int i, bool rev) {
    std::vector<PlotterPoint> p = paths[i].pts;
    if (rev) std::reverse(p.begin(), p.end());
    t += d(pos, p[0]) * 0.0025 / 11 + 0.15;
    out += "PU" + std::to_string(p[0].x) + "," + std::to_string(p[0].y) + ";PD;";
    double len = 0;
    for (size_t k = 1; k < p.size(); ++k) {
      out += "PA" + std::to_string(p[k].x) + "," + std::to_string(p[k].y) + ";";
      len += d(p[k - 1], p[k]);
    }
    t += len * 0.00125 + 0.15 + double(p.size() - 1) * 0.159;
    pos = p.back();
    unlink(i);
  };
  while (head != -1) {
    const int pen = paths[head].pen;
    out += "PU;SP" + std::to_string(pen) + ";LT;VS2;";
    pos = {0, 0};
    emit(head, false);
    int j = 0, k = 0, cur = head, best = head;
    bool best_rev = false, rev;
    double best_d = best != -1 ? reach(best, best_rev) : 0;
    for (;;) {
      if (cur == -1 || paths[cur].pen != pen) break;
      ++k;
      const double dd = reach(cur, rev);
      if (dd < best_d) best = cur, best_d = dd, best_rev = rev;
      const int after = paths[cur].next;
      if (!(after == -1 || paths[after].pen != pen || k == 333 - j)) {
        if (k < 333) {
          cur = after;
          continue;
        }
        break;
      }
      if (++j == 333) {
        unlink(best);
        paths[best].prev = -1;
        paths[best].next = head;
        if (head != -1) paths[head].prev = best;
        head = best;
        break;
      }
      emit(best, best_rev);
      if (best == cur)
        cur = head, k = 0;
      else
        cur = after;
      best = head;
      best_d = best != -1 ? reach(best, best_rev) : 0;
    }
  }
  return out;
}

TEST(HpglOrdered, SameAsTheRulesWrittenOut) {
  for (int seed : {1, 2, 3}) {
    std::mt19937 rng(static_cast<unsigned>(seed));
    // A coarse grid makes many equal distances: ties must go the same way.
    std::uniform_int_distribution<int> coord(0, seed == 1 ? 6 : 400), pen(0, seed == 3 ? 0 : 2), len(1, 4);
    const double widths[3] = {0.012, 0.055, 0.039};
    Doc d;
    std::vector<RefPath> ref;
    for (int i = 0; i < 1200; ++i) {
      std::vector<gr_cpoint> pts;
      RefPath r;
      const int n = len(rng);
      for (int k = 0; k < n; ++k) {
        const gr_cpoint p{(coord(rng) * 10 + 11000) / 1016.0, (coord(rng) * 10 + 6900) / 1016.0};
        pts.push_back(p);
        r.pts.push_back(hpgl_point(p));
      }
      const double w = widths[pen(rng)];
      r.pen = hpgl_pen_of_width(w);
      const bool closed = n > 2 && (i % 3 == 0);
      if (closed) r.pts.push_back(r.pts.front());
      d.polyline(pts, closed, width_style(w));
      ref.push_back(r);
    }
    double want_t = 0;
    const std::string want = crlf("IN;\n") + reference_order(ref, want_t);
    float t = 0;
    EXPECT_EQ(ordered(d, t), want) << "seed " << seed;
    EXPECT_NEAR(t, want_t, want_t * 1e-5) << "seed " << seed;
  }
}

// Paths on a line, each list entry nearer to the path just drawn than any
// other in the window: every choice takes the last path examined, so runs
// reach 333 choices and their nearest starts the next run. Long lists of
// one pen with an occasional other pen, and many equal distances, take the
// list through many removals.
TEST(HpglOrdered, LongRunsSameAsTheRulesWrittenOut) {
  const struct {
    const char* name;
    int paths;
    bool line;
    int grid;
  } rows[] = {{"a line of 400", 400, true, 0},
              {"a line of 1100", 1100, true, 0},
              {"3000 on a coarse grid", 3000, false, 5},
              {"3000 scattered", 3000, false, 3000}};
  for (const auto& r : rows) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(0, r.grid);
    Doc d;
    std::vector<RefPath> ref;
    double w = 0.012;
    for (int i = 0; i < r.paths; ++i) {
      // The list starts with the last path: its slot s is paths - 1 - i.
      const int s = r.paths - 1 - i;
      std::vector<gr_cpoint> pts;
      if (r.line) {
        const double x = s == 0 ? r.paths + 5 : s;
        pts = {{(x * 10 + 11000) / 1016.0, 6900 / 1016.0}, {(x * 10 + 11003) / 1016.0, 6900 / 1016.0}};
      } else {
        for (int k = 0; k < 1 + i % 3; ++k)
          pts.push_back({(coord(rng) * 10 + 11000) / 1016.0, (coord(rng) * 10 + 6900) / 1016.0});
        if (rng() % 400 == 0) w = w == 0.012 ? 0.055 : 0.012;
      }
      RefPath rp;
      for (const gr_cpoint& p : pts) rp.pts.push_back(hpgl_point(p));
      rp.pen = hpgl_pen_of_width(w);
      d.polyline(pts, false, width_style(w));
      ref.push_back(rp);
    }
    double want_t = 0;
    const std::string want = crlf("IN;\n") + reference_order(ref, want_t);
    float t = 0;
    EXPECT_EQ(ordered(d, t), want) << r.name;
    EXPECT_NEAR(t, want_t, want_t * 1e-5) << r.name;
  }
}

}  // namespace
