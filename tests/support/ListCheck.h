#pragma once

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "Nodes.h"

// Indices along X order, walked forwards; the backward walk must agree.
inline std::vector<int> XOrder(const TNodeList& list) {
  std::vector<int> forward, backward;
  for (const TNode* n = list.FirstByX; n; n = n->NextByX) forward.push_back(n->Index);
  for (const TNode* n = list.LastByX; n; n = n->PrevByX)
    backward.insert(backward.begin(), n->Index);
  EXPECT_EQ(forward, backward);
  return forward;
}

// Every invariant of a constructed list, checked through the raw links in
// both directions of both orders.
inline void ExpectSound(const TNodeList& list) {
  ASSERT_NE(list.FirstByIndex, nullptr);
  EXPECT_EQ(list.FirstByIndex, list.FirstByX);
  EXPECT_EQ(list.LastByIndex, list.LastByX);
  EXPECT_EQ(list.FirstByIndex->X, 0);
  EXPECT_EQ(list.LastByIndex->X, 300);
  std::set<const TNode*> byIndex, byX;
  int expected = 1;
  const TNode* prev = nullptr;
  for (const TNode* n = list.FirstByIndex; n; prev = n, n = n->NextByIndex) {
    EXPECT_EQ(n->Index, expected++);
    EXPECT_EQ(n->PrevByIndex, prev);
    byIndex.insert(n);
  }
  EXPECT_EQ(prev, list.LastByIndex);
  EXPECT_EQ(list.Count(), expected - 1);
  prev = nullptr;
  for (const TNode* n = list.FirstByX; n; prev = n, n = n->NextByX) {
    EXPECT_EQ(n->PrevByX, prev);
    if (prev) {
      EXPECT_TRUE(prev->X < n->X || (prev->X == n->X && prev->Index < n->Index))
          << "X order broken at node " << n->Index;
    }
    byX.insert(n);
  }
  EXPECT_EQ(prev, list.LastByX);
  EXPECT_EQ(byIndex, byX);
}

inline std::vector<double> Xs(const TNodeList& list) {
  std::vector<double> xs;
  for (const TNode* n = list.FirstByIndex; n; n = n->NextByIndex) xs.push_back(n->X);
  return xs;
}
