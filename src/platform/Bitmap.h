#pragma once

#include <QImage>
#include <memory>
#include <stdexcept>
#include <string>

#include "Canvas.h"

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf16bit, pf24bit, pf32bit };

// A picture asked for by name that the program does not carry.
class EResNotFound : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that cannot be read, or whose contents are no bitmap.
class EInvalidGraphic : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A picture with its palette. Palette pictures (8 and 4 bits per pixel) are kept
// as loaded, 4-bit ones widened to one byte per pixel with their 16-entry table;
// drawing on the canvas turns the picture into 32-bit true colour first, since
// Qt cannot paint on indexed pictures. Readers copy from Image(), a true-colour
// form made once per change, so a block copy is one drawImage.
class TBitmap {
 public:
  TBitmap();
  ~TBitmap();
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  // Loads ":/bitmaps/<Name>.bmp" from the embedded resources.
  void LoadFromResourceName(const std::string& Name);
  void LoadFromFile(const std::string& FileName);
  // A deep copy of the picture, its format and its palette.
  void Assign(const TBitmap& Source);
  // An empty picture again.
  void Clear();
  // A fresh 32-bit picture of this size, all white.
  void SetSize(int Width, int Height);

  int Width() const;
  int Height() const;
  bool Empty() const;
  // Bits per pixel of the picture as loaded, or pf32bit once drawn on.
  TPixelFormat PixelFormat() const { return Format; }
  int BitsPerPixel() const;
  // The colour table of a palette picture; empty for a true-colour one.
  const TPalette& Palette() const { return Colors; }

  TCanvas& Canvas();
  // The picture in 32-bit true colour, ready to blit.
  const QImage& Image() const;

 private:
  friend class TCanvas;
  // The picture for drawing on: converted to true colour if it was indexed.
  QImage& Writable();
  void Load(const QByteArray& Data, const std::string& What);

  QImage Picture;
  mutable QImage Ready;
  TPixelFormat Format = pfDevice;
  TPalette Colors;
  std::unique_ptr<TCanvas> FCanvas;
};
