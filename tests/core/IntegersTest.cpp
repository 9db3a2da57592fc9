#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <ostream>

#include "Integers.h"

namespace {

struct TTruncateCase {
  long double Value;
  int Low, High;
  int Expected;
};

std::ostream& operator<<(std::ostream& Out, const TTruncateCase& Case) {
  return Out << static_cast<double>(Case.Value) << " in " << Case.Low << ".." << Case.High;
}

class TruncateToIntTable : public ::testing::TestWithParam<TTruncateCase> {};

// Each case holds for float, double and long double alike, since every value
// below is exact in all three.
TEST_P(TruncateToIntTable, TruncatesTowardZeroThenHoldsWithinTheLimits) {
  const TTruncateCase& Case = GetParam();
  EXPECT_EQ(TruncateToInt(static_cast<float>(Case.Value), Case.Low, Case.High), Case.Expected);
  EXPECT_EQ(TruncateToInt(static_cast<double>(Case.Value), Case.Low, Case.High), Case.Expected);
  EXPECT_EQ(TruncateToInt(Case.Value, Case.Low, Case.High), Case.Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TruncateToIntTable,
                         ::testing::Values(TTruncateCase{-13.5L, INT_MIN, INT_MAX, -13},
                                           TTruncateCase{13.5L, INT_MIN, INT_MAX, 13},
                                           TTruncateCase{-0.75L, INT_MIN, INT_MAX, 0},
                                           TTruncateCase{2147483648.0L, INT_MIN, INT_MAX, INT_MAX},
                                           TTruncateCase{-2147483648.0L, INT_MIN, INT_MAX, INT_MIN},
                                           TTruncateCase{-4294967296.0L, INT_MIN, INT_MAX, INT_MIN},
                                           TTruncateCase{1e30L, INT_MIN, INT_MAX, INT_MAX},
                                           TTruncateCase{10000.5L, -10000, 10000, 10000},
                                           TTruncateCase{9999.5L, -10000, 10000, 9999},
                                           TTruncateCase{-10000.5L, -10000, 10000, -10000},
                                           TTruncateCase{-9999.5L, -10000, 10000, -9999},
                                           TTruncateCase{INFINITY, -10000, 10000, 10000},
                                           TTruncateCase{-INFINITY, -10000, 10000, -10000},
                                           TTruncateCase{NAN, -10000, 10000, -10000}));

TEST(TruncateToInt, KeepsTheDoublesNearTheTopOfTheIntRange) {
  EXPECT_EQ(TruncateToInt(2147483646.75), 2147483646);
  EXPECT_EQ(TruncateToInt(2147483647.5), INT_MAX);
  EXPECT_EQ(TruncateToInt(-2147483647.5), -2147483647);
}

TEST(SaturateToInt, HoldsWideValuesAtTheEndsOfTheIntRange) {
  EXPECT_EQ(SaturateToInt(std::int64_t{INT_MAX} + 1), INT_MAX);
  EXPECT_EQ(SaturateToInt(std::int64_t{INT_MIN} - 1), INT_MIN);
  EXPECT_EQ(SaturateToInt(INT64_MAX), INT_MAX);
  EXPECT_EQ(SaturateToInt(INT64_MIN), INT_MIN);
  EXPECT_EQ(SaturateToInt(-7), -7);
  EXPECT_EQ(SaturateToInt(std::int64_t{INT_MAX}), INT_MAX);
}

}  // namespace
