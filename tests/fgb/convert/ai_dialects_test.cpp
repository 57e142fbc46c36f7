// Illustrator files as their writers meant them (issue 15): a body after
// the prolog when there is no setup section, frames set by translate,
// scale and concat, the later operators (mo, li, cv, cp) with their
// subpaths and clipping paths, and the end of the printed artwork.
// Invariants: no point comes from a path that is not painted (clipping
// paths, discarded ones), so none joins two paths into a stray diagonal.
#include "convert_test_util.h"

using namespace convtest;

namespace {

constexpr double kScale = 1.0 / 71.94;

std::vector<Recorded> read_ai_text(const std::string& text, fgb_import_report* report = nullptr) {
  ReadOptions opt;
  opt.report = report;
  return read_with(read_ai, text, opt);
}

// Names are kept to FGB_REPORT_NAME_SIZE - 1 bytes.
bool has_item(const fgb_import_report& r, const char* name, int what) {
  const std::string kept = std::string(name).substr(0, FGB_REPORT_NAME_SIZE - 1);
  for (uint32_t i = 0; i < r.item_count; ++i)
    if (r.items[i].name == kept && r.items[i].what == what) return true;
  return false;
}

TEST(AiBody, AfterThePrologWhenThereIsNoSetup) {
  fgb_import_report report;
  fgb_report_init(&report);
  const std::string prolog = "%!PS-Adobe-2.0 EPSF-1.2\n%%BeginProlog\n0 0 m\n9 9 l\nS\n%%EndProlog\n";
  auto e = read_ai_text(prolog + "1 1 m\n2 2 l\nS\n", &report);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_NEAR(e[0].pts[0].x, kScale, 1e-12);  // the path in the prolog is not read
  EXPECT_TRUE(has_item(report, "%%EndProlog", FGB_REPORT_NOTE));
  EXPECT_NE(std::string(report.dialect).find("%%EndProlog"), std::string::npos) << report.dialect;
  // With a setup section, the body starts after it, as always.
  e = read_ai_text(prolog + "1 1 m\n2 2 l\nS\n%%EndSetup\n3 3 m\n4 4 l\nS\n");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_NEAR(e[0].pts[0].x, 3 * kScale, 1e-12);
  // Neither: nothing; a PDF says what it is.
  EXPECT_TRUE(read_ai_text("%!PS\n1 1 m\n2 2 l\nS\n").empty());
  fgb_report_init(&report);
  EXPECT_TRUE(read_ai_text("%PDF-1.5\n%AI\n", &report).empty());
  EXPECT_NE(std::string(report.dialect).find("PDF"), std::string::npos) << report.dialect;
}

TEST(AiFrame, TranslateScaleConcatAndTheirSaves) {
  const struct {
    const char* name;
    const char* frame;
    double x, y;  // where (10, 20) lands, points
  } rows[] = {
      {"none", "", 10, 20},
      {"translate", "-110 -300 translate\n", -100, -280},
      {"scale with dup, after a translate", "5 5 translate\n2 dup scale\n", 25, 45},
      {"page frame of later versions", "1 -1 scale 0 -100 translate\n", 10, 80},
      {"concat", "[0 1 -1 0 0 0 ]ct\n", -20, 10},
      {"gsave and grestore", "gsave\n3 3 scale\ngrestore\n", 10, 20},
      {"other words: not a frame line", "2 2 scale foo\n", 10, 20},
  };
  for (const auto& r : rows) {
    const auto e = read_ai_text(std::string("%%EndSetup\n") + r.frame + "10 20 m\n30 20 l\nS\n");
    ASSERT_EQ(e.size(), 1u) << r.name;
    EXPECT_NEAR(e[0].pts[0].x, r.x * kScale, 1e-9) << r.name;
    EXPECT_NEAR(e[0].pts[0].y, r.y * kScale, 1e-9) << r.name;
  }
}

TEST(AiLaterOperators, SubpathsClosingAndClipping) {
  fgb_import_report report;
  fgb_report_init(&report);
  const std::string body =
      "%%EndSetup\n"
      "1 -1 scale 0 -100 translate\n"
      "0 0 mo\n0 100 li\n100 100 li\ncp\nclp\n"  // a clipping path: not drawn
      "10 10 mo\n20 10 li\n20 20 li\ncp\n"       // two subpaths of one filled path
      "50 50 mo\n60 50 li\n60 60 30 30 70 70 cv\n"
      "f\n"
      "5 5 mo\n6 6 li\n@\n"                        // a stroke stays open
      "7 7 mo\n8 8 li\nnp\n"                       // discarded
      "%AI9_PrivateDataBegin\n1 1 m\n2 2 l\nS\n";  // the private copy is not read
  const auto e = read_ai_text(body, &report);
  ASSERT_EQ(e.size(), 3u);
  for (const auto& r : e) EXPECT_EQ(r.kind, kBezier);
  // The first subpath: (10, 10) turned upright in the page frame, closed back to it.
  EXPECT_NEAR(e[0].pts.front().x, 10 * kScale, 1e-9);
  EXPECT_NEAR(e[0].pts.front().y, 90 * kScale, 1e-9);
  EXPECT_EQ(e[0].pts.size(), 10u);
  EXPECT_DOUBLE_EQ(e[0].pts.back().x, e[0].pts.front().x);
  EXPECT_DOUBLE_EQ(e[0].pts.back().y, e[0].pts.front().y);
  EXPECT_EQ(e[1].pts.size(), 10u);  // line, curve, and the fill's closing piece
  EXPECT_EQ(e[2].pts.size(), 4u);
  // Nothing of the clipping path, the discarded path or the private data.
  for (const auto& r : e)
    for (const auto& p : r.pts) EXPECT_LT(p.x, 71 * kScale) << p.x;
  EXPECT_TRUE(has_item(report, "clp", FGB_REPORT_SKIPPED));
  EXPECT_TRUE(has_item(report, "%AI9_PrivateDataBegin", FGB_REPORT_NOTE));
  EXPECT_NE(std::string(report.dialect).find("printing data"), std::string::npos) << report.dialect;
}

}  // namespace
