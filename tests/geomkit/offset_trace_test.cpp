// The developer trace of the offset engine: written only into the folder
// KALVEX_OFFSET_TRACE_DIR names, in the engine's formats (numbers never
// localised); nothing at all without it.
#include "offset_support.h"
#include "offset/offset_trace_p.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using namespace offset_support;
using testsupport::slurp;
using testsupport::TempFolder;

TEST(OffsetTrace, WritesTheLogAndDumpsIntoTheNamedFolder) {
  TempFolder dir("kalvex-offset-trace");
  ASSERT_EQ(::setenv("KALVEX_OFFSET_TRACE_DIR", dir.path().c_str(), 1), 0);
  std::vector<offset_corpus::Ring> out;
  ASSERT_EQ(engine_offset(offset_corpus::rect(0, 0, 10, 10), 1, &out), 1);
  ASSERT_EQ(engine_offset(offset_corpus::rect(0, 0, 10, 10), -1, &out), 1);
  ::unsetenv("KALVEX_OFFSET_TRACE_DIR");

  const std::string log = slurp(dir.path() / "__err.$_C");
  EXPECT_NE(log.find("execute_lib  1\n"), std::string::npos);
  EXPECT_NE(log.find("peres_2_elem  1\n"), std::string::npos);
  EXPECT_NE(log.find("find_per_linii_s_segm  1\n"), std::string::npos);
  EXPECT_NE(log.find("insert_glob_par  1\n"), std::string::npos);

  // The last call: the inset square, four lines kept (state 2), the first
  // line's start corner at (1, 1) and its direction (sine first).
  const std::string lines = slurp(dir.path() / "1lines.$_C");
  EXPECT_EQ(lines.rfind("0\nline , 9.000000000   1.000000000\n  1.000000000 ", 0), 0u);
  EXPECT_NE(lines.find("svob = 2\n"), std::string::npos);
  EXPECT_NE(lines.find("parameter = 1\n"), std::string::npos);
  EXPECT_NE(lines.find("par ,"), std::string::npos);
  EXPECT_NE(lines.find("ind_inters ,"), std::string::npos);

  const std::string cross = slurp(dir.path() / "2lines.$_C");
  EXPECT_NE(cross.find(
                "0\nparameter = 1\npar , 0.000000000 \nind_inters ,3 \npar , 8.000000000 \nind_inters ,1 \n"),
            std::string::npos);
  const std::string seg = slurp(dir.path() / "1seg.$_C");
  EXPECT_EQ(seg.substr(0, 4), "0\n2\n");
  const std::string dxf = slurp(dir.path() / "_lin1.dxf");
  EXPECT_EQ(dxf.rfind("0\nSECTION\n2\nENTITIES\n", 0), 0u);
  EXPECT_NE(dxf.find("0\nPOLYLINE\n8\n0\n66\n1\n"), std::string::npos);
  EXPECT_NE(dxf.find("0\nENDSEC\n0\nEOF\n"), std::string::npos);
}

TEST(OffsetTrace, WritesNothingWithoutTheVariable) {
  TempFolder dir("kalvex-offset-quiet");
  ::unsetenv("KALVEX_OFFSET_TRACE_DIR");
  const fs::path cwd = fs::current_path();
  fs::current_path(dir.path());
  std::vector<offset_corpus::Ring> out;
  EXPECT_EQ(engine_offset(offset_corpus::rect(0, 0, 10, 10), 1, &out), 1);
  fs::current_path(cwd);
  EXPECT_TRUE(fs::is_empty(dir.path()));
  // A variable naming no folder is ignored too.
  ASSERT_EQ(::setenv("KALVEX_OFFSET_TRACE_DIR", (dir.path() / "missing").c_str(), 1), 0);
  EXPECT_EQ(engine_offset(offset_corpus::rect(0, 0, 10, 10), 1, &out), 1);
  ::unsetenv("KALVEX_OFFSET_TRACE_DIR");
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

}  // namespace

namespace {

// Issue 17: the trace folder may be shared. A link planted under a trace
// file's name must not carry our writes elsewhere, a pipe must not block
// the engine, and the log of a long sweep stops growing at 16 MB.
TEST(OffsetTrace, NeverWritesThroughLinksOrIntoPipesAndCapsTheLog) {
  TempFolder dir("kalvex-offset-hostile");
  TempFolder elsewhere("kalvex-offset-victim");
  const fs::path victim = elsewhere.path() / "victim";
  testsupport::spit(victim, "keep");
  for (const char* name : {"1lines.$_C", "2lines.$_C", "_lin1.dxf"})
    fs::create_symlink(victim, dir.path() / name);
  ASSERT_EQ(::mkfifo((dir.path() / "1seg.$_C").c_str(), 0600), 0);
  ASSERT_EQ(::setenv("KALVEX_OFFSET_TRACE_DIR", dir.path().c_str(), 1), 0);
  std::vector<offset_corpus::Ring> out;
  ASSERT_EQ(engine_offset(offset_corpus::rect(0, 0, 10, 10), 1, &out), 1);
  // A sweep that logs megabytes, against a cap of 64 KB (16 MB in use).
  const uint64_t cap = geomkit::offset::OffsetTrace::set_log_cap(64 << 10);
  engine_offset(offset_corpus::star(300, 10, 20, 3), -0.5, &out);
  geomkit::offset::OffsetTrace::set_log_cap(cap);
  ::unsetenv("KALVEX_OFFSET_TRACE_DIR");

  EXPECT_EQ(slurp(victim), "keep");
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir.path() / "1lines.$_C")));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir.path() / "_lin1.dxf")));
  const std::string log = slurp(dir.path() / "__err.$_C");
  EXPECT_LE(log.size(), (64u << 10) + 100);
  EXPECT_NE(log.find("... the log stops here\n"), std::string::npos);
}

}  // namespace
