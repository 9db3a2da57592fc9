#include "Seeds.h"

#include <cmath>
#include <limits>

#include "FuzzSupport.h"

namespace {

using TWave = std::vector<TNodeValues>;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMax = std::numeric_limits<double>::max();

TWave DefaultWave() {
  return {{0, 0, 0}, {75, 27, 0}, {150, 0, 0}, {225, -27, 0}, {300, 0, 0}};
}

// Nodes made in an order unlike their X order, with ties, fractional values
// and the whole range of tensions.
TWave DenseWave(int count, int shift) {
  TWave wave(static_cast<std::size_t>(count));
  wave.front() = {0, 10, 4.2};
  wave.back() = {300, -10, 0};
  for (int k = 1; k + 1 < count; ++k) {
    auto& v = wave[static_cast<std::size_t>(k)];
    v.X = std::fmod(k * 37.5 + shift, 300);
    v.Y = (k * 7 + shift) % 55 - 27;
    v.T = ((k * 13 + shift) % 201 - 100) * 0.2;
  }
  wave[10].X = wave[11].X;
  wave[20].X = 123.456;
  return wave;
}

TWave Flat(int count) {
  TWave wave(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) wave[static_cast<std::size_t>(k)].X = 300.0 * k / (count - 1);
  return wave;
}

std::vector<std::uint8_t> Default() {
  return EncodeDocument(5, DefaultWave(), DefaultWave());
}

std::vector<std::uint8_t> WithValue(int wave, int node, int field, double value) {
  TWave waves[2] = {DefaultWave(), DefaultWave()};
  TNodeValues& v = waves[wave][static_cast<std::size_t>(node)];
  (field == 0 ? v.X : field == 1 ? v.Y : v.T) = value;
  return EncodeDocument(5, waves[0], waves[1]);
}

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

// The start of a WAV file as the export writes it: its header and a few samples.
std::vector<std::uint8_t> WavStart() {
  std::vector<std::uint8_t> bytes = WavHeader();
  for (std::uint8_t b : {0x00, 0x00, 0xff, 0x7f, 0x00, 0x00, 0x01, 0x00}) bytes.push_back(b);
  return bytes;
}

}  // namespace

std::vector<TSeed> MakeSeeds(const std::vector<std::uint8_t>& example) {
  std::vector<TSeed> seeds;
  auto add = [&seeds](std::string name, std::vector<std::uint8_t> bytes) {
    seeds.push_back({std::move(name) + ".vlx", std::move(bytes)});
  };

  add("accepted-default", Default());
  add("accepted-example", example);
  add("accepted-count-0", EncodeDocument(0, {}, {}));
  add("accepted-count-1", EncodeDocument(1, {{0, 12, -3}}, {{7, -5, 20}}));
  add("accepted-count-2",
      EncodeDocument(2, {{0, 27, 2}, {300, -27, 0}}, {{0, -27, -2}, {300, 27, 0}}));
  add("accepted-count-50", EncodeDocument(50, DenseWave(50, 0), DenseWave(50, 31)));
  add("accepted-version-0.99", EncodeDocument(5, DefaultWave(), DefaultWave(), 0, 99));
  add("accepted-version-negative-major", EncodeDocument(5, DefaultWave(), DefaultWave(), 0x80, 0));
  add("accepted-version-negative-minor", EncodeDocument(5, DefaultWave(), DefaultWave(), 1, 0xff));
  // Interior nodes on the very ends of the period, ties among them, and end
  // records whose X the reader ignores.
  add("accepted-x-edges",
      EncodeDocument(
          7,
          {{-5, 1, 0}, {300, 2, 0}, {0, 3, 0}, {-0.0, 4, 0}, {300, 5, 0}, {0, 6, 0}, {kMax, 7, 0}},
          {{1e300, -1, 1},
           {4.9e-324, -2, 1},
           {150, -3, 1},
           {150, -4, 1},
           {299.99999999999994, -5, 1},
           {150, -6, 1},
           {-kMax, -7, 1}}));
  // Levels and tensions near the largest double, their differences between
  // the waves still finite.
  add("accepted-extreme-levels", EncodeDocument(6,
                                                {{0, 8e307, 8e307},
                                                 {50, -8e307, -8e307},
                                                 {100, kMax, 700.5},
                                                 {150, -kMax, -746},
                                                 {200, 4.9e-324, 20},
                                                 {300, -0.0, -20}},
                                                {{0, -8e307, -8e307},
                                                 {50, 8e307, 8e307},
                                                 {100, kMax, -700.5},
                                                 {150, -kMax, 746},
                                                 {200, -4.9e-324, -20},
                                                 {300, 0.0, 20}}));
  // Waves whose levels or tensions differ by more than the largest double.
  add("accepted-level-difference-overflow",
      EncodeDocument(2, {{0, 1e308, 0}, {300, 0, 0}}, {{0, -1e308, 0}, {300, 0, 0}}));
  add("accepted-tension-difference-overflow",
      EncodeDocument(2, {{0, 27, 1e308}, {300, -27, 0}}, {{0, 27, -1e308}, {300, -27, 0}}));
  add("accepted-opposed-extremes", EncodeDocument(6,
                                                  {{0, 1e308, 1e308},
                                                   {50, -1e308, -1e308},
                                                   {100, kMax, 700.5},
                                                   {150, -kMax, -746},
                                                   {200, 4.9e-324, 20},
                                                   {300, -0.0, -20}},
                                                  {{0, -1e308, -1e308},
                                                   {50, 1e308, 1e308},
                                                   {100, -kMax, -700.5},
                                                   {150, kMax, 746},
                                                   {200, -4.9e-324, -20},
                                                   {300, 0.0, 20}}));
  add("accepted-huge-tensions",
      EncodeDocument(4, {{0, 27, 1e300}, {100, -27, -1e300}, {200, 27, 709.8}, {300, 0, 0}},
                     {{0, 27, -709.8}, {100, -27, 1e-300}, {200, 27, -1e-300}, {300, 0, 0}}));

  add("newer-version-1.1", EncodeDocument(5, DefaultWave(), DefaultWave(), 1, 1));
  add("newer-version-2.0", EncodeDocument(5, DefaultWave(), DefaultWave(), 2, 0));
  add("newer-version-0.127", EncodeDocument(5, DefaultWave(), DefaultWave(), 0, 127));
  add("newer-version-header-only", Cut(EncodeDocument(0, {}, {}, 2, 0), 6));

  add("refused-empty", {});
  add("refused-magic-short", {'V', 'L', 'X'});
  add("refused-magic-nul", [] {
    auto bytes = Default();
    bytes[3] = 0;
    return bytes;
  }());
  add("refused-magic-lowercase", [] {
    auto bytes = Default();
    bytes[0] = 'v';
    return bytes;
  }());
  add("refused-wav-header", WavStart());
  add("refused-short-5", Cut(Default(), 5));
  add("refused-short-9", Cut(Default(), 9));
  add("refused-truncated-header-only", Cut(Default(), 10));
  add("refused-truncated-half", Cut(Default(), 130));
  add("refused-truncated-249", Cut(Default(), 249));
  add("refused-trailing-byte", [] {
    auto bytes = Default();
    bytes.push_back(0);
    return bytes;
  }());
  add("refused-count-short-of-records", EncodeDocument(4, DefaultWave(), DefaultWave()));
  add("refused-count-100000-short", EncodeDocument(100000, Flat(2), Flat(2)));
  add("refused-count-100001-short", EncodeDocument(100001, Flat(2), Flat(2)));
  add("refused-count-negative", EncodeDocument(-1, DefaultWave(), DefaultWave()));
  add("refused-count-int-min", EncodeDocument(std::numeric_limits<std::int32_t>::min(), {}, {}));
  add("refused-count-int-max",
      EncodeDocument(std::numeric_limits<std::int32_t>::max(), Flat(2), Flat(2)));
  add("refused-nan-x", WithValue(0, 2, 0, kNaN));
  add("refused-nan-end-x", WithValue(1, 4, 0, -kNaN));
  add("refused-nan-y", WithValue(1, 1, 1, kNaN));
  add("refused-inf-t", WithValue(0, 3, 2, kInf));
  add("refused-minus-inf-y", WithValue(0, 0, 1, -kInf));
  add("refused-x-negative", WithValue(0, 1, 0, -0.5));
  add("refused-x-tiny-negative", WithValue(1, 3, 0, -4.9e-324));
  add("refused-x-above-300", WithValue(1, 2, 0, 300.00000000000006));
  add("refused-x-huge", WithValue(0, 2, 0, 1e308));
  return seeds;
}
