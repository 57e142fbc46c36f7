// kalvex-cli on the import-only kinds: Illustrator, metafiles (placeable
// and plain, in inches by their units), PCAD plot and board files (with
// --layer), an HPGL ".plt" told apart from a PCAD plot file, and writing
// them refused.
#include "cli_test_util.h"

#include "kinds.h"

#include <fgb/convert/convert.h>
#include <gtest/gtest.h>

#include "../fgb/convert/wmf_builder.h"

#include <filesystem>

namespace fs = std::filesystem;
using namespace kalvex::cli;
using namespace clitest;

namespace {

std::string pcad_line(int x1, int y1, int x2, int y2) {
  std::string s;
  for (int v : {0x80A8, 10 << 8, x1, y1, x2, y2}) wmftest::put16(s, v);
  return s;
}

TEST(CliImport, KindsFromExtensions) {
  const struct {
    const char* path;
    const char* kind;
  } rows[] = {{"a.ai", "ai"},          {"A.AI", "ai"},         {"a.wmf", "wmf"},
              {"a.WMF", "wmf"},        {"a.plt", "pcad-plot"}, {"a.PLT", "pcad-plot"},
              {"a.pcb", "pcad-board"}, {"a.PCB", "pcad-board"}};
  for (const auto& r : rows) {
    const KindInfo* k = kind_by_path(r.path);
    ASSERT_NE(k, nullptr) << r.path;
    EXPECT_STREQ(k->name, r.kind);
    EXPECT_TRUE(k->readable);
    EXPECT_FALSE(k->writable);
  }
}

TEST(CliImport, IllustratorToDxf) {
  Folder f;
  const std::string in = f.write("in.ai", "%%EndSetup\n0 0 m\n72 0 l\n72 72 l\nS\n");
  Result r = cli({"info", in});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_TRUE(has(r.out, "kind:     ai\nelements: 1\n  bezier          1\n")) << r.out;
  r = cli({"convert", in, f / "o.dxf"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_TRUE(fs::exists(f / "o.dxf"));
  // Writing an import-only kind is refused.
  r = cli({"convert", in, f / "o.ai"});
  EXPECT_EQ(r.status, kExitUsage);
  EXPECT_TRUE(has(r.err, "cannot be written")) << r.err;
}

TEST(CliImport, MetafilesInInchesByTheirUnits) {
  Folder f;
  wmftest::Wmf w;
  w.polyline({{0, 0}, {1440, 0}, {1440, 720}}).eof();
  Result r = cli({"info", f.write("p.wmf", w.placeable(1440))});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_TRUE(has(r.out, "elements: 1\n  polyline        1\n")) << r.out;
  EXPECT_TRUE(has(r.out, "(1.0000 x 0.5000)")) << r.out;
  r = cli({"info", f.write("plain.wmf", w.bits())});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_TRUE(has(r.out, "(1.4400 x 0.7200)")) << r.out;  // 1000 units per inch
  // Zero units per inch: read as 1000, with a warning.
  r = cli({"info", f.write("zero.wmf", w.placeable(0))});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_TRUE(has(r.err, "0 units per inch")) << r.err;
  EXPECT_TRUE(has(r.out, "(1.4400 x 0.7200)")) << r.out;
  // Not a metafile, and no file.
  r = cli({"info", f.write("text.wmf", "hello")});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_TRUE(has(r.err, "not a Windows metafile")) << r.err;
  r = cli({"info", f / "missing.wmf"});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_TRUE(has(r.err, "No such file")) << r.err;
}

TEST(CliImport, PcadPlotAndAnHpglPlt) {
  Folder f;
  std::string plot(16, '\0');
  wmftest::put32(plot, 0);
  plot += pcad_line(1000, 2000, 3000, 2000);
  Result r = cli({"info", f.write("board.plt", plot)});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_TRUE(has(r.out, "kind:     pcad-plot\nelements: 1\n  segment         1\n")) << r.out;
  // HPGL in a .plt: told, and read with --from hpgl.
  const std::string hpgl = f.write("plotter.plt", "IN;SP1;PU0,0;PD1016,0;PD1016,1016;PU;\n");
  r = cli({"convert", hpgl, f / "o.dxf"});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_TRUE(has(r.err, "HPGL") && has(r.err, "--from hpgl")) << r.err;
  r = cli({"info", "--from", "hpgl", hpgl});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_TRUE(has(r.out, "elements: 1")) << r.out;
  r = cli({"help", "convert"});
  EXPECT_TRUE(has(r.out, "--from hpgl")) << r.out;
}

TEST(CliImport, PcadBoardLayers) {
  Folder f;
  std::string board;
  for (int layer : {1, 3}) {
    wmftest::put16(board, 0x8005);
    wmftest::put16(board, layer);
    board.append(8, '\0');
    board += pcad_line(layer * 1000, 0, layer * 1000, 1000);
    wmftest::put16(board, 0x0001);
    board.append(10, '\0');
    board += pcad_line(0, 0, 1, 1);
    wmftest::put16(board, 0x8005);
  }
  const std::string in = f.write("b.pcb", board);
  Result r = cli({"info", in});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_TRUE(has(r.out, "elements: 2\n")) << r.out;
  EXPECT_TRUE(has(r.out, "x 0.0000 .. 1.0000")) << r.out;  // layer 1 by default
  r = cli({"info", "--layer", "3", in});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_TRUE(has(r.out, "x 0.0000 .. 3.0000")) << r.out;
  r = cli({"convert", "--layer=2", in, f / "o.hpg"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_TRUE(has(r.err, "warning")) << r.err;  // nothing on layer 2
  for (const char* bad : {"x", "70000", "1.5", ""}) {
    r = cli({"info", "--layer", bad, in});
    EXPECT_EQ(r.status, kExitUsage) << bad;
    EXPECT_TRUE(has(r.err, "--layer")) << r.err;
  }
}

}  // namespace
