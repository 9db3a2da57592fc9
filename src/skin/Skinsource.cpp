#include "Skinsource.h"

TSkinSource::TSkinSource(QObject* Owner) : QObject(Owner) {}

void TSkinSource::SetBitmap(const TBitmap* Value) {
  if (Value) {
    FBitmap.Assign(*Value);
  } else {
    FBitmap.Clear();
  }
}
