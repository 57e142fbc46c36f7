// kalvex-cli hatch, inset and flatten end to end on small files: what
// they add (read back from the written file), the summary line, progress
// on a terminal, and the errors (usage for bad options, the file named for
// one that cannot be read).
#include "cli_test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using namespace kalvex::cli;
using namespace clitest;

namespace {

// A one-inch square (1016 plotter units of 0.025 mm).
const char kSquare[] = "IN;SP1;PU0,0;PD1016,0;PD1016,1016;PD0,1016;PD0,0;PU;";

// "elements: N" of kalvex-cli info.
long elements_in(const std::string& path) {
  Result r = cli({"info", path});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  const size_t at = r.out.find("elements: ");
  if (at == std::string::npos) return -1;
  return std::strtol(r.out.c_str() + at + 10, nullptr, 10);
}

TEST(CliHatch, SquareGetsItsLines) {
  Folder dir;
  const std::string in = dir.write("sq.hpg", kSquare), out = dir / "hatched.hpg";
  // Lines every 5 mm from 10 mm below the square: inside at 5, 10, 15, 20, 25.
  Result r = cli({"hatch", "--step", "5", in, out});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "hatch: 5 segments in 1 outline group\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(elements_in(out), 6);
  // Shortened by 13 mm at each end, a 25.4 mm stretch is gone.
  r = cli({"hatch", "--step=5", "--offset", "13", "--preset", "2", in, dir / "none.hpg"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "hatch: 0 segments in 1 outline group\n");
}

TEST(CliHatch, OtherElementsAreReportedAsLeftOut) {
  Folder dir;
  // A 25.4 mm square, a circle and a line.
  const std::string in =
      dir.write("mixed.dxf",
                "0\nSECTION\n2\nENTITIES\n0\nPOLYLINE\n70\n1\n"
                "0\nVERTEX\n10\n0\n20\n0\n0\nVERTEX\n10\n25.4\n20\n0\n"
                "0\nVERTEX\n10\n25.4\n20\n25.4\n0\nVERTEX\n10\n0\n20\n25.4\n0\nSEQEND\n"
                "0\nCIRCLE\n10\n50\n20\n10\n40\n5\n0\nLINE\n10\n0\n20\n40\n11\n10\n21\n40\n"
                "0\nENDSEC\n0\nEOF\n");
  Result r = cli({"hatch", "--step", "5", in, dir / "out.dxf"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "hatch: 5 segments in 1 outline group\n");
  EXPECT_NE(r.err.find("warning: 2 elements other than polylines and curves left out"), std::string::npos)
      << r.err;
  EXPECT_EQ(elements_in(dir / "out.dxf"), 6);
}

TEST(CliHatch, ProgressOnATerminal) {
  Folder dir;
  const std::string in = dir.write("sq.hpg", kSquare);
  Result r = cli({"hatch", "--step", "0.5", in, dir / "out.hpg"}, true);
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_NE(r.err.find("hatching "), std::string::npos);
  EXPECT_NE(r.err.find("100%"), std::string::npos);
}

TEST(CliInset, ContoursPerPolylineUntilTheyVanish) {
  struct Row {
    const char* name;
    std::vector<std::string> options;
    const char* summary;
    long elements;
  } rows[] = {
      {"outward three", {"--distance", "2", "--count", "3"}, "inset: 3 contours added\n", 4},
      {"inward until gone", {"--distance", "-5", "--count", "4"}, "inset: 2 contours added\n", 3},
      {"one by default", {"--distance=-1"}, "inset: 1 contour added\n", 2},
  };
  Folder dir;
  const std::string in = dir.write("sq.hpg", kSquare);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> args{"inset"};
    args.insert(args.end(), row.options.begin(), row.options.end());
    args.push_back(in);
    args.push_back(dir / "out.hpg");
    Result r = cli(args);
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, row.summary);
    EXPECT_EQ(elements_in(dir / "out.hpg"), row.elements);
  }
}

TEST(CliFlatten, DrawingWithoutCurvesIsWrittenUnchanged) {
  Folder dir;
  const std::string in = dir.write("sq.hpg", kSquare);
  Result r = cli({"flatten", "--density", "20", in, dir / "out.dxf"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "flatten: 0 curves turned into polylines\n");
  EXPECT_EQ(elements_in(dir / "out.dxf"), 1);
}

TEST(CliFlatten, IllustratorCurvesBecomePolylines) {
  Folder dir;
  // Two paths: a quarter-circle-like curve piece and a plain two-line path.
  const std::string in = dir.write("curves.ai",
                                   "%%EndSetup\n0 0 m\n0 40 32 72 72 72 c\n72 0 l\nS\n"
                                   "100 0 m\n172 0 l\n172 72 l\nS\n");
  Result r = cli({"info", in});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  ASSERT_NE(r.out.find("  bezier          2\n"), std::string::npos) << r.out;
  r = cli({"flatten", "--density", "20", in, dir / "out.dxf"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "flatten: 2 curves turned into polylines\n");
  r = cli({"info", dir / "out.dxf"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out.find("bezier"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("elements: 2\n"), std::string::npos) << r.out;
}

TEST(CliEdit, BadCommandLinesAreUsageErrors) {
  Folder dir;
  const std::string in = dir.write("sq.hpg", kSquare), out = dir / "out.hpg";
  struct Row {
    std::vector<std::string> args;
    const char* message;
  } rows[] = {
      {{"hatch", in, out}, "--step MM is required"},
      {{"hatch", "--step", "abc", in, out}, "--step must be"},
      {{"hatch", "--step", "0", in, out}, "--step must be"},
      {{"hatch", "--step", "1,5", in, out}, "--step must be"},
      {{"hatch", "--step", "1", "--offset", "x", in, out}, "--offset must be"},
      {{"hatch", "--step", "1", "--preset", "7", in, out}, "--preset must be"},
      {{"hatch", "--step", "1", in}, "needs an input and an output file"},
      {{"hatch", "--step", "1", "--bogus", in, out}, "unknown option '--bogus'"},
      {{"inset", in, out}, "--distance MM is required"},
      {{"inset", "--distance", "0", in, out}, "--distance must be"},
      {{"inset", "--distance", "1", "--count", "0", in, out}, "--count must be"},
      {{"inset", "--distance", "1", "--count", "2.5", in, out}, "--count must be"},
      {{"flatten", "--density", "0", in, out}, "--density must be"},
      {{"flatten", in, dir / "out.txt"}, "cannot tell the kind"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args[0] + " " + row.message);
    Result r = cli(row.args);
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("usage: kalvex-cli " + row.args[0]), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(out));
}

TEST(CliEdit, MissingInputNamesTheFile) {
  Folder dir;
  for (const char* cmd : {"hatch", "inset", "flatten"}) {
    SCOPED_TRACE(cmd);
    std::vector<std::string> args{cmd};
    if (std::string(cmd) == "hatch") args.insert(args.end(), {"--step", "1"});
    if (std::string(cmd) == "inset") args.insert(args.end(), {"--distance", "1"});
    args.push_back(dir / "missing.hpg");
    args.push_back(dir / "out.hpg");
    Result r = cli(args);
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_NE(r.err.find("cannot read '" + dir / "missing.hpg" + "'"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "out.hpg"));
  }
}

TEST(CliEdit, HelpListsTheCommands) {
  Result r = cli({"help"});
  ASSERT_EQ(r.status, kExitOk);
  for (const char* cmd : {"hatch", "inset", "flatten"})
    EXPECT_NE(r.out.find(std::string("  ") + cmd), std::string::npos);
  r = cli({"help", "hatch"});
  EXPECT_NE(r.out.find("--step MM"), std::string::npos);
}

}  // namespace
