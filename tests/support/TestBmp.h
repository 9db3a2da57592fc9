#pragma once

#include <QByteArray>
#include <QFile>
#include <QRgb>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Writes a palette BMP (4 or 8 bits per pixel, rows stored bottom up) as the
// format lays it out, so loading is checked against bytes made independently.
inline QByteArray PaletteBmp(int Width, int Height, int Bits, const std::vector<QRgb>& Table,
                             const std::function<int(int X, int Y)>& IndexAt) {
  const int RowBytes = ((Width * Bits + 31) / 32) * 4;
  const int TableBytes = static_cast<int>(Table.size()) * 4;
  const int PixelsAt = 14 + 40 + TableBytes;
  QByteArray Data;
  auto Put = [&Data](std::uint32_t Value, int Size) {
    for (int I = 0; I < Size; ++I) Data.append(static_cast<char>((Value >> (8 * I)) & 0xFF));
  };
  Data.append("BM");
  Put(PixelsAt + RowBytes * Height, 4);
  Put(0, 4);
  Put(PixelsAt, 4);
  Put(40, 4);
  Put(Width, 4);
  Put(Height, 4);
  Put(1, 2);
  Put(Bits, 2);
  Put(0, 4);
  Put(RowBytes * Height, 4);
  Put(2835, 4);
  Put(2835, 4);
  Put(static_cast<std::uint32_t>(Table.size()), 4);
  Put(0, 4);
  for (QRgb C : Table)
    Put(static_cast<std::uint32_t>(qBlue(C) | (qGreen(C) << 8) | (qRed(C) << 16)), 4);
  for (int Y = Height - 1; Y >= 0; --Y) {
    QByteArray Row(RowBytes, '\0');
    for (int X = 0; X < Width; ++X) {
      const int Index = IndexAt(X, Y);
      if (Bits == 8) {
        Row[X] = static_cast<char>(Index);
      } else {
        const int Shift = (X % 2 == 0) ? 4 : 0;
        Row[X / 2] = static_cast<char>(Row[X / 2] | (Index << Shift));
      }
    }
    Data.append(Row);
  }
  return Data;
}

inline std::string WriteFile(const QString& Path, const QByteArray& Data) {
  QFile File(Path);
  if (!File.open(QIODevice::WriteOnly) || File.write(Data) != Data.size()) return {};
  return Path.toStdString();
}
