#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "FuzzSupport.h"

namespace {

using TWave = std::vector<TNodeValues>;

TWave DefaultWave() {
  return {{0, 0, 0}, {75, 27, 0}, {150, 0, 0}, {225, -27, 0}, {300, 0, 0}};
}

TExpectedDesign Expect(const std::vector<std::uint8_t>& bytes) {
  return ExpectDocument(bytes.data(), bytes.size());
}

TReadOutcome Version(int major, int minor) {
  return Expect(EncodeDocument(5, DefaultWave(), DefaultWave(), major, minor)).Outcome;
}

void ExpectSame(const TWave& got, const TWave& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t k = 0; k < got.size(); ++k) {
    EXPECT_EQ(got[k].X, want[k].X) << "node " << k + 1;
    EXPECT_EQ(got[k].Y, want[k].Y) << "node " << k + 1;
    EXPECT_EQ(got[k].T, want[k].T) << "node " << k + 1;
  }
}

}  // namespace

TEST(ExpectDocument, FormsTheVersionFromSignedBytes) {
  EXPECT_EQ(Version(1, 0), TReadOutcome::Accepted);
  EXPECT_EQ(Version(0, 99), TReadOutcome::Accepted);
  EXPECT_EQ(Version(1, 0xff), TReadOutcome::Accepted);  // 1.-1 is 99
  EXPECT_EQ(Version(2, 0x80), TReadOutcome::Accepted);  // 2.-128 is 72
  EXPECT_EQ(Version(0x80, 0x7f), TReadOutcome::Accepted);
  EXPECT_EQ(Version(1, 1), TReadOutcome::NewerVersion);
  EXPECT_EQ(Version(0, 127), TReadOutcome::NewerVersion);
  EXPECT_EQ(Version(2, 0), TReadOutcome::NewerVersion);
  // The version is judged before anything after it is looked at.
  auto headerOnly = EncodeDocument(5, {}, {}, 3, 0);
  headerOnly.resize(6);
  EXPECT_EQ(Expect(headerOnly).Outcome, TReadOutcome::NewerVersion);
  headerOnly.resize(5);
  EXPECT_EQ(Expect(headerOnly).Outcome, TReadOutcome::Refused);
}

TEST(ExpectDocument, GivesUnreadNodesTheValuesOfAFreshList) {
  const TExpectedDesign none = Expect(EncodeDocument(0, {}, {}));
  ASSERT_EQ(none.Outcome, TReadOutcome::Accepted);
  ExpectSame(none.Waves[0], {{0, 0, 0}, {300, 0, 0}});
  ExpectSame(none.Waves[1], {{0, 0, 0}, {300, 0, 0}});

  const TExpectedDesign one = Expect(EncodeDocument(1, {{7, -5, 20}}, {{-1, 3, -2}}));
  ASSERT_EQ(one.Outcome, TReadOutcome::Accepted);
  ExpectSame(one.Waves[0], {{0, -5, 20}, {300, 0, 0}});
  ExpectSame(one.Waves[1], {{0, 3, -2}, {300, 0, 0}});
}

TEST(ExpectDocument, IgnoresTheStoredXOfTheEndNodesOnly) {
  const TExpectedDesign ends = Expect(EncodeDocument(3, {{-5, 1, 0}, {150, 2, 0}, {1e300, 3, 0}},
                                                     {{0, 0, 0}, {300, 0, 0}, {7, 0, 0}}));
  ASSERT_EQ(ends.Outcome, TReadOutcome::Accepted);
  ExpectSame(ends.Waves[0], {{0, 1, 0}, {150, 2, 0}, {300, 3, 0}});
  ExpectSame(ends.Waves[1], {{0, 0, 0}, {300, 0, 0}, {300, 0, 0}});

  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(Expect(EncodeDocument(3, {{0, 0, 0}, {-5, 0, 0}, {300, 0, 0}},
                                  {{0, 0, 0}, {1, 0, 0}, {300, 0, 0}}))
                .Outcome,
            TReadOutcome::Refused);
  EXPECT_EQ(Expect(EncodeDocument(3, {{0, 0, 0}, {1, 0, 0}, {300, 0, 0}},
                                  {{0, 0, 0}, {1, 0, 0}, {nan, 0, 0}}))
                .Outcome,
            TReadOutcome::Refused);
}

TEST(ExpectDocument, AgreesWithTheReaderOnTheLargestCount) {
  // Beyond what the fuzzer's inputs reach: the bound itself.
  for (const int count : {kMaxDocumentNodes, kMaxDocumentNodes + 1}) {
    const TWave wave(static_cast<std::size_t>(count), TNodeValues{150, 1, 0});
    const auto bytes = EncodeDocument(count, wave, wave);
    const std::string path = TFuzzDir::Get().Path("large.vlx");
    ASSERT_TRUE(WriteBytes(path, bytes.data(), bytes.size()));
    auto wave0 = std::make_unique<TNodeList>();
    auto wave1 = std::make_unique<TNodeList>();
    const TReadOutcome read = ReadDocument(path, wave0, wave1);
    const TReadOutcome due = Expect(bytes).Outcome;
    EXPECT_EQ(read, due) << count;
    EXPECT_EQ(due, count == kMaxDocumentNodes ? TReadOutcome::Accepted : TReadOutcome::Refused);
    if (read == TReadOutcome::Accepted) {
      EXPECT_EQ(CheckList(*wave0), "");
      EXPECT_EQ(CheckValues(*wave1, Expect(bytes).Waves[1]), "");
    }
  }
}

TEST(CheckList, FindsEachKindOfBrokenLink) {
  TNodeList list;
  TNodeList other;
  LoadDefaultDesign(list, other);
  ASSERT_EQ(CheckList(list), "");
  TNode* n1 = list.Find(1);
  TNode* n2 = list.Find(2);
  TNode* n3 = list.Find(3);
  TNode* n4 = list.Find(4);

  std::swap(n2->X, n4->X);
  EXPECT_NE(CheckList(list), "") << "X order against the values";
  std::swap(n2->X, n4->X);

  n3->PrevByIndex = n1;
  EXPECT_NE(CheckList(list), "") << "index links";
  n3->PrevByIndex = n2;

  n3->Index = 7;
  EXPECT_NE(CheckList(list), "") << "Index";
  n3->Index = 3;

  n2->NextByX = n4;
  n4->PrevByX = n2;
  EXPECT_NE(CheckList(list), "") << "a node left out of the X order";
  n2->NextByX = n3;
  n4->PrevByX = n3;

  n4->NextByX = n2;
  EXPECT_NE(CheckList(list), "") << "a cycle in the X order";
  n4->NextByX = list.LastByX;

  list.LastByX->X = 299;
  EXPECT_NE(CheckList(list), "") << "the end node moved";
  list.LastByX->X = 300;

  n3->X = std::numeric_limits<double>::quiet_NaN();
  EXPECT_NE(CheckList(list), "") << "a NaN position";
  n3->X = 150;

  EXPECT_EQ(CheckList(list), "");
}

TEST(CheckList, AcceptsTiesInIndexOrderOnly) {
  TNodeList list(4);
  list.SetX(2, 100);
  list.SetX(3, 100);
  EXPECT_EQ(CheckList(list), "");
  // The same values linked with the later node first.
  TNode* n2 = list.Find(2);
  TNode* n3 = list.Find(3);
  ASSERT_EQ(n2->NextByX, n3);
  list.FirstByX->NextByX = n3;
  n3->PrevByX = list.FirstByX;
  n3->NextByX = n2;
  n2->PrevByX = n3;
  n2->NextByX = list.LastByX;
  list.LastByX->PrevByX = n2;
  EXPECT_NE(CheckList(list), "");
}

TEST(Comparisons, SeeEveryBitOfEveryValue) {
  TNodeList a0, a1, b0, b1;
  LoadDefaultDesign(a0, a1);
  LoadDefaultDesign(b0, b1);
  EXPECT_EQ(CompareLists(a0, b0), "");
  EXPECT_EQ(CheckValues(a0, DefaultWave()), "");

  b0.SetY(3, -0.0);
  EXPECT_NE(CompareLists(a0, b0), "");
  EXPECT_NE(CheckValues(b0, DefaultWave()), "");
  b0.SetY(3, std::nextafter(0.0, 1.0));
  EXPECT_NE(CompareLists(a0, b0), "");
  b0.SetY(3, 0);
  b0.SetT(5, 1e-300);
  EXPECT_NE(CompareLists(a0, b0), "");
  b0.SetT(5, 0);
  EXPECT_EQ(CompareLists(a0, b0), "");

  b0.Insert(2);
  EXPECT_NE(CompareLists(a0, b0), "");
  EXPECT_NE(CheckValues(b0, DefaultWave()), "");
}

TEST(Comparisons, SeeADifferentXOrderOfEqualValues) {
  TNodeList a(4);
  TNodeList b(4);
  for (TNodeList* list : {&a, &b}) {
    list->SetX(2, 100);
    list->SetX(3, 100);
  }
  ASSERT_EQ(CompareLists(a, b), "");
  TNode* n2 = b.Find(2);
  TNode* n3 = b.Find(3);
  b.FirstByX->NextByX = n3;
  n3->PrevByX = b.FirstByX;
  n3->NextByX = n2;
  n2->PrevByX = n3;
  n2->NextByX = b.LastByX;
  b.LastByX->PrevByX = n2;
  EXPECT_NE(CompareLists(a, b), "");
}

TEST(CheckRendering, HoldsForLegalDesignsAtTheLimits) {
  TNodeList wave0;
  TNodeList wave1;
  LoadDefaultDesign(wave0, wave1);
  EXPECT_EQ(CheckRendering(wave0, wave1), "");

  const double max = std::numeric_limits<double>::max();
  for (TNodeList* wave : {&wave0, &wave1}) {
    wave->SetY(1, max);
    wave->SetT(1, 1e308);
    wave->SetY(2, -max);
    wave->SetT(2, -1e308);
    wave->SetT(3, 709.9);
    wave->SetX(4, 0);
  }
  wave1.SetT(3, -745.5);
  EXPECT_EQ(CheckRendering(wave0, wave1), "");
}
