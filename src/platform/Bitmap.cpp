#include "Bitmap.h"

#include <QFile>
#include <QString>

namespace {

std::uint32_t ReadLE(const QByteArray& Data, int Offset, int Size) {
  std::uint32_t Value = 0;
  for (int I = Size - 1; I >= 0; --I) {
    Value = (Value << 8) | static_cast<std::uint8_t>(Data.at(Offset + I));
  }
  return Value;
}

// Qt's reader does not say how deep the stored picture was, so the file header
// is read for it: the bit count follows the header size, width, height and
// plane count, which are 4 or (in the old 12-byte header) 2 bytes each.
TPixelFormat FileFormat(const QByteArray& Data) {
  constexpr int InfoStart = 14;
  if (Data.size() < InfoStart + 16 || Data.at(0) != 'B' || Data.at(1) != 'M') return pfDevice;
  const std::uint32_t HeaderSize = ReadLE(Data, InfoStart, 4);
  const int BitCountAt = HeaderSize == 12 ? InfoStart + 10 : InfoStart + 14;
  switch (ReadLE(Data, BitCountAt, 2)) {
    case 1:
      return pf1bit;
    case 4:
      return pf4bit;
    case 8:
      return pf8bit;
    case 16:
      return pf16bit;
    case 24:
      return pf24bit;
    case 32:
      return pf32bit;
    default:
      return pfDevice;
  }
}

}  // namespace

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() = default;

void TBitmap::Load(const QByteArray& Data, const std::string& What) {
  QImage Image = QImage::fromData(Data, "BMP");
  const TPixelFormat Loaded = FileFormat(Data);
  if (Image.isNull() || Loaded == pfDevice) {
    throw EInvalidGraphic("Bitmap image is not valid: " + What);
  }
  // One-bit pictures come as Mono; keep every palette picture one byte per pixel.
  if (Image.format() == QImage::Format_Mono || Image.format() == QImage::Format_MonoLSB) {
    Image = Image.convertToFormat(QImage::Format_Indexed8, Image.colorTable());
  }
  Picture = Image;
  Ready = QImage();
  Format = Loaded;
  Colors.clear();
  if (Picture.format() == QImage::Format_Indexed8) {
    for (QRgb Entry : Picture.colorTable()) Colors.push_back(ColorFromRgb(Entry));
  } else if (Picture.format() != QImage::Format_RGB32) {
    Picture = Picture.convertToFormat(QImage::Format_RGB32);
  }
}

void TBitmap::LoadFromResourceName(const std::string& Name) {
  QFile File(QString::fromStdString(":/bitmaps/" + Name + ".bmp"));
  if (!File.open(QIODevice::ReadOnly)) throw EResNotFound("Resource " + Name + " not found");
  Load(File.readAll(), Name);
}

void TBitmap::LoadFromFile(const std::string& FileName) {
  QFile File(QString::fromStdString(FileName));
  if (!File.open(QIODevice::ReadOnly)) {
    throw EInvalidGraphic("Cannot open file \"" + FileName + "\"");
  }
  Load(File.readAll(), FileName);
}

void TBitmap::Assign(const TBitmap& Source) {
  if (&Source == this) return;
  Picture = Source.Picture.copy();
  Ready = QImage();
  Format = Source.Format;
  Colors = Source.Colors;
}

void TBitmap::Clear() {
  Picture = QImage();
  Ready = QImage();
  Format = pfDevice;
  Colors.clear();
}

void TBitmap::SetSize(int Width, int Height) {
  Clear();
  if (Width <= 0 || Height <= 0) return;
  Picture = QImage(Width, Height, QImage::Format_RGB32);
  Picture.fill(Qt::white);
  Format = pf32bit;
}

int TBitmap::Width() const {
  return Picture.width();
}

int TBitmap::Height() const {
  return Picture.height();
}

bool TBitmap::Empty() const {
  return Picture.isNull();
}

int TBitmap::BitsPerPixel() const {
  switch (Format) {
    case pf1bit:
      return 1;
    case pf4bit:
      return 4;
    case pf8bit:
      return 8;
    case pf16bit:
      return 16;
    case pf24bit:
      return 24;
    case pf32bit:
      return 32;
    case pfDevice:
      break;
  }
  return 0;
}

TCanvas& TBitmap::Canvas() {
  if (!FCanvas) FCanvas = std::make_unique<TCanvas>(*this);
  return *FCanvas;
}

const QImage& TBitmap::Image() const {
  if (Picture.format() != QImage::Format_Indexed8) return Picture;
  if (Ready.isNull()) Ready = Picture.convertToFormat(QImage::Format_RGB32);
  return Ready;
}

QImage& TBitmap::Writable() {
  if (Picture.format() == QImage::Format_Indexed8) {
    Picture = Picture.convertToFormat(QImage::Format_RGB32);
    Ready = QImage();
    Format = pf32bit;
  } else if (!Picture.isNull()) {
    Format = pf32bit;
  }
  return Picture;
}
