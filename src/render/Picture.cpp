#include "Picture.h"

#include <QBuffer>
#include <QColor>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

const QColor kWaveGreen(0, 208, 0);
const QColor kFrame(32, 32, 32);

struct TGridLine {
  double Value;
  QColor Colour;
};

// The display areas' grid, faint lines first so the brighter ones cross
// them.
const std::array<TGridLine, 13> kVerticalGrid = {{{25, {22, 58, 2}},
                                                  {75, {22, 58, 2}},
                                                  {125, {22, 58, 2}},
                                                  {175, {22, 58, 2}},
                                                  {225, {22, 58, 2}},
                                                  {275, {22, 58, 2}},
                                                  {50, {34, 86, 2}},
                                                  {100, {34, 86, 2}},
                                                  {200, {34, 86, 2}},
                                                  {250, {34, 86, 2}},
                                                  {0, {50, 122, 2}},
                                                  {150, {50, 122, 2}},
                                                  {300, {50, 122, 2}}}};
const std::array<TGridLine, 7> kHorizontalGrid = {{{18, {22, 58, 2}},
                                                   {9, {22, 58, 2}},
                                                   {-9, {22, 58, 2}},
                                                   {-18, {22, 58, 2}},
                                                   {27, {34, 86, 2}},
                                                   {-27, {34, 86, 2}},
                                                   {0, {50, 122, 2}}}};

// Levels from hand-made documents may lie far outside the box; a few box
// heights away a line looks the same and stays within the painter's range.
double Bounded(double offset, int side) {
  if (std::isnan(offset)) return 0;
  return std::clamp(offset, -4.0 * side, 5.0 * side);
}

QPen LinePen(const QColor& colour, int width) {
  return QPen(colour, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

// Lines and every vertex: the painter leaves out a thin line's end pixel in
// some directions, and the vertices are where the design's points are.
void DrawJoined(QPainter& painter, const QPolygon& points, const QColor& colour, int width) {
  painter.setPen(LinePen(colour, width));
  painter.drawPolyline(points);
  painter.drawPoints(points);
}

// The morph's periods, back (first) to front (last), each hiding what lies
// below it: a ridge plot, slanted a little so every period shows.
void DrawMorph(QImage& image, const QRect& area, const TNodeList& wave0, const TNodeList& wave1) {
  std::vector<double> samples(static_cast<std::size_t>(kDisplayPoints) * kMorphPeriods);
  // 301 samples a period put sample i at position i, like the display points.
  RenderTransition(samples.data(), wave0, wave1, kDisplayPoints, kMorphPeriods);
  QPainter painter(&image);
  painter.setClipRect(area);
  painter.fillRect(area, Qt::black);
  const double amplitude = area.height() / 4.0;
  const double step = (area.height() - 2 * amplitude) / (kMorphPeriods - 1);
  const double slant = area.width() * 0.12 / (kMorphPeriods - 1);
  const double traceWidth = area.width() - 1 - slant * (kMorphPeriods - 1);
  const int pen = std::max(1, static_cast<int>(std::min(area.width() / 600.0, step)));
  for (int p = 0; p < kMorphPeriods; ++p) {
    const double base = area.top() + amplitude + step * p;
    const double left = area.left() + slant * (kMorphPeriods - 1 - p);
    QPolygon ridge;
    for (int i = 0; i < kDisplayPoints; ++i) {
      const double level = samples[static_cast<std::size_t>(p) * kDisplayPoints + i] * 27 / 32767;
      const double up = Bounded(level * amplitude / 27, area.height());
      ridge << QPoint(static_cast<int>(left + traceWidth * i / 300), static_cast<int>(base - up));
    }
    QPolygon hidden = ridge;
    hidden << QPoint(ridge.last().x(), area.bottom() + 1)
           << QPoint(ridge.first().x(), area.bottom() + 1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPolygon(hidden);
    // Nearer periods brighter, the first and last in the waveform green.
    const int green = p == 0 || p == kMorphPeriods - 1 ? 208 : 96 + 112 * p / (kMorphPeriods - 1);
    DrawJoined(painter, ridge, QColor(0, green, 0), pen);
  }
}

}  // namespace

QPoint TWavePanel::Pixel(double x, double level) const {
  const double column = Bounded((x + 2) * Area.width() / kBoxWidth, Area.width());
  const double row = Bounded((29 - level) * Area.height() / kBoxHeight, Area.height());
  return {Area.left() + static_cast<int>(column), Area.top() + static_cast<int>(row)};
}

int TWavePanel::PenWidth() const {
  const double scale = std::min(static_cast<double>(Area.width()) / kBoxWidth,
                                static_cast<double>(Area.height()) / kBoxHeight);
  return std::max(1, static_cast<int>(scale));
}

TPictureLayout PictureLayout(int width, int height) {
  const int gap = std::max(2, std::min(width, height) / 64);
  const int inner = width - 2 * gap;
  // The box's proportions, unless that leaves the morph less than half.
  const int box = std::min(inner * kBoxHeight / kBoxWidth, (height - 4 * gap) / 4);
  TPictureLayout layout;
  layout.Wave0.Area = QRect(gap, gap, inner, box);
  layout.Wave1.Area = QRect(gap, height - gap - box, inner, box);
  layout.Morph = QRect(gap, 2 * gap + box, inner, height - 4 * gap - 2 * box);
  return layout;
}

void DrawWave(QImage& image, const TWavePanel& panel, const TNodeList& wave, int lineWidth) {
  QPainter painter(&image);
  painter.setClipRect(panel.Area);
  painter.fillRect(panel.Area, Qt::black);
  const int pen = panel.PenWidth();
  for (const TGridLine& line : kVerticalGrid) {
    painter.setPen(LinePen(line.Colour, pen));
    painter.drawLine(panel.Pixel(line.Value, 27), panel.Pixel(line.Value, -27));
  }
  for (const TGridLine& line : kHorizontalGrid) {
    painter.setPen(LinePen(line.Colour, pen));
    painter.drawLine(panel.Pixel(0, line.Value), panel.Pixel(300, line.Value));
  }
  std::array<double, kDisplayPoints> points;
  wave.RenderDisplay(points.data());
  QPolygon line;
  for (int i = 0; i < kDisplayPoints; ++i)
    line << panel.Pixel(i, points[static_cast<std::size_t>(i)]);
  DrawJoined(painter, line, kWaveGreen, lineWidth > 0 ? lineWidth : pen);
}

QImage DrawDesign(const TNodeList& wave0, const TNodeList& wave1, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(kFrame);
  const TPictureLayout layout = PictureLayout(width, height);
  DrawWave(image, layout.Wave0, wave0);
  DrawMorph(image, layout.Morph, wave0, wave1);
  DrawWave(image, layout.Wave1, wave1);
  return image;
}

TThumbnailLayout ThumbnailLayout(int size) {
  const int gap = std::max(1, size / 64);
  const int box = (size - gap) / 2;
  return {{QRect(0, 0, size, box)}, {QRect(0, size - box, size, box)}};
}

QImage DrawThumbnail(const TNodeList& wave0, const TNodeList& wave1, int size) {
  QImage image(size, size, QImage::Format_RGB32);
  image.fill(kFrame);
  const TThumbnailLayout layout = ThumbnailLayout(size);
  const int line = std::max(2, size / 64);
  DrawWave(image, layout.Wave0, wave0, line);
  DrawWave(image, layout.Wave1, wave1, line);
  return image;
}

std::vector<unsigned char> EncodePng(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return {};
  return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

TWriteOutcome WritePng(const std::string& path, const QImage& image, TPngPlace place) {
  const std::vector<unsigned char> bytes = EncodePng(image);
  if (bytes.empty()) return TWriteOutcome::WriteFailed;
  return place == TPngPlace::InPlaceIfEmpty ? WriteFileInPlaceIfEmpty(path, bytes)
                                            : WriteWholeFile(path, bytes);
}
