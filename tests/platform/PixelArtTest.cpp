#include <gtest/gtest.h>

#include <ostream>

#include "PixelArt.h"

namespace {

struct TScaleCase {
  double Ratio;
  double Dpi;
  int Whole;
  double Text;
};

// Test names carry the case; printed as raw bytes they would include the
// struct's uninitialised padding and change from build to build.
void PrintTo(const TScaleCase& C, std::ostream* Out) {
  *Out << "ratio " << C.Ratio << ", " << C.Dpi << " dpi";
}

class WholeScaleTest : public ::testing::TestWithParam<TScaleCase> {};

TEST_P(WholeScaleTest, FollowsQtsRatioElseTheDesktopsDotsPerInch) {
  const TScaleCase& C = GetParam();
  EXPECT_EQ(WholeScale(C.Ratio, C.Dpi), C.Whole);
  EXPECT_DOUBLE_EQ(TextScale(C.Ratio, C.Dpi), C.Text);
}

// Where Qt scales, it has taken the dots per inch into its ratio already.
INSTANTIATE_TEST_SUITE_P(Desktops, WholeScaleTest,
                         ::testing::Values(TScaleCase{1, 96, 1, 1}, TScaleCase{1.25, 96, 1, 1},
                                           TScaleCase{1.5, 96, 2, 1}, TScaleCase{2, 96, 2, 1},
                                           TScaleCase{3, 96, 3, 1}, TScaleCase{1, 120, 1, 1.25},
                                           TScaleCase{1, 144, 2, 1.5}, TScaleCase{1, 192, 2, 2},
                                           TScaleCase{2, 192, 2, 1}, TScaleCase{1, 72, 1, 1},
                                           TScaleCase{0.5, 96, 1, 1}));

}  // namespace
