#pragma once

#include <QObject>

#include "Bitmap.h"

// Holds one skin bitmap that any number of skinned controls draw from.
class TSkinSource : public QObject {
 public:
  explicit TSkinSource(QObject* Owner = nullptr);

  TBitmap& Bitmap() { return FBitmap; }
  const TBitmap& Bitmap() const { return FBitmap; }
  // Copies the picture; the caller keeps its own. The controls drawing from
  // this source are not told and show the new picture at their next paint.
  // A null picture empties the skin.
  void SetBitmap(const TBitmap* Value);

 private:
  TBitmap FBitmap;
};
