// kalvex-cli info --report and --json (the import report of issue 14), and
// --cutter-units for every command that reads.
#include "cli_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kalvex::cli;
using namespace clitest;

namespace {

TEST(CliReport, ReportAndJsonSayWhatWasSkippedAndWhere) {
  Folder f;
  const std::string in = f.write("a.hpg", "IN;\nSP1;PU0,0;PD1016,0;\nFT3;\"q\\\nPU;\n");
  Result r = cli({"info", "--report", in});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_TRUE(has(r.out, "dialect: HP-GL")) << r.out;
  EXPECT_TRUE(has(r.out, "FT")) << r.out;
  EXPECT_TRUE(has(r.out, "line 3")) << r.out;
  r = cli({"info", "--json", in});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out.rfind("{\"file\": ", 0), 0u) << r.out;
  EXPECT_TRUE(has(r.out, "\"elements\": 1, \"by_kind\": {\"segment\": 1}")) << r.out;
  EXPECT_TRUE(has(r.out, "\"box_in\": [0, 0, 1, 0]")) << r.out;
  EXPECT_TRUE(has(r.out, "{\"name\": \"FT\", \"what\": \"skipped\", \"count\": 1, \"where\": [3]}")) << r.out;
  EXPECT_TRUE(has(r.out, "\"unit_inch\": 0.000984251968503937")) << r.out;
  EXPECT_EQ(r.out.back(), '\n');
}

TEST(CliReport, CutterUnitsForEveryReadingCommand) {
  Folder f;
  const std::string in = f.write("k.cut", "H1*M70*M15*X0Y0*M14*X100Y0*M15*M0*");
  Result r = cli({"info", "--from", "gerber-cutter", "--json", in});
  EXPECT_TRUE(has(r.out, "\"box_in\": [0, 0, 0.1, 0]")) << r.out;
  r = cli({"info", "--from", "gerber-cutter", "--cutter-units", "100", "--json", in});
  EXPECT_TRUE(has(r.out, "\"box_in\": [0, 0, 1, 0]")) << r.out;
  r = cli({"convert", "--cutter-units=100", "--from", "gerber-cutter", in, f / "o.gbr"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_TRUE(has(slurp(f / "o.gbr"), "X1000Y0D01*")) << slurp(f / "o.gbr");
  r = cli({"info", "--cutter-units", "254", in});
  EXPECT_EQ(r.status, kExitUsage);
  EXPECT_TRUE(has(r.err, "100 or 1000")) << r.err;
  r = cli({"help"});
  EXPECT_TRUE(has(r.out, "--cutter-units")) << r.out;
}

}  // namespace
