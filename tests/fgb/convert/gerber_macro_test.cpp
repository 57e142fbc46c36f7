// Aperture macros: expressions, variables and primitive extents, and the
// bounds that keep a hostile macro cheap.
// Invariant: the extent is the diameter of the circle round the flash point
// that holds every primitive, whatever their rotation.
#include "convert/gerber_ext_p.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using fgb::conv::gerber::macro_extent;

double extent(std::vector<std::string> blocks, std::vector<double> params) {
  uint64_t work = 1 << 20;
  return macro_extent(blocks, std::move(params), work);
}

TEST(GerberMacro, ExpressionsFollowPrecedenceAndVariables) {
  const struct {
    const char* name;
    std::vector<std::string> blocks;
    std::vector<double> params;
    double want;
  } rows[] = {
      {"circle", {"1,1,$1,0,0"}, {2.0}, 2.0},
      {"off centre", {"1,1,1,3,4"}, {}, 2 * (5 + 0.5)},
      {"x before +", {"1,1,1+2x3,0,0"}, {}, 7.0},
      {"parentheses", {"1,1,(1+2)x3,0,0"}, {}, 9.0},
      {"unary minus and X", {"1,1,-2X-3,0,0"}, {}, 6.0},
      {"division, by zero as 0", {"1,1,$1/4+1/0,0,0"}, {8.0}, 2.0},
      {"assignment", {"$3=$1x2", "1,1,$3,0,0"}, {1.5}, 3.0},
      {"comment and unknown code", {"0 a comment", "99,1,2,3", "1,1,1,0,0"}, {}, 1.0},
      {"centre line", {"21,1,$1,$2,0,0,45"}, {0.6, 0.8}, 1.0},
      {"lower-left line", {"22,1,1,1,-1,-1,0"}, {}, 2 * std::sqrt(2.0)},
      {"vector line", {"20,1,0.2,-1,0,1,0,0"}, {}, 2.2},
      {"outline", {"4,1,3,0,0,3,0,3,4,0,0,0"}, {}, 10.0},
      {"polygon", {"5,1,8,0,0,$1,0"}, {1.0}, 1.0},
      {"thermal", {"7,0,0,2,1.5,0.2,45"}, {}, 2.0},
      {"missing parameter", {"1,1,$5,0,0"}, {1.0}, 0.0},
  };
  for (const auto& r : rows) EXPECT_NEAR(extent(r.blocks, r.params), r.want, 1e-12) << r.name;
}

TEST(GerberMacro, HostileMacrosStayBounded) {
  // Nesting beyond the limit reads as nothing rather than running out of stack.
  const std::string deep = "1,1," + std::string(100000, '(') + "1" + std::string(100000, ')') + ",0,0";
  EXPECT_EQ(extent({deep}, {}), 0.0);
  // Work beyond the budget stops the evaluation.
  std::vector<std::string> many(1000, "1,1,1,0,0");
  uint64_t work = 100;
  EXPECT_EQ(macro_extent(many, {}, work), 0.0);
  // Results that are not finite are no size.
  EXPECT_EQ(extent({"1,1,1e308x1e308,0,0"}, {}), 0.0);
  double d = 0;
  EXPECT_TRUE(fgb::conv::gerber::parse_decimal(".002", d));
  EXPECT_DOUBLE_EQ(d, 0.002);
  EXPECT_FALSE(fgb::conv::gerber::parse_decimal("1e999", d));
}

TEST(GerberMacro, ExtendedFilesAreToldFromPlainOnes) {
  const auto ext = [](const std::string& s) {
    return fgb::conv::gerber::is_extended(reinterpret_cast<const uint8_t*>(s.data()), s.size());
  };
  EXPECT_FALSE(ext("D02*G54D11*X100Y100D02*X200Y100D01*D02*M02*"));  // what our writer writes
  EXPECT_FALSE(ext("G04 100%*G54*X1Y1D03*"));
  EXPECT_TRUE(ext("%FSLAX24Y24*%X1Y1D03*"));
  EXPECT_TRUE(ext("G54*G03X1Y1I1J0D01*"));
  EXPECT_TRUE(ext("G54*G75*"));
  EXPECT_FALSE(ext("G540*G754*"));
}

}  // namespace
