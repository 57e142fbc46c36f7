// File numbers: the digits of the C formats without the process locale,
// truncation that keeps read coordinates, CR LF line ends, progress reports.
#include "convert_test_util.h"
#include "convert/progress_p.h"
#include "convert/digits_p.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <random>

using namespace convtest;

namespace {

std::string fixed(double v, int precision) {
  char buf[kFixedMax];
  return std::string(buf, format_fixed(buf, v, precision));
}

std::string c_fixed(double v, int precision) {
  std::vector<char> buf(512);
  std::snprintf(buf.data(), buf.size(), "%.*f", precision, v);
  return buf.data();
}

TEST(FileNumbers, FixedMatchesTheCFormatDigitForDigit) {
  const double values[] = {0.0,
                           -0.0,
                           1.0,
                           -1.0,
                           0.5,
                           25.4,
                           0.012f,
                           0.0000005,
                           0.0000015,
                           0.0000025,
                           -0.0000004,
                           2.5e-7,
                           1234567.8912345,
                           1e15,
                           1e22,
                           -1e300,
                           DBL_MAX,
                           DBL_MIN,
                           DBL_TRUE_MIN,
                           290.0 * 0.001,
                           89.99999999999999,
                           0.1 + 0.2,
                           90.00000000000001,
                           HUGE_VAL,
                           -HUGE_VAL,
                           5e-6,
                           0.125,
                           0.375,
                           2.5,
                           1e-5};
  for (double v : values)
    for (int p : {5, 6}) EXPECT_EQ(fixed(v, p), c_fixed(v, p)) << v;
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> mag(-12, 12);
  for (int i = 0; i < 20000; ++i) {
    const double v = std::pow(10.0, mag(rng)) * (rng() & 1 ? 1 : -1);
    ASSERT_EQ(fixed(v, 6), c_fixed(v, 6)) << v;
    const float f = static_cast<float>(v);
    ASSERT_EQ(fixed(f, 5), c_fixed(f, 5)) << f;
  }
}

TEST(FileNumbers, IntegersMatchTheCFormat) {
  std::vector<int32_t> values = {0,      1,          -1,        9,         10,           99,
                                 100,    101,        999,       1000,      -1000,        99999,
                                 100000, 1234567890, INT32_MAX, INT32_MIN, INT32_MIN + 1};
  std::mt19937 rng(3);
  for (int i = 0; i < 20000; ++i) values.push_back(static_cast<int32_t>(rng()) >> (rng() % 31));
  for (int32_t v : values) {
    char buf[12 + 11];
    std::memset(buf, 'x', sizeof buf);
    char* end = format_int(buf + 1, v);
    ASSERT_EQ(std::string(buf + 1, end), std::to_string(v));
    ASSERT_EQ(buf[0], 'x') << v;  // nothing before out
  }
}

TEST(FileNumbers, TruncationCorrectsOnlyTheRepresentationError) {
  const struct {
    double v;
    int64_t want;
  } rows[] = {{289.99999999999997, 290},
              {-289.99999999999997, -290},
              {290.00000000000006, 290},
              {0.5, 0},
              {-0.5, 0},
              {0.9999, 0},
              {-1.9999, -1},
              {1e18, 1000000000000000000},
              {1e300, INT64_MAX},
              {-1e300, INT64_MIN},
              {NAN, 0},
              {HUGE_VAL, INT64_MAX}};
  for (const auto& r : rows) EXPECT_EQ(trunc_file_unit(r.v), r.want) << r.v;
  EXPECT_EQ(trunc_file_unit32(3e9), INT32_MAX);
  EXPECT_EQ(trunc_file_unit32(-3e9), INT32_MIN);
  // Every thousandth read as X * 0.001 comes back as X.
  for (int64_t x = -300000; x <= 300000; ++x) ASSERT_EQ(trunc_file_unit(x * 0.001 * 1000.0), x) << x;
}

TEST(FileNumbers, OutputWritesLineFeedsAsCrLfAndDrainsLargeOutput) {
  std::string mem;
  {
    OutBuf out(mem);
    out.text("IN;\nSP1;");
    out.raw("a\nb");
    out.integer(-42);
    out.fixed(25.4, 6);
    EXPECT_TRUE(out.finish());
  }
  EXPECT_EQ(mem, "IN;\r\nSP1;a\nb-4225.400000");
  mem.clear();
  {
    OutBuf out(mem);
    for (int i = 0; i < 100000; ++i) out.text("PD1,2;\n");
    EXPECT_TRUE(out.finish());
    EXPECT_EQ(out.bytes_out(), 800000u);
  }
  EXPECT_EQ(mem.size(), 800000u);
}

TEST(FileNumbers, FailedDrainIsReported) {
  const auto refuse = [](void*, const char*, size_t) { return false; };
  OutBuf out(+refuse, nullptr);
  for (int i = 0; i < 100000; ++i) out.text("x");
  EXPECT_FALSE(out.finish());
}

TEST(Progress, ReportsOnlyForLargeWorkAndEndsAtOne) {
  std::vector<double> seen;
  const auto fn = [](void* u, double f) { static_cast<std::vector<double>*>(u)->push_back(f); };
  {
    ProgressMeter small(+fn, &seen, 1000);
    small.at(1000);
    small.finish();
  }
  EXPECT_TRUE(seen.empty());
  ProgressMeter big(+fn, &seen, 100u << 20);
  for (uint64_t done = 0; done <= (100u << 20); done += 4096) big.at(done);
  big.finish();
  ASSERT_GE(seen.size(), 100u);
  EXPECT_LE(seen.size(), 210u);
  EXPECT_EQ(seen.front(), 0.0);
  EXPECT_EQ(seen.back(), 1.0);
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_GE(seen[i], seen[i - 1]);
}

}  // namespace
