// kalvex-cli under hostile conditions (issue 17): every refusal exits
// non-zero with a message that names the file and says what happened, and
// leaves the output file as it was.
#include "cli_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace clitest;

// 361 segments from each of n arcs.
std::string arcs(int n) {
  std::string t = "IN;SP1;PU100,0;PD;";
  for (int i = 0; i < n; ++i) t += "AA0,0,3600,10;";
  return t;
}

TEST(CliHostile, InputsThatAreNotDrawingFilesAreNamedForWhatTheyAre) {
  Folder dir;
  const std::string out = dir.write("out.dxf", "keep");
  struct Row {
    std::vector<std::string> args;
    std::string says;
  } rows[] = {
      {{"convert", dir.path().string(), out, "--from", "hpgl"}, "Is a directory"},
      {{"convert", dir.path().string(), out, "--from", "wmf"}, "a directory, not a file"},
      {{"convert", "/dev/zero", out, "--from", "dxf"}, "a character device, not a file"},
      {{"convert", "/dev/zero", out, "--from", "wmf"}, "a character device, not a file"},
      {{"convert", dir.write("a.gbr", "D01*"), out, "--apertures", "/dev/zero"},
       "a character device, not a file"},
      {{"convert", dir.write("b.gbr", "D01*"), out, "--apertures", dir.path().string()},
       "a directory, not a file"},
      {{"info", dir.write("big.hpg", arcs(20)), "--max-elements", "100"}, "more than 100 elements"},
      {{"convert", dir / "big.hpg", out, "--max-elements", "100"}, "--max-elements N raises the limit"},
      {{"convert", dir / "big.hpg", out, "--max-elements", "0"}, "needs a positive number"},
      // A 50-byte curve that once became an 85 MB DXF; a curve whose points
      // pass the budget only once flattened for the write.
      {{"convert", dir.write("far.ai", "%%EndSetup\n0 0 m\n1e300 1e300 -1e300 1e300 9 9 c\nS\n"), out},
       "farther from the origin than DXF files can hold"},
      {{"convert", dir.write("c.ai", "%%EndSetup\n0 0 m\n0 72 72 72 72 0 c\nS\n"), out, "--max-elements",
        "1"},
       "cannot write '" + out + "': it would make more than 1 elements"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.args[1] + " " + r.args.back());
    const Result res = cli(r.args);
    EXPECT_NE(res.status, 0);
    EXPECT_TRUE(has(res.err, r.says)) << res.err;
    EXPECT_EQ(slurp(out), "keep");
  }
  EXPECT_EQ(cli({"info", dir / "big.hpg", "--max-elements", "8000"}).status, 0);
}

TEST(CliHostile, EditsPastTheBudgetWriteNothing) {
  Folder dir;
  const std::string in = dir.write("sq.hpg", "IN;SP1;PU0,0;PD1000,0,1000,1000,0,1000,0,0;");
  const std::string out = dir.write("out.hpg", "keep");
  Result r = cli({"hatch", "--step", "0.01", "--max-elements", "200", in, out});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(has(r.err, "cannot hatch '" + in + "': it would make more than 200 elements")) << r.err;
  r = cli({"inset", "--distance", "0.1", "--count", "1000", "--max-elements", "200", in, out});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(has(r.err, "cannot inset")) << r.err;
  EXPECT_EQ(slurp(out), "keep");
}

TEST(CliHostile, AWrongKindDoesNotEmptyAGoodFile) {
  Folder dir;
  const std::string in = dir.write("d.hpg", "IN;SP1;PU0,0;PD100,100;");
  const std::string out = dir.write("good.dxf", "a good drawing");
  Result r = cli({"convert", "--from", "gerber", in, out});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(has(r.err, "not writing '" + out + "': the drawing has no elements")) << r.err;
  EXPECT_EQ(slurp(out), "a good drawing");
  r = cli({"convert", "--from", "gerber", "--force", in, out});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(slurp(out), "a good drawing");
}

TEST(CliHostile, TheHelpSaysASaveReplacesTheFile) {
  EXPECT_TRUE(has(cli({"help"}).out, "hard links are not kept"));
  EXPECT_TRUE(has(cli({"help", "convert"}).out, "--max-elements N"));
  EXPECT_TRUE(has(cli({"help", "hatch"}).out, "--force"));
}

}  // namespace
