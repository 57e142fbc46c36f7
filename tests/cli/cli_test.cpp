// kalvex-cli commands, run in process: kinds from extensions and options,
// conversions between the kinds, info, the apertures table, and the errors
// (message naming the file and the cause, non-zero status).
#include "cli_test_util.h"

#include "apertures.h"
#include "kinds.h"

#include <fgb/convert/convert.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace kalvex::cli;
using namespace clitest;

namespace {

const char kSquare[] = "IN;SP1;PU0,0;PD1016,0;PD1016,1016;PD0,1016;PD0,0;PU;SP3;PU0,0;PD2032,508;PU;";

TEST(CliKinds, ExtensionsAndNames) {
  const struct {
    const char* path;
    const char* kind;
  } rows[] = {{"a.hpg", "hpgl"},   {"a.HPG", "hpgl"}, {"dir.x/a.hpgl", "hpgl"}, {"a.gbr", "gerber"},
              {"a.GBR", "gerber"}, {"a.dxf", "dxf"},  {"A.DXF", "dxf"},         {"a.txt", nullptr},
              {"hpg", nullptr},    {".hpg", nullptr}, {"x.hpg/a", nullptr}};
  for (const auto& r : rows) {
    const KindInfo* k = kind_by_path(r.path);
    EXPECT_EQ(k ? std::string(k->name) : std::string(), r.kind ? std::string(r.kind) : std::string())
        << r.path;
  }
  ASSERT_NE(kind_by_name("gerber-cutter"), nullptr);
  EXPECT_EQ(kind_by_name("gerber-cutter")->kind, FGB_KIND_GERBER_CUTTER);
  EXPECT_EQ(kind_by_name("Gerber")->kind, FGB_KIND_GERBER);
  EXPECT_EQ(kind_by_name("svg"), nullptr);
}

TEST(CliConvert, HpglToEveryKindAndBack) {
  Folder f;
  const std::string in = f.write("in.hpg", kSquare);
  const struct {
    const char* out;
    std::vector<std::string> extra;
    const char* starts;
  } rows[] = {{"o.dxf", {}, "  0\r\nSECTION\r\n"},
              {"o.gbr", {}, "D02*G54D11*\r\n"},
              {"o.cut", {"--to", "gerber-cutter"}, "H1*M70*"},
              {"o.hpgl", {}, "IN;\r\nSP1;LT;VS2;\r\n"}};
  for (const auto& r : rows) {
    std::vector<std::string> args = {"convert", in, f / r.out};
    args.insert(args.end(), r.extra.begin(), r.extra.end());
    const Result res = cli(args);
    ASSERT_EQ(res.status, kExitOk) << res.err;
    EXPECT_EQ(slurp(f / r.out).rfind(r.starts, 0), 0u) << r.out;
  }
  const Result info = cli({"info", "--from", "gerber-cutter", f / "o.cut"});
  ASSERT_EQ(info.status, kExitOk) << info.err;
  EXPECT_NE(info.out.find("elements: 2"), std::string::npos) << info.out;
}

TEST(CliInfo, CountsBoxAndPages) {
  Folder f;
  const std::string in = f.write("in.hpg", kSquare);
  const Result r = cli({"info", in});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "file:     " + in +
                       "\nkind:     hpgl\nelements: 2\n  polyline        1\n  segment         1\n"
                       "box in:   x 0.0000 .. 2.0000, y 0.0000 .. 1.0000 (2.0000 x 1.0000)\n"
                       "box mm:   x 0.000 .. 50.800, y 0.000 .. 25.400 (50.800 x 25.400)\n"
                       "pages:    1\n");
  const Result empty = cli({"info", f.write("e.dxf", "0\nEOF\n")});
  EXPECT_EQ(empty.status, kExitOk);
  EXPECT_NE(empty.out.find("box:      empty"), std::string::npos);
}

TEST(CliConvert, OptimisePrintsThePlottingTime) {
  Folder f;
  const Result r = cli({"convert", "--optimise", f.write("in.hpg", kSquare), f / "o.hpg"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out.rfind("estimated plotting time: ", 0), 0u) << r.out;
  EXPECT_NE(slurp(f / "o.hpg").find("PU;SP1;LT;VS2;"), std::string::npos);
}

TEST(CliConvert, DxfWithoutSegments) {
  Folder f;
  const std::string in = f.write("in.hpg", kSquare);
  ASSERT_EQ(cli({"convert", "--dxf-no-segments", in, f / "o.dxf"}).status, kExitOk);
  EXPECT_EQ(slurp(f / "o.dxf").find("\nLINE\r\n"), std::string::npos);
  EXPECT_NE(slurp(f / "o.dxf").find("POLYLINE"), std::string::npos);
}

TEST(CliConvert, AperturesTableSizesTheGerberDraws) {
  Folder f;
  const std::string in = f.write("in.gbr", "G54D12*X0Y0D02*X1000Y0D01*D02*M02*");
  const std::string table = f.write("ap.txt", "  12   0.025 round\n120 0.5\nx 1\n");
  ASSERT_EQ(cli({"convert", "--apertures", table, in, f / "o.dxf"}).status, kExitOk);
  EXPECT_NE(slurp(f / "o.dxf").find(" 39\r\n0.02500\r\n"), std::string::npos);
  const Result r = cli({"convert", "--apertures=" + (f / "none.txt"), in, f / "o.dxf"});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_NE(r.err.find("none.txt"), std::string::npos);
}

TEST(CliErrors, NameTheFileAndTheCause) {
  Folder f;
  const std::string in = f.write("in.hpg", kSquare);
  const struct {
    std::vector<std::string> args;
    int status;
    std::vector<std::string> mentions;
  } rows[] = {
      {{"convert", f / "missing.hpg", f / "o.dxf"}, kExitFailed, {"missing.hpg", "No such file"}},
      {{"convert", in, f / "no/such/o.dxf"}, kExitFailed, {"no/such/o.dxf", "No such file"}},
      {{"convert", "--frobnicate", in, f / "o.dxf"}, kExitUsage, {"--frobnicate", "usage:"}},
      {{"convert", in, f / "o.svg"}, kExitUsage, {"o.svg", "--to"}},
      {{"convert", "--from", "svg", in, f / "o.dxf"}, kExitUsage, {"svg", "hpgl, gerber"}},
      {{"convert", "--to"}, kExitUsage, {"--to", "value"}},
      {{"convert", in}, kExitUsage, {"usage:"}},
      {{"info"}, kExitUsage, {"usage:"}},
      {{"frobnicate"}, kExitUsage, {"frobnicate"}},
      {{}, kExitUsage, {"commands:"}},
  };
  for (const auto& r : rows) {
    const Result res = cli(r.args);
    EXPECT_EQ(res.status, r.status) << res.err;
    for (const auto& m : r.mentions) EXPECT_NE(res.err.find(m), std::string::npos) << m << " in " << res.err;
  }
  EXPECT_FALSE(fs::exists(f / "o.dxf"));
}

TEST(CliErrors, NothingReadIsAWarningNotAFailure) {
  Folder f;
  const Result r = cli({"convert", f.write("in.gbr", "X1Y1D03*"), f / "o.dxf"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_NE(r.err.find("warning"), std::string::npos);
}

TEST(CliHelp, ListsCommandsAndOptions) {
  Result r = cli({"help"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_NE(r.out.find("convert"), std::string::npos);
  EXPECT_NE(r.out.find("info"), std::string::npos);
  r = cli({"convert", "--help"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_NE(r.out.find("--dxf-no-segments"), std::string::npos);
}

TEST(CliApertures, LinesAsTheTableFileHasThem) {
  Apertures t;
  const int used = parse_apertures(
      "10 0.01\n  12   0.025  trailing words\n120 0.5\nabc 1\n-1 2\n11\t0.02\n"
      "13 1e-2\n14 x\n",
      t);
  EXPECT_EQ(used, 4);
  EXPECT_FLOAT_EQ(t.sizes[10], 0.01f);
  EXPECT_FLOAT_EQ(t.sizes[12], 0.025f);
  EXPECT_FLOAT_EQ(t.sizes[11], 0.02f);
  EXPECT_FLOAT_EQ(t.sizes[13], 0.01f);
  EXPECT_EQ(t.sizes[14], 0.0f);
  Apertures s;
  parse_apertures("11 0.02\n10 0.01\n", s);
  for (int i = 0; i < 98; ++i) EXPECT_EQ(s.sorted[static_cast<size_t>(i)], 0.0f);
  EXPECT_FLOAT_EQ(s.sorted[98], 0.01f);
  EXPECT_FLOAT_EQ(s.sorted[99], 0.02f);
}

}  // namespace
