#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <string>
#include <vector>

#include "Filewrite.h"
#include "Nodes.h"

// A display box's mapping stretched over a rectangle: the box's 305 x 59
// pixels, where position x lies on column x + 2 and level y on row 29 - y,
// scaled to Area. At 305 x 59 it is the window's own mapping.
struct TWavePanel {
  QRect Area;
  QPoint Pixel(double x, double level) const;
  // The pen width that keeps lines as bold, relative to the grid, as in the
  // window.
  int PenWidth() const;
};

constexpr int kBoxWidth = 305;
constexpr int kBoxHeight = 59;

// Where a design picture puts wave 0 (top), the morph (middle) and wave 1
// (bottom).
struct TPictureLayout {
  TWavePanel Wave0;
  QRect Morph;
  TWavePanel Wave1;
};

constexpr int kPictureWidth = 640;
constexpr int kPictureHeight = 600;
constexpr int kMinPictureSide = 64;
constexpr int kMaxPictureSide = 4096;
constexpr int kMinThumbnailSize = 16;
constexpr int kMaxThumbnailSize = 4096;

TPictureLayout PictureLayout(int width, int height);

// One wave as a display box draws it: the black area with its green grid,
// and the wave's 301 display points joined in the waveform green, lineWidth
// pixels wide (0: the panel's pen width).
void DrawWave(QImage& image, const TWavePanel& panel, const TNodeList& wave, int lineWidth = 0);

// Both waves and, between them, the 100 periods of the morph stacked from
// the first (top) to the last (bottom).
QImage DrawDesign(const TNodeList& wave0, const TNodeList& wave1, int width = kPictureWidth,
                  int height = kPictureHeight);

// The two waves alone, one above the other, filling size x size, their
// lines bolder than the grid so that they read at 128 pixels.
struct TThumbnailLayout {
  TWavePanel Wave0;
  TWavePanel Wave1;
};
TThumbnailLayout ThumbnailLayout(int size);
QImage DrawThumbnail(const TNodeList& wave0, const TNodeList& wave1, int size);

// The image as PNG bytes; empty when encoding failed.
std::vector<unsigned char> EncodePng(const QImage& image);

enum class TPngPlace { Beside, InPlaceIfEmpty };

// Encoded first, then written beside the target and renamed into place, or,
// for a caller that may hold an empty file open (a thumbnail service), as
// WriteFileInPlaceIfEmpty writes it.
TWriteOutcome WritePng(const std::string& path, const QImage& image,
                       TPngPlace place = TPngPlace::Beside);
