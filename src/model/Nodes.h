#pragma once

#include <complex>
#include <cstdint>
#include <memory>
#include <vector>

// One node of a waveform: position X (0 to 300), level Y (27 is full scale) and
// the tension T of the segment that starts here.
struct TNode {
  int Index = 0;
  double X = 0;
  double Y = 0;
  double T = 0;
  TNode* NextByIndex = nullptr;
  TNode* PrevByIndex = nullptr;
  TNode* NextByX = nullptr;
  TNode* PrevByX = nullptr;
};

// Stored values of one node, as a document holds them.
struct TNodeValues {
  double X = 0;
  double Y = 0;
  double T = 0;
};

// One waveform, its nodes kept in index order and in X order at once. The list
// owns its nodes; node 1 (X 0) and node Count (X 300) can be neither moved nor
// deleted.
class TNodeList {
 public:
  TNode* FirstByIndex = nullptr;
  TNode* LastByIndex = nullptr;
  TNode* FirstByX = nullptr;
  TNode* LastByX = nullptr;

  TNodeList();
  // Nodes 1 to max(count, 2), all Y and T 0, node k at X 300 / 2^(count - k).
  explicit TNodeList(int count);
  ~TNodeList();
  TNodeList(const TNodeList&) = delete;
  TNodeList& operator=(const TNodeList&) = delete;

  void Reset();
  void Clear();
  TNode* Find(int k) const;
  int Count() const;
  TNode* Insert(int k);
  void Delete(int k);
  // x is clamped into 0 to 300 so the end nodes stay first and last in X
  // order; NaN is refused.
  void SetX(int k, double x);
  void SetY(int k, double y);
  void SetT(int k, double t);
  // The same as SetX, SetY and SetT on nodes 1, 2, ... in turn with values[0],
  // values[1], ..., in O(N log N) instead of quadratic time.
  void SetValues(const std::vector<TNodeValues>& values);

  // 301 levels in level units, at X = 0 to 300.
  void RenderDisplay(double* out) const;
  // One period of n samples (1 to 301) on the 16-bit scale.
  void RenderPeriod(double* out, int n) const;

 private:
  void MoveX(TNode* p, double x);
  void SortByX(std::vector<TNode*>& interior);
};

// The morph from wave0 to wave1: `periods` periods of n samples each, every node
// moving in a straight line to the node of the same Index in wave1. Nodes that
// wave1 lacks stay where wave0 has them; a single period is wave0.
void RenderTransition(double* out, const TNodeList& wave0, const TNodeList& wave1, int n,
                      int periods);

// The same morph rendered a few periods at a time, for sounds too long to
// hold all their periods at once. The lists are read when it is made.
class TMorphRenderer {
 public:
  TMorphRenderer(const TNodeList& wave0, const TNodeList& wave1, int n, int periods);
  ~TMorphRenderer();
  TMorphRenderer(const TMorphRenderer&) = delete;
  TMorphRenderer& operator=(const TMorphRenderer&) = delete;

  // The next periods, at most count of them, into out (count x n doubles);
  // returns how many were rendered, 0 once all have been.
  int Render(double* out, int count);
  // The next period as its curve's Fourier series instead of samples:
  // out[k] for k = 0 to count - 1 is the integral over the period of
  // curve(u) e^(-2 pi i k u), u from 0 to 1, where sample i of Render's
  // period is curve(i / n), on the same 16-bit scale. Returns false once all
  // periods have been given.
  bool RenderSeries(std::complex<double>* out, int count);
  int Remaining() const;

 private:
  void Place(int p);

  struct TState;
  std::unique_ptr<TState> State;
};

// Both lists become the default triangle wave.
void LoadDefaultDesign(TNodeList& wave0, TNodeList& wave1);

// A sample as a consumer stores it: truncated toward zero, low 16 bits kept,
// no saturation. Non-finite samples give 0.
std::int16_t SampleToPcm(double sample);

// Sizes the callers use for the morph and the playback of one period.
constexpr int kDisplayPoints = 301;
constexpr int kPeriodSamples = 114;
constexpr int kMorphPeriods = 100;
constexpr int kMorphSamples = kPeriodSamples * kMorphPeriods;
