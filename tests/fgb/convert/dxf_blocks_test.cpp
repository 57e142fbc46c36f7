// DXF blocks (issue 15): definitions drawn only through references, INSERT
// with its scales (negative ones mirror), rotation, arrays and nesting,
// BYBLOCK colours and layer 0, references before definitions, and the
// bounds on what references can multiply.
// Invariants: a block's entity lands at
//   insertion + R(rotation) ((col step, row step) + S(scales) (p - base));
// nothing of a definition is drawn where it is defined.
#include "convert_test_util.h"

#include "convert/dxf_p.h"

#include <cmath>
#include <string>
#include <utility>

using namespace convtest;

namespace {

constexpr double kMm = 1.0 / 25.4;

using Groups = std::vector<std::pair<int, std::string>>;

std::string pairs(const Groups& g) {
  std::string s;
  for (const auto& [code, value] : g) s += std::to_string(code) + "\n" + value + "\n";
  return s;
}
std::string section(const char* name, const std::string& body) {
  return pairs({{0, "SECTION"}, {2, name}}) + body + pairs({{0, "ENDSEC"}});
}
// A block of the entities, base point (bx, by).
std::string block(const char* name, const std::string& entities, double bx = 0, double by = 0) {
  return pairs({{0, "BLOCK"},
                {8, "0"},
                {2, name},
                {70, "0"},
                {10, std::to_string(bx)},
                {20, std::to_string(by)}}) +
         entities + pairs({{0, "ENDBLK"}});
}
std::string insert(const char* name, const Groups& more = {}) {
  Groups g{{0, "INSERT"}, {2, name}};
  g.insert(g.end(), more.begin(), more.end());
  return pairs(g);
}
const std::string kUnitLine = pairs({{0, "LINE"}, {10, "0"}, {20, "0"}, {11, "1"}, {21, "0"}});

std::vector<Recorded> read(const std::string& blocks, const std::string& entities,
                           fgb_import_report* report = nullptr) {
  ReadOptions opt;
  opt.report = report;
  return read_with(read_dxf, section("BLOCKS", blocks) + section("ENTITIES", entities) + pairs({{0, "EOF"}}),
                   opt);
}

uint32_t count_of(const fgb_import_report& r, const char* name) {
  for (uint32_t i = 0; i < r.item_count; ++i)
    if (std::string(r.items[i].name) == name) return r.items[i].count;
  return 0;
}

TEST(DxfInsert, WhereTheReferencePutsTheBlock) {
  const struct {
    const char* name;
    Groups groups;
    double x1, y1, x2, y2;  // the unit line (0, 0) - (1, 0) of a block based at (1, 0)
  } rows[] = {
      {"at the insertion point", {{10, "5"}, {20, "6"}}, 4, 6, 5, 6},
      {"scaled", {{41, "3"}, {42, "2"}}, -3, 0, 0, 0},
      {"mirrored by a negative scale", {{41, "-1"}}, 1, 0, 0, 0},
      {"turned a quarter", {{50, "90"}}, 0, -1, 0, 0},
      {"in a system whose normal points down",
       {{10, "5"}, {210, "0"}, {220, "0"}, {230, "-1"}},
       -4,
       0,
       -5,
       0},
  };
  for (const auto& r : rows) {
    const auto e = read(block("B", kUnitLine, 1, 0), insert("B", r.groups));
    ASSERT_EQ(e.size(), 1u) << r.name;
    EXPECT_NEAR(e[0].pts[0].x, r.x1 * kMm, 1e-12) << r.name;
    EXPECT_NEAR(e[0].pts[0].y, r.y1 * kMm, 1e-12) << r.name;
    EXPECT_NEAR(e[0].pts[1].x, r.x2 * kMm, 1e-12) << r.name;
    EXPECT_NEAR(e[0].pts[1].y, r.y2 * kMm, 1e-12) << r.name;
  }
}

TEST(DxfInsert, ArraysNestingAndCurvesThroughReferences) {
  // A 3 by 2 array 10 apart of a block that references another twice.
  const std::string blocks =
      block("Inner", kUnitLine) + block("Outer", insert("Inner") + insert("Inner", {{10, "0"}, {20, "5"}}));
  auto e = read(blocks, insert("Outer", {{70, "3"}, {71, "2"}, {44, "10"}, {45, "10"}, {50, "90"}}));
  ASSERT_EQ(e.size(), 12u);
  // The last cell: column 2, row 1, turned a quarter: (20, 10) -> (-10, 20).
  EXPECT_NEAR(e.back().pts[0].x, -15 * kMm, 1e-12);
  EXPECT_NEAR(e.back().pts[0].y, 20 * kMm, 1e-12);
  // Circles and arcs: an arc under a uniform scale stays one; under an
  // uneven scale it becomes Bezier pieces of an ellipse.
  const std::string round = block("R", pairs({{0, "ARC"},
                                              {10, "0"},
                                              {20, "0"},
                                              {40, "1"},
                                              {50, "0"},
                                              {51, "90"},
                                              {0, "CIRCLE"},
                                              {10, "0"},
                                              {20, "0"},
                                              {40, "1"}}));
  e = read(round, insert("R", {{41, "2"}, {42, "2"}}) + insert("R", {{41, "2"}, {42, "1"}}) +
                      insert("R", {{41, "-1"}}));
  ASSERT_EQ(e.size(), 6u);
  EXPECT_EQ(e[0].kind, kArc);
  EXPECT_NEAR(e[0].r, 2 * kMm, 1e-12);
  EXPECT_EQ(e[1].kind, kCircle);
  EXPECT_EQ(e[2].kind, kBezier);
  EXPECT_EQ(e[3].kind, kBezier);
  EXPECT_EQ(e[4].kind, kArc);  // mirrored: from 90 to 180 degrees
  EXPECT_NEAR(std::cos(e[4].a1), 0.0, 1e-12);
  EXPECT_NEAR(e[4].a2 - e[4].a1, M_PI / 2, 1e-12);
}

TEST(DxfInsert, DefinitionsAreNotDrawnButOldBlocksSectionsAre) {
  // Entities inside a definition wait for a reference; a POLYLINE in the
  // BLOCKS section outside any definition is drawn as plain drawings have it.
  auto e = read(block("B", kUnitLine), "");
  EXPECT_TRUE(e.empty());
  e = read(pairs({{0, "POLYLINE"},
                  {0, "VERTEX"},
                  {10, "0"},
                  {20, "0"},
                  {0, "VERTEX"},
                  {10, "5"},
                  {20, "5"},
                  {0, "SEQEND"}}),
           "");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kPolyline);
}

TEST(DxfInsert, ByblockColourLayerZeroAndAttributes) {
  const std::string tables = section("TABLES", pairs({{0, "TABLE"},
                                                      {2, "LAYER"},
                                                      {0, "LAYER"},
                                                      {2, "Green"},
                                                      {62, "3"},
                                                      {0, "LAYER"},
                                                      {2, "0"},
                                                      {62, "7"},
                                                      {0, "ENDTAB"}}));
  const std::string b = block("B", pairs({{0, "LINE"},
                                          {8, "0"},
                                          {62, "0"},
                                          {10, "0"},
                                          {20, "0"},
                                          {11, "1"},
                                          {21, "0"},
                                          {0, "LINE"},
                                          {8, "0"},
                                          {10, "0"},
                                          {20, "0"},
                                          {11, "1"},
                                          {21, "0"}}));
  const std::string file =
      tables + section("BLOCKS", b) +
      section("ENTITIES", insert("B", {{8, "Green"}, {62, "1"}, {66, "1"}}) + pairs({{0, "ATTRIB"},
                                                                                     {10, "0"},
                                                                                     {20, "0"},
                                                                                     {40, "2"},
                                                                                     {1, "X"},
                                                                                     {70, "0"},
                                                                                     {0, "ATTRIB"},
                                                                                     {10, "0"},
                                                                                     {20, "0"},
                                                                                     {40, "2"},
                                                                                     {1, "Y"},
                                                                                     {70, "1"},
                                                                                     {0, "SEQEND"}})) +
      pairs({{0, "EOF"}});
  const auto e = read_with(read_dxf, file);
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].kind, kPolylines);     // the visible attribute
  EXPECT_EQ(e[1].style.color.r, 1.0f);  // BYBLOCK: the reference's red
  EXPECT_EQ(e[2].style.color.g, 1.0f);  // layer 0: the reference's layer, green
  EXPECT_EQ(e[2].style.color.r, 0.0f);
}

TEST(DxfInsert, ReferencesBeforeTheirDefinitionAndMissingBlocks) {
  fgb_import_report report;
  fgb_report_init(&report);
  ReadOptions opt;
  opt.report = &report;
  const auto e = read_with(read_dxf,
                           section("ENTITIES", insert("Late", {{10, "5"}}) + insert("Nowhere")) +
                               section("BLOCKS", block("Late", kUnitLine)) + pairs({{0, "EOF"}}),
                           opt);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_NEAR(e[0].pts[0].x, 5 * kMm, 1e-12);
  EXPECT_EQ(count_of(report, "INSERT"), 1u);
}

TEST(DxfInsert, WorkIsBoundedByDepthCyclesAndTheBudget) {
  fgb_import_report report;
  fgb_report_init(&report);
  // A block that references itself stops at once; a chain deeper than the
  // limit stops at it.
  auto e = read(block("Self", kUnitLine + insert("Self")), insert("Self"), &report);
  EXPECT_EQ(e.size(), 1u);
  EXPECT_EQ(count_of(report, "INSERT cycle"), 1u);
  std::string chain;
  const int levels = fgb::conv::dxf::kMaxBlockDepth + 4;
  for (int i = 0; i < levels; ++i) {
    const std::string name = "L" + std::to_string(i), inner = "L" + std::to_string(i + 1);
    chain += block(name.c_str(), kUnitLine + insert(inner.c_str()));
  }
  fgb_report_init(&report);
  e = read(chain, insert("L0"), &report);
  EXPECT_EQ(e.size(), static_cast<size_t>(fgb::conv::dxf::kMaxBlockDepth));
  EXPECT_EQ(count_of(report, "INSERT depth"), 1u);
  // An array of 32767 by 32767 empty cells nested twice stops at the budget.
  fgb_report_init(&report);
  const Groups huge{{70, "32767"}, {71, "32767"}, {44, "1"}, {45, "1"}};
  e = read(block("Empty", "") + block("Big", insert("Empty", huge)), insert("Big", huge), &report);
  EXPECT_TRUE(e.empty());
  EXPECT_GE(count_of(report, "INSERT limit"), 1u);
}

}  // namespace
