#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <type_traits>

#include "ListCheck.h"
#include "Nodes.h"

namespace {

using V = std::vector<double>;
using I = std::vector<int>;

struct DefaultDesign : ::testing::Test {
  TNodeList List;
  TNodeList Other;
  void SetUp() override { LoadDefaultDesign(List, Other); }
};

static_assert(!std::is_copy_constructible_v<TNodeList> && !std::is_copy_assignable_v<TNodeList>);

TEST(NodeList, ConstructionAndInsertIntoNewList) {
  TNodeList list;
  ExpectSound(list);
  EXPECT_EQ(list.Count(), 2);
  TNode* node = list.Insert(1);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->Index, 2);
  EXPECT_EQ(node->X, 150);
  EXPECT_EQ(node->Y, 0);
  EXPECT_EQ(node->T, 0);
  EXPECT_EQ(list.LastByIndex->Index, 3);
  ExpectSound(list);

  for (int count : {-3, 0, 1, 2}) EXPECT_EQ(TNodeList(count).Count(), 2) << count;
  TNodeList five(5);
  ExpectSound(five);
  EXPECT_EQ(Xs(five), (V{0, 37.5, 75, 150, 300}));
}

TEST(NodeList, CountConstructorMatchesRepeatedInsertPastFloatUnderflow) {
  // 300 halved more than 150 times reaches zero in single precision.
  constexpr int kCount = 200;
  TNodeList built(kCount);
  TNodeList inserted;
  while (inserted.Count() < kCount) inserted.Insert(1);
  ExpectSound(built);
  EXPECT_EQ(Xs(built), Xs(inserted));
  EXPECT_EQ(XOrder(built), XOrder(inserted));
  EXPECT_EQ(built.Find(2)->X, 0);

  TNodeList large(100000);  // must not be quadratic
  EXPECT_EQ(large.Count(), 100000);
  EXPECT_EQ(large.Find(99999)->X, 150);
}

TEST_F(DefaultDesign, LoadsTheTriangle) {
  for (const TNodeList* wave : {&List, &Other}) {
    ExpectSound(*wave);
    EXPECT_EQ(Xs(*wave), (V{0, 75, 150, 225, 300}));
    V ys, ts;
    for (const TNode* n = wave->FirstByIndex; n; n = n->NextByIndex) {
      ys.push_back(n->Y);
      ts.push_back(n->T);
    }
    EXPECT_EQ(ys, (V{0, 27, 0, -27, 0}));
    EXPECT_EQ(ts, V(5, 0));
    EXPECT_EQ(XOrder(*wave), (I{1, 2, 3, 4, 5}));
  }
  // Loading again over an edited list rebuilds it.
  List.Insert(2);
  List.SetT(1, 3);
  LoadDefaultDesign(List, Other);
  EXPECT_EQ(List.Count(), 5);
  EXPECT_EQ(List.FirstByIndex->T, 0);
}

TEST_F(DefaultDesign, InsertAtEndAndOutOfRange) {
  TNode* node = List.Insert(List.Count());
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->Index, 5);
  EXPECT_EQ(node->X, 262.5);
  EXPECT_EQ(node->Y, -13.5);
  EXPECT_EQ(List.LastByIndex->Index, 6);
  ExpectSound(List);

  EXPECT_EQ(List.Insert(0), nullptr);
  EXPECT_EQ(List.Insert(List.Count() + 1), nullptr);
  EXPECT_EQ(List.Count(), 6);
}

TEST(NodeList, InsertRoundsMidpointToSinglePrecisionAndKeepsOrder) {
  TNodeList list(4);
  list.SetX(2, 0.1);
  list.SetX(3, 0.2);
  EXPECT_EQ(list.Insert(2)->X, static_cast<double>(0.15f));

  // Two X that are not floats: the rounded midpoint falls below both.
  TNodeList close(4);
  close.SetX(2, 100.0000001);
  close.SetX(3, 100.0000002);
  TNode* node = close.Insert(2);
  EXPECT_EQ(node->X, 100);
  ExpectSound(close);
  EXPECT_EQ(XOrder(close), (I{1, 3, 2, 4, 5}));
}

TEST_F(DefaultDesign, DeleteRenumbersAndRefusesEndNodes) {
  List.Delete(1);
  List.Delete(List.Count());
  List.Delete(0);
  List.Delete(6);
  EXPECT_EQ(List.Count(), 5);
  List.Delete(2);
  ExpectSound(List);
  EXPECT_EQ(Xs(List), (V{0, 150, 225, 300}));
  EXPECT_EQ(List.Find(3)->Y, -27);
}

TEST_F(DefaultDesign, SettersOnEndNodes) {
  List.SetX(1, 50);
  List.SetX(List.Count(), 50);
  EXPECT_EQ(Xs(List), (V{0, 75, 150, 225, 300}));
  List.SetY(1, 10);
  List.SetT(5, -4);
  EXPECT_EQ(List.FirstByIndex->Y, 10);
  EXPECT_EQ(List.LastByIndex->T, -4);
  List.SetY(9, 1);  // no such node: nothing happens
  ExpectSound(List);
}

TEST_F(DefaultDesign, SetXResortsXOrderOnly) {
  List.SetX(2, 200);
  EXPECT_EQ(XOrder(List), (I{1, 3, 2, 4, 5}));
  ExpectSound(List);
  TNode* node = List.Insert(1);
  EXPECT_EQ(node->Index, 2);
  EXPECT_EQ(node->X, 75);
  EXPECT_EQ(node->Y, 0);
  EXPECT_EQ(List.Find(3)->X, 200);
  EXPECT_EQ(XOrder(List), (I{1, 2, 4, 3, 5, 6}));
  ExpectSound(List);
}

TEST_F(DefaultDesign, EqualXOrdersByIndexAndEndsStayOutside) {
  struct Case {
    int Node;
    double X;
    I Order;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {3, 75, {1, 2, 3, 4, 5}},   {2, 150, {1, 2, 3, 4, 5}}, {3, 0, {1, 3, 2, 4, 5}},
      {3, 300, {1, 2, 4, 3, 5}},  {3, -5, {1, 3, 2, 4, 5}},  {2, 1e9, {1, 3, 4, 2, 5}},
      {4, -inf, {1, 4, 2, 3, 5}}, {3, inf, {1, 2, 4, 3, 5}},
  };
  for (const Case& c : cases) {
    LoadDefaultDesign(List, Other);
    List.SetX(c.Node, c.X);
    EXPECT_EQ(XOrder(List), c.Order) << c.Node << " to " << c.X;
    EXPECT_EQ(List.Find(c.Node)->X, std::clamp(c.X, 0.0, 300.0));
    ExpectSound(List);
  }
  // Back onto a node of higher Index at the same X: it goes first again.
  LoadDefaultDesign(List, Other);
  List.SetX(2, 200);
  List.SetX(2, 150);
  EXPECT_EQ(XOrder(List), (I{1, 2, 3, 4, 5}));
  LoadDefaultDesign(List, Other);
  List.SetX(3, nan);
  EXPECT_EQ(List.Find(3)->X, 150);
}

TEST(NodeList, ClearAndReset) {
  TNodeList list(6);
  list.Clear();
  EXPECT_EQ(list.FirstByIndex, nullptr);
  EXPECT_EQ(list.LastByX, nullptr);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Find(1), nullptr);
  list.Clear();
  list.Reset();
  ExpectSound(list);
  EXPECT_EQ(list.Count(), 2);
}

TEST(NodeList, SetValuesEqualsSuccessiveSetters) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> x(-20, 320), y(-30, 30);
  for (int round = 0; round < 20; ++round) {
    const int count = 2 + round * 3;
    std::vector<TNodeValues> values(static_cast<std::size_t>(count));
    for (auto& v : values) {
      // Whole positions make ties likely; some values fall outside 0 to 300.
      v = {std::round(x(random) / 10) * 10, y(random), y(random) / 3};
    }
    if (count > 4) values[2].X = std::numeric_limits<double>::quiet_NaN();
    TNodeList bulk(count), single(count);
    bulk.SetValues(values);
    for (int k = 1; k <= count; ++k) {
      single.SetX(k, values[k - 1].X);
      single.SetY(k, values[k - 1].Y);
      single.SetT(k, values[k - 1].T);
    }
    ExpectSound(bulk);
    EXPECT_EQ(Xs(bulk), Xs(single));
    EXPECT_EQ(XOrder(bulk), XOrder(single));
    EXPECT_EQ(bulk.LastByIndex->Y, values.back().Y);
  }
}

}  // namespace
