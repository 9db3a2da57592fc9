#include "Nodes.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>
#include <numbers>
#include <vector>

namespace {

constexpr double kMinX = 0;
constexpr double kMaxX = 300;
// Levels from hand-made documents can be any finite double; holding them
// here keeps every difference and product of the curve finite.
constexpr double kLevelLimit = 1e300;

TNode* NewNode(int index, double x) {
  auto node = std::make_unique<TNode>();
  node->Index = index;
  node->X = x;
  return node.release();
}

// The one place where a node's memory is given back.
void FreeNode(TNode* node) {
  std::unique_ptr<TNode> owned(node);
}

// Midpoints are rounded to single precision, as inserted positions always
// have been, so existing designs keep their node positions; halves of whole
// numbers stay exact.
double Midpoint(double a, double b) {
  return static_cast<double>(
      static_cast<float>((static_cast<long double>(a) + static_cast<long double>(b)) * 0.5L));
}

double BoundLevel(double level) {
  if (std::isnan(level)) return 0;
  return std::clamp(level, -kLevelLimit, kLevelLimit);
}

// One segment of the curve, from level ya at position xa to yb at xb, shaped
// by the tension t of its left node: the level at f = (i - xa) / (xb - xa) is
// ya + w (yb - ya) with w = (1 - e^(t f)) / (1 - e^t). w is evaluated as
// expm1(t f) / expm1(t), which keeps small tensions precise, and rearranged
// for large positive t so that no exponential overflows.
class TSegment {
 public:
  TSegment(double xa, double ya, double t, double xb, double yb)
      : Xa(xa), Ya(ya), Span(xb - xa), Dy(yb - ya), T(t) {
    if (std::isnan(T)) T = 0;
    T = std::clamp(T, -kLevelLimit, kLevelLimit);
    if (T > kLargeTension) {
      Denominator = std::expm1(-T);
    } else if (T != 0) {
      Denominator = std::expm1(T);
    }
  }

  double operator()(int i) const {
    // Only the first segment can be zero-wide and still be asked for a value
    // (a node other than the start node at X 0): it keeps the start level.
    if (!(Span > 0)) return Ya;
    const double f = (i - Xa) / Span;
    if (T == 0) return Ya + f * Dy;
    return Ya + Weight(f) * Dy;
  }

 private:
  static constexpr double kLargeTension = 700;  // e^t still fits a double below this

  double Weight(double f) const {
    double w;
    if (T > kLargeTension) {
      w = std::exp(T * (f - 1)) * (std::expm1(-T * f) / Denominator);
    } else {
      w = std::expm1(T * f) / Denominator;
    }
    return std::clamp(w, 0.0, 1.0);
  }

  double Xa;
  double Ya;
  double Span;
  double Dy;
  double T;
  double Denominator = 1;
};

}  // namespace

TNodeList::TNodeList() {
  Reset();
}

TNodeList::TNodeList(int count) {
  Reset();
  // Built directly rather than by repeated Insert(1), whose renumbering walk
  // would make a large count quadratic; the nodes are the same.
  try {
    double x = kMaxX;
    for (int k = 2; k < count; ++k) {
      x = Midpoint(0, x);
      TNode* node = NewNode(0, x);
      TNode* start = FirstByIndex;
      TNode* next = start->NextByIndex;
      node->PrevByIndex = start;
      node->NextByIndex = next;
      node->PrevByX = start;
      node->NextByX = next;
      next->PrevByIndex = node;
      next->PrevByX = node;
      start->NextByIndex = node;
      start->NextByX = node;
    }
  } catch (...) {
    Clear();
    throw;
  }
  int index = 1;
  for (TNode* node = FirstByIndex; node; node = node->NextByIndex) node->Index = index++;
}

TNodeList::~TNodeList() {
  Clear();
}

void TNodeList::Reset() {
  Clear();
  auto start = std::make_unique<TNode>();
  auto end = std::make_unique<TNode>();
  start->Index = 1;
  start->X = kMinX;
  end->Index = 2;
  end->X = kMaxX;
  start->NextByIndex = end.get();
  start->NextByX = end.get();
  end->PrevByIndex = start.get();
  end->PrevByX = start.get();
  FirstByIndex = FirstByX = start.release();
  LastByIndex = LastByX = end.release();
}

void TNodeList::Clear() {
  if (!FirstByIndex) return;
  TNode* node = FirstByIndex;
  while (node) {
    TNode* next = node->NextByIndex;
    FreeNode(node);
    node = next;
  }
  FirstByIndex = LastByIndex = FirstByX = LastByX = nullptr;
}

TNode* TNodeList::Find(int k) const {
  for (TNode* node = FirstByIndex; node; node = node->NextByIndex) {
    if (node->Index == k) return node;
  }
  return nullptr;
}

int TNodeList::Count() const {
  return LastByIndex ? LastByIndex->Index : 0;
}

TNode* TNodeList::Insert(int k) {
  TNode* p = Find(k);
  if (!p) return nullptr;
  if (p == LastByIndex) p = p->PrevByIndex;
  TNode* q = p->NextByX;
  // Allocated before anything changes, so a failed allocation leaves the list as it was.
  TNode* node = NewNode(p->Index + 1, Midpoint(p->X, q->X));
  node->Y = Midpoint(p->Y, q->Y);
  for (TNode* n = LastByIndex; n != p; n = n->PrevByIndex) ++n->Index;

  node->PrevByIndex = p;
  node->NextByIndex = p->NextByIndex;
  p->NextByIndex->PrevByIndex = node;
  p->NextByIndex = node;

  node->PrevByX = p;
  node->NextByX = q;
  q->PrevByX = node;
  p->NextByX = node;
  // Rounding to single precision can put the midpoint of two X values that
  // are not floats (only from documents) just outside them.
  MoveX(node, node->X);
  return node;
}

void TNodeList::Delete(int k) {
  TNode* p = Find(k);
  if (!p || p == FirstByX || p == LastByX) return;
  for (TNode* n = p->NextByIndex; n; n = n->NextByIndex) --n->Index;
  p->PrevByIndex->NextByIndex = p->NextByIndex;
  p->NextByIndex->PrevByIndex = p->PrevByIndex;
  p->PrevByX->NextByX = p->NextByX;
  p->NextByX->PrevByX = p->PrevByX;
  FreeNode(p);
}

void TNodeList::SetX(int k, double x) {
  if (TNode* p = Find(k)) MoveX(p, x);
}

void TNodeList::SetY(int k, double y) {
  if (TNode* p = Find(k)) p->Y = y;
}

void TNodeList::SetT(int k, double t) {
  if (TNode* p = Find(k)) p->T = t;
}

void TNodeList::MoveX(TNode* p, double x) {
  if (p == FirstByX || p == LastByX || std::isnan(x)) return;
  x = std::clamp(x, kMinX, kMaxX);
  p->X = x;
  // Equal X keeps ascending Index, so the order is unique and a design's X
  // order can be rebuilt from its values alone.
  while (p->PrevByX != FirstByX &&
         (x < p->PrevByX->X || (x == p->PrevByX->X && p->PrevByX->Index > p->Index))) {
    TNode* a = p->PrevByX;
    TNode* before = a->PrevByX;
    TNode* after = p->NextByX;
    before->NextByX = p;
    p->PrevByX = before;
    p->NextByX = a;
    a->PrevByX = p;
    a->NextByX = after;
    after->PrevByX = a;
  }
  while (p->NextByX != LastByX &&
         (x > p->NextByX->X || (x == p->NextByX->X && p->NextByX->Index < p->Index))) {
    TNode* a = p->NextByX;
    TNode* before = p->PrevByX;
    TNode* after = a->NextByX;
    before->NextByX = a;
    a->PrevByX = before;
    a->NextByX = p;
    p->PrevByX = a;
    p->NextByX = after;
    after->PrevByX = p;
  }
}

void TNodeList::SetValues(const std::vector<TNodeValues>& values) {
  if (!FirstByIndex) return;
  std::vector<TNode*> interior;
  std::size_t k = 0;
  for (TNode* node = FirstByIndex; node; node = node->NextByIndex, ++k) {
    if (k < values.size()) {
      const TNodeValues& v = values[k];
      if (node != FirstByX && node != LastByX && !std::isnan(v.X)) {
        node->X = std::clamp(v.X, kMinX, kMaxX);
      }
      node->Y = v.Y;
      node->T = v.T;
    }
    if (node != FirstByIndex && node != LastByIndex) interior.push_back(node);
  }
  SortByX(interior);
}

void TNodeList::SortByX(std::vector<TNode*>& interior) {
  // Index order is ascending Index, so a stable sort by X alone gives the
  // (X, Index) order that successive SetX calls would reach.
  std::stable_sort(interior.begin(), interior.end(),
                   [](const TNode* a, const TNode* b) { return a->X < b->X; });
  TNode* prev = FirstByX;
  for (TNode* node : interior) {
    prev->NextByX = node;
    node->PrevByX = prev;
    prev = node;
  }
  prev->NextByX = LastByX;
  LastByX->PrevByX = prev;
}

namespace {

// The segment walk over nodes in X order. A source gives the nodes as handles
// (First, Next, End) and their X, level and tension; pos scales X to output
// positions.
template <class Source, class Pos>
void Walk(double* out, int count, const Source& source, Pos pos) {
  if (!out || count <= 0) return;
  auto a = source.First();
  if (source.End(a)) return;
  int i = 0;
  double xa = 0;
  bool xaKnown = true;
  // Most nodes of a dense design cover no position: X below this bound
  // surely lies before position i, and such nodes are passed without
  // computing their exact position or any level.
  double skipBelow = pos.SurelyBefore(0);
  for (auto b = source.Next(a); !source.End(b); a = b, b = source.Next(b)) {
    const double x = source.X(b);
    if (x < skipBelow) {
      xaKnown = false;
      continue;
    }
    const double xb = pos(x);
    if (i <= xb) {
      if (!xaKnown) xa = pos(source.X(a));
      const TSegment segment(xa, source.Level(a), source.Tension(a), xb, source.Level(b));
      for (; i < count && i <= xb; ++i) out[i] = segment(i);
      if (i >= count) return;
      skipBelow = pos.SurelyBefore(i);
    }
    xa = xb;
    xaKnown = true;
  }
  // Only a caller asking for more than 301 samples gets here.
  const double last = source.Level(a);
  for (; i < count; ++i) out[i] = last;
}

// Each scale gives a node's position and, for position i, an X below which a
// node surely lies before i.
struct TDisplayScale {
  double operator()(double x) const { return x; }
  double SurelyBefore(int i) const { return i; }
};

// n x X / 301. The bound stays below the exact one by far more than the
// rounding of either.
struct TPeriodScale {
  int N;
  double operator()(double x) const { return N * x / 301; }
  double SurelyBefore(int i) const { return (i - 1e-6) * 301 / N; }
};

double SampleLevel(double y) {
  return BoundLevel(y * 32767 / 27);
}

// A list's nodes along its X links, with levels in level units or on the
// 16-bit scale.
template <bool Samples>
struct TListSource {
  const TNodeList& List;
  const TNode* First() const { return List.FirstByX; }
  const TNode* Next(const TNode* node) const { return node->NextByX; }
  bool End(const TNode* node) const { return node == nullptr; }
  double X(const TNode* node) const { return node->X; }
  double Level(const TNode* node) const {
    return Samples ? SampleLevel(node->Y) : BoundLevel(node->Y);
  }
  double Tension(const TNode* node) const { return node->T; }
};

// One entry of the morph's X order. A flat array: walking linked nodes
// scattered in memory costs more than all the arithmetic of a dense design.
struct TPlace {
  double X;
  int Index;
};

struct TLevelWay {
  double Y0;
  double DY;
  double T0;
  double DT;
  double Y1;
  double T1;
};

// a + (b - a) x p / steps. A value that does not change skips the division
// (a + 0 x p / steps is a, or +0 for a = -0, which renders the same). Near the
// ends of the double range, which only a hand-made document reaches, b - a or
// its product with p overflows; there the way is worked in extended
// precision, whose range holds both.
double Along(double a, double d, double b, int p, int steps) {
  if (d == 0) return a + 0;
  if (std::fabs(d) < 1e290) return a + d * p / steps;
  return static_cast<double>(static_cast<long double>(a) +
                             (static_cast<long double>(b) - a) * p / steps);
}

// Interpolation at period P of Steps: a + (b - a) x P / Steps, in that order.
struct TMorphSource {
  const std::vector<TPlace>& Order;
  const std::vector<TLevelWay>& Ways;
  int P;
  int Steps;
  std::size_t First() const { return 0; }
  std::size_t Next(std::size_t k) const { return k + 1; }
  bool End(std::size_t k) const { return k >= Order.size(); }
  double X(std::size_t k) const { return Order[k].X; }
  const TLevelWay& Way(std::size_t k) const {
    return Ways[static_cast<std::size_t>(Order[k].Index - 1)];
  }
  double Level(std::size_t k) const {
    const TLevelWay& way = Way(k);
    return SampleLevel(Along(way.Y0, way.DY, way.Y1, P, Steps));
  }
  double Tension(std::size_t k) const {
    const TLevelWay& way = Way(k);
    return Along(way.T0, way.DT, way.T1, P, Steps);
  }
};

bool Before(const TPlace& a, const TPlace& b) {
  return a.X < b.X || (a.X == b.X && a.Index < b.Index);
}

// Beyond this the tension changes a segment's Fourier integrals by less than
// a double resolves (t / (t + z) with |z| below 10^6), and squares stay finite.
constexpr double kSeriesTension = 1e18;
// Below this a tension bends its segment by less than a double resolves:
// TSegment's weight is f but for rounding.
constexpr double kStraightTension = 1e-100;

double SeriesTension(double t) {
  if (std::isnan(t) || std::fabs(t) < kStraightTension) return 0;
  return std::clamp(t, -kSeriesTension, kSeriesTension);
}

// The mean of TSegment's weight over its segment: 1/t - 1/(e^t - 1), by its
// Taylor series where the difference would cancel.
double MeanWeight(double t) {
  if (std::fabs(t) < 1e-2) return 0.5 - t / 12 + t * t * t / 720 - t * t * t * t * t / 30240;
  return 1 / t - 1 / std::expm1(t);
}

// The Fourier series of the curve that Walk samples, as a function of the
// phase u = X / 301 over one period: the segments in X order, the last
// node's level held from X 300 to 301, and the step back to the first node's
// level. out[k] = the integral of curve(u) e^(-2 pi i k u) over the period.
//
// Integrated by parts, harmonic k > 0 is the sum over segments of
// Dy e^(-i w ua) Q / (i w), w = 2 pi k, where Q, the integral of the
// weight's slope times e^(z f) over f in 0 to 1 with z = -i w L, is
// (t + r(t) (e^z - 1)) / (t + z), r(t) = t / (1 - e^-t), and 1 for a
// segment of no width. Every term stays bounded by |Dy| / w, however short
// the segment or large the tension, so no sum cancels more than the curve's
// own harmonics do.
template <class Source>
void Series(std::complex<double>* out, int count, const Source& source) {
  constexpr double kTurn = 2 * std::numbers::pi;
  std::fill(out, out + count, std::complex<double>());
  auto a = source.First();
  if (source.End(a)) return;
  const double first = source.Level(a);
  double mean = 0;
  for (auto b = source.Next(a); !source.End(b); a = b, b = source.Next(b)) {
    const double ua = source.X(a) / 301;
    const double span = source.X(b) / 301 - ua;
    const double ya = source.Level(a);
    const double dy = source.Level(b) - ya;
    const double t = SeriesTension(source.Tension(a));
    mean += span * (ya + dy * (t == 0 ? 0.5 : MeanWeight(t)));
    if (dy == 0) continue;
    const std::complex<double> startStep = std::polar(1.0, -kTurn * ua);
    std::complex<double> start = 1;
    if (!(span > 0)) {
      for (int k = 1; k < count; ++k) {
        start *= startStep;
        out[k] += dy * start;
      }
      continue;
    }
    const double r = t == 0 ? 1 : -t / std::expm1(-t);
    // e^z - 1 grown harmonic by harmonic as (e^z - 1)(e^z1 - 1) + (e^z - 1)
    // + (e^z1 - 1), which keeps its relative precision however short the
    // segment, where 1 + (e^z - 1) would lose it.
    const double y1 = -kTurn * span;
    const double half = std::sin(y1 / 2);
    const std::complex<double> em1Step(-2 * half * half, std::sin(y1));
    std::complex<double> em1 = 0;
    for (int k = 1; k < count; ++k) {
      start *= startStep;
      em1 += em1 * em1Step + em1Step;
      const double y = y1 * k;
      // (t + r (e^z - 1)) / (t + iy); t is 0 or far from underflow when
      // squared, y never 0.
      const std::complex<double> q =
          t == 0 ? std::complex<double>(em1.imag() / y, -em1.real() / y)
                 : (t + r * em1) * std::complex<double>(t, -y) / (t * t + y * y);
      out[k] += dy * start * q;
    }
  }
  const double last = source.Level(a);
  mean += last / 301;
  out[0] = mean;
  for (int k = 1; k < count; ++k) {
    out[k] = (out[k] + (first - last)) * std::complex<double>(0, -1 / (kTurn * k));
  }
}

}  // namespace

void TNodeList::RenderDisplay(double* out) const {
  if (FirstByX) Walk(out, kDisplayPoints, TListSource<false>{*this}, TDisplayScale{});
}

void TNodeList::RenderPeriod(double* out, int n) const {
  if (FirstByX) Walk(out, n, TListSource<true>{*this}, TPeriodScale{n});
}

// Every period is the design in which each node of wave0 has moved p / (periods
// - 1) of its way to the node of the same Index in wave1, its position clamped
// into 0 to 300, rendered in the order by X, equal X by Index: the order that
// moving the nodes one by one with SetX reaches.
struct TMorphRenderer::TState {
  int N = 0;
  int Periods = 0;
  int Steps = 1;
  int Next = 0;
  std::vector<double> X0, DX, Xs;
  std::vector<TLevelWay> Ways;
  std::vector<TPlace> Order;
};

TMorphRenderer::TMorphRenderer(const TNodeList& wave0, const TNodeList& wave1, int n, int periods)
    : State(std::make_unique<TState>()) {
  if (n <= 0 || periods <= 0 || !wave0.FirstByIndex) return;
  TState& s = *State;
  s.N = n;
  s.Periods = periods;
  s.Steps = std::max(periods - 1, 1);
  const TNode* b = wave1.FirstByIndex;
  for (const TNode* a = wave0.FirstByIndex; a; a = a->NextByIndex) {
    const TNode* to = b ? b : a;
    if (a == wave0.FirstByIndex || a == wave0.LastByIndex) {
      s.X0.push_back(a == wave0.FirstByIndex ? kMinX : kMaxX);
      s.DX.push_back(0);
    } else {
      s.X0.push_back(a->X);
      s.DX.push_back(to->X - a->X);
    }
    s.Ways.push_back({a->Y, to->Y - a->Y, a->T, to->T - a->T, to->Y, to->T});
    if (b) b = b->NextByIndex;
  }
  const std::size_t count = s.X0.size();
  s.Xs.resize(count);

  // Wave0's own X order is the order of period 0; the sort in Render repairs
  // anything else.
  s.Order.reserve(count);
  for (const TNode* a = wave0.FirstByX; a && s.Order.size() < count; a = a->NextByX) {
    if (a->Index >= 1 && static_cast<std::size_t>(a->Index) <= count)
      s.Order.push_back({0, a->Index});
  }
  if (s.Order.size() != count) {
    s.Order.clear();
    for (std::size_t j = 0; j < count; ++j) s.Order.push_back({0, static_cast<int>(j) + 1});
  }
}

TMorphRenderer::~TMorphRenderer() = default;

int TMorphRenderer::Remaining() const {
  return State->Periods - State->Next;
}

// Puts period p's nodes in place: their positions, and the order by X.
void TMorphRenderer::Place(int p) {
  TState& s = *State;
  const std::size_t nodes = s.X0.size();
  // Positions are finite and the fixed nodes do not move (DX 0), so this
  // needs no branch: X0 + 0 x p / steps is X0.
  const double along = p;
  const double of = s.Steps;
  for (std::size_t j = 0; j < nodes; ++j) {
    s.Xs[j] = std::min(std::max(s.X0[j] + s.DX[j] * along / of, kMinX), kMaxX);
  }
  // Nodes move a little per period: insertion sort costs one pass plus the
  // number of crossings. The last entry placed is kept at hand, so the
  // common case (no crossing) does not wait for the store of the step before.
  TPlace placed{-1, 0};
  for (std::size_t k = 0; k < nodes; ++k) {
    TPlace moving = s.Order[k];
    moving.X = s.Xs[static_cast<std::size_t>(moving.Index - 1)];
    if (Before(moving, placed)) {
      std::size_t j = k;
      for (; j > 0 && Before(moving, s.Order[j - 1]); --j) s.Order[j] = s.Order[j - 1];
      s.Order[j] = moving;
      placed = s.Order[k];
    } else {
      s.Order[k] = moving;
      placed = moving;
    }
  }
}

int TMorphRenderer::Render(double* out, int count) {
  TState& s = *State;
  if (!out || count <= 0) return 0;
  const int last = s.Next + std::min(count, Remaining());
  double* period = out;
  for (int p = s.Next; p < last; ++p, period += s.N) {
    Place(p);
    Walk(period, s.N, TMorphSource{s.Order, s.Ways, p, s.Steps}, TPeriodScale{s.N});
  }
  const int rendered = last - s.Next;
  s.Next = last;
  return rendered;
}

bool TMorphRenderer::RenderSeries(std::complex<double>* out, int count) {
  TState& s = *State;
  if (!out || count <= 0 || Remaining() <= 0) return false;
  Place(s.Next);
  Series(out, count, TMorphSource{s.Order, s.Ways, s.Next, s.Steps});
  ++s.Next;
  return true;
}

void RenderTransition(double* out, const TNodeList& wave0, const TNodeList& wave1, int n,
                      int periods) {
  if (!out || n <= 0 || periods <= 0 || !wave0.FirstByIndex) return;
  TMorphRenderer(wave0, wave1, n, periods).Render(out, periods);
}

void LoadDefaultDesign(TNodeList& wave0, TNodeList& wave1) {
  static constexpr struct {
    int Index;
    double X;
    double Y;
  } kTriangle[] = {{2, 75, 27}, {3, 150, 0}, {4, 225, -27}};
  for (TNodeList* wave : {&wave0, &wave1}) {
    wave->Reset();
    for (int i = 0; i < 3; ++i) wave->Insert(1);
    for (const auto& node : kTriangle) {
      wave->SetY(node.Index, node.Y);
      wave->SetX(node.Index, node.X);
    }
  }
}

std::int16_t SampleToPcm(double sample) {
  if (!std::isfinite(sample)) return 0;
  // fmod is exact, so this is the low 16 bits of the truncated value even
  // where that value does not fit any integer type.
  const double low = std::fmod(std::trunc(sample), 65536.0);
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::int32_t>(low)));
}
