#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>

#include "ListCheck.h"
#include "Nodes.h"

namespace {

using Display = std::array<double, kDisplayPoints>;
using Period = std::array<double, kPeriodSamples>;
using I = std::vector<int>;

Display RenderDisplay(const TNodeList& list) {
  Display out;
  out.fill(std::numeric_limits<double>::quiet_NaN());
  list.RenderDisplay(out.data());
  return out;
}

Period RenderPeriod(const TNodeList& list) {
  Period out;
  out.fill(std::numeric_limits<double>::quiet_NaN());
  list.RenderPeriod(out.data(), kPeriodSamples);
  return out;
}

// A two-node list from level 0 to level 1: display point 150 is w(0.5).
double MidWeight(double t) {
  TNodeList list;
  list.SetY(2, 1);
  list.SetT(1, t);
  return RenderDisplay(list)[150];
}

TEST(Curve, DefaultTriangle) {
  TNodeList wave0, wave1;
  LoadDefaultDesign(wave0, wave1);
  const Display d = RenderDisplay(wave0);
  for (int i = 0; i <= 75; ++i) EXPECT_NEAR(d[i], 27.0 * i / 75, 1e-12) << i;
  EXPECT_EQ(d[75], 27);
  EXPECT_EQ(d[150], 0);
  EXPECT_EQ(d[225], -27);
  EXPECT_EQ(d[300], 0);

  const Period p = RenderPeriod(wave0);
  const double expected[][2] = {{0, 0},          {1, 1153.55},    {2, 2307.10},
                                {3, 3460.66},    {28, 32299.45},  {85, -32517.89},
                                {111, -3023.76}, {112, -1870.21}, {113, -716.66}};
  for (const auto& [i, value] : expected) EXPECT_NEAR(p[int(i)], value, 0.005) << i;
  EXPECT_EQ(std::max_element(p.begin(), p.end()) - p.begin(), 28);
  EXPECT_EQ(std::min_element(p.begin(), p.end()) - p.begin(), 85);
}

TEST(Curve, FlatListAndEndTension) {
  TNodeList list;
  list.SetY(1, 10);
  list.SetY(2, 10);
  for (double v : RenderDisplay(list)) EXPECT_EQ(v, 10);
  for (double v : RenderPeriod(list)) {
    EXPECT_EQ(v, 10.0 * 32767 / 27);
    EXPECT_EQ(SampleToPcm(v), 12135);
  }
  TNodeList a, b;
  LoadDefaultDesign(a, b);
  b.Find(2)->T = 3;
  b.SetT(5, 7);
  const Display before = RenderDisplay(b);
  b.SetT(5, -19);
  EXPECT_EQ(RenderDisplay(b), before);
  b.SetT(1, 7);
  EXPECT_NE(RenderDisplay(b), before);
}

TEST(Curve, TensionWeights) {
  EXPECT_NEAR(MidWeight(1), 0.3775, 5e-5);
  EXPECT_NEAR(MidWeight(5), 0.0759, 5e-5);
  EXPECT_NEAR(MidWeight(20), 0.0000454, 5e-7);
  EXPECT_NEAR(MidWeight(-5), 0.9241, 5e-5);
  EXPECT_NEAR(MidWeight(0.2), 0.475, 5e-4);
  EXPECT_NEAR(MidWeight(1e-12), 0.5, 1e-9);  // no cancellation near zero

  // A straight segment next to a slightly curved one.
  TNodeList list(3);
  list.SetY(2, 1);
  list.SetT(2, 0.2);
  list.SetY(3, 0);
  const Display d = RenderDisplay(list);
  EXPECT_NEAR(d[75], 0.5, 1e-12);
  EXPECT_NEAR(d[225], 1 - 0.475, 5e-4);
}

TEST(Curve, ExtremeTensionsAndLevelsStayFiniteAndBounded) {
  const double inf = std::numeric_limits<double>::infinity();
  for (double t : {709.0, 710.0, 1e4, 1e308, inf, -710.0, -1e308, -inf,
                   std::numeric_limits<double>::quiet_NaN(), 5e-324}) {
    const double w = MidWeight(t);
    EXPECT_TRUE(w >= 0 && w <= 1) << t << " gives " << w;
  }
  EXPECT_LT(MidWeight(1e4), 1e-9);
  EXPECT_GT(MidWeight(-1e4), 1 - 1e-9);

  TNodeList list(3);
  list.SetY(1, 1e308);
  list.SetY(2, -1e308);
  list.SetY(3, std::numeric_limits<double>::max());
  list.SetT(2, 50);
  for (double v : RenderDisplay(list)) EXPECT_TRUE(std::isfinite(v));
  for (double v : RenderPeriod(list)) EXPECT_TRUE(std::isfinite(v));
}

TEST(Curve, EqualAndZeroPositions) {
  TNodeList list(6);
  const double xs[] = {0, 100, 150, 150, 200, 300}, ys[] = {0, 10, 20, -20, 0, 0};
  for (int k = 1; k <= 6; ++k) {
    list.SetX(k, xs[k - 1]);
    list.SetY(k, ys[k - 1]);
  }
  const Display d = RenderDisplay(list);
  EXPECT_EQ(d[150], 20);
  EXPECT_NEAR(d[151], -19.6, 1e-12);

  // A second node at X 0 makes the first segment zero-wide.
  TNodeList zero(3);
  zero.SetY(1, 5);
  zero.SetX(2, 0);
  zero.SetY(2, -7);
  zero.SetT(1, 3);
  EXPECT_EQ(RenderDisplay(zero)[0], 5);
  EXPECT_EQ(RenderPeriod(zero)[0], 5.0 * 32767 / 27);
  EXPECT_NEAR(RenderDisplay(zero)[1], -7 + 7.0 / 300, 1e-12);
}

TEST(Curve, EveryPeriodLengthIsFilled) {
  TNodeList a, b;
  LoadDefaultDesign(a, b);
  for (int n : {1, 2, 113, 300, 301}) {
    std::vector<double> out(static_cast<std::size_t>(n) + 1,
                            std::numeric_limits<double>::quiet_NaN());
    a.RenderPeriod(out.data(), n);
    for (int i = 0; i < n; ++i) ASSERT_TRUE(std::isfinite(out[i])) << n << ":" << i;
    EXPECT_TRUE(std::isnan(out[n])) << "wrote past " << n;
  }
}

TEST(Samples, TruncateAndKeepLow16Bits) {
  const struct {
    double In;
    int Out;
  } cases[] = {{32766.9, 32766}, {-0.7, 0},      {-32766.9, -32766}, {1.99, 1},     {-1.99, -1},
               {-0.5, 0},        {32767, 32767}, {32768, -32768},    {65537.5, 1},  {-32769, 32767},
               {-65536, 0},      {1e30, 0},      {std::nan(""), 0},  {-INFINITY, 0}};
  for (const auto& c : cases) EXPECT_EQ(SampleToPcm(c.In), c.Out) << c.In;
  const auto big = static_cast<long long>(1e18) + 12345;
  EXPECT_EQ(SampleToPcm(static_cast<double>(big)),
            static_cast<std::int16_t>(
                static_cast<std::uint16_t>(static_cast<long long>(static_cast<double>(big)))))
      << "beyond 32 bits";
  EXPECT_EQ(SampleToPcm(-1e18),
            static_cast<std::int16_t>(static_cast<std::uint16_t>(
                static_cast<unsigned long long>(-static_cast<long long>(1e18)))));
}

// The morph as described: every node looked up by Find, every period.
std::vector<double> ReferenceMorph(const TNodeList& w0, const TNodeList& w1, int n, int periods) {
  std::vector<double> out(static_cast<std::size_t>(n) * periods);
  const int c = w0.Count();
  TNodeList temp(c);
  for (int p = 0; p < periods; ++p) {
    for (int j = 1; j <= c; ++j) {
      const TNode* a = w0.Find(j);
      const TNode* b = w1.Find(j);
      temp.SetX(j, a->X + (b->X - a->X) * p / (periods - 1));
      temp.SetY(j, a->Y + (b->Y - a->Y) * p / (periods - 1));
      temp.SetT(j, a->T + (b->T - a->T) * p / (periods - 1));
    }
    temp.RenderPeriod(out.data() + static_cast<std::size_t>(p) * n, n);
  }
  return out;
}

std::vector<double> Morph(const TNodeList& w0, const TNodeList& w1) {
  std::vector<double> out(kMorphSamples);
  RenderTransition(out.data(), w0, w1, kPeriodSamples, kMorphPeriods);
  return out;
}

Period PeriodOf(const std::vector<double>& morph, int p) {
  Period out;
  std::copy_n(morph.begin() + p * kPeriodSamples, kPeriodSamples, out.begin());
  return out;
}

struct Transition : ::testing::Test {
  TNodeList Wave0, Wave1;
  void SetUp() override { LoadDefaultDesign(Wave0, Wave1); }
};

TEST_F(Transition, IdenticalWavesRepeatOnePeriod) {
  const auto morph = Morph(Wave0, Wave1);
  for (int p = 0; p < kMorphPeriods; ++p) ASSERT_EQ(PeriodOf(morph, p), RenderPeriod(Wave0)) << p;
}

TEST_F(Transition, LevelsMoveInStraightLines) {
  Wave1.SetY(3, 27);
  Wave1.SetY(1, 27);
  const auto morph = Morph(Wave0, Wave1);
  EXPECT_EQ(PeriodOf(morph, 0), RenderPeriod(Wave0));
  EXPECT_EQ(PeriodOf(morph, 99), RenderPeriod(Wave1));
  for (int i = 29; i <= 56; ++i) EXPECT_EQ(morph[99 * kPeriodSamples + i], 32767) << i;
  for (int p : {1, 33, 98}) {
    TNodeList expected;
    LoadDefaultDesign(expected, Wave0);
    expected.SetY(3, 27.0 * p / 99);
    expected.SetY(1, 27.0 * p / 99);
    EXPECT_EQ(PeriodOf(morph, p), RenderPeriod(expected)) << p;
    EXPECT_EQ(morph[p * kPeriodSamples], 27.0 * p / 99 * 32767 / 27);
  }
}

TEST_F(Transition, NodesCrossAndAreMatchedByIndex) {
  Wave1.SetX(2, 200);
  const auto morph = Morph(Wave0, Wave1);
  for (int p : {59, 60}) {
    TNodeList expected;
    LoadDefaultDesign(expected, Wave0);
    expected.SetX(2, 75 + 125.0 * p / 99);
    EXPECT_EQ(XOrder(expected), p == 59 ? (I{1, 2, 3, 4, 5}) : (I{1, 3, 2, 4, 5}));
    EXPECT_EQ(PeriodOf(morph, p), RenderPeriod(expected)) << p;
  }
  EXPECT_NEAR(75 + 125.0 * 59 / 99, 149.49, 0.005);
  EXPECT_NEAR(75 + 125.0 * 60 / 99, 150.76, 0.005);
  EXPECT_EQ(PeriodOf(morph, 99), RenderPeriod(Wave1));
}

TEST_F(Transition, EndLevelChangesTheLastSegment) {
  Wave1.SetY(5, 27);
  const auto morph = Morph(Wave0, Wave1);
  EXPECT_EQ(morph[113], RenderPeriod(Wave0)[113]);
  for (int p = 1; p < kMorphPeriods; ++p) {
    EXPECT_GT(morph[p * kPeriodSamples + 113], morph[(p - 1) * kPeriodSamples + 113]) << p;
  }
  EXPECT_LT(morph[99 * kPeriodSamples + 113], 32767);
}

TEST(TransitionReference, BitIdenticalToLookupPerNode) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> x(0, 300), y(-27, 27), t(-20, 20);
  for (int count : {2, 3, 9, 40, 120}) {
    TNodeList w0(count), w1(count);
    for (int k = 1; k <= count; ++k) {
      // Whole X values make ties between moving nodes likely.
      w0.SetX(k, std::round(x(random)));
      w1.SetX(k, std::round(x(random)));
      w0.SetY(k, y(random));
      w1.SetY(k, y(random));
      w0.SetT(k, t(random));
      w1.SetT(k, k % 3 ? t(random) : 0);
    }
    for (int periods : {2, 7, 100}) {
      std::vector<double> out(static_cast<std::size_t>(kPeriodSamples) * periods);
      RenderTransition(out.data(), w0, w1, kPeriodSamples, periods);
      const auto expected = ReferenceMorph(w0, w1, kPeriodSamples, periods);
      EXPECT_EQ(std::memcmp(out.data(), expected.data(), out.size() * sizeof(double)), 0)
          << count << " nodes, " << periods << " periods";
    }
  }
}

// Rendered a few periods at a time, with nodes crossing between chunks, the
// morph is bit for bit the one rendered at once.
TEST(TransitionInChunks, SameSamplesAsAtOnce) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> x(0, 300), y(-27, 27), t(-20, 20);
  TNodeList w0(30), w1(30);
  for (int k = 1; k <= 30; ++k) {
    w0.SetX(k, x(random));
    w1.SetX(k, x(random));
    w0.SetY(k, y(random));
    w1.SetY(k, y(random));
    w0.SetT(k, t(random));
    w1.SetT(k, t(random));
  }
  constexpr int n = 512, periods = 100;
  std::vector<double> whole(static_cast<std::size_t>(n) * periods);
  RenderTransition(whole.data(), w0, w1, n, periods);
  for (int chunk : {1, 3, 64, 100, 250}) {
    TMorphRenderer morph(w0, w1, n, periods);
    std::vector<double> pieces;
    std::vector<double> buffer(static_cast<std::size_t>(n) * chunk);
    int expected = periods;
    EXPECT_EQ(morph.Remaining(), periods);
    while (const int got = morph.Render(buffer.data(), chunk)) {
      EXPECT_EQ(got, std::min(chunk, expected)) << chunk;
      expected -= got;
      EXPECT_EQ(morph.Remaining(), expected);
      pieces.insert(pieces.end(), buffer.begin(), buffer.begin() + got * n);
    }
    ASSERT_EQ(pieces.size(), whole.size()) << chunk;
    EXPECT_EQ(std::memcmp(pieces.data(), whole.data(), whole.size() * sizeof(double)), 0)
        << "chunks of " << chunk;
  }
}

TEST_F(Transition, CallerErrorsDoNotCrash) {
  std::vector<double> one(kPeriodSamples);
  Wave1.SetY(2, -5);
  RenderTransition(one.data(), Wave0, Wave1, kPeriodSamples, 1);
  EXPECT_EQ(PeriodOf(one, 0), RenderPeriod(Wave0));

  TNodeList shorter;
  shorter.SetY(2, 27);
  const auto morph = Morph(Wave0, shorter);
  EXPECT_EQ(PeriodOf(morph, 0), RenderPeriod(Wave0));
  for (double v : morph) ASSERT_TRUE(std::isfinite(v));
}

}  // namespace

// Levels and tensions at the ends of the double range (only a hand-made
// document holds them): their difference overflows a double, yet the first
// period must still be wave 0 and the last wave 1.
TEST(TransitionExtremes, FirstAndLastPeriodsAreTheWavesThemselves) {
  const double Huge = std::numeric_limits<double>::max();
  TNodeList wave0, wave1;
  LoadDefaultDesign(wave0, wave1);
  wave0.SetY(2, Huge);
  wave1.SetY(2, -Huge);
  wave0.SetT(3, -Huge);
  wave1.SetT(3, Huge);
  std::vector<double> morph(kMorphSamples);
  RenderTransition(morph.data(), wave0, wave1, kPeriodSamples, kMorphPeriods);
  std::array<double, kPeriodSamples> first, last;
  wave0.RenderPeriod(first.data(), kPeriodSamples);
  wave1.RenderPeriod(last.data(), kPeriodSamples);
  for (int i = 0; i < kPeriodSamples; ++i) {
    EXPECT_EQ(morph[i], first[i]) << i;
    EXPECT_EQ(morph[kMorphSamples - kPeriodSamples + i], last[i]) << i;
  }
  for (double v : morph) ASSERT_TRUE(std::isfinite(v));
}

namespace {

using Series = std::vector<std::complex<double>>;

constexpr int kSeriesCount = 48;

// A design from its values: the first is node 1 (X 0), the last node Count
// (X 300).
struct TDesign {
  explicit TDesign(const std::vector<TNodeValues>& values) : List(static_cast<int>(values.size())) {
    List.SetValues(values);
  }
  TNodeList List;
};

// The Fourier series by the trapezoid rule over one period rendered at
// 301 x 256 points. Every node of these designs lies on a sample; at a step
// (nodes sharing a position, and the return from the last node's level to
// the first's) the rule takes the mean of both sides, where the rendering
// has the one before. Its error then falls as the square of the spacing.
Series DenseSeries(const std::vector<TNodeValues>& values) {
  constexpr int perX = 256, n = 301 * perX;
  const TDesign design(values);
  std::vector<double> dense(n);
  design.List.RenderPeriod(dense.data(), n);
  const auto level = [](double y) { return y * 32767 / 27; };
  dense[0] = (level(values.front().Y) + level(values.back().Y)) / 2;
  for (const TNode* a = design.List.FirstByX; a->NextByX; a = a->NextByX) {
    if (a->NextByX->X == a->X && a != design.List.FirstByX) {
      const TNode* b = a->NextByX;
      while (b->NextByX && b->NextByX->X == a->X) b = b->NextByX;
      dense[static_cast<std::size_t>(a->X) * perX] = (level(a->Y) + level(b->Y)) / 2;
      a = b->PrevByX;
    }
  }
  Series series(kSeriesCount);
  for (int k = 0; k < kSeriesCount; ++k) {
    const std::complex<double> step = std::polar(1.0, -2 * std::numbers::pi * k / n);
    std::complex<double> turn = 1;
    for (double sample : dense) {
      series[static_cast<std::size_t>(k)] += sample * turn;
      turn *= step;
    }
    series[static_cast<std::size_t>(k)] /= n;
  }
  return series;
}

Series MorphSeries(TMorphRenderer& morph) {
  Series series(kSeriesCount);
  EXPECT_TRUE(morph.RenderSeries(series.data(), kSeriesCount));
  return series;
}

// Within 10^-6 of full scale (32,767) unless told, harmonic by harmonic; the
// dense rendering's own error reaches 0.006 on a segment of tension 800.
void ExpectSeriesNear(const Series& got, const Series& want, double tolerance = 0.03) {
  for (std::size_t k = 0; k < got.size(); ++k) {
    EXPECT_LT(std::abs(got[k] - want[k]), tolerance)
        << "harmonic " << k << ": " << got[k] << " against " << want[k];
  }
}

struct TSeriesCase {
  const char* Name;
  std::vector<TNodeValues> Values;
};

std::ostream& operator<<(std::ostream& out, const TSeriesCase& c) {
  return out << c.Name;
}

struct CurveSeries : ::testing::TestWithParam<TSeriesCase> {};

TEST_P(CurveSeries, IsTheRenderedCurvesOwn) {
  const TDesign design(GetParam().Values);
  TMorphRenderer morph(design.List, design.List, 64, 1);
  ExpectSeriesNear(MorphSeries(morph), DenseSeries(GetParam().Values));
  Series rest(kSeriesCount);
  EXPECT_FALSE(morph.RenderSeries(rest.data(), kSeriesCount));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CurveSeries,
    ::testing::Values(
        TSeriesCase{"tensions",
                    {{0, 0, 0},
                     {50, 27, 800},
                     {100, -10, -800},
                     {150, 20, 1e-12},
                     {200, -27, -1e-12},
                     {250, 5, 3},
                     {300, 12, std::numeric_limits<double>::quiet_NaN()}}},
        TSeriesCase{
            "steps",
            {{0, 10, 0}, {100, 27, 40}, {100, -27, -5}, {100, 3, 0}, {200, 5, 0}, {300, -20, 0}}},
        TSeriesCase{"short segments",
                    {{0, -27, 0}, {1, 27, 0}, {2, 27, 6}, {299, -27, -2}, {300, -27, 0}}}));

// A tension beyond any a double resolves is a step at the segment's end, or
// at its start for a negative one.
TEST(CurveSeriesExtremes, HugeTensionsAreSteps) {
  const std::vector<TNodeValues> curved = {
      {0, 0, 0}, {100, 27, 1e30}, {200, -27, -1e300}, {300, 0, 0}};
  const std::vector<TNodeValues> steps = {
      {0, 0, 0}, {100, 27, 0}, {200, 27, 0}, {200, 0, 0}, {300, 0, 0}};
  const TDesign a(curved), b(steps);
  TMorphRenderer ma(a.List, a.List, 64, 1), mb(b.List, b.List, 64, 1);
  ExpectSeriesNear(MorphSeries(ma), MorphSeries(mb), 1e-9);
}

// Every period of a morph whose nodes cross is the series of the design the
// morph puts there.
TEST(CurveSeriesMorph, EachPeriodIsItsOwnDesign) {
  const std::vector<TNodeValues> from = {{0, 0, 0}, {60, 27, 2}, {240, -27, 0}, {300, 0, 0}};
  const std::vector<TNodeValues> to = {{0, 0, 0}, {240, 20, -3}, {80, -20, 1}, {300, 6, 0}};
  const TDesign a(from), b(to);
  TMorphRenderer morph(a.List, b.List, 64, 3);
  for (int p = 0; p < 3; ++p) {
    std::vector<TNodeValues> at;
    for (std::size_t j = 0; j < from.size(); ++j) {
      at.push_back({from[j].X + (to[j].X - from[j].X) * p / 2,
                    from[j].Y + (to[j].Y - from[j].Y) * p / 2,
                    from[j].T + (to[j].T - from[j].T) * p / 2});
    }
    SCOPED_TRACE(p);
    ExpectSeriesNear(MorphSeries(morph), DenseSeries(at));
  }
}

}  // namespace
